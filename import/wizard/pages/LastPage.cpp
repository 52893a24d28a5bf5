#include "import/wizard/pages/LastPage.h"

#include "ui_LastPage.h"

#include "import/engine/support/DurvelUtils.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/pages/PageBoxes.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/ini/IniFile.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QStackedWidget>
#include <limits>

namespace {

// The stored number stays when the text is no integer.
void fromText(const QString& text, void (LastPage::*setter)(int), LastPage* page)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (ok)
        (page->*setter)(n);
}

void setChecked(QAbstractButton* box, bool value)
{
    if (box->isChecked() != value)
        box->setChecked(value);
}

} // namespace

LastPage::LastPage(TDurvel3WizardF* Form)
    : QWidget(Form), ui(new Ui::tsCommitOptions), F(Form), FModes(new QButtonGroup(this)),
      FAddTypes(new QButtonGroup(this))
{
    ui->setupUi(this);
    const QList<QRadioButton*> modes = {ui->rbImportMode0, ui->rbImportMode1, ui->rbImportMode2,
                                        ui->rbImportMode3, ui->rbImportMode4, ui->rbImportMode5};
    for (int i = 0; i < modes.size(); ++i)
        FModes->addButton(modes.at(i), i);
    FAddTypes->addButton(ui->rbAddType0, datAppend);
    FAddTypes->addButton(ui->rbAddType1, datInsert);
    ui->rbImportMode0->setChecked(true);
    ui->rbAddType1->setChecked(true);
    ui->edtCommitRecCount->setText(QString::number(FCommitRecCount));
    ui->edtImportRecCount->setText(QString::number(FImportRecCount));
    ui->chImportAllRecords->setChecked(true);
    ui->chRewriteErrorLogFile->setChecked(true);

    connect(ui->chCommitAfterDone, &QCheckBox::toggled, this,
            F->Guard(this, &LastPage::SetCommitAfterDone));
    connect(
        ui->edtCommitRecCount, &QLineEdit::textChanged, this,
        F->Guard([this](const QString& t) { fromText(t, &LastPage::SetCommitRecCount, this); }));
    connect(
        ui->edtImportRecCount, &QLineEdit::textChanged, this,
        F->Guard([this](const QString& t) { fromText(t, &LastPage::SetImportRecCount, this); }));
    connect(ui->chImportAllRecords, &QCheckBox::toggled, this,
            F->Guard(this, &LastPage::chImportAllRecordsClick));
    connect(ui->chCloseAfterImport, &QCheckBox::toggled, this,
            F->Guard(this, &LastPage::SetCloseAfterImport));
    connect(ui->chEnableErrorLog, &QCheckBox::toggled, this,
            F->Guard(this, &LastPage::chEnableErrorLogClick));
    connect(ui->edErrorLogFileName, &QLineEdit::textChanged, this,
            F->Guard(this, &LastPage::SetErrorLogFileName));
    connect(ui->chRewriteErrorLogFile, &QCheckBox::toggled, this,
            F->Guard(this, &LastPage::SetRewriteErrorLogFile));
    connect(ui->chShowErrorLog, &QCheckBox::toggled, this, F->Guard([this](bool on) {
        SetShowErrorLog(on);
        setChecked(ui->chShowErrorLog, FShowErrorLog);
    }));
    connect(ui->bErrorLogFileName, &QToolButton::clicked, this,
            F->Guard(this, &LastPage::bErrorLogFileNameClick));
    connect(FModes, &QButtonGroup::idClicked, this, F->Guard(this, &LastPage::SetImportMode));
    connect(FAddTypes, &QButtonGroup::idClicked, this, F->Guard(this, &LastPage::SetAddType));

    auto* avail = ui->lvAvailableColumns;
    auto* sel = ui->lvSelectedColumns;
    connect(ui->bAllToRight, &QToolButton::clicked, this,
            F->Guard([this, avail, sel] { MoveListItems(avail, sel, -1, true); }));
    connect(ui->bOneToRirght, &QToolButton::clicked, this,
            F->Guard([this, avail, sel] { MoveListItems(avail, sel, -1, false); }));
    connect(ui->bOneToLeft, &QToolButton::clicked, this,
            F->Guard([this, avail, sel] { MoveListItems(sel, avail, -1, false); }));
    connect(ui->bAllToLeft, &QToolButton::clicked, this,
            F->Guard([this, avail, sel] { MoveListItems(sel, avail, -1, true); }));
    connect(avail, &QListWidget::itemDoubleClicked, this,
            F->Guard([this, avail, sel] { MoveListItems(avail, sel, -1, false); }));
    connect(sel, &QListWidget::itemDoubleClicked, this,
            F->Guard([this, avail, sel] { MoveListItems(sel, avail, -1, false); }));
    connect(avail, &KeyColumnList::itemsDropped, this,
            F->Guard([this, avail, sel](KeyColumnList* s, QListWidgetItem* under) {
                Dropped(avail, s, under);
            }));
    connect(sel, &KeyColumnList::itemsDropped, this,
            F->Guard([this, avail, sel](KeyColumnList* s, QListWidgetItem* under) {
                Dropped(sel, s, under);
            }));
    chEnableErrorLogClick();
    chImportAllRecordsClick();
}

LastPage::~LastPage() = default;

void LastPage::LoadFromWizard(const TDurvel3Wizard& Wizard)
{
    SetCommitAfterDone(Wizard.CommitAfterDone);
    SetCommitRecCount(Wizard.CommitRecCount);
    SetImportRecCount(Wizard.ImportRecCount);
    SetCloseAfterImport(Wizard.CloseAfterImport);
    SetEnableErrorLog(Wizard.ErrorLog);
    SetErrorLogFileName(Wizard.ErrorLogFileName);
    SetRewriteErrorLogFile(Wizard.RewriteErrorLogFile);
    SetShowErrorLog(Wizard.ShowErrorLog);
    SetAddType(Wizard.AddType);
    SetImportMode(Wizard.ImportMode);
    chEnableErrorLogClick();
}

void LastPage::FillKeyColumns(const QStringList& Columns, const QStringList& KeyColumns)
{
    FColumns = Columns;
    ui->lvAvailableColumns->clear();
    ui->lvSelectedColumns->clear();
    for (const QString& key : KeyColumns)
        if (Columns.contains(key))
            ui->lvSelectedColumns->addItem(key);
    for (const QString& column : Columns)
        if (!KeyColumns.contains(column))
            ui->lvAvailableColumns->addItem(column);
}

void LastPage::ShowLastPage(const QString& StepText)
{
    ui->laLastStep->setText(StepText);
    auto* stack = qobject_cast<QStackedWidget*>(parentWidget());
    if (stack)
        stack->setCurrentWidget(this);
}

QStringList LastPage::SelectedKeyColumns() const
{
    QStringList keys;
    for (int i = 0; i < ui->lvSelectedColumns->count(); ++i)
        keys << ui->lvSelectedColumns->item(i)->text();
    return keys;
}

void LastPage::SetCommitAfterDone(bool Value)
{
    if (Value == FCommitAfterDone)
        return;
    FCommitAfterDone = Value;
    setChecked(ui->chCommitAfterDone, Value);
}

void LastPage::SetCommitRecCount(int Value)
{
    if (Value == FCommitRecCount)
        return;
    FCommitRecCount = Value;
    SetBoxText(ui->edtCommitRecCount, QString::number(Value));
}

void LastPage::SetImportRecCount(int Value)
{
    FImportRecCount = Value;
    SetBoxText(ui->edtImportRecCount, QString::number(FImportRecCount));
    setChecked(ui->chImportAllRecords, FImportRecCount == 0);
}

void LastPage::chImportAllRecordsClick()
{
    const bool some = !ui->chImportAllRecords->isChecked();
    ui->edtImportRecCount->setEnabled(some);
    ui->laImportOnlyFirst->setEnabled(some);
    ui->laImportRecords->setEnabled(some);
    if (some && isVisible()) {
        ui->edtImportRecCount->setFocus();
        ui->edtImportRecCount->selectAll();
    }
}

void LastPage::SetCloseAfterImport(bool Value)
{
    if (Value == FCloseAfterImport)
        return;
    FCloseAfterImport = Value;
    setChecked(ui->chCloseAfterImport, Value);
}

void LastPage::SetEnableErrorLog(bool Value)
{
    if (Value == FErrorLog)
        return;
    FErrorLog = Value;
    setChecked(ui->chEnableErrorLog, Value);
}

void LastPage::chEnableErrorLogClick()
{
    SetEnableErrorLog(ui->chEnableErrorLog->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->chShowErrorLog, ui->laErrorLogFileName, ui->edErrorLogFileName,
             ui->chRewriteErrorLogFile, ui->bErrorLogFileName})
        w->setEnabled(FErrorLog);
}

void LastPage::SetErrorLogFileName(const QString& Value)
{
    if (Value == FErrorLogFileName)
        return;
    FErrorLogFileName = Value;
    SetBoxText(ui->edErrorLogFileName, Value);
}

void LastPage::SetRewriteErrorLogFile(bool Value)
{
    if (Value == FRewriteErrorLogFile)
        return;
    FRewriteErrorLogFile = Value;
    setChecked(ui->chRewriteErrorLogFile, Value);
}

void LastPage::SetShowErrorLog(bool Value)
{
    if (Value && !FErrorLog)
        return;
    if (Value == FShowErrorLog)
        return;
    FShowErrorLog = Value;
    setChecked(ui->chShowErrorLog, Value);
}

void LastPage::SetImportMode(int Value)
{
    if (Value < dimInsertAll || Value > dimDeleteOrInsert)
        return;
    FImportMode = TDurvelMode(Value);
    if (QAbstractButton* b = FModes->button(Value))
        setChecked(b, true);
}

void LastPage::SetAddType(int Value)
{
    if (Value != datAppend && Value != datInsert)
        return;
    FAddType = TDurvelAddType(Value);
    if (QAbstractButton* b = FAddTypes->button(Value))
        setChecked(b, true);
}

void LastPage::bErrorLogFileNameClick()
{
    dialogs::FileRequest request;
    request.save = true;
    request.filter = QStringLiteral("Log files (*.log);;All files (*)");
    request.defaultSuffix = QStringLiteral("log");
    const QString typed = ui->edErrorLogFileName->text();
    if (!typed.isEmpty())
        request.directory = typed.contains(u'/') ? QFileInfo(typed).path() : QString();
    const QString chosen = dialogs::chooseFile(request, this);
    if (!chosen.isEmpty())
        ui->edErrorLogFileName->setText(chosen);
}

void LastPage::CopyInto(TDurvel3& Reader) const
{
    Reader.CommitAfterDone = FCommitAfterDone;
    Reader.CommitRecCount = FCommitRecCount;
    Reader.ImportRecCount = ui->chImportAllRecords->isChecked() ? 0 : FImportRecCount;
    Reader.ErrorLog = FErrorLog;
    Reader.RewriteErrorLogFile = FRewriteErrorLogFile;
    Reader.ShowErrorLog = FShowErrorLog;
    Reader.ImportMode = FImportMode;
    Reader.AddType = FAddType;
}

void LastPage::MoveListItems(KeyColumnList* Source, KeyColumnList* Target, int Position, bool All)
{
    QList<QListWidgetItem*> moving;
    for (int i = Source->count() - 1; i >= 0; --i)
        if (All || Source->item(i)->isSelected())
            moving.prepend(Source->takeItem(i));
    if (moving.isEmpty())
        return;
    Target->clearSelection();
    if (moving.size() == 1 && Position >= 0 && Position <= Target->count())
        Target->insertItem(Position, moving.first());
    else
        for (QListWidgetItem* item : moving)
            Target->addItem(item);
    for (QListWidgetItem* item : moving)
        item->setSelected(false);
    moving.last()->setSelected(true);
    Target->setCurrentItem(moving.last(), QItemSelectionModel::ClearAndSelect);
    if (QListWidgetItem* current = Source->currentItem())
        current->setSelected(true);
}

void LastPage::Dropped(KeyColumnList* Target, KeyColumnList* Source, QListWidgetItem* Under)
{
    if (Source != Target) {
        const int position = Under ? Target->row(Under) + 1 : -1;
        MoveListItems(Source, Target, position, false);
        return;
    }
    // Within one list: the selected item goes just after the item under the mouse, counted
    // after it was taken out. Dropped on itself, the list stays as it is.
    QListWidgetItem* selected = Target->currentItem();
    if (!Under || !selected || !selected->isSelected() || Under == selected)
        return;
    Target->takeItem(Target->row(selected));
    Target->insertItem(Target->row(Under) + 1, selected);
    Target->clearSelection();
    Target->setCurrentItem(selected, QItemSelectionModel::ClearAndSelect);
}

namespace {
const QString kLastStep = QStringLiteral("LAST_STEP");
const QString kKeyColumns = QStringLiteral("KeyColumns");
} // namespace

void LastPage::SaveTemplate(IniFile& Ini) const
{
    Ini.writeBool(kLastStep, QStringLiteral("CommitAfterDone"), FCommitAfterDone);
    Ini.writeInteger(kLastStep, QStringLiteral("CommitRecCount"), FCommitRecCount);
    Ini.writeInteger(kLastStep, QStringLiteral("ImportRecCount"),
                     ui->chImportAllRecords->isChecked() ? 0 : FImportRecCount);
    Ini.writeBool(kLastStep, QStringLiteral("CloseAfterImport"), FCloseAfterImport);
    Ini.writeBool(kLastStep, QStringLiteral("EnableErrorLog"), FErrorLog);
    Ini.writeString(kLastStep, QStringLiteral("ErrorLogFileName"), FErrorLogFileName);
    Ini.writeBool(kLastStep, QStringLiteral("RewriteErrorLogFile"), FRewriteErrorLogFile);
    Ini.writeBool(kLastStep, QStringLiteral("ShowErrorLog"), FShowErrorLog);
    Ini.writeInteger(kLastStep, QStringLiteral("ImportMode"), FImportMode);
    Ini.writeInteger(kLastStep, QStringLiteral("AddType"), FAddType);
    Ini.eraseSection(kKeyColumns);
    for (const QString& key : SelectedKeyColumns())
        Ini.writeString(kKeyColumns, key, QString());
}

void LastPage::LoadTemplate(const IniFile& Ini, const TDurvel3Wizard& Wizard)
{
    const auto readInt = [&Ini](const QString& key, int current) {
        const qint64 v = Ini.readInteger(kLastStep, key, current);
        return v >= 0 && v <= std::numeric_limits<int>::max() ? int(v) : current;
    };
    if (!Wizard.CommitAfterDone)
        SetCommitAfterDone(Ini.readBool(kLastStep, QStringLiteral("CommitAfterDone"), false));
    SetCommitRecCount(readInt(QStringLiteral("CommitRecCount"), Wizard.CommitRecCount));
    SetImportRecCount(readInt(QStringLiteral("ImportRecCount"), Wizard.ImportRecCount));
    if (!Wizard.CloseAfterImport)
        SetCloseAfterImport(Ini.readBool(kLastStep, QStringLiteral("CloseAfterImport"), false));
    SetEnableErrorLog(Ini.readBool(kLastStep, QStringLiteral("EnableErrorLog"), Wizard.ErrorLog));
    chEnableErrorLogClick();
    // A template may come from anyone: it writes no log outside the program's folder. Only a
    // name the clerk picks on this page may lie elsewhere.
    QString notice;
    SetErrorLogFileName(TemplateWritableName(
        Ini.readString(kLastStep, QStringLiteral("ErrorLogFileName"), Wizard.ErrorLogFileName),
        &notice));
    if (!notice.isEmpty()) {
        dialogs::Message m;
        m.title = QStringLiteral("Warning");
        m.text = notice;
        m.icon = dialogs::Icon::Warning;
        m.rightToLeft = false;
        dialogs::show(m, F);
    }
    SetRewriteErrorLogFile(
        Ini.readBool(kLastStep, QStringLiteral("RewriteErrorLogFile"), Wizard.RewriteErrorLogFile));
    SetShowErrorLog(Ini.readBool(kLastStep, QStringLiteral("ShowErrorLog"), true));
    SetImportMode(readInt(QStringLiteral("ImportMode"), Wizard.ImportMode));
    SetAddType(readInt(QStringLiteral("AddType"), Wizard.AddType));

    // Key names as the destination spells them, in the file's order.
    QStringList keys;
    for (const QString& key : Ini.keys(kKeyColumns))
        for (const QString& column : FColumns)
            if (column.compare(key, Qt::CaseInsensitive) == 0 && !keys.contains(column)) {
                keys << column;
                break;
            }
    FillKeyColumns(FColumns, keys);
}

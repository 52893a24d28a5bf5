#include "import/wizard/pages/AccessPage.h"

#include "ui_AccessMapPage.h"
#include "ui_AccessPage.h"

#include "import/engine/ADO_Durvel3Access.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "platform/codepage/CodePage.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/files/Files.h"
#include "platform/ini/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QStringDecoder>

namespace {

const QString kOptions = QStringLiteral("ACCESS_OPTIONS");
const QString kSQL = QStringLiteral("ACCESS_SQL");
const QString kMap = QStringLiteral("ACCESS_MAP");
const QString kQueryFilter = QStringLiteral("SQL files (*.sql);;All files (*.*)");
const QString kCustomQuery = QStringLiteral("Custom query");

// A query file as the clerk's editor wrote it: UTF-16 or UTF-8 with their marks, UTF-8, or
// else the ANSI page.
QString decodeQueryFile(const QByteArray& Bytes)
{
    if (Bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE)(Bytes.mid(2));
    if (Bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE)(Bytes.mid(2));
    const QByteArray body = Bytes.startsWith("\xEF\xBB\xBF") ? Bytes.mid(3) : Bytes;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(body);
    if (!utf8.hasError())
        return text;
    return codepage::decode(1256, body);
}

} // namespace

AccessPage::AccessPage(TDurvel3WizardF* Form)
    : FieldPairPage(Form, aiAccess, kMap), ui(new Ui::tsAccessOptions_01),
      mapUi(new Ui::tsAccessOptions_02), impAccess(std::make_unique<TADO_Durvel3Access>())
{
    ui->setupUi(this);
    // Table names in two columns.
    ui->lbAccessTables->setFlow(QListView::TopToBottom);
    ui->lbAccessTables->setWrapping(true);
    ui->lbAccessTables->setResizeMode(QListView::Adjust);
    ui->lbAccessTables->setGridSize(QSize(ui->lbAccessTables->width() / 2 - 4, 20));
    MapPage = new QWidget(Form);
    mapUi->setupUi(MapPage);
    F->AddPage(MapPage);
    impAccess->AddType = datInsert;

    BindPairs({mapUi->lstAccessDataSet, mapUi->lstAccess, mapUi->lstAccessMap, mapUi->bAccessAdd,
               mapUi->bAccessAutoFill, mapUi->bAccessRemove, mapUi->bAccessClear},
              nullptr);

    connect(ui->rbtAccessTable, &QRadioButton::clicked, this, F->Guard([this] {
        SetAccessSourceType(0);
        F->TuneButtons();
    }));
    connect(ui->rbtAccessSQL, &QRadioButton::clicked, this, F->Guard([this] {
        SetAccessSourceType(1);
        F->TuneButtons();
    }));
    connect(ui->lbAccessTables, &QListWidget::currentRowChanged, this,
            F->Guard(this, &AccessPage::SourceEdited));
    connect(ui->memAccessSQL, &QPlainTextEdit::textChanged, this,
            F->Guard(this, &AccessPage::SourceEdited));
    connect(ui->tbtAccessSQLLoad, &QToolButton::clicked, this,
            F->Guard(this, &AccessPage::LoadQueryClick));
    connect(ui->tbtAccessSQLSave, &QToolButton::clicked, this,
            F->Guard(this, &AccessPage::SaveQueryClick));
    // The password box sits on the wizard's first page.
    FPasswordEdit = F->findChild<QLineEdit*>(QStringLiteral("edAccessPassword"));
    if (FPasswordEdit)
        connect(FPasswordEdit, &QLineEdit::textChanged, this,
                F->Guard(this, &AccessPage::SetAccessPassword));
    SetAccessSourceType(0);
}

AccessPage::~AccessPage() = default;

void AccessPage::SetAccessPassword(const QString& Text)
{
    if (Text == FAccessPassword)
        return;
    FAccessPassword = Text;
    if (FPasswordEdit && FPasswordEdit->isEnabled() && FPasswordEdit->text() != Text) {
        const QSignalBlocker block(FPasswordEdit);
        FPasswordEdit->setText(Text);
    }
}

void AccessPage::SetAccessSourceType(int Value)
{
    if (Value == FAccessSourceType)
        return;
    FAccessSourceType = Value;
    ui->rbtAccessTable->setChecked(Value == 0);
    ui->rbtAccessSQL->setChecked(Value == 1);
    ui->lbAccessTables->setEnabled(Value == 0);
    for (QWidget* w :
         {static_cast<QWidget*>(ui->memAccessSQL), static_cast<QWidget*>(ui->tbtAccessSQLLoad),
          static_cast<QWidget*>(ui->tbtAccessSQLSave)})
        w->setEnabled(Value == 1);
    AccessNeedFields = true;
    impAccess->SourceType = Value == 1 ? isSQL : isTable;
}

void AccessPage::SourceEdited()
{
    AccessNeedFields = true;
    F->TuneButtons();
}

QString AccessPage::SelectedTable() const
{
    const QListWidgetItem* item = ui->lbAccessTables->currentItem();
    return item ? item->text() : QString();
}

QString AccessPage::QueryText() const
{
    return ui->memAccessSQL->toPlainText();
}

void AccessPage::SetQueryText(const QString& Text)
{
    ui->memAccessSQL->setPlainText(Text);
}

bool AccessPage::SelectTable(const QString& Name)
{
    const auto found = ui->lbAccessTables->findItems(Name, Qt::MatchFixedString);
    for (QListWidgetItem* item : found)
        if (item->text() == Name || found.size() == 1) {
            ui->lbAccessTables->setCurrentItem(item);
            return true;
        }
    return false;
}

void AccessPage::SourceChanged()
{
    AccessNeedFields = true;
}

void AccessPage::LoadAccessTables()
{
    ReadSource([this] { ReadAccessTables(); });
}

// A database refused: no table, no field and no pair of the one before.
void AccessPage::Forget()
{
    {
        const QSignalBlocker block(ui->lbAccessTables);
        ui->lbAccessTables->clear();
    }
    FieldPairPage::Forget();
    AccessNeedFields = true;
}

void AccessPage::ReadAccessTables()
{
    const QString wanted = FWantedTable.isEmpty() ? SelectedTable() : FWantedTable;
    impAccess->SetFileName(F->FileName());
    impAccess->Password = FAccessPassword;
    const auto loading = ShowLoading(F, F->FileName());
    {
        const QSignalBlocker block(ui->lbAccessTables);
        ui->lbAccessTables->clear();
    }
    TWideStringList names;
    impAccess->GetTableNames(names);
    {
        const QSignalBlocker block(ui->lbAccessTables);
        ui->lbAccessTables->addItems(names.ToStringList());
        SelectTable(wanted);
        if (!ui->lbAccessTables->currentItem() && ui->lbAccessTables->count() > 0)
            ui->lbAccessTables->setCurrentRow(0);
    }
    FWantedTable.clear();
    AccessNeedFields = true;
    F->NeedReload = false;
}

void AccessPage::ShowAccessPage(int Index, int Total)
{
    F->ShowPage(this);
    ui->laStep_16->setText(QStringLiteral("Step %1 of %2").arg(Index).arg(Total));
    if (F->NeedReload)
        LoadAccessTables();
    if (FAccessSourceType == 1 && ui->memAccessSQL->isEnabled())
        ui->memAccessSQL->setFocus();
    else if (FAccessSourceType == 0 && ui->lbAccessTables->isEnabled()) {
        ui->lbAccessTables->setFocus();
        if (!ui->lbAccessTables->currentItem() && ui->lbAccessTables->count() > 0)
            ui->lbAccessTables->setCurrentRow(0);
    }
    F->TuneButtons();
}

void AccessPage::PrepareReader(TADO_Durvel3Access& Reader) const
{
    Reader.SetFileName(F->FileName());
    Reader.Password = FAccessPassword;
    Reader.SourceType = FAccessSourceType == 1 ? isSQL : isTable;
    if (FAccessSourceType == 1) {
        Reader.TableName.clear();
        Reader.SQL().Assign(QueryText().split(u'\n'));
    } else {
        Reader.TableName = SelectedTable();
        Reader.SQL().Clear();
    }
}

void AccessPage::LoadAccessFields()
{
    PrepareReader(*impAccess);
    const QString caption = FAccessSourceType == 1 ? kCustomQuery : SelectedTable();
    Pairs->SetSourceCaption(caption);
    if (!AccessNeedFields)
        return;
    const auto loading = ShowLoading(F, F->FileName());
    TWideStringList fields;
    impAccess->GetFieldList(fields);
    QStringList names;
    for (int i = 0; i < fields.Count(); ++i) {
        const QString line = fields.Strings(i);
        // The type name follows the last "=": a field's own name may hold one.
        names << line.left(line.lastIndexOf(u'='));
    }
    Pairs->SetColumns(Pairs->Columns());
    Pairs->SetSourceFields(names, caption);
    AccessNeedFields = false;
}

void AccessPage::ShowAccessMapPage(int Index, int Total)
{
    F->PlaceInfoPanel(MapPage, 6, FieldPairMap::Tip(), 557, 39, 21);
    mapUi->laStep_15->setText(QStringLiteral("Step %1 of %2").arg(Index).arg(Total));
    F->ShowPage(MapPage);
    try {
        LoadAccessFields();
    } catch (...) {
        // A query the database refuses: its message, and no way on until the fields are read;
        // no field or pair of the table or query before.
        Pairs->SetSourceFields({}, Pairs->SourceCaption());
        Pairs->Clear();
        throw;
    }
    F->TuneButtons();
}

void AccessPage::ShowStep(int Index, int Total)
{
    if (Index == 1)
        ShowAccessPage(Index, Total);
    else
        ShowAccessMapPage(Index, Total);
}

bool AccessPage::StepComplete(int Index) const
{
    if (Index == 1)
        return FAccessSourceType == 1 ? !QueryText().trimmed().isEmpty()
                                      : !SelectedTable().isEmpty();
    return StepComplete(1) && !AccessNeedFields && Pairs->Complete();
}

TDurvel3* AccessPage::Reader()
{
    return impAccess.get();
}

void AccessPage::CopyOptions(TDurvel3& Reader) const
{
    if (auto* access = dynamic_cast<TADO_Durvel3Access*>(&Reader))
        PrepareReader(*access);
}

void AccessPage::LoadQueryClick()
{
    dialogs::FileRequest request;
    request.filter = kQueryFilter;
    request.defaultSuffix = QStringLiteral("sql");
    const QString name = dialogs::chooseFile(request, this);
    if (name.isEmpty())
        return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw EDurvelError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(name, file.errorString()));
    QString text = decodeQueryFile(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    SetQueryText(text);
}

void AccessPage::SaveQueryClick()
{
    dialogs::FileRequest request;
    request.save = true;
    request.filter = kQueryFilter;
    request.defaultSuffix = QStringLiteral("sql");
    const QString name = dialogs::chooseFile(request, this);
    if (name.isEmpty())
        return;
    const QString failure = files::writeWhole(name, QueryText().toUtf8());
    if (!failure.isEmpty())
        throw EDurvelError(QStringLiteral("Cannot write file \"%1\". %2").arg(name, failure));
}

void AccessPage::SaveOptions(IniFile& Ini) const
{
    // The password stays out of the file: templates are shared and kept in plain text.
    Ini.writeInteger(kOptions, QStringLiteral("SourceType"), FAccessSourceType);
    if (!SelectedTable().isEmpty())
        Ini.writeString(kOptions, QStringLiteral("TableName"), SelectedTable());
    const QString query = QueryText();
    if (!query.isEmpty()) {
        const QStringList lines = query.split(u'\n');
        for (int i = 0; i < lines.size(); ++i)
            Ini.writeString(kSQL, QStringLiteral("Line_%1").arg(i), lines.at(i));
    }
}

void AccessPage::LoadTemplate(const IniFile& Ini)
{
    // A template written before the password was left out still brings it.
    SetAccessPassword(Ini.readString(kOptions, QStringLiteral("Password")));
    SetAccessSourceType(Ini.readInteger(kOptions, QStringLiteral("SourceType"), 0) == 1 ? 1 : 0);
    if (FAccessSourceType == 0) {
        FWantedTable = Ini.readString(kOptions, QStringLiteral("TableName"));
        if (SelectTable(FWantedTable))
            FWantedTable.clear();
    } else {
        QStringList lines;
        for (const QString& key : Ini.keys(kSQL))
            lines << Ini.readString(kSQL, key);
        SetQueryText(lines.join(u'\n'));
    }
    // The tables and fields are read now, so that going through the pages later does not read
    // them again and lose the template's pairs.
    std::exception_ptr failure;
    if (QFileInfo(F->FileName()).isFile()) {
        try {
            if (F->NeedReload)
                LoadAccessTables();
            AccessNeedFields = true;
            LoadAccessFields();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    Pairs->SetColumns(Pairs->Columns());
    Pairs->LoadSection(Ini, kMap);
    // The map is in place; what could not be read of the database is told now.
    if (failure)
        std::rethrow_exception(failure);
}

#include "import/wizard/pages/FormatsPage.h"

#include "ui_FormatsPage.h"

#include "import/engine/Durvel3.h"
#include "import/engine/support/DurvelUtils.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/dialogs/fuDurvel3ReplacementEdit.h"
#include "import/wizard/pages/PageBoxes.h"
#include "platform/ini/IniFile.h"

#include <QStackedWidget>
#include <limits>

namespace {

const QString kBaseFormats = QStringLiteral("BASE_FORMATS");
const QString kBooleanTrue = QStringLiteral("BOOLEAN_TRUE");
const QString kBooleanFalse = QStringLiteral("BOOLEAN_FALSE");
const QString kNullValues = QStringLiteral("NULL_VALUES");
const QString kDataFormats = QStringLiteral("DATA_FORMATS_");
const QString kReplacements = QStringLiteral("REPLACEMENTS_");

// The memo's lines as the word list holds them: a final line break ends the last word.
QStringList memoLines(const QPlainTextEdit* memo)
{
    QString text = memo->toPlainText();
    if (text.isEmpty())
        return {};
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

void setMemoLines(QPlainTextEdit* memo, const QStringList& lines)
{
    memo->setPlainText(lines.join(u'\n'));
}

// A template integer within [Low, High]; anything else keeps Current.
int readRanged(const IniFile& ini, const QString& section, const QString& key, int current, int low,
               int high)
{
    const qint64 v = ini.readInteger(section, key, current);
    return v >= low && v <= high ? int(v) : current;
}

QChar readSeparator(const IniFile& ini, const QString& key, QChar current)
{
    const QChar c =
        SepTextToChar(ini.readString(kBaseFormats, key, CharToSepText(current)), current);
    return c.isNull() ? current : c;
}

} // namespace

FormatsPage::FormatsPage(TDurvel3WizardF* Form) : QWidget(Form), ui(new Ui::tsFormats), F(Form)
{
    ui->setupUi(this);
    ui->lstFormatFields->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->lvReplacements->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->lvReplacements->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->lstFormatFields->setEditTriggers(QAbstractItemView::NoEditTriggers);

    const struct
    {
        QLineEdit* edit;
        void (FormatsPage::*setter)(QChar);
        QChar TDurvelFormats::*value;
    } separators[] = {
        {ui->edtDecimalSeparator, &FormatsPage::SetDecimalSeparator,
         &TDurvelFormats::DecimalSeparator},
        {ui->edtThousandSeparator, &FormatsPage::SetThousandSeparator,
         &TDurvelFormats::ThousandSeparator},
        {ui->edtDateSeparator, &FormatsPage::SetDateSeparator, &TDurvelFormats::DateSeparator},
        {ui->edtTimeSeparator, &FormatsPage::SetTimeSeparator, &TDurvelFormats::TimeSeparator},
    };
    for (const auto& s : separators) {
        QLineEdit* edit = s.edit;
        const auto setter = s.setter;
        const auto value = s.value;
        connect(edit, &QLineEdit::editingFinished, this, F->Guard([this, edit, setter, value] {
            SeparatorExit(edit, setter, FFormats.*value);
        }));
    }
    connect(ui->edtShortDateFormat, &QLineEdit::textChanged, this,
            F->Guard(this, &FormatsPage::SetShortDateFormat));
    connect(ui->edtLongDateFormat, &QLineEdit::textChanged, this,
            F->Guard(this, &FormatsPage::SetLongDateFormat));
    connect(ui->edtShortTimeFormat, &QLineEdit::textChanged, this,
            F->Guard(this, &FormatsPage::SetShortTimeFormat));
    connect(ui->edtLongTimeFormat, &QLineEdit::textChanged, this,
            F->Guard(this, &FormatsPage::SetLongTimeFormat));

    for (QLineEdit* e :
         {ui->edtGeneratorValue, ui->edtGeneratorStep, ui->edtConstantValue, ui->edtNullValue,
          ui->edtDefaultValue, ui->edtLeftQuote, ui->edtRightQuote})
        connect(e, &QLineEdit::textChanged, this, F->Guard(this, &FormatsPage::EditorChanged));
    for (QComboBox* c : {ui->cmbQuoteAction, ui->cmbCharCase, ui->cmbCharSet})
        connect(c, &QComboBox::currentIndexChanged, this,
                F->Guard(this, &FormatsPage::EditorChanged));

    connect(ui->lstFormatFields, &QTreeWidget::itemSelectionChanged, this,
            F->Guard(this, &FormatsPage::FieldChanged));
    connect(ui->lstFormatFields, &QTreeWidget::currentItemChanged, this,
            F->Guard(this, &FormatsPage::FieldChanged));
    connect(ui->lvReplacements, &QTreeWidget::itemSelectionChanged, F,
            F->Guard(F, &TDurvel3WizardF::TuneButtons));
    connect(ui->lvReplacements, &QTreeWidget::currentItemChanged, F,
            F->Guard(F, &TDurvel3WizardF::TuneButtons));
    connect(ui->lvReplacements, &QTreeWidget::itemDoubleClicked, this, F->Guard([this] {
        if (ui->tbtEditReplacement->isEnabled())
            tbtEditReplacementClick();
    }));
    connect(ui->tbtAddReplacement, &QToolButton::clicked, this,
            F->Guard(this, &FormatsPage::tbtAddReplacementClick));
    connect(ui->tbtEditReplacement, &QToolButton::clicked, this,
            F->Guard(this, &FormatsPage::tbtEditReplacementClick));
    connect(ui->tbtDelReplacement, &QToolButton::clicked, this,
            F->Guard(this, &FormatsPage::tbtDelReplacementClick));
    connect(ui->pgFormats, &QTabWidget::currentChanged, this,
            F->Guard(this, &FormatsPage::pgFormatsChange));

    // Every value shown, also those equal to the start values.
    for (const auto& s : separators)
        s.edit->setText(CharToSepText(FFormats.*(s.value)));
    SetBoxText(ui->edtShortDateFormat, FFormats.ShortDateFormat);
    SetBoxText(ui->edtLongDateFormat, FFormats.LongDateFormat);
    SetBoxText(ui->edtShortTimeFormat, FFormats.ShortTimeFormat);
    SetBoxText(ui->edtLongTimeFormat, FFormats.LongTimeFormat);
    TuneEditors();
    TuneReplacementButtons(false);
}

FormatsPage::~FormatsPage()
{
    // The lists' signals must not reach the editors while the widgets go.
    FDestroying = true;
    ui->lstFormatFields->blockSignals(true);
    ui->lvReplacements->blockSignals(true);
}

// ---- base formats ------------------------------------------------------------------------------

void FormatsPage::LoadFromWizard(const TDurvel3Wizard& Wizard)
{
    const TDurvelFormats& w = Wizard.Formats();
    SetDecimalSeparator(w.DecimalSeparator);
    SetThousandSeparator(w.ThousandSeparator);
    SetDateSeparator(w.DateSeparator);
    SetTimeSeparator(w.TimeSeparator);
    SetShortDateFormat(w.ShortDateFormat);
    SetLongDateFormat(w.LongDateFormat);
    SetShortTimeFormat(w.ShortTimeFormat);
    SetLongTimeFormat(w.LongTimeFormat);
}

void FormatsPage::LoadWordLists(const TDurvel3Wizard& Wizard)
{
    setMemoLines(ui->mmBooleanTrue, Wizard.Formats().BooleanTrue().ToStringList());
    setMemoLines(ui->mmBooleanFalse, Wizard.Formats().BooleanFalse().ToStringList());
    setMemoLines(ui->mmNullValues, Wizard.Formats().NullValues().ToStringList());
}

QStringList FormatsPage::BooleanTrue() const
{
    return memoLines(ui->mmBooleanTrue);
}

QStringList FormatsPage::BooleanFalse() const
{
    return memoLines(ui->mmBooleanFalse);
}

QStringList FormatsPage::NullValues() const
{
    return memoLines(ui->mmNullValues);
}

void FormatsPage::SetSeparator(QChar& Stored, QLineEdit* Edit, QChar Value)
{
    if (Value == Stored)
        return;
    Stored = Value;
    SetBoxText(Edit, CharToSepText(Value));
}

void FormatsPage::SetFormatText(QString& Stored, QLineEdit* Edit, const QString& Value)
{
    if (Value == Stored)
        return;
    Stored = Value;
    SetBoxText(Edit, Value);
}

void FormatsPage::SetDecimalSeparator(QChar Value)
{
    SetSeparator(FFormats.DecimalSeparator, ui->edtDecimalSeparator, Value);
}

void FormatsPage::SetThousandSeparator(QChar Value)
{
    SetSeparator(FFormats.ThousandSeparator, ui->edtThousandSeparator, Value);
}

void FormatsPage::SetDateSeparator(QChar Value)
{
    SetSeparator(FFormats.DateSeparator, ui->edtDateSeparator, Value);
}

void FormatsPage::SetTimeSeparator(QChar Value)
{
    SetSeparator(FFormats.TimeSeparator, ui->edtTimeSeparator, Value);
}

void FormatsPage::SetShortDateFormat(const QString& Value)
{
    SetFormatText(FFormats.ShortDateFormat, ui->edtShortDateFormat, Value);
}

void FormatsPage::SetLongDateFormat(const QString& Value)
{
    SetFormatText(FFormats.LongDateFormat, ui->edtLongDateFormat, Value);
}

void FormatsPage::SetShortTimeFormat(const QString& Value)
{
    SetFormatText(FFormats.ShortTimeFormat, ui->edtShortTimeFormat, Value);
}

void FormatsPage::SetLongTimeFormat(const QString& Value)
{
    SetFormatText(FFormats.LongTimeFormat, ui->edtLongTimeFormat, Value);
}

// An empty box keeps the separator; so does a number sign without a usable code, since a
// separator #0 would break every number and date of the import.
void FormatsPage::SeparatorExit(QLineEdit* Edit, void (FormatsPage::*Setter)(QChar), QChar Current)
{
    const QChar c = SepTextToChar(Edit->text(), Current);
    if (!c.isNull())
        (this->*Setter)(c);
}

// ---- field formats -----------------------------------------------------------------------------

void FormatsPage::FillFormatFields(const QStringList& Columns, const TDurvelFieldFormats& Formats)
{
    {
        const QSignalBlocker block(ui->lstFormatFields);
        ui->lstFormatFields->clear();
        FFieldFormats.clear();
    }
    for (const QString& column : Columns) {
        auto format = std::make_unique<TDurvelFieldFormat>();
        format->FieldName = column;
        const int at = Formats.IndexByName(column);
        if (at >= 0) {
            const TDurvelFieldFormat* w = Formats.Items(at);
            format->GeneratorValue = w->GeneratorValue;
            format->GeneratorStep = w->GeneratorStep;
            format->ConstantValue = w->ConstantValue;
            format->NullValue = w->NullValue;
            format->DefaultValue = w->DefaultValue;
            format->QuoteAction = w->QuoteAction;
            format->LeftQuote = w->LeftQuote;
            format->RightQuote = w->RightQuote;
            format->CharCase = w->CharCase;
            format->CharSet = w->CharSet;
        }
        auto* item = new QTreeWidgetItem(QStringList{column});
        item->setData(0, Qt::UserRole, int(FFieldFormats.size()));
        FFieldFormats.push_back(std::move(format));
        const QSignalBlocker block(ui->lstFormatFields);
        ui->lstFormatFields->addTopLevelItem(item);
    }
    if (QTreeWidgetItem* first = ui->lstFormatFields->topLevelItem(0)) {
        ui->lstFormatFields->setCurrentItem(first);
        first->setSelected(true);
        ShowFieldFormat(first);
    } else {
        ShowFieldFormat(nullptr);
    }
}

TDurvelFieldFormat* FormatsPage::FieldFormat(int Index) const
{
    if (Index < 0 || Index >= FieldCount())
        return nullptr;
    return FFieldFormats[std::size_t(Index)].get();
}

int FormatsPage::FieldIndex(const QString& Name) const
{
    for (int i = 0; i < FieldCount(); ++i)
        if (FFieldFormats[std::size_t(i)]->FieldName.trimmed().compare(Name.trimmed(),
                                                                       Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TDurvelFieldFormat* FormatsPage::FieldFormat(const QString& Name) const
{
    return FieldFormat(FieldIndex(Name));
}

TDurvelFieldFormat* FormatsPage::SelectedFormat() const
{
    QTreeWidgetItem* item = ui->lstFormatFields->currentItem();
    if (!item || !item->isSelected())
        return nullptr;
    return FieldFormat(item->data(0, Qt::UserRole).toInt());
}

bool FormatsPage::FieldSelected() const
{
    return SelectedFormat() != nullptr;
}

bool FormatsPage::ReplacementSelected() const
{
    QTreeWidgetItem* item = ui->lvReplacements->currentItem();
    return item && item->isSelected();
}

void FormatsPage::TuneReplacementButtons(bool EnabledStep)
{
    const bool field = EnabledStep && FieldSelected();
    ui->tbtAddReplacement->setEnabled(field);
    ui->tbtEditReplacement->setEnabled(field && ReplacementSelected());
    ui->tbtDelReplacement->setEnabled(field && ReplacementSelected());
}

void FormatsPage::ShowFieldFormat(QTreeWidgetItem* Item)
{
    const TDurvelFieldFormat* format =
        Item ? FieldFormat(Item->data(0, Qt::UserRole).toInt()) : nullptr;
    static const TDurvelFieldFormat none;
    const TDurvelFieldFormat& f = format ? *format : none;
    FormatsLoading = true;
    SetBoxText(ui->edtGeneratorValue, QString::number(f.GeneratorValue));
    SetBoxText(ui->edtGeneratorStep, QString::number(f.GeneratorStep));
    SetBoxText(ui->edtConstantValue, f.ConstantValue);
    SetBoxText(ui->edtNullValue, f.NullValue);
    SetBoxText(ui->edtDefaultValue, f.DefaultValue);
    SetBoxText(ui->edtLeftQuote, f.LeftQuote);
    SetBoxText(ui->edtRightQuote, f.RightQuote);
    ui->cmbQuoteAction->setCurrentIndex(int(f.QuoteAction));
    ui->cmbCharCase->setCurrentIndex(int(f.CharCase));
    ui->cmbCharSet->setCurrentIndex(int(f.CharSet));
    FillReplacements(f);
    TuneEditors();
    FormatsLoading = false;
}

void FormatsPage::SetReplacementItem(QTreeWidgetItem* Item, const TDurvelReplacement& R) const
{
    Item->setText(0, R.TextToFind);
    Item->setText(1, R.ReplaceWith);
    Item->setText(2, R.IgnoreCase ? QStringLiteral("Yes") : QStringLiteral("No"));
}

void FormatsPage::FillReplacements(const TDurvelFieldFormat& Format)
{
    const QSignalBlocker block(ui->lvReplacements);
    ui->lvReplacements->clear();
    for (int i = 0; i < Format.Replacements().Count(); ++i) {
        auto* item = new QTreeWidgetItem;
        SetReplacementItem(item, *Format.Replacements().Items(i));
        ui->lvReplacements->addTopLevelItem(item);
    }
    if (QTreeWidgetItem* first = ui->lvReplacements->topLevelItem(0)) {
        ui->lvReplacements->setCurrentItem(first);
        first->setSelected(true);
    }
}

void FormatsPage::FieldChanged()
{
    if (FDestroying)
        return;
    QTreeWidgetItem* item = ui->lstFormatFields->currentItem();
    if (item && item->isSelected())
        ShowFieldFormat(item);
    F->TuneButtons();
}

void FormatsPage::EditorChanged()
{
    TDurvelFieldFormat* f = SelectedFormat();
    if (FormatsLoading || !f)
        return;
    f->GeneratorValue = BoxNumber(ui->edtGeneratorValue->text(), 0);
    f->GeneratorStep = BoxNumber(ui->edtGeneratorStep->text(), 0);
    f->ConstantValue = ui->edtConstantValue->text();
    f->NullValue = ui->edtNullValue->text();
    f->DefaultValue = ui->edtDefaultValue->text();
    f->LeftQuote = ui->edtLeftQuote->text();
    f->RightQuote = ui->edtRightQuote->text();
    f->QuoteAction = TDurvelQuoteAction(qMax(0, ui->cmbQuoteAction->currentIndex()));
    f->CharCase = TDurvelCharCase(qMax(0, ui->cmbCharCase->currentIndex()));
    f->CharSet = TDurvelCharSet(qMax(0, ui->cmbCharSet->currentIndex()));
    TuneEditors();
}

// A field takes a generator, or a constant, or null and default values; quotes, letter case
// and character set only without a generator.
void FormatsPage::TuneEditors()
{
    const bool othersEmpty =
        ui->edtConstantValue->text().isEmpty() && ui->edtNullValue->text().isEmpty() &&
        ui->edtDefaultValue->text().isEmpty() && ui->edtLeftQuote->text().isEmpty() &&
        ui->edtRightQuote->text().isEmpty() && ui->cmbQuoteAction->currentIndex() <= 0 &&
        ui->cmbCharCase->currentIndex() <= 0 && ui->cmbCharSet->currentIndex() <= 0;
    const bool generator = BoxNumber(ui->edtGeneratorStep->text(), 0) != 0;
    const auto enable = [](std::initializer_list<QWidget*> widgets, bool on) {
        for (QWidget* w : widgets)
            w->setEnabled(on);
    };
    enable({ui->edtGeneratorValue, ui->laGeneratorValue, ui->edtGeneratorStep, ui->laGeneratorStep},
           othersEmpty);
    enable({ui->edtConstantValue, ui->laConstantValue}, !generator &&
                                                            ui->edtNullValue->text().isEmpty() &&
                                                            ui->edtDefaultValue->text().isEmpty());
    enable({ui->edtNullValue, ui->laNullValue, ui->edtDefaultValue, ui->laDefaultValue},
           !generator && ui->edtConstantValue->text().isEmpty());
    enable({ui->edtLeftQuote, ui->laLeftQuote, ui->edtRightQuote, ui->laRightQuote,
            ui->cmbQuoteAction, ui->laQuoteAction, ui->cmbCharCase, ui->laCharCase, ui->cmbCharSet,
            ui->laCharSet},
           !generator);
}

void FormatsPage::pgFormatsChange(int Index)
{
    if (FDestroying || ui->pgFormats->widget(Index) != ui->tshDataFormats)
        return;
    ui->lstFormatFields->setFocus();
    QTreeWidgetItem* current = ui->lstFormatFields->currentItem();
    if (ui->lstFormatFields->topLevelItemCount() > 0 && !(current && current->isSelected())) {
        QTreeWidgetItem* first = ui->lstFormatFields->topLevelItem(0);
        ui->lstFormatFields->setCurrentItem(first);
        first->setSelected(true);
        ShowFieldFormat(first);
        F->TuneButtons();
    }
}

void FormatsPage::ShowFormatsPage(const QString& StepText)
{
    ui->laFormatsStep->setText(StepText);
    ui->pgFieldOptions->setCurrentWidget(ui->tsFieldTuning);
    ui->pgFormats->setCurrentWidget(ui->tshBaseFormats);
    if (auto* stack = qobject_cast<QStackedWidget*>(parentWidget()))
        stack->setCurrentWidget(this);
}

// ---- replacements ------------------------------------------------------------------------------

void FormatsPage::tbtAddReplacementClick()
{
    TDurvelFieldFormat* f = SelectedFormat();
    if (!f)
        return;
    QString find, replace;
    bool ignoreCase = false;
    if (EditReplacement(find, replace, ignoreCase, this)) {
        TDurvelReplacement* r = f->Replacements().Add();
        r->TextToFind = find;
        r->ReplaceWith = replace;
        r->IgnoreCase = ignoreCase;
        auto* item = new QTreeWidgetItem;
        SetReplacementItem(item, *r);
        const QSignalBlocker block(ui->lvReplacements);
        ui->lvReplacements->addTopLevelItem(item);
        ui->lvReplacements->clearSelection();
        ui->lvReplacements->setCurrentItem(item);
        item->setSelected(true);
    }
    F->TuneButtons();
}

void FormatsPage::tbtEditReplacementClick()
{
    TDurvelFieldFormat* f = SelectedFormat();
    QTreeWidgetItem* item = ui->lvReplacements->currentItem();
    const int at = item ? ui->lvReplacements->indexOfTopLevelItem(item) : -1;
    if (f && at >= 0 && at < f->Replacements().Count()) {
        TDurvelReplacement* r = f->Replacements().Items(at);
        QString find = r->TextToFind, replace = r->ReplaceWith;
        bool ignoreCase = r->IgnoreCase;
        if (EditReplacement(find, replace, ignoreCase, this)) {
            r->TextToFind = find;
            r->ReplaceWith = replace;
            r->IgnoreCase = ignoreCase;
            SetReplacementItem(item, *r);
        }
    }
    F->TuneButtons();
}

void FormatsPage::tbtDelReplacementClick()
{
    TDurvelFieldFormat* f = SelectedFormat();
    QTreeWidgetItem* item = ui->lvReplacements->currentItem();
    const int at = item ? ui->lvReplacements->indexOfTopLevelItem(item) : -1;
    if (f && at >= 0 && at < f->Replacements().Count() && item->isSelected()) {
        f->Replacements().Delete(at);
        delete item;
    }
    F->TuneButtons();
}

// ---- the run and templates ---------------------------------------------------------------------

void FormatsPage::CopyInto(TDurvel3& Reader) const
{
    TDurvelFormats& r = Reader.Formats();
    r.DecimalSeparator = FFormats.DecimalSeparator;
    r.ThousandSeparator = FFormats.ThousandSeparator;
    r.ShortDateFormat = FFormats.ShortDateFormat;
    r.LongDateFormat = FFormats.LongDateFormat;
    r.DateSeparator = FFormats.DateSeparator;
    r.ShortTimeFormat = FFormats.ShortTimeFormat;
    r.LongTimeFormat = FFormats.LongTimeFormat;
    r.TimeSeparator = FFormats.TimeSeparator;
    r.BooleanTrue().Assign(BooleanTrue());
    r.BooleanFalse().Assign(BooleanFalse());
    r.NullValues().Assign(NullValues());

    TDurvelFieldFormats& formats = Reader.FieldFormats();
    for (const auto& f : FFieldFormats) {
        const int at = formats.IndexByName(f->FieldName);
        if (at >= 0)
            formats.Items(at)->Assign(*f);
        else if (!f->IsDefault())
            formats.Add()->Assign(*f);
    }
}

void FormatsPage::SaveTemplate(IniFile& Ini) const
{
    Ini.writeString(kBaseFormats, QStringLiteral("DecimalSeparator"),
                    CharToSepText(FFormats.DecimalSeparator));
    Ini.writeString(kBaseFormats, QStringLiteral("ThousandSeparator"),
                    CharToSepText(FFormats.ThousandSeparator));
    Ini.writeString(kBaseFormats, QStringLiteral("ShortDateFormat"), FFormats.ShortDateFormat);
    Ini.writeString(kBaseFormats, QStringLiteral("LongDateFormat"), FFormats.LongDateFormat);
    Ini.writeString(kBaseFormats, QStringLiteral("DateSeparator"),
                    CharToSepText(FFormats.DateSeparator));
    Ini.writeString(kBaseFormats, QStringLiteral("ShortTimeFormat"), FFormats.ShortTimeFormat);
    Ini.writeString(kBaseFormats, QStringLiteral("LongTimeFormat"), FFormats.LongTimeFormat);
    Ini.writeString(kBaseFormats, QStringLiteral("TimeSeparator"),
                    CharToSepText(FFormats.TimeSeparator));

    const auto writeList = [&Ini](const QString& section, const QStringList& words) {
        for (const QString& word : words)
            Ini.writeString(section, word, QString());
    };
    writeList(kBooleanTrue, BooleanTrue());
    writeList(kBooleanFalse, BooleanFalse());
    writeList(kNullValues, NullValues());

    for (const auto& f : FFieldFormats) {
        // An ini section name cannot keep blanks at its ends; loading matches names trimmed.
        const QString name = f->FieldName.trimmed().toUpper();
        const QString section = kDataFormats + name;
        if (f->GeneratorStep != 0) {
            Ini.writeInteger(section, QStringLiteral("GeneratorValue"), f->GeneratorValue);
            Ini.writeInteger(section, QStringLiteral("GeneratorStep"), f->GeneratorStep);
            continue;
        }
        const auto writeText = [&](const QString& key, const QString& value) {
            if (!value.isEmpty())
                Ini.writeString(section, key, value);
        };
        const auto writeChoice = [&](const QString& key, int value) {
            if (value != 0)
                Ini.writeInteger(section, key, value);
        };
        writeText(QStringLiteral("ConstantValue"), f->ConstantValue);
        if (f->ConstantValue.isEmpty()) {
            writeText(QStringLiteral("NullValue"), f->NullValue);
            writeText(QStringLiteral("DefaultValue"), f->DefaultValue);
        }
        writeText(QStringLiteral("LeftQuote"), f->LeftQuote);
        writeText(QStringLiteral("RightQuote"), f->RightQuote);
        writeChoice(QStringLiteral("QuoteAction"), f->QuoteAction);
        writeChoice(QStringLiteral("CharCase"), f->CharCase);
        writeChoice(QStringLiteral("CharSet"), f->CharSet);
        for (int i = 0; i < f->Replacements().Count(); ++i) {
            const TDurvelReplacement* r = f->Replacements().Items(i);
            const QString rs = QStringLiteral("%1%2_%3").arg(kReplacements, name).arg(i);
            Ini.writeString(rs, QStringLiteral("TextToFind"), r->TextToFind);
            Ini.writeString(rs, QStringLiteral("ReplaceWith"), r->ReplaceWith);
            Ini.writeBool(rs, QStringLiteral("IgnoreCase"), r->IgnoreCase);
        }
    }
}

void FormatsPage::LoadTemplate(const IniFile& Ini, const TDurvel3Wizard& Wizard)
{
    const TDurvelFormats& w = Wizard.Formats();
    SetDecimalSeparator(readSeparator(Ini, QStringLiteral("DecimalSeparator"), w.DecimalSeparator));
    SetThousandSeparator(
        readSeparator(Ini, QStringLiteral("ThousandSeparator"), w.ThousandSeparator));
    SetShortDateFormat(
        Ini.readString(kBaseFormats, QStringLiteral("ShortDateFormat"), w.ShortDateFormat));
    SetLongDateFormat(
        Ini.readString(kBaseFormats, QStringLiteral("LongDateFormat"), w.LongDateFormat));
    SetDateSeparator(readSeparator(Ini, QStringLiteral("DateSeparator"), w.DateSeparator));
    SetShortTimeFormat(
        Ini.readString(kBaseFormats, QStringLiteral("ShortTimeFormat"), w.ShortTimeFormat));
    SetLongTimeFormat(
        Ini.readString(kBaseFormats, QStringLiteral("LongTimeFormat"), w.LongTimeFormat));
    SetTimeSeparator(readSeparator(Ini, QStringLiteral("TimeSeparator"), w.TimeSeparator));

    setMemoLines(ui->mmBooleanTrue, Ini.keys(kBooleanTrue));
    setMemoLines(ui->mmBooleanFalse, Ini.keys(kBooleanFalse));
    setMemoLines(ui->mmNullValues, Ini.keys(kNullValues));

    constexpr int intMin = std::numeric_limits<int>::min();
    constexpr int intMax = std::numeric_limits<int>::max();
    for (const QString& section : Ini.sections()) {
        if (section.startsWith(kDataFormats, Qt::CaseInsensitive)) {
            TDurvelFieldFormat* f = FieldFormat(section.mid(kDataFormats.size()));
            if (!f)
                continue;
            const auto text = [&](const QString& key, QString& value) {
                value = Ini.readString(section, key, value);
            };
            f->GeneratorValue = readRanged(Ini, section, QStringLiteral("GeneratorValue"),
                                           f->GeneratorValue, intMin, intMax);
            f->GeneratorStep = readRanged(Ini, section, QStringLiteral("GeneratorStep"),
                                          f->GeneratorStep, intMin, intMax);
            text(QStringLiteral("ConstantValue"), f->ConstantValue);
            text(QStringLiteral("NullValue"), f->NullValue);
            text(QStringLiteral("DefaultValue"), f->DefaultValue);
            text(QStringLiteral("LeftQuote"), f->LeftQuote);
            text(QStringLiteral("RightQuote"), f->RightQuote);
            f->QuoteAction = TDurvelQuoteAction(
                readRanged(Ini, section, QStringLiteral("QuoteAction"), f->QuoteAction, 0, 2));
            f->CharCase = TDurvelCharCase(
                readRanged(Ini, section, QStringLiteral("CharCase"), f->CharCase, 0, 4));
            f->CharSet = TDurvelCharSet(
                readRanged(Ini, section, QStringLiteral("CharSet"), f->CharSet, 0, 2));
        } else if (section.startsWith(kReplacements, Qt::CaseInsensitive)) {
            const int last = section.lastIndexOf(u'_');
            if (last < kReplacements.size())
                continue;
            TDurvelFieldFormat* f =
                FieldFormat(section.mid(kReplacements.size(), last - kReplacements.size()));
            if (!f)
                continue;
            const QString find = Ini.readString(section, QStringLiteral("TextToFind"));
            const QString replace = Ini.readString(section, QStringLiteral("ReplaceWith"));
            const bool ignoreCase = Ini.readBool(section, QStringLiteral("IgnoreCase"), false);
            if (!f->Replacements().ItemExists(find, replace, ignoreCase)) {
                TDurvelReplacement* r = f->Replacements().Add();
                r->TextToFind = find;
                r->ReplaceWith = replace;
                r->IgnoreCase = ignoreCase;
            }
        }
    }
    // The selected field's editors show what the template gave it.
    QTreeWidgetItem* current = ui->lstFormatFields->currentItem();
    ShowFieldFormat(current && current->isSelected() ? current : nullptr);
}

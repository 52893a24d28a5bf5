#include "import/wizard/dialogs/fuDurvel3XLSRangeEdit.h"

#include "ui_fuDurvel3XLSRangeEdit.h"

#include "import/engine/support/SheetWorkbook.h"
#include "platform/dialogs/Dialogs.h"

namespace {

enum { rtCol = 0, rtRow = 1, rtCell = 2 };

// Selects the entry equal to Text, adding it when the list lacks it, so a range read from a
// template that names a sheet this workbook does not have keeps its sheet on OK.
void chooseEntry(QComboBox* Box, const QString& Text)
{
    if (Text.isEmpty())
        return;
    int i = Box->findText(Text, Qt::MatchFixedString);
    if (i < 0) {
        Box->addItem(Text);
        i = Box->count() - 1;
    }
    Box->setCurrentIndex(i);
}

} // namespace

TfmDurvel3XLSRangeEdit::TfmDurvel3XLSRangeEdit(QWidget* Parent)
    : QDialog(Parent), ui(new Ui::TfmDurvel3XLSRangeEdit)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(ui->bOk, &QPushButton::clicked, this, &TfmDurvel3XLSRangeEdit::accept);
    connect(ui->bCancel, &QPushButton::clicked, this, &TfmDurvel3XLSRangeEdit::reject);
    connect(ui->cbRangeType, &QComboBox::currentIndexChanged, this,
            &TfmDurvel3XLSRangeEdit::UpdateControls);
    for (QRadioButton* rb :
         {ui->rbStartData, ui->rbStartColRow, ui->rbFinishData, ui->rbFinishColRow,
          ui->rbDirection0, ui->rbDirection1, ui->rbDefaultSheet, ui->rbCustomSheet,
          ui->rbSheetNumber, ui->rbSheetName})
        connect(rb, &QRadioButton::toggled, this, &TfmDurvel3XLSRangeEdit::UpdateControls);
    UpdateControls();
}

TfmDurvel3XLSRangeEdit::~TfmDurvel3XLSRangeEdit() = default;

int TfmDurvel3XLSRangeEdit::RangeType() const
{
    return ui->cbRangeType->currentIndex();
}

void TfmDurvel3XLSRangeEdit::FillSheets(const TSheetWorkbook* Workbook)
{
    ui->edSheetNumber->clear();
    ui->edSheetName->clear();
    if (!Workbook || !Workbook->IsLoaded())
        return;
    for (int i = 0; i < Workbook->SheetCount(); ++i) {
        ui->edSheetNumber->addItem(QString::number(i + 1));
        ui->edSheetName->addItem(Workbook->SheetName(i));
    }
}

void TfmDurvel3XLSRangeEdit::LoadControls()
{
    const int type = Range.Kind() == TMapRange::rkRow    ? rtRow
                     : Range.Kind() == TMapRange::rkCell ? rtCell
                                                         : rtCol;
    ui->cbRangeType->setCurrentIndex(type);
    const auto ends = [this](int Start, int Finish, const QString& StartText,
                             const QString& FinishText) {
        (Start == 0 ? ui->rbStartData : ui->rbStartColRow)->setChecked(true);
        ui->edStartColRow->setText(Start == 0 ? QString() : StartText);
        (Finish == 0 ? ui->rbFinishData : ui->rbFinishColRow)->setChecked(true);
        ui->edFinishColRow->setText(Finish == 0 ? QString() : FinishText);
        if ((Start == 0 || Finish == 0) && Range.Direction != TMapRange::dirUnset)
            (Range.Direction == TMapRange::dirBackward ? ui->rbDirection1 : ui->rbDirection0)
                ->setChecked(true);
    };
    switch (type) {
    case rtCol:
        ui->edColRowCell->setText(MapColIndexToLetters(Range.StartCol));
        ends(Range.StartRow, Range.FinishRow, QString::number(Range.StartRow),
             QString::number(Range.FinishRow));
        break;
    case rtRow:
        ui->edColRowCell->setText(QString::number(Range.StartRow));
        ends(Range.StartCol, Range.FinishCol, MapColIndexToLetters(Range.StartCol),
             MapColIndexToLetters(Range.FinishCol));
        break;
    default:
        ui->edColRowCell->setText(MapColIndexToLetters(Range.StartCol) +
                                  QString::number(Range.StartRow));
    }
    (Range.SheetKind == TMapRange::skAny ? ui->rbDefaultSheet : ui->rbCustomSheet)
        ->setChecked(true);
    (Range.SheetKind == TMapRange::skName ? ui->rbSheetName : ui->rbSheetNumber)->setChecked(true);
    if (Range.SheetKind == TMapRange::skNumber)
        chooseEntry(ui->edSheetNumber, QString::number(Range.SheetNumber));
    else if (Range.SheetKind == TMapRange::skName)
        chooseEntry(ui->edSheetName, Range.SheetName);
    UpdateControls();
    ui->edColRowCell->setFocus();
    ui->edColRowCell->selectAll();
}

void TfmDurvel3XLSRangeEdit::UpdateControls()
{
    const int type = RangeType();
    const bool run = type == rtCol || type == rtRow;
    if (type == rtCol) {
        ui->laColRowCell->setText(QStringLiteral("Col"));
        ui->rbStartColRow->setText(QStringLiteral("Start Row"));
        ui->rbFinishColRow->setText(QStringLiteral("Finish Row"));
        ui->rbDirection0->setText(QStringLiteral("Down"));
        ui->rbDirection1->setText(QStringLiteral("Up"));
    } else if (type == rtRow) {
        ui->laColRowCell->setText(QStringLiteral("Row"));
        ui->rbStartColRow->setText(QStringLiteral("Start Col"));
        ui->rbFinishColRow->setText(QStringLiteral("Finish Col"));
        ui->rbDirection0->setText(QStringLiteral("Right"));
        ui->rbDirection1->setText(QStringLiteral("Left"));
    } else {
        ui->laColRowCell->setText(QStringLiteral("Cell"));
    }
    ui->bCancel->setText(QStringLiteral("Cancel"));
    for (QRadioButton* rb : {ui->rbStartData, ui->rbStartColRow, ui->rbFinishData,
                             ui->rbFinishColRow, ui->rbDefaultSheet, ui->rbCustomSheet})
        rb->setEnabled(run);
    ui->edStartColRow->setEnabled(run && ui->rbStartColRow->isChecked());
    ui->edFinishColRow->setEnabled(run && ui->rbFinishColRow->isChecked());
    ui->rgDirection->setEnabled(run &&
                                (ui->rbStartData->isChecked() || ui->rbFinishData->isChecked()));
    const bool custom = run && ui->rbCustomSheet->isChecked();
    ui->rbSheetNumber->setEnabled(custom);
    ui->rbSheetName->setEnabled(custom);
    ui->edSheetNumber->setEnabled(custom && ui->rbSheetNumber->isChecked());
    ui->edSheetName->setEnabled(custom && ui->rbSheetName->isChecked());
}

void TfmDurvel3XLSRangeEdit::ApplyControls()
{
    // The box being read, to put the cursor there when it does not parse.
    QWidget* reading = nullptr;
    try {
        TMapRange w;
        w.Assign(Range);
        quint8 runKind = TMapRange::rkUndetermined;
        const int type = RangeType();
        if (type == rtCol || type == rtRow) {
            const bool col = type == rtCol;
            const auto end = [&](QRadioButton* Given, QLineEdit* Edit) {
                if (!Given->isChecked())
                    return 0;
                reading = Edit;
                return col ? ParseRowDefinition(Edit->text()) : ParseColDefinition(Edit->text());
            };
            reading = ui->edColRowCell;
            const int line = col ? ParseColDefinition(ui->edColRowCell->text())
                                 : ParseRowDefinition(ui->edColRowCell->text());
            const int start = end(ui->rbStartColRow, ui->edStartColRow);
            const int finish = end(ui->rbFinishColRow, ui->edFinishColRow);
            w.StartCol = col ? line : start;
            w.FinishCol = col ? line : finish;
            w.StartRow = col ? start : line;
            w.FinishRow = col ? finish : line;
            if (start != 0 && finish != 0) {
                if (start < finish)
                    w.Direction = TMapRange::dirForward;
                else if (start > finish)
                    w.Direction = TMapRange::dirBackward;
                else if (start > 1)
                    w.Direction = TMapRange::dirUnset; // one cell
                // Both ends at the first line: the run and its direction stay.
                else
                    runKind = col ? TMapRange::rkColumn : TMapRange::rkRow;
            } else {
                w.Direction =
                    ui->rbDirection1->isChecked() ? TMapRange::dirBackward : TMapRange::dirForward;
            }
        } else {
            reading = ui->edColRowCell;
            int c = 0;
            int r = 0;
            ParseCellDefinition(ui->edColRowCell->text(), c, r);
            w.StartCol = w.FinishCol = c;
            w.StartRow = w.FinishRow = r;
            w.Direction = TMapRange::dirUnset;
        }
        if (ui->rbDefaultSheet->isChecked()) {
            w.SheetKind = TMapRange::skAny;
            w.SheetNumber = 0;
            w.SheetName.clear();
        } else if (ui->rbSheetNumber->isChecked()) {
            reading = ui->edSheetNumber;
            w.SheetKind = TMapRange::skNumber;
            w.SheetNumber = ParseSheetNumberDefinition(ui->edSheetNumber->currentText());
            w.SheetName.clear();
        } else {
            reading = ui->edSheetName;
            w.SheetKind = TMapRange::skName;
            w.SheetNumber = 0;
            w.SheetName = ParseSheetNameDefinition(ui->edSheetName->currentText());
        }
        w.KeepRun(runKind);
        Range.Assign(w);
        Range.KeepRun(runKind);
    } catch (const EMapRangeError&) {
        if (reading) {
            reading->setFocus();
            if (auto* edit = qobject_cast<QLineEdit*>(reading))
                edit->selectAll();
        }
        throw;
    }
}

void TfmDurvel3XLSRangeEdit::accept()
{
    try {
        ApplyControls();
    } catch (const EMapRangeError& e) {
        dialogs::showError(e.message(), this);
        return;
    }
    QDialog::accept();
}

bool EditRange(TMapRange& Range, const TSheetWorkbook* Workbook, QWidget* Parent)
{
    TfmDurvel3XLSRangeEdit dialog(Parent);
    dialog.Range.Assign(Range);
    dialog.Range.KeepRun(Range.Kind());
    dialog.FillSheets(Workbook);
    dialog.LoadControls();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Range.Assign(dialog.Range);
    Range.KeepRun(dialog.Range.Kind());
    return true;
}

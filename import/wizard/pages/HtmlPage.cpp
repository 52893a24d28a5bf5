#include "import/wizard/pages/HtmlPage.h"

#include "ui_HtmlPage.h"

#include "import/wizard/pages/PageLimits.h"

#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "import/wizard/widgets/SheetGrid.h"
#include "platform/ini/IniFile.h"

#include <QComboBox>
#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("HTML_OPTIONS");
}

HtmlPage::HtmlPage(TDurvel3WizardF* Form)
    : GridMapPage(Form, aiHTML, TColumnForm::Numbers, QStringLiteral("HTML_MAP"), kOptions),
      ui(new Ui::tsHTMLOptions), FReader(std::make_unique<TDurvel3HTML>())
{
    ui->setupUi(this);
    FReader->AddType = datInsert;
    Grid = MakeGrid(this);
    Grid->setObjectName(QStringLiteral("HTMLGrid"));
    Grid->setGeometry(163, 88, 402, 274);
    Grid->SetColCount(1);
    Grid->SetRowCount(1);
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(0);
    SetCurrentGrid(Grid);
    Bind({ui->lvHTMLFields, ui->edtHTMLSkipLines, ui->tbtHTMLAutoFill, ui->tbtHTMLClear,
          ui->laStep_08, ui->cbHTMLColNumber, nullptr, 90, 36});
    connect(ui->cbHTMLTableNumber, &QComboBox::activated, this, F->Guard([this](int Index) {
        FWantedTable = Index + 1;
        ChoiceMade();
        ShowTable();
        FieldShown();
    }));
}

HtmlPage::~HtmlPage() = default;

void HtmlPage::SetTableNumber(int Number)
{
    FWantedTable = qMax(1, Number);
    const int count = ui->cbHTMLTableNumber->count();
    if (count == 0)
        return; // looked for when the page is read
    FChoiceMissing = FWantedTable > count;
    ui->cbHTMLTableNumber->setCurrentIndex(FChoiceMissing ? 0 : FWantedTable - 1);
    ShowTable();
    FieldShown();
}

bool HtmlPage::SourceChosen() const
{
    return ui->cbHTMLTableNumber->count() > 0;
}

QString HtmlPage::ChoiceName() const
{
    return QStringLiteral("table %1").arg(FWantedTable);
}

void HtmlPage::SourceChanged()
{
    GridMapPage::SourceChanged();
    // Another file: its tables are read when the page is shown, from the first.
    FFile.Clear();
    ui->cbHTMLTableNumber->clear();
    FWantedTable = 1;
}

void HtmlPage::LoadFile()
{
    FFile.Clear();
    ui->cbHTMLTableNumber->clear();
    FFile.FileName = F->FileName();
    FFile.Open();
    const int count = int(FFile.Tables.size());
    {
        const QSignalBlocker block(ui->cbHTMLTableNumber);
        FillNumberList(ui->cbHTMLTableNumber, count);
        ui->cbHTMLTableNumber->removeItem(0); // no empty entry: a table is always chosen
    }
    FChoiceMissing = false;
    if (count == 0) {
        throw EDurvelError(
            QStringLiteral("No tables were found in %1").arg(QFileInfo(F->FileName()).fileName()));
    }
    // A template's table the page lacks is not swapped for the first behind the user's back.
    FChoiceMissing = FWantedTable > count;
    ui->cbHTMLTableNumber->setCurrentIndex(FChoiceMissing ? 0 : qMax(1, FWantedTable) - 1);
    ShowTable();
}

void HtmlPage::EmptyGrid()
{
    Grid->SetColCount(1);
    Grid->SetRowCount(1);
    Grid->SetCells(0, 0, QString());
}

// What a previous file showed is no preview of the one refused: no table, no cell.
void HtmlPage::Forget()
{
    GridMapPage::Forget();
    FFile.Clear();
    const QSignalBlocker block(ui->cbHTMLTableNumber);
    ui->cbHTMLTableNumber->clear();
    EmptyGrid();
}

void HtmlPage::ShowTable()
{
    ReadPart([this] { FillTable(); });
}

void HtmlPage::FillTable()
{
    // The table shown: a missing choice shows the first.
    const int number = ui->cbHTMLTableNumber->currentIndex() + 1;
    if (number < 1 || number > int(FFile.Tables.size()))
        return;
    const THTMLTable& table = FFile.Tables[std::size_t(number - 1)];
    const int rows = qMin(table.RowCount(), PreviewRows);
    for (int r = 0; r < rows; ++r)
        if (table.Rows[std::size_t(r)].size() > MaxPreviewColumns) {
            // What another table showed is no preview of this one.
            EmptyGrid();
            FillColNumbers(0);
            throw EDurvelError(TooManyColumnsText(F->FileName()));
        }
    Grid->BeginUpdate();
    // Shrinking first drops the cells of the previous preview.
    Grid->SetColCount(1);
    Grid->SetRowCount(1);
    Grid->SetCells(0, 0, QString());
    Grid->SetRowCount(qMax(1, rows));
    for (int r = 0; r < rows; ++r) {
        const QStringList& cells = table.Rows[std::size_t(r)];
        if (cells.size() > Grid->ColCount())
            Grid->SetColCount(int(cells.size()));
        for (int c = 0; c < cells.size(); ++c)
            Grid->SetCells(c, r, cells.at(c));
    }
    FitGridColumns(Grid, F->Wizard()->ExcelMaxColWidth);
    Grid->EndUpdate();
    FillColNumbers(Grid->ColCount());
}

void HtmlPage::CopyOptions(TDurvel3& Reader) const
{
    auto* reader = dynamic_cast<TDurvel3HTML*>(&Reader);
    if (!reader)
        return;
    reader->TableNumber = TableNumber();
    reader->SkipFirstRows = SkipRows();
    // The tables the page parsed go to the reader: the file is not parsed twice, and the run
    // imports the table the preview showed.
    const bool parsed = FFile.Loaded() && !F->NeedReload && FFile.FileName == F->FileName();
    reader->SetHTMLFile(parsed ? &FFile : nullptr);
}

void HtmlPage::SaveOptions(IniFile& Ini) const
{
    // Without it a template would import the first table whatever was chosen.
    Ini.writeInteger(kOptions, QStringLiteral("TableNumber"), TableNumber());
}

void HtmlPage::LoadOptions(const IniFile& Ini)
{
    SetTableNumber(Ini.readCount(kOptions, QStringLiteral("TableNumber"), 1));
}

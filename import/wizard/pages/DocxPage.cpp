#include "import/wizard/pages/DocxPage.h"

#include "ui_DocxPage.h"

#include "import/engine/support/DocxFile.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/pages/PageLimits.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "import/wizard/widgets/SheetGrid.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("DOCX_OPTIONS");
}

DocxPage::DocxPage(TDurvel3WizardF* Form)
    : GridMapPage(Form, aiDOCX, TColumnForm::Numbers, QStringLiteral("DOCX_MAP"), kOptions),
      ui(new Ui::tsDocxOptions), FReader(std::make_unique<TDurvel3Docx>())
{
    ui->setupUi(this);
    FReader->AddType = datInsert;
    Bind({ui->lvDocxFields, ui->edDocxSkipRows, ui->tlbDocxAutoFill, ui->tlbDocxClear,
          ui->laStep_12, nullptr, ui->pcDocxFile});
}

DocxPage::~DocxPage() = default;

void DocxPage::ReadTables(TDocxFile& File, int Number)
{
    File.SetOnlyTable(Number);
    File.SetPreviewRows(PreviewRows);
    LoadTabs(File, QStringLiteral("tables"));
}

void DocxPage::LoadFile()
{
    ClearTabs();
    FShown = {};
    // Every table is counted; only the chosen one (or the first) keeps its top rows.
    TDocxFile file;
    const int wanted = qMax(1, FTableNumber);
    ReadTables(file, wanted);
    if (file.Tables.empty())
        throw EDurvelError(
            QStringLiteral("No tables were found in %1").arg(QFileInfo(F->FileName()).fileName()));
    if (std::size_t(wanted) <= file.Tables.size()) {
        FShown.Number = wanted;
        FShown.Table = std::move(file.Tables[std::size_t(wanted - 1)]);
    }
    QStringList captions;
    QList<int> tags;
    for (std::size_t t = 0; t < file.Tables.size(); ++t) {
        captions << QStringLiteral("Table %1").arg(t + 1);
        tags << int(t + 1);
    }
    SetTabs(captions, tags, QStringLiteral("tables"));
    // The chosen table stays when the document has it.
    ShowChosenTab(TabOfTag(FTableNumber), FTableNumber != 0);
}

void DocxPage::FillTab(int Index, TKobWideStringGrid* Grid)
{
    const int number = TabTag(Index);
    if (FShown.Number != number) {
        TDocxFile file;
        ReadTables(file, number);
        if (number < 1 || std::size_t(number) > file.Tables.size())
            throw EDurvelError(QStringLiteral("The document %1 has changed since it was read")
                                   .arg(QFileInfo(F->FileName()).fileName()));
        FShown.Number = number;
        FShown.Table = std::move(file.Tables[std::size_t(number - 1)]);
    }
    const TDocxTable& table = FShown.Table;
    const int rows = qMin(table.RowCount(), PreviewRows);
    int columns = 1;
    for (int r = 0; r < rows; ++r)
        columns = qMax(columns, int(table.Rows[std::size_t(r)].size()));
    if (columns > MaxPreviewColumns)
        throw EDurvelError(TooManyColumnsText(F->FileName()));
    Grid->BeginUpdate();
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(0);
    Grid->SetColCount(columns);
    Grid->SetRowCount(qMax(1, rows));
    for (int r = 0; r < rows; ++r) {
        const QStringList& cells = table.Rows[std::size_t(r)];
        for (int c = 0; c < cells.size(); ++c)
            Grid->SetCells(c, r, cells.at(c));
    }
    FitGridColumns(Grid, F->Wizard()->ExcelMaxColWidth);
    Grid->EndUpdate();
}

void DocxPage::TabChanged(int Index)
{
    // A missing choice stays while its stand-in tab is shown.
    if (Index >= 0 && !FChoiceMissing)
        FTableNumber = TabTag(Index);
}

void DocxPage::SetDocxTableNumber(int Number)
{
    FTableNumber = Number;
    if (TabCount() == 0)
        return; // looked for when the document is read
    FChoiceMissing = Number != 0 && TabOfTag(Number) < 0;
    ActivateTab(qMax(0, TabOfTag(Number)));
}

QString DocxPage::ChoiceName() const
{
    return QStringLiteral("table %1").arg(FTableNumber);
}

void DocxPage::CopyOptions(TDurvel3& Reader) const
{
    auto* reader = dynamic_cast<TDurvel3Docx*>(&Reader);
    if (!reader)
        return;
    // 0: none chosen yet, the first.
    reader->SetTableNumber(qMax(1, FTableNumber));
    reader->SkipFirstRows = SkipRows();
}

void DocxPage::SaveOptions(IniFile& Ini) const
{
    Ini.writeInteger(kOptions, QStringLiteral("TableNumber"), FTableNumber);
}

void DocxPage::LoadOptions(const IniFile& Ini)
{
    SetDocxTableNumber(Ini.readCount(kOptions, QStringLiteral("TableNumber"), 0));
}

#include "import/engine/Durvel3SheetGrid.h"

#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/SparseCells.h"

bool TDurvel3SheetGrid::CheckProperties()
{
    const bool result = TDurvel3::CheckProperties();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const QString letters = line.mid(line.indexOf(sep) + 1).trimmed();
        if (ColumnLettersToNumber(letters) < 1)
            throw EDurvelError(QStringLiteral("'%1' is not a column name").arg(letters));
    }
    return result;
}

void TDurvel3SheetGrid::SetSource(const TKobSparseCells* Cells, int RowCount)
{
    FCells = Cells;
    FRowCount = Cells ? RowCount : 0;
    SetTotalRecCount(FRowCount);
}

void TDurvel3SheetGrid::OpenSource()
{
    FCurrent = 0;
    FColumns.clear();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int eq = line.indexOf(sep);
        FColumns.push_back({DurvelTrimName(eq < 0 ? line : line.left(eq)),
                            ColumnLettersToNumber(line.mid(eq + 1).trimmed()) - 1, -1});
    }
    FColumnsGeneration = ~quint64(0);
}

bool TDurvel3SheetGrid::HasMoreRows()
{
    return FCurrent < FRowCount;
}

bool TDurvel3SheetGrid::SkipRow()
{
    const int n = SkipFirstRows + HeaderRows;
    return n >= 1 && n > FCurrent;
}

void TDurvel3SheetGrid::ReadRow()
{
    TDurvelRow* row = Row();
    row->ClearValues();
    if (row->Generation() != FColumnsGeneration) {
        for (Column& c : FColumns)
            c.Position = row->MapPosition(c.Name);
        FColumnsGeneration = row->Generation();
    }
    const TKobWideStringSparseList* cells = FCells->RowList(FCurrent);
    for (const Column& c : FColumns)
        if (c.Position >= 0)
            row->SetValueAt(c.Position, cells && c.Col >= 0 && c.Col < cells->GetCount()
                                            ? cells->Get(c.Col)
                                            : QString());
    ApplyFieldFormats();
}

void TDurvel3SheetGrid::NextRow()
{
    ++FCurrent;
}

void TDurvel3SheetGrid::EndImport()
{
    SetSource(nullptr, 0);
    FColumns.clear();
    TDurvel3::EndImport();
}

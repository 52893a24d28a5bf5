#include "import/engine/Durvel3TableReader.h"

#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/SparseCells.h"

int TDurvel3TableReader::ColumnOf(const QString& MapValue) const
{
    const QString v = MapValue.trimmed();
    if (FForm == TMapForm::Letters)
        return ColumnLettersToNumber(v) - 1;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok && n >= 1 ? n - 1 : -1;
}

bool TDurvel3TableReader::CheckProperties()
{
    const bool result = TDurvel3::CheckProperties();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const QString value = line.mid(line.indexOf(sep) + 1).trimmed();
        if (ColumnOf(value) < 0)
            throw EDurvelError(
                FForm == TMapForm::Letters
                    ? QStringLiteral("'%1' is not a column name").arg(value)
                    : QStringLiteral("'%1' is not a valid column number").arg(value));
    }
    return result;
}

void TDurvel3TableReader::SetRowTotal(int Rows)
{
    FRowTotal = qMax(0, Rows);
    SetTotalRecCount(FRowTotal);
}

void TDurvel3TableReader::OpenSource()
{
    FCurrent = 0;
    FColumns.clear();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int eq = line.indexOf(sep);
        FColumns.push_back(
            {DurvelTrimName(eq < 0 ? line : line.left(eq)), ColumnOf(line.mid(eq + 1)), -1});
    }
    FColumnsGeneration = ~quint64(0);
}

bool TDurvel3TableReader::HasMoreRows()
{
    return FCurrent < FRowTotal;
}

bool TDurvel3TableReader::SkipRow()
{
    const int n = qMax(SkipFirstRows, LeadingRows) + HeaderRows;
    return n >= 1 && n > FCurrent;
}

void TDurvel3TableReader::ReadRow()
{
    TDurvelRow* row = Row();
    row->ClearValues();
    FindMapPositions(FColumns, FColumnsGeneration);
    for (const Column& c : FColumns)
        if (c.Position >= 0)
            row->SetValueAt(c.Position, c.Col >= 0 ? CellText(FCurrent, c.Col) : QString());
    ApplyFieldFormats();
}

void TDurvel3TableReader::NextRow()
{
    ++FCurrent;
}

void TDurvel3TableReader::EndImport()
{
    FRowTotal = 0; // the total stays readable after the import
    FColumns.clear();
    TDurvel3::EndImport();
}

void TDurvel3SheetGrid::SetSource(const TKobSparseCells* Cells, int RowCount)
{
    FCells = Cells;
    SetRowTotal(Cells ? RowCount : 0);
}

QString TDurvel3SheetGrid::CellText(int Row, int Col) const
{
    const TKobWideStringSparseList* cells = FCells ? FCells->RowList(Row) : nullptr;
    return cells && Col < cells->GetCount() ? cells->Get(Col) : QString();
}

void TDurvel3SheetGrid::EndImport()
{
    FCells = nullptr;
    TDurvel3TableReader::EndImport();
}

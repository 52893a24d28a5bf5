#include "import/engine/Durvel3XLS.h"

#include "import/engine/DurvelSheetText.h"

#include "import/engine/support/MapRange.h"
#include "import/engine/support/XlsFile.h"
#include "platform/ini/IniFile.h"

#include <algorithm>

namespace {

const QString kOptions = QStringLiteral("XLS_OPTIONS");

} // namespace

TDurvel3XLS::TDurvel3XLS() = default;

TDurvel3XLS::~TDurvel3XLS() = default;

void TDurvel3XLS::PrepareImport()
{
    try {
        FFile = std::make_unique<TxlsFile>(FileName());
        FFile->Open();
        FRanges = std::make_unique<TMapRowList>(FFile.get());
        FRanges->SkipRows = SkipFirstRows;
        FRanges->SkipCols = SkipFirstCols;
        FColumns.clear();
        const QChar sep = Map().NameValueSeparator();
        for (int i = 0; i < Map().Count(); ++i) {
            const QString line = Map().Strings(i);
            const int eq = line.indexOf(sep);
            auto row = FRanges->NewRow();
            row->SetAsString(eq < 0 ? QString() : line.mid(eq + 1));
            FRanges->Add(std::move(row));
            FColumns.push_back({DurvelTrimName(eq < 0 ? line : line.left(eq)), i, -1});
        }
        FRanges->UpdateLongestShortest();
        FLongestCount = FRanges->LongestCount();
        FShortestCount = FRanges->ShortestCount();
        SetTotalRecCount(ImportRange == dirMax ? FLongestCount : FShortestCount);
        TDurvel3::PrepareImport();
    } catch (...) {
        FreeSource();
        throw;
    }
}

void TDurvel3XLS::OpenSource()
{
    FFile->TextFormat = SheetTextFormatOf(RunFormats());
    FLast = (ImportRange == dirMax ? FLongestCount : FShortestCount) - 1;
    if (ImportRecCount > 0)
        FLast = std::min(FLast, ImportRecCount - 1);
    FCurrent = 0;
    FColumnsGeneration = ~quint64(0);
    AddLines(SkipFirstRows);
}

void TDurvel3XLS::ReadRow()
{
    TDurvelRow* row = Row();
    const quint64 generation = FColumnsGeneration;
    FindMapPositions(FColumns, FColumnsGeneration);
    if (generation != FColumnsGeneration || FRowCount != row->Count()) {
        FUnfilled.clear();
        for (int i = 0; i < row->Count(); ++i)
            if (std::none_of(FColumns.cbegin(), FColumns.cend(),
                             [i](const Column& c) { return c.Position == i; }))
                FUnfilled.push_back(i);
        FRowCount = row->Count();
    }
    // Columns no map line fills are emptied; the others are overwritten below, in the memory
    // they hold.
    for (int i : FUnfilled)
        row->Items(i)->Value.clear();
    for (const Column& c : FColumns) {
        if (c.Position < 0)
            continue;
        int sheetIndex = 0, r = 0, col = 0;
        const TxlsWorkSheet* sheet = nullptr;
        const TbiffCell* cell = nullptr;
        if (FRanges->GetItem(c.Line)->CellOf(FCurrent + 1, sheetIndex, r, col) &&
            (sheet = FFile->SheetOrNull(sheetIndex)))
            cell = sheet->Cell(r - 1, col - 1);
        const QStringView text = cell ? FFile->CellView(*sheet, *cell, FScratch) : QStringView();
        if (text.isEmpty()) // a missing cell stays null, an empty text empty
            row->SetValueAt(c.Position, cell ? FFile->CellText(*sheet, *cell) : QString());
        else
            row->SetValueAt(c.Position, text);
    }
    ApplyFieldFormats();
}

void TDurvel3XLS::FreeSource()
{
    FRanges.reset();
    FFile.reset();
    FColumns.clear();
    FColumnsGeneration = ~quint64(0);
    FUnfilled.clear();
    FRowCount = -1;
    FScratch = QString();
}

void TDurvel3XLS::CloseSource()
{
    TDurvel3::CloseSource();
}

void TDurvel3XLS::EndImport()
{
    TDurvel3::EndImport();
    FreeSource();
}

void TDurvel3XLS::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipCols"), SkipFirstCols);
    Ini.writeInteger(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
}

void TDurvel3XLS::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    const auto count = [&Ini](const QString& key, int current) {
        const qint64 v = Ini.readInteger(kOptions, key, current);
        return v >= 0 && v <= std::numeric_limits<int>::max() ? int(v) : current;
    };
    SkipFirstCols = count(QStringLiteral("SkipCols"), SkipFirstCols);
    SkipFirstRows = count(QStringLiteral("SkipRows"), SkipFirstRows);
}

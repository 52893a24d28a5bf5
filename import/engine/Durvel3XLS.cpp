#include "import/engine/Durvel3XLS.h"

#include "import/engine/DurvelSheetText.h"

#include "import/engine/support/MapRange.h"
#include "platform/queue/BoundedQueue.h"
#include "import/engine/support/XlsFile.h"
#include "platform/ini/IniFile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

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

// Rows read on a thread of their own, a few batches ahead of the import, when there are
// enough of them to pay for it: per map line, the text of the row's cell. The workbook and the
// ranges are only read there.
struct TDurvel3XLS::Batch
{
    static constexpr int Rows = 256;
    int First = 0; // the index of its first row
    int Count = 0;
    std::vector<std::vector<QString>> Texts = std::vector<std::vector<QString>>(Rows);
    std::size_t size() const { return std::size_t(Count); }
};

namespace {

constexpr int kReadAheadRows = 4096;

} // namespace

void TDurvel3XLS::OpenSource()
{
    FFile->TextFormat = SheetTextFormatOf(RunFormats());
    FLast = (ImportRange == dirMax ? FLongestCount : FShortestCount) - 1;
    if (ImportRecCount > 0)
        FLast = std::min(FLast, ImportRecCount - 1);
    FCurrent = 0;
    FColumnsGeneration = ~quint64(0);
    AddLines(SkipFirstRows);
    if (FLast + 1 >= kReadAheadRows) {
        std::vector<int> lines;
        for (const Column& c : FColumns)
            lines.push_back(c.Line);
        FBatch = std::make_unique<Batch>();
        // The lambda's own copies are the thread's: which row comes next, and its scratch.
        FAhead = std::make_unique<queue::ReadAhead<Batch>>(
            [this, lines, last = FLast, next = 0,
             scratch = QString()](Batch& b, const queue::StopFlag& stop) mutable {
                b.First = next;
                b.Count = 0;
                while (b.Count < Batch::Rows && next <= last) {
                    stop.check();
                    std::vector<QString>& texts = b.Texts[std::size_t(b.Count++)];
                    texts.resize(lines.size());
                    for (std::size_t k = 0; k < lines.size(); ++k)
                        ReadCell(lines[k], next, scratch, texts[k]);
                    ++next;
                }
                return next <= last;
            },
            4);
    }
}

void TDurvel3XLS::ReadCell(int Line, int Index, QString& Scratch, QString& Out) const
{
    int sheetIndex = 0, r = 0, col = 0;
    const TxlsWorkSheet* sheet = nullptr;
    const TbiffCell* cell = nullptr;
    if (FRanges->GetItem(Line)->CellOf(Index + 1, sheetIndex, r, col) &&
        (sheet = FFile->SheetOrNull(sheetIndex)))
        cell = sheet->Cell(r - 1, col - 1);
    const QStringView text = cell ? FFile->CellView(*sheet, *cell, Scratch) : QStringView();
    if (text.isEmpty()) { // a missing cell stays null, an empty text empty
        Out = cell ? FFile->CellText(*sheet, *cell) : QString();
    } else if (Out.isDetached() && Out.capacity() >= text.size()) {
        Out.resize(text.size());
        std::memcpy(Out.data(), text.data(), std::size_t(text.size()) * sizeof(QChar));
    } else {
        Out = text.toString();
    }
}

void TDurvel3XLS::ReadRow()
{
    ClearUnmappedColumns(FColumns, FColumnsGeneration);
    std::vector<QString>* ahead = nullptr;
    if (FAhead) {
        while (FCurrent >= FBatch->First + FBatch->Count)
            if (!FAhead->take(*FBatch))
                throw std::logic_error("a row was asked for past the workbook's last");
        ahead = &FBatch->Texts[std::size_t(FCurrent - FBatch->First)];
    }
    TDurvelRow* row = Row();
    for (std::size_t k = 0; k < FColumns.size(); ++k) {
        const Column& c = FColumns[k];
        if (c.Position < 0 || c.Position >= row->Count())
            continue;
        QString& value = row->Items(c.Position)->Value;
        // The column takes the text over; the reader writes a later row into the one given
        // back.
        if (ahead)
            value.swap((*ahead)[k]);
        else
            ReadCell(c.Line, FCurrent, FScratch, value);
    }
    ApplyFieldFormats();
}

void TDurvel3XLS::FreeSource()
{
    // The reading thread stops before what it reads goes.
    FAhead.reset();
    FBatch.reset();
    FRanges.reset();
    FFile.reset();
    FColumns.clear();
    FColumnsGeneration = ~quint64(0);
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

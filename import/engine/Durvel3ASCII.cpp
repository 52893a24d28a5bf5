#include "import/engine/Durvel3ASCII.h"

#include "import/engine/support/DurvelUtils.h"
#include "platform/queue/BoundedQueue.h"
#include "import/engine/support/VoTextFile.h"
#include "platform/ini/IniFile.h"

#include <exception>
#include <stdexcept>

namespace {

const QString kOptions = QStringLiteral("ASCII_OPTIONS");

// A whole, non-negative decimal number; -1 otherwise.
int wholeNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n >= 0 ? n : -1;
}

// A fixed-width field is padded with spaces; tabs and other blanks are part of its text.
QString trimSpaces(QStringView Text)
{
    qsizetype start = 0;
    qsizetype end = Text.size();
    while (start < end && Text[start] == u' ')
        ++start;
    while (end > start && Text[end - 1] == u' ')
        --end;
    return Text.mid(start, end - start).toString();
}

[[noreturn]] void invalidNumber(const QString& text)
{
    throw EDurvelError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

} // namespace

TDurvel3ASCII::TDurvel3ASCII() : Comma(GetListSeparator()) {}

TDurvel3ASCII::~TDurvel3ASCII() = default;

QList<TDurvel3ASCII::MapEntry> TDurvel3ASCII::MapEntries() const
{
    QList<MapEntry> entries;
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int eq = line.indexOf(sep);
        entries.append(
            {DurvelTrimName(eq < 0 ? line : line.left(eq)), eq < 0 ? QString() : line.mid(eq + 1)});
    }
    return entries;
}

bool TDurvel3ASCII::CheckProperties()
{
    const bool result = TDurvel3::CheckProperties();
    for (const MapEntry& e : MapEntries()) {
        if (IsFixedWidth()) {
            const int semi = e.Value.indexOf(u';');
            if (semi < 0)
                RaiseImportError(DurvelStr::MissingMapDefinition);
            if (wholeNumber(e.Value.left(semi)) < 0)
                invalidNumber(e.Value.left(semi));
            if (wholeNumber(e.Value.mid(semi + 1)) < 0)
                invalidNumber(e.Value.mid(semi + 1));
        } else {
            const int n = wholeNumber(e.Value);
            if (n < 0)
                invalidNumber(e.Value);
            if (n == 0)
                throw EDurvelError(
                    QStringLiteral("Column %1: field numbers start at 1").arg(e.Name));
        }
    }
    return result;
}

// ---- lines split as bytes ----------------------------------------------------------------

namespace {

// A file this large is read ahead on a thread of its own; a smaller one is not worth one.
constexpr qint64 kReadAheadSize = qint64(256) << 10;

// Only a line of blanks is skipped; a visible ASCII character is none.
bool mayBeBlank(QByteArrayView Bytes)
{
    for (const char c : Bytes)
        if (c > 0x20 && c < 0x7F)
            return false;
    return true;
}

} // namespace

class TDurvel3ASCII::ByteLines
{
public:
    ByteLines(TVoTextFile& File, QChar Quote, QChar Comma, int SkipFirstRows,
              std::vector<int> Starts)
        : FFile(File), FQuote(Quote), FComma(Comma), FSkipFirstRows(SkipFirstRows),
          FStarts(std::move(Starts))
    {}

    // Reads the next line: false for a line that is skipped (a header or blank line), else
    // true with the texts of its fields in Values, one per map column (empty fields null).
    bool Next(std::vector<QString>& Values)
    {
        const QByteArrayView bytes = FFile.ReadLineBytes();
        if (FSkipped < FSkipFirstRows) {
            ++FSkipped;
            return false;
        }
        if (mayBeBlank(bytes)) {
            FFile.Decode(bytes, FBlank);
            if (QStringView(FBlank).trimmed().isEmpty())
                return false;
        }
        SplitDelimitedBytes(bytes, FQuote, FComma, FFields, FBuilt);
        const int fieldCount = int(FFields.size());
        for (std::size_t k = 0; k < FStarts.size(); ++k) {
            const int start = FStarts[k];
            // A short line leaves its missing fields empty.
            if (start >= 0 && start < fieldCount && !FFields[std::size_t(start)].isEmpty())
                FFile.Decode(FFields[std::size_t(start)], Values[k]);
            else
                Values[k].clear();
        }
        return true;
    }
    std::size_t Columns() const { return FStarts.size(); }

private:
    TVoTextFile& FFile;
    const QChar FQuote;
    const QChar FComma;
    const int FSkipFirstRows;
    const std::vector<int> FStarts; // per map column: its field, 0-based
    int FSkipped = 0;
    QString FBlank;
    std::vector<QByteArrayView> FFields; // of the line, or of FBuilt
    std::vector<QByteArray> FBuilt;
};

// A line as the reader thread leaves it for the rows.
struct TDurvel3ASCII::Line
{
    enum KindOf : char { Row, Skipped, End, Failed };
    KindOf Kind = End;
    qint64 Consumed = 0; // of the file's bytes, with this line
    std::vector<QString> Values;
    std::exception_ptr Error; // Failed: what reading the line raised
};

// Reads lines on a thread of its own, a few batches ahead of the rows; only reading, decoding
// and splitting happen there. A failure is handed over in its line's place, and the end too,
// so that both reach the rows in order.
class TDurvel3ASCII::LineQueue
{
public:
    LineQueue(TVoTextFile& File, ByteLines& Lines)
        : FFile(File), FLines(Lines),
          FAhead([this](Batch& b, const queue::StopFlag& stop) { return Fill(b, stop); }, kBatches)
    {}
    LineQueue(const LineQueue&) = delete;
    LineQueue& operator=(const LineQueue&) = delete;

    // The line the rows are at, waited for.
    Line& Current()
    {
        if (FIndex == FBatch.Count) {
            // The last batch ends with the end or a failure, after which no line is asked for.
            if (!FAhead.take(FBatch))
                throw std::logic_error("a line was asked for past the end of the file");
            FIndex = 0;
            Prefetch();
        }
        return FBatch.Lines[std::size_t(FIndex)];
    }
    // Past the current line; its values stay until the next call of Current.
    void Advance()
    {
        ++FIndex;
        Prefetch();
    }

private:
    static constexpr int kBatches = 4;
    static constexpr int kBatchLines = 256;
    struct Batch
    {
        std::vector<Line> Lines = std::vector<Line>(kBatchLines);
        int Count = 0;
        std::size_t size() const { return std::size_t(Count); }
    };

    // The reader thread wrote the lines ahead in its own cache: the texts of the next line are
    // asked for before the rows need them.
    void Prefetch() const
    {
        const std::size_t next = std::size_t(FIndex);
        if (next < std::size_t(FBatch.Count))
            for (const QString& value : FBatch.Lines[next].Values)
                __builtin_prefetch(value.constData());
    }

    // False once the batch holds the end or a failure.
    bool Fill(Batch& batch, const queue::StopFlag& stop)
    {
        batch.Count = 0;
        while (batch.Count < kBatchLines) {
            stop.check();
            Line& line = batch.Lines[std::size_t(batch.Count++)];
            line.Error = nullptr;
            try {
                if (FFile.EndOfFile()) {
                    line.Kind = Line::End;
                    return false;
                }
                line.Values.resize(FLines.Columns());
                line.Kind = FLines.Next(line.Values) ? Line::Row : Line::Skipped;
                line.Consumed = FFile.BytesConsumed();
            } catch (...) {
                line.Kind = Line::Failed;
                line.Error = std::current_exception();
                return false;
            }
        }
        return true;
    }

    TVoTextFile& FFile;
    ByteLines& FLines;
    // The rows' side only.
    Batch FBatch;
    int FIndex = 0;
    queue::ReadAhead<Batch> FAhead; // last: its thread starts once the rest is in place
};

void TDurvel3ASCII::OpenSource()
{
    FFile = std::make_unique<TVoTextFile>(FileName(), TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    // A file in the default encoding may be UTF-8, or UTF-16 without a mark; the wizard's
    // previews read it the same way.
    if (Encoding == ctWinDefined && !EncodingChosen) {
        FFile->Reset(TVoTextFile::tfDetectUnicode, 0, 0);
    } else {
        FFile->Reset(0, 0, 0);
        FFile->SetCodepage(CodePageByIndex(Encoding));
    }
    FColumns.clear();
    for (MapEntry e : MapEntries()) {
        if (!Row()->ColumnByName(e.Name))
            continue;
        if (IsFixedWidth()) {
            const int semi = e.Value.indexOf(u';');
            e.Start = qMax(0, wholeNumber(e.Value.left(semi)));
            e.Length = qMax(0, wholeNumber(semi < 0 ? QString() : e.Value.mid(semi + 1)));
        } else {
            e.Start = wholeNumber(e.Value) - 1;
        }
        FColumns.append(e);
    }
    FSkipped = 0;
    FColumnsGeneration = ~quint64(0);
    if (!IsFixedWidth() && Comma.unicode() < 0x80 && Quote.unicode() < 0x80 &&
        FFile->AsciiCompatible()) {
        std::vector<int> starts;
        for (const MapEntry& e : std::as_const(FColumns))
            starts.push_back(e.Start);
        FByteLines = std::make_unique<ByteLines>(*FFile, Quote, Comma, SkipFirstRows, starts);
        FValues.assign(starts.size(), QString());
        if (FFile->SizeAtReset() >= kReadAheadSize)
            FQueue = std::make_unique<LineQueue>(*FFile, *FByteLines);
    }
}

bool TDurvel3ASCII::HasMoreRows()
{
    if (FQueue) {
        const Line& line = FQueue->Current();
        if (line.Kind == Line::Failed)
            std::rethrow_exception(line.Error);
        if (line.Kind != Line::End)
            return true;
        // The reader is done with the file: whatever changed it since is found here.
        FQueue.reset();
    }
    return !FFile->EndOfFile();
}

bool TDurvel3ASCII::SkipRow()
{
    if (FQueue) {
        Line& line = FQueue->Current();
        FQueue->Advance();
        DoReadProgress(line.Consumed, FFile->SizeAtReset());
        FPending = &line.Values;
        return line.Kind == Line::Skipped;
    }
    if (FByteLines) {
        const bool row = FByteLines->Next(FValues);
        DoReadProgress(FFile->BytesConsumed(), FFile->SizeAtReset());
        FPending = &FValues;
        return !row;
    }
    FFile->ReadLine(FLine);
    DoReadProgress(FFile->BytesConsumed(), FFile->SizeAtReset());
    if (IsFixedWidth())
        ExpandTabs(FLine);
    if (FSkipped < SkipFirstRows) {
        ++FSkipped;
        return true;
    }
    return QStringView(FLine).trimmed().isEmpty();
}

void TDurvel3ASCII::ReadRow()
{
    TDurvelRow* row = Row();
    if (!FByteLines && !IsFixedWidth())
        SplitDelimitedLine(QStringView(FLine), Quote, Comma, FFields, FBuilt);
    ClearUnmappedColumns(FColumns, FColumnsGeneration);
    const int fieldCount = int(FFields.size());
    for (int k = 0; k < FColumns.size(); ++k) {
        const MapEntry& e = std::as_const(FColumns)[k];
        if (FByteLines) {
            // The column takes the text over; the reader writes the next line into the one
            // it gives back.
            if (e.Position >= 0 && e.Position < row->Count())
                row->Items(e.Position)->Value.swap((*FPending)[std::size_t(k)]);
        } else if (IsFixedWidth())
            row->SetValueAt(e.Position, trimSpaces(QStringView(FLine).mid(e.Start, e.Length)));
        else if (e.Start >= 0 && e.Start < fieldCount)
            row->SetValueAt(e.Position, FFields[std::size_t(e.Start)]);
        else // a short line leaves its missing fields empty
            row->SetValueAt(e.Position, QStringView());
    }
    ApplyFieldFormats();
}

void TDurvel3ASCII::NextRow() {}

void TDurvel3ASCII::FreeSource()
{
    // The reader thread stops before the file it reads goes.
    FQueue.reset();
    FByteLines.reset();
    FFile.reset();
    FFields.clear();
    FFields.shrink_to_fit();
    FBuilt.clear();
    FBuilt.shrink_to_fit();
    FPending = nullptr;
    FValues.clear();
    FValues.shrink_to_fit();
    FColumns.clear();
    FColumnsGeneration = ~quint64(0);
}

void TDurvel3ASCII::CloseSource()
{
    FreeSource();
    TDurvel3::CloseSource();
}

void TDurvel3ASCII::EndImport()
{
    TDurvel3::EndImport();
    FreeSource();
}

void TDurvel3ASCII::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
    Ini.writeInteger(kOptions, QStringLiteral("Encoding"), Encoding);
    // In separator text, so that #0 (fixed width) and control characters survive the file.
    Ini.writeString(kOptions, QStringLiteral("Comma"), CharToSepText(Comma));
    Ini.writeString(kOptions, QStringLiteral("Quote"), CharToSepText(Quote));
}

void TDurvel3ASCII::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    const qint64 skip = Ini.readInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
    if (skip >= 0 && skip <= std::numeric_limits<int>::max())
        SkipFirstRows = int(skip);
    const qint64 encoding = Ini.readInteger(kOptions, QStringLiteral("Encoding"), -1);
    if (encoding >= 0 && encoding < CodePageTableSize) {
        Encoding = TDurvelCharsetType(encoding);
        EncodingChosen = true;
    }
    Comma = SepTextToChar(Ini.readString(kOptions, QStringLiteral("Comma")), Comma);
    Quote = SepTextToChar(Ini.readString(kOptions, QStringLiteral("Quote")), Quote);
}

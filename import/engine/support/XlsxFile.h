#pragma once
// An XLSX workbook: its sheets (names, visibility), shared strings and cell formats, and the
// rows of a sheet read in order from the archive as its XML is parsed. A sheet's texts can be
// kept in a sparse cell store (column c - 1, row r - 1 holds sheet cell (r, c)), whole or only
// its top-left corner; an import reads the rows without keeping them.

#include "import/engine/support/BaseDocumentFile.h"
#include "import/engine/support/SheetValues.h"
#include "import/engine/support/SparseCells.h"
#include "platform/queue/BoundedQueue.h"

#include <QHash>
#include <QStringList>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace xml {
class Reader;
}
class TZipEntryStream;

// An element's local name and the parser's pointer for it once one was matched.
struct TXlsxName
{
    const char* Local;
    const char* Key = nullptr;
};

struct TXlsxMerge
{
    int Row1 = 0, Col1 = 0, Row2 = 0, Col2 = 0; // 1-based
};

// The shared-string table, held compactly: the texts in buffers of a fixed size (a table that
// grows never copies itself) and where each lies. The
// texts are read from their part as far as cells ask for them (and a few batches ahead), so a
// preview of a sheet's top reads little more of a large table than it needs.
class TXlsxSharedStrings
{
public:
    // Bytes the table may take (texts and their index); a larger table is damage.
    static constexpr qint64 DefaultBudget = qint64(256) << 20;

    TXlsxSharedStrings();
    ~TXlsxSharedStrings();
    TXlsxSharedStrings(const TXlsxSharedStrings&) = delete;
    TXlsxSharedStrings& operator=(const TXlsxSharedStrings&) = delete;

    // The texts to come from that part of the archive (empty: the workbook has none).
    void SetSource(const QString& FileName, const QString& Part);
    // True when the table has that index, reading on as far as needed; raises EZipError when
    // the part is damaged or takes more than the budget.
    bool Has(int Index) const;
    // Of an index Has answered true for.
    QString Text(int Index) const;
    bool IsEmpty(int Index) const { return FItems[std::size_t(Index)].Length == 0; }
    // The texts read so far.
    int Count() const { return int(FItems.size()); }
    void Clear();
    qint64 Budget = DefaultBudget;

private:
    struct TSource;
    struct TItem
    {
        quint32 Buffer, Offset, Length;
    };
    // Buffers double from the first size to the largest.
    static constexpr qsizetype kFirstBufferChars = qsizetype(64) << 10;
    static constexpr qsizetype kBufferChars = qsizetype(4) << 20;
    bool Append(QStringView Text) const;
    mutable std::vector<QString> FBuffers;
    mutable qint64 FBufferBytes = 0;
    mutable std::deque<TItem> FItems; // grows without copying itself
    mutable std::unique_ptr<TSource> FSource;
};

class TXlsxWorkSheet
{
public:
    QString Name;
    bool Hidden = false;
    // The sheet's part in the archive, resolved from the workbook's relationships.
    QString PartName;
    // Highest column and row that hold a text, merged ranges filled included (1-based; 0 when
    // the sheet is empty); of the rows read when only the top of the sheet was read.
    int ColCount = 0;
    int RowCount = 0;
    // Cell texts; sized ColCount x RowCount once the sheet is loaded.
    TKobSparseCells Cells;
    bool Loaded = false;
};

class TXlsxWorkbook
{
public:
    std::vector<std::unique_ptr<TXlsxWorkSheet>> WorkSheets;
    TXlsxSharedStrings SharedStrings;
    bool Date1904 = false;
    bool LoadHiddenSheet = false;
    // Every position of a merged range reads the range's top-left text.
    bool NeedFillMerge = false;
    TSheetTextFormat TextFormat;
    // How a number shows, by cell format (style index).
    enum TNumberKind : quint8 { nkPlain, nkDate, nkPercent };
    std::vector<TNumberKind> NumberKinds;

    // Raise EZipError "Sheets Count must be > 0!" when there is no sheet.
    TXlsxWorkSheet* GetFirstSheet() const;
    // Letters a to z compared without case; an empty name gives the first sheet.
    TXlsxWorkSheet* GetSheetByName(const QString& Name) const;
    static bool SameSheetName(const QString& A, const QString& B);
};

// One row of a sheet: its 0-based index and its cells that hold text, by 0-based column in
// column order.
struct TXlsxRow
{
    int Row = -1;
    std::vector<std::pair<int, QString>> Cells;
    // Empty when the row has no text in that column.
    QString Text(int Col) const;
};

// The rows of one sheet in order, parsed as the part is inflated: only the current row is
// held. With merge filling on, the merged ranges are read first in a pass of their own.
class TXlsxSheetReader
{
public:
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxCols = 16384;
    static constexpr int MaxMerges = 1 << 20;

    struct TOptions
    {
        // 0-based columns whose texts are wanted, ascending; empty: every column below ColLimit.
        std::vector<int> Columns;
        int ColLimit = MaxCols;
        // The parse stops before this 0-based row; 0: it reads the whole sheet.
        int RowLimit = 0;
    };

    // Raises EZipError when the sheet's part is missing or damaged.
    TXlsxSheetReader(TMiniZip& Zip, const TXlsxWorkbook& Book, const TXlsxWorkSheet& Sheet,
                     const QString& FileName, TOptions Options);
    ~TXlsxSheetReader();
    TXlsxSheetReader(const TXlsxSheetReader&) = delete;
    TXlsxSheetReader& operator=(const TXlsxSheetReader&) = delete;

    // The next row that holds a text in any column or lies in a filled merged range (its
    // Cells only the wanted columns'); false after the last one.
    bool Next(TXlsxRow& Row);
    // The rows the sheet's own dimension names, 0 when it names none: a hint, never trusted.
    int DeclaredRows() const { return FDeclaredRows; }
    // Extents (1-based) of the rows returned so far, every column counted.
    int ColCount() const { return FColCount; }
    int RowCount() const { return FRowCount; }

private:
    struct TPending
    {
        int Row = -1;
        std::vector<std::pair<int, QString>> Cells;
        // Texts of merged ranges' top-left cells outside the wanted columns.
        std::vector<std::pair<int, QString>> Corners;
        int MaxCol = 0; // 1-based; 0 when no cell of the row holds text
    };
    void Open();
    void ReadMerges();
    bool ParseRow(TPending& Row);
    void ParseCell(int& Row, int& Col, TPending& Out);
    QString InlineString();
    QString Value(int Type, int Style, QByteArrayView V, const QString& Inline) const;
    bool HasText(int Type, QByteArrayView V, const QString& Inline, int Row, int Col) const;
    bool Wanted(int Col) const;
    void EnterRow(int Row);
    void Activate(int Row, const TPending& Parsed);
    void Expire(int Row);
    void Fill(int Row, std::vector<std::pair<int, QString>>& Cells);
    [[noreturn]] void Damaged(const QString& Detail) const;

    TMiniZip& FZip;
    const TXlsxWorkbook& FBook;
    const TXlsxWorkSheet& FSheet;
    QString FFile;
    TOptions FOptions;
    std::vector<bool> FWantedBits;
    std::unique_ptr<TZipReadAhead> FStream;
    std::unique_ptr<xml::Reader> FXml;
    const char* FMainKey = nullptr; // the main namespace as the parser keeps it
    TXlsxName FRowName{"row"}, FCellName{"c"}, FValueName{"v"}, FInlineName{"is"};
    bool FAtEnd = false;
    int FDeclaredRows = 0;
    int FLastParsed = -1;
    int FLastRow = -1;
    int FColCount = 0, FRowCount = 0;
    std::string FV;
    TPending FPending;
    bool FHavePending = false;

    // Merge filling: ranges by top-left (row, column); those whose top-left held text are
    // active until their last row, per wanted column the active ones by list position.
    bool FFill = false;
    std::vector<TXlsxMerge> FMerges;
    std::vector<int> FByCorner; // merge indexes ordered by (Row1, Col1)
    std::size_t FNextCorner = 0, FCornerEnd = 0;
    int FCornerRow = -1;
    std::vector<int> FCornerCols; // 0-based top-left columns of merges starting in this row
    std::vector<QString> FMergeText;
    std::vector<std::set<int>> FActive;    // by position in FColumns
    std::set<int> FActiveCols;             // positions in FColumns with an active merge
    std::set<std::pair<int, int>> FExpiry; // (Row2, merge)
    std::vector<int> FColumns;             // the wanted columns, 0-based
    int FFillUntil = -1;                   // 0-based last row of an active merge
    qint64 FFilled = 0;
};

// A sheet's rows read on a thread of their own, a few batches ahead of the caller, so that the
// parse and the cells' texts overlap with what the caller does with the rows. A failure of the
// parse reaches the caller after the rows before it.
class TXlsxRowsAhead
{
public:
    explicit TXlsxRowsAhead(std::unique_ptr<TXlsxSheetReader> Reader);
    TXlsxRowsAhead(const TXlsxRowsAhead&) = delete;
    TXlsxRowsAhead& operator=(const TXlsxRowsAhead&) = delete;

    // As TXlsxSheetReader::Next.
    bool Next(TXlsxRow& Row);
    // The reader, for its extents once Next has answered false.
    const TXlsxSheetReader& Reader() const { return *FReader; }

private:
    static constexpr std::size_t kBatchRows = 256;
    static constexpr std::size_t kBatchCells = 16384;
    static constexpr std::size_t kBatchBytes = 8u << 20;
    static constexpr std::size_t kBatches = 4;
    bool Fill(std::vector<TXlsxRow>& Batch, const queue::StopFlag& Stop);

    std::unique_ptr<TXlsxSheetReader> FReader;
    std::vector<TXlsxRow> FBatch; // being handed out
    std::size_t FIndex = 0;
    // Last: its thread stops before the reader goes.
    queue::ReadAhead<std::vector<TXlsxRow>> FAhead;
};

class TXlsxFile : public TBaseDocumentFile
{
public:
    TXlsxWorkbook Workbook;
    ~TXlsxFile() override;

    // Load keeps at most this many rows and columns from a sheet's top left and stops its
    // parse below them; 0: all.
    void SetCellLimits(int Rows, int Cols)
    {
        FRowLimit = Rows;
        FColLimit = Cols;
    }

    // Opens the archive and reads the workbook's own parts, no sheet; the archive stays open
    // for OpenSheet until Close or the file's end.
    void OpenWorkbook();
    std::unique_ptr<TXlsxSheetReader> OpenSheet(const TXlsxWorkSheet& Sheet,
                                                TXlsxSheetReader::TOptions Options);
    void Close();

protected:
    void Parse(TMiniZip& Zip) override;

private:
    void ReadWorkbook(TMiniZip& Zip);
    void LoadCells(TMiniZip& Zip, TXlsxWorkSheet& Sheet);

    int FRowLimit = 0;
    int FColLimit = 0;
    std::unique_ptr<TMiniZip> FZip;
};

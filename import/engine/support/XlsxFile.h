#pragma once
// An XLSX workbook: its sheets (names, visibility), shared strings and cell formats, and the
// rows of a sheet read in order from the archive as its XML is parsed. A sheet's texts can be
// kept in a sparse cell store (column c - 1, row r - 1 holds sheet cell (r, c)), whole or only
// its top-left corner; an import reads the rows without keeping them.

#include "import/engine/support/BaseDocumentFile.h"
#include "import/engine/support/SheetValues.h"
#include "import/engine/support/SparseCells.h"
#include "import/engine/support/XlsxSheetReader.h"

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
class ZipEntryStream;

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
    std::unique_ptr<XlsxSheetReader> OpenSheet(const TXlsxWorkSheet& Sheet,
                                                XlsxSheetReader::Options Options);
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

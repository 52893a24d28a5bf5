#pragma once
// The rows of one sheet of an XLSX workbook, read in order from the archive as its XML is parsed,
// with merged ranges filled on the way.

#include <QString>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace xml {
class Reader;
}
class TMiniZip;
class TXlsxWorkbook;
class TXlsxWorkSheet;
class ZipReadAhead;

// An element's local name and the parser's pointer for it once one was matched.
struct XlsxName
{
    const char* local;
    const char* key = nullptr;
};

struct TXlsxMerge
{
    int Row1 = 0, Col1 = 0, Row2 = 0, Col2 = 0; // 1-based
};

// One row of a sheet: its 0-based index and its cells that hold text, by 0-based column in
// column order.
struct XlsxRow
{
    int row = -1;
    std::vector<std::pair<int, QString>> cells;
    // Empty when the row has no text in that column.
    QString text(int col) const;
};

// The rows of one sheet in order, parsed as the part is inflated: only the current row is
// held. With merge filling on, the merged ranges are read first in a pass of their own.
class XlsxSheetReader
{
public:
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxCols = 16384;
    static constexpr int MaxMerges = 1 << 20;

    struct Options
    {
        // 0-based columns whose texts are wanted, ascending; empty: every column below ColLimit.
        std::vector<int> columns;
        int colLimit = MaxCols;
        // The parse stops before this 0-based row; 0: it reads the whole sheet.
        int rowLimit = 0;
    };

    // Raises EZipError when the sheet's part is missing or damaged.
    XlsxSheetReader(TMiniZip& Zip, const TXlsxWorkbook& Book, const TXlsxWorkSheet& Sheet,
                     const QString& FileName, Options Options);
    ~XlsxSheetReader();
    XlsxSheetReader(const XlsxSheetReader&) = delete;
    XlsxSheetReader& operator=(const XlsxSheetReader&) = delete;

    // The next row that holds a text in any column or lies in a filled merged range (its
    // Cells only the wanted columns'); false after the last one.
    bool next(XlsxRow& row);
    // The rows the sheet's own dimension names, 0 when it names none: a hint, never trusted.
    int declaredRows() const { return m_declaredRows; }
    // Extents (1-based) of the rows returned so far, every column counted.
    int colCount() const { return m_colCount; }
    int rowCount() const { return m_rowCount; }

private:
    struct Pending
    {
        int row = -1;
        std::vector<std::pair<int, QString>> cells;
        // Texts of merged ranges' top-left cells outside the wanted columns.
        std::vector<std::pair<int, QString>> corners;
        int maxCol = 0; // 1-based; 0 when no cell of the row holds text
    };
    void open();
    void readMerges();
    bool parseRow(Pending& Row);
    void parseCell(int& Row, int& Col, Pending& Out);
    QString inlineString();
    QString value(int Type, int Style, QByteArrayView V, const QString& Inline) const;
    bool hasText(int Type, QByteArrayView V, const QString& Inline, int Row, int Col) const;
    bool wanted(int Col) const;
    void enterRow(int Row);
    void activate(int Row, const Pending& Parsed);
    void expire(int Row);
    void fill(int Row, std::vector<std::pair<int, QString>>& Cells);
    [[noreturn]] void fail(const QString& Detail) const;

    TMiniZip& m_zip;
    const TXlsxWorkbook& m_book;
    const TXlsxWorkSheet& m_sheet;
    QString m_file;
    Options m_options;
    std::vector<bool> m_wantedBits;
    std::unique_ptr<ZipReadAhead> m_stream;
    std::unique_ptr<xml::Reader> m_xml;
    const char* m_mainKey = nullptr; // the main namespace as the parser keeps it
    XlsxName m_rowName{"row"}, m_cellName{"c"}, m_valueName{"v"}, m_inlineName{"is"};
    bool m_atEnd = false;
    int m_declaredRows = 0;
    int m_lastParsed = -1;
    int m_lastRow = -1;
    int m_colCount = 0, m_rowCount = 0;
    std::string m_v;
    Pending m_pending;
    bool m_havePending = false;

    // Merge filling: ranges by top-left (row, column); those whose top-left held text are
    // active until their last row, per wanted column the active ones by list position.
    bool m_fill = false;
    std::vector<TXlsxMerge> m_merges;
    std::vector<int> m_byCorner; // merge indexes ordered by (Row1, Col1)
    std::size_t m_nextCorner = 0, m_cornerEnd = 0;
    int m_cornerRow = -1;
    std::vector<int> m_cornerCols; // 0-based top-left columns of merges starting in this row
    std::vector<QString> m_mergeText;
    std::vector<std::set<int>> m_active;    // by position in m_columns
    std::set<int> m_activeCols;             // positions in m_columns with an active merge
    std::set<std::pair<int, int>> m_expiry; // (Row2, merge)
    std::vector<int> m_columns;             // the wanted columns, 0-based
    int m_fillUntil = -1;                   // 0-based last row of an active merge
    qint64 m_filled = 0;
};


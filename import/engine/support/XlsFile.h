#pragma once
// Reader of BIFF8 workbooks (the binary XLS format): the globals (sheet entries, cell and number
// formats, shared strings, date system) and every worksheet's cells, each able to give its value
// as text. Cells are held compactly, 16 bytes each, sorted by row and indexed by column.

#include "import/engine/support/SheetValues.h"
#include "import/engine/support/SheetWorkbook.h"

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

class ExlsFileError : public std::runtime_error
{
public:
    explicit ExlsFileError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// One cell. The value is a number, an index of a string, or a boolean or error code.
struct TbiffCell
{
    enum : quint8 { ckNumber, ckShared, ckText, ckBoolean, ckError, ckEmpty };
    union {
        double Number;
        quint32 Index; // ckShared: shared string; ckText: the sheet's own strings
        quint8 Code;   // ckBoolean: 0 or 1; ckError: the error code
    };
    quint16 Row;
    quint16 Col;
    quint16 XF;
    quint8 Kind;
};
static_assert(sizeof(TbiffCell) == 16);

// Names of columns and rows (1-based): 1 -> "A", 27 -> "AA"; 12 -> "12"; letters back to the
// column number (0 when they are none).
QString ColIndexToLetters(int Col);
QString RowNumberToText(int Row);
int ColLettersToIndex(const QString& Letters);

// The texts of the built-in number formats 0 to 49 (those the workbook need not store); empty
// for the indexes kept for locales (23 to 36) and outside 0 to 49.
QString BuiltinNumberFormat(int Index);

// Error cell codes and their texts; an unknown code reads as "#NULL!".
QString ErrorCodeToText(int Code);
// Raises ExlsFileError for a text that is no error code.
int TextToErrorCode(const QString& Text);

class TxlsGlobals
{
public:
    struct TBoundSheet
    {
        quint32 Offset = 0;    // of the sheet's BOF in the workbook stream
        quint8 Visibility = 0; // 0 visible, 1 hidden, 2 very hidden
        quint8 Type = 0;       // 0 worksheet, 2 chart, 1 and 6 macros
        QString Name;
    };

    std::vector<TBoundSheet> BoundSheets;
    bool Date1904 = false;

    int SSTCount() const { return int(FSSTStart.size()) - 1; }
    QString SST(int Index) const { return SSTView(Index).toString(); }
    // The string where the workbook keeps it; null outside the table.
    QStringView SSTView(int Index) const;
    // The number format of a cell format, and whether it shows a date or time.
    int FormatIndex(int XF) const;
    bool IsDateXF(int XF) const
    {
        return XF >= 0 && XF < int(FDateXF.size()) && FDateXF[std::size_t(XF)];
    }
    // The text of a number format by the FORMAT record's own index; empty when none.
    QString FormatText(int Index) const { return FFormats.value(Index); }

private:
    friend class TxlsLoader;
    QString FSSTPool;
    std::vector<quint32> FSSTStart{0};
    std::vector<quint16> FXF;
    QHash<int, QString> FFormats;
    std::vector<bool> FDateXF;
};

class TxlsWorkSheet
{
public:
    int Index() const { return FIndex; }
    QString GetName() const { return FName; }
    bool Visible() const { return FVisibility == 0; }

    // Highest used index + 1.
    int RowCount() const { return FRows.empty() ? 0 : FRows.back() + 1; }
    int ColCount() const { return FCols.empty() ? 0 : FCols.back() + 1; }

    // 0-based; nullptr when the cell is not filled.
    const TbiffCell* Cell(int Row, int Col) const;
    // The cells of a row in column order, of a column in row order.
    std::span<const TbiffCell> RowCells(int Row) const;
    std::span<const quint32> ColCellIndexes(int Col) const;
    const TbiffCell& CellAt(quint32 Index) const { return FCells[Index]; }
    const QString& Text(quint32 Index) const { return FTexts.at(Index); }

private:
    friend class TxlsLoader;
    int FIndex = 0;
    QString FName;
    quint8 FVisibility = 0;
    std::vector<TbiffCell> FCells;
    // Only rows and columns that hold cells are indexed, so a crafted file with a far cell in
    // each of many sheets costs no more than its cells.
    std::vector<quint16> FRows;     // distinct rows, ascending
    std::vector<quint32> FRowStart; // first cell of each, and the end
    std::vector<quint16> FCols;     // distinct columns, ascending
    std::vector<quint32> FColStart; // first entry of each in FColOrder, and the end
    std::vector<quint32> FColOrder; // cell indexes by column, then row
    std::vector<QString> FTexts;
};

class TxlsWorkbook
{
public:
    TxlsGlobals Globals;
    std::vector<std::unique_ptr<TxlsWorkSheet>> WorkSheets;
    int SheetCount() const { return int(WorkSheets.size()); }
    TxlsWorkSheet* Sheet(int Index) const { return WorkSheets.at(std::size_t(Index)).get(); }
};

class TxlsFile : public TSheetWorkbook
{
public:
    TxlsFile() = default;
    explicit TxlsFile(const QString& FileName) : FFileName(FileName) {}

    QString FileName() const { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    // Keep the cells of at most this many rows of a sheet (0 = all).
    int RowLimit = 0;
    // How cell values become text; the import sets its own separator and date formats.
    TSheetTextFormat TextFormat;

    // Raises ExlsFileError; a failure leaves the file closed.
    void Open();
    // The same from the file's bytes (a compound file or a bare record stream).
    void OpenBytes(QByteArray Data);
    void Close();
    bool Opened() const { return FWorkbook != nullptr; }
    const TxlsWorkbook* Workbook() const { return FWorkbook.get(); }

    QString CellText(const TxlsWorkSheet& Sheet, const TbiffCell& Cell) const;
    // The same text without a copy where the workbook keeps it (strings); numbers, dates and
    // errors are written into Scratch, in the memory it holds, and the view is of it.
    QStringView CellView(const TxlsWorkSheet& Sheet, const TbiffCell& Cell, QString& Scratch) const;
    // The sheet (0-based) in the workbook's order, or nullptr.
    const TxlsWorkSheet* SheetOrNull(int Sheet) const;
    // A cell's value as a type; raise ExlsFileError "Cannot access cell 'B2' as type Float" for
    // a type the cell cannot give. A number gives a float, and a date-time within the years
    // 1900 to 9999; a boolean gives a boolean; the variant is the number (a date-time when the
    // cell's format shows one), the boolean, the text or error text, or null for a blank cell.
    double CellAsFloat(const TbiffCell& Cell) const;
    QDateTime CellAsDateTime(const TbiffCell& Cell) const;
    bool CellAsBoolean(const TbiffCell& Cell) const;
    QVariant CellAsVariant(const TxlsWorkSheet& Sheet, const TbiffCell& Cell) const;
    bool IsDateFormatCell(const TbiffCell& Cell) const;

    // The workbook interface of range text.
    bool IsLoaded() const override { return Opened(); }
    void Load() override { Open(); }
    int SheetCount() const override;
    QString SheetName(int Sheet) const override;
    int FirstCol(int Sheet, int Row) const override;
    int LastCol(int Sheet, int Row) const override;
    int FirstRow(int Sheet, int Col) const override;
    int LastRow(int Sheet, int Col) const override;
    QString CellText(int Sheet, int Row, int Col) const override;

private:
    QByteArray ReadWorkbookStream(QIODevice& Device) const;
    void LoadStream(QByteArray Stream);

    QString FFileName;
    std::unique_ptr<TxlsWorkbook> FWorkbook;
};

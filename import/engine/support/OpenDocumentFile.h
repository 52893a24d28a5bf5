#pragma once
// The tables of OpenDocument files: the sheets of a spreadsheet (ODS) and the top-level tables
// of a text document (ODT), each with its cell texts in a sparse cell store (column c, row r,
// 0-based). The content is streamed a row at a time, never held as a document tree.

#include "import/engine/support/BaseDocumentFile.h"
#include "import/engine/support/SheetValues.h"
#include "import/engine/support/SparseCells.h"

#include <functional>
#include <memory>
#include <vector>

class TODSSpreadSheet
{
public:
    QString Name;
    // The last column and row that hold text, plus one.
    int ColCount = 0;
    int RowCount = 0;
    TKobSparseCells Cells;
    // A text table that holds another table in one of its cells.
    bool ComplexTable = false;
    // Named by the document but not read: a preview stopped before it.
    bool Unread = false;
};
using TODTSpreadSheet = TODSSpreadSheet;

class TOpenDocumentFile : public TBaseDocumentFile
{
public:
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxCols = 16384;
    // More cells than this are refused: repeats can describe billions of them.
    static constexpr qint64 MaxCells = 8000000;

    std::vector<std::unique_ptr<TODSSpreadSheet>> SpreadSheets;
    // How typed spreadsheet values (numbers, dates) become text.
    TSheetTextFormat TextFormat;

    // Letters a to z compared without case; an empty name gives the first sheet or table.
    TODSSpreadSheet* GetSheetByName(const QString& Name) const;

    // For a preview: only the first Rows rows of each table are read (0: all of them). A
    // spreadsheet whose settings name its sheets is read no further than the first sheet
    // longer than that; the sheets after it are listed Unread.
    void SetPreviewRows(int Rows) { FPreviewRows = qMax(Rows, 0); }
    // Only the table of that name is read (with a preview, only its first rows).
    void SetOnlySheet(const QString& Name) { FOnlySheet = Name; }
    // A spreadsheet's preview skips what it does not show (rows past the preview, tables
    // other than the only sheet) by scanning their bytes for the tables' ends (on by
    // default); off, it parses them. Both give the same sheets.
    void SetSkipByScanning(bool Value) { FSkipByScanning = Value; }
    // Only the tables' names are read (each listed Unread), where the part can be scanned for
    // them; otherwise every table's preview rows are read as without it.
    void SetListOnly(bool Value) { FListOnly = Value; }
    // A document of more tables than this is refused, its read stopped there (0: no limit).
    void SetMaxTables(int Count) { FMaxTables = qMax(Count, 0); }
    // The last load stopped at that limit.
    bool OverTableLimit() const { return FOverLimit; }
    // Whether the last load skipped rows by scanning: the scanner was sure of the whole part.
    bool SkippedByScanning() const { return FSkippedByScanning; }
    // The caller listed the tables of this document by scanning (SkippedByScanning after a
    // list-only load), so no text table nests another: the preview of the only table asked
    // for need not scan that table to its end to find out.
    void SetListedByScanning(bool Value) { FListedByScanning = Value; }

protected:
    enum class Kind { Spreadsheet, Text };
    explicit TOpenDocumentFile(Kind K) : FKind(K) {}
    void Parse(TMiniZip& Zip) override;
    bool previewBySkipping(TMiniZip& Zip);
    bool listBySkipping(TMiniZip& Zip, const QStringList& Named);
    // The sheets the settings name (Named) after the last one listed, listed unread.
    void listNamedAfterLast(const QStringList& Named);
    // Runs a scan of content.xml that skips what it need not parse: true when the scan was
    // sure of the whole part. Anything else, damage included, is left to the parse, which says
    // what is wrong; only the table limit passes on.
    bool scanned(const std::function<bool()>& Scan);
    // Lists one more table, or refuses the document past the table limit.
    TODSSpreadSheet& addTable(const QString& Name);

    Kind FKind;
    bool FNotExpandMergedValue = true;
    int FPreviewRows = 0;
    QString FOnlySheet;
    bool FSkipByScanning = true;
    bool FSkippedByScanning = false;
    bool FListedByScanning = false;
    bool FListOnly = false;
    int FMaxTables = 0;
    bool FOverLimit = false;
};

class TODSFile : public TOpenDocumentFile
{
public:
    TODSFile() : TOpenDocumentFile(Kind::Spreadsheet) {}
    // Only the top-left position of a merged block holds its text.
    void SetNotExpandMergedValue(bool Value) { FNotExpandMergedValue = Value; }
    bool NotExpandMergedValue() const { return FNotExpandMergedValue; }
};

class TODTFile : public TOpenDocumentFile
{
public:
    TODTFile() : TOpenDocumentFile(Kind::Text) {}
};

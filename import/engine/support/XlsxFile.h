#pragma once
// An XLSX workbook: its sheets (names, visibility) and, for the sheets asked for, their cell
// texts in a sparse cell store (column c - 1, row r - 1 holds sheet cell (r, c)). Sheet parts
// are streamed from the archive, never held as a document tree.

#include "import/engine/support/BaseDocumentFile.h"
#include "import/engine/support/SheetValues.h"
#include "import/engine/support/SparseCells.h"

#include <QHash>
#include <QStringList>
#include <memory>
#include <vector>

struct TXlsxMerge
{
    int Row1 = 0, Col1 = 0, Row2 = 0, Col2 = 0; // 1-based
};

class TXlsxWorkSheet
{
public:
    QString Name;
    bool Hidden = false;
    // The sheet's part in the archive, resolved from the workbook's relationships.
    QString PartName;
    // Highest column and row that hold a value (1-based; 0 when the sheet is empty).
    int ColCount = 0;
    int RowCount = 0;
    // Cell texts; sized ColCount x RowCount once the sheet is loaded.
    TKobSparseCells Cells;
    std::vector<TXlsxMerge> Merges;
    bool Loaded = false;
};

class TXlsxWorkbook
{
public:
    std::vector<std::unique_ptr<TXlsxWorkSheet>> WorkSheets;
    QStringList SharedStrings;
    bool Date1904 = false;
    bool LoadHiddenSheet = false;
    // Every position of a merged range reads the range's top-left text.
    bool NeedFillMerge = false;
    TSheetTextFormat TextFormat;

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
    // Only this sheet's cells are read (an empty name: the first sheet); all sheets when unset.
    void SetOnlySheet(const QString& Name)
    {
        FOnlySheet = Name;
        FOnlySheetSet = true;
    }

protected:
    void Parse(TMiniZip& Zip) override;

private:
    QString FOnlySheet;
    bool FOnlySheetSet = false;
};

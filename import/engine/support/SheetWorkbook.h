#pragma once
// What range text needs of a loaded workbook. Sheets, rows and columns are 0-based here;
// range text counts from 1.

#include <QString>

class TSheetWorkbook
{
public:
    virtual ~TSheetWorkbook() = default;

    virtual bool IsLoaded() const = 0;
    // Reads the workbook; raises the reader's error when it cannot.
    virtual void Load() = 0;

    virtual int SheetCount() const = 0;
    virtual QString SheetName(int Sheet) const = 0;
    // Names compare without case; -1 when no sheet has it.
    virtual int SheetIndexByName(const QString& Name) const
    {
        for (int i = 0; i < SheetCount(); ++i)
            if (SheetName(i).compare(Name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    // First and last filled column of a row, first and last filled row of a column; -1 when
    // the row or column holds no filled cell.
    virtual int FirstCol(int Sheet, int Row) const = 0;
    virtual int LastCol(int Sheet, int Row) const = 0;
    virtual int FirstRow(int Sheet, int Col) const = 0;
    virtual int LastRow(int Sheet, int Col) const = 0;

    // Empty when the cell is not filled or lies outside the sheet.
    virtual QString CellText(int Sheet, int Row, int Col) const = 0;
};

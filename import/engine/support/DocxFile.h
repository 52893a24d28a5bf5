#pragma once
// The tables of a DOCX document in document order (nested tables listed after their outer
// table), each row's cells with the text of their paragraphs.

#include "import/engine/support/BaseDocumentFile.h"

#include <QStringList>
#include <vector>

struct TDocxTable
{
    std::vector<QStringList> Rows;
    int RowCount() const { return int(Rows.size()); }
};

class TDocxFile : public TBaseDocumentFile
{
public:
    // More cells than this (a row counting two) are refused: a small archive can describe
    // hundreds of millions.
    static constexpr qint64 MaxCells = 4000000;

    // Every table of the document, in order; with only one table wanted, the others are
    // listed without their rows.
    std::vector<TDocxTable> Tables;
    // For a preview: the rows of table Number alone are kept (1-based; 0: every table's).
    void SetOnlyTable(int Number) { FOnlyTable = qMax(Number, 0); }
    // For a preview: at most Rows rows of a table are kept (0: all).
    void SetPreviewRows(int Rows) { FPreviewRows = qMax(Rows, 0); }
    // A document of more tables than this is refused, its read stopped there (0: no limit).
    void SetMaxTables(int Count) { FMaxTables = qMax(Count, 0); }
    // The last read stopped at that limit.
    bool OverTableLimit() const { return FOverLimit; }
    // Spanned and vertically merged positions repeat the cell's text.
    bool NeedFillMerge = false;
    void SetNeedFillMerge(bool Value) { NeedFillMerge = Value; }

protected:
    void Parse(TMiniZip& Zip) override;

private:
    int FOnlyTable = 0;
    int FPreviewRows = 0;
    int FMaxTables = 0;
    bool FOverLimit = false;
};

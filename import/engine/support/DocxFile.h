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

    std::vector<TDocxTable> Tables;
    // Spanned and vertically merged positions repeat the cell's text.
    bool NeedFillMerge = false;
    void SetNeedFillMerge(bool Value) { NeedFillMerge = Value; }

protected:
    void Parse(TMiniZip& Zip) override;
};

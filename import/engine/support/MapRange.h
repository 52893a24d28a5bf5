#pragma once
// Range text: which cells of a workbook give a field's values, one value per imported row.
// "A1-A9;", "[Sheet2]B-COLFINISH;", "[:2]1-ROWFINISH;", "C3;". Parsed into ranges that are
// resolved against a workbook, read value by value, and edited by the wizard.

#include <QString>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

class TSheetWorkbook;
class TMapRow;
class TMapRowList;

class EMapRangeError : public std::runtime_error
{
public:
    explicit EMapRangeError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

namespace MapRangeLimits {
constexpr int MaxRow = 65536;
constexpr int MaxCol = 256;
} // namespace MapRangeLimits

// "A" = 1 ... "IV" = 256; 0 for empty text, anything but letters, or past MaxCol.
int MapColLettersToIndex(const QString& Letters);
QString MapColIndexToLetters(int Col);

class TMapRange
{
public:
    enum : quint8 { dirForward = 0, dirBackward = 1, dirUnset = 2 };
    enum : quint8 { skAny = 0, skName = 1, skNumber = 2 };
    enum : quint8 { rkColumn = 0, rkRow = 1, rkCell = 2, rkUndetermined = 3 };

    explicit TMapRange(TMapRow* MapRow = nullptr) : FMapRow(MapRow) {}

    TMapRow* MapRow() const { return FMapRow; }
    TSheetWorkbook* Workbook() const;

    quint8 Direction = dirUnset;
    quint8 SheetKind = skAny;
    int SheetNumber = 0; // 1-based
    QString SheetName;
    int StartRow = 0, StartCol = 0, FinishRow = 0, FinishCol = 0; // 0 = open end
    quint8 Kind() const { return FKind; }
    int CellCount() const { return FCellCount; }

    // Kind from the bounds, then the cell count past the skipped rows and columns.
    void UpdateKind();
    // UpdateKind, except that a column run from row 1 to row 1 (a row run from column 1 to
    // column 1) stays the run Kind names instead of becoming one cell: the range editor's choice.
    void KeepRun(quint8 Kind);
    // Direction of a run from the order of its ends; unset for a single cell.
    void UpdateDirection();
    void Assign(const TMapRange& Source);

    QString GetAsString() const;
    bool ContainsCell(const QString& SheetName, int SheetNumber, int Row, int Col) const;

    // The 0-based sheet the range was resolved to (-1 before).
    int SheetIndex() const { return FSheetIndex; }
    // 1-based row and column of the Index-th (1-based) cell of the range.
    void CellAt(int Index, int& Row, int& Col) const;

private:
    friend class TMapRow;
    bool MatchesSheet(const QString& Name, int Number) const;
    int SkipRows() const;
    int SkipCols() const;
    void UpdateCount();

    TMapRow* FMapRow;
    quint8 FKind = rkUndetermined;
    int FCellCount = 0;
    int FSheetIndex = -1;
};

class TMapRow
{
public:
    explicit TMapRow(TMapRowList* Owner = nullptr);
    ~TMapRow();
    TMapRow(const TMapRow&) = delete;
    TMapRow& operator=(const TMapRow&) = delete;

    TMapRowList* Owner() const { return FOwner; }
    TSheetWorkbook* Workbook() const;
    // A map row of its own (the wizard's editor) takes a workbook without a list.
    void SetWorkbook(TSheetWorkbook* Workbook) { FWorkbook = Workbook; }

    int Count() const { return int(FItems.size()); }
    TMapRange* GetItem(int Index) const { return FItems.at(std::size_t(Index)).get(); }
    void Delete(int Index);
    void Clear() { FItems.clear(); }
    // Takes the range, resolves it against the workbook when there is one.
    void Add(std::unique_ptr<TMapRange> Range);
    void Exchange(int A, int B) { std::swap(FItems.at(std::size_t(A)), FItems.at(std::size_t(B))); }
    // Every range of Source moves to the end of this row, which becomes its owner.
    void TakeAll(TMapRow& Source);

    bool ContainsCell(const QString& SheetName, int SheetNumber, int Row, int Col) const;
    enum : int { nbLeft = 1, nbRight = 2, nbAbove = 4, nbBelow = 8 };
    int NeighbourFlags(const QString& SheetName, int SheetNumber, int Row, int Col) const;

    QString GetAsString() const;
    // Replaces the ranges with those of Text; raises EMapRangeError with the position of the
    // first fault, keeping the ranges read before it.
    void SetAsString(const QString& Text);
    int IndexOfText(const QString& Text) const;

    int TotalCount() const;
    // Text of the Index-th (1-based) cell; empty past the end or without a workbook.
    QString Value(int Index) const;
    // Where the Index-th (1-based) cell lies: its sheet (0 when the range names none) and its
    // 1-based row and column; false past the end.
    bool CellOf(int Index, int& Sheet, int& Row, int& Col) const;

    void MergeRanges();
    void ExcludeCell(const QString& SheetName, int SheetNumber, int Row, int Col);

private:
    void Resolve(TMapRange& Range);

    TMapRowList* FOwner;
    TSheetWorkbook* FWorkbook = nullptr;
    std::vector<std::unique_ptr<TMapRange>> FItems;
};

class TMapRowList
{
public:
    explicit TMapRowList(TSheetWorkbook* Workbook = nullptr) : FWorkbook(Workbook) {}
    TSheetWorkbook* Workbook() const { return FWorkbook; }
    int SkipCols = 0;
    int SkipRows = 0;

    int Count() const { return int(FItems.size()); }
    TMapRow* GetItem(int Index) const { return FItems.at(std::size_t(Index)).get(); }
    // A new map row owned by the list, not yet in it; add it once its text is parsed.
    std::unique_ptr<TMapRow> NewRow() { return std::make_unique<TMapRow>(this); }
    void Add(std::unique_ptr<TMapRow> Row) { FItems.push_back(std::move(Row)); }
    void Clear() { FItems.clear(); }

    // Indexes of the rows with the most and the fewest cells; the first wins on ties.
    void UpdateLongestShortest();
    int LongestIndex() const { return FLongest; }
    int ShortestIndex() const { return FShortest; }
    int LongestCount() const { return FLongest < 0 ? 0 : GetItem(FLongest)->TotalCount(); }
    int ShortestCount() const { return FShortest < 0 ? 0 : GetItem(FShortest)->TotalCount(); }

private:
    TSheetWorkbook* FWorkbook;
    std::vector<std::unique_ptr<TMapRow>> FItems;
    int FLongest = -1;
    int FShortest = -1;
};

// Checks of one part of a range, as the range editor's boxes hold them. Each raises
// EMapRangeError with the position of the fault.
void ParseCellDefinition(const QString& Text, int& Col, int& Row);
int ParseColDefinition(const QString& Text);
int ParseRowDefinition(const QString& Text);
int ParseSheetNumberDefinition(const QString& Text);
QString ParseSheetNameDefinition(const QString& Text);

#pragma once
// Sparse containers behind the wide-string grid and every preview that fills one: memory is
// taken only for the blocks where something is stored, so a sheet-sized grid with a few
// hundred written cells stays small.

#include "import/engine/support/WideStrings.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

enum TSPAQuantum : quint8 { SPASmall, SPALarge };

// Pointers by index. Leaves of 16 or 256 slots hang from a two-level directory, so any
// non-negative int index works (no 16-bit directory limit).
class TKobSparsePointerArray
{
public:
    using TSPAApply = std::function<int(int Index, void* Item)>;

    explicit TKobSparsePointerArray(TSPAQuantum Quantum);
    ~TKobSparsePointerArray();
    TKobSparsePointerArray(const TKobSparsePointerArray&) = delete;
    TKobSparsePointerArray& operator=(const TKobSparsePointerArray&) = delete;

    TSPAQuantum Quantum() const { return FQuantum; }
    void* Get(int Index) const;
    void Put(int Index, void* Item);
    int HighBound() const { return FHighBound; }
    // Stored items in index order; stops at the first non-zero answer and returns it.
    int ForAll(const TSPAApply& Apply) const;
    // Items at or above Index, highest first (for callers that drop a tail).
    int ForAllFrom(int Index, const TSPAApply& Apply) const;

private:
    static constexpr int kMidBits = 12; // directory entries per middle block
    static constexpr int kSmallLeaf = 16;
    struct Mid;
    // The first leaf of a small-quantum array lives in the array itself: most rows of a sheet
    // are short, and a row then costs no directory at all.
    bool InlineFirst() const { return FQuantum == SPASmall; }
    void* const* Leaf(std::size_t Top, std::size_t M) const;
    void** Slot(int Index) const;
    void** MakeSlot(int Index);
    void RecomputeHighBound();

    TSPAQuantum FQuantum;
    int FShift;
    int FMask;
    std::vector<std::unique_ptr<Mid>> FTop;
    int FHighBound = -1;
    mutable int FCacheIndex = -1;
    mutable void* FCacheItem = nullptr;
    void* FFirst[kSmallLeaf] = {};
};

// A list with a count and insert/delete over the sparse array.
class TKobSparseList
{
public:
    explicit TKobSparseList(TSPAQuantum Quantum);
    TKobSparseList(TKobSparseList&& Other) noexcept;

    int Count() const { return FCount; }
    void* Get(int Index) const;
    void Put(int Index, void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    void Clear();
    int ForAll(const TKobSparsePointerArray::TSPAApply& Apply) const
    {
        return FList->ForAll(Apply);
    }
    int ForAllFrom(int Index, const TKobSparsePointerArray::TSPAApply& Apply) const
    {
        return FList->ForAllFrom(Index, Apply);
    }
    // Clears every slot from Index on and lowers the count to Index.
    void Truncate(int Index);

private:
    [[noreturn]] static void IndexError(int Index);
    TSPAQuantum FQuantum;
    std::unique_ptr<TKobSparsePointerArray> FList;
    int FCount = 0;
};

// Wide strings with objects, one item record per index that holds text or an object.
class TKobWideStringSparseList : public TWideStrings
{
public:
    explicit TKobWideStringSparseList(TSPAQuantum Quantum);
    ~TKobWideStringSparseList() override;

    std::function<void(TKobWideStringSparseList* Sender)> OnChange;

    QString Get(int Index) const override;
    int GetCount() const override { return FList.Count(); }
    void* GetObject(int Index) const override;
    void Put(int Index, const QString& S) override;
    void PutObject(int Index, void* Obj) override;
    void Insert(int Index, const QString& S) override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    void Clear() override;
    void Move(int CurIndex, int NewIndex) override;

    // Drops every item from Index on.
    void Truncate(int Index);
    // Number of indexes that hold an item.
    int StoredCount() const;
    // Stored items in index order.
    void ForEach(const std::function<void(int Index, const QString& Text, void* Obj)>& Visit) const;

private:
    struct TStrItem
    {
        void* FObject = nullptr;
        QString FString;
    };
    TStrItem* Item(int Index) const;
    void Changed();
    // Records come from blocks that double in size (2, 4, ... 256): a row of cells costs a few
    // allocations, not one per cell. Freed records are kept for reuse until the list clears.
    TStrItem* NewItem(void* Obj, const QString& S);
    void FreeItem(TStrItem* P);
    void FreeAllItems();
    std::vector<std::unique_ptr<TStrItem[]>> FBlocks;
    std::size_t FBlockUsed = 0;
    TStrItem* FFreeItems = nullptr; // linked through FObject

    TKobSparseList FList;
};

// The cells of a grid: texts and objects by column and row, with the grid's bounds. Shrinking
// a bound drops the cells beyond it; writing beyond a bound stores the cell (it shows once the
// grid grows). Holds one sparse list per row that has a cell.
class TKobSparseCells
{
public:
    explicit TKobSparseCells(int Cols = 0, int Rows = 0);
    virtual ~TKobSparseCells();
    TKobSparseCells(const TKobSparseCells&) = delete;
    TKobSparseCells& operator=(const TKobSparseCells&) = delete;
    // Takes the cells; the handlers stay behind.
    TKobSparseCells(TKobSparseCells&& Other) noexcept;

    int ColCount() const { return FColCount; }
    int RowCount() const { return FRowCount; }
    void SetColCount(int Value);
    void SetRowCount(int Value);

    QString Cell(int ACol, int ARow) const;
    void SetCell(int ACol, int ARow, const QString& Text);
    void* Object(int ACol, int ARow) const;
    void SetObject(int ACol, int ARow, void* Obj);
    // The row's list, or nullptr when nothing was ever stored in it.
    TKobWideStringSparseList* RowList(int ARow) const;

    void MoveColumn(int FromIndex, int ToIndex);
    void MoveRow(int FromIndex, int ToIndex);
    // Removes a row; the rows below move up and the count drops by one.
    void DeleteRow(int ARow);
    // Empties every cell; the bounds stay.
    void ClearCells();
    int StoredCellCount() const;

    // (-1, -1) after a change of many cells.
    std::function<void(int ACol, int ARow)> OnCellChanged;
    // After a change of ColCount or RowCount, with the old counts.
    std::function<void(int OldCols, int OldRows)> OnSizeChanged;

private:
    TKobWideStringSparseList* EnsureRow(int ARow);
    void DropRowsFrom(int ARow);
    void NotifyCell(int ACol, int ARow)
    {
        if (OnCellChanged)
            OnCellChanged(ACol, ARow);
    }

    int FColCount = 0;
    int FRowCount = 0;
    TKobSparseList FRows; // of TKobWideStringSparseList*
};

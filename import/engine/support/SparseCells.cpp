#include "import/engine/support/SparseCells.h"

#include <limits>
#include <vector>

// ---- pointer array ------------------------------------------------------------------------------

// Grown to the highest leaf used: a row of a few cells must not cost a full directory block.
struct TKobSparsePointerArray::Mid
{
    std::vector<std::unique_ptr<void*[]>> Leaves;
};

TKobSparsePointerArray::TKobSparsePointerArray(TSPAQuantum Quantum)
    : FQuantum(Quantum), FShift(Quantum == SPALarge ? 8 : 4), FMask(Quantum == SPALarge ? 255 : 15)
{}

TKobSparsePointerArray::~TKobSparsePointerArray() = default;

void* const* TKobSparsePointerArray::Leaf(std::size_t Top, std::size_t M) const
{
    if (Top == 0 && M == 0 && InlineFirst())
        return FFirst;
    if (Top >= FTop.size() || !FTop[Top])
        return nullptr;
    const auto& leaves = FTop[Top]->Leaves;
    return M < leaves.size() ? leaves[M].get() : nullptr;
}

void** TKobSparsePointerArray::Slot(int Index) const
{
    if (Index < 0)
        return nullptr;
    if (Index < kSmallLeaf && InlineFirst())
        return const_cast<void**>(&FFirst[Index]);
    const unsigned d = unsigned(Index) >> FShift;
    const unsigned top = d >> kMidBits;
    if (top >= FTop.size() || !FTop[top])
        return nullptr;
    const auto& leaves = FTop[top]->Leaves;
    const std::size_t m = d & ((1u << kMidBits) - 1);
    if (m >= leaves.size() || !leaves[m])
        return nullptr;
    return &leaves[m][std::size_t(Index & FMask)];
}

void** TKobSparsePointerArray::MakeSlot(int Index)
{
    if (Index < kSmallLeaf && InlineFirst()) {
        if (Index > FHighBound)
            FHighBound = Index;
        FCacheIndex = -1;
        return &FFirst[Index];
    }
    const unsigned d = unsigned(Index) >> FShift;
    const unsigned top = d >> kMidBits;
    if (top >= FTop.size())
        FTop.resize(top + 1);
    if (!FTop[top])
        FTop[top] = std::make_unique<Mid>();
    auto& leaves = FTop[top]->Leaves;
    const std::size_t m = d & ((1u << kMidBits) - 1);
    if (m >= leaves.size())
        leaves.resize(m + 1);
    auto& leaf = leaves[m];
    if (!leaf)
        leaf = std::make_unique<void*[]>(std::size_t(FMask) + 1); // zero-filled
    if (Index > FHighBound)
        FHighBound = Index;
    FCacheIndex = -1;
    return &leaf[std::size_t(Index & FMask)];
}

void* TKobSparsePointerArray::Get(int Index) const
{
    if (Index == FCacheIndex && Index >= 0)
        return FCacheItem;
    void** slot = Slot(Index);
    void* item = slot ? *slot : nullptr;
    FCacheIndex = Index;
    FCacheItem = item;
    return item;
}

void TKobSparsePointerArray::Put(int Index, void* Item)
{
    if (Index < 0)
        return;
    if (!Item) {
        void** slot = Slot(Index);
        if (!slot || !*slot)
            return;
        *slot = nullptr;
        FCacheIndex = -1;
        if (Index == FHighBound)
            RecomputeHighBound();
        return;
    }
    *MakeSlot(Index) = Item;
}

void TKobSparsePointerArray::RecomputeHighBound()
{
    // Downward from the old bound only: clearing a tail item by item stays linear.
    const int from = FHighBound;
    FHighBound = -1;
    for (qint64 d = qint64(from) >> FShift; d >= 0; --d) {
        const std::size_t top = std::size_t(d >> kMidBits);
        const std::size_t m = std::size_t(d & ((1 << kMidBits) - 1));
        if (!(d == 0 && InlineFirst()) && (top >= FTop.size() || !FTop[top])) {
            // skip the whole missing block (down to the inline first leaf)
            d = qMax<qint64>(qint64(top) << kMidBits, top == 0 && InlineFirst() ? 1 : 0);
            continue;
        }
        void* const* leaf = Leaf(top, m);
        if (!leaf)
            continue;
        const int first = d == (qint64(from) >> FShift) ? (from & FMask) : FMask;
        for (int s = first; s >= 0; --s)
            if (leaf[s]) {
                FHighBound = int((d << FShift) | s);
                return;
            }
    }
}

int TKobSparsePointerArray::ForAll(const TSPAApply& Apply) const
{
    const unsigned leafSize = unsigned(FMask) + 1;
    const std::size_t tops = qMax<std::size_t>(FTop.size(), InlineFirst() ? 1 : 0);
    for (std::size_t t = 0; t < tops; ++t) {
        std::size_t mids = t < FTop.size() && FTop[t] ? FTop[t]->Leaves.size() : 0;
        if (t == 0 && InlineFirst())
            mids = qMax<std::size_t>(mids, 1);
        for (std::size_t m = 0; m < mids; ++m) {
            void* const* leaf = Leaf(t, m);
            if (!leaf)
                continue;
            const qint64 base = (qint64(t) << kMidBits | qint64(m)) << FShift;
            if (base > FHighBound)
                return 0;
            for (unsigned s = 0; s < leafSize; ++s)
                if (leaf[s])
                    if (const int r = Apply(int(base + s), leaf[s]))
                        return r;
        }
    }
    return 0;
}

int TKobSparsePointerArray::ForAllFrom(int Index, const TSPAApply& Apply) const
{
    // Highest first, so that a caller may clear what it visits.
    const qint64 low = qMax(0, Index);
    const unsigned leafSize = unsigned(FMask) + 1;
    const qint64 tops = qint64(qMax<std::size_t>(FTop.size(), InlineFirst() ? 1 : 0));
    for (qint64 t = tops - 1; t >= 0; --t) {
        const std::size_t ut = std::size_t(t);
        qint64 mids = ut < FTop.size() && FTop[ut] ? qint64(FTop[ut]->Leaves.size()) : 0;
        if (t == 0 && InlineFirst())
            mids = qMax<qint64>(mids, 1);
        for (qint64 m = mids - 1; m >= 0; --m) {
            void* const* leaf = Leaf(ut, std::size_t(m));
            if (!leaf)
                continue;
            const qint64 base = (t << kMidBits | m) << FShift;
            if (base + leafSize <= low)
                return 0;
            for (int s = int(leafSize) - 1; s >= 0; --s) {
                if (base + s < low)
                    return 0;
                if (leaf[std::size_t(s)])
                    if (const int r = Apply(int(base + s), leaf[std::size_t(s)]))
                        return r;
            }
        }
    }
    return 0;
}

// ---- list ---------------------------------------------------------------------------------------

TKobSparseList::TKobSparseList(TSPAQuantum Quantum)
    : FQuantum(Quantum), FList(std::make_unique<TKobSparsePointerArray>(Quantum))
{}

TKobSparseList::TKobSparseList(TKobSparseList&& Other) noexcept
    : FQuantum(Other.FQuantum), FList(std::move(Other.FList)), FCount(Other.FCount)
{
    Other.FList = std::make_unique<TKobSparsePointerArray>(FQuantum);
    Other.FCount = 0;
}

void TKobSparseList::IndexError(int Index)
{
    throw EStringListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

void* TKobSparseList::Get(int Index) const
{
    if (Index < 0)
        IndexError(Index);
    return FList->Get(Index);
}

void TKobSparseList::Put(int Index, void* Item)
{
    if (Index < 0 || (Index == std::numeric_limits<int>::max() && Item))
        IndexError(Index); // the count would not fit
    FList->Put(Index, Item);
    FCount = FList->HighBound() + 1;
}

void TKobSparseList::Insert(int Index, void* Item)
{
    // The count must stay an int: nothing goes to or is pushed onto the last int index.
    constexpr int kLast = std::numeric_limits<int>::max();
    if (Index < 0 || Index == kLast || FCount == kLast ||
        (FList->HighBound() == kLast - 1 && Index <= kLast - 1))
        IndexError(Index);
    // Only stored items move: walking the tail from the top keeps each slot free before use.
    std::vector<std::pair<int, void*>> tail;
    FList->ForAllFrom(Index, [&](int i, void* p) {
        tail.emplace_back(i, p);
        return 0;
    });
    for (const auto& [i, p] : tail) {
        FList->Put(i, nullptr);
        FList->Put(i + 1, p);
    }
    FList->Put(Index, Item);
    if (Index > FCount)
        FCount = Index;
    ++FCount;
}

void TKobSparseList::Delete(int Index)
{
    if (Index < 0 || Index >= FCount)
        return;
    FList->Put(Index, nullptr);
    std::vector<std::pair<int, void*>> tail;
    FList->ForAllFrom(Index + 1, [&](int i, void* p) {
        tail.emplace_back(i, p);
        return 0;
    });
    for (auto it = tail.rbegin(); it != tail.rend(); ++it) {
        FList->Put(it->first, nullptr);
        FList->Put(it->first - 1, it->second);
    }
    --FCount;
}

void TKobSparseList::Exchange(int Index1, int Index2)
{
    void* a = Get(Index1);
    void* b = Get(Index2);
    Put(Index1, b);
    Put(Index2, a);
}

void TKobSparseList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    // Refused before anything moves, so a refusal never loses the item.
    constexpr int kLast = std::numeric_limits<int>::max();
    if (NewIndex < 0 || NewIndex == kLast || FCount == kLast || FList->HighBound() >= kLast - 1)
        IndexError(NewIndex);
    void* item = Get(CurIndex);
    Delete(CurIndex);
    Insert(NewIndex, item);
}

void TKobSparseList::Clear()
{
    FList = std::make_unique<TKobSparsePointerArray>(FQuantum);
    FCount = 0;
}

void TKobSparseList::Truncate(int Index)
{
    Index = qMax(0, Index);
    std::vector<int> drop;
    FList->ForAllFrom(Index, [&](int i, void*) {
        drop.push_back(i);
        return 0;
    });
    for (int i : drop)
        FList->Put(i, nullptr);
    FCount = qMin(FCount, Index);
}

// ---- wide-string list ---------------------------------------------------------------------------

TKobWideStringSparseList::TKobWideStringSparseList(TSPAQuantum Quantum) : FList(Quantum) {}

TKobWideStringSparseList::~TKobWideStringSparseList()
{
    OnChange = nullptr;
    Clear();
}

TKobWideStringSparseList::TStrItem* TKobWideStringSparseList::NewItem(void* Obj, const QString& S)
{
    TStrItem* p = FFreeItems;
    if (p) {
        FFreeItems = static_cast<TStrItem*>(p->FObject);
    } else {
        const std::size_t size =
            FBlocks.empty() ? 0 : std::size_t(2) << qMin<std::size_t>(FBlocks.size() - 1, 7);
        if (FBlocks.empty() || FBlockUsed == size) {
            FBlocks.push_back(std::make_unique<TStrItem[]>(
                std::size_t(2) << qMin<std::size_t>(FBlocks.size(), 7)));
            FBlockUsed = 0;
        }
        p = &FBlocks.back()[FBlockUsed++];
    }
    p->FObject = Obj;
    p->FString = S;
    return p;
}

void TKobWideStringSparseList::FreeItem(TStrItem* P)
{
    if (!P)
        return;
    P->FString = QString();
    P->FObject = FFreeItems;
    FFreeItems = P;
}

void TKobWideStringSparseList::FreeAllItems()
{
    FBlocks.clear();
    FBlockUsed = 0;
    FFreeItems = nullptr;
}

TKobWideStringSparseList::TStrItem* TKobWideStringSparseList::Item(int Index) const
{
    return static_cast<TStrItem*>(FList.Get(Index));
}

void TKobWideStringSparseList::Changed()
{
    if (OnChange)
        OnChange(this);
}

QString TKobWideStringSparseList::Get(int Index) const
{
    const TStrItem* p = Item(Index);
    return p ? p->FString : QString();
}

void* TKobWideStringSparseList::GetObject(int Index) const
{
    const TStrItem* p = Item(Index);
    return p ? p->FObject : nullptr;
}

void TKobWideStringSparseList::Put(int Index, const QString& S)
{
    TStrItem* old = Item(Index);
    void* obj = old ? old->FObject : nullptr;
    if (S.isEmpty() && !obj) {
        FList.Put(Index, nullptr);
        FreeItem(old);
    } else if (old) {
        old->FString = S;
        FList.Put(Index, old); // the same record; the count follows the stored items as always
    } else {
        TStrItem* item = NewItem(obj, S);
        try {
            FList.Put(Index, item);
        } catch (...) {
            FreeItem(item); // a refused index keeps nothing
            throw;
        }
    }
    Changed();
}

void TKobWideStringSparseList::PutObject(int Index, void* Obj)
{
    TStrItem* p = Item(Index);
    if (p) {
        p->FObject = Obj;
        if (!Obj && p->FString.isEmpty()) {
            FList.Put(Index, nullptr);
            FreeItem(p);
        }
    } else if (Obj) {
        TStrItem* item = NewItem(Obj, QString());
        try {
            FList.Put(Index, item);
        } catch (...) {
            FreeItem(item);
            throw;
        }
    }
    Changed();
}

void TKobWideStringSparseList::Insert(int Index, const QString& S)
{
    TStrItem* item = S.isEmpty() ? nullptr : NewItem(nullptr, S);
    try {
        FList.Insert(Index, item);
    } catch (...) {
        FreeItem(item);
        throw;
    }
    Changed();
}

void TKobWideStringSparseList::Delete(int Index)
{
    if (Index < 0 || Index >= FList.Count())
        return;
    FreeItem(Item(Index));
    FList.Delete(Index);
    Changed();
}

void TKobWideStringSparseList::Exchange(int Index1, int Index2)
{
    FList.Exchange(Index1, Index2);
}

void TKobWideStringSparseList::Move(int CurIndex, int NewIndex)
{
    FList.Move(CurIndex, NewIndex);
    Changed();
}

void TKobWideStringSparseList::Clear()
{
    FList.Clear();
    FreeAllItems();
    Changed();
}

void TKobWideStringSparseList::Truncate(int Index)
{
    FList.ForAllFrom(Index, [this](int, void* p) {
        FreeItem(static_cast<TStrItem*>(p));
        return 0;
    });
    FList.Truncate(Index);
}

int TKobWideStringSparseList::StoredCount() const
{
    int n = 0;
    FList.ForAll([&](int, void*) {
        ++n;
        return 0;
    });
    return n;
}

void TKobWideStringSparseList::ForEach(
    const std::function<void(int Index, const QString& Text, void* Obj)>& Visit) const
{
    FList.ForAll([&](int i, void* p) {
        const auto* item = static_cast<const TStrItem*>(p);
        Visit(i, item->FString, item->FObject);
        return 0;
    });
}

// ---- cells --------------------------------------------------------------------------------------

TKobSparseCells::TKobSparseCells(int Cols, int Rows)
    : FColCount(qMax(0, Cols)), FRowCount(qMax(0, Rows)), FRows(Rows > 256 ? SPALarge : SPASmall)
{}

TKobSparseCells::TKobSparseCells(TKobSparseCells&& Other) noexcept
    : FColCount(Other.FColCount), FRowCount(Other.FRowCount), FRows(std::move(Other.FRows))
{
    Other.FColCount = 0;
    Other.FRowCount = 0;
}

TKobSparseCells::~TKobSparseCells()
{
    OnCellChanged = nullptr;
    DropRowsFrom(0);
}

void TKobSparseCells::DropRowsFrom(int ARow)
{
    FRows.ForAllFrom(ARow, [](int, void* p) {
        delete static_cast<TKobWideStringSparseList*>(p);
        return 0;
    });
    if (ARow <= 0)
        FRows.Clear(); // all of them: no slot by slot clearing
    else
        FRows.Truncate(ARow);
}

void TKobSparseCells::SetColCount(int Value)
{
    Value = qMax(0, Value);
    if (Value == FColCount)
        return;
    const int old = FColCount;
    if (Value < old)
        FRows.ForAll([Value](int, void* p) {
            static_cast<TKobWideStringSparseList*>(p)->Truncate(Value);
            return 0;
        });
    FColCount = Value;
    if (OnSizeChanged)
        OnSizeChanged(old, FRowCount);
}

void TKobSparseCells::SetRowCount(int Value)
{
    Value = qMax(0, Value);
    if (Value == FRowCount)
        return;
    const int old = FRowCount;
    if (Value < old)
        DropRowsFrom(Value);
    FRowCount = Value;
    if (OnSizeChanged)
        OnSizeChanged(FColCount, old);
}

TKobWideStringSparseList* TKobSparseCells::RowList(int ARow) const
{
    return ARow < 0 ? nullptr : static_cast<TKobWideStringSparseList*>(FRows.Get(ARow));
}

TKobWideStringSparseList* TKobSparseCells::EnsureRow(int ARow)
{
    if (TKobWideStringSparseList* row = RowList(ARow))
        return row;
    auto row = std::make_unique<TKobWideStringSparseList>(FColCount > 512 ? SPALarge : SPASmall);
    FRows.Put(ARow, row.get());
    return row.release();
}

QString TKobSparseCells::Cell(int ACol, int ARow) const
{
    const TKobWideStringSparseList* row = RowList(ARow);
    return row && ACol >= 0 ? row->Get(ACol) : QString();
}

void TKobSparseCells::SetCell(int ACol, int ARow, const QString& Text)
{
    if (ACol < 0 || ARow < 0)
        return;
    TKobWideStringSparseList* row = RowList(ARow);
    if (!row) {
        if (Text.isEmpty())
            return; // nothing stored, nothing to clear
        row = EnsureRow(ARow);
    }
    row->Put(ACol, Text);
    NotifyCell(ACol, ARow);
}

void* TKobSparseCells::Object(int ACol, int ARow) const
{
    const TKobWideStringSparseList* row = RowList(ARow);
    return row && ACol >= 0 ? row->GetObject(ACol) : nullptr;
}

void TKobSparseCells::SetObject(int ACol, int ARow, void* Obj)
{
    if (ACol < 0 || ARow < 0)
        return;
    TKobWideStringSparseList* row = RowList(ARow);
    if (!row) {
        if (!Obj)
            return;
        row = EnsureRow(ARow);
    }
    row->PutObject(ACol, Obj);
    NotifyCell(ACol, ARow);
}

void TKobSparseCells::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex || FromIndex < 0 || ToIndex < 0)
        return;
    FRows.ForAll([&](int, void* p) {
        static_cast<TKobWideStringSparseList*>(p)->Move(FromIndex, ToIndex);
        return 0;
    });
    NotifyCell(-1, -1);
}

void TKobSparseCells::MoveRow(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex || FromIndex < 0 || ToIndex < 0)
        return;
    FRows.Move(FromIndex, ToIndex);
    NotifyCell(-1, -1);
}

void TKobSparseCells::DeleteRow(int ARow)
{
    if (ARow < 0 || ARow >= FRowCount)
        return;
    delete RowList(ARow);
    FRows.Put(ARow, nullptr);
    FRows.Delete(ARow);
    const int old = FRowCount;
    --FRowCount;
    NotifyCell(-1, -1);
    if (OnSizeChanged)
        OnSizeChanged(FColCount, old);
}

void TKobSparseCells::ClearCells()
{
    DropRowsFrom(0);
    NotifyCell(-1, -1);
}

int TKobSparseCells::StoredCellCount() const
{
    int n = 0;
    FRows.ForAll([&](int, void* p) {
        n += static_cast<TKobWideStringSparseList*>(p)->StoredCount();
        return 0;
    });
    return n;
}

// The string grid's cells: the column and row views and the cell store behind the grid.

#include "import/wizard/widgets/WideStringGridPrivate.h"

using namespace GridPrivate;

// ---- column and row views -----------------------------------------------------------------------

TKobWideStringGridStrings::TKobWideStringGridStrings(TKobWideStringGrid* Grid, int Index)
    : FGrid(Grid), FIndex(Index)
{}

int TKobWideStringGridStrings::GetCount() const
{
    if (FIndex == 0)
        return 0;
    return FIndex < 0 ? FGrid->RowCount() : FGrid->ColCount();
}

QString TKobWideStringGridStrings::Get(int Index) const
{
    return FIndex == 0 ? QString() : FGrid->Cells(Col(Index), Row(Index));
}

void* TKobWideStringGridStrings::GetObject(int Index) const
{
    return FIndex == 0 ? nullptr : FGrid->Objects(Col(Index), Row(Index));
}

void TKobWideStringGridStrings::Put(int Index, const QString& S)
{
    if (FIndex != 0)
        FGrid->SetCells(Col(Index), Row(Index), S);
}

void TKobWideStringGridStrings::PutObject(int Index, void* Obj)
{
    if (FIndex != 0)
        FGrid->SetObjects(Col(Index), Row(Index), Obj);
}

int TKobWideStringGridStrings::Add(const QString& S)
{
    const int n = GetCount();
    for (int i = 0; i < n; ++i) {
        if (Get(i).isEmpty()) {
            // A blank keeps the slot counted as used.
            Put(i, S.isEmpty() ? QStringLiteral(" ") : S);
            return i;
        }
    }
    return -1;
}

void TKobWideStringGridStrings::Insert(int, const QString&)
{
    throw EInvalidGridOperation(CannotInsertDelete);
}

void TKobWideStringGridStrings::Delete(int)
{
    throw EInvalidGridOperation(CannotInsertDelete);
}

void TKobWideStringGridStrings::Clear()
{
    if (FIndex == 0)
        return;
    FGrid->BeginUpdate();
    if (FIndex > 0) {
        QList<int> stored;
        if (const TKobWideStringSparseList* row = FGrid->CellStore()->RowList(FIndex - 1))
            row->ForEach([&](int i, const QString&, void*) { stored << i; });
        for (int c : std::as_const(stored)) {
            FGrid->SetObjects(c, FIndex - 1, nullptr);
            FGrid->SetCells(c, FIndex - 1, QString());
        }
    } else {
        for (int r = FGrid->RowCount() - 1; r >= 0; --r) {
            FGrid->SetObjects(-FIndex - 1, r, nullptr);
            FGrid->SetCells(-FIndex - 1, r, QString());
        }
    }
    FGrid->EndUpdate();
}

void TKobWideStringGridStrings::SetUpdateState(bool Updating)
{
    if (Updating)
        FGrid->BeginUpdate();
    else
        FGrid->EndUpdate();
}

void TKobWideStringGridStrings::Assign(const QStringList& Source)
{
    BeginUpdate();
    const int n = qMin(GetCount(), int(Source.size()));
    for (int i = 0; i < n; ++i) {
        Put(i, Source.at(i));
        PutObject(i, nullptr);
    }
    EndUpdate();
}

// ---- string grid --------------------------------------------------------------------------------

TKobWideStringGrid::TKobWideStringGrid(QWidget* Parent)
    : TKobDrawGrid(Parent), FOwnStore(std::make_unique<DurvelCellStore>(ColCount(), RowCount()))
{
    FStore = FOwnStore.get();
    attach();
}

TKobWideStringGrid::~TKobWideStringGrid()
{
    detach();
}

void TKobWideStringGrid::attach()
{
    FStore->OnCellChanged = [this](int ACol, int ARow) { cellChanged(ACol, ARow); };
    FStore->OnSizeChanged = [this](int, int) {
        if (FSyncingSize)
            return;
        // The store grew or shrank on its own (an import filling it): show its bounds.
        FSyncingSize = true;
        SetColCount(FStore->ColCount());
        SetRowCount(FStore->RowCount());
        FSyncingSize = false;
    };
}

void TKobWideStringGrid::detach()
{
    if (!FStore)
        return;
    FStore->OnCellChanged = nullptr;
    FStore->OnSizeChanged = nullptr;
}

void TKobWideStringGrid::SetCellStore(DurvelCellStore* Store)
{
    if (!Store)
        Store = FOwnStore.get();
    if (Store == FStore)
        return;
    detach();
    FStore = Store;
    attach();
    FSyncingSize = true;
    SetColCount(FStore->ColCount());
    SetRowCount(FStore->RowCount());
    FSyncingSize = false;
    InvalidateGrid();
    UpdateEditor();
}

QString TKobWideStringGrid::Cells(int ACol, int ARow) const
{
    return FStore->Cell(ACol, ARow);
}

void TKobWideStringGrid::SetCells(int ACol, int ARow, const QString& Value)
{
    FStore->SetCell(ACol, ARow, Value);
}

void* TKobWideStringGrid::Objects(int ACol, int ARow) const
{
    return FStore->Object(ACol, ARow);
}

void TKobWideStringGrid::SetObjects(int ACol, int ARow, void* Value)
{
    FStore->SetObject(ACol, ARow, Value);
}

TKobWideStringGridStrings* TKobWideStringGrid::Cols(int Index)
{
    auto& view = FCols[Index];
    if (!view)
        view = std::make_unique<TKobWideStringGridStrings>(this, -(Index + 1));
    return view.get();
}

TKobWideStringGridStrings* TKobWideStringGrid::Rows(int Index)
{
    auto& view = FRows[Index];
    if (!view)
        view = std::make_unique<TKobWideStringGridStrings>(this, Index + 1);
    return view.get();
}

void TKobWideStringGrid::BeginUpdate()
{
    ++FUpdateLock;
}

void TKobWideStringGrid::EndUpdate()
{
    if (FUpdateLock > 0 && --FUpdateLock == 0 && FNeedsUpdating) {
        FNeedsUpdating = false;
        InvalidateGrid();
    }
}

void TKobWideStringGrid::cellChanged(int ACol, int ARow)
{
    if (FUpdateLock > 0)
        FNeedsUpdating = true;
    else if (ACol < 0)
        InvalidateGrid();
    else
        InvalidateCell(ACol, ARow);
    if (FEditUpdate == 0 && InplaceEditor() && InplaceEditor()->isVisible() &&
        (ACol < 0 || (ACol == Col() && ARow == Row())))
        InplaceEditor()->setText(Cells(Col(), Row()));
}

void TKobWideStringGrid::SizeChanged(int, int)
{
    if (FSyncingSize)
        return;
    FSyncingSize = true;
    FStore->SetColCount(ColCount());
    FStore->SetRowCount(RowCount());
    FSyncingSize = false;
}

QString TKobWideStringGrid::GetEditText(int ACol, int ARow)
{
    QString value = Cells(ACol, ARow);
    if (OnGetEditText)
        OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TKobWideStringGrid::SetEditText(int ACol, int ARow, const QString& Value)
{
    if (Cells(ACol, ARow) != Value) {
        ++FEditUpdate;
        SetCells(ACol, ARow, Value);
        --FEditUpdate;
    }
    TKobDrawGrid::SetEditText(ACol, ARow, Value);
}

void TKobWideStringGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    FStore->MoveColumn(FromIndex, ToIndex);
    TKobDrawGrid::ColumnMoved(FromIndex, ToIndex);
}

void TKobWideStringGrid::RowMoved(int FromIndex, int ToIndex)
{
    FStore->MoveRow(FromIndex, ToIndex);
    TKobDrawGrid::RowMoved(FromIndex, ToIndex);
}

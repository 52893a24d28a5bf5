#include "import/wizard/widgets/Durvel3WideStringGrid.h"

#include "import/wizard/widgets/WideStringGridPrivate.h"

#include <QApplication>
#include <QScrollBar>
#include <algorithm>

using namespace GridPrivate;

// ---- grid ---------------------------------------------------------------------------------------

TKobCustomGrid::TKobCustomGrid(QWidget* Parent) : TKobCustomControl(Parent)
{
    FFixedColor = palette().color(QPalette::Button);
    FColor = palette().color(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    setFrameShape(QFrame::StyledPanel);
    horizontalScrollBar()->setTracking(false);
    verticalScrollBar()->setTracking(false);
    resize(FColCount * FDefaultColWidth, FRowCount * FDefaultRowHeight);
    UpdateScrollRange();
    connect(qApp, &QApplication::focusChanged, this, &TKobCustomGrid::focusMoved);
}

TKobCustomGrid::~TKobCustomGrid() = default;

QSize TKobCustomGrid::sizeHint() const
{
    return {FColCount * FDefaultColWidth, FRowCount * FDefaultRowHeight};
}

// -- properties

void TKobCustomGrid::SetColCount(int Value)
{
    if (Value < 1)
        Value = 1;
    if (FFixedCols >= Value)
        FFixedCols = Value - 1;
    if (Value == FColCount) {
        InvalidateGrid();
        return;
    }
    ResizeAxis(true, Value);
    if (FOptions & goRowSelect)
        FAnchor.X = FColCount - 1;
}

void TKobCustomGrid::SetRowCount(int Value)
{
    if (Value < 1)
        Value = 1;
    if (FFixedRows >= Value)
        FFixedRows = Value - 1;
    if (Value == FRowCount) {
        InvalidateGrid();
        return;
    }
    ResizeAxis(false, Value);
}

void TKobCustomGrid::ResizeAxis(bool Horz, int NewCount)
{
    std::vector<int>& extents = Horz ? FColWidths : FRowHeights;
    if (!extents.empty() && NewCount > MaxExtents)
        gridError(TooLarge);
    const int oldCols = FColCount;
    const int oldRows = FRowCount;
    HideEdit(false);
    if (Horz) {
        if (!FColWidths.empty())
            FColWidths.resize(std::size_t(NewCount), FDefaultColWidth);
        if (!FTabStops.empty())
            FTabStops.resize(std::size_t(NewCount), true);
        FColCount = NewCount;
    } else {
        if (!FRowHeights.empty())
            FRowHeights.resize(std::size_t(NewCount), FDefaultRowHeight);
        FRowCount = NewCount;
    }
    // The current cell stays inside the grid; the selection collapses onto it.
    FCurrent.X = qBound(FFixedCols, FCurrent.X, FColCount - 1);
    FCurrent.Y = qBound(FFixedRows, FCurrent.Y, FRowCount - 1);
    FAnchor = FCurrent;
    FTopLeft.X = qBound(FFixedCols, FTopLeft.X, qMax(FFixedCols, maxTopLeft(true)));
    FTopLeft.Y = qBound(FFixedRows, FTopLeft.Y, qMax(FFixedRows, maxTopLeft(false)));
    InvalidateGrid();
    UpdateScrollRange();
    SizeChanged(oldCols, oldRows);
}

void TKobCustomGrid::SetFixedCols(int Value)
{
    if (Value < 0)
        gridError(IndexOutOfRange);
    if (Value >= FColCount)
        gridError(FixedColTooBig);
    FFixedCols = Value;
    resetToFixedOrigin();
}

void TKobCustomGrid::SetFixedRows(int Value)
{
    if (Value < 0)
        gridError(IndexOutOfRange);
    if (Value >= FRowCount)
        gridError(FixedRowTooBig);
    FFixedRows = Value;
    resetToFixedOrigin();
}

// After the fixed lines change, the view and the cursor start at the first scrollable cell.
void TKobCustomGrid::resetToFixedOrigin()
{
    FTopLeft = {FFixedCols, FFixedRows};
    FCurrent = FTopLeft;
    FAnchor = FCurrent;
    if (FOptions & goRowSelect)
        FAnchor.X = FColCount - 1;
    HideEdit(false);
    InvalidateGrid();
    UpdateScrollRange();
}

void TKobCustomGrid::SetDefaultColWidth(int Value)
{
    FColWidths.clear();
    FDefaultColWidth = Value;
    InvalidateGrid();
    UpdateScrollRange();
    UpdateEditor();
}

void TKobCustomGrid::SetDefaultRowHeight(int Value)
{
    FRowHeights.clear();
    FDefaultRowHeight = Value;
    InvalidateGrid();
    UpdateScrollRange();
    UpdateEditor();
}

int TKobCustomGrid::ColWidths(int Index) const
{
    if (FColWidths.empty() || Index < 0 || Index >= int(FColWidths.size()))
        return FDefaultColWidth;
    return FColWidths[std::size_t(Index)];
}

int TKobCustomGrid::RowHeights(int Index) const
{
    if (FRowHeights.empty() || Index < 0 || Index >= int(FRowHeights.size()))
        return FDefaultRowHeight;
    return FRowHeights[std::size_t(Index)];
}

void TKobCustomGrid::SetColWidths(int Index, int Value)
{
    if (Index < 0 || Index >= FColCount)
        gridError(IndexOutOfRange);
    if (FColWidths.empty())
        FColWidths.assign(std::size_t(FColCount), FDefaultColWidth);
    if (FColWidths[std::size_t(Index)] == Value)
        return;
    FColWidths[std::size_t(Index)] = Value;
    InvalidateGrid();
    UpdateScrollRange();
    UpdateEditor();
}

void TKobCustomGrid::setColumnWidths(const std::vector<int>& Widths)
{
    if (FColWidths.empty())
        FColWidths.assign(std::size_t(FColCount), FDefaultColWidth);
    const std::size_t n = qMin(Widths.size(), FColWidths.size());
    if (std::equal(Widths.begin(), Widths.begin() + std::ptrdiff_t(n), FColWidths.begin()))
        return;
    std::copy(Widths.begin(), Widths.begin() + std::ptrdiff_t(n), FColWidths.begin());
    InvalidateGrid();
    UpdateScrollRange();
    UpdateEditor();
}

void TKobCustomGrid::SetRowHeights(int Index, int Value)
{
    if (Index < 0 || Index >= FRowCount)
        gridError(IndexOutOfRange);
    if (FRowHeights.empty())
        FRowHeights.assign(std::size_t(FRowCount), FDefaultRowHeight);
    if (FRowHeights[std::size_t(Index)] == Value)
        return;
    FRowHeights[std::size_t(Index)] = Value;
    InvalidateGrid();
    UpdateScrollRange();
    UpdateEditor();
}

bool TKobCustomGrid::TabStops(int Index) const
{
    if (FTabStops.empty() || Index < 0 || Index >= int(FTabStops.size()))
        return true;
    return FTabStops[std::size_t(Index)];
}

void TKobCustomGrid::SetTabStops(int Index, bool Value)
{
    if (Index < 0 || Index >= FColCount)
        gridError(IndexOutOfRange);
    if (FTabStops.empty())
        FTabStops.assign(std::size_t(FColCount), true);
    FTabStops[std::size_t(Index)] = Value;
}

void TKobCustomGrid::SetOptions(TGridOptions Value)
{
    if (Value == FOptions)
        return;
    if (Value & goRowSelect)
        Value &= ~TGridOptions(goAlwaysShowEditor);
    FOptions = Value;
    horizontalScrollBar()->setTracking(FOptions & goThumbTracking);
    verticalScrollBar()->setTracking(FOptions & goThumbTracking);
    if (!FEditorMode) {
        if (FOptions & goAlwaysShowEditor)
            ShowEditor();
        else
            HideEdit(false);
    }
    if (FOptions & goRowSelect)
        MoveCurrent(FCurrent.X, FCurrent.Y, true, false);
    InvalidateGrid();
}

void TKobCustomGrid::SetGridLineWidth(int Value)
{
    if (Value == FGridLineWidth)
        return;
    FGridLineWidth = qMax(0, Value);
    InvalidateGrid();
    UpdateScrollRange();
}

void TKobCustomGrid::SetFixedColor(const QColor& Value)
{
    if (Value == FFixedColor)
        return;
    FFixedColor = Value;
    InvalidateGrid();
}

void TKobCustomGrid::SetColor(const QColor& Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    InvalidateGrid();
}

void TKobCustomGrid::SetBorderStyle(TBorderStyle Value)
{
    if (Value == FBorderStyle)
        return;
    FBorderStyle = Value;
    setFrameShape(Value == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
}

void TKobCustomGrid::SetScrollBars(TScrollStyle Value)
{
    if (Value == FScrollBars)
        return;
    FScrollBars = Value;
    UpdateScrollRange();
}

void TKobCustomGrid::SetCol(int Value)
{
    if (Value != FCurrent.X)
        FocusCell(Value, FCurrent.Y, true);
}

void TKobCustomGrid::SetRow(int Value)
{
    if (Value != FCurrent.Y)
        FocusCell(FCurrent.X, Value, true);
}

void TKobCustomGrid::SetLeftCol(int Value)
{
    setTopLeftTo(Value, FTopLeft.Y);
}

void TKobCustomGrid::SetTopRow(int Value)
{
    setTopLeftTo(FTopLeft.X, Value);
}

TGridRect TKobCustomGrid::Selection() const
{
    return {qMin(FCurrent.X, FAnchor.X), qMin(FCurrent.Y, FAnchor.Y), qMax(FCurrent.X, FAnchor.X),
            qMax(FCurrent.Y, FAnchor.Y)};
}

void TKobCustomGrid::SetSelection(const TGridRect& Value)
{
    const TGridRect old = Selection();
    FAnchor = {Value.Left, Value.Top};
    FCurrent = {Value.Right, Value.Bottom};
    FAnchor.X = qBound(FFixedCols, FAnchor.X, FColCount - 1);
    FAnchor.Y = qBound(FFixedRows, FAnchor.Y, FRowCount - 1);
    FCurrent.X = qBound(FFixedCols, FCurrent.X, FColCount - 1);
    FCurrent.Y = qBound(FFixedRows, FCurrent.Y, FRowCount - 1);
    SelectionMoved(old);
}

// -- geometry

TKobCustomGrid::Axis TKobCustomGrid::calcAxis(bool Horz) const
{
    Axis a;
    const TGridOptions lines =
        Horz ? (goFixedVertLine | goVertLine) : (goFixedHorzLine | goHorzLine);
    a.LineWidth = (FOptions & lines) ? FGridLineWidth : 0;
    a.Extent = Horz ? viewport()->width() : viewport()->height();
    a.FixedCount = Horz ? FFixedCols : FFixedRows;
    a.First = Horz ? FTopLeft.X : FTopLeft.Y;
    a.Count = Horz ? FColCount : FRowCount;
    int pos = 0;
    for (int i = 0; i < a.FixedCount; ++i)
        pos += Extent(Horz, i) + a.LineWidth;
    a.FixedBoundary = pos;
    if (Horz && FColCount == 1)
        pos -= FHorzOffset;
    a.FullVisBoundary = pos;
    a.GridBoundary = pos;
    a.LastFullVisibleCell = a.First;
    a.LastVisibleCell = a.First - 1;
    for (int i = a.First; i < a.Count; ++i) {
        if (pos >= a.Extent)
            break;
        const int next = pos + Extent(Horz, i) + a.LineWidth;
        a.LastVisibleCell = i;
        if (next > a.Extent) {
            a.GridBoundary = a.Extent;
            break;
        }
        pos = next;
        a.LastFullVisibleCell = i;
        a.FullVisBoundary = pos;
        a.GridBoundary = pos;
    }
    return a;
}

int TKobCustomGrid::maxTopLeft(bool Horz) const
{
    const Axis a = calcAxis(Horz);
    const int avail = a.Extent - a.FixedBoundary;
    int i = a.Count - 1;
    int used = Extent(Horz, i) + a.LineWidth;
    while (i > a.FixedCount) {
        const int e = Extent(Horz, i - 1) + a.LineWidth;
        if (used + e > avail)
            break;
        used += e;
        --i;
    }
    return qMax(i, a.FixedCount);
}

int TKobCustomGrid::linePos(const Axis& A, bool Horz, int Index) const
{
    if (Index < 0 || Index >= A.Count)
        return Hidden;
    int pos = 0;
    if (Index < A.FixedCount) {
        for (int i = 0; i < Index; ++i)
            pos += Extent(Horz, i) + A.LineWidth;
        return pos;
    }
    if (Index < A.First || Index > A.LastVisibleCell)
        return Hidden;
    pos = A.FixedBoundary - ((Horz && FColCount == 1) ? FHorzOffset : 0);
    for (int i = A.First; i < Index; ++i)
        pos += Extent(Horz, i) + A.LineWidth;
    return pos;
}

int TKobCustomGrid::coordFromPoint(const Axis& A, bool Horz, int Pos) const
{
    if (Pos < 0)
        return -1;
    int pos = 0;
    if (Pos < A.FixedBoundary) {
        for (int i = 0; i < A.FixedCount; ++i) {
            pos += Extent(Horz, i) + A.LineWidth;
            if (Pos < pos)
                return i;
        }
        return -1;
    }
    if (Pos >= A.GridBoundary)
        return -1;
    pos = A.FixedBoundary - ((Horz && FColCount == 1) ? FHorzOffset : 0);
    for (int i = A.First; i <= A.LastVisibleCell; ++i) {
        pos += Extent(Horz, i) + A.LineWidth;
        if (Pos < pos)
            return i;
    }
    return -1;
}

int TKobCustomGrid::mirror(int X) const
{
    return layoutDirection() == Qt::RightToLeft ? viewport()->width() - 1 - X : X;
}

QRect TKobCustomGrid::mirrorRect(const QRect& R) const
{
    if (layoutDirection() != Qt::RightToLeft || R.isNull())
        return R;
    return {viewport()->width() - R.x() - R.width(), R.y(), R.width(), R.height()};
}

QRect TKobCustomGrid::CellRect(int ACol, int ARow) const
{
    const Axis h = calcAxis(true);
    const Axis v = calcAxis(false);
    const int x = linePos(h, true, ACol);
    const int y = linePos(v, false, ARow);
    if (x == Hidden || y == Hidden)
        return {};
    return mirrorRect(QRect(x, y, ColWidths(ACol), RowHeights(ARow)));
}

TGridCoord TKobCustomGrid::MouseCoord(int X, int Y) const
{
    const int x = mirror(X);
    TGridCoord c{coordFromPoint(calcAxis(true), true, x),
                 coordFromPoint(calcAxis(false), false, Y)};
    if (c.X < 0 || c.Y < 0)
        return {-1, -1};
    return c;
}

void TKobCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const
{
    const TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

int TKobCustomGrid::VisibleColCount() const
{
    const Axis a = calcAxis(true);
    return qMax(1, a.LastFullVisibleCell - a.First + 1);
}

int TKobCustomGrid::VisibleRowCount() const
{
    const Axis a = calcAxis(false);
    return qMax(1, a.LastFullVisibleCell - a.First + 1);
}

int TKobCustomGrid::GridWidth() const
{
    return calcAxis(true).GridBoundary;
}

int TKobCustomGrid::GridHeight() const
{
    return calcAxis(false).GridBoundary;
}

// -- current cell and selection

bool TKobCustomGrid::SelectCell(int ACol, int ARow)
{
    bool can = true;
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow, can);
    return can;
}

void TKobCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor)
{
    MoveCurrent(ACol, ARow, MoveAnchor, true);
    UpdateEditor();
    if (OnClick)
        OnClick(this);
}

void TKobCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
        gridError(IndexOutOfRange);
    ACol = qMax(ACol, FFixedCols);
    ARow = qMax(ARow, FFixedRows);
    if (!SelectCell(ACol, ARow))
        return;
    const TGridRect old = Selection();
    const bool moved = FCurrent.X != ACol || FCurrent.Y != ARow;
    if (moved && !(FOptions & goAlwaysShowEditor))
        HideEdit(false);
    FCurrent = {ACol, ARow};
    if (MoveAnchor || !(FOptions & goRangeSelect) || (FOptions & goEditing))
        FAnchor = FCurrent;
    if (FOptions & goRowSelect)
        FAnchor.X = FColCount - 1;
    if (Show)
        ClampInView(FCurrent);
    SelectionMoved(old);
    if (moved && (FOptions & goAlwaysShowEditor))
        UpdateEditor();
}

void TKobCustomGrid::MoveAnchor(const TGridCoord& NewAnchor)
{
    if (!(FOptions & goRangeSelect) || (FOptions & goEditing)) {
        MoveCurrent(NewAnchor.X, NewAnchor.Y, true, true);
        return;
    }
    const TGridRect old = Selection();
    FAnchor = {qBound(FFixedCols, NewAnchor.X, FColCount - 1),
               qBound(FFixedRows, NewAnchor.Y, FRowCount - 1)};
    if (FOptions & goRowSelect)
        FAnchor.X = FColCount - 1;
    ClampInView(NewAnchor);
    SelectionMoved(old);
}

void TKobCustomGrid::SelectionMoved(const TGridRect& OldSel)
{
    if (!(OldSel == Selection()))
        viewport()->update();
    else
        viewport()->update(); // the focused cell may have moved inside the same rectangle
}

// -- lines moved and deleted

void TKobCustomGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    if (OnColumnMoved)
        OnColumnMoved(this, FromIndex, ToIndex);
}

void TKobCustomGrid::RowMoved(int FromIndex, int ToIndex)
{
    if (OnRowMoved)
        OnRowMoved(this, FromIndex, ToIndex);
}

void TKobCustomGrid::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex)
        return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FColCount || ToIndex >= FColCount)
        gridError(IndexOutOfRange);
    HideEdit(false);
    if (!FColWidths.empty()) {
        const int w = FColWidths[std::size_t(FromIndex)];
        FColWidths.erase(FColWidths.begin() + FromIndex);
        FColWidths.insert(FColWidths.begin() + ToIndex, w);
    }
    if (!FTabStops.empty()) {
        const bool t = FTabStops[std::size_t(FromIndex)];
        FTabStops.erase(FTabStops.begin() + FromIndex);
        FTabStops.insert(FTabStops.begin() + ToIndex, t);
    }
    ColumnMoved(FromIndex, ToIndex);
    InvalidateGrid();
}

void TKobCustomGrid::MoveRow(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex)
        return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FRowCount || ToIndex >= FRowCount)
        gridError(IndexOutOfRange);
    HideEdit(false);
    if (!FRowHeights.empty()) {
        const int h = FRowHeights[std::size_t(FromIndex)];
        FRowHeights.erase(FRowHeights.begin() + FromIndex);
        FRowHeights.insert(FRowHeights.begin() + ToIndex, h);
    }
    RowMoved(FromIndex, ToIndex);
    InvalidateGrid();
}

void TKobCustomGrid::DeleteColumn(int ACol)
{
    if (FColCount <= 1)
        gridError(TooManyDeleted);
    MoveColumn(ACol, FColCount - 1);
    SetColCount(FColCount - 1);
}

void TKobCustomGrid::DeleteRow(int ARow)
{
    if (FRowCount <= 1)
        gridError(TooManyDeleted);
    MoveRow(ARow, FRowCount - 1);
    SetRowCount(FRowCount - 1);
}

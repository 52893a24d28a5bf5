#include "import/wizard/widgets/Durvel3WideStringGrid.h"

#include "import/wizard/widgets/PreviewFont.h"

#include <algorithm>

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <limits>

namespace {

const QString kIndexOutOfRange = QStringLiteral("Grid index out of range");
const QString kTooManyDeleted = QStringLiteral("Too many rows or columns deleted");
const QString kTooLarge = QStringLiteral("Grid too large for operation");
const QString kFixedColTooBig = QStringLiteral("Fixed column count must be less than column count");
const QString kFixedRowTooBig = QStringLiteral("Fixed row count must be less than row count");
const QString kCannotInsertDelete = QStringLiteral("Cannot insert or delete rows from grid");
constexpr int kMaxExtents = 0x7FFFFFE;
constexpr int kScrollInterval = 60;
// A line that is not shown (a one-column grid scrolled by pixels may start left of 0).
constexpr int kHidden = std::numeric_limits<int>::min();

[[noreturn]] void GridError(const QString& Message)
{
    throw EInvalidGridOperation(Message);
}

bool IsPrintable(const QString& Text)
{
    // Any printable character starts editing, Persian letters included.
    return !Text.isEmpty() && Text.at(0).isPrint();
}

} // namespace

// ---- in-place editor ----------------------------------------------------------------------------

TKobInplaceEdit::TKobInplaceEdit(TKobCustomGrid* Grid) : QLineEdit(Grid->viewport()), FGrid(Grid)
{
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    // No limit: a long cell text is never cut on its way through the editor.
    setMaxLength(std::numeric_limits<int>::max());
    hide();
    connect(this, &QLineEdit::textEdited, this, [this](const QString& Text) {
        const TGridCoord cell = FGrid->FInplaceCell;
        if (cell.X < 0)
            return;
        if (!FGrid->CanEditModify()) {
            // Whatever way the text came in (a menu, a drop, an undo), the cell keeps its own.
            setText(FGrid->GetEditText(cell.X, cell.Y));
            return;
        }
        FGrid->SetEditText(cell.X, cell.Y, Text);
    });
}

void TKobInplaceEdit::inputMethodEvent(QInputMethodEvent* Event)
{
    if (!FGrid->CanEditModify()) {
        Event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(Event);
}

bool TKobInplaceEdit::event(QEvent* Event)
{
    // Tab reaches the grid instead of moving the focus.
    if (Event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(Event);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) &&
            (FGrid->Options() & goTabs)) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QLineEdit::event(Event);
}

void TKobInplaceEdit::keyPressEvent(QKeyEvent* Event)
{
    int key = Event->key();
    const Qt::KeyboardModifiers mods = Event->modifiers();
    if (FGrid->OnKeyDown) {
        FGrid->OnKeyDown(FGrid, key, mods);
        if (key == 0)
            return;
    }
    // The grid sees every typed character first and may drop or change it.
    FGrid->PassKeyPress(Event, [this](QKeyEvent* Key) { EditKey(Key); });
}

void TKobInplaceEdit::EditKey(QKeyEvent* Event)
{
    const int key = Event->key();
    const Qt::KeyboardModifiers mods = Event->modifiers();
    const bool always = FGrid->Options() & goAlwaysShowEditor;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool canModify = FGrid->CanEditModify();
    bool toGrid = false;
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        toGrid = true;
        break;
    case Qt::Key_Escape:
        FGrid->HideEdit(true);
        return;
    case Qt::Key_Insert:
        if (mods == Qt::NoModifier)
            toGrid = true;
        else if (mods == Qt::ShiftModifier && !canModify)
            return;
        break;
    case Qt::Key_Left:
    case Qt::Key_Home:
        toGrid = always && (ctrl || (cursorPosition() == 0 && !hasSelectedText()));
        break;
    case Qt::Key_Right:
    case Qt::Key_End:
        toGrid = always && (ctrl || (cursorPosition() == text().size() && !hasSelectedText()));
        break;
    case Qt::Key_F2:
        deselect();
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!(mods & Qt::AltModifier))
            toGrid = true;
        break;
    case Qt::Key_Delete:
        if (ctrl)
            toGrid = true;
        else if (!canModify)
            return;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        toGrid = true;
        break;
    default:
        if (!canModify &&
            (IsPrintable(Event->text()) || key == Qt::Key_Backspace ||
             Event->matches(QKeySequence::Paste) || Event->matches(QKeySequence::Cut)))
            return;
        break;
    }
    if (toGrid) {
        FGrid->HandleKey(key, mods);
        return;
    }
    QLineEdit::keyPressEvent(Event);
}

void TKobInplaceEdit::keyReleaseEvent(QKeyEvent* Event)
{
    int key = Event->key();
    FGrid->KeyUp(key, Event->modifiers());
    if (key != 0)
        QLineEdit::keyReleaseEvent(Event);
}

void TKobInplaceEdit::focusOutEvent(QFocusEvent* Event)
{
    QLineEdit::focusOutEvent(Event);
    // The editor closes when the focus leaves the grid altogether.
    QPointer<TKobCustomGrid> grid = FGrid;
    QTimer::singleShot(0, grid, [grid] {
        if (!grid)
            return;
        QWidget* f = QApplication::focusWidget();
        if (f != grid && (!grid->FInplaceEdit || f != grid->FInplaceEdit))
            grid->HideEditor();
    });
}

void TKobInplaceEdit::mouseDoubleClickEvent(QMouseEvent* Event)
{
    QLineEdit::mouseDoubleClickEvent(Event);
    if (FGrid->OnDblClick)
        FGrid->OnDblClick(FGrid);
}

void TKobInplaceEdit::wheelEvent(QWheelEvent* Event)
{
    FGrid->wheelEvent(Event);
}

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
    connect(qApp, &QApplication::focusChanged, this, &TKobCustomGrid::FocusMoved);
}

TKobCustomGrid::~TKobCustomGrid() = default;

void TKobCustomGrid::FocusMoved(QWidget* Old, QWidget* Now)
{
    // The editor is part of the grid: moving between them is neither an enter nor an exit.
    const bool was = HoldsFocus(Old);
    const bool is = HoldsFocus(Now);
    if (!was && is && OnEnter)
        OnEnter(this);
    else if (was && !is && OnExit)
        OnExit(this);
}

void TKobCustomGrid::SetCanEditModify(bool Value)
{
    FCanEditModify = Value;
    if (FInplaceEdit)
        FInplaceEdit->setReadOnly(!CanEditModify());
}

void TKobCustomGrid::KeyPress(QChar& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

void TKobCustomGrid::KeyUp(int& Key, Qt::KeyboardModifiers Shift)
{
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TKobCustomGrid::keyReleaseEvent(QKeyEvent* Event)
{
    int key = Event->key();
    KeyUp(key, Event->modifiers());
    TKobCustomControl::keyReleaseEvent(Event);
}

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
    if (!extents.empty() && NewCount > kMaxExtents)
        GridError(kTooLarge);
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
    FTopLeft.X = qBound(FFixedCols, FTopLeft.X, qMax(FFixedCols, MaxTopLeft(true)));
    FTopLeft.Y = qBound(FFixedRows, FTopLeft.Y, qMax(FFixedRows, MaxTopLeft(false)));
    InvalidateGrid();
    UpdateScrollRange();
    SizeChanged(oldCols, oldRows);
}

void TKobCustomGrid::SetFixedCols(int Value)
{
    if (Value < 0)
        GridError(kIndexOutOfRange);
    if (Value >= FColCount)
        GridError(kFixedColTooBig);
    FFixedCols = Value;
    ResetToFixedOrigin();
}

void TKobCustomGrid::SetFixedRows(int Value)
{
    if (Value < 0)
        GridError(kIndexOutOfRange);
    if (Value >= FRowCount)
        GridError(kFixedRowTooBig);
    FFixedRows = Value;
    ResetToFixedOrigin();
}

// After the fixed lines change, the view and the cursor start at the first scrollable cell.
void TKobCustomGrid::ResetToFixedOrigin()
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
        GridError(kIndexOutOfRange);
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
        GridError(kIndexOutOfRange);
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
        GridError(kIndexOutOfRange);
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
    SetTopLeftTo(Value, FTopLeft.Y);
}

void TKobCustomGrid::SetTopRow(int Value)
{
    SetTopLeftTo(FTopLeft.X, Value);
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

void TKobCustomGrid::SetEditorMode(bool Value)
{
    if (Value == FEditorMode)
        return;
    if (Value)
        ShowEditor();
    else
        HideEditor();
}

// -- geometry

TKobCustomGrid::Axis TKobCustomGrid::CalcAxis(bool Horz) const
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

int TKobCustomGrid::MaxTopLeft(bool Horz) const
{
    const Axis a = CalcAxis(Horz);
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

int TKobCustomGrid::LinePos(const Axis& A, bool Horz, int Index) const
{
    if (Index < 0 || Index >= A.Count)
        return kHidden;
    int pos = 0;
    if (Index < A.FixedCount) {
        for (int i = 0; i < Index; ++i)
            pos += Extent(Horz, i) + A.LineWidth;
        return pos;
    }
    if (Index < A.First || Index > A.LastVisibleCell)
        return kHidden;
    pos = A.FixedBoundary - ((Horz && FColCount == 1) ? FHorzOffset : 0);
    for (int i = A.First; i < Index; ++i)
        pos += Extent(Horz, i) + A.LineWidth;
    return pos;
}

int TKobCustomGrid::CoordFromPoint(const Axis& A, bool Horz, int Pos) const
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

int TKobCustomGrid::Mirror(int X) const
{
    return layoutDirection() == Qt::RightToLeft ? viewport()->width() - 1 - X : X;
}

QRect TKobCustomGrid::MirrorRect(const QRect& R) const
{
    if (layoutDirection() != Qt::RightToLeft || R.isNull())
        return R;
    return {viewport()->width() - R.x() - R.width(), R.y(), R.width(), R.height()};
}

QRect TKobCustomGrid::CellRect(int ACol, int ARow) const
{
    const Axis h = CalcAxis(true);
    const Axis v = CalcAxis(false);
    const int x = LinePos(h, true, ACol);
    const int y = LinePos(v, false, ARow);
    if (x == kHidden || y == kHidden)
        return {};
    return MirrorRect(QRect(x, y, ColWidths(ACol), RowHeights(ARow)));
}

TGridCoord TKobCustomGrid::MouseCoord(int X, int Y) const
{
    const int x = Mirror(X);
    TGridCoord c{CoordFromPoint(CalcAxis(true), true, x),
                 CoordFromPoint(CalcAxis(false), false, Y)};
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
    const Axis a = CalcAxis(true);
    return qMax(1, a.LastFullVisibleCell - a.First + 1);
}

int TKobCustomGrid::VisibleRowCount() const
{
    const Axis a = CalcAxis(false);
    return qMax(1, a.LastFullVisibleCell - a.First + 1);
}

int TKobCustomGrid::GridWidth() const
{
    return CalcAxis(true).GridBoundary;
}

int TKobCustomGrid::GridHeight() const
{
    return CalcAxis(false).GridBoundary;
}

// -- scrolling

void TKobCustomGrid::UpdateScrollRange()
{
    FSyncingScroll = true;
    setHorizontalScrollBarPolicy(FScrollBars == ssHorizontal || FScrollBars == ssBoth
                                     ? Qt::ScrollBarAsNeeded
                                     : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(FScrollBars == ssVertical || FScrollBars == ssBoth
                                   ? Qt::ScrollBarAsNeeded
                                   : Qt::ScrollBarAlwaysOff);
    QScrollBar* hb = horizontalScrollBar();
    QScrollBar* vb = verticalScrollBar();
    if (FColCount == 1) {
        // One column scrolls by pixels, a "0" at a time.
        const int range = qMax(0, ColWidths(0) - viewport()->width());
        FHorzOffset = qBound(0, FHorzOffset, range);
        hb->setRange(0, range);
        hb->setSingleStep(qMax(1, fontMetrics().horizontalAdvance(QLatin1Char('0'))));
        hb->setPageStep(qMax(1, viewport()->width()));
        hb->setValue(FHorzOffset);
    } else {
        FHorzOffset = 0;
        hb->setRange(0, qMax(0, MaxTopLeft(true) - FFixedCols));
        hb->setSingleStep(1);
        hb->setPageStep(VisibleColCount());
        hb->setValue(FTopLeft.X - FFixedCols);
    }
    vb->setRange(0, qMax(0, MaxTopLeft(false) - FFixedRows));
    vb->setSingleStep(1);
    vb->setPageStep(VisibleRowCount());
    vb->setValue(FTopLeft.Y - FFixedRows);
    FSyncingScroll = false;
}

void TKobCustomGrid::scrollContentsBy(int, int)
{
    if (FSyncingScroll)
        return;
    if (FColCount == 1) {
        const int off = horizontalScrollBar()->value();
        if (off != FHorzOffset) {
            FHorzOffset = off;
            viewport()->update();
            UpdateEditor();
        }
    }
    SetTopLeftTo(FColCount == 1 ? FTopLeft.X : horizontalScrollBar()->value() + FFixedCols,
                 verticalScrollBar()->value() + FFixedRows);
}

void TKobCustomGrid::SetTopLeftTo(int ACol, int ARow)
{
    const TGridCoord tl{qBound(FFixedCols, ACol, qMax(FFixedCols, MaxTopLeft(true))),
                        qBound(FFixedRows, ARow, qMax(FFixedRows, MaxTopLeft(false)))};
    if (tl == FTopLeft)
        return;
    FTopLeft = tl;
    UpdateScrollRange();
    viewport()->update();
    UpdateEditor();
    TopLeftChanged();
}

void TKobCustomGrid::TopLeftChanged()
{
    if (OnTopLeftChanged)
        OnTopLeftChanged(this);
}

void TKobCustomGrid::ClampInView(const TGridCoord& Coord)
{
    TGridCoord tl = FTopLeft;
    for (bool horz : {true, false}) {
        if (horz && FColCount == 1)
            continue;
        const Axis a = CalcAxis(horz);
        const int c = horz ? Coord.X : Coord.Y;
        int& first = horz ? tl.X : tl.Y;
        if (c < a.FixedCount)
            continue;
        if (c < a.First) {
            first = c;
        } else if (c > a.LastFullVisibleCell || a.LastVisibleCell < a.First) {
            // Scroll until the cell is the last one wholly shown.
            const int avail = a.Extent - a.FixedBoundary;
            int i = c;
            int used = Extent(horz, i) + a.LineWidth;
            while (i > a.FixedCount) {
                const int e = Extent(horz, i - 1) + a.LineWidth;
                if (used + e > avail)
                    break;
                used += e;
                --i;
            }
            first = qMax(first, i);
            if (c < first)
                first = c;
        }
    }
    SetTopLeftTo(tl.X, tl.Y);
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
        GridError(kIndexOutOfRange);
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

void TKobCustomGrid::InvalidateCell(int ACol, int ARow)
{
    const QRect r = CellRect(ACol, ARow);
    if (!r.isEmpty())
        viewport()->update(r.adjusted(0, 0, FGridLineWidth, FGridLineWidth));
}

void TKobCustomGrid::InvalidateGrid()
{
    viewport()->update();
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
        GridError(kIndexOutOfRange);
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
        GridError(kIndexOutOfRange);
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
        GridError(kTooManyDeleted);
    MoveColumn(ACol, FColCount - 1);
    SetColCount(FColCount - 1);
}

void TKobCustomGrid::DeleteRow(int ARow)
{
    if (FRowCount <= 1)
        GridError(kTooManyDeleted);
    MoveRow(ARow, FRowCount - 1);
    SetRowCount(FRowCount - 1);
}

// -- editing

TKobInplaceEdit* TKobCustomGrid::CreateEditor()
{
    return new TKobInplaceEdit(this);
}

QString TKobCustomGrid::GetEditText(int ACol, int ARow)
{
    QString value;
    if (OnGetEditText)
        OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TKobCustomGrid::SetEditText(int ACol, int ARow, const QString& Value)
{
    if (OnSetEditText)
        OnSetEditText(this, ACol, ARow, Value);
}

QString TKobCustomGrid::GetEditMask(int ACol, int ARow)
{
    QString value;
    if (OnGetEditMask)
        OnGetEditMask(this, ACol, ARow, value);
    return value;
}

bool TKobCustomGrid::CanEditShow() const
{
    return (FOptions & goEditing) && !(FOptions & goRowSelect) &&
           (FEditorMode || (FOptions & goAlwaysShowEditor));
}

bool TKobCustomGrid::ShowsEditor() const
{
    return FInplaceEdit && FInplaceEdit->isVisible();
}

void TKobCustomGrid::ShowEditor()
{
    if (!(FOptions & goEditing) || (FOptions & goRowSelect))
        return;
    FEditorMode = true;
    UpdateEditor();
}

void TKobCustomGrid::HideEditor()
{
    HideEdit(false);
}

void TKobCustomGrid::HideEdit(bool Restore)
{
    FEditorMode = false;
    if (!ShowsEditor())
        return;
    const bool hadFocus = FInplaceEdit->hasFocus();
    if (Restore && FInplaceCell.X >= 0 && FInplaceEdit->text() != FEditOriginal)
        SetEditText(FInplaceCell.X, FInplaceCell.Y, FEditOriginal);
    FInplaceEdit->hide();
    FInplaceCell = {-1, -1};
    if (hadFocus)
        setFocus();
    InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TKobCustomGrid::UpdateEditor()
{
    if (!CanEditShow() || IsFixedCell(FCurrent.X, FCurrent.Y)) {
        if (ShowsEditor()) {
            const bool mode = FEditorMode;
            HideEdit(false);
            FEditorMode = mode && CanEditShow();
        }
        return;
    }
    if (!FInplaceEdit) {
        FInplaceEdit = CreateEditor();
        FInplaceEdit->setFont(font());
    }
    if (!(FInplaceCell == FCurrent) || !FInplaceEdit->isVisible()) {
        FInplaceCell = FCurrent;
        FEditOriginal = GetEditText(FCurrent.X, FCurrent.Y);
        const QString mask = GetEditMask(FCurrent.X, FCurrent.Y);
        FInplaceEdit->setInputMask(mask);
        FInplaceEdit->setText(FEditOriginal);
        FInplaceEdit->setLayoutDirection(layoutDirection());
    }
    // Read-only also closes the editor's menu, drops and input methods to changes.
    FInplaceEdit->setReadOnly(!CanEditModify());
    const QRect r = CellRect(FCurrent.X, FCurrent.Y);
    if (r.isEmpty()) {
        FInplaceEdit->hide();
        return;
    }
    FInplaceEdit->setGeometry(r);
    if (!FInplaceEdit->isVisible()) {
        FInplaceEdit->show();
        FInplaceEdit->selectAll(); // typing replaces what is there
    }
    if (hasFocus())
        FInplaceEdit->setFocus();
}

// -- keyboard

bool TKobCustomGrid::focusNextPrevChild(bool Next)
{
    if ((FOptions & goTabs) && !(FOptions & goRowSelect))
        return false; // Tab moves between cells
    return TKobCustomControl::focusNextPrevChild(Next);
}

bool TKobCustomGrid::event(QEvent* Event)
{
    if (Event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(Event);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && (FOptions & goTabs)) {
            keyPressEvent(ke);
            return true;
        }
    }
    return TKobCustomControl::event(Event);
}

void TKobCustomGrid::keyPressEvent(QKeyEvent* Event)
{
    int key = Event->key();
    if (OnKeyDown) {
        OnKeyDown(this, key, Event->modifiers());
        if (key == 0)
            return;
    }
    PassKeyPress(Event, [this](QKeyEvent* Key) { GridKey(Key); });
}

void TKobCustomGrid::PassKeyPress(QKeyEvent* Event, const std::function<void(QKeyEvent*)>& Then)
{
    if (Event->text().isEmpty()) {
        Then(Event);
        return;
    }
    QChar ch = Event->text().at(0);
    KeyPress(ch);
    if (ch.isNull())
        return;
    if (ch == Event->text().at(0)) {
        Then(Event);
        return;
    }
    QKeyEvent changed(Event->type(), Event->key(), Event->modifiers(), QString(ch),
                      Event->isAutoRepeat());
    Then(&changed);
}

void TKobCustomGrid::GridKey(QKeyEvent* Event)
{
    const int key = Event->key();
    if ((FOptions & goEditing) && !(FOptions & goRowSelect) && !ShowsEditor() &&
        !(Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        (IsPrintable(Event->text()) || key == Qt::Key_Backspace)) {
        ShowEditor();
        if (ShowsEditor()) {
            // Already seen by the key handlers: the editor only types it.
            QKeyEvent copy(Event->type(), Event->key(), Event->modifiers(), Event->text());
            FInplaceEdit->EditKey(&copy);
        }
        return;
    }
    HandleKey(key, Event->modifiers());
}

void TKobCustomGrid::HandleKey(int Key, Qt::KeyboardModifiers Shift)
{
    if (layoutDirection() == Qt::RightToLeft) {
        if (Key == Qt::Key_Left)
            Key = Qt::Key_Right;
        else if (Key == Qt::Key_Right)
            Key = Qt::Key_Left;
    }
    const bool ctrl = Shift & Qt::ControlModifier;
    const bool shift = Shift & Qt::ShiftModifier;
    const bool rowSelect = FOptions & goRowSelect;
    const bool extend = shift && (FOptions & goRangeSelect) && !(FOptions & goEditing);
    const Axis h = CalcAxis(true);
    const Axis v = CalcAxis(false);
    const int pageWidth = qMax(1, h.LastFullVisibleCell - FTopLeft.X);
    const int pageHeight = qMax(1, v.LastFullVisibleCell - FTopLeft.Y);
    const TGridCoord base = extend ? FAnchor : FCurrent;
    TGridCoord cur = base;
    TGridCoord tl = FTopLeft;
    switch (Key) {
    case Qt::Key_Up:
        if (ctrl)
            --tl.Y;
        else
            --cur.Y;
        break;
    case Qt::Key_Down:
        if (ctrl)
            ++tl.Y;
        else
            ++cur.Y;
        break;
    case Qt::Key_Left:
        if (rowSelect) {
            if (!ctrl)
                --cur.Y;
        } else if (ctrl) {
            cur.X -= pageWidth;
            tl.X -= pageWidth;
        } else {
            --cur.X;
        }
        break;
    case Qt::Key_Right:
        if (rowSelect) {
            if (!ctrl)
                ++cur.Y;
        } else if (ctrl) {
            cur.X += pageWidth;
            tl.X += pageWidth;
        } else {
            ++cur.X;
        }
        break;
    case Qt::Key_PageUp:
        if (ctrl) {
            cur.Y = FTopLeft.Y;
        } else {
            cur.Y -= pageHeight;
            tl.Y -= pageHeight;
        }
        break;
    case Qt::Key_PageDown:
        if (ctrl) {
            cur.Y = v.LastFullVisibleCell;
        } else {
            cur.Y += pageHeight;
            tl.Y += pageHeight;
        }
        break;
    case Qt::Key_Home:
        if (ctrl)
            cur = {FFixedCols, FFixedRows};
        else if (rowSelect)
            cur.Y = FFixedRows;
        else
            cur.X = FFixedCols;
        break;
    case Qt::Key_End:
        if (ctrl)
            cur = {FColCount - 1, FRowCount - 1};
        else if (rowSelect)
            cur.Y = FRowCount - 1;
        else
            cur.X = FColCount - 1;
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if (!(FOptions & goTabs) || (Shift & Qt::AltModifier))
            return;
        const bool back = Key == Qt::Key_Backtab || shift;
        cur = FCurrent;
        do {
            if (back) {
                if (--cur.X < FFixedCols) {
                    cur.X = FColCount - 1;
                    if (--cur.Y < FFixedRows)
                        cur.Y = FRowCount - 1;
                }
            } else if (++cur.X >= FColCount) {
                cur.X = FFixedCols;
                if (++cur.Y >= FRowCount)
                    cur.Y = FFixedRows;
            }
        } while (!TabStops(cur.X) && cur.X != FCurrent.X);
        MoveCurrent(cur.X, cur.Y, true, true);
        UpdateEditor();
        return;
    }
    case Qt::Key_F2:
        SetEditorMode(true);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if ((FOptions & goEditing) && !(FOptions & goAlwaysShowEditor)) {
            if (ShowsEditor())
                HideEditor();
            else
                ShowEditor();
        }
        return;
    default:
        return;
    }
    tl.X = qBound(FFixedCols, tl.X, qMax(FFixedCols, MaxTopLeft(true)));
    tl.Y = qBound(FFixedRows, tl.Y, qMax(FFixedRows, MaxTopLeft(false)));
    cur.X = qBound(FFixedCols, cur.X, FColCount - 1);
    cur.Y = qBound(FFixedRows, cur.Y, FRowCount - 1);
    if (!(tl == FTopLeft))
        SetTopLeftTo(tl.X, tl.Y);
    if (!(cur == base)) {
        if (extend)
            MoveAnchor(cur);
        else
            MoveCurrent(cur.X, cur.Y, true, true);
        if (FOptions & goAlwaysShowEditor)
            UpdateEditor();
    }
}

// -- mouse

int TKobCustomGrid::SizingHit(int X, int Y, bool& Horz, int& Index) const
{
    const Axis h = CalcAxis(true);
    const Axis v = CalcAxis(false);
    auto hit = [&](const Axis& a, bool horz, int pos) {
        auto test = [&](int i) {
            const int start = LinePos(a, horz, i);
            if (start == kHidden)
                return false;
            const int line = start + Extent(horz, i);
            const int width = qMax(a.LineWidth, 7);
            const int from = line + a.LineWidth / 2 - width / 2;
            return pos >= from && pos < from + width;
        };
        for (int i = 0; i < a.FixedCount; ++i)
            if (test(i))
                return i;
        for (int i = a.First; i <= a.LastVisibleCell; ++i)
            if (test(i))
                return i;
        return -1;
    };
    if ((FOptions & goColSizing) && Y < v.FixedBoundary) {
        Index = hit(h, true, X);
        if (Index >= 0) {
            Horz = true;
            return 1;
        }
    }
    if ((FOptions & goRowSizing) && X < h.FixedBoundary) {
        Index = hit(v, false, Y);
        if (Index >= 0) {
            Horz = false;
            return 1;
        }
    }
    return 0;
}

bool TKobCustomGrid::SizingAt(int X, int Y) const
{
    bool horz = false;
    int index = -1;
    return SizingHit(Mirror(X), Y, horz, index);
}

void TKobCustomGrid::mousePressEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    FMousePos = p;
    if (OnMouseDown)
        OnMouseDown(this, Event->button(), Event->modifiers(), p.x(), p.y());
    if (!(FOptions & goAlwaysShowEditor))
        HideEdit(false);
    setFocus(Qt::MouseFocusReason);
    if (Event->button() != Qt::LeftButton)
        return;
    const int x = Mirror(p.x());
    bool horz = false;
    int index = -1;
    if (SizingHit(x, p.y(), horz, index)) {
        const Axis a = CalcAxis(horz);
        FGridState = horz ? gsColSizing : gsRowSizing;
        FSizingIndex = index;
        const int boundary = LinePos(a, horz, index) + Extent(horz, index);
        FSizingOfs = boundary - (horz ? x : p.y());
        FSizingPos = boundary;
        viewport()->update();
        return;
    }
    const TGridCoord cell = MouseCoord(p.x(), p.y());
    if (cell.X < 0)
        return;
    if ((FOptions & goRowMoving) && cell.X < FFixedCols && cell.Y >= FFixedRows) {
        FGridState = gsRowMoving;
        FMoveIndex = FMovePos = cell.Y;
        FScrollTimer.start(kScrollInterval, this);
        return;
    }
    if ((FOptions & goColMoving) && cell.Y < FFixedRows && cell.X >= FFixedCols) {
        FGridState = gsColMoving;
        FMoveIndex = FMovePos = cell.X;
        FScrollTimer.start(kScrollInterval, this);
        return;
    }
    if (IsFixedCell(cell.X, cell.Y))
        return;
    if (FOptions & goEditing) {
        if (cell == FCurrent)
            ShowEditor();
        else {
            MoveCurrent(cell.X, cell.Y, true, true);
            UpdateEditor();
        }
        if (OnClick)
            OnClick(this);
        return;
    }
    FGridState = gsSelecting;
    FScrollTimer.start(kScrollInterval, this);
    if (Event->modifiers() & Qt::ShiftModifier)
        MoveAnchor(cell);
    else
        MoveCurrent(cell.X, cell.Y, true, true);
}

void TKobCustomGrid::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    FMousePos = p;
    const int x = Mirror(p.x());
    switch (FGridState) {
    case gsSelecting: {
        const TGridCoord cell = MouseCoord(p.x(), p.y());
        if (cell.X >= FFixedCols && cell.Y >= FFixedRows && !(cell == FAnchor))
            MoveAnchor(cell);
        break;
    }
    case gsColSizing:
    case gsRowSizing:
        FSizingPos = (FGridState == gsColSizing ? x : p.y()) + FSizingOfs;
        viewport()->update();
        break;
    case gsColMoving:
    case gsRowMoving: {
        const TGridCoord cell = MouseCoord(p.x(), p.y());
        const int pos = FGridState == gsColMoving ? cell.X : cell.Y;
        const int fixed = FGridState == gsColMoving ? FFixedCols : FFixedRows;
        if (cell.X >= 0 && pos >= fixed && pos != FMovePos) {
            FMovePos = pos;
            viewport()->update();
        }
        break;
    }
    case gsNormal: {
        bool horz = false;
        int index = -1;
        if (SizingHit(x, p.y(), horz, index))
            viewport()->setCursor(horz ? Qt::SplitHCursor : Qt::SplitVCursor);
        else
            viewport()->unsetCursor();
        break;
    }
    }
    if (OnMouseMove && Event->type() == QEvent::MouseMove)
        OnMouseMove(this, Event->modifiers(), p.x(), p.y());
}

void TKobCustomGrid::mouseReleaseEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    if (OnMouseUp)
        OnMouseUp(this, Event->button(), Event->modifiers(), p.x(), p.y());
    if (Event->button() != Qt::LeftButton)
        return;
    mouseMoveEvent(Event);
    EndMouseMode(true, p);
}

void TKobCustomGrid::EndMouseMode(bool Apply, const QPoint&)
{
    const TGridState state = FGridState;
    FGridState = gsNormal;
    FScrollTimer.stop();
    switch (state) {
    case gsSelecting:
        if (Apply) {
            UpdateEditor();
            if (OnClick)
                OnClick(this);
        }
        break;
    case gsColSizing:
    case gsRowSizing:
        if (Apply) {
            const bool horz = state == gsColSizing;
            const int start = LinePos(CalcAxis(horz), horz, FSizingIndex);
            const int extent = FSizingPos - start;
            if (start != kHidden && extent > 1) {
                if (horz)
                    SetColWidths(FSizingIndex, extent);
                else
                    SetRowHeights(FSizingIndex, extent);
            }
        }
        viewport()->update();
        break;
    case gsColMoving:
    case gsRowMoving:
        if (Apply && FMovePos >= 0 && FMovePos != FMoveIndex) {
            if (state == gsColMoving)
                MoveColumn(FMoveIndex, FMovePos);
            else
                MoveRow(FMoveIndex, FMovePos);
        }
        viewport()->update();
        break;
    case gsNormal:
        break;
    }
    FMoveIndex = FMovePos = FSizingIndex = -1;
}

void TKobCustomGrid::mouseDoubleClickEvent(QMouseEvent* Event)
{
    if (Event->button() == Qt::LeftButton) {
        if (OnDblClick)
            OnDblClick(this);
        return;
    }
    TKobCustomControl::mouseDoubleClickEvent(Event);
}

void TKobCustomGrid::timerEvent(QTimerEvent* Event)
{
    if (Event->timerId() != FScrollTimer.timerId())
        return TKobCustomControl::timerEvent(Event);
    if (FGridState != gsSelecting && FGridState != gsColMoving && FGridState != gsRowMoving) {
        FScrollTimer.stop();
        return;
    }
    const Axis h = CalcAxis(true);
    const Axis v = CalcAxis(false);
    const int x = Mirror(FMousePos.x());
    const int y = FMousePos.y();
    int dx = 0, dy = 0;
    if (FGridState != gsRowMoving) {
        if (x < h.FixedBoundary && FTopLeft.X > FFixedCols)
            dx = -1;
        else if (x >= h.FullVisBoundary && h.LastFullVisibleCell < FColCount - 1)
            dx = 1;
    }
    if (FGridState != gsColMoving) {
        if (y < v.FixedBoundary && FTopLeft.Y > FFixedRows)
            dy = -1;
        else if (y >= v.FullVisBoundary && v.LastFullVisibleCell < FRowCount - 1)
            dy = 1;
    }
    if (!dx && !dy)
        return;
    SetTopLeftTo(FTopLeft.X + dx, FTopLeft.Y + dy);
    if (FGridState == gsSelecting) {
        // The range reaches the edge line just scrolled into view.
        TGridCoord a = FAnchor;
        if (dx)
            a.X = dx < 0 ? FTopLeft.X : CalcAxis(true).LastFullVisibleCell;
        if (dy)
            a.Y = dy < 0 ? FTopLeft.Y : CalcAxis(false).LastFullVisibleCell;
        MoveAnchor(a);
    } else {
        const int count = FGridState == gsColMoving ? FColCount : FRowCount;
        const int fixed = FGridState == gsColMoving ? FFixedCols : FFixedRows;
        FMovePos = qBound(fixed, FMovePos + (FGridState == gsColMoving ? dx : dy), count - 1);
        viewport()->update();
    }
}

void TKobCustomGrid::wheelEvent(QWheelEvent* Event)
{
    const int delta = Event->angleDelta().y();
    if (delta == 0)
        return TKobCustomControl::wheelEvent(Event);
    bool handled = false;
    if (delta < 0 && OnMouseWheelDown)
        OnMouseWheelDown(this, Event->modifiers(), handled);
    else if (delta > 0 && OnMouseWheelUp)
        OnMouseWheelUp(this, Event->modifiers(), handled);
    if (!handled) {
        if (delta < 0 && FCurrent.Y < FRowCount - 1)
            MoveCurrent(FCurrent.X, FCurrent.Y + 1, true, true);
        else if (delta > 0 && FCurrent.Y > FFixedRows)
            MoveCurrent(FCurrent.X, FCurrent.Y - 1, true, true);
    }
    Event->accept();
}

void TKobCustomGrid::resizeEvent(QResizeEvent* Event)
{
    TKobCustomControl::resizeEvent(Event);
    UpdateScrollRange();
    UpdateEditor();
}

void TKobCustomGrid::focusInEvent(QFocusEvent* Event)
{
    TKobCustomControl::focusInEvent(Event);
    InvalidateCell(FCurrent.X, FCurrent.Y);
    if (FOptions & goAlwaysShowEditor)
        ShowEditor();
}

void TKobCustomGrid::focusOutEvent(QFocusEvent* Event)
{
    TKobCustomControl::focusOutEvent(Event);
    if (!FInplaceEdit || QApplication::focusWidget() != FInplaceEdit) {
        if (FGridState != gsNormal)
            EndMouseMode(false, {}); // the mouse mode ends without being applied
        if (ShowsEditor() && QApplication::focusWidget() != FInplaceEdit)
            HideEditor();
    }
    viewport()->update();
}

// -- painting

void TKobCustomGrid::DrawCell(int ACol, int ARow, const QRect& Rect, TGridDrawState State)
{
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, Rect, State);
}

void TKobCustomGrid::Paint()
{
    QPainter& p = *Canvas()->Painter();
    const Axis h = CalcAxis(true);
    const Axis v = CalcAxis(false);
    p.fillRect(viewport()->rect(), FColor);
    const bool focused = hasFocus() || (FInplaceEdit && FInplaceEdit->hasFocus());
    const TGridRect sel = Selection();
    const QColor lineScroll =
        FColor == QColor(0xC0, 0xC0, 0xC0) ? QColor(0x80, 0x80, 0x80) : QColor(0xC0, 0xC0, 0xC0);
    std::vector<int> cols;
    std::vector<int> rows;
    for (int i = 0; i < h.FixedCount; ++i)
        cols.push_back(i);
    for (int i = h.First; i <= h.LastVisibleCell; ++i)
        cols.push_back(i);
    for (int i = 0; i < v.FixedCount; ++i)
        rows.push_back(i);
    for (int i = v.First; i <= v.LastVisibleCell; ++i)
        rows.push_back(i);
    const QPalette pal = palette();
    for (int r : rows) {
        const int y = LinePos(v, false, r);
        const int rh = RowHeights(r);
        for (int c : cols) {
            const int x = LinePos(h, true, c);
            const int cw = ColWidths(c);
            const QRect logical(x, y, cw, rh);
            const QRect where = MirrorRect(logical);
            const bool fixed = IsFixedCell(c, r);
            TGridDrawState state;
            if (fixed)
                state |= gdFixed;
            const bool isCurrent = c == FCurrent.X && r == FCurrent.Y;
            if (!fixed && focused && isCurrent)
                state |= gdFocused;
            if (!fixed && sel.Contains(c, r) &&
                (!(state & gdFocused) || (FOptions & (goDrawFocusSelected | goRowSelect))))
                state |= gdSelected;
            if (!fixed && (FOptions & goRowSelect) && r == FCurrent.Y)
                state |= gdSelected;
            const bool editing = isCurrent && ShowsEditor();
            if (!editing) {
                TKobWideStringCanvas* canvas = Canvas();
                canvas->Font = font();
                QColor fill = fixed ? FFixedColor : FColor;
                QColor text = pal.color(QPalette::Text);
                if (!fixed && (state & gdSelected)) {
                    fill = pal.color(QPalette::Highlight);
                    text = pal.color(QPalette::HighlightedText);
                }
                canvas->Brush = QBrush(fill);
                canvas->FontColor = text;
                if (FDefaultDrawing)
                    p.fillRect(where, fill);
                p.save();
                p.setClipRect(where);
                DrawCell(c, r, where, state);
                p.restore();
                if (FDefaultDrawing && fixed && FGridLineWidth > 0) {
                    p.setPen(pal.color(QPalette::Light));
                    p.drawLine(where.topLeft(), where.topRight());
                    p.drawLine(where.topLeft(), where.bottomLeft());
                    p.setPen(pal.color(QPalette::Dark));
                    p.drawLine(where.bottomLeft(), where.bottomRight());
                    p.drawLine(where.topRight(), where.bottomRight());
                }
                if (FDefaultDrawing && (state & gdFocused) && !(FOptions & goRowSelect)) {
                    QPen pen(pal.color(QPalette::Text), 1, Qt::DotLine);
                    p.setPen(pen);
                    p.setBrush(Qt::NoBrush);
                    p.drawRect(where.adjusted(0, 0, -1, -1));
                }
            }
            // Grid lines: black in the fixed area, silver among the scrollable cells.
            const QColor lineColor = fixed ? Qt::black : lineScroll;
            const bool vert = (FOptions & (fixed ? goFixedVertLine : goVertLine)) && h.LineWidth;
            const bool horz = (FOptions & (fixed ? goFixedHorzLine : goHorzLine)) && v.LineWidth;
            if (vert)
                p.fillRect(MirrorRect(QRect(x + cw, y, h.LineWidth, rh + v.LineWidth)), lineColor);
            if (horz)
                p.fillRect(MirrorRect(QRect(x, y + rh, cw + h.LineWidth, v.LineWidth)), lineColor);
        }
    }
    DrawMovePos(p);
}

void TKobCustomGrid::DrawMovePos(QPainter& P)
{
    const int w = viewport()->width();
    const int hgt = viewport()->height();
    P.save();
    P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    if (FGridState == gsColSizing || FGridState == gsRowSizing) {
        P.setPen(QPen(Qt::white, 1, Qt::DotLine));
        if (FGridState == gsColSizing) {
            const int x = Mirror(FSizingPos);
            P.drawLine(x, 0, x, hgt);
        } else {
            P.drawLine(0, FSizingPos, w, FSizingPos);
        }
    } else if ((FGridState == gsColMoving || FGridState == gsRowMoving) && FMovePos >= 0) {
        const bool horz = FGridState == gsColMoving;
        const Axis a = CalcAxis(horz);
        const int start = LinePos(a, horz, FMovePos);
        if (start != kHidden) {
            // At the far edge when moving forward, at the near edge when moving back.
            const int pos = FMovePos > FMoveIndex ? start + Extent(horz, FMovePos) : start;
            P.setPen(QPen(Qt::white, 5, Qt::DotLine));
            if (horz)
                P.drawLine(Mirror(pos), 0, Mirror(pos), hgt);
            else
                P.drawLine(0, pos, w, pos);
        }
    }
    P.restore();
}

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
    throw EInvalidGridOperation(kCannotInsertDelete);
}

void TKobWideStringGridStrings::Delete(int)
{
    throw EInvalidGridOperation(kCannotInsertDelete);
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
    Attach();
}

TKobWideStringGrid::~TKobWideStringGrid()
{
    Detach();
}

void TKobWideStringGrid::Attach()
{
    FStore->OnCellChanged = [this](int ACol, int ARow) { CellChanged(ACol, ARow); };
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

void TKobWideStringGrid::Detach()
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
    Detach();
    FStore = Store;
    Attach();
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

void TKobWideStringGrid::CellChanged(int ACol, int ARow)
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

void TKobWideStringGrid::SetPreviewLook()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(11);
    setFont(previewFont(font));
    // A cell's text starts two pixels down and the grid line takes the cell's last one.
    SetDefaultRowHeight(qMax(16, QFontMetrics(this->font()).height() + 4));
}

void TKobWideStringGrid::DrawCell(int ACol, int ARow, const QRect& Rect, TGridDrawState State)
{
    if (DefaultDrawing()) {
        TKobWideStringCanvas* canvas = Canvas();
        const QString text = Cells(ACol, ARow);
        const int x = layoutDirection() == Qt::RightToLeft
                          ? Rect.right() + 1 - 2 - canvas->TextWidth(text)
                          : Rect.left() + 2;
        canvas->TextRect(Rect, x, Rect.top() + 2, text);
    }
    TKobDrawGrid::DrawCell(ACol, ARow, Rect, State);
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

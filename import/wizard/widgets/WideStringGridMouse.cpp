// The grid's mouse: picking and range selection, sizing and moving lines by their headers,
// scrolling while the button is held beyond the cells, the wheel.

#include "import/wizard/widgets/WideStringGridPrivate.h"

#include <QMouseEvent>
#include <QWheelEvent>

using namespace GridPrivate;

// -- mouse

int TKobCustomGrid::sizingHit(int X, int Y, bool& Horz, int& Index) const
{
    const Axis h = calcAxis(true);
    const Axis v = calcAxis(false);
    auto hit = [&](const Axis& a, bool horz, int pos) {
        auto test = [&](int i) {
            const int start = linePos(a, horz, i);
            if (start == Hidden)
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
    return sizingHit(mirror(X), Y, horz, index);
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
    const int x = mirror(p.x());
    bool horz = false;
    int index = -1;
    if (sizingHit(x, p.y(), horz, index)) {
        const Axis a = calcAxis(horz);
        FGridState = horz ? gsColSizing : gsRowSizing;
        FSizingIndex = index;
        const int boundary = linePos(a, horz, index) + Extent(horz, index);
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
        FScrollTimer.start(ScrollInterval, this);
        return;
    }
    if ((FOptions & goColMoving) && cell.Y < FFixedRows && cell.X >= FFixedCols) {
        FGridState = gsColMoving;
        FMoveIndex = FMovePos = cell.X;
        FScrollTimer.start(ScrollInterval, this);
        return;
    }
    if (isFixedCell(cell.X, cell.Y))
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
    FScrollTimer.start(ScrollInterval, this);
    if (Event->modifiers() & Qt::ShiftModifier)
        MoveAnchor(cell);
    else
        MoveCurrent(cell.X, cell.Y, true, true);
}

void TKobCustomGrid::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    FMousePos = p;
    const int x = mirror(p.x());
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
        if (sizingHit(x, p.y(), horz, index))
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
    endMouseMode(true, p);
}

void TKobCustomGrid::endMouseMode(bool Apply, const QPoint&)
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
            const int start = linePos(calcAxis(horz), horz, FSizingIndex);
            const int extent = FSizingPos - start;
            if (start != Hidden && extent > 1) {
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
    const Axis h = calcAxis(true);
    const Axis v = calcAxis(false);
    const int x = mirror(FMousePos.x());
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
    setTopLeftTo(FTopLeft.X + dx, FTopLeft.Y + dy);
    if (FGridState == gsSelecting) {
        // The range reaches the edge line just scrolled into view.
        TGridCoord a = FAnchor;
        if (dx)
            a.X = dx < 0 ? FTopLeft.X : calcAxis(true).LastFullVisibleCell;
        if (dy)
            a.Y = dy < 0 ? FTopLeft.Y : calcAxis(false).LastFullVisibleCell;
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

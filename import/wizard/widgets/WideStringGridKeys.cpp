// The grid's keyboard and focus: the key handlers, moving the current cell by keys, Tab between
// cells, entering and leaving the grid.

#include "import/wizard/widgets/WideStringGridPrivate.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

using namespace GridPrivate;

void TKobCustomGrid::focusMoved(QWidget* Old, QWidget* Now)
{
    // The editor is part of the grid: moving between them is neither an enter nor an exit.
    const bool was = holdsFocus(Old);
    const bool is = holdsFocus(Now);
    if (!was && is && OnEnter)
        OnEnter(this);
    else if (was && !is && OnExit)
        OnExit(this);
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
    passKeyPress(Event, [this](QKeyEvent* Key) { gridKey(Key); });
}

void TKobCustomGrid::passKeyPress(QKeyEvent* Event, const std::function<void(QKeyEvent*)>& Then)
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

void TKobCustomGrid::gridKey(QKeyEvent* Event)
{
    const int key = Event->key();
    if ((FOptions & goEditing) && !(FOptions & goRowSelect) && !showsEditor() &&
        !(Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        (isPrintable(Event->text()) || key == Qt::Key_Backspace)) {
        ShowEditor();
        if (showsEditor()) {
            // Already seen by the key handlers: the editor only types it.
            QKeyEvent copy(Event->type(), Event->key(), Event->modifiers(), Event->text());
            FInplaceEdit->editKey(&copy);
        }
        return;
    }
    handleKey(key, Event->modifiers());
}

void TKobCustomGrid::handleKey(int Key, Qt::KeyboardModifiers Shift)
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
    const Axis h = calcAxis(true);
    const Axis v = calcAxis(false);
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
            if (showsEditor())
                HideEditor();
            else
                ShowEditor();
        }
        return;
    default:
        return;
    }
    tl.X = qBound(FFixedCols, tl.X, qMax(FFixedCols, maxTopLeft(true)));
    tl.Y = qBound(FFixedRows, tl.Y, qMax(FFixedRows, maxTopLeft(false)));
    cur.X = qBound(FFixedCols, cur.X, FColCount - 1);
    cur.Y = qBound(FFixedRows, cur.Y, FRowCount - 1);
    if (!(tl == FTopLeft))
        setTopLeftTo(tl.X, tl.Y);
    if (!(cur == base)) {
        if (extend)
            MoveAnchor(cur);
        else
            MoveCurrent(cur.X, cur.Y, true, true);
        if (FOptions & goAlwaysShowEditor)
            UpdateEditor();
    }
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
            endMouseMode(false, {}); // the mouse mode ends without being applied
        if (showsEditor() && QApplication::focusWidget() != FInplaceEdit)
            HideEditor();
    }
    viewport()->update();
}

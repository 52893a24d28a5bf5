// The grid's in-place editor: the edit over the current cell, its keys, and when the grid shows and
// hides it.

#include "import/wizard/widgets/WideStringGridPrivate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>

using namespace GridPrivate;

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
    FGrid->passKeyPress(Event, [this](QKeyEvent* Key) { editKey(Key); });
}

void TKobInplaceEdit::editKey(QKeyEvent* Event)
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
            (isPrintable(Event->text()) || key == Qt::Key_Backspace ||
             Event->matches(QKeySequence::Paste) || Event->matches(QKeySequence::Cut)))
            return;
        break;
    }
    if (toGrid) {
        FGrid->handleKey(key, mods);
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

void TKobCustomGrid::SetCanEditModify(bool Value)
{
    FCanEditModify = Value;
    if (FInplaceEdit)
        FInplaceEdit->setReadOnly(!CanEditModify());
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

bool TKobCustomGrid::showsEditor() const
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
    if (!showsEditor())
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
    if (!CanEditShow() || isFixedCell(FCurrent.X, FCurrent.Y)) {
        if (showsEditor()) {
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

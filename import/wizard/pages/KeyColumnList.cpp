#include "import/wizard/pages/KeyColumnList.h"

#include <QDropEvent>

KeyColumnList::KeyColumnList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

void KeyColumnList::dragEnterEvent(QDragEnterEvent* event)
{
    if (qobject_cast<KeyColumnList*>(event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void KeyColumnList::dragMoveEvent(QDragMoveEvent* event)
{
    if (qobject_cast<KeyColumnList*>(event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void KeyColumnList::dropEvent(QDropEvent* event)
{
    auto* source = qobject_cast<KeyColumnList*>(event->source());
    if (!source) {
        event->ignore();
        return;
    }
    // The page moves the items itself; the view must not remove or copy them again.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit itemsDropped(source, itemAt(event->position().toPoint()));
}

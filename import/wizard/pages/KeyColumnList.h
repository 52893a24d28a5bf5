#pragma once
// A key-column list of the last page: items are dragged between the two lists and within one.

#include <QListWidget>

class KeyColumnList : public QListWidget
{
    Q_OBJECT
public:
    explicit KeyColumnList(QWidget* parent = nullptr);

signals:
    // An item of Source was dropped here; Target is the item under the mouse (or none).
    void itemsDropped(KeyColumnList* Source, QListWidgetItem* Target);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

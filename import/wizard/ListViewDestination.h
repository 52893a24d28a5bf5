#pragma once
// A report-style list (the top-level items of a QTreeWidget under its header) as an import
// destination: column 0 is an item's first column, column k its column k.

#include "import/engine/DurvelDestinations.h"

class QTreeWidget;

class DurvelListViewDestination : public DurvelListView
{
public:
    // The list is not owned.
    explicit DurvelListViewDestination(QTreeWidget* List);

    int columnCount() const override;
    QString columnCaption(int column) const override;
    int itemCount() const override;
    int addItem() override;
    QString itemText(int item, int column) const override;
    void setItemText(int item, int column, const QString& text) override;
    void deleteItem(int item) override;
    // While an import writes, the list neither repaints nor sorts, so that an item stays where
    // it was added; at the end it is drawn, and sorted when it was, once.
    void beginUpdate() override;
    void endUpdate() override;

private:
    QTreeWidget* m_list;
    int m_updates = 0;
    bool m_wasSorting = false;
    bool m_wasRepainting = true;
};

#include "import/wizard/ListViewDestination.h"

#include <QTreeWidget>

DurvelListViewDestination::DurvelListViewDestination(QTreeWidget* List) : m_list(List) {}

int DurvelListViewDestination::columnCount() const
{
    return m_list->columnCount();
}

QString DurvelListViewDestination::columnCaption(int column) const
{
    const QTreeWidgetItem* header = m_list->headerItem();
    return header && column >= 0 && column < m_list->columnCount() ? header->text(column)
                                                                    : QString();
}

int DurvelListViewDestination::itemCount() const
{
    return m_list->topLevelItemCount();
}

int DurvelListViewDestination::addItem()
{
    auto* item = new QTreeWidgetItem;
    m_list->addTopLevelItem(item);
    return m_list->indexOfTopLevelItem(item);
}

QString DurvelListViewDestination::itemText(int item, int column) const
{
    const QTreeWidgetItem* it = m_list->topLevelItem(item);
    return it ? it->text(column) : QString();
}

void DurvelListViewDestination::setItemText(int item, int column, const QString& text)
{
    if (QTreeWidgetItem* it = m_list->topLevelItem(item); it && column >= 0)
        it->setText(column, text);
}

void DurvelListViewDestination::deleteItem(int item)
{
    delete m_list->takeTopLevelItem(item);
}

void DurvelListViewDestination::beginUpdate()
{
    if (m_updates++ > 0)
        return;
    m_wasSorting = m_list->isSortingEnabled();
    m_wasRepainting = m_list->updatesEnabled();
    m_list->setSortingEnabled(false);
    m_list->setUpdatesEnabled(false);
}

void DurvelListViewDestination::endUpdate()
{
    if (m_updates == 0 || --m_updates > 0)
        return;
    m_list->setUpdatesEnabled(m_wasRepainting);
    // Switching it on again sorts by the column the header shows.
    m_list->setSortingEnabled(m_wasSorting);
}

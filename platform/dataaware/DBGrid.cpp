#include "platform/dataaware/DBGrid.h"

#include "platform/dialogs/Dialogs.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>

namespace dataaware {

namespace {

// Bank lines and numbers read left to right even in a right-to-left window.
class LtrDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->direction = Qt::LeftToRight;
    }
};

} // namespace

DBGrid::DBGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    verticalHeader()->setDefaultSectionSize(22);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setStretchLastSection(true);
}

void DBGrid::setDataSet(db::DataSet* dataSet, const QList<DataSetModel::Column>& columns)
{
    delete m_model;
    m_model = new DataSetModel(dataSet, this);
    m_model->setColumns(columns);
    setModel(m_model);
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].leftToRight || columns[i].recordNumber)
            setItemDelegateForColumn(i, new LtrDelegate(this));
    applyWidths();
    applyLook();
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyWidths();
        followDataSet(m_model->dataSet()->currentRow());
    });
    connect(dataSet, &db::DataSet::currentRowChanged, this, &DBGrid::followDataSet);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_syncing || !current.isValid())
                    return;
                db::DataSet* ds = m_model->dataSet();
                if (!ds->isActive() || ds->currentRow() == current.row())
                    return;
                try {
                    ds->setRecNo(current.row() + 1);
                } catch (const db::Error& e) {
                    dialogs::showError(e.message(), this);
                }
            });
    followDataSet(dataSet->currentRow());
}

void DBGrid::setTitleStyle(const QFont& font, const QColor& color, const QColor& background)
{
    m_titleFont = font;
    m_titleColor = color;
    m_titleBackground = background;
    m_titleStyled = true;
    applyLook();
}

void DBGrid::setIndicator(bool on)
{
    m_indicator = on;
    applyLook();
}

void DBGrid::applyLook()
{
    verticalHeader()->setVisible(m_indicator);
    if (m_indicator) {
        verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        verticalHeader()->setFixedWidth(fontMetrics().horizontalAdvance(QChar(0x25B6)) + 10);
    }
    if (!m_model)
        return;
    m_model->setIndicator(m_indicator);
    if (m_titleStyled)
        m_model->setTitleStyle(m_titleFont, m_titleColor, m_titleBackground);
}

void DBGrid::applyWidths()
{
    const auto& cols = m_model->columns();
    for (int i = 0; i < cols.size(); ++i)
        if (cols[i].width > 0)
            setColumnWidth(i, cols[i].width);
}

void DBGrid::followDataSet(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    m_syncing = true;
    const QModelIndex idx = m_model->index(row, qMax(0, currentIndex().column()));
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect |
                                               QItemSelectionModel::Rows);
    scrollTo(idx);
    m_syncing = false;
}

} // namespace dataaware

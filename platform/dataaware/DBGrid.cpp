#include "platform/dataaware/DBGrid.h"

#include "platform/dialogs/Dialogs.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyledItemDelegate>

namespace dataaware {

namespace {

// Bank lines and numbers read left to right even in a right-to-left window. A cell pushed
// partly out of view is drawn in the part that shows, its text shortened with an ellipsis: a
// digit cut through by the edge of the view can read as another (8 as 3).
class CellDelegate : public QStyledItemDelegate
{
public:
    CellDelegate(QAbstractItemView* view, bool leftToRight)
        : QStyledItemDelegate(view), m_view(view), m_leftToRight(leftToRight)
    {}

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_leftToRight)
            option->direction = Qt::LeftToRight;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const QRect shown = option.rect & m_view->viewport()->rect();
        if (shown == option.rect || shown.isEmpty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.rect = shown;
        // The ellipsis stands where the cell goes out of view; elide modes count from the
        // text's start, which is on the right of right-to-left text.
        const bool cutOnLeft = shown.left() > option.rect.left();
        const bool rtl = opt.direction == Qt::RightToLeft;
        opt.textElideMode = cutOnLeft != rtl ? Qt::ElideLeft : Qt::ElideRight;
        const QWidget* widget = opt.widget ? opt.widget : m_view;
        widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }

private:
    QAbstractItemView* m_view;
    bool m_leftToRight;
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
    // The style's minimum is the font's widest glyph, which an Arabic font makes wider than
    // the narrow columns the windows ask for.
    horizontalHeader()->setMinimumSectionSize(24);
    setItemDelegate(new CellDelegate(this, false));
}

void DBGrid::setDataSet(db::DataSet* dataSet, const QList<DataSetModel::Column>& columns)
{
    delete m_model;
    m_model = new DataSetModel(dataSet, this);
    m_model->setColumns(columns);
    setModel(m_model);
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].leftToRight || columns[i].recordNumber)
            setItemDelegateForColumn(i, new CellDelegate(this, true));
    applyWidths();
    applyLook();
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyWidths();
        followDataSet(m_model->dataSet()->currentRow());
    });
    connect(dataSet, &db::DataSet::currentRowChanged, this, &DBGrid::followDataSet);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // Only the user's own moves reach the data set: while rows come and go the
                // view moves its current index by itself, by row numbers the data set no
                // longer has (a delete would make the last row current instead of the next).
                if (m_syncing || m_model->isChangingRows() || !current.isValid())
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

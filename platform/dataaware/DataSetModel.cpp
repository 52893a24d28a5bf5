#include "platform/dataaware/DataSetModel.h"

namespace dataaware {

namespace {

struct Changing
{
    explicit Changing(int& depth) : m_depth(depth) { ++m_depth; }
    ~Changing() { --m_depth; }
    Changing(const Changing&) = delete;
    Changing& operator=(const Changing&) = delete;
    int& m_depth;
};

} // namespace

DataSetModel::DataSetModel(db::DataSet* dataSet, QObject* parent)
    : QAbstractTableModel(parent), m_ds(dataSet)
{
    connect(m_ds, &db::DataSet::rowsReset, this, &DataSetModel::reset);
    connect(m_ds, &db::DataSet::rowInserted, this, [this](int row) {
        const Changing changing(m_changing);
        beginInsertRows({}, row, row);
        ++m_rows;
        endInsertRows();
        // Record numbers below the new row shift by one.
        if (row + 1 < m_rows)
            emit dataChanged(index(row + 1, 0), index(m_rows - 1, columnCount() - 1));
    });
    connect(m_ds, &db::DataSet::rowRemoved, this, [this](int row) {
        const Changing changing(m_changing);
        beginRemoveRows({}, row, row);
        --m_rows;
        endRemoveRows();
        if (row < m_rows)
            emit dataChanged(index(row, 0), index(m_rows - 1, columnCount() - 1));
    });
    connect(m_ds, &db::DataSet::currentRowChanged, this, [this] {
        if (m_indicator && m_rows > 0)
            emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
    });
    connect(m_ds, &db::DataSet::rowChanged, this, [this](int row) {
        if (row >= 0 && row < m_rows)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    reset();
}

void DataSetModel::setTitleStyle(const QFont& font, const QColor& color, const QColor& background)
{
    m_titleFont = font;
    m_titleColor = color;
    m_titleBackground = background;
    if (!m_shown.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, int(m_shown.size()) - 1);
}

void DataSetModel::setIndicator(bool on)
{
    m_indicator = on;
    if (m_rows > 0)
        emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

void DataSetModel::setColumns(const QList<Column>& columns)
{
    m_columns = columns;
    reset();
}

QList<DataSetModel::Column> DataSetModel::effectiveColumns() const
{
    if (!m_columns.isEmpty() || !m_ds)
        return m_columns;
    QList<Column> all;
    for (const db::Field& f : m_ds->fields()) {
        Column c;
        c.field = f.name;
        all.append(c);
    }
    return all;
}

void DataSetModel::reset()
{
    const Changing changing(m_changing);
    beginResetModel();
    m_shown = effectiveColumns();
    m_fieldIndex.clear();
    for (const Column& c : std::as_const(m_shown))
        m_fieldIndex.append(c.recordNumber || !m_ds ? -1 : m_ds->fieldIndex(c.field));
    m_rows = m_ds && m_ds->isActive() ? m_ds->recordCount() : 0;
    endResetModel();
}

int DataSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_ds || index.row() >= m_rows || index.column() >= m_shown.size())
        return {};
    const Column& c = m_shown[index.column()];
    switch (role) {
    case Qt::DisplayRole: {
        if (c.recordNumber)
            return index.row() + 1;
        const int f = m_fieldIndex[index.column()];
        if (f < 0)
            return {};
        const QVariant v = m_ds->valueAt(index.row(), f);
        if (v.typeId() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return v.toString();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.alignment);
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (!m_indicator)
            return QAbstractTableModel::headerData(section, orientation, role);
        if (role == Qt::DisplayRole)
            return m_ds && section == m_ds->currentRow() ? QStringLiteral("\u25B6") : QString();
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        return {};
    }
    if (section < 0 || section >= m_shown.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::FontRole)
        return m_titleFont;
    if (role == Qt::ForegroundRole && m_titleColor.isValid())
        return m_titleColor;
    if (role == Qt::BackgroundRole && m_titleBackground.isValid())
        return m_titleBackground;
    if (role != Qt::DisplayRole)
        return {};
    const Column& c = m_shown[section];
    if (!c.title.isEmpty())
        return c.title;
    if (const db::Field* f = m_ds ? m_ds->findField(c.field) : nullptr)
        return f->label;
    return c.field;
}

} // namespace dataaware

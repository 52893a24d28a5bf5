#pragma once

#include "platform/db/DataSet.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QPointer>

namespace dataaware {

// A table model over a data set's rows, following its changes row by row (never a full
// reload for one appended or deleted row).
class DataSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        QString field; // empty with recordNumber
        QString title; // empty: the field's display label
        int width = -1;
        Qt::Alignment alignment = Qt::AlignVCenter | Qt::AlignLeading;
        bool recordNumber = false; // shows the row's record number (1, 2, ...)
        bool leftToRight = false;  // text that must read left to right (bank lines)

        static Column of(const QString& field, int width = -1, bool leftToRight = false)
        {
            Column c;
            c.field = field;
            c.width = width;
            c.leftToRight = leftToRight;
            return c;
        }
    };

    explicit DataSetModel(db::DataSet* dataSet, QObject* parent = nullptr);

    db::DataSet* dataSet() const { return m_ds; }
    // No columns: every field, titled with its label.
    void setColumns(const QList<Column>& columns);
    const QList<Column>& columns() const { return m_columns; }

    // The column titles' font and colours (invalid: the style's).
    void setTitleStyle(const QFont& font, const QColor& color, const QColor& background);
    // The row header marks the current record, as an indicator column does.
    void setIndicator(bool on);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // True while rows are being put in, taken out or read again. A view moves its current
    // index over such a change on its own (to the row below a removed one, counted before the
    // removal): that move is no choice of the user's and must not move the data set.
    bool isChangingRows() const { return m_changing > 0; }

private:
    void reset();
    QList<Column> effectiveColumns() const;

    QPointer<db::DataSet> m_ds;
    QVariant m_titleFont;
    QColor m_titleColor;
    QColor m_titleBackground;
    bool m_indicator = false;
    QList<Column> m_columns;
    QList<Column> m_shown;
    QVector<int> m_fieldIndex;
    int m_rows = 0;
    int m_changing = 0;
};

} // namespace dataaware

#pragma once

#include "platform/dataaware/DataSetModel.h"

#include <QTableView>

namespace dataaware {

// A read-only grid over a data set whose selected row is the data set's current record.
class DBGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DBGrid(QWidget* parent = nullptr);

    void setDataSet(db::DataSet* dataSet, const QList<DataSetModel::Column>& columns = {});
    db::DataSet* dataSet() const { return m_model ? m_model->dataSet() : nullptr; }
    DataSetModel* dataSetModel() const { return m_model; }

    // Kept across setDataSet.
    void setTitleStyle(const QFont& font, const QColor& color, const QColor& background = {});
    void setIndicator(bool on);

private:
    void followDataSet(int row);
    void applyWidths();

    void applyLook();

    DataSetModel* m_model = nullptr;
    QFont m_titleFont;
    QColor m_titleColor;
    QColor m_titleBackground;
    bool m_titleStyled = false;
    bool m_indicator = false;
    bool m_syncing = false;
};

} // namespace dataaware

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

private:
    void followDataSet(int row);
    void applyWidths();

    DataSetModel* m_model = nullptr;
    bool m_syncing = false;
};

} // namespace dataaware

#include "import/wizard/DbGridDestination.h"

#include "platform/dataaware/DBGrid.h"

DurvelDbGridDestination::DurvelDbGridDestination(dataaware::DBGrid* Grid, DurvelDataSet* DataSet)
    : m_grid(Grid), m_dataSet(DataSet)
{}

DurvelDataSet* DurvelDbGridDestination::dataSet()
{
    return m_grid->dataSet() ? m_dataSet : nullptr;
}

int DurvelDbGridDestination::columnCount() const
{
    return m_grid->model() ? m_grid->model()->columnCount() : 0;
}

QString DurvelDbGridDestination::columnTitle(int column) const
{
    return m_grid->model() ? m_grid->model()->headerData(column, Qt::Horizontal).toString()
                           : QString();
}

QString DurvelDbGridDestination::columnFieldName(int column) const
{
    const dataaware::DataSetModel* model = m_grid->dataSetModel();
    if (!model)
        return QString();
    const auto& columns = model->columns();
    if (!columns.isEmpty())
        return column >= 0 && column < columns.size() ? columns.at(column).field : QString();
    // Without chosen columns the grid shows every field, titled with its label.
    return columnTitle(column);
}

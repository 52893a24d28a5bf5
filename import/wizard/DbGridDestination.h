#pragma once
// The data-aware grid as an import destination: its columns and the data set it shows.

#include "import/engine/DurvelDestinations.h"

namespace dataaware {
class DBGrid;
}

class DurvelDbGridDestination : public DurvelDBGrid
{
public:
    // DataSet is the destination over the grid's data set; neither is owned.
    DurvelDbGridDestination(dataaware::DBGrid* Grid, DurvelDataSet* DataSet);

    DurvelDataSet* dataSet() override;
    dataaware::DBGrid* grid() const { return m_grid; }
    int columnCount() const override;
    QString columnTitle(int column) const override;
    QString columnFieldName(int column) const override;

private:
    dataaware::DBGrid* m_grid;
    DurvelDataSet* m_dataSet;
};

#pragma once

#include <QString>

namespace db {
class DataSet;
}
class QWidget;

// Sends a data set to the desktop's spreadsheet program: a header row of the field labels,
// then every record, each value as text.
void ExportDataSetToSpreadsheet(db::DataSet* DataSet, const QString& Title,
                                QWidget* parent = nullptr);

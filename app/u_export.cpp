#include "app/u_export.h"

#include "app/helpers.h"
#include "platform/db/DataSet.h"
#include "platform/sheetexport/SheetExport.h"

void ExportDataSetToSpreadsheet(db::DataSet* DataSet, const QString& Title, QWidget* parent)
{
    SheetExport::SheetData data;
    for (const db::Field& f : DataSet->fields())
        data.labels << f.label;
    const int n = DataSet->recordCount();
    for (int r = 0; r < n; ++r) {
        QStringList row;
        for (int c = 0; c < DataSet->fieldCount(); ++c)
            row << DataSet->valueAt(r, c).toString();
        data.rows << row;
    }
    const SheetExport::ExportResult res = SheetExport::exportToSpreadsheet(data, Title);
    switch (res.status) {
    case SheetExport::ExportStatus::Opened:
        break;
    case SheetExport::ExportStatus::NotOpened: {
        dialogs::Message m;
        m.text = SheetExport::notOpenedMessage(res.path);
        m.icon = dialogs::Icon::Warning;
        m.rightToLeft = false;
        dialogs::show(m, parent);
        break;
    }
    case SheetExport::ExportStatus::WriteFailed:
        dialogs::showError(res.error, parent);
        break;
    }
}

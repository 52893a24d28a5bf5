#include "import/engine/DurvelStrings.h"

#include <QHash>

namespace {

// %s and %d of the texts are the positions of arguments, filled in order by formatImportStr.
const QHash<int, QString>& stringTable()
{
    static const QHash<int, QString> table = {
        {42000, QStringLiteral("DataSet is not defined")},
        {42002, QStringLiteral("Wrong file type, must be \"%s\"")},
        {42003, QStringLiteral("Unknown field type")},
        {42004, QStringLiteral("Wrong date format \"%s\"")},
        {42006, QStringLiteral("GridCaptionRow cannot be greater than GridStartRow")},
        {42010, QStringLiteral("DBGrid is not defined")},
        {42020, QStringLiteral("ListView is not defined")},
        {42030, QStringLiteral("StrinGrid is not defined")},
        {42040, QStringLiteral("Cannot perform this operation on a closed Import Destination")},
        {42050, QStringLiteral("File name is not specified")},
        {42060, QStringLiteral("File %s does not exist")},
        {42070, QStringLiteral("Map is empty")},
        {42090, QStringLiteral("Missing definition of map")},
        {42100,
         QStringLiteral("Column %s is defined in the MAP is not found in the import destination")},
        {42120, QStringLiteral("Unknown import source")},
        {42130, QStringLiteral("Property AllowedImports can not contain empty set")},
        {42140, QStringLiteral("Key columns are not defined")},
        {42150, QStringLiteral("Key column %s is not found in the import destination")},
        {42280, QStringLiteral("True")},
        {42290, QStringLiteral("False")},
        {42300, QStringLiteral("Null")},
        {42310, QStringLiteral("Import data wizard")},
        {42320, QStringLiteral("Import from")},
        {42840, QStringLiteral("%s - Import process started")},
        {42850, QStringLiteral("%s - Import process finished")},
        {42860, QStringLiteral("%d error(s) found")},
        {42870, QStringLiteral("No error found")},
        {42880, QStringLiteral("Import canceled: %d row(s) kept")},
        {42890, QStringLiteral("Import failed: %d row(s) kept")},
        {42900, QStringLiteral("The error log %s is incomplete: %s")},
        {44140, QStringLiteral("%s - Line %d: %s")},
        {44201, QStringLiteral("State")},
        {44202, QStringLiteral("Processed")},
        {44203, QStringLiteral("Inserted")},
        {44204, QStringLiteral("Updated")},
        {44205, QStringLiteral("Deleted")},
        {44206, QStringLiteral("Errors")},
        {44207, QStringLiteral("Committed")},
        {44208, QStringLiteral("Time")},
        {44209, QStringLiteral("Cancel")},
        {44210, QStringLiteral("Preparing")},
        {44211, QStringLiteral("Importing...")},
        {44212, QStringLiteral("Aborted")},
        {44213, QStringLiteral("Finished")},
        {44214, QStringLiteral("Paused")},
        {44215, QStringLiteral("Import finished")},
        {44216, QStringLiteral("OK")},
    };
    return table;
}

} // namespace

TDurvelLocale& TDurvelLocale::Instance()
{
    static TDurvelLocale locale;
    return locale;
}

QString LoadImportStr(int Id)
{
    const TDurvelLocale& locale = TDurvelLocale::Instance();
    if (locale.OnLocalize) {
        QString text;
        locale.OnLocalize(Id, text);
        if (!text.isEmpty())
            return text.left(1024);
    }
    return stringTable().value(Id);
}

QString FormatImportStr(int Id, const QStringList& args)
{
    const QString text = LoadImportStr(Id);
    QString result;
    int next = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'%' && i + 1 < text.size() &&
            (text.at(i + 1) == u's' || text.at(i + 1) == u'd')) {
            result += next < args.size() ? args.at(next) : QString();
            ++next;
            ++i;
        } else {
            result += text.at(i);
        }
    }
    return result;
}

void RaiseImportError(int Id, const QString& arg)
{
    throw EDurvelError(FormatImportStr(Id, {arg}));
}

// Creates an empty program database from the schema.
//   mkdb [--if-missing] <path>
// With --if-missing an existing file is left as it is; without it an existing file is an error.
#include "app/dbfile.h"
#include "platform/db/Connection.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ifMissing = args.removeAll(QStringLiteral("--if-missing")) > 0;
    QTextStream err(stderr);
    if (args.size() != 1) {
        err << "usage: mkdb [--if-missing] <path>\n";
        return 2;
    }
    const QString path = args.first();
    if (QFileInfo::exists(path)) {
        if (ifMissing)
            return 0;
        err << "mkdb: " << path << " already exists\n";
        return 1;
    }
    try {
        db::Connection::createDatabase(path, databaseKey(), QString::fromUtf8(kSchemaSql));
    } catch (const db::Error& e) {
        err << "mkdb: " << e.message() << "\n";
        return 1;
    }
    return 0;
}

// Input files for bench/run.sh's shell comparisons.
//   bench_inputs schema <out>            the program's schema script
//   bench_inputs key <out>               "PRAGMA key" and the cipher settings for the
//                                        sqlcipher shell
//   bench_inputs detail-sql <rows> <out> BEGIN; one INSERT per list row; COMMIT;
//   bench_inputs csv <rows> <out>        the register CSV (UTF-8, CR LF), as bench_import makes it
#include "BenchRows.h"

#include "app/dbfile.h"
#include "platform/db/Connection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {

QString quoted(QString s)
{
    return u'\'' + s.replace(u'\'', QLatin1String("''")) + u'\'';
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments().mid(1);
    QTextStream err(stderr);
    bool ok = false;
    if (a.size() == 2 && a[0] == QLatin1String("schema")) {
        ok = writeFile(a[1], QByteArray(kSchemaSql));
    } else if (a.size() == 2 && a[0] == QLatin1String("key")) {
        QByteArray out =
            "PRAGMA key = " + quoted(QString::fromUtf8(databaseKey())).toUtf8() + ";\n";
        for (const QString& pragma : db::Connection::cipherSettings())
            out += pragma.toUtf8() + ";\n";
        ok = writeFile(a[1], out);
    } else if (a.size() == 3 && a[0] == QLatin1String("detail-sql")) {
        const int rows = a[1].toInt();
        QByteArray out = "BEGIN;\n";
        for (int i = 0; i < rows; ++i)
            out += "INSERT INTO tbl_detail (txt, price) VALUES (" + quoted(benchLine(i)).toUtf8() +
                   ", " + quoted(benchAmount(i)).toUtf8() + ");\n";
        out += "COMMIT;\n";
        ok = writeFile(a[2], out);
    } else if (a.size() == 3 && a[0] == QLatin1String("csv")) {
        const int rows = a[1].toInt();
        QByteArray out;
        for (int i = 0; i < rows; ++i)
            out += (benchCsvLine(i) + QLatin1String("\r\n")).toUtf8();
        ok = writeFile(a[2], out);
    } else {
        err << "usage: bench_inputs schema <out> | key <out> | detail-sql <rows> <out> | csv "
               "<rows> <out>\n";
        return 2;
    }
    if (!ok) {
        err << "bench_inputs: cannot write the file\n";
        return 1;
    }
    return 0;
}

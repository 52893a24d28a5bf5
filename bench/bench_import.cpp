// The import engine: a register CSV through the whole pipeline into tbl_customer, and reading
// a large text file line by line through TVoTextFile.
#include "BenchMain.h"
#include "BenchRows.h"

#include "app/dbfile.h"
#include "import/engine/Durvel3ASCII.h"
#include "import/engine/DurvelDbDataSet.h"
#include "import/engine/support/VoTextFile.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// The CSV run.sh also gives to the shells (BANKFILE_BENCH_CSV), or one of our own.
QString csvFile(const QTemporaryDir& dir, int rows)
{
    const QByteArray given = qgetenv("BANKFILE_BENCH_CSV");
    if (!given.isEmpty())
        return QString::fromLocal8Bit(given);
    const QString path = QDir(dir.path()).filePath(QStringLiteral("register.csv"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    for (int i = 0; i < rows; ++i)
        f.write((benchCsvLine(i) + QLatin1String("\r\n")).toUtf8());
    return path;
}

void BM_ImportCsvToRegister(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const auto addType = TDurvelAddType(state.range(1));
    QTemporaryDir dir;
    const QString csv = csvFile(dir, rows);
    const QString dbPath = QDir(dir.path()).filePath(databaseFileName());
    int imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(dbPath);
        db::Connection::createDatabase(dbPath, databaseKey(), QString::fromUtf8(kSchemaSql));
        db::Connection conn;
        conn.open(dbPath, databaseKey());
        db::DataSet ds(&conn);
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
        DurvelDbDataSet dest(&ds);
        TDurvel3ASCII imp;
        imp.SetFileName(csv);
        imp.Comma = u',';
        imp.Encoding = ctUtf8;
        imp.DataSet = &dest;
        imp.AddType = addType;
        imp.CommitRecCount = 1000;
        imp.Formats().BooleanTrue().Add(QStringLiteral("1"));
        imp.Formats().BooleanFalse().Add(QStringLiteral("0"));
        for (const char* m :
             {"Pers_number=1", "First_Name=2", "Last_Name=3", "Hesab=4", "Price=5", "Chk=6"})
            imp.Map().Add(QString::fromLatin1(m));
        // The window stays alive as on the UI thread.
        imp.SetYieldHandler([] { QCoreApplication::processEvents(); }, 50);
        state.ResumeTiming();

        imp.Execute();

        state.PauseTiming();
        imported = imp.ImportedCount();
        if (imported != rows || imp.ErrorCount() != 0 ||
            conn.scalar(QStringLiteral("select count(*) from tbl_customer")).toInt() != rows) {
            state.SkipWithError(QStringLiteral("imported %1, errors %2: %3")
                                    .arg(imported)
                                    .arg(imp.ErrorCount())
                                    .arg(imp.LastErrorText())
                                    .toStdString()
                                    .c_str());
            break;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * imported);
    state.SetBytesProcessed(state.iterations() * QFileInfo(csv).size());
}
BENCHMARK(BM_ImportCsvToRegister)
    ->ArgNames({"rows", "insert"})
    ->Args({100000, datAppend})
    ->Args({100000, datInsert})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Reads every line of a file named by an environment variable (run.sh makes them).
void readLines(benchmark::State& state, const char* env, int codePage)
{
    const QString path = QString::fromLocal8Bit(qgetenv(env));
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        state.SkipWithError((std::string(env) + " names no file (bench/run.sh makes it)").c_str());
        return;
    }
    qint64 lines = 0, chars = 0;
    for (auto _ : state) {
        TVoTextFile f(path, TVoHugeFile::vaRead, TVoHugeFile::vsRead);
        f.Reset(0, 0, codePage);
        QString line;
        lines = chars = 0;
        while (!f.EndOfFile()) {
            f.ReadLine(line);
            ++lines;
            chars += line.size();
        }
    }
    state.counters["lines"] = double(lines);
    state.counters["chars"] = double(chars);
    state.SetItemsProcessed(state.iterations() * lines);
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

void BM_ReadTextCp1256(benchmark::State& state)
{
    readLines(state, "BANKFILE_BENCH_TEXT_CP1256", 1256);
}
void BM_ReadTextUtf8(benchmark::State& state)
{
    readLines(state, "BANKFILE_BENCH_TEXT_UTF8", 65001);
}
BENCHMARK(BM_ReadTextCp1256)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTextUtf8)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BANKFILE_BENCH_MAIN(QCoreApplication)

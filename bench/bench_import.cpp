// The import engine: a register CSV through the whole pipeline into tbl_customer, beside a plain
// C loop over the same keyed file; and reading a large text file line by line through TVoTextFile.
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchRows.h"

#include "app/dbfile.h"
#include "import/engine/Durvel3ASCII.h"
#include "import/engine/DurvelDbDataSet.h"
#include "import/engine/support/VoTextFile.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

namespace {

// The CSV run.sh also gives to the shells (BANKFILE_BENCH_CSV, 100,000 rows), or one of our own.
QString csvFile(const QTemporaryDir& dir, int rows)
{
    const QByteArray given = qgetenv("BANKFILE_BENCH_CSV");
    if (!given.isEmpty() && rows == 100000)
        return QString::fromLocal8Bit(given);
    const QString path = QDir(dir.path()).filePath(QStringLiteral("register-%1.csv").arg(rows));
    if (QFileInfo(path).size() > 0)
        return path;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    for (int i = 0; i < rows; ++i)
        f.write((benchCsvLine(i) + QLatin1String("\r\n")).toUtf8());
    return path;
}

// A fresh program database, opened as the program opens it (key, cipher settings, log mode).
void freshDatabase(const QString& path, db::Connection& conn)
{
    conn.close();
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    db::Connection::createDatabase(path, databaseKey(), QString::fromUtf8(kSchemaSql));
    conn.open(path, databaseKey());
}

int storedRows(db::Connection& conn)
{
    return conn.scalar(QStringLiteral("select count(*) from tbl_customer")).toInt();
}

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// Timed from opening the CSV to the last commit; the data set reading the table afterwards
// is the register's own cost and is left out. Memory: the peak over that span above the size
// the process had just before it.
void BM_ImportCsvToRegister(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const auto addType = TDurvelAddType(state.range(1));
    const QString csv = csvFile(workDir(), rows);
    const QString dbPath = QDir(workDir().path()).filePath(databaseFileName());
    int imported = 0;
    double peakAbove = 0;
    for (auto _ : state) {
        db::Connection conn;
        freshDatabase(dbPath, conn);
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
        QElapsedTimer clock;
        qint64 lastCommitNs = 0;
        double peak = 0;
        imp.OnNeedCommit = [&](TDurvel3*) {
            lastCommitNs = clock.nsecsElapsed();
            peak = benchmem::peakMiB();
        };
        const double idle = benchmem::residentMiB();
        benchmem::resetPeak();
        clock.start();
        imp.Execute();
        state.SetIterationTime(double(lastCommitNs) / 1e9);
        peakAbove = std::max(peakAbove, peak - idle);

        imported = imp.ImportedCount();
        if (imported != rows || imp.ErrorCount() != 0 || storedRows(conn) != rows ||
            ds.recordCount() != rows) {
            state.SkipWithError(QStringLiteral("imported %1, errors %2: %3")
                                    .arg(imported)
                                    .arg(imp.ErrorCount())
                                    .arg(imp.LastErrorText())
                                    .toStdString()
                                    .c_str());
            break;
        }
    }
    state.counters["peak_above_idle_MiB"] = peakAbove;
    state.SetItemsProcessed(state.iterations() * imported);
    state.SetBytesProcessed(state.iterations() * QFileInfo(csv).size());
}
BENCHMARK(BM_ImportCsvToRegister)
    ->ArgNames({"rows", "insert"})
    ->Args({100000, datAppend})
    ->Args({100000, datInsert})
    ->Args({1000000, datAppend})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The same import by commit batch: every 1,000 rows, or 0 (never during the import: each row
// kept as soon as it is written). Timed over the whole run, up to the rows being durable and
// the register read again, the same work for both.
void BM_ImportByCommitBatch(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const int batch = int(state.range(1));
    const QString csv = csvFile(workDir(), rows);
    const QString dbPath = QDir(workDir().path()).filePath(databaseFileName());
    for (auto _ : state) {
        db::Connection conn;
        freshDatabase(dbPath, conn);
        db::DataSet ds(&conn);
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
        DurvelDbDataSet dest(&ds);
        TDurvel3ASCII imp;
        imp.SetFileName(csv);
        imp.Comma = u',';
        imp.Encoding = ctUtf8;
        imp.DataSet = &dest;
        imp.AddType = datAppend;
        imp.CommitRecCount = batch;
        imp.Formats().BooleanTrue().Add(QStringLiteral("1"));
        imp.Formats().BooleanFalse().Add(QStringLiteral("0"));
        for (const char* m :
             {"Pers_number=1", "First_Name=2", "Last_Name=3", "Hesab=4", "Price=5", "Chk=6"})
            imp.Map().Add(QString::fromLatin1(m));
        imp.SetYieldHandler([] { QCoreApplication::processEvents(); }, 50);
        QElapsedTimer clock;
        clock.start();
        imp.Execute();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (imp.ImportedCount() != rows || storedRows(conn) != rows) {
            state.SkipWithError("not every row was stored");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_ImportByCommitBatch)
    ->ArgNames({"rows", "commit"})
    ->Args({100000, 1000})
    ->Args({100000, 0})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The floor: a plain C loop reads the same CSV, splits it on commas and inserts through one
// prepared statement into the same keyed file, committing every 1,000 rows.
void BM_CsvPlainCLoop(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const QString csv = csvFile(workDir(), rows);
    const QString dbPath = QDir(workDir().path()).filePath(databaseFileName());
    int stored = 0;
    for (auto _ : state) {
        db::Connection conn;
        freshDatabase(dbPath, conn);
        sqlite3* h = conn.handle();
        QElapsedTimer clock;
        clock.start();

        std::FILE* f = std::fopen(QFile::encodeName(csv).constData(), "rb");
        sqlite3_stmt* ins = nullptr;
        sqlite3_prepare_v2(h,
                           "INSERT INTO tbl_customer (Pers_number, First_Name, Last_Name, Hesab, "
                           "Price, Chk) VALUES (?, ?, ?, ?, ?, ?)",
                           -1, &ins, nullptr);
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        char line[4096];
        int n = 0;
        bool failed = !f || !ins;
        while (!failed && std::fgets(line, sizeof line, f)) {
            std::size_t len = std::strlen(line);
            while (len && (line[len - 1] == '\n' || line[len - 1] == '\r'))
                line[--len] = 0;
            char* field = line;
            for (int c = 1; c <= 6; ++c) {
                char* comma = std::strchr(field, ',');
                if (comma)
                    *comma = 0;
                if (c == 6)
                    sqlite3_bind_int(ins, c, field[0] == '1');
                else
                    sqlite3_bind_text(ins, c, field, -1, SQLITE_STATIC);
                field = comma ? comma + 1 : field + std::strlen(field);
            }
            failed = sqlite3_step(ins) != SQLITE_DONE;
            sqlite3_reset(ins);
            if (++n % 1000 == 0)
                failed = failed || sqlite3_exec(h, "COMMIT; BEGIN", nullptr, nullptr, nullptr);
        }
        failed = failed || sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        sqlite3_finalize(ins);
        if (f)
            std::fclose(f);
        stored = storedRows(conn);
        if (failed || stored != rows) {
            state.SkipWithError(QStringLiteral("stored %1: %2")
                                    .arg(stored)
                                    .arg(conn.lastErrorText())
                                    .toStdString()
                                    .c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * stored);
}
BENCHMARK(BM_CsvPlainCLoop)
    ->ArgName("rows")
    ->Arg(100000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

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

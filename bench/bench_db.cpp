// The data layer: appending and posting list rows through db::DataSet in one transaction,
// imports that look up every row's key, and the cost of opening the keyed file (key derivation).
#include "BenchMain.h"
#include "BenchRows.h"

#include "app/dbfile.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QString freshDatabase(const QTemporaryDir& dir)
{
    const QString path = QDir(dir.path()).filePath(databaseFileName());
    QFile::remove(path);
    db::Connection::createDatabase(path, databaseKey(), QString::fromUtf8(kSchemaSql));
    return path;
}

// Outside the timing: checks what the run left, then closes the data set and the file.
template <typename Check>
void checkAndClose(benchmark::State& state, db::DataSet& d, db::Connection& conn, Check rowsRight,
                   const char* otherwise)
{
    state.PauseTiming();
    if (!rowsRight())
        state.SkipWithError(otherwise);
    d.close();
    conn.close();
    state.ResumeTiming();
}

// The list's own query (the data module's detail_ado), controls held as the group add does.
void BM_DataSetAppendPost(benchmark::State& state)
{
    const int rows = int(state.range(0));
    QVector<QString> lines(rows), prices(rows);
    for (int i = 0; i < rows; ++i) {
        lines[i] = benchLine(i);
        prices[i] = benchAmount(i);
    }
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        db::Connection conn;
        conn.open(freshDatabase(dir), databaseKey());
        db::DataSet d(&conn);
        d.setSql(QStringLiteral("select * from tbl_detail order by id"));
        d.open();
        const QString txt = QStringLiteral("txt"), price = QStringLiteral("price");
        state.ResumeTiming();

        d.disableControls();
        conn.beginTransaction();
        for (int i = 0; i < rows; ++i) {
            d.append();
            d.setValue(txt, lines[i]);
            d.setValue(price, prices[i]);
            d.post();
        }
        conn.commit();
        d.enableControls();

        checkAndClose(
            state, d, conn,
            [&] {
                return d.recordCount() == rows &&
                       conn.scalar(QStringLiteral("select count(*) from tbl_detail")).toInt() ==
                           rows;
            },
            "row count differs");
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows"] = rows;
}
BENCHMARK(BM_DataSetAppendPost)
    ->Arg(100000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// An import that looks up each row's key before writing it (and finds none), into a data set
// that is not the whole table, so every row goes through the data set: appended at the end, or
// in insert mode, each new row before the current one (the previous new row).
void BM_DataSetLocateThenPost(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const bool insertMode = state.range(1) != 0;
    QVector<QString> keys(rows), names(rows);
    for (int i = 0; i < rows; ++i) {
        const QStringList c = benchCsvLine(i).split(u',');
        keys[i] = c[0];
        names[i] = c[1];
    }
    const QString pers = QStringLiteral("Pers_number"), first = QStringLiteral("First_Name");
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        db::Connection conn;
        conn.open(freshDatabase(dir), databaseKey());
        db::DataSet d(&conn);
        d.setSql(QStringLiteral("select id, Pers_number, First_Name from tbl_customer "
                                "where Chk = 0 order by id"));
        d.open();
        state.ResumeTiming();

        d.disableControls();
        conn.beginTransaction();
        for (int i = 0; i < rows; ++i) {
            if (d.locate(pers, keys[i]))
                break;
            if (insertMode)
                d.insert();
            else
                d.append();
            d.setValue(pers, keys[i]);
            d.setValue(first, names[i]);
            d.post();
        }
        conn.commit();
        d.enableControls();

        checkAndClose(
            state, d, conn,
            [&] {
                return d.recordCount() == rows && d.locate(pers, keys[0]) &&
                       d.recNo() == (insertMode ? rows : 1);
            },
            "rows differ");
    }
    state.SetLabel(insertMode ? "insert mode" : "append");
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows"] = rows;
}
BENCHMARK(BM_DataSetLocateThenPost)
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// An import that deletes the rows it finds, in an order unrelated to the rows' own, so every
// removal is somewhere else in the data set.
void BM_DataSetLocateThenRemove(benchmark::State& state)
{
    const int rows = int(state.range(0));
    QVector<QString> keys(rows);
    for (int i = 0; i < rows; ++i)
        keys[i] = QString::number(100000 + i);
    const QString pers = QStringLiteral("Pers_number");
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        db::Connection conn;
        conn.open(freshDatabase(dir), databaseKey());
        conn.beginTransaction();
        for (int i = 0; i < rows; ++i)
            conn.exec(QStringLiteral("insert into tbl_customer (Pers_number) values (:p)"),
                      {{QStringLiteral("p"), keys[i]}});
        conn.commit();
        db::DataSet d(&conn);
        d.setSql(QStringLiteral("select id, Pers_number from tbl_customer where Chk = 0"));
        d.open();
        state.ResumeTiming();

        d.disableControls();
        conn.beginTransaction();
        for (int i = 0; i < rows; ++i) {
            if (!d.locate(pers, keys[int((qint64(i) * 7919) % rows)]))
                break;
            d.remove();
        }
        conn.commit();
        d.enableControls();

        checkAndClose(
            state, d, conn, [&] { return d.isEmpty(); }, "rows left");
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows"] = rows;
}
BENCHMARK(BM_DataSetLocateThenRemove)
    ->Arg(20000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same rows through a prepared statement reused by the connection's cache, without the
// data set: what the data set adds on top of the connection.
void BM_ConnectionExecInsert(benchmark::State& state)
{
    const int rows = int(state.range(0));
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        db::Connection conn;
        conn.open(freshDatabase(dir), databaseKey());
        const QString sql = QStringLiteral("INSERT INTO tbl_detail (txt, price) VALUES (:t, :p)");
        state.ResumeTiming();
        conn.beginTransaction();
        for (int i = 0; i < rows; ++i)
            conn.exec(sql,
                      {{QStringLiteral("t"), benchLine(i)}, {QStringLiteral("p"), benchAmount(i)}});
        conn.commit();
        state.PauseTiming();
        conn.close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows"] = rows;
}
BENCHMARK(BM_ConnectionExecInsert)
    ->Arg(100000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Opening the program's keyed file: key derivation and the first read.
void BM_ConnectionOpen(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = freshDatabase(dir);
    for (auto _ : state) {
        db::Connection conn;
        conn.open(path, databaseKey());
        benchmark::DoNotOptimize(conn.handle());
    }
}
BENCHMARK(BM_ConnectionOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

// The register's query alone over n people: every row read into the data set.
void BM_RegisterQueryOpen(benchmark::State& state)
{
    const int n = int(state.range(0));
    QTemporaryDir dir;
    const QString path = freshDatabase(dir);
    db::Connection conn;
    conn.open(path, databaseKey());
    db::Statement ins = conn.prepare(QStringLiteral(
        "insert into tbl_customer (Pers_number, First_Name, Last_Name, Hesab, Price, Chk) "
        "values (:a, :b, :c, :d, :e, :f)"));
    conn.beginTransaction();
    for (int i = 0; i < n; ++i) {
        const QStringList c = benchCsvLine(i).split(u',');
        ins.bind({{"a", c[0]},
                  {"b", c[1]},
                  {"c", c[2]},
                  {"d", c[3]},
                  {"e", c[4]},
                  {"f", c[5] == QLatin1String("1")}});
        while (ins.step()) {
        }
    }
    conn.commit();
    for (auto _ : state) {
        db::DataSet ds(&conn);
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
        if (ds.recordCount() != n)
            state.SkipWithError("rows missing");
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RegisterQueryOpen)
    ->Arg(1000000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BANKFILE_BENCH_MAIN(QCoreApplication)

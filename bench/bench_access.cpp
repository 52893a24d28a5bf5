// Reading Access files: every table of the largest sample read whole, and a table imported into
// a fresh register through the full pipeline (the helper process, the pipe, the engine, the
// database). Skipped when the shared samples are not beside the project.
#include "BenchMain.h"

#include "app/dbfile.h"
#include "import/engine/ADO_Durvel3Access.h"
#include "import/engine/DurvelDbDataSet.h"
#include "platform/access/AccessDatabase.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString sample()
{
    const QString path = QStringLiteral(BANKFILE_SHARED_DIR "/fixtures/access/nwind.mdb");
    return QFileInfo::exists(path) ? path : QString();
}

void BM_AccessReadAll(benchmark::State& state)
{
    if (sample().isEmpty()) {
        state.SkipWithError("the Access samples are not here");
        return;
    }
    qint64 rows = 0;
    for (auto _ : state) {
        AccessDatabase db(sample());
        for (const QString& name : db.tableNames()) {
            const auto cursor = db.openTable(name);
            while (cursor->next()) {
                for (int c = 0; c < cursor->columns().size(); ++c)
                    benchmark::DoNotOptimize(cursor->value(c));
                ++rows;
            }
        }
    }
    state.SetItemsProcessed(rows);
}

void importTable(benchmark::State& state, const QString& table, const QStringList& map,
                 int expected)
{
    if (sample().isEmpty()) {
        state.SkipWithError("the Access samples are not here");
        return;
    }
    QTemporaryDir dir;
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
        TADO_Durvel3Access imp;
        imp.SetFileName(sample());
        imp.TableName = table;
        imp.DataSet = &dest;
        imp.AddType = datAppend;
        for (const QString& m : map)
            imp.Map().Add(m);
        imp.SetYieldHandler([] { QCoreApplication::processEvents(); }, 50);
        state.ResumeTiming();

        imp.Execute();

        state.PauseTiming();
        imported = imp.ImportedCount();
        if (imported != expected || imp.ErrorCount() != 0) {
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
}

void BM_AccessImportOrderDetails(benchmark::State& state)
{
    importTable(
        state, QStringLiteral("Order Details"),
        {"Pers_number=OrderID", "First_Name=ProductID", "Price=UnitPrice", "Hesab=Quantity"}, 2155);
}

void BM_AccessImportOrders(benchmark::State& state)
{
    importTable(
        state, QStringLiteral("Orders"),
        {"Pers_number=OrderID", "First_Name=CustomerID", "Last_Name=ShipName", "Price=Freight"},
        830);
}

} // namespace

BENCHMARK(BM_AccessReadAll)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AccessImportOrderDetails)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AccessImportOrders)->Unit(benchmark::kMillisecond)->UseRealTime();

BANKFILE_BENCH_MAIN(QCoreApplication)

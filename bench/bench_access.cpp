// Reading Access files: every table of the largest sample read whole, and a table imported into
// a fresh register through the full pipeline (the helper process, the pipe, the engine, the
// database). Skipped when the shared samples are not beside the project.
#include "BenchMain.h"
#include "BenchRegisterImport.h"

#include "import/engine/ADO_Durvel3Access.h"
#include "platform/access/AccessDatabase.h"

#include <QCoreApplication>
#include <QFileInfo>

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
    const auto make = [&table]() -> std::unique_ptr<TDurvel3> {
        auto imp = std::make_unique<TADO_Durvel3Access>();
        imp->TableName = table;
        return imp;
    };
    const auto check = [expected](db::Connection&, const TDurvel3& imp) {
        if (imp.ImportedCount() == expected && imp.ErrorCount() == 0)
            return QString();
        return QStringLiteral("imported %1, errors %2: %3")
            .arg(imp.ImportedCount())
            .arg(imp.ErrorCount())
            .arg(imp.LastErrorText());
    };
    importToRegister(state, [&] { return importRegisterOnce(sample(), map, make, check); });
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
BENCHMARK(BM_AccessImportOrderDetails)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_AccessImportOrders)->Unit(benchmark::kMillisecond)->UseManualTime();

BANKFILE_BENCH_MAIN(QCoreApplication)

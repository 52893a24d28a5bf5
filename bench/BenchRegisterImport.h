#pragma once
// Imports a generated register file (personnel numbers from 100000) into a fresh keyed
// database through the full pipeline, the import timed alone, and checks that every row
// arrived and that the last account kept its digits.

#include "BenchMemory.h"

#include "app/dbfile.h"
#include "import/engine/Durvel3.h"
#include "import/engine/DurvelDbDataSet.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>
#include <functional>
#include <memory>

struct RegisterImportRun
{
    double seconds = 0;
    double cpuSeconds = 0; // of the whole process, every thread of the import
    double idleMiB = 0;    // the resident size the import started from
    double peakAboveIdleMiB = 0;
    int imported = 0;
    QString error; // empty when every row arrived whole
};

inline double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The CPU time of every thread of the process: a reader that reads ahead on threads of its own
// is measured whole.
inline double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// What a run left in the database: empty when it is what was expected, else why not.
using RegisterImportCheck = std::function<QString(db::Connection&, const TDurvel3&)>;

// One import of the file into a fresh keyed database; only the import is timed.
inline RegisterImportRun importRegisterOnce(const QString& file, const QStringList& map,
                                            const std::function<std::unique_ptr<TDurvel3>()>& make,
                                            const RegisterImportCheck& check)
{
    RegisterImportRun run;
    if (file.isEmpty()) {
        run.error = QStringLiteral("no input file (its writer is missing?)");
        return run;
    }
    QTemporaryDir dir;
    const QString dbPath = QDir(dir.path()).filePath(databaseFileName());
    db::Connection::createDatabase(dbPath, databaseKey(), QString::fromUtf8(kSchemaSql));
    db::Connection conn;
    conn.open(dbPath, databaseKey());
    db::DataSet ds(&conn);
    ds.setSql(QStringLiteral("select * from tbl_customer"));
    ds.open();
    DurvelDbDataSet dest(&ds);
    std::unique_ptr<TDurvel3> imp = make();
    imp->SetFileName(file);
    imp->DataSet = &dest;
    imp->AddType = datAppend;
    imp->CommitRecCount = 1000;
    imp->Formats().BooleanTrue().Add(QStringLiteral("True"));
    for (const QString& m : map)
        imp->Map().Add(m);
    imp->SetYieldHandler([] { QCoreApplication::processEvents(); }, 50);
    run.idleMiB = benchmem::restartPeakMiB();
    QElapsedTimer timer;
    const double cpu0 = processCpuSeconds();
    timer.start();

    imp->Execute();

    run.seconds = double(timer.nsecsElapsed()) * 1e-9;
    run.cpuSeconds = processCpuSeconds() - cpu0;
    run.peakAboveIdleMiB = benchmem::peakMiB() - run.idleMiB;
    run.imported = imp->ImportedCount();
    run.error = check(conn, *imp);
    return run;
}

// The generated register file: every row arrived and the last account kept its digits.
inline RegisterImportRun importRegisterOnce(const QString& file, int rows, const QStringList& map,
                                            const std::function<std::unique_ptr<TDurvel3>()>& make)
{
    return importRegisterOnce(file, map, make, [rows](db::Connection& conn, const TDurvel3& imp) {
        const QString lastAccount =
            conn.scalar(QStringLiteral("select Hesab from tbl_customer where Pers_number = '%1'")
                            .arg(100000 + rows - 1))
                .toString();
        if (imp.ImportedCount() == rows && imp.ErrorCount() == 0 &&
            conn.scalar(QStringLiteral("select count(*) from tbl_customer")).toInt() == rows &&
            !lastAccount.contains(u'e'))
            return QString();
        return QStringLiteral("imported %1, errors %2, account %3: %4")
            .arg(imp.ImportedCount())
            .arg(imp.ErrorCount())
            .arg(lastAccount, imp.LastErrorText());
    });
}

// Each iteration one import (register the benchmark with UseManualTime); returns the resident
// size the last import started from, in MiB.
inline double importToRegister(benchmark::State& state,
                               const std::function<RegisterImportRun()>& once)
{
    double idle = 0;
    int imported = 0;
    for (auto _ : state) {
        const RegisterImportRun run = once();
        if (!run.error.isEmpty()) {
            state.SkipWithError(run.error.toStdString().c_str());
            break;
        }
        state.SetIterationTime(run.seconds);
        idle = run.idleMiB;
        imported = run.imported;
    }
    state.SetItemsProcessed(state.iterations() * imported);
    return idle;
}

// The same for the generated register file.
inline double importToRegister(benchmark::State& state, const QString& file, int rows,
                               const QStringList& map,
                               const std::function<std::unique_ptr<TDurvel3>()>& make)
{
    return importToRegister(state, [&] { return importRegisterOnce(file, rows, map, make); });
}

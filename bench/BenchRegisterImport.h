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
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>
#include <memory>

// Returns the resident size the last import started from, in MiB.
inline double importToRegister(benchmark::State& state, const QString& file, int rows,
                               const QStringList& map,
                               const std::function<std::unique_ptr<TDurvel3>()>& make)
{
    if (file.isEmpty()) {
        state.SkipWithError("no input file (its writer is missing?)");
        return 0;
    }
    QTemporaryDir dir;
    const QString dbPath = QDir(dir.path()).filePath(databaseFileName());
    double idle = 0;
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
        std::unique_ptr<TDurvel3> imp = make();
        imp->SetFileName(file);
        imp->DataSet = &dest;
        imp->AddType = datAppend;
        imp->CommitRecCount = 1000;
        imp->Formats().BooleanTrue().Add(QStringLiteral("True"));
        for (const QString& m : map)
            imp->Map().Add(m);
        imp->SetYieldHandler([] { QCoreApplication::processEvents(); }, 50);
        idle = benchmem::restartPeakMiB();
        state.ResumeTiming();

        imp->Execute();

        state.PauseTiming();
        imported = imp->ImportedCount();
        const QString lastAccount =
            conn.scalar(QStringLiteral("select Hesab from tbl_customer where Pers_number = '%1'")
                            .arg(100000 + rows - 1))
                .toString();
        if (imported != rows || imp->ErrorCount() != 0 ||
            conn.scalar(QStringLiteral("select count(*) from tbl_customer")).toInt() != rows ||
            lastAccount.contains(u'e')) {
            state.SkipWithError(QStringLiteral("imported %1, errors %2, account %3: %4")
                                    .arg(imported)
                                    .arg(imp->ErrorCount())
                                    .arg(lastAccount, imp->LastErrorText())
                                    .toStdString()
                                    .c_str());
            break;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * imported);
    return idle;
}

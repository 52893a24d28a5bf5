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

// One import into a fresh register in Dir: everything made ready before run(), checked after.
class RegisterImport
{
public:
    RegisterImport(const QString& dir, const QString& file, const QStringList& map,
                   const std::function<std::unique_ptr<TDurvel3>()>& make)
        : m_dbPath(QDir(dir).filePath(databaseFileName()))
    {
        QFile::remove(m_dbPath);
        db::Connection::createDatabase(m_dbPath, databaseKey(), QString::fromUtf8(kSchemaSql));
        m_conn.open(m_dbPath, databaseKey());
        m_ds = std::make_unique<db::DataSet>(&m_conn);
        m_ds->setSql(QStringLiteral("select * from tbl_customer"));
        m_ds->open();
        m_dest = std::make_unique<DurvelDbDataSet>(m_ds.get());
        m_imp = make();
        m_imp->SetFileName(file);
        m_imp->DataSet = m_dest.get();
        m_imp->AddType = datAppend;
        m_imp->CommitRecCount = 1000;
        m_imp->Formats().BooleanTrue().Add(QStringLiteral("True"));
        for (const QString& m : map)
            m_imp->Map().Add(m);
        m_imp->SetYieldHandler([] { QCoreApplication::processEvents(); }, 50);
    }
    ~RegisterImport()
    {
        m_imp.reset();
        m_dest.reset();
        m_ds.reset();
        m_conn.close();
        QFile::remove(m_dbPath);
    }
    void run() { m_imp->Execute(); }
    int imported() const { return m_imp->ImportedCount(); }
    // Empty when every row arrived and the last account kept its digits.
    QString check(int rows)
    {
        const QString lastAccount =
            m_conn
                .scalar(QStringLiteral("select Hesab from tbl_customer where Pers_number = '%1'")
                            .arg(100000 + rows - 1))
                .toString();
        if (imported() == rows && m_imp->ErrorCount() == 0 &&
            m_conn.scalar(QStringLiteral("select count(*) from tbl_customer")).toInt() == rows &&
            !lastAccount.contains(u'e'))
            return QString();
        return QStringLiteral("imported %1, errors %2, account %3: %4")
            .arg(imported())
            .arg(m_imp->ErrorCount())
            .arg(lastAccount, m_imp->LastErrorText());
    }

private:
    QString m_dbPath;
    db::Connection m_conn;
    std::unique_ptr<db::DataSet> m_ds;
    std::unique_ptr<DurvelDbDataSet> m_dest;
    std::unique_ptr<TDurvel3> m_imp;
};

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
    double idle = 0;
    int imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto imp = std::make_unique<RegisterImport>(dir.path(), file, map, make);
        idle = benchmem::restartPeakMiB();
        state.ResumeTiming();

        imp->run();

        state.PauseTiming();
        imported = imp->imported();
        const QString error = imp->check(rows);
        state.ResumeTiming();
        imp.reset(); // closing the file is part of the import's time
        if (!error.isEmpty()) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * imported);
    return idle;
}

// A failure of the database itself (full, held by another program, a transaction it ended on
// its own) stops the import at once; the counts and the log tell only what the database holds.
#include "helper_fakes.h"

#include "import/engine/DurvelDbDataSet.h"
#include "platform/db/DataSet.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TestDatabase.h"

#include <sqlite3.h>

#include <QScopeGuard>
#include <QtTest>

namespace {

// An import of n people into a table of a fresh database, in its folder (or one of its own).
// A table other than the register's rolls back the transaction on a duplicate number. A
// filtered data set is fed the rows written instead of standing for the table.
struct Run
{
    explicit Run(int n, const QString& folder = QString(),
                 const QString& table = QStringLiteral("tbl_customer"), bool filtered = false)
        : t(folder), table(table), ds(t.connection()), dest(&ds)
    {
        if (table != QLatin1String("tbl_customer"))
            c()->exec(QStringLiteral("create table %1 (id integer primary key autoincrement, "
                                     "Pers_number text unique on conflict rollback, Last_Name "
                                     "text)")
                          .arg(table));
        ds.setSql(QStringLiteral("select * from %1").arg(table) +
                  (filtered ? QStringLiteral(" where id > 0") : QString()));
        ds.open();
        imp.DataSet = &dest;
        imp.Map().Add("Pers_number=1");
        imp.Map().Add("Last_Name=2");
        for (int i = 0; i < n; ++i)
            imp.Lines << QStringList{QString::number(100000 + i),
                                     QStringLiteral("نام خانوادگي نسبتا بلند %1").arg(i)};
        imp.OnNeedCommit = [this](TDurvel3* s) { committed = s->ImportedCount(); };
        imp.OnAfterImport = [this](TDurvel3* s) {
            told = s->ImportedCount();
            toldFailed = s->Failed();
        };
    }
    db::Connection* c() { return t.connection(); }

    // The rows kept agree with the table and the data set, and nothing is left open.
    void checkKept(int kept)
    {
        QCOMPARE(imp.KeptCount(), kept);
        // The count the host reads, and the one it was told when the import ended (an import
        // whose source failed to load never began, and tells no end).
        QCOMPARE(imp.ImportedCount(), kept);
        if (told >= 0)
            QCOMPARE(told, kept);
        QCOMPARE(c()->scalar(QStringLiteral("select count(*) from %1").arg(table)).toInt(), kept);
        QCOMPARE(ds.recordCount(), kept);
        QVERIFY(!c()->inTransaction());
    }

    TestDatabase t;
    QString table;
    db::DataSet ds;
    DurvelDbDataSet dest;
    ListReader imp;
    int committed = 0; // rows of the last commit told
    int told = -1;     // rows imported as the end of the import told them
    bool toldFailed = false;
};

// A function a trigger calls on every row written: the row numbered at fails with code.
struct FailAt
{
    QString number;
    int code = SQLITE_ERROR;

    void install(db::Connection* c)
    {
        sqlite3_create_function(
            c->handle(), "fail_at", 1, SQLITE_UTF8, this,
            [](sqlite3_context* ctx, int, sqlite3_value** v) {
                const auto* self = static_cast<const FailAt*>(sqlite3_user_data(ctx));
                const QString n =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v[0])));
                if (n != self->number)
                    return;
                if (self->code == SQLITE_NOMEM) {
                    sqlite3_result_error_nomem(ctx);
                    return;
                }
                sqlite3_result_error(ctx, "the store failed", -1);
                sqlite3_result_error_code(ctx, self->code);
            },
            nullptr, nullptr);
        c->exec(QStringLiteral("CREATE TEMP TRIGGER fail_row AFTER INSERT ON tbl_customer "
                               "BEGIN SELECT fail_at(NEW.Pers_number); END"));
    }
};

} // namespace

class TestDbFailure : public QObject
{
    Q_OBJECT

private slots:
    // The batch decides how much is open when the store fails: one batch, or the whole run.
    void storeFailureStopsTheImport_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("batch");
        QTest::addColumn<bool>("atEnd");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("filtered");
        const int full = int(db::Error::Kind::DiskFull);
        QTest::newRow("full, batches of 100") << "pages" << 100 << false << full << false;
        QTest::newRow("full, commit when done") << "pages" << 1000 << true << full << false;
        QTest::newRow("full, no batches") << "pages" << 0 << false << full << false;
        QTest::newRow("small disk, commit when done") << "disk" << 1000 << true << full << false;
        QTest::newRow("small disk, batches of 100") << "disk" << 100 << false << full << false;
        // Every row would wait out the busy timeout: the first one ends it.
        QTest::newRow("held by another program")
            << "held" << 1000 << false << int(db::Error::Kind::InUse) << false;
        QTest::newRow("batch rolled back by the database")
            << "rollback" << 3 << false << int(db::Error::Kind::TransactionLost) << false;
        QTest::newRow("filtered, full, batches of 100") << "pages" << 100 << false << full << true;
        QTest::newRow("filtered, held by another program")
            << "held" << 1000 << false << int(db::Error::Kind::InUse) << true;
        QTest::newRow("filtered, batch rolled back by the database")
            << "rollback" << 3 << false << int(db::Error::Kind::TransactionLost) << true;
    }
    void storeFailureStopsTheImport()
    {
        QFETCH(QString, fault);
        QFETCH(int, batch);
        QFETCH(bool, atEnd);
        QFETCH(int, kind);
        QFETCH(bool, filtered);
        std::unique_ptr<SmallDisk> disk;
        if (fault == "disk") {
            disk = std::make_unique<SmallDisk>(1024);
            if (!disk->mounted())
                QSKIP("a small file system cannot be mounted here");
        }
        const int saved = db::Connection::busyTimeoutMs;
        auto restore = qScopeGuard([&] { db::Connection::busyTimeoutMs = saved; });
        db::Connection::busyTimeoutMs = 200;
        Run r(20000, disk ? disk->path() : QString(),
              fault == "rollback" ? QStringLiteral("t") : QStringLiteral("tbl_customer"), filtered);
        r.imp.CommitRecCount = batch;
        r.imp.CommitAfterDone = atEnd;
        db::Connection other;
        if (fault == "disk") {
            // A run held whole in the page cache meets the full disk only at its commit; with
            // a small cache its pages reach the disk while it runs.
            r.c()->exec(QStringLiteral("PRAGMA cache_size = -1000"));
            disk->fill();
        }
        if (fault == "pages")
            r.c()->exec(QStringLiteral("PRAGMA max_page_count = %1")
                            .arg(r.c()->scalar(QStringLiteral("PRAGMA page_count")).toInt() + 60));
        if (fault == "held") {
            other.open(r.t.path(), "KtK## ");
            other.exec(QStringLiteral("BEGIN IMMEDIATE"));
            other.exec(QStringLiteral("insert into tbl_customer (Pers_number) values ('x')"));
        }
        if (fault == "rollback")
            r.imp.Lines[4][0] = r.imp.Lines[1][0];
        try {
            r.imp.Execute();
            QFAIL("the import ended as if its rows were stored");
        } catch (const db::Error& e) {
            QCOMPARE(int(e.kind()), kind);
            QVERIFY(e.message().startsWith(db::describe(e.kind())));
        }
        if (fault == "held")
            other.rollback();
        // Not a row's fault; only the row that took the batch with it failed itself.
        QCOMPARE(r.imp.ErrorCount(), fault == "rollback" ? 1 : 0);
        QVERIFY(r.imp.ImportedCount() < 20000);
        // Kept is what the last commit held: nothing with one commit at the end.
        r.checkKept(r.committed);
        QVERIFY(r.toldFailed);
        QVERIFY(!(atEnd || fault == "held") || r.committed == 0);
        QVERIFY(batch == 0 || r.committed % batch == 0);
    }

    // However a run ends, the rows kept are those in the table, and the log's last line says so;
    // without batches every row written stays, and the file is back at full synchronisation.
    void endingsKeepWhatTheyTell_data()
    {
        QTest::addColumn<int>("batch");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QByteArray>("last");
        const QByteArray failed = "1 error(s) found\r\nImport failed: ";
        const QByteArray canceled = "finished\r\nImport canceled: ";
        QTest::newRow("finished") << 300 << "" << 800 << QByteArray("\r\nNo error found\r\n");
        QTest::newRow("canceled at row 700") << 300 << "cancel" << 600 << canceled + "600";
        QTest::newRow("source failed while loading") << 300 << "load" << 0 << failed + "0";
        QTest::newRow("source failed at row 500") << 300 << "read" << 300 << failed + "300";
        QTest::newRow("no batches, canceled at row 700")
            << 0 << "cancel" << 700 << canceled + "700";
        QTest::newRow("no batches, source failed at row 500")
            << 0 << "read" << 500 << failed + "500";
    }
    void endingsKeepWhatTheyTell()
    {
        QFETCH(int, batch);
        QFETCH(QString, ending);
        QFETCH(int, kept);
        QFETCH(QByteArray, last);
        if (!last.endsWith('\n'))
            last += " row(s) kept\r\n";
        Run r(800);
        r.imp.CommitRecCount = batch;
        const QString log = r.t.folder() + QStringLiteral("/run.log");
        QFile f(log);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("the last run's log\r\n") > 0);
        f.close();
        r.imp.ErrorLog = true;
        r.imp.ErrorLogFileName = log;
        const auto fail = [] { throw std::runtime_error("broken source"); };
        if (ending == "cancel")
            r.imp.OnImportRecord = [](TDurvel3* s) {
                if (s->ImportedCount() == 700)
                    s->Cancel();
            };
        if (ending == "load")
            r.imp.OnLoad = fail;
        if (ending == "read")
            r.imp.OnRead = [&](int index) {
                if (index == 500)
                    fail();
            };
        if (ending.isEmpty() || ending == "cancel")
            r.imp.Execute();
        else
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, r.imp.Execute());
        r.checkKept(kept);
        QCOMPARE(r.c()->scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 2);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY2(text.endsWith(last + "\r\n") && !text.contains("the last run's log"),
                 text.constData());
    }

    // A failure the data layer has no name for is no fault of the row: the import stops
    // there, whether it opened the transaction or writes into one the host holds, and the
    // counts are what the database keeps.
    void unknownStoreFailureStopsTheImport_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("host");
        QTest::newRow("error") << SQLITE_ERROR << false;
        QTest::newRow("out of memory") << SQLITE_NOMEM << false;
        QTest::newRow("misuse") << SQLITE_MISUSE << false;
        QTest::newRow("schema") << SQLITE_SCHEMA << false;
        QTest::newRow("error, host's transaction") << SQLITE_ERROR << true;
        QTest::newRow("out of memory, host's transaction") << SQLITE_NOMEM << true;
    }
    void unknownStoreFailureStopsTheImport()
    {
        QFETCH(int, code);
        QFETCH(bool, host);
        Run r(1000);
        r.imp.CommitRecCount = 100;
        FailAt fail{QStringLiteral("100250"), code};
        fail.install(r.c());
        if (host)
            r.c()->beginTransaction();
        try {
            r.imp.Execute();
            QFAIL("the import went on past a failure of the database");
        } catch (const db::Error& e) {
            QVERIFY(e.endsTransaction());
        }
        QCOMPARE(r.imp.ErrorCount(), 0);
        // The host's transaction holds every row written, to keep or give back; the import's
        // own gives back the open batch.
        const int kept = host ? 250 : 200;
        QCOMPARE(r.imp.ImportedCount(), kept);
        QCOMPARE(r.told, kept);
        QCOMPARE(r.c()->scalar(QStringLiteral("select count(*) from tbl_customer")).toInt(), kept);
        QCOMPARE(r.c()->inTransaction(), host);
        if (host)
            r.c()->rollback();
    }

    // A row's fault that makes the database give back the host's transaction stops the import:
    // none of its rows is kept, and it says so.
    void hostTransactionEndedByTheDatabase()
    {
        Run r(50, QString(), QStringLiteral("t"));
        r.imp.Lines[4][0] = r.imp.Lines[1][0];
        r.c()->beginTransaction();
        try {
            r.imp.Execute();
            QFAIL("the import went on outside the transaction it was given");
        } catch (const db::Error& e) {
            QCOMPARE(e.kind(), db::Error::Kind::TransactionLost);
        }
        QCOMPARE(r.imp.ErrorCount(), 1);
        QCOMPARE(r.imp.ImportedCount(), 0);
        QCOMPARE(r.imp.RolledBackCount(), 4);
        QCOMPARE(r.told, 0);
        QCOMPARE(r.c()->scalar(QStringLiteral("select count(*) from t")).toInt(), 0);
        QVERIFY(!r.c()->inTransaction());
    }

    // Rows committed one by one without waiting for the disk: when full synchronisation cannot
    // be put back the import fails with that, the rows are told as kept, and no later import
    // in batches begins before the file waits for the disk again.
    void lostSynchronisationIsReported()
    {
        Run r(300);
        r.imp.CommitRecCount = 0;
        r.imp.OnNeedCommit = [&r](TDurvel3* s) {
            r.committed = s->ImportedCount();
            // Something holds a transaction open when the import ends.
            if (s->ImportedCount() == 300 && !r.c()->inTransaction())
                r.c()->exec(QStringLiteral("BEGIN"));
        };
        try {
            r.imp.Execute();
            QFAIL("the import ended as if its rows were on the disk");
        } catch (const db::Error& e) {
            QCOMPARE(e.kind(), db::Error::Kind::NotDurable);
        }
        QVERIFY(r.imp.Failed());
        QCOMPARE(r.imp.ImportedCount(), 300);
        r.c()->rollback();
        QCOMPARE(r.c()->scalar(QStringLiteral("select count(*) from tbl_customer")).toInt(), 300);
        QCOMPARE(r.c()->scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 1);

        Run again(10);
        again.imp.CommitRecCount = 5;
        again.t.connection()->relaxSynchronous();
        again.t.connection()->exec(QStringLiteral("BEGIN"));
        QVERIFY_THROWS_EXCEPTION(db::Error, again.t.connection()->restoreSynchronous());
        again.t.connection()->rollback();
        again.imp.Execute();
        QCOMPARE(again.c()->scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 2);
        again.checkKept(10);
    }

    void commitWithoutTransactionIsRefused()
    {
        TestDatabase t;
        t.connection()->beginTransaction();
        t.connection()->exec(QStringLiteral("ROLLBACK"));
        QVERIFY_THROWS_EXCEPTION(db::Error, t.connection()->commit());
    }
};

QTEST_GUILESS_MAIN(TestDbFailure)
#include "test_dbfailure.moc"

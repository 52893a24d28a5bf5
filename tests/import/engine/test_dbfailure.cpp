// A failure of the database itself (full, held by another program, a transaction it ended on
// its own) stops the import at once: nothing is counted as kept that the database does not hold.
#include "helper_fakes.h"

#include "import/engine/DurvelDbDataSet.h"
#include "platform/db/DataSet.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TestDatabase.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QtTest>

namespace {

QList<QStringList> people(int n)
{
    QList<QStringList> rows;
    for (int i = 0; i < n; ++i)
        rows << QStringList{QStringLiteral("%1").arg(100000 + i),
                            QStringLiteral("نام خانوادگي نسبتا بلند %1").arg(i)};
    return rows;
}

int stored(db::Connection* c, const QString& table = QStringLiteral("tbl_customer"))
{
    return c->scalar(QStringLiteral("select count(*) from %1").arg(table)).toInt();
}

} // namespace

class TestDbFailure : public QObject
{
    Q_OBJECT

private slots:
    // The batch size decides how much is open when the disk fills: one batch, the whole run.
    void fullDiskStopsTheImport_data()
    {
        QTest::addColumn<int>("batch");
        QTest::addColumn<bool>("atEnd");
        QTest::addColumn<bool>("smallDisk");
        QTest::newRow("batches of 100") << 100 << false << false;
        QTest::newRow("commit when done") << 1000 << true << false;
        QTest::newRow("no batches") << 0 << false << false;
        QTest::newRow("a small disk, commit when done") << 1000 << true << true;
        QTest::newRow("a small disk, batches of 100") << 100 << false << true;
    }
    void fullDiskStopsTheImport()
    {
        QFETCH(int, batch);
        QFETCH(bool, atEnd);
        QFETCH(bool, smallDisk);
        std::unique_ptr<SmallDisk> disk;
        if (smallDisk) {
            disk = std::make_unique<SmallDisk>(1024);
            if (!disk->mounted())
                QSKIP("a small file system cannot be mounted here");
        }
        TestDatabase t(disk ? disk->path() : QString());
        db::Connection* c = t.connection();
        db::DataSet ds(c);
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
        if (disk)
            disk->fill();
        else
            c->exec(QStringLiteral("PRAGMA max_page_count = %1")
                        .arg(c->scalar(QStringLiteral("PRAGMA page_count")).toInt() + 60));
        DurvelDbDataSet dest(&ds);
        ListReader imp;
        imp.DataSet = &dest;
        imp.CommitRecCount = batch;
        imp.CommitAfterDone = atEnd;
        imp.Map().Add("Pers_number=1");
        imp.Map().Add("Last_Name=2");
        imp.Lines = people(20000);
        int committed = 0;
        imp.OnNeedCommit = [&](TDurvel3* s) { committed = s->ImportedCount(); };
        try {
            imp.Execute();
            QFAIL("the import ended as if the rows were stored");
        } catch (const db::Error& e) {
            QCOMPARE(e.kind(), db::Error::Kind::DiskFull);
            QVERIFY(e.message().startsWith(db::describe(db::Error::Kind::DiskFull)));
        }
        QCOMPARE(imp.ErrorCount(), 0); // not a row's fault
        QVERIFY(imp.ImportedCount() < 20000);
        QVERIFY(!c->inTransaction());
        QCOMPARE(stored(c), imp.KeptCount());
        QCOMPARE(ds.recordCount(), imp.KeptCount());
        // Kept is what the last commit held: nothing with one commit at the end.
        QCOMPARE(imp.KeptCount(), committed);
        if (atEnd)
            QCOMPARE(committed, 0);
        if (batch > 0 && !atEnd)
            QCOMPARE(committed % batch, 0);
    }

    // Another program holds the file: the first row that waits in vain ends the import.
    void heldDatabaseStopsAtTheFirstRow()
    {
        TestDatabase t;
        const int saved = db::Connection::busyTimeoutMs;
        auto restore = qScopeGuard([&] { db::Connection::busyTimeoutMs = saved; });
        db::Connection::busyTimeoutMs = 200;
        db::Connection* c = t.connection();
        db::DataSet ds(c);
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
        db::Connection other;
        other.open(t.path(), "KtK## ");
        other.exec(QStringLiteral("BEGIN IMMEDIATE"));
        other.exec(QStringLiteral("insert into tbl_customer (Pers_number) values ('held')"));

        DurvelDbDataSet dest(&ds);
        ListReader imp;
        imp.DataSet = &dest;
        imp.Map().Add("Pers_number=1");
        imp.Lines = people(30);
        QElapsedTimer clock;
        clock.start();
        try {
            imp.Execute();
            QFAIL("the import went on with the file held");
        } catch (const db::Error& e) {
            QCOMPARE(e.kind(), db::Error::Kind::InUse);
        }
        QVERIFY2(clock.elapsed() < 5000, "every row waited out the busy timeout");
        QCOMPARE(imp.ErrorCount(), 0);
        QCOMPARE(imp.ImportedCount(), 0);
        other.rollback();
        QCOMPARE(stored(c), 0);
    }

    // A row whose failure makes the database roll back the open batch: the batch is not
    // reported stored, and no later row slips into the table outside a transaction.
    void batchRolledBackByTheDatabaseEndsTheImport()
    {
        TestDatabase t;
        db::Connection* c = t.connection();
        c->exec(QStringLiteral(
            "create table t (id integer primary key autoincrement, a text unique on conflict "
            "rollback)"));
        db::DataSet ds(c);
        ds.setSql(QStringLiteral("select * from t"));
        ds.open();
        DurvelDbDataSet dest(&ds);
        ListReader imp;
        imp.DataSet = &dest;
        imp.CommitRecCount = 3;
        imp.Map().Add("a=1");
        imp.Lines = {{"1"}, {"2"}, {"3"}, {"4"}, {"5"}, {"4"}, {"6"}, {"7"}, {"8"}};
        try {
            imp.Execute();
            QFAIL("the import went on without its transaction");
        } catch (const db::Error& e) {
            QCOMPARE(e.kind(), db::Error::Kind::TransactionLost);
        }
        QCOMPARE(imp.KeptCount(), 3);
        QCOMPARE(stored(c, QStringLiteral("t")), 3);
        QVERIFY(!c->inTransaction());
    }

    // The log's last line says how the run ended and how many rows stayed.
    void logTellsHowTheRunEnded_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QByteArray>("last");
        QTest::newRow("finished") << "" << 8 << QByteArray("\r\nNo error found\r\n\r\n");
        QTest::newRow("canceled at row 7")
            << "cancel" << 6 << QByteArray("finished\r\nImport canceled: 6 row(s) kept\r\n\r\n");
        QTest::newRow("source failed while loading")
            << "load" << 0
            << QByteArray("1 error(s) found\r\nImport failed: 0 row(s) kept\r\n\r\n");
        QTest::newRow("source failed at row 5")
            << "read" << 3
            << QByteArray("1 error(s) found\r\nImport failed: 3 row(s) kept\r\n\r\n");
    }
    void logTellsHowTheRunEnded()
    {
        QFETCH(QString, ending);
        QFETCH(int, kept);
        QFETCH(QByteArray, last);
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("run.log"));
        {
            QFile old(log);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("the last run's log\r\n");
        }
        FakeDataSet ds({{"Code"}});
        ListReader imp;
        imp.DataSet = &ds;
        imp.Map().Add("Code=1");
        imp.CommitRecCount = 3;
        imp.ErrorLog = true;
        imp.ErrorLogFileName = log;
        for (int i = 0; i < 8; ++i)
            imp.Lines << QStringList{QString::number(i)};
        const auto fail = [] { throw std::runtime_error("broken source"); };
        if (ending == "cancel")
            imp.OnImportRecord = [](TDurvel3* s) {
                if (s->ImportedCount() == 7)
                    s->Cancel();
            };
        if (ending == "load")
            imp.OnLoad = fail;
        if (ending == "read")
            imp.OnRead = [&](int index) {
                if (index == 4)
                    fail();
            };
        if (ending.isEmpty() || ending == "cancel")
            imp.Execute();
        else
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, imp.Execute());
        QCOMPARE(imp.KeptCount(), kept);
        QCOMPARE(int(ds.committed().size()), kept);
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY2(text.endsWith(last), text.constData());
        QVERIFY(!text.contains("the last run's log"));
        if (!ending.isEmpty())
            QVERIFY(!text.contains("No error found"));
    }

    // With no batches every row written stays, however the run ends, and the file is back at
    // full synchronisation afterwards.
    void withoutBatchesEveryWrittenRowStays_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("finished") << "";
        QTest::newRow("canceled") << "cancel";
        QTest::newRow("source failed") << "read";
    }
    void withoutBatchesEveryWrittenRowStays()
    {
        QFETCH(QString, ending);
        TestDatabase t;
        db::Connection* c = t.connection();
        db::DataSet ds(c);
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
        DurvelDbDataSet dest(&ds);
        ListReader imp;
        imp.DataSet = &dest;
        imp.CommitRecCount = 0;
        imp.Map().Add("Pers_number=1");
        imp.Map().Add("Last_Name=2");
        imp.Lines = people(3000);
        if (ending == "cancel")
            imp.OnImportRecord = [](TDurvel3* s) {
                if (s->ImportedCount() == 1700)
                    s->Cancel();
            };
        if (ending == "read")
            imp.OnRead = [](int index) {
                if (index == 2100)
                    throw std::runtime_error("broken source");
            };
        if (ending == "read")
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, imp.Execute());
        else
            imp.Execute();
        const int written = ending == "cancel" ? 1700 : ending == "read" ? 2100 : 3000;
        QCOMPARE(imp.ImportedCount(), written);
        QCOMPARE(imp.KeptCount(), written);
        QCOMPARE(stored(c), written);
        QCOMPARE(ds.recordCount(), written);
        QVERIFY(!c->inTransaction());
        QCOMPARE(c->scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 2);
    }

    void commitWithoutTransactionIsRefused()
    {
        TestDatabase t;
        db::Connection* c = t.connection();
        c->beginTransaction();
        c->exec(QStringLiteral("insert into tbl_customer (Pers_number) values ('1')"));
        c->exec(QStringLiteral("ROLLBACK"));
        try {
            c->commit();
            QFAIL("a commit of nothing passed for stored work");
        } catch (const db::Error& e) {
            QCOMPARE(e.kind(), db::Error::Kind::TransactionLost);
            QVERIFY(e.endsTransaction());
        }
    }
};

QTEST_GUILESS_MAIN(TestDbFailure)
#include "test_dbfailure.moc"

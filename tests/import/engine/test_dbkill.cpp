// An import killed at a random row leaves a database that opens with the key, passes SQLite's
// integrity check and holds whole committed batches only. The import runs in a child process
// (this program, started again with --child), which is killed outright.
#include "helper_fakes.h"

#include "app/dbfile.h"
#include "import/engine/DurvelDbDataSet.h"
#include "platform/db/DataSet.h"
#include "tests/support/TestDatabase.h"

#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <cstdio>

namespace {

constexpr int kRows = 60000;
constexpr int kBatch = 1000;

QString number(int i)
{
    return QStringLiteral("K%1").arg(i, 6, 10, QChar(u'0'));
}

// Imports kRows people into the register at path, telling the parent every 100 rows and,
// as "c N", every commit with the rows it holds.
int runChild(const QString& path, int batch)
{
    db::Connection c;
    c.open(path, databaseKey());
    db::DataSet ds(&c);
    ds.setSql(QStringLiteral("select * from tbl_customer"));
    ds.open();
    DurvelDbDataSet dest(&ds);
    ListReader imp;
    imp.DataSet = &dest;
    imp.CommitRecCount = batch;
    imp.Map().Add("Pers_number=1");
    imp.Map().Add("Last_Name=2");
    for (int i = 0; i < kRows; ++i)
        imp.Lines << QStringList{number(i), QStringLiteral("نام خانوادگي %1").arg(i)};
    imp.OnImportRecord = [](TDurvel3* s) {
        if (s->ImportedCount() % 100 == 0) {
            std::printf("%d\n", s->ImportedCount());
            std::fflush(stdout);
        }
    };
    imp.OnNeedCommit = [](TDurvel3* s) {
        std::printf("c %d\n", s->ImportedCount());
        std::fflush(stdout);
    };
    imp.Execute();
    std::printf("done\n");
    return 0;
}

} // namespace

class TestDbKill : public QObject
{
    Q_OBJECT

private slots:
    // In batches only whole batches stay, and at most one of the rows told is lost. Without
    // batches every commit told stays, and commits come a few milliseconds apart, so little
    // more than the rows of the last few milliseconds can be lost.
    void killedImportLeavesWholeBatches_data()
    {
        QTest::addColumn<int>("batch");
        QTest::addColumn<int>("killAt");
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 10; ++i) {
            const int at = rng->bounded(200, kRows - 2000);
            QTest::addRow("kill %d at row %d", i + 1, at) << kBatch << at;
        }
        const int at = rng->bounded(5000, kRows - 5000);
        QTest::addRow("no batches, killed at row %d", at) << 0 << at;
    }
    void killedImportLeavesWholeBatches()
    {
        QFETCH(int, batch);
        QFETCH(int, killAt);
        TestDatabase t;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), t.path(), QString::number(batch)});
        QVERIFY(child.waitForStarted());
        int reported = 0, committed = 0;
        const auto read = [&] {
            while (child.canReadLine()) {
                const QByteArray line = child.readLine().trimmed();
                QVERIFY2(line != "done", "the import ended before it was killed");
                if (line.startsWith("c "))
                    committed = line.mid(2).toInt();
                else
                    reported = line.toInt();
            }
        };
        while (reported < killAt) {
            if (!child.canReadLine() && !child.waitForReadyRead(30000))
                QFAIL("the child import stopped early");
            read();
        }
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        read(); // what it told before it died

        db::Connection* c = t.connection();
        QCOMPARE(c->scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
        const int kept = c->scalar(QStringLiteral("select count(*) from tbl_customer")).toInt();
        const QString counts = QStringLiteral("kept %1, last commit told %2, rows told %3")
                                   .arg(kept)
                                   .arg(committed)
                                   .arg(reported);
        if (batch > 0)
            QVERIFY2(kept % batch == 0 && kept >= (reported / batch - 1) * batch,
                     qPrintable(counts));
        else
            QVERIFY2(committed > 0 && kept >= committed && kept <= reported + 100,
                     qPrintable(counts));
        db::Statement st = c->prepare(
            QStringLiteral("select Pers_number, Last_Name from tbl_customer order by id"));
        st.bind({});
        int i = 0;
        while (st.step()) {
            QCOMPARE(st.value(0).toString(), number(i));
            QCOMPARE(st.value(1).toString(), QStringLiteral("نام خانوادگي %1").arg(i));
            ++i;
        }
        QCOMPARE(i, kept);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    TestDbKill t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_dbkill.moc"

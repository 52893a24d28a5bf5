#include "helper_fakes.h"

#include "import/engine/DurvelDbDataSet.h"
#include "platform/db/DataSet.h"
#include "tests/support/TestDatabase.h"

#include <QtTest>

// A fresh register behind the engine's data-set destination, optionally with two people.
struct Register
{
    explicit Register(bool seeded = false) : ds(t.connection()), dest(&ds)
    {
        if (seeded)
            t.connection()->exec(
                QStringLiteral("insert into tbl_customer (Pers_number, First_Name) values ('P1', "
                               "'Ali'), ('P2', 'Reza')"));
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
    }
    db::Connection* connection() { return t.connection(); }

    TestDatabase t;
    db::DataSet ds;
    DurvelDbDataSet dest;
};

class TestDbDestination : public QObject
{
    Q_OBJECT

    static QStringList stored(db::Connection* c)
    {
        QStringList out;
        db::Statement st = c->prepare(
            QStringLiteral("select Pers_number, First_Name, Chk from tbl_customer order by id"));
        while (st.step())
            out << st.value(0).toString() + u'|' + st.value(1).toString() + u'|' +
                       st.value(2).toString();
        return out;
    }

private slots:
    void modes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("allowDuplicates");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("insert all")
            << int(dimInsertAll) << true
            << QStringList{"P1|Ali|0", "P2|Reza|0", "p2|Reza J|1", "P3|Ali|1"};
        QTest::newRow("insert new")
            << int(dimInsertNew) << true << QStringList{"P1|Ali|0", "P2|Reza|0", "P3|Ali|1"};
        QTest::newRow("update") << int(dimUpdate) << true << QStringList{"P1|Ali|0", "p2|Reza J|1"};
        QTest::newRow("update or insert")
            << int(dimUpdateOrInsert) << true << QStringList{"P1|Ali|0", "p2|Reza J|1", "P3|Ali|1"};
        QTest::newRow("delete") << int(dimDelete) << true << QStringList{"P1|Ali|0"};
        QTest::newRow("delete or insert")
            << int(dimDeleteOrInsert) << true << QStringList{"P1|Ali|0", "P3|Ali|1"};
    }
    void modes()
    {
        QFETCH(int, mode);
        QFETCH(bool, allowDuplicates);
        QFETCH(QStringList, expected);

        Register reg(true);
        db::Connection* c = reg.connection();
        db::DataSet& ds = reg.ds;
        DurvelDbDataSet& dest = reg.dest;

        ListReader imp;
        imp.DataSet = &dest;
        imp.AddType = datAppend;
        imp.ImportMode = TDurvelMode(mode);
        imp.AllowDuplicates = allowDuplicates;
        imp.CommitRecCount = 1;
        imp.Map().Add("Pers_number=1");
        imp.Map().Add("First_Name=2");
        imp.Map().Add("Chk=3");
        imp.KeyColumns().Add("Pers_number");
        imp.Formats().BooleanTrue().Add("x");
        imp.Lines = {{"p2", "Reza J", "X"}, {"P3", "Ali", "true"}};
        QVERIFY(imp.Execute());
        QCOMPARE(imp.ErrorCount(), 0);
        QCOMPARE(stored(c), expected);
        QVERIFY(!c->inTransaction());
        QCOMPARE(ds.recordCount(), int(expected.size()));
    }

    void duplicatesRefusedCaseSensitively()
    {
        Register reg(true);
        db::Connection* c = reg.connection();
        DurvelDbDataSet& dest = reg.dest;

        ListReader imp;
        imp.DataSet = &dest;
        imp.ImportMode = dimInsertNew;
        imp.AllowDuplicates = false;
        imp.AddType = datAppend;
        imp.Map().Add("Pers_number=1");
        imp.Map().Add("First_Name=2");
        imp.KeyColumns().Add("Pers_number");
        imp.Lines = {{"P9", "Ali"}, {"P8", "ali"}, {"p1", "New"}};
        QVERIFY(imp.Execute());
        QCOMPARE(stored(c), (QStringList{"P1|Ali|0", "P2|Reza|0", "P8|ali|0"}));
        QCOMPARE(imp.ImportedCount(), 3);
    }

    void cancelKeepsOnlyCommittedRows()
    {
        Register reg;
        db::Connection* c = reg.connection();
        db::DataSet& ds = reg.ds;
        DurvelDbDataSet& dest = reg.dest;

        ListReader imp;
        imp.DataSet = &dest;
        imp.CommitRecCount = 2;
        imp.Map().Add("Pers_number=1");
        for (int i = 1; i <= 6; ++i)
            imp.Lines << QStringList{QStringLiteral("P%1").arg(i)};
        imp.OnImportRecord = [](TDurvel3* s) {
            if (s->ImportedCount() == 3)
                s->Cancel();
        };
        QVERIFY(imp.Execute());
        QVERIFY(imp.Canceled());
        QCOMPARE(stored(c), (QStringList{"P1||0", "P2||0"}));
        QCOMPARE(ds.recordCount(), 2);
        QVERIFY(!c->inTransaction());
    }

    void oversizedTextIsRowError()
    {
        Register reg;
        db::Connection* c = reg.connection();
        db::DataSet& ds = reg.ds;
        DurvelDbDataSet& dest = reg.dest;

        ListReader imp;
        imp.DataSet = &dest;
        imp.Map().Add("Pers_number=1");
        imp.Map().Add("First_Name=2");
        imp.Lines = {{"P1", QString(30, u'a')}, {"P2", QString::fromUtf8("مریم")}};
        QVERIFY(imp.Execute());
        QCOMPARE(imp.ErrorCount(), 1);
        QCOMPARE(stored(c), (QStringList{QString::fromUtf8("P2|مریم|0")}));
        QCOMPARE(ds.state(), db::DataSet::State::Browse);
    }

    void fieldTypesFollowTheSchema()
    {
        Register reg;
        DurvelDbDataSet& dest = reg.dest;
        QCOMPARE(dest.findField("ID")->dataType(), ftAutoInc);
        QCOMPARE(dest.findField("pers_number")->dataType(), ftWideString);
        QCOMPARE(dest.findField("Chk")->dataType(), ftBoolean);
        QCOMPARE(dest.findField("Chk")->index(), 6);
        QVERIFY(!dest.findField("nothing"));
    }
};

QTEST_GUILESS_MAIN(TestDbDestination)
#include "test_dbdestination.moc"

#include "helper_fakes.h"
#include "helper_register.h"

#include "import/engine/DurvelDbDataSet.h"
#include "platform/db/DataSet.h"
#include "tests/support/TestDatabase.h"

#include <QtTest>

class TestDbDestination : public QObject
{
    Q_OBJECT

    static QString key(const char* prefix, int i)
    {
        return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(i, 5, 10, QChar(u'0'));
    }

    // Seeds n people P00000.. named "old i" in one transaction.
    static void seed(db::Connection* c, int n)
    {
        c->beginTransaction();
        for (int i = 0; i < n; ++i)
            c->exec(QStringLiteral("insert into tbl_customer (Pers_number, First_Name) values "
                                   "(:p, :f)"),
                    {{"p", key("P", i)}, {"f", QStringLiteral("old %1").arg(i)}});
        c->commit();
    }

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

    // 20,000 rows in each mode: every even row names a seeded person by a key in other case,
    // every odd one a new person.
    void largeImportInEveryMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("insert all") << int(dimInsertAll);
        QTest::newRow("insert new") << int(dimInsertNew);
        QTest::newRow("update") << int(dimUpdate);
        QTest::newRow("update or insert") << int(dimUpdateOrInsert);
        QTest::newRow("delete") << int(dimDelete);
        QTest::newRow("delete or insert") << int(dimDeleteOrInsert);
    }
    void largeImportInEveryMode()
    {
        QFETCH(int, mode);
        const int n = 20000;
        Register reg;
        db::Connection* c = reg.connection();
        seed(c, n);
        reg.ds.refresh();

        ListReader imp;
        imp.DataSet = &reg.dest;
        imp.ImportMode = TDurvelMode(mode);
        imp.KeyColumns().Add("Pers_number");
        imp.Map().Add("Pers_number=1");
        imp.Map().Add("First_Name=2");
        for (int j = 0; j < n; ++j)
            imp.Lines << QStringList{key(j % 2 ? "N" : "p", j), QStringLiteral("new %1").arg(j)};
        bool direct = false;
        imp.OnImportRecord = [&](TDurvel3*) { direct = reg.dest.writesDirectly(); };
        QVERIFY(imp.Execute());
        QCOMPARE(imp.ErrorCount(), 0);
        QCOMPARE(imp.ImportedCount(), n);
        QVERIFY(direct);
        QVERIFY(!reg.dest.writesDirectly());

        const TDurvelMode m = TDurvelMode(mode);
        QStringList expected;
        for (int i = 0; i < n; ++i) {
            const bool named = i % 2 == 0;
            if (named && (m == dimDelete || m == dimDeleteOrInsert))
                continue;
            if (named && (m == dimUpdate || m == dimUpdateOrInsert))
                expected << key("p", i) + QStringLiteral("|new %1|0").arg(i);
            else
                expected << key("P", i) + QStringLiteral("|old %1|0").arg(i);
        }
        for (int j = 0; j < n; ++j) {
            const bool added = m == dimInsertAll || (j % 2 && m != dimUpdate && m != dimDelete);
            if (added)
                expected << key(j % 2 ? "N" : "p", j) + QStringLiteral("|new %1|0").arg(j);
        }
        QCOMPARE(stored(c), expected);
        // The data set read the table once, and stands on the last record written.
        QCOMPARE(reg.ds.recordCount(), int(expected.size()));
        if (m != dimDelete)
            QCOMPARE(reg.ds.text("First_Name"),
                     QStringLiteral("new %1").arg(m == dimUpdate ? n - 2 : n - 1));
        QCOMPARE(c->scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
    }

    // The same rows through the table directly and through the data set row by row give the
    // same table: look-ups match as the data set's did (any case, Unicode letters, empty and
    // missing values), the duplicate test minds case.
    // Keyed by an indexed column (Pers_number) and by one without an index (Last_Name).
    void directAndRowByRowAgree_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("allowDuplicates");
        QTest::addColumn<QString>("key");
        for (const char* key : {"Pers_number", "Last_Name"})
            for (int m = dimInsertAll; m <= dimDeleteOrInsert; ++m) {
                QTest::addRow("%s, mode %d", key, m) << m << true << QString::fromLatin1(key);
                QTest::addRow("%s, mode %d, no duplicates", key, m)
                    << m << false << QString::fromLatin1(key);
            }
    }
    void directAndRowByRowAgree()
    {
        QFETCH(int, mode);
        QFETCH(bool, allowDuplicates);
        QFETCH(QString, key);
        auto run = [&](const QString& sql, bool* direct) {
            Register reg(false, sql);
            reg.connection()->exec(QStringLiteral(
                "insert into tbl_customer (Pers_number, First_Name, Last_Name) values "
                "('ÉLAN', 'a', 'ÉLAN'), ('élan', 'b', 'élan'), ('Ab', 'c', 'Ab'), ('', 'd', ''), "
                "(NULL, 'e', NULL), ('پ۱', 'f', 'پ۱'), ('ab', 'g', 'ab')"));
            reg.ds.refresh();
            ListReader imp;
            imp.DataSet = &reg.dest;
            imp.ImportMode = TDurvelMode(mode);
            imp.AllowDuplicates = allowDuplicates;
            imp.CommitRecCount = 2;
            imp.KeyColumns().Add(key);
            imp.Map().Add(key + QStringLiteral("=1"));
            imp.Map().Add("First_Name=2");
            imp.Lines = {{"élan", "A2"}, {"AB", "c"}, {"", "D2"},   {"پ۱", "F2"},
                         {"Élan", "a"},  {"zz", "g"}, {"new", "h"}, {"zz", "g"}};
            imp.OnImportRecord = [&](TDurvel3*) { *direct = reg.dest.writesDirectly(); };
            imp.Execute();
            QStringList rows = stored(reg.connection());
            rows << reg.connection()
                        ->scalar(QStringLiteral("select group_concat(n, ';') from (select "
                                                "ifnull(Last_Name, '-') n from tbl_customer "
                                                "order by id)"))
                        .toString();
            return QStringList{rows.join(u';'), QString::number(imp.ImportedCount()),
                               QString::number(imp.ErrorCount())};
        };
        bool direct = false, rowByRow = true;
        const QStringList a = run(kWholeTable, &direct);
        const QStringList b = run(kRowByRow, &rowByRow);
        QVERIFY(direct);
        QVERIFY(!rowByRow);
        QCOMPARE(a, b);
    }

    void readOnlyKeyOrOverlongTextFailsTheRow_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("mapped");
        QTest::addColumn<QString>("value");
        for (const QString& sql : {kWholeTable, kRowByRow}) {
            const char* how = sql == kWholeTable ? "direct" : "row by row";
            QTest::addRow("%s, id", how) << sql << QStringLiteral("id") << QStringLiteral("77");
            QTest::addRow("%s, 16-digit account", how)
                << sql << QStringLiteral("Hesab") << QStringLiteral("1234567890123456");
        }
    }
    void readOnlyKeyOrOverlongTextFailsTheRow()
    {
        QFETCH(QString, sql);
        QFETCH(QString, mapped);
        QFETCH(QString, value);
        Register reg(false, sql);
        ListReader imp;
        imp.DataSet = &reg.dest;
        imp.ErrorLog = true;
        imp.ErrorLogFileName.clear();
        imp.Map().Add("Pers_number=1");
        imp.Map().Add(mapped + QStringLiteral("=2"));
        imp.Lines = {{"P1", value}, {"P2", ""}};
        QVERIFY(imp.Execute());
        QCOMPARE(imp.ErrorCount(), 1);
        QCOMPARE(stored(reg.connection()), QStringList{"P2||0"});
        QVERIFY(
            reg.connection()->scalar(QStringLiteral("select max(id) from tbl_customer")).toInt() !=
            77);
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

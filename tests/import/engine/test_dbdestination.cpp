#include "helper_fakes.h"
#include "helper_register.h"

#include "import/engine/DurvelDbDataSet.h"
#include "platform/db/DataSet.h"
#include "tests/support/TestDatabase.h"

#include <QtTest>
#include <functional>

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

    // How a run reaches the register.
    struct Way
    {
        QString sql;
        bool directWrites;
    };

    // Run's outcome through the whole table and through a filtered data set fed the rows
    // written directly, both checked to be the outcome row by row through the data set.
    static QStringList everyWay(const std::function<QStringList(const Way&, bool*)>& run)
    {
        bool rowByRow = true;
        const QStringList reference = run({kRowByRow, false}, &rowByRow);
        for (const Way& way : {Way{kWholeTable, true}, Way{kRowByRow, true}}) {
            bool direct = false;
            const QStringList got = run(way, &direct);
            [&] {
                QVERIFY(direct);
                QVERIFY(!rowByRow);
                QCOMPARE(got, reference);
            }();
        }
        return reference;
    }

    // Sets imp to import into the register's data set in that mode, keyed by personnel number,
    // its row errors kept in memory for the test to read.
    static void keyedInto(ListReader& imp, Register& reg, int mode, int addType, int commitEvery)
    {
        imp.DataSet = &reg.dest;
        imp.ImportMode = TDurvelMode(mode);
        imp.AddType = TDurvelAddType(addType);
        imp.CommitRecCount = commitEvery;
        imp.ErrorLog = true;
        imp.ErrorLogFileName.clear();
        imp.KeyColumns().Add("Pers_number");
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
        auto run = [&](const Way& way, bool* direct) {
            Register reg(false, way.sql, way.directWrites);
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
        everyWay(run);
    }

    // Values of every kind reach the table alike through both ways, in every mode: the same
    // bytes (letters outside the basic plane, a lone surrogate), the same nulls (a null word in
    // any case with spaces around), the same Boolean answers each time a text comes again, and
    // the same refusal of overlong texts, naming the first such field of the table.
    void directAndRowByRowStoreTheSameValues_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("addType");
        for (int m = dimInsertAll; m <= dimDeleteOrInsert; ++m) {
            QTest::addRow("mode %d, append", m) << m << int(datAppend);
            QTest::addRow("mode %d, insert", m) << m << int(datInsert);
        }
    }
    void directAndRowByRowStoreTheSameValues()
    {
        QFETCH(int, mode);
        QFETCH(int, addType);
        const char16_t lone[] = {u'a', 0xD83D, u'b'};
        const QString loneSurrogate = QString::fromUtf16(lone, 3);
        auto run = [&](const Way& way, bool* direct) {
            Register reg(true, way.sql, way.directWrites);
            ListReader imp;
            keyedInto(imp, reg, mode, addType, 3);
            // Last_Name is set before First_Name, though it stands after it in the table.
            imp.Map().Add("Pers_number=1");
            imp.Map().Add("Last_Name=3");
            imp.Map().Add("First_Name=2");
            imp.Map().Add("Chk=4");
            imp.Formats().NullValues().Assign(QStringList{"Null"});
            imp.Formats().BooleanTrue().Assign(QStringList{"X", "1"});
            imp.Lines = {{"P3", "علی", "رضایی", "1"},
                         {"P4", "😀x", loneSurrogate, "x"},
                         {"P5", " null ", "NULL", "0"},
                         {"P6", "", "", "x"},
                         {"p1", "Reza J", "new", " 1 "},
                         {"P7", QString(26, u'f'), QString(41, u'l'), "1"},
                         {"P8", "ok", QString(41, u'l'), "X"},
                         {"p2", "\t", "  spaced  ", "0"}};
            imp.OnImportRecord = [&](TDurvel3*) { *direct = reg.dest.writesDirectly(); };
            imp.Execute();
            QStringList out;
            db::Statement st = reg.connection()->prepare(QStringLiteral(
                "select Pers_number, typeof(First_Name), hex(First_Name), typeof(Last_Name), "
                "hex(Last_Name), Chk from tbl_customer order by id"));
            while (st.step()) {
                QStringList row;
                for (int i = 0; i < 6; ++i)
                    row << st.value(i).toString();
                out << row.join(u'|');
            }
            // Error lines without their time.
            for (const QString& e : imp.Errors().ToStringList())
                out << e.mid(e.indexOf(QStringLiteral(" - Line ")));
            out << QString::number(imp.ImportedCount());
            return out;
        };
        const QStringList a = everyWay(run);
        if (QTest::currentTestFailed())
            return;
        if (mode == dimInsertAll) {
            QVERIFY(a.contains("P4|text|F09F988078|text|61EFBFBD62|1"));
            QVERIFY(a.contains("P5|null||null||0"));
            QVERIFY(a.contains("P6|text||text||1"));
            // The first name's limit of 25 letters, not the last name's of 40.
            QVERIFY(a.filter(QStringLiteral(" - Line 6: ")).value(0).contains(u"25"));
        }
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

    // After an import in any mode the data set shows what a data set opened afresh on the same
    // text shows: the same fields, rows, order and values of the same types; it stands on the
    // last person written.
    void readBackShowsWhatAFreshOpenShows_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("sql");
        const QList<QPair<const char*, QString>> texts = {
            {"whole table", kWholeTable},
            {"in key order", QStringLiteral("select * from tbl_customer order by id")},
            {"some columns",
             QStringLiteral("select id, Chk, Pers_number, Last_Name, Price from tbl_customer")}};
        const QList<QPair<const char*, TDurvelMode>> modes = {
            {"insert all", dimInsertAll}, {"insert new", dimInsertNew},
            {"update", dimUpdate},        {"update or insert", dimUpdateOrInsert},
            {"delete", dimDelete},        {"delete or insert", dimDeleteOrInsert}};
        for (const auto& [textName, sql] : texts)
            for (const auto& [modeName, mode] : modes)
                QTest::addRow("%s, %s", modeName, textName) << int(mode) << sql;
    }
    void readBackShowsWhatAFreshOpenShows()
    {
        QFETCH(int, mode);
        QFETCH(QString, sql);
        Register reg(false, sql);
        db::Connection* c = reg.connection();
        seed(c, 40);
        c->exec(QStringLiteral("update tbl_customer set Last_Name = 'رضایی', Price = '12.50', "
                               "Chk = 1 where id % 3 = 0"));
        reg.ds.refresh();
        reg.ds.setRecNo(7);

        ListReader imp;
        imp.DataSet = &reg.dest;
        imp.ImportMode = TDurvelMode(mode);
        imp.CommitRecCount = 7;
        imp.KeyColumns().Add("Pers_number");
        imp.Formats().BooleanTrue().Add("y");
        for (const char* m : {"Pers_number=1", "Last_Name=2", "Price=3", "Chk=4"})
            imp.Map().Add(QString::fromLatin1(m));
        for (int j = 0; j < 30; ++j) // named people first, then new ones; empty texts too
            imp.Lines << QStringList{key(j < 15 ? "P" : "N", j * 2), j % 4 ? "کریمی" : "",
                                     QString::number(j * 1000), j % 2 ? "y" : "n"};
        QVERIFY(imp.Execute());
        QCOMPARE(imp.ErrorCount(), 0);
        QVERIFY(!reg.dest.writesDirectly());

        // Opened afresh, and read by the statement itself, value by value.
        db::DataSet fresh(c);
        fresh.setSql(sql);
        fresh.open();
        QCOMPARE(reg.ds.fieldCount(), fresh.fieldCount());
        for (int f = 0; f < fresh.fieldCount(); ++f)
            QCOMPARE(reg.ds.field(f).name, fresh.field(f).name);
        QCOMPARE(reg.ds.recordCount(), fresh.recordCount());
        db::Statement st = c->prepare(sql);
        for (int r = 0; st.step(); ++r)
            for (int f = 0; f < fresh.fieldCount(); ++f) {
                const QVariant have = reg.ds.valueAt(r, f);
                const QVariant want = st.value(f, fresh.field(f).type);
                QVERIFY2(have.typeId() == want.typeId() && have == want,
                         qPrintable(QStringLiteral("row %1, field %2").arg(r).arg(f)));
            }
        if (mode != dimUpdate && mode != dimDelete) // the last line is a new person
            QCOMPARE(reg.ds.value(QStringLiteral("id")),
                     c->scalar(QStringLiteral("select max(id) from tbl_customer")));
    }

    // A data set showing part of the table, fed the rows written directly, ends as the same
    // data set does when every step goes through it: the same rows in the same places, values
    // of the same types, the same current record, the same table and row errors. Some of its
    // texts leave out columns, compute one, or show rows the import's new ones do not match.
    void fedDataSetEndsAsRowByRow_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("addType");
        QTest::addColumn<QString>("sql");
        const QList<QPair<const char*, QString>> texts = {
            {"filtered", kRowByRow},
            {"some columns",
             QStringLiteral(
                 "select id, Price, Chk, First_Name, Pers_number from tbl_customer where "
                 "id > 0")},
            {"computed", QStringLiteral("select *, length(First_Name) n from tbl_customer "
                                        "where Chk = 0 order by Pers_number desc")}};
        for (const auto& [textName, sql] : texts)
            for (int m = dimInsertAll; m <= dimDeleteOrInsert; ++m) {
                QTest::addRow("%s, mode %d, append", textName, m) << m << int(datAppend) << sql;
                QTest::addRow("%s, mode %d, insert", textName, m) << m << int(datInsert) << sql;
            }
    }
    void fedDataSetEndsAsRowByRow()
    {
        QFETCH(int, mode);
        QFETCH(int, addType);
        QFETCH(QString, sql);
        auto run = [&](bool directWrites, bool* direct) {
            Register reg(false, sql, directWrites);
            db::Connection* c = reg.connection();
            seed(c, 12);
            c->exec(QStringLiteral("update tbl_customer set Chk = 1 where id % 4 = 0"));
            reg.ds.refresh();
            reg.ds.setRecNo(3);
            ListReader imp;
            keyedInto(imp, reg, mode, addType, 4);
            for (const char* m : {"Pers_number=1", "First_Name=2", "Chk=3", "Price=4"})
                imp.Map().Add(QString::fromLatin1(m));
            imp.Formats().NullValues().Assign(QStringList{"-"});
            imp.Formats().BooleanTrue().Assign(QStringList{"y"});
            imp.Lines = {{"P00002", "نو", "y", "1"},
                         {"N1", "", "n", "-"},
                         {"N2", QString(26, u'x'), "y", ""},
                         {"p00005", "ب", "n", "2.5"},
                         {"N3", QString(), "y", "3"},
                         {"P00009", "-", "y", "4"},
                         {"N4", "😀", "n", "5"},
                         {"N1", "again", "y", "6"}};
            imp.OnImportRecord = [&](TDurvel3*) { *direct = reg.dest.writesDirectly(); };
            imp.Execute();
            QStringList out = stored(c);
            for (int r = 0; r < reg.ds.recordCount(); ++r) {
                QStringList row;
                for (int f = 0; f < reg.ds.fieldCount(); ++f) {
                    const QVariant v = reg.ds.valueAt(r, f);
                    row << QString::fromLatin1(v.typeName()) + u':' + v.toString();
                }
                out << row.join(u'|');
            }
            out << QStringLiteral("current %1").arg(reg.ds.recNo());
            for (const QString& e : imp.Errors().ToStringList())
                out << e.mid(e.indexOf(QStringLiteral(" - Line ")));
            out << QString::number(imp.ImportedCount());
            return out;
        };
        bool direct = false, rowByRow = true;
        const QStringList fed = run(true, &direct);
        const QStringList reference = run(false, &rowByRow);
        QVERIFY(direct);
        QVERIFY(!rowByRow);
        QCOMPARE(fed, reference);
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

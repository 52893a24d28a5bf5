#include "helper_fakes.h"

#include "import/engine/ADO_Durvel3Access.h"
#include "platform/access/AccessDatabase.h"
#include "platform/ini/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestAccess : public QObject
{
    Q_OBJECT

    QString m_samples;
    QTemporaryDir m_dir;

    QString sample(const QString& name) const { return m_samples + u'/' + name; }

    static QList<QStringList> run(TADO_Durvel3Access& imp, const QStringList& fields)
    {
        DurvelCellStore grid(int(fields.size()), 0);
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        for (int i = 0; i < fields.size(); ++i)
            imp.Map().Add(QStringLiteral("%1=%2").arg(i).arg(fields[i]));
        imp.Execute();
        return gridRows(grid);
    }

private slots:
    void initTestCase()
    {
        // The build names the folder; the environment may move it (a worktree elsewhere).
        m_samples =
            qEnvironmentVariable("BANKFILE_SHARED_DIR", QStringLiteral(BANKFILE_SHARED_DIR)) +
            QStringLiteral("/fixtures/access");
        if (!QFileInfo::exists(m_samples + "/nwind.mdb"))
            QSKIP("the Access sample files are not here");
    }

    void tableNamesWithoutSystemTables_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("names");
        // Jet3 text is read in the ANSI page of a Persian system: the "ä" of a Western file
        // shows as the Arabic letter of the same byte.
        QTest::newRow("Jet3") << "nwind.mdb"
                              << QStringList{"Order Details", "Orders",     "Products",
                                             "Shippers",      "Categories", "Customers",
                                             "Employees",     "Suppliers",  "Ums\u0646tze"};
        QTest::newRow("Jet4") << "DateTestDatabase.mdb" << QStringList{"DateTest"};
        QTest::newRow("ACE") << "ASampleDatabase.accdb" << QStringList{"Asset Items"};
    }
    void tableNamesWithoutSystemTables()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, names);
        TADO_Durvel3Access imp;
        imp.SetFileName(sample(file));
        TWideStringList list;
        list.Add(QStringLiteral("stale"));
        imp.GetTableNames(list);
        QCOMPARE(list.ToStringList(), names);
    }

    void fieldTypeNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("Jet3 products")
            << "nwind.mdb"
            << "Products" << QStringList{"ProductID=AutoNumber",     "ProductName=Text(40)",
                                         "SupplierID=Number",        "CategoryID=Number",
                                         "QuantityPerUnit=Text(20)", "UnitPrice=Currency",
                                         "UnitsInStock=Number",      "UnitsOnOrder=Number",
                                         "ReorderLevel=Number",      "Discontinued=Yes/No"};
        QTest::newRow("Jet3 picture and notes")
            << "nwind.mdb"
            << "Categories"
            << QStringList{"CategoryID=AutoNumber", "CategoryName=Text(15)", "Description=Memo",
                           "Picture=Memo"};
        QTest::newRow("Jet4 text sizes in characters")
            << "DateTestDatabase.mdb"
            << "DateTest"
            << QStringList{"IDCol=Number",      "DateTimeCol=Date/Time", "DateCol=Date/Time",
                           "TimeCol=Date/Time", "LongTextCol=Memo",      "ShortTextCol=Text(255)"};
    }
    void fieldTypeNames()
    {
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(QStringList, fields);
        TADO_Durvel3Access imp;
        imp.SetFileName(sample(file));
        imp.TableName = table;
        TWideStringList list;
        imp.GetFieldList(list);
        QCOMPARE(list.ToStringList(), fields);
    }

    void tableWithASpaceAndSkippedRows_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("skip");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QList<QStringList>>("first");
        QTest::addColumn<int>("count");
        QTest::newRow("space in the name")
            << "Order Details" << 0 << QStringList{"OrderID", "ProductID", "UnitPrice"}
            << QList<QStringList>{{"10248", "11", "14"}, {"10248", "42", "9.8"}} << 2155;
        QTest::newRow("one of three skipped")
            << "Shippers" << 1 << QStringList{"ShipperID", "companyname"}
            << QList<QStringList>{{"2", "United Package"}, {"3", "Federal Shipping"}} << 2;
        QTest::newRow("all skipped")
            << "Shippers" << 5 << QStringList{"ShipperID"} << QList<QStringList>{} << 0;
        QTest::newRow("field the table lacks stays empty")
            << "Shippers" << 2 << QStringList{"ShipperID", "Nothing"}
            << QList<QStringList>{{"3", ""}} << 1;
    }
    void tableWithASpaceAndSkippedRows()
    {
        QFETCH(QString, table);
        QFETCH(int, skip);
        QFETCH(QStringList, fields);
        QFETCH(QList<QStringList>, first);
        QFETCH(int, count);
        TADO_Durvel3Access imp;
        imp.SetFileName(sample("nwind.mdb"));
        imp.TableName = table;
        imp.SkipFirstRows = skip;
        QList<int> lines;
        imp.OnBeforePost = [&](TDurvel3* s, TDurvelRow*, bool&) { lines << s->LineCounter(); };
        const QList<QStringList> rows = run(imp, fields);
        QCOMPARE(rows.size(), count);
        QCOMPARE(rows.mid(0, first.size()), first);
        if (count) // skipped records count as lines
            QCOMPARE(lines.first(), skip + 1);
    }

    void datesOfEveryEra()
    {
        TADO_Durvel3Access imp;
        imp.SetFileName(sample("DateTestDatabase.mdb"));
        imp.TableName = QStringLiteral("DateTest");
        imp.Formats().ShortDateFormat = QStringLiteral("yyyy/mm/dd");
        const QList<QStringList> rows =
            run(imp, {"IDCol", "DateTimeCol", "DateCol", "LongTextCol"});
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows[0], (QStringList{"1", "2021/12/02", "2021/12/02", "Hello"}));
        QCOMPARE(rows[1], (QStringList{"2", "9999/01/01", "9999/01/01", "Year 9999"}));
        QCOMPARE(rows[2], (QStringList{"3", "1898/01/01", "1899/01/01", "Pre-1900 years"}));
        QCOMPARE(rows[3], (QStringList{"4", "0632/01/01", "0633/01/01", "Pre-1000 years"}));
        QCOMPARE(rows[5][3], QStringLiteral("New line\r\nin field"));
    }

    void numbersUseTheImportsSeparator()
    {
        TADO_Durvel3Access imp;
        imp.SetFileName(sample("nwind.mdb"));
        imp.SourceType = isSQL;
        imp.SQL().Add(QStringLiteral("select ProductID, Discount, UnitPrice"));
        imp.SQL().Add(QStringLiteral("from [Order Details] where OrderID = 10262;"));
        imp.Formats().DecimalSeparator = u',';
        QCOMPARE(run(imp, {"ProductID", "Discount", "UnitPrice"}).first(),
                 (QStringList{"5", "0,2", "17"}));
    }

    void selectWhere_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("like") << "select ProductID from Products where ProductName like 'Ch%'"
                              << QStringList{"1", "2", "4", "5", "39", "48"};
        QTest::newRow("and") << "SELECT * FROM Products WHERE CategoryID = 2 AND ProductID < 6"
                             << QStringList{"3", "4", "5"};
        QTest::newRow("words inside a value are data")
            << "select ProductID from Products where ProductName = 'Order By Join'"
            << QStringList{};
    }
    void selectWhere()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, ids);
        TADO_Durvel3Access imp;
        imp.SetFileName(sample("nwind.mdb"));
        imp.SourceType = isSQL;
        imp.SQL().Add(sql);
        QStringList got;
        for (const QStringList& r : run(imp, {"productid"}))
            got << r.value(0);
        QCOMPARE(got, ids);
    }

    void queriesTheLibraryCannotRunAreRefused_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("join") << "select * from Orders o inner join Customers c on o.CustomerID "
                                 "= c.CustomerID";
        QTest::newRow("two tables") << "select * from Orders, Customers";
        QTest::newRow("ordering") << "select * from Products order by ProductName";
        QTest::newRow("grouping") << "select CategoryID from Products group by CategoryID";
        QTest::newRow("currency condition") << "select * from Products where UnitPrice > 50";
        QTest::newRow("not a select") << "delete from Products";
        QTest::newRow("no such column") << "select Nothing from Products";
    }
    void queriesTheLibraryCannotRunAreRefused()
    {
        QFETCH(QString, sql);
        TADO_Durvel3Access imp;
        imp.SetFileName(sample("nwind.mdb"));
        imp.SourceType = isSQL;
        imp.SQL().Add(sql);
        try {
            run(imp, {"ProductID"});
            QFAIL("ran");
        } catch (const EDurvelError& e) {
            QVERIFY2(e.message().contains(sql), qPrintable(e.message()));
        }
    }

    void encryptedOrDamagedFileIsRefused()
    {
        QFile in(sample("ASampleDatabase.accdb"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        // Pages after the header unreadable, as encryption leaves them.
        for (qsizetype i = 4096; i < bytes.size(); ++i)
            bytes[i] = char(bytes[i] ^ char(i * 131 + 7));
        const QString path = m_dir.filePath(QStringLiteral("locked.accdb"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        TADO_Durvel3Access imp;
        imp.SetFileName(path);
        imp.TableName = QStringLiteral("Asset Items");
        try {
            run(imp, {"Make"});
            QFAIL("read");
        } catch (const EDurvelError& e) {
            QVERIFY2(e.message().contains(QLatin1String("encrypted")), qPrintable(e.message()));
        }
        TWideStringList names;
        QVERIFY_THROWS_EXCEPTION(AccessError, imp.GetTableNames(names));
    }

    void templateKeepsTheSourceButNotThePassword()
    {
        const QString path = m_dir.filePath(QStringLiteral("t.ini"));
        {
            TADO_Durvel3Access imp;
            imp.SetFileName(sample("nwind.mdb"));
            imp.SourceType = isSQL;
            imp.TableName = QStringLiteral("Order Details");
            imp.SkipFirstRows = 4;
            imp.Password = QStringLiteral("secret");
            imp.SQL().Add(QStringLiteral("select *"));
            imp.SQL().Add(QStringLiteral("from Products"));
            IniFile ini(path);
            imp.SaveTemplateSections(ini);
            ini.save();
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains("secret"));
        IniFile ini(path);
        TADO_Durvel3Access back;
        back.LoadTemplateSections(ini);
        QCOMPARE(back.SourceType, isSQL);
        QCOMPARE(back.TableName, QStringLiteral("Order Details"));
        QCOMPARE(back.SkipFirstRows, 4);
        QCOMPARE(back.SQL().ToStringList(), (QStringList{"select *", "from Products"}));
        QCOMPARE(ini.keys(QStringLiteral("SQL")), (QStringList{"Line001", "Line002"}));
    }
};

QTEST_GUILESS_MAIN(TestAccess)
#include "test_access.moc"

#include "helper_fakes.h"
#include "helper_register.h"

#include "import/engine/ADO_Durvel3Access.h"
#include "platform/access/AccessDatabase.h"
#include "platform/access/AccessHelper.h"
#include "platform/access/AccessWire.h"
#include "platform/ini/IniFile.h"
#include "tests/support/AccessSamples.h"
#include "tests/support/TestFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <zlib.h>

using ByteChanges = QList<QPair<int, int>>;

namespace {

// Files kept gzipped (the fuzzer's inputs) come back as they were.
QByteArray readAll(const QString& path)
{
    if (!path.endsWith(QLatin1String(".gz"))) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray out;
    gzFile f = gzopen(QFile::encodeName(path).constData(), "rb");
    if (!f)
        return out;
    char buf[16384];
    int n;
    while ((n = gzread(f, buf, sizeof buf)) > 0)
        out.append(buf, n);
    gzclose(f);
    return out;
}

// The first memo of the date sample ("Hello", kept inside its row) becomes Text, stored along a
// chain of pages added at the end of the file, the way Access keeps long values.
bool chainFirstMemo(QByteArray& file, const QString& text)
{
    constexpr int Page = 4096;
    const qsizetype at =
        file.indexOf(QByteArray::fromHex("070000800000000000000000fffe48656c6c6f"));
    if (at < 0 || file.size() % Page != 0)
        return false;
    const QByteArray data(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    quint32 page = quint32(file.size() / Page);
    qToLittleEndian<quint32>(quint32(data.size()), file.data() + at);
    qToLittleEndian<quint32>(page << 8, file.data() + at + 4);
    for (qsizetype done = 0; done < data.size(); ++page) {
        // One row a page: the next page's place, then the bytes; the row runs to the page's end.
        const qsizetype chunk = qMin<qsizetype>(Page - 20, data.size() - done);
        const int start = Page - int(chunk) - 4;
        QByteArray p(Page, '\0');
        p[0] = 1;
        p[1] = 1;
        qToLittleEndian<quint16>(1, p.data() + 12);
        qToLittleEndian<quint16>(quint16(start), p.data() + 14);
        const bool last = done + chunk == data.size();
        qToLittleEndian<quint32>(last ? 0 : (page + 1) << 8, p.data() + start);
        std::memcpy(p.data() + start + 4, data.constData() + done, size_t(chunk));
        file += p;
        done += chunk;
    }
    return true;
}

// A copy of a sample given a password: the samples keep none, so each stored byte of the
// password's place is the header's masking alone, and XOR-ing the password's bytes (8-bit for
// Jet3, UTF-16 after) into them gives the header of a file with that password.
QByteArray withPassword(QByteArray file, const QString& password)
{
    const QByteArray bytes =
        file[0x14] == 0
            ? password.toLatin1()
            : QByteArray(reinterpret_cast<const char*>(password.utf16()), password.size() * 2);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        file[0x42 + i] = char(file[0x42 + i] ^ bytes[i]);
    return file;
}

struct Damage
{
    QString file;
    QString table;
    QStringList fields;
};

} // namespace

Q_DECLARE_METATYPE(Damage)

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

    // Imports Table into Reg through the map; the message the import fails with, or empty.
    static QString importInto(Register& reg, const QString& path, const QString& table,
                              const QStringList& map, int* written = nullptr)
    {
        TADO_Durvel3Access imp;
        imp.SetFileName(path);
        imp.TableName = table;
        imp.ImportDestination = didDataSet;
        imp.DataSet = &reg.dest;
        for (const QString& pair : map)
            imp.Map().Add(pair);
        if (written)
            imp.OnAfterPost = [written](TDurvel3*, TDurvelRow*) { ++*written; };
        try {
            imp.Execute();
        } catch (const EDurvelError& e) {
            return e.message();
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        m_samples = AccessSamplesDir();
        if (m_samples.isEmpty())
            QSKIP("the Access sample files are not here");
    }

    void tableNamesWithoutSystemTables_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("names");
        // Jet3 text is read in the code page the file names: a Western one here.
        QTest::newRow("Jet3") << "nwind.mdb"
                              << QStringList{"Order Details", "Orders",     "Products",
                                             "Shippers",      "Categories", "Customers",
                                             "Employees",     "Suppliers",  "Ums\u00e4tze"};
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

    void longMemosAreWhole()
    {
        QByteArray bytes = readAll(sample("DateTestDatabase.mdb"));
        // Well past 64 KiB however it is encoded; numbered, so a lost or repeated page shows.
        QString text;
        for (int i = 0; text.size() < 45'000; ++i)
            text += QStringLiteral("حقوق کارمند شماره %1، ").arg(i);
        QVERIFY(chainFirstMemo(bytes, text));
        const QString path = WriteTestFile(m_dir.filePath(QStringLiteral("long.mdb")), bytes);

        AccessDatabase db(path);
        const auto cursor = db.openTable(QStringLiteral("DateTest"));
        const int memo = cursor->indexOf(QStringLiteral("LongTextCol"));
        QVERIFY(cursor->next());
        const QString got = cursor->value(memo).toString();
        QCOMPARE(got.size(), text.size());
        QCOMPARE(got, text);
        // The row's other values and the next rows are still read from their own pages.
        QCOMPARE(cursor->value(cursor->indexOf(QStringLiteral("ShortTextCol"))).toString(),
                 QStringLiteral("Hello"));
        QVERIFY(cursor->next());
        QCOMPARE(cursor->value(memo).toString(), QStringLiteral("Year 9999"));
    }

    // An OLE object comes as its bytes, header first, however many pages a picture runs over.
    void oleObjectsAreTheirBytes()
    {
        TADO_Durvel3Access imp;
        imp.SetFileName(sample("nwind.mdb"));
        imp.TableName = QStringLiteral("Categories");
        const QList<QStringList> rows = run(imp, {"Picture", "CategoryName"});
        QCOMPARE(rows.size(), 8);
        for (const QStringList& row : rows)
            QVERIFY2(row[0].startsWith(QLatin1String("151c")) && row[0].size() > 2 * 8192,
                     qPrintable(row[1] + u' ' + row[0].left(16)));
        QCOMPARE(rows.first()[1], QStringLiteral("Beverages"));
        QCOMPARE(rows.last()[1], QStringLiteral("Seafood"));
    }

    void theRowCountIsTheTotal_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("skip");
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("rows");
        QTest::newRow("table") << int(isTable) << "Order Details" << 0 << 0 << 2155 << 2155;
        QTest::newRow("skipped rows are not handed on")
            << int(isTable) << "Shippers" << 1 << 0 << 2 << 2;
        QTest::newRow("more skipped than there are")
            << int(isTable) << "Shippers" << 9 << 0 << 0 << 0;
        QTest::newRow("capped by the record count")
            << int(isTable) << "Order Details" << 0 << 100 << 100 << 100;
        QTest::newRow("skipped rows do not use up the record count")
            << int(isTable) << "Order Details" << 3 << 5 << 5 << 5;
        QTest::newRow("query with a condition")
            << int(isSQL) << "select ProductID from Products where ProductName like 'Ch%'" << 0 << 0
            << 6 << 6;
        QTest::newRow("query with a limit")
            << int(isSQL) << "select * from Products where CategoryID = 2 limit 4" << 0 << 0 << 4
            << 4;
    }
    void theRowCountIsTheTotal()
    {
        QFETCH(int, source);
        QFETCH(QString, text);
        QFETCH(int, skip);
        QFETCH(int, cap);
        QFETCH(int, total);
        QFETCH(int, rows);
        TADO_Durvel3Access imp;
        imp.SetFileName(sample("nwind.mdb"));
        imp.SourceType = TDurvelAccessSourceType(source);
        if (source == isTable)
            imp.TableName = text;
        else
            imp.SQL().Add(text);
        imp.SkipFirstRows = skip;
        imp.ImportRecCount = cap;
        int reported = -1;
        imp.OnBeforeImport = [&](TDurvel3* s) { reported = s->TotalRecCount(); };
        QCOMPARE(run(imp, {"ProductID"}).size(), rows);
        QCOMPARE(reported, total);
    }

    // Inputs on which the library crashes or asks for gigabytes when it opens the file: a
    // sample with a few bytes changed, or a small file the fuzzer made.
    void damagedFilesAreAMessage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<ByteChanges>("changes");
        QTest::addColumn<QString>("kind");
        QTest::newRow("catalogue asks for gigabytes")
            << sample("DateTestDatabase.mdb") << ByteChanges{{0x248e2, 0x13}} << "memory";
        QTest::newRow("catalogue asks for gigabytes, in three places")
            << sample("DateTestDatabase.mdb")
            << ByteChanges{{0x322e, 0x67}, {0xf705, 0x51}, {0x24c9e, 0x49}} << "memory";
        // The library's small allocations fail where they cannot even report it.
        QTest::newRow("catalogue uses up the memory in small pieces")
            << QStringLiteral(BANKFILE_TEST_DATA "/access/catalogue-slices-oom.mdb.gz")
            << ByteChanges{} << "memory";
        QTest::newRow("catalogue crashes the library")
            << QStringLiteral(BANKFILE_TEST_DATA "/access/catalogue-crash.mdb.gz") << ByteChanges{}
            << "crash";
        QTest::newRow("catalogue properties crash the library")
            << QStringLiteral(BANKFILE_TEST_DATA "/access/catalogue-properties-crash.mdb.gz")
            << ByteChanges{} << "damaged";
    }
    void damagedFilesAreAMessage()
    {
        QFETCH(QString, file);
        QFETCH(ByteChanges, changes);
        QFETCH(QString, kind);
        QByteArray bytes = readAll(file);
        QVERIFY(!bytes.isEmpty());
        for (const auto& [at, value] : changes)
            bytes[at] = char(value);
        const QString path = WriteTestFile(
            m_dir.filePath(QStringLiteral("damaged-") + QFileInfo(file).completeBaseName()), bytes);
        // A smaller cap only ends the runaway allocation sooner.
        AccessHelper::limits().memoryBytes = 96 << 20;
        const auto restore = qScopeGuard([] { AccessHelper::limits() = AccessHelper::Limits(); });

        Register reg;
        QElapsedTimer t;
        t.start();
        const QString message = importInto(reg, path, QStringLiteral("DateTest"), {"Pers_number=ID"});
        if (kind == QLatin1String("memory"))
            QCOMPARE(message, AccessDatabase::memoryLimitMessage(path));
        else if (kind == QLatin1String("crash"))
            QCOMPARE(message, AccessDatabase::crashedMessage(path, QStringLiteral("signal 11")));
        else
            QVERIFY2(message.contains(QLatin1String(" is damaged: ")), qPrintable(message));
        QVERIFY(t.elapsed() < 30'000);
        QCOMPARE(reg.count(), 0);
        TADO_Durvel3Access imp;
        imp.SetFileName(path);
        TWideStringList names;
        QVERIFY_THROWS_EXCEPTION(AccessError, imp.GetTableNames(names));
    }

    void aFileFoundDamagedWhileReadingStoresNothing()
    {
        // The real helper, cut off part way through the rows as a crash would leave it.
        const QString real = AccessHelper::programPath();
        const QString fake = WriteTestScript(
            m_dir.filePath(QStringLiteral("cut-helper")),
            "\"" + QFile::encodeName(real) + "\" \"$@\" | head -c 30000\nkill -SEGV $$");
        qputenv("BANKFILE_ACCESS_HELPER", QFile::encodeName(fake));
        const auto restore = qScopeGuard([] { qunsetenv("BANKFILE_ACCESS_HELPER"); });

        Register reg;
        int written = 0;
        QCOMPARE(importInto(reg, sample("nwind.mdb"), QStringLiteral("Orders"),
                            {"Pers_number=OrderID", "First_Name=ShipName"}, &written),
                 AccessDatabase::crashedMessage(sample("nwind.mdb"), QStringLiteral("signal 11")));
        QVERIFY2(written > 10, qPrintable(QString::number(written)));
        QCOMPARE(reg.count(), 0);
    }

    // Copies of the samples cut short, or with a page overwritten: each imports whole or stops
    // with a message and keeps nothing, never a success with rows missing.
    void damagedCopiesImportWholeOrNothing_data()
    {
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("step"); // every this many 4 KiB pages
        const Damage jet4{sample("DateTestDatabase.mdb"), QStringLiteral("DateTest"),
                          {"IDCol", "ShortTextCol", "LongTextCol"}};
        const Damage ace{sample("ASampleDatabase.accdb"), QStringLiteral("Asset Items"),
                         {"Asset No", "Make", "Comments"}};
        const Damage jet3{sample("nwind.mdb"), QStringLiteral("Orders"), {"OrderID", "ShipName"}};
        QTest::newRow("Jet4, every cut") << jet4 << "cut" << 1;
        QTest::newRow("ACE, every cut") << ace << "cut" << 1;
        QTest::newRow("Jet3, every fifteenth cut") << jet3 << "cut" << 15;
        QTest::newRow("Jet4, every page overwritten") << jet4 << "zeros" << 1;
        QTest::newRow("ACE, every page overwritten") << ace << "zeros" << 1;
        QTest::newRow("Jet3, every seventeenth page overwritten") << jet3 << "zeros" << 17;
        QTest::newRow("Jet4, cut within a page") << jet4 << "odd" << 9;
    }
    void damagedCopiesImportWholeOrNothing()
    {
        QFETCH(Damage, damage);
        QFETCH(QString, how);
        QFETCH(int, step);
        constexpr int Page = 4096;
        const QByteArray bytes = readAll(damage.file);
        // Into a grid, which keeps whatever reached it: a refused file leaves it empty.
        const auto attempt = [&](const QString& path, QString* message) {
            TADO_Durvel3Access imp;
            imp.SetFileName(path);
            imp.TableName = damage.table;
            try {
                return run(imp, damage.fields);
            } catch (const EDurvelError& e) {
                *message = e.message();
            }
            return QList<QStringList>();
        };
        QString none;
        const QList<QStringList> whole = attempt(damage.file, &none);
        QVERIFY(!whole.isEmpty() && none.isEmpty());
        QStringList faults;
        int refused = 0;
        for (int page = 1; page < bytes.size() / Page; page += step) {
            QByteArray altered = bytes;
            if (how == QLatin1String("cut"))
                altered.truncate(qsizetype(page) * Page);
            else if (how == QLatin1String("odd"))
                altered.truncate(qsizetype(page) * Page + 1000);
            else
                std::memset(altered.data() + qsizetype(page) * Page, 0, Page);
            const QString path = WriteTestFile(m_dir.filePath(QStringLiteral("damaged")), altered);
            QString message;
            const QList<QStringList> rows = attempt(path, &message);
            if (message.isEmpty() ? rows != whole : !rows.isEmpty())
                faults << QStringLiteral("%1 at %2: %3 rows, message \"%4\"")
                              .arg(how)
                              .arg(qsizetype(page) * Page)
                              .arg(rows.size())
                              .arg(message);
            refused += message.isEmpty() ? 0 : 1;
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
        // Most of them are damage that shows.
        QVERIFY(refused > 0);
    }

    void aPasswordOpensTheFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("rows");
        QTest::newRow("Jet3") << "nwind.mdb" << "Shippers" << "CompanyName" << "Geheim97" << 3;
        QTest::newRow("Jet4") << "DateTestDatabase.mdb" << "DateTest" << "ShortTextCol"
                              << "گذرواژه" << 6;
    }
    void aPasswordOpensTheFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(QString, password);
        QFETCH(int, rows);
        const QString path = WriteTestFile(m_dir.filePath(QStringLiteral("locked-") + file),
                                           withPassword(readAll(sample(file)), password));
        const auto importWith = [&](const QString& given, QString* message) {
            TADO_Durvel3Access imp;
            imp.SetFileName(path);
            imp.TableName = table;
            imp.Password = given;
            try {
                return run(imp, {field}).size();
            } catch (const EDurvelError& e) {
                *message = e.message();
                return qsizetype(-1);
            }
        };
        QString message;
        QCOMPARE(importWith(password, &message), rows);
        QCOMPARE(importWith(QString(), &message), -1);
        QVERIFY2(message.contains(QLatin1String("is protected by a password")), qPrintable(message));
        QCOMPARE(importWith(password + u'!', &message), -1);
        QVERIFY2(message.contains(QLatin1String("is not its password")), qPrintable(message));

        // The wizard's lists need it as well.
        TADO_Durvel3Access imp;
        imp.SetFileName(path);
        imp.TableName = table;
        TWideStringList names;
        QVERIFY_THROWS_EXCEPTION(AccessError, imp.GetTableNames(names));
        imp.Password = password;
        imp.GetTableNames(names);
        QVERIFY(names.IndexOf(table) >= 0);
        TWideStringList fields;
        imp.GetFieldList(fields);
        QVERIFY(fields.Count() > 0);
    }

    // A file without a password opens whatever is given; one encrypted beyond its password
    // stays refused whatever is given.
    void aFileWithoutAPasswordOpensWithAny()
    {
        TADO_Durvel3Access imp;
        imp.SetFileName(sample("nwind.mdb"));
        imp.TableName = QStringLiteral("Shippers");
        imp.Password = QStringLiteral("anything");
        QCOMPARE(run(imp, {"CompanyName"}).size(), 3);
    }

    // The helper counts for long: the host's window is kept alive while the program waits, and
    // a cancel the user confirms ends the wait with nothing written.
    void aCancelEndsTheWaitForTheCount()
    {
        const QString tables = WriteTestFile(
            m_dir.filePath(QStringLiteral("tables.bin")),
            accesswire::databaseFrame(AccessVersion::Jet4, {QStringLiteral("T")}));
        const QString columns = WriteTestFile(
            m_dir.filePath(QStringLiteral("columns.bin")),
            accesswire::columnsFrame({{QStringLiteral("ID"), AccessColumn::Kind::Integer, 0}}) +
                accesswire::progressFrame(1000));
        const QString fake = WriteTestScript(
            m_dir.filePath(QStringLiteral("counting-helper")),
            "if [ \"$5\" = tables ]; then cat '" + QFile::encodeName(tables) + "'; else cat '" +
                QFile::encodeName(columns) + "'; exec sleep 30; fi");
        qputenv("BANKFILE_ACCESS_HELPER", QFile::encodeName(fake));
        const auto restore = qScopeGuard([] { qunsetenv("BANKFILE_ACCESS_HELPER"); });
        const QString file = WriteTestFile(m_dir.filePath(QStringLiteral("big.mdb")), "x");

        Register reg;
        TADO_Durvel3Access imp;
        imp.SetFileName(file);
        imp.TableName = QStringLiteral("T");
        imp.ImportDestination = didDataSet;
        imp.DataSet = &reg.dest;
        imp.Map().Add(QStringLiteral("Pers_number=ID"));
        // A cancel left by an earlier run is not taken for this one's.
        imp.Cancel();
        int yields = 0;
        imp.SetYieldHandler(
            [&] {
                if (++yields == 5)
                    imp.Cancel();
            },
            0);
        bool asked = false;
        imp.OnImportCancel = [&](TDurvel3*, bool& Continue) {
            asked = true;
            Continue = false;
        };
        QElapsedTimer t;
        t.start();
        imp.Execute();
        QVERIFY(t.elapsed() < 5'000);
        QVERIFY(asked);
        QVERIFY(imp.Canceled());
        QCOMPARE(yields, 5);
        QCOMPARE(reg.count(), 0);
    }

    // Among the rows a slow helper is waited on with the window alive, and a cancel is the
    // loop's own: the import ends cancelled, not failed.
    void aCancelAmongTheRowsIsTheLoops()
    {
        const QString tables = WriteTestFile(
            m_dir.filePath(QStringLiteral("tables2.bin")),
            accesswire::databaseFrame(AccessVersion::Jet4, {QStringLiteral("T")}));
        const QString first = WriteTestFile(
            m_dir.filePath(QStringLiteral("first.bin")),
            accesswire::columnsFrame({{QStringLiteral("ID"), AccessColumn::Kind::Integer, 0}}) +
                accesswire::countFrame(3) + accesswire::rowFrame({qint64(1)}));
        const QString rest = WriteTestFile(
            m_dir.filePath(QStringLiteral("rest.bin")),
            accesswire::rowFrame({qint64(2)}) + accesswire::rowFrame({qint64(3)}) +
                accesswire::endFrame());
        const QString fake = WriteTestScript(
            m_dir.filePath(QStringLiteral("slow-rows-helper")),
            "if [ \"$5\" = tables ]; then cat '" + QFile::encodeName(tables) + "'; else cat '" +
                QFile::encodeName(first) + "'; sleep 1; cat '" + QFile::encodeName(rest) +
                "'; fi");
        qputenv("BANKFILE_ACCESS_HELPER", QFile::encodeName(fake));
        const auto restore = qScopeGuard([] { qunsetenv("BANKFILE_ACCESS_HELPER"); });
        const QString file = WriteTestFile(m_dir.filePath(QStringLiteral("slow.mdb")), "x");

        TADO_Durvel3Access imp;
        imp.SetFileName(file);
        imp.TableName = QStringLiteral("T");
        int yields = 0;
        int asked = 0;
        imp.OnImportCancel = [&](TDurvel3*, bool& Continue) {
            ++asked;
            Continue = false;
        };
        imp.SetYieldHandler(
            [&] {
                // Once the first row is in, while the helper pauses.
                if (++yields == 3)
                    imp.Cancel();
            },
            0);
        const QList<QStringList> rows = run(imp, {"ID"});
        QVERIFY(imp.Canceled());
        QCOMPARE(asked, 1);
        QCOMPARE(rows, (QList<QStringList>{{"1"}}));
    }

    // A helper that dies after its first frames: what was committed before stays, and the
    // import says how many rows those are; the rest goes back.
    void aHelperDyingAfterCommitsKeepsWhatWasCommitted()
    {
        const QString real = AccessHelper::programPath();
        const QString fake = WriteTestScript(
            m_dir.filePath(QStringLiteral("dying-helper")),
            "\"" + QFile::encodeName(real) + "\" \"$@\" | head -c 30000\nkill -SEGV $$");
        qputenv("BANKFILE_ACCESS_HELPER", QFile::encodeName(fake));
        const auto restore = qScopeGuard([] { qunsetenv("BANKFILE_ACCESS_HELPER"); });

        Register reg;
        TADO_Durvel3Access imp;
        imp.SetFileName(sample("nwind.mdb"));
        imp.TableName = QStringLiteral("Orders");
        imp.ImportDestination = didDataSet;
        imp.DataSet = &reg.dest;
        imp.CommitRecCount = 50;
        imp.Map().Add(QStringLiteral("Pers_number=OrderID"));
        imp.Map().Add(QStringLiteral("First_Name=ShipName"));
        try {
            imp.Execute();
            QFAIL("imported");
        } catch (const EDurvelError& e) {
            QCOMPARE(e.message(), AccessDatabase::crashedMessage(sample("nwind.mdb"),
                                                                 QStringLiteral("signal 11")));
        }
        QVERIFY2(reg.count() >= 50, qPrintable(QString::number(reg.count())));
        QCOMPARE(imp.KeptCount(), reg.count());
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

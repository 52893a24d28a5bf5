#include "helper_fakes.h"

#include "import/engine/DBFRead.h"
#include "import/engine/Durvel3DBF.h"
#include "platform/codepage/CodePage.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

struct FieldDef
{
    QByteArray name;
    char type;
    int length;
};

// A table file as the bytes a dBase program writes: header, descriptors, 0x0D, records, 0x1A.
QByteArray tableBytes(quint8 version, const QList<FieldDef>& fields,
                      const QList<QList<QByteArray>>& records, const QList<bool>& deleted = {},
                      int backlink = 0, int claimedRecords = -1)
{
    int recordLength = 1;
    for (const FieldDef& f : fields)
        recordLength += f.length;
    const int headerLength = 32 + 32 * int(fields.size()) + 1 + backlink;
    QByteArray out(32, '\0');
    out[0] = char(version);
    qToLittleEndian<quint32>(quint32(claimedRecords < 0 ? records.size() : claimedRecords),
                             out.data() + 4);
    qToLittleEndian<quint16>(quint16(headerLength), out.data() + 8);
    qToLittleEndian<quint16>(quint16(recordLength), out.data() + 10);
    for (const FieldDef& f : fields) {
        QByteArray d(32, '\0');
        d.replace(0, f.name.size(), f.name);
        d[11] = f.type;
        d[16] = char(f.length);
        out += d;
    }
    out += '\x0D';
    out += QByteArray(backlink, '\0');
    for (int r = 0; r < records.size(); ++r) {
        out += deleted.value(r) ? '*' : ' ';
        for (int i = 0; i < fields.size(); ++i) {
            QByteArray v = records[r].value(i).left(fields[i].length);
            out += v + QByteArray(fields[i].length - v.size(), ' ');
        }
    }
    out += '\x1A';
    return out;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

// A FoxPro memo file with block size 64: memo i (from 1) of Memos at block i.
QByteArray fptBytes(const QList<std::pair<quint32, QByteArray>>& memos, quint32 lengthOverride = 0)
{
    QByteArray out(512, '\0');
    out[7] = 64; // block size 64, big-endian at 6-7
    for (const auto& [type, text] : memos) {
        while (out.size() % 64)
            out += '\0';
        out += be32(type) + be32(lengthOverride ? lengthOverride : quint32(text.size())) + text;
    }
    out.replace(0, 4, be32(quint32((out.size() + 63) / 64))); // the next free block
    return out;
}

QString dbfRun(const QString& script, const QString& folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script});
    if (!p.waitForFinished(60000))
        return QStringLiteral("python did not finish");
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError());
}

} // namespace

class TestDbf : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    QString folder()
    {
        const QString path = m_dir.filePath(QString::number(++m_count));
        QDir().mkpath(path);
        return path;
    }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QList<QStringList> run(TDurvel3DBF& imp, const QStringList& fields)
    {
        DurvelCellStore grid(int(fields.size()), 0);
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        for (int i = 0; i < fields.size(); ++i)
            imp.Map().Add(QStringLiteral("%1=%2").arg(i).arg(fields[i]));
        imp.Execute();
        return gridRows(grid);
    }
    static int errorCode(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const EDBFError& e) {
            return e.Code();
        }
        return 0;
    }

private slots:
    void initTestCase()
    {
        const QString err = dbfRun(QStringLiteral("import dbf"), m_dir.path());
        if (!err.isEmpty())
            qWarning("python3-dbf is missing; the tables it writes are not tested");
    }

    void tablesOtherProgramsWrite_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("types");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("dBase III, memo over three blocks")
            << "import dbf, datetime\n"
               "t = dbf.Table('t.dbf', 'NAME C(20); NOTE M; BORN D; AMT N(10,2)', dbf_type='db3',"
               " codepage='cp1256')\n"
               "t.open(dbf.READ_WRITE)\n"
               "t.append(('\u0639\u0644\u064a', 'ab' * 700, datetime.date(2001, 2, 3), 12.5))\n"
               "t.append(('Reza', '', None, 0))\n"
               "t.close()\n"
            << QStringList{"NAME", "NOTE", "BORN", "AMT"} << "CMDN"
            << QList<QStringList>{
                   {QString::fromUtf8("علي"), QString("ab").repeated(700), "2001/02/03", "12.50"},
                   {"Reza", "", "", "0.00"}};
        QTest::newRow("Visual FoxPro, binary fields and a memo")
            << "import dbf, datetime\n"
               "t = dbf.Table('t.dbf', 'NAME C(20); CNT I; PRICE Y; WHEN T; RATE B; NOTE M',"
               " dbf_type='vfp', codepage='cp1256')\n"
               "t.open(dbf.READ_WRITE)\n"
               "t.append(('Ali', -5, 12.5, datetime.datetime(2020, 5, 6, 7, 8, 9), 1.25,"
               " '\u0633\u0644\u0627\u0645'))\n"
               "t.append(('B', 123456789, -0.5, datetime.datetime(1850, 1, 2), -3e100, ''))\n"
               "t.close()\n"
            << QStringList{"NAME", "CNT", "PRICE", "WHEN", "RATE", "NOTE"} << "CIYTBM"
            << QList<QStringList>{
                   {"Ali", "-5", "12.5", "2020/05/06 07:08:09", "1.25", QString::fromUtf8("سلام")},
                   {"B", "123456789", "-0.5", "1850/01/02", "-3" + QString(100, u'0'), ""}};
    }
    void tablesOtherProgramsWrite()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, fields);
        QFETCH(QString, types);
        QFETCH(QList<QStringList>, rows);
        const QString dir = folder();
        const QString err = dbfRun(script, dir);
        if (err.contains(QLatin1String("No module named")))
            QSKIP("python3-dbf is not installed");
        QVERIFY2(err.isEmpty(), qPrintable(err));

        TDBFRead table(dir + "/t.dbf");
        QCOMPARE(table.FieldCount(), fields.size()); // no descriptors read from the backlink area
        for (int i = 0; i < fields.size(); ++i) {
            QCOMPARE(table.GetFieldName(i), fields[i]);
            QCOMPARE(table.FieldType(i), types.at(i));
        }
        TDurvel3DBF imp;
        imp.SetFileName(dir + "/t.dbf");
        QCOMPARE(run(imp, fields), rows);
    }

    void deletedAndSkippedRecords_data()
    {
        QTest::addColumn<bool>("skipDeleted");
        QTest::addColumn<int>("skipFirst");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("deleted left out") << true << 0 << QStringList{"a", "c", "d"};
        QTest::newRow("deleted read") << false << 0 << QStringList{"a", "b", "c", "d"};
        QTest::newRow("first two skipped") << true << 2 << QStringList{"c", "d"};
        QTest::newRow("first two skipped, deleted read")
            << false << 1 << QStringList{"b", "c", "d"};
    }
    void deletedAndSkippedRecords()
    {
        QFETCH(bool, skipDeleted);
        QFETCH(int, skipFirst);
        QFETCH(QStringList, names);
        const QString path = folder() + "/d.dbf";
        write(path, tableBytes(0x03, {{"NAME", 'C', 5}}, {{"a"}, {"b"}, {"c"}, {"d"}},
                               {false, true, false, false}));
        TDurvel3DBF imp;
        imp.SetFileName(path);
        imp.SkipDeleted = skipDeleted;
        imp.SkipFirstRows = skipFirst;
        QStringList got;
        for (const QStringList& r : run(imp, {"NAME"}))
            got << r.value(0);
        QCOMPARE(got, names);
    }

    // With "," as the decimal separator and "." between thousands, a table's 1234.56 is read
    // as 1234,56, never as 123456; binary numbers come without an exponent.
    void numbersTakeTheImportsSeparators_data()
    {
        QTest::addColumn<quint8>("version");
        QTest::addColumn<char>("type");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("fieldType");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("N into a float")
            << quint8(0x03) << 'N' << QByteArray("   1234.56") << int(ftFloat) << QVariant(1234.56);
        QTest::newRow("N into text") << quint8(0x03) << 'N' << QByteArray("   1234.50")
                                     << int(ftWideString) << QVariant("1234,50");
        QTest::newRow("N into an integer")
            << quint8(0x03) << 'N' << QByteArray("  98765.00") << int(ftInteger) << QVariant(98765);
        double big = 1e20;
        QByteArray b(8, '\0');
        qToLittleEndian(big, b.data());
        QTest::newRow("FoxPro B into text")
            << quint8(0x30) << 'B' << b << int(ftWideString) << QVariant("100000000000000000000");
        QTest::newRow("FoxPro Y into text")
            << quint8(0x30) << 'Y' << QByteArray("\x50\xC3\0\0\0\0\0\0", 8) << int(ftWideString)
            << QVariant("5");
    }
    void numbersTakeTheImportsSeparators()
    {
        QFETCH(quint8, version);
        QFETCH(char, type);
        QFETCH(QByteArray, stored);
        QFETCH(int, fieldType);
        QFETCH(QVariant, value);
        const QString path = folder() + "/n.dbf";
        write(path, tableBytes(version, {{"AMT", type, int(stored.size())}}, {{stored}}));
        FakeDataSet ds({{"Amount", TDurvelFieldType(fieldType)}});
        TDurvel3DBF imp;
        imp.SetFileName(path);
        imp.DataSet = &ds;
        imp.Map().Add("Amount=AMT");
        imp.Formats().DecimalSeparator = u',';
        imp.Formats().ThousandSeparator = u'.';
        QStringList errors;
        imp.OnImportErrorAdv = [&](TDurvel3* s) { errors << s->LastErrorText(); };
        QVERIFY(imp.Execute());
        QCOMPARE(errors, QStringList());
        QCOMPARE(ds.rows.size(), 1);
        QCOMPARE(ds.rows.at(0).at(0), value);
    }

    // The record cap counts rows written, not records skipped or deleted.
    void recordCapCountsRowsWritten_data()
    {
        QTest::addColumn<int>("skipFirst");
        QTest::addColumn<int>("cap");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("skip 2, import 2") << 2 << 2 << QStringList{"c", "e"};
        QTest::newRow("deleted passed over") << 0 << 2 << QStringList{"a", "c"};
        QTest::newRow("cap past the end") << 1 << 9 << QStringList{"c", "e"};
    }
    void recordCapCountsRowsWritten()
    {
        QFETCH(int, skipFirst);
        QFETCH(int, cap);
        QFETCH(QStringList, names);
        const QString path = folder() + "/c.dbf";
        write(path, tableBytes(0x03, {{"NAME", 'C', 5}}, {{"a"}, {"b"}, {"c"}, {"d"}, {"e"}},
                               {false, true, false, true, false}));
        TDurvel3DBF imp;
        imp.SetFileName(path);
        imp.SkipFirstRows = skipFirst;
        imp.ImportRecCount = cap;
        QStringList got;
        for (const QStringList& r : run(imp, {"NAME"}))
            got << r.value(0);
        QCOMPARE(got, names);
    }

    void characterSets_data()
    {
        const QString salam = QString::fromUtf8("سلام");
        QTest::addColumn<int>("charSet");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("OEM is CP720")
            << int(dcsOEM) << codepage::encode(codepage::SystemOem, salam);
        QTest::newRow("ANSI is CP1256")
            << int(dcsANSI) << codepage::encode(codepage::SystemAnsi, salam);
        QTest::newRow("none is CP1256")
            << int(dcsNone) << codepage::encode(codepage::SystemAnsi, salam);
    }
    void characterSets()
    {
        QFETCH(int, charSet);
        QFETCH(QByteArray, bytes);
        const QString path = folder() + "/p.dbf";
        write(path, tableBytes(0x03, {{"NAME", 'C', 10}}, {{bytes}}));
        TDurvel3DBF imp;
        imp.SetFileName(path);
        imp.CharSet = TDBFCharSet(charSet);
        QCOMPARE(run(imp, {"NAME"}), (QList<QStringList>{{QString::fromUtf8("سلام")}}));
    }

    void dates_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("good") << QByteArray("20010203") << "2001/02/03";
        QTest::newRow("before 1899") << QByteArray("18000101") << "1800/01/01";
        QTest::newRow("blank") << QByteArray("        ") << "";
        QTest::newRow("zeros") << QByteArray("00000000") << "";
        QTest::newRow("month 13 keeps its text") << QByteArray("20011301") << "20011301";
        QTest::newRow("letters keep their text") << QByteArray("2001AB01") << "2001AB01";
    }
    void dates()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, text);
        const QString path = folder() + "/d.dbf";
        write(path, tableBytes(0x03, {{"BORN", 'D', 8}}, {{stored}}));
        TDurvel3DBF imp;
        imp.SetFileName(path);
        QCOMPARE(run(imp, {"BORN"}), (QList<QStringList>{{text}}));
    }

    void badDateIsLoggedByTheDateField()
    {
        const QString path = folder() + "/d.dbf";
        write(path, tableBytes(0x03, {{"BORN", 'D', 8}}, {{"2001AB01"}, {"20010203"}}));
        FakeDataSet ds({{"born", ftDateTime}});
        TDurvel3DBF imp;
        imp.SetFileName(path);
        imp.DataSet = &ds;
        imp.AddType = datAppend;
        imp.ErrorLog = true;
        imp.ErrorLogFileName = folder() + "/e.log";
        imp.Map().Add("born=BORN");
        imp.Execute();
        QCOMPARE(ds.rows.size(), 2);
        QVERIFY2(ds.rows[0][0].isNull(), qPrintable(ds.rows[0][0].toString()));
        QCOMPARE(ds.rows[1][0].toDateTime().date(), QDate(2001, 2, 3));
        QVERIFY2(imp.LastErrorText().contains("2001AB01"), qPrintable(imp.LastErrorText()));
    }

    void namesFoundWithoutLetterCase_data()
    {
        QTest::addColumn<QString>("tableFile");
        QTest::addColumn<QString>("memoFile");
        QTest::addColumn<QString>("given");
        QTest::newRow("t.dbf with T.DBT") << "t.dbf"
                                          << "T.DBT"
                                          << "t.dbf";
        QTest::newRow("upper-case table, given lower") << "T.DBF"
                                                       << "t.dbt"
                                                       << "t.dbf";
        QTest::newRow(".txt opens the table") << "data.dbf"
                                              << "data.dbt"
                                              << "data.txt";
        QTest::newRow("no extension") << "DATA.DBF"
                                      << "DATA.DBT"
                                      << "DATA";
    }
    void namesFoundWithoutLetterCase()
    {
        QFETCH(QString, tableFile);
        QFETCH(QString, memoFile);
        QFETCH(QString, given);
        const QString dir = folder();
        write(dir + "/" + tableFile, tableBytes(0x83, {{"NOTE", 'M', 10}}, {{"         1"}}));
        QByteArray memo(512, '\0');
        memo += "found\x1A\x1A";
        write(dir + "/" + memoFile, memo);
        TDurvel3DBF imp;
        imp.SetFileName(dir + "/" + given);
        QCOMPARE(run(imp, {"NOTE"}), (QList<QStringList>{{"found"}}));
    }

    void exactCaseIsPreferred()
    {
        const QString dir = folder();
        write(dir + "/x.DBF", tableBytes(0x03, {{"N", 'C', 5}}, {{"upper"}}));
        write(dir + "/x.dbf", tableBytes(0x03, {{"N", 'C', 5}}, {{"lower"}}));
        QCOMPARE(TDBFRead::ResolveTableName(dir + "/x.dbf"), dir + "/x.dbf");
        QCOMPARE(TDBFRead::ResolveTableName(dir + "/x.txt"), dir + "/x.DBF");
        QVERIFY(QFileInfo(TDBFRead::ResolveTableName(dir + "/X.Dbf")).isFile());
    }

    void memoLayouts_data()
    {
        QTest::addColumn<quint8>("version");
        QTest::addColumn<QString>("memoExt");
        QTest::addColumn<QByteArray>("memo");
        QTest::addColumn<QByteArray>("pointer");
        QTest::addColumn<QString>("text");
        QByteArray iv(512, '\0');
        iv[20] = 64; // dBase IV block size
        iv += QByteArray("\xFF\xFF\x08\x00", 4) + le32(8 + 5) + "hello" + QByteArray(51, '\0');
        iv += QByteArray("\xFF\xFF\x08\x00", 4) + le32(8 + 3) + "end";
        QTest::newRow("dBase IV") << quint8(0x8B) << "dbt" << iv << QByteArray("         9")
                                  << "end";
        QByteArray iii(512 * 3, 'x');
        iii += "a\x8D\nb\x8D"
               "c\x1A\x1A";
        QTest::newRow("dBase III soft return, lone 0x8D kept")
            << quint8(0x83) << "dbt" << iii << QByteArray("         3")
            << QString::fromUtf8("a\r\nb") + codepage::decode(1256, "\x8D") + "c";
        QTest::newRow("dBase III block 0 is empty")
            << quint8(0x83) << "dbt" << iii << QByteArray("         0") << "";
        QTest::newRow("FoxPro text")
            << quint8(0xF5) << "fpt" << fptBytes({{1, "fox"}}) << QByteArray("         8") << "fox";
        QTest::newRow("FoxPro picture") << quint8(0xF5) << "fpt" << fptBytes({{0, "\x89PNG"}})
                                        << QByteArray("         8") << "(Picture)";
        QTest::newRow("FoxPro empty text")
            << quint8(0xF5) << "fpt" << fptBytes({{1, ""}}) << QByteArray("         8") << "";
    }
    void memoLayouts()
    {
        QFETCH(quint8, version);
        QFETCH(QString, memoExt);
        QFETCH(QByteArray, memo);
        QFETCH(QByteArray, pointer);
        QFETCH(QString, text);
        const QString dir = folder();
        write(dir + "/m.dbf", tableBytes(version, {{"NOTE", 'M', 10}}, {{pointer}}));
        write(dir + "/m." + memoExt, memo);
        TDurvel3DBF imp;
        imp.SetFileName(dir + "/m.dbf");
        QCOMPARE(run(imp, {"NOTE"}), (QList<QStringList>{{text}}));
    }

    void damagedFilesGiveClearErrors_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QByteArray>("memo");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("detail");
        const QList<FieldDef> one{{"N", 'C', 4}};
        QTest::newRow("records cut off")
            << tableBytes(0x03, one, {{"a"}, {"b"}}, {}, 0, 5).chopped(1) << QByteArray() << 109
            << "record 3 is cut off";
        QTest::newRow("header cut off")
            << QByteArray("\x03\x00\x00", 3) << QByteArray() << 109 << "header";
        QByteArray shortRecord = tableBytes(0x03, one, {{"a"}});
        shortRecord[10] = 2; // a record shorter than its fields
        QTest::newRow("fields longer than the record")
            << shortRecord << QByteArray() << 109 << "record has 2";
        const QByteArray memoTable = tableBytes(0x30, {{"NOTE", 'M', 4}}, {{le32(8)}});
        QTest::newRow("memo file missing") << memoTable << QByteArray() << 102 << "t.fpt";
        QTest::newRow("memo header cut off")
            << memoTable << QByteArray("\0\0\0\x09", 4) << 109 << "t.fpt is damaged";
        // Zeros over the header: no next free block, and a block size of 0 that would read
        // every memo from another place.
        QTest::newRow("memo header blank")
            << memoTable << QByteArray(512 + 64, '\0') << 109
            << "t.fpt is damaged: its header is blank";
        const QList<QList<QByteArray>> three{{"a"}, {"b"}, {"c"}};
        QByteArray flagZeroed = tableBytes(0x03, one, three);
        flagZeroed.replace(32 + 32 + 1 + 5, 3, QByteArray(3, '\0')); // record 2's flag on
        QTest::newRow("record zeroed")
            << flagZeroed << QByteArray() << 109 << "record 2 is damaged";
        QByteArray flagInverted = tableBytes(0x03, one, three);
        for (qsizetype i = 32 + 32 + 1 + 2; i < flagInverted.size() - 1; ++i)
            flagInverted[i] = char(~flagInverted[i]);
        QTest::newRow("records inverted")
            << flagInverted << QByteArray() << 109 << "record 2 is damaged";
        // Zeros from inside the last record on: only the end mark shows it.
        QByteArray endZeroed = tableBytes(0x03, one, three);
        endZeroed.replace(endZeroed.size() - 3, 3, QByteArray(3, '\0'));
        QTest::newRow("end of the table zeroed")
            << endZeroed << QByteArray() << 109 << "the end of the table after record 3";
    }
    void damagedFilesGiveClearErrors()
    {
        QFETCH(QByteArray, table);
        QFETCH(QByteArray, memo);
        QFETCH(int, code);
        QFETCH(QString, detail);
        const QString dir = folder();
        write(dir + "/t.dbf", table);
        if (!memo.isEmpty())
            write(dir + (uchar(table.at(0)) == 0x83 ? "/t.dbt" : "/t.fpt"), memo);
        TDurvel3DBF imp;
        imp.SetFileName(dir + "/t.dbf");
        int rows = 0;
        imp.OnImportRecord = [&](TDurvel3*) { ++rows; };
        try {
            run(imp, {table.contains("NOTE") ? "NOTE" : "N"});
            QFAIL("imported");
        } catch (const EDBFError& e) {
            QCOMPARE(e.Code(), code);
            QVERIFY2(e.message().contains(detail), qPrintable(e.message()));
        }
        QCOMPARE(rows, 0); // refused before its first row
    }

    // A table ends at its last record, with the end mark, or with records its header does not
    // count (read as far as it counts).
    void tableEndsAsWritersLeaveIt_data()
    {
        QTest::addColumn<QByteArray>("table");
        const QList<QList<QByteArray>> two{{"a"}, {"b"}};
        const QByteArray marked = tableBytes(0x03, {{"N", 'C', 4}}, two);
        QTest::newRow("end mark") << marked;
        QTest::newRow("no end mark") << marked.chopped(1);
        QTest::newRow("a record past the count")
            << tableBytes(0x03, {{"N", 'C', 4}}, two + QList<QList<QByteArray>>{{"c"}}, {}, 0, 2);
    }
    void tableEndsAsWritersLeaveIt()
    {
        QFETCH(QByteArray, table);
        const QString path = folder() + "/t.dbf";
        write(path, table);
        TDurvel3DBF imp;
        imp.SetFileName(path);
        QCOMPARE(run(imp, {"N"}), (QList<QStringList>{{"a"}, {"b"}}));
    }

    // Spaces pad a number before it and NULs may pad it after it; a blank one may be all NULs.
    // A NUL anywhere else is a damaged number: that row's error, never another number.
    void numbersWithNulBytes_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("text"); // empty: the row's error
        QTest::newRow("spaces before") << QByteArray("  72853.69") << "72853.69";
        QTest::newRow("NULs after") << QByteArray("72853.69\0\0", 10) << "72853.69";
        QTest::newRow("all NULs") << QByteArray(10, '\0') << "";
        QTest::newRow("NULs over the digits before the last")
            << QByteArray("\0\0\0\0\0\0\0\0\0" "9", 10) << QString();
        QTest::newRow("NULs between spaces and digits")
            << QByteArray("  \0\0\0\0\0\0" "69", 10) << QString();
        QTest::newRow("NULs among the digits")
            << QByteArray("  728\0\0.69", 10) << QString();
    }
    void numbersWithNulBytes()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, text);
        const QString dir = folder();
        write(dir + "/t.dbf", tableBytes(0x03, {{"ID", 'C', 1}, {"AMT", 'N', 10}},
                                         {{"1", stored}, {"2", "      1.50"}}));
        TDurvel3DBF imp;
        imp.SetFileName(dir + "/t.dbf");
        const QList<QStringList> rows = run(imp, {"ID", "AMT"});
        if (text.isNull()) {
            QCOMPARE(rows, (QList<QStringList>{{"2", "1.50"}}));
            QCOMPARE(imp.ErrorCount(), 1);
            QVERIFY2(imp.LastErrorText().contains("number of field AMT in record 1 is damaged"),
                     qPrintable(imp.LastErrorText()));
        } else {
            QCOMPARE(rows, (QList<QStringList>{{"1", text}, {"2", "1.50"}}));
            QCOMPARE(imp.ErrorCount(), 0);
        }
    }

    // A damaged memo is the error of its own row: the rows around it are imported and the
    // log names the record and the field.
    void damagedMemoFailsItsRowOnly_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QByteArray>("memo");
        QTest::addColumn<QString>("detail");
        // FoxPro, block size 64: "first" at block 8, "third" at block 9, the damaged one at 10.
        const auto fpt = [](const QByteArray& damaged) {
            QByteArray out = fptBytes({{1, "first"}, {1, "third"}});
            while (out.size() % 64)
                out += '\0';
            return out + damaged;
        };
        const auto foxTable = [](quint32 damagedBlock) {
            return tableBytes(0x30, {{"ID", 'C', 1}, {"NOTE", 'M', 4}},
                              {{"1", le32(8)}, {"2", le32(damagedBlock)}, {"3", le32(9)}});
        };
        QTest::newRow("huge memo length") << foxTable(10) << fpt(be32(1) + be32(0xFFFFFFF0u))
                                          << "memo of field NOTE in record 2 is damaged";
        QTest::newRow("memo block past the end")
            << foxTable(100000) << fpt(QByteArray()) << "points at block 100000, past the end";
        const QByteArray longText(TDBFRead::MaxMemoBytes + 1, 'x');
        QTest::newRow("FoxPro memo past the cap")
            << foxTable(10) << fpt(be32(1) + be32(quint32(longText.size())) + longText)
            << "is longer than 1048576 bytes";
        // dBase III, blocks of 512: "first" at 1, "third" at 2, the damaged one at 3.
        QByteArray dbt(512, '\0');
        dbt += "first\x1A\x1A" + QByteArray(512 - 7, '\0');
        dbt += "third\x1A\x1A" + QByteArray(512 - 7, '\0');
        const auto dbTable = [](const QByteArray& damagedBlock) {
            return tableBytes(0x83, {{"ID", 'C', 1}, {"NOTE", 'M', 20}},
                              {{"1", "1"}, {"2", damagedBlock}, {"3", "2"}});
        };
        QTest::newRow("dBase III memo past the cap")
            << dbTable("3") << dbt + longText + "\x1A" << "is longer than 1048576 bytes";
        // 2^55 + 1 blocks of 512 bytes wrap around to block 1, another record's memo.
        QTest::newRow("memo block number wraps around")
            << dbTable("36028797018963969") << dbt
            << "points at block 36028797018963969, past the end";
        // A memo file cut inside the memo: no end mark before the file ends.
        QTest::newRow("dBase III memo cut short")
            << dbTable("3") << dbt + QByteArray(449, 'y').left(108)
            << "memo of field NOTE in record 2 is damaged";
        // Zeros over a memo's end mark: the reading runs on into the next memo.
        QTest::newRow("dBase III memo zeroed")
            << dbTable("3")
            << dbt + "abc" + QByteArray(509, '\0') + "next memo\x1A\x1A" + QByteArray(501, '\0')
            << "memo of field NOTE in record 2 is damaged";
        QTest::newRow("FoxPro memo block zeroed")
            << foxTable(10) << fpt(QByteArray(64, '\0')) << "memo of field NOTE in record 2";
        QTest::newRow("FoxPro memo text zeroed")
            << foxTable(10) << fpt(be32(1) + be32(10) + QByteArray("ab\0\0\0\0\0\0cd", 10))
            << "memo of field NOTE in record 2 is damaged";
    }
    void damagedMemoFailsItsRowOnly()
    {
        QFETCH(QByteArray, table);
        QFETCH(QByteArray, memo);
        QFETCH(QString, detail);
        const QString dir = folder();
        write(dir + "/t.dbf", table);
        write(dir + (uchar(table.at(0)) == 0x83 ? "/t.dbt" : "/t.fpt"), memo);
        TDurvel3DBF imp;
        imp.SetFileName(dir + "/t.dbf");
        imp.ErrorLog = true;
        imp.ErrorLogFileName = dir + "/error.log";
        QCOMPARE(run(imp, {"ID", "NOTE"}),
                 (QList<QStringList>{{"1", "first"}, {"3", "third"}}));
        QCOMPARE(imp.ImportedCount(), 2);
        QCOMPARE(imp.ErrorCount(), 1);
        QVERIFY2(imp.Errors().Strings(0).contains(detail), qPrintable(imp.Errors().Strings(0)));
        QVERIFY2(imp.Errors().Strings(0).contains("Line 2"), qPrintable(imp.Errors().Strings(0)));
        QVERIFY(!imp.Failed());
    }

    // Without its memo file a mapped memo field could give no row its text: refused before the
    // first row. A table whose memo field is not mapped imports without it.
    void missingMemoFileMattersOnlyWhenItsFieldIsMapped()
    {
        const QString dir = folder();
        write(dir + "/t.dbf", tableBytes(0x83, {{"ID", 'C', 1}, {"NOTE", 'M', 10}},
                                         {{"1", "         0"}, {"2", "         1"}}));
        TDurvel3DBF plain;
        plain.SetFileName(dir + "/t.dbf");
        QCOMPARE(run(plain, {"ID"}), (QList<QStringList>{{"1"}, {"2"}}));

        TDurvel3DBF imp;
        imp.SetFileName(dir + "/t.dbf");
        int rows = 0;
        imp.OnImportRecord = [&](TDurvel3*) { ++rows; };
        try {
            run(imp, {"ID", "NOTE"});
            QFAIL("imported");
        } catch (const EDBFError& e) {
            QCOMPARE(e.Code(), 102);
            QCOMPARE(e.message(), QStringLiteral("The memo file t.dbt is missing: the field NOTE "
                                                 "keeps its text there"));
        }
        QCOMPARE(rows, 0);
    }

    void emptyFileHasNoFieldsAndNoRecords()
    {
        const QString path = folder() + "/e.dbf";
        write(path, QByteArray());
        TDBFRead table(path);
        QVERIFY(!table.IsOpen());
        QCOMPARE(table.LastError(), 100);
        QCOMPARE(table.FieldCount(), -1);
        QVERIFY(table.Eof());
        // An import of it is refused, not a run that finds nothing.
        TDurvel3DBF imp;
        imp.SetFileName(path);
        QString said;
        try {
            run(imp, {"X"});
        } catch (const EDurvelError& e) {
            said = e.message();
        }
        QCOMPARE(said, QStringLiteral("The file e.dbf is empty"));
        QCOMPARE(errorCode([&] { TDBFRead(folder() + "/none.dbf"); }), 102);
    }

    void oneFieldFillsEveryColumnMappedToIt()
    {
        const QString path = folder() + "/t.dbf";
        write(path, tableBytes(0x03, {{"A", 'C', 3}, {"B", 'N', 5}}, {{"x", "  7"}}));
        TDurvel3DBF imp;
        imp.SetFileName(path);
        QCOMPARE(run(imp, {"B", "a", "B"}), (QList<QStringList>{{"7", "x", "7"}}));
    }

    // A map line naming a field the table lacks stops the run before the first row, naming
    // it: the rows would otherwise be stored blank and counted as imported.
    void missingMapFieldStopsBeforeTheFirstRow_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("the only field") << QStringList{"GONE"};
        QTest::newRow("beside a good one") << QStringList{"A", "gone"};
    }
    void missingMapFieldStopsBeforeTheFirstRow()
    {
        QFETCH(QStringList, fields);
        const QString path = folder() + "/t.dbf";
        write(path, tableBytes(0x03, {{"A", 'C', 3}}, {{"x"}, {"y"}}));
        TDurvel3DBF imp;
        imp.SetFileName(path);
        int rowsRead = 0;
        imp.OnImportRecord = [&](TDurvel3*) { ++rowsRead; };
        QString message;
        try {
            run(imp, fields);
        } catch (const EDurvelError& e) {
            message = e.message();
        }
        QVERIFY2(message.contains(QStringLiteral("GONE")), qPrintable(message));
        QCOMPARE(rowsRead, 0);
    }

    void readFieldWalksTheRecords()
    {
        const QString path = folder() + "/t.dbf";
        write(path, tableBytes(0x03, {{"A", 'C', 3}, {"B", 'C', 2}}, {{"x", "1"}, {"y", "2"}},
                               {false, true}));
        TDBFRead table(path);
        QByteArray a, b;
        table.ReadField(0, a);
        table.ReadField(1, b);
        QCOMPARE(a + b, QByteArray("x1"));
        QVERIFY(!table.Deleted());
        QVERIFY(!table.Eof());
        table.ReadField(0, a);
        table.ReadField(1, b);
        QCOMPARE(a + b, QByteArray("y2"));
        QVERIFY(table.Deleted());
        QVERIFY(table.Eof());
        QCOMPARE(errorCode([&] { table.ReadField(2, a); }), 111);
        QCOMPARE(table.FieldType(2), QChar(0));
        QCOMPARE(table.GetFieldName(-1), QString());
    }
};

QTEST_GUILESS_MAIN(TestDbf)
#include "test_dbf.moc"

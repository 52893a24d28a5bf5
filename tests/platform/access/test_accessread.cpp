// The helper's reading code (tools/accessread) in this process, on the sample files and on
// copies of them altered the way a password, another code page or damage would.
#include "tests/support/AccessSamples.h"
#include "tests/support/TestFiles.h"
#include "tools/accessread/JetFile.h"
#include "tools/accessread/JetHeader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The samples keep no password: where the header keeps one, each stored byte is the masking's
// own (for Jet4 and later, with the creation date's mask over it). XOR-ing a password's bytes
// into them gives the header Access writes for that password, without knowing the masks.
QByteArray withStoredPassword(QByteArray file, const QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        file[0x42 + i] = char(file[0x42 + i] ^ bytes[i]);
    return file;
}

QByteArray withPassword(QByteArray file, const QString& password)
{
    const bool jet3 = file[0x14] == 0;
    return withStoredPassword(
        file,
        jet3 ? password.toLatin1()
             : QByteArray(reinterpret_cast<const char*>(password.utf16()), password.size() * 2));
}

// The code page kept in the header changed from 1252 (all the samples') to Page, the same way.
QByteArray withCodePage(QByteArray file, quint16 page)
{
    const quint16 change = quint16(1252 ^ page);
    file[0x3C] = char(file[0x3C] ^ char(change & 0xFF));
    file[0x3D] = char(file[0x3D] ^ char(change >> 8));
    return file;
}

QStringList firstColumn(JetFile& file, const QString& sql)
{
    QStringList out;
    const auto cursor = file.openQuery(sql);
    while (cursor->next())
        out << cursor->value(0).toString();
    return out;
}

} // namespace

class TestAccessRead : public QObject
{
    Q_OBJECT

    QString m_samples;
    QTemporaryDir m_dir;

    QString sample(const QString& name) const { return m_samples + u'/' + name; }
    QString copy(const QString& name, const QByteArray& bytes)
    {
        return WriteTestFile(m_dir.filePath(name), bytes);
    }

private slots:
    void initTestCase()
    {
        m_samples = AccessSamplesDir();
        if (m_samples.isEmpty())
            QSKIP("the Access sample files are not here");
    }

    void theHeaderOfTheSamples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("pageSize");
        QTest::newRow("Jet3") << "nwind.mdb" << int(AccessVersion::Jet3) << 2048;
        QTest::newRow("Jet4") << "DateTestDatabase.mdb" << int(AccessVersion::Jet4) << 4096;
        QTest::newRow("ACE") << "ASampleDatabase.accdb" << int(AccessVersion::Ace) << 4096;
    }
    void theHeaderOfTheSamples()
    {
        QFETCH(QString, file);
        QFETCH(int, version);
        QFETCH(int, pageSize);
        const auto header = JetHeader::read(readFile(sample(file)));
        QVERIFY(header);
        QCOMPARE(int(header->version), version);
        QCOMPARE(header->pageSize, pageSize);
        QCOMPARE(header->codePage, 1252);
        QCOMPARE(header->encryptionKey, 0u);
        QVERIFY(!header->hasPassword());
        // A file without a password opens with any.
        JetFile open(sample(file), QStringLiteral("whatever"));
        QVERIFY(!open.tableNames().isEmpty());
    }

    void aPasswordInTheHeaderIsChecked_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("table");
        QTest::newRow("Jet3") << "nwind.mdb" << "Geheim97" << "Shippers";
        QTest::newRow("Jet3, fourteen characters") << "nwind.mdb" << "abcdefghijklmn" << "Shippers";
        QTest::newRow("Jet4") << "DateTestDatabase.mdb" << "s3cret" << "DateTest";
        QTest::newRow("Jet4, Persian") << "DateTestDatabase.mdb" << "رمز عبور۱۲۳" << "DateTest";
        QTest::newRow("Jet4, letter case") << "DateTestDatabase.mdb" << "Secret" << "DateTest";
        QTest::newRow("Jet4, twenty characters")
            << "DateTestDatabase.mdb" << "abcdefghijklmnopqrst" << "DateTest";
    }
    void aPasswordInTheHeaderIsChecked()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(QString, table);
        const QString path = copy(QStringLiteral("locked-") + file,
                                  withPassword(readFile(sample(file)), password));
        const auto header = JetHeader::read(readFile(path));
        QVERIFY(header);
        QCOMPARE(header->passwordText(), password);

        JetFile open(path, password);
        QVERIFY(open.tableNames().contains(table));
        QVERIFY(open.openTable(table)->countRows() > 0);

        QList<QPair<QString, QString>> refused{
            {QString(), JetFile::passwordMissingMessage(path)},
            {password.left(password.size() - 1), JetFile::passwordWrongMessage(path)},
            {password + u'x', JetFile::passwordWrongMessage(path)},
        };
        // Letter case counts.
        if (password.toLower() != password)
            refused.append({password.toLower(), JetFile::passwordWrongMessage(path)});
        for (const auto& [given, message] : refused) {
            try {
                JetFile f(path, given);
                QFAIL(qPrintable(QStringLiteral("opened with \"%1\"").arg(given)));
            } catch (const AccessError& e) {
                QCOMPARE(e.message(), message);
            }
        }
    }

    // A Jet3 file keeps its password in 8-bit characters of the page its texts are read in:
    // where it names none the system knows, Windows-1256 for both, so that the right Persian
    // password opens it.
    void jet3PasswordIsReadInTheTextsCodePage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("table"); // a table whose name has a byte above 127
        const QByteArray persian("\x90\xD0\xD1\xE6\xC7\x8E\xE5"); // in Windows-1256
        const QString typed = QStringLiteral("گذرواژه");
        QTest::newRow("Windows-1256 named") << 1256 << persian << typed << "Umsنtze";
        QTest::newRow("none named") << 0 << persian << typed << "Umsنtze";
        QTest::newRow("one the system lacks") << 4242 << persian << typed << "Umsنtze";
        QTest::newRow("Windows-1252 named")
            << 1252 << QByteArray("Gr\xFC\xDF\x80") << QStringLiteral("Grüß€") << "Umsätze";
    }
    void jet3PasswordIsReadInTheTextsCodePage()
    {
        QFETCH(int, page);
        QFETCH(QByteArray, stored);
        QFETCH(QString, password);
        QFETCH(QString, table);
        const QString path = copy(
            QStringLiteral("locked-cp%1.mdb").arg(page),
            withStoredPassword(withCodePage(readFile(sample("nwind.mdb")), quint16(page)), stored));
        const auto header = JetHeader::read(readFile(path));
        QVERIFY(header);
        QCOMPARE(header->passwordText(), password);
        JetFile file(path, password);
        QVERIFY2(file.tableNames().contains(table), qPrintable(file.tableNames().join(u',')));
        // The same bytes read as Latin-1 are not its password.
        try {
            JetFile f(path, QString::fromLatin1(stored));
            QFAIL("opened with the password read in another page");
        } catch (const AccessError& e) {
            QCOMPARE(e.message(), JetFile::passwordWrongMessage(path));
        }
    }

    // Access encrypts an .accdb with its password instead of keeping one in the header: what
    // lies in that place of an ACE header is not taken for a password.
    void anAceHeaderKeepsNoPassword()
    {
        const QString path = copy(QStringLiteral("ace.accdb"),
                                  withPassword(readFile(sample("ASampleDatabase.accdb")), "x"));
        JetFile file(path);
        QCOMPARE(file.tableNames(), QStringList{"Asset Items"});
    }

    void jet3TextsAreReadInTheFilesCodePage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("company");
        QTest::newRow("as the file says") << 1252 << "Umsätze" << "Berglunds snabbköp";
        // The same byte in another page.
        QTest::newRow("Cyrillic") << 1251 << "Umsдtze" << "Berglunds snabbkцp";
        // A file that names no page is read in the ANSI page of this system.
        QTest::newRow("none named") << 0 << "Umsنtze" << "Berglunds snabbk\u0650p";
        QTest::newRow("one the system lacks") << 4242 << "Umsنtze" << "Berglunds snabbk\u0650p";
    }
    void jet3TextsAreReadInTheFilesCodePage()
    {
        QFETCH(int, page);
        QFETCH(QString, table);
        QFETCH(QString, company);
        const QString path = copy(QStringLiteral("cp%1.mdb").arg(page),
                                  withCodePage(readFile(sample("nwind.mdb")), quint16(page)));
        JetFile file(path);
        QVERIFY2(file.tableNames().contains(table), qPrintable(file.tableNames().join(u',')));
        QCOMPARE(file.openTable(table)->countRows(), 830);
        QCOMPARE(firstColumn(file, QStringLiteral(
                                       "select CompanyName from Customers where CustomerID = 'BERGS'")),
                 QStringList{company});
    }

    // Jet4 and later keep Unicode: the code page of their header changes nothing.
    void laterTextsAreUnicode()
    {
        const QString path = copy(QStringLiteral("cp1251.accdb"),
                                  withCodePage(readFile(sample("ASampleDatabase.accdb")), 1251));
        JetFile file(path);
        QCOMPARE(file.codePage(), 0);
        QCOMPARE(file.tableNames(), QStringList{"Asset Items"});
    }

    void damageIsFoundBeforeAnyRow_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("detail");
        // Cuts the library took for the table's end, or for an empty table.
        QTest::newRow("ACE cut among the rows")
            << "ASampleDatabase.accdb" << "Asset Items" << qint64(184'320) << "";
        QTest::newRow("ACE cut before the rows")
            << "ASampleDatabase.accdb" << "Asset Items" << qint64(176'128) << "";
        QTest::newRow("Jet4 cut before the rows")
            << "DateTestDatabase.mdb" << "DateTest" << qint64(77'824) << "";
        QTest::newRow("not a whole number of pages")
            << "DateTestDatabase.mdb" << "DateTest" << qint64(274'432 - 100) << "whole number of pages";
    }
    void damageIsFoundBeforeAnyRow()
    {
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(qint64, size);
        QFETCH(QString, detail);
        const QString path = copy(QStringLiteral("cut-") + file, readFile(sample(file)).left(size));
        try {
            JetFile f(path);
            f.openTable(table)->countRows();
            QFAIL("counted");
        } catch (const AccessError& e) {
            QVERIFY2(e.message().contains(QLatin1String(" is damaged: ")) &&
                         e.message().contains(detail),
                     qPrintable(e.message()));
        }
    }

    // A decimal is sixteen bytes of digits and a sign: a value holding fewer, or running past
    // its page, is no value.
    void aDecimalThatIsNotWholeIsNull()
    {
        QByteArray bytes = readFile(sample("DateTestDatabase.mdb"));
        // The second column's descriptor (DateTimeCol, 8 bytes) made a decimal's.
        const qsizetype at = bytes.indexOf(
            QByteArray::fromHex("045906000000000000000009040000030000000000000004000859"));
        QVERIFY(at > 0);
        QCOMPARE(bytes[at + 25], char(0x08));
        bytes[at + 25] = char(0x10);
        JetFile file(copy(QStringLiteral("decimal.mdb"), bytes));
        const auto cursor = file.openTable(QStringLiteral("DateTest"));
        QCOMPARE(cursor->columns().at(1).kind, AccessColumn::Kind::Decimal);
        int rows = 0;
        while (cursor->next()) {
            ++rows;
            QVERIFY2(cursor->value(1).isNull(), qPrintable(cursor->value(1).toString()));
            QCOMPARE(cursor->value(0).toLongLong(), rows);
        }
        QCOMPARE(rows, 6);
    }

    // A long value whose chain of pages ends early is damage found by the count.
    void aCutLongValueIsDamage()
    {
        QByteArray bytes = readFile(sample("DateTestDatabase.mdb"));
        // The first memo ("Hello", kept in its row) said to be much longer than its row.
        const qsizetype at =
            bytes.indexOf(QByteArray::fromHex("070000800000000000000000fffe48656c6c6f"));
        QVERIFY(at > 0);
        qToLittleEndian<quint32>(0x80000000u | 500, bytes.data() + at);
        JetFile file(copy(QStringLiteral("memo.mdb"), bytes));
        try {
            file.openTable(QStringLiteral("DateTest"))->countRows();
            QFAIL("counted");
        } catch (const AccessError& e) {
            QVERIFY2(e.message().contains(QLatin1String("memo or OLE value")), qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestAccessRead)
#include "test_accessread.moc"

#include "import/engine/support/BaseDocumentFile.h"
#include "tests/support/ZipBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EZipError& e) {
        return e.message();
    }
    return {};
}

class CountingDocument : public TBaseDocumentFile
{
public:
    int parses = 0;
    QByteArray content;

protected:
    void Parse(TMiniZip& Zip) override
    {
        ++parses;
        content = Zip.ReadEntry(QStringLiteral("content.xml"));
    }
};

} // namespace

class TestMiniZip : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void readsMembersByPackageNames()
    {
        const QString file = path("doc.zip");
        const QByteArray sheet = QByteArray("<sheet>").repeated(5000);
        QVERIFY(writeZip(file, {{"[Content_Types].xml", "<Types/>"},
                                {"xl/worksheets/sheet1.xml", sheet},
                                {"xl/_rels/workbook.xml.rels", "<Relationships/>", true}}));
        TMiniZip zip(file);
        zip.Open();
        QCOMPARE(zip.EntryNames().size(), 3);
        QVERIFY(zip.Contains(QStringLiteral("XL\\Worksheets\\Sheet1.XML")));
        QVERIFY(!zip.Contains(QStringLiteral("xl/worksheets/sheet2.xml")));
        QCOMPARE(zip.ReadEntry(QStringLiteral("/xl/worksheets/sheet1.xml").mid(1)), sheet);
        QCOMPARE(zip.ReadEntry(QStringLiteral("xl\\_rels\\workbook.xml.rels")),
                 QByteArray("<Relationships/>"));

        // Streamed in small pieces, the same bytes; one member at a time.
        auto s = zip.OpenEntry(QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY(!errorOf([&] { zip.OpenEntry(QStringLiteral("[Content_Types].xml")); }).isEmpty());
        QByteArray streamed;
        char buf[777];
        for (qint64 n; (n = s->read(buf, sizeof buf)) > 0;)
            streamed.append(buf, n);
        QCOMPARE(streamed, sheet);
        s.reset();
        QCOMPARE(zip.ReadEntry(QStringLiteral("[content_types].xml")), QByteArray("<Types/>"));
        QVERIFY(errorOf([&] {
                    zip.ReadEntry(QStringLiteral("missing.xml"));
                }).contains(QStringLiteral("missing.xml")));
    }

    void unsafeNamesRefused_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("parent") << QByteArray("../evil.txt");
        QTest::newRow("parent inside") << QByteArray("xl/../../evil.txt");
        QTest::newRow("backslash parent") << QByteArray("xl\\..\\..\\evil.txt");
        QTest::newRow("absolute") << QByteArray("/tmp/evil.txt");
        QTest::newRow("drive letter") << QByteArray("C:\\evil.txt");
    }
    void unsafeNamesRefused()
    {
        QFETCH(QByteArray, name);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("bad.zip"));
        QVERIFY(writeZip(file, {{"ok.xml", "<a/>"}, {name, "owned"}}));
        TMiniZip zip(file);
        const QString message = errorOf([&] { zip.Open(); });
        QVERIFY2(message.contains(QString::fromLatin1(name)), qPrintable(message));
        QVERIFY(!zip.IsOpen());
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("bad.zip")});
    }

    void damagedArchives_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("wrong checksum") << 0 << "checksum";
        QTest::newRow("truncated") << 1 << "damaged";
        QTest::newRow("not a zip") << 2 << "not a zip archive";
    }
    void damagedArchives()
    {
        QFETCH(int, damage);
        QFETCH(QString, expected);
        const QString file = path("damaged.zip");
        const QByteArray payload = "PAYLOAD-0123456789-PAYLOAD";
        QVERIFY(writeZip(file, {{"a.xml", payload, true}, {"b.xml", "<b/>"}}));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        f.close();
        if (damage == 0)
            bytes[bytes.indexOf(payload) + 3] = 'X';
        else if (damage == 1)
            bytes.truncate(bytes.size() - 30);
        else
            bytes = "PK\3\4 this is not really an archive";
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();

        TMiniZip zip(file);
        const QString message = errorOf([&] {
            zip.Open();
            zip.ReadEntry(QStringLiteral("a.xml"));
        });
        QVERIFY2(message.contains(expected), qPrintable(message));
    }

    // Read ahead on a thread, a member gives the bytes the stream gives, across its blocks'
    // edges, then the stream's end or error: a checksum found wrong after the last bytes, a
    // limit met part way.
    void readAheadGivesTheStreamsBytes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("readSize");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("stored");
        const QList<std::tuple<const char*, int, int, const char*>> cases{
            {"empty", 0, 100, ""},
            {"one byte", 1, 100, ""},
            {"a block less one, read by 1000", 4095, 1000, ""},
            {"one block, read whole", 4096, 4096, ""},
            {"blocks and a byte, read by more than a block", 3 * 4096 + 1, 10000, ""},
            {"many blocks, read by 7", 40000, 7, ""},
            {"a byte changed", 20000, 3000, "damaged"},
            {"beyond the member limit", 60000, 5000, "refused"}};
        // Stored and deflated; a stored member's changed byte is told by its checksum.
        for (const bool stored : {true, false})
            for (const auto& [name, size, readSize, error] : cases)
                QTest::addRow("%s, %s", name, stored ? "stored" : "deflated")
                    << size << readSize
                    << QString::fromLatin1(stored && *error == 'd' ? "checksum" : error) << stored;
    }
    void readAheadGivesTheStreamsBytes()
    {
        QFETCH(int, size);
        QFETCH(int, readSize);
        QFETCH(QString, error);
        QFETCH(bool, stored);
        QByteArray payload;
        for (int i = 0; i < size; ++i)
            payload += char('a' + (i * 7 + i / 13) % 26);
        const QString file = path("ahead.zip");
        QVERIFY(writeZip(file, {{"a.xml", payload, stored}}));
        if (error == "checksum" || error == "damaged") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QByteArray bytes = f.readAll();
            // The middle of the member's data, past its local header.
            const qsizetype at = 30 + 5 + (bytes.indexOf("PK\1\2") - 35) / 2;
            bytes[at] = char(bytes[at] ^ 0x55);
            f.seek(0);
            f.write(bytes);
        }
        TMiniZip zip(file);
        if (error == "refused")
            zip.SetLimits(50000, 1 << 20);
        zip.Open();
        // Streamed and read ahead, as the stream is and raw with its own checksum.
        QByteArray whole;
        const QString wholeMessage =
            errorOf([&] { whole = zip.ReadEntry(QStringLiteral("a.xml")); });
        if (error.isEmpty())
            QCOMPARE(whole, payload);
        // 0: through the stream; 1: raw, the checksum counted as it inflates; 2: raw, counted
        // apart.
        for (const int way : {0, 1, 2}) {
            const bool raw = way > 0;
            QByteArray read;
            const QString message = errorOf([&] {
                auto ahead = raw ? zip.ReadAhead(QStringLiteral("a.xml"), 4096, {},
                                                 way == 2 ? ZipReadAhead::Checksum::Apart
                                                          : ZipReadAhead::Checksum::Inflating)
                                 : std::make_unique<ZipReadAhead>(
                                       zip.OpenEntry(QStringLiteral("a.xml")), 4096, 2);
                QByteArray buf(readSize, '\0');
                while (const qint64 n = ahead->read(buf.data(), readSize))
                    read += buf.left(n);
                QCOMPARE(ahead->read(buf.data(), readSize), qint64(0));
            });
            QVERIFY2(message.contains(error), qPrintable(message));
            if (error.isEmpty())
                QCOMPARE(read, payload);
            else if (error == "checksum")
                QCOMPARE(read.size(), size); // every byte, then the checksum
            // Whatever fails whole fails read ahead.
            QCOMPARE(message.isEmpty(), wholeMessage.isEmpty());
        }
        // Left part way: its threads end with it.
        if (error.isEmpty()) {
            auto ahead = zip.ReadAhead(QStringLiteral("a.xml"), 4096);
            char b[10];
            QCOMPARE(ahead->read(b, 10), qint64(qMin(size, 10)));
        }
    }

    // What the inspector of a part read ahead raises ends the read after the bytes before the
    // stretch it refused, whatever the block and read sizes.
    void inspectorRefusesAfterTheBytesBefore_data()
    {
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("refuseAt"); // the first byte refused
        for (const int block : {4096, 65536})
            for (const int at : {0, 1, 4095, 4096, 70000, 199999})
                QTest::addRow("block %d, at %d", block, at) << block << at;
    }
    void inspectorRefusesAfterTheBytesBefore()
    {
        QFETCH(int, block);
        QFETCH(int, refuseAt);
        QByteArray payload(200000, '\0');
        for (int i = 0; i < payload.size(); ++i)
            payload[i] = char('a' + (i * 7919) % 26);
        const QString file = path("inspected.zip");
        QVERIFY(writeZip(file, {{"a.xml", payload}}));
        TMiniZip zip(file);
        zip.Open();
        qint64 seen = 0;
        auto ahead = zip.ReadAhead(QStringLiteral("a.xml"), block,
                                   [&seen, refuseAt](const char*, qint64 size) {
                                       if (seen + size > refuseAt)
                                           throw EZipError(QStringLiteral("refused here"));
                                       seen += size;
                                   });
        QByteArray read;
        const QString message = errorOf([&] {
            char buf[3000];
            while (const qint64 n = ahead->read(buf, sizeof buf))
                read.append(buf, n);
        });
        QCOMPARE(message, QStringLiteral("refused here"));
        QVERIFY(read.size() <= refuseAt);
        QCOMPARE(read, payload.left(read.size()));
        QCOMPARE(qint64(read.size()), seen);
    }

    void inflationLimits()
    {
        const QString file = path("bomb.zip");
        QVERIFY(writeZip(file, {{"big.xml", QByteArray(3 << 20, '\0')},
                                {"part1.xml", QByteArray(600 << 10, 'a')},
                                {"part2.xml", QByteArray(600 << 10, 'b')}}));
        TMiniZip zip(file);
        zip.SetLimits(1 << 20, 1 << 20);
        zip.Open();
        QVERIFY(errorOf([&] { zip.ReadEntry(QStringLiteral("big.xml")); }).contains("refused"));
        QCOMPARE(zip.ReadEntry(QStringLiteral("part1.xml")).size(), 600 << 10);
        QVERIFY(errorOf([&] { zip.ReadEntry(QStringLiteral("part2.xml")); }).contains("refused"));
    }

    void smallPartsHaveTheirOwnCap()
    {
        const QString file = path("padded.zip");
        QVERIFY(writeZip(file, {{"workbook.xml", QByteArray(300 << 10, ' ')},
                                {"styles.xml", QByteArray(100 << 10, ' ')}}));
        TMiniZip zip(file);
        zip.Open();
        const QString message =
            errorOf([&] { zip.ReadSmallEntry(QStringLiteral("workbook.xml"), 200 << 10); });
        QVERIFY2(message.contains("workbook.xml") && message.contains("204800"),
                 qPrintable(message));
        QCOMPARE(zip.ReadSmallEntry(QStringLiteral("styles.xml"), 200 << 10).size(), 100 << 10);
        // The refused part closed its stream: the archive reads on.
        QCOMPARE(zip.ReadSmallEntry(QStringLiteral("styles.xml")).size(), 100 << 10);
    }

    void documentLoadsOnceUntilItsNameIsSetAgain()
    {
        const QString file = path("doc.ods");
        QVERIFY(writeZip(file, {{"content.xml", "<c/>"}}));
        CountingDocument doc;
        QVERIFY(errorOf([&] { doc.Load(); }).contains(QStringLiteral("not defined")));
        doc.SetFileName(file);
        doc.Load();
        doc.Load();
        QCOMPARE(doc.parses, 1);
        QCOMPARE(doc.content, QByteArray("<c/>"));
        doc.SetFileName(file);
        QVERIFY(!doc.Loaded());
        doc.Load();
        QCOMPARE(doc.parses, 2);
        // A parse that fails leaves the document unloaded.
        QVERIFY(writeZip(path("empty.ods"), {{"other.xml", "<o/>"}}));
        doc.SetFileName(path("empty.ods"));
        QVERIFY(errorOf([&] { doc.Load(); }).contains(QStringLiteral("content.xml")));
        QVERIFY(!doc.Loaded());
    }

    void namesChecked()
    {
        TMiniZip zip;
        QCOMPARE(errorOf([&] { zip.Open(); }), QStringLiteral("File name is not defined"));
        zip.SetFileName(path("nowhere.zip"));
        QVERIFY(errorOf([&] { zip.Open(); }).contains(QStringLiteral("not found")));
    }
};

QTEST_APPLESS_MAIN(TestMiniZip)
#include "test_minizip.moc"

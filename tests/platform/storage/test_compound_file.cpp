#include "platform/storage/CompoundFile.h"
#include "tests/support/BiffBuilder.h"

#include <QtTest>

using Streams = QList<QPair<QString, QByteArray>>;
using Tamper = std::function<void(biff::CompoundLayout&)>;
Q_DECLARE_METATYPE(Tamper)

namespace {

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray b(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        b[i] = char((i * 7 + seed) & 0xFF);
    return b;
}

void setU32(QByteArray& b, qsizetype at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

} // namespace

class TestCompoundFile : public QObject
{
    Q_OBJECT

private slots:
    void readsStreams_data()
    {
        QTest::addColumn<Streams>("streams");
        QTest::newRow("one large stream") << Streams{{"Workbook", pattern(10000, 1)}};
        QTest::newRow("small streams in the mini stream")
            << Streams{{"\x05SummaryInformation", pattern(200, 2)}, {"Workbook", pattern(4095, 3)}};
        QTest::newRow("large and small side by side") << Streams{
            {"Workbook", pattern(5000, 4)}, {"Extra", pattern(65, 5)}, {"Empty", QByteArray()}};
        // More than 109 table sectors: the table's list goes on in sectors of its own.
        QTest::newRow("table list past the header") << Streams{{"Workbook", pattern(8 << 20, 6)}};
    }
    void readsStreams()
    {
        QFETCH(Streams, streams);
        const QByteArray file = biff::compoundFile(streams);
        QVERIFY(CompoundFile::isCompoundFile(file));
        const CompoundFile cf(file);
        QStringList names;
        for (const auto& s : streams)
            names.append(s.first);
        QCOMPARE(cf.streamNames(), names);
        for (const auto& s : streams)
            QCOMPARE(cf.readStream(s.first), s.second);
    }

    void namesWithoutCase()
    {
        const CompoundFile cf(biff::compoundFile({{"Workbook", pattern(100, 1)}}));
        QVERIFY(cf.hasStream("WORKBOOK"));
        QCOMPARE(cf.readStream("workbook"), pattern(100, 1));
        QVERIFY(!cf.hasStream("Book"));
        QVERIFY_THROWS_EXCEPTION(StorageError, cf.readStream("Book"));
    }

    void notACompoundFile()
    {
        QVERIFY(!CompoundFile::isCompoundFile(QByteArray("\x09\x08\x10\x00", 4)));
        QVERIFY_THROWS_EXCEPTION(StorageError, CompoundFile(QByteArray("plain text")));
    }

    void damaged_data()
    {
        QTest::addColumn<Streams>("streams");
        QTest::addColumn<Tamper>("tamper");
        QTest::addColumn<QString>("message");
        const Streams big{{"Workbook", pattern(6000, 1)}};
        const Streams small{{"Workbook", pattern(300, 1)}};
        QTest::newRow("chain runs in a circle")
            << big << Tamper([](biff::CompoundLayout& l) { l.fat[3] = 1; })
            << "a stream's sectors run in a circle";
        QTest::newRow("chain points outside the table")
            << big << Tamper([](biff::CompoundLayout& l) { l.fat[2] = 0x7FFFFFF0; })
            << "a stream's sectors are cut short";
        QTest::newRow("chain ends early")
            << big << Tamper([](biff::CompoundLayout& l) { l.fat[5] = 0xFFFFFFFE; })
            << "a stream's sectors are cut short";
        QTest::newRow("stream larger than the file") << big << Tamper([](biff::CompoundLayout& l) {
            setU32(l.directory, 128 + 0x78, 0x7FFFFFFF);
        }) << "a stream is larger than the file";
        QTest::newRow("directory runs in a circle") << big << Tamper([](biff::CompoundLayout& l) {
            l.fat[l.directoryStart] = l.directoryStart;
        }) << "the directory runs in a circle";
        QTest::newRow("sibling links in a circle")
            << Streams{{"A", pattern(10, 1)}, {"B", pattern(10, 2)}}
            << Tamper([](biff::CompoundLayout& l) { setU32(l.directory, 2 * 128 + 0x48, 1); })
            << "the directory links run in a circle";
        QTest::newRow("sibling outside the directory")
            << small
            << Tamper([](biff::CompoundLayout& l) { setU32(l.directory, 128 + 0x48, 1000); })
            << "a directory link points outside the directory";
        QTest::newRow("small stream past the mini stream")
            << small << Tamper([](biff::CompoundLayout& l) { setU32(l.directory, 128 + 0x74, 60); })
            << "a small stream lies beyond the mini stream";
        QTest::newRow("root entry missing")
            << small << Tamper([](biff::CompoundLayout& l) { l.directory[0x42] = 1; })
            << "the root entry is missing";
    }
    void damaged()
    {
        QFETCH(Streams, streams);
        QFETCH(Tamper, tamper);
        QFETCH(QString, message);
        const QByteArray file = biff::compoundFile(streams, tamper);
        try {
            const CompoundFile cf(file);
            cf.readStream(streams.front().first);
            QFAIL("a damaged file was read");
        } catch (const StorageError& e) {
            QCOMPARE(e.message(), "The file is damaged: " + message);
        }
    }

    void damagedHeader_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<int>("cut");
        QTest::addColumn<QString>("message");
        QTest::newRow("cut inside the header") << 0 << 0u << 300 << "the header is cut short";
        QTest::newRow("sector size") << 0x1E << 0x0010u << 0 << "unknown sector size";
        QTest::newRow("table larger than the file")
            << 0x2C << 100000u << 0 << "the allocation table is larger than the file";
        QTest::newRow("table sector outside the file")
            << 0x4C << 5000u << 0 << "sector 5000 lies beyond the end of the file";
        QTest::newRow("directory outside the table")
            << 0x30 << 0x00FFFFFFu << 0 << "the directory points outside its table";
    }
    void damagedHeader()
    {
        QFETCH(int, offset);
        QFETCH(quint32, value);
        QFETCH(int, cut);
        QFETCH(QString, message);
        QByteArray file = biff::compoundFile({{"Workbook", pattern(5000, 1)}});
        if (cut)
            file.truncate(cut);
        else if (offset == 0x1E)
            qToLittleEndian(quint16(value), file.data() + offset);
        else
            setU32(file, offset, value);
        try {
            CompoundFile cf(file);
            QFAIL("a damaged header was read");
        } catch (const StorageError& e) {
            QCOMPARE(e.message(), "The file is damaged: " + message);
        }
    }

    void tooManyDirectoryEntries()
    {
        // A directory chain longer than any real file needs.
        const int entries = CompoundFile::MaxDirectoryEntries + 4;
        Streams streams;
        streams.reserve(entries);
        for (int i = 0; i < entries; ++i)
            streams.append({QString::number(i), QByteArray()});
        const QByteArray file = biff::compoundFile(streams);
        QVERIFY_THROWS_EXCEPTION(StorageError, CompoundFile{file});
    }
};

QTEST_APPLESS_MAIN(TestCompoundFile)
#include "test_compound_file.moc"

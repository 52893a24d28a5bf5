#include "platform/access/AccessDatabase.h"
#include "platform/access/AccessHelper.h"
#include "platform/access/AccessWire.h"
#include "tests/support/TestFiles.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace accesswire;

namespace {

QByteArray frame(char type, const QByteArray& payload)
{
    QByteArray out(1, type);
    char len[4];
    qToLittleEndian(quint32(payload.size()), len);
    return out + QByteArray(len, 4) + payload;
}

QByteArray u32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

QByteArray i64(qint64 v)
{
    char b[8];
    qToLittleEndian(v, b);
    return QByteArray(b, 8);
}

QByteArray str(const QByteArray& s)
{
    return u32(quint32(s.size())) + s;
}

// One text column named "A".
QByteArray oneColumn()
{
    return frame('C', u32(1) + QByteArray(1, char(AccessColumn::Kind::Text)) + u32(10) + str("A"));
}

// Every frame of a stream, decoded the way the program reads a cursor of one column.
void decodeAll(const QByteArray& stream)
{
    MemorySource source(stream);
    FrameReader reader(source);
    for (Frame f; reader.next(f);) {
        if (f.type == FrameType::Database)
            decodeDatabase(f.payload);
        else if (f.type == FrameType::Columns)
            decodeColumns(f.payload);
        else if (f.type == FrameType::Count)
            decodeCount(f.payload);
        else if (f.type == FrameType::Row)
            decodeRow(f.payload, 1);
        else if (f.type == FrameType::Error)
            decodeError(f.payload);
    }
}

// A source that hands out one byte at a time, as a slow pipe may.
class TrickleSource : public ByteSource
{
public:
    explicit TrickleSource(const QByteArray& data) : m_data(data) {}
    std::size_t read(char* buffer, std::size_t max) override
    {
        if (m_pos >= m_data.size() || max == 0)
            return 0;
        *buffer = m_data[m_pos++];
        return 1;
    }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
};

} // namespace

class TestAccessWire : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A stand-in for the helper: a shell script with this body.
    QString fakeHelper(const QString& name, const QByteArray& body)
    {
        return WriteTestScript(m_dir.filePath(name), body);
    }

    // A shell command that writes these bytes.
    static QByteArray printfOf(const QByteArray& bytes)
    {
        QByteArray octal;
        for (char c : bytes)
            octal +=
                QByteArray::number(uint(uchar(c)), 8).rightJustified(4, '0').replace(0, 1, "\\");
        return "printf '" + octal + "'";
    }

    // A helper that lists one table, T, and reads it with this body.
    static QByteArray tableT(const QByteArray& body)
    {
        return "if [ \"$5\" = tables ]; then " +
               printfOf(databaseFrame(AccessVersion::Jet4, {"T"})) + "; else " + body + "; fi";
    }

    // The octal codes of the bytes, for a shell loop that sends them one by one.
    static QByteArray trickled(const QByteArray& bytes)
    {
        QByteArray out;
        for (char c : bytes)
            out += QByteArray::number(uint(uchar(c)), 8).rightJustified(3, '0') + ' ';
        return out;
    }

    // The helper decides what the file is; the program only needs one to be there.
    QString emptyFile(const QString& name) { return WriteTestFile(m_dir.filePath(name), {}); }

private slots:
    void cleanup()
    {
        qunsetenv("BANKFILE_ACCESS_HELPER");
        AccessHelper::limits() = AccessHelper::Limits();
    }

    // Every frame comes back as it went, through a pipe that hands out a byte at a time.
    void framesComeBackAsTheyWent()
    {
        const QList<AccessColumn> columns{{QStringLiteral("نام"), AccessColumn::Kind::Text, 50},
                                          {QStringLiteral("Pic"), AccessColumn::Kind::Ole, 0}};
        const QList<QVariant> values{
            QVariant(),
            QStringLiteral("متن فارسی"),
            QVariant(qint64(-9'007'199'254'740'993)),
            QVariant(0.2),
            QVariant(true),
            QVariant(false),
            QDateTime(QDate(632, 1, 1), QTime(23, 59, 59)),
            QByteArray("\x15\x1c\0\xff", 4),
            QStringLiteral("12345678901234.5678"),
        };
        TrickleSource source(databaseFrame(AccessVersion::Jet3, {"A", "B C"}) +
                             columnsFrame(columns) + countFrame(7) + rowFrame(values) +
                             endFrame());
        FrameReader reader(source);
        Frame f;
        QVERIFY(reader.next(f));
        const DatabaseInfo info = decodeDatabase(f.payload);
        QCOMPARE(info.version, AccessVersion::Jet3);
        QCOMPARE(info.tables, (QStringList{"A", "B C"}));
        QVERIFY(reader.next(f));
        const QList<AccessColumn> back = decodeColumns(f.payload);
        QCOMPARE(back.size(), 2);
        QCOMPARE(back[0].name, columns[0].name);
        QCOMPARE(back[0].size, 50);
        QCOMPARE(back[1].kind, AccessColumn::Kind::Ole);
        QVERIFY(reader.next(f));
        QCOMPARE(decodeCount(f.payload), 7);
        QVERIFY(reader.next(f));
        const QList<QVariant> row = decodeRow(f.payload, values.size());
        QCOMPARE(row.size(), values.size());
        for (qsizetype i = 0; i < values.size(); ++i) {
            QCOMPARE(row[i].isNull(), values[i].isNull());
            QCOMPARE(row[i], values[i]);
        }
        QVERIFY(reader.next(f));
        QCOMPARE(f.type, FrameType::End);
        QVERIFY(!reader.next(f));
    }

    void brokenStreamsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::newRow("cut in the header") << QByteArray("R\x05\0", 3);
        QTest::newRow("cut in the payload") << frame('R', QByteArray(1, '\0')).chopped(1);
        QTest::newRow("length past the cap")
            << QByteArray(1, 'R') + u32(MaxFrame + 1) + QByteArray(16, '\0');
        QTest::newRow("huge length, few bytes") << QByteArray(1, 'R') + u32(MaxFrame) + "abc";
        QTest::newRow("unknown frame") << frame('Q', {});
        QTest::newRow("table count past the payload")
            << frame('D', QByteArray(1, '\1') + u32(1'000'000) + str("x"));
        QTest::newRow("table count past the cap") << frame(
            'D', QByteArray(1, '\1') + u32(MaxTables + 1) + QByteArray(4 * (MaxTables + 1), '\0'));
        QTest::newRow("unknown version") << frame('D', QByteArray(1, '\7') + u32(0));
        QTest::newRow("name past the frame")
            << frame('D', QByteArray(1, '\1') + u32(1) + u32(0xFFFFFFF0u) + "ab");
        QTest::newRow("no columns") << frame('C', u32(0));
        QTest::newRow("column count past the payload") << frame('C', u32(300) + QByteArray(9, 0));
        QTest::newRow("unknown column kind")
            << frame('C', u32(1) + QByteArray(1, '\x40') + u32(0) + str("A"));
        QTest::newRow("negative column size")
            << frame('C', u32(1) + QByteArray(1, '\0') + u32(0xFFFFFFFFu) + str("A"));
        QTest::newRow("negative count") << frame('N', i64(-1));
        QTest::newRow("count with bytes left") << frame('N', i64(3) + "x");
        QTest::newRow("row of the wrong width") << oneColumn() + frame('R', QByteArray(2, '\0'));
        QTest::newRow("row too short") << oneColumn() + frame('R', {});
        QTest::newRow("unknown value tag") << oneColumn() + frame('R', QByteArray(1, '\x09'));
        QTest::newRow("text past the row")
            << oneColumn() + frame('R', QByteArray(1, '\1') + u32(100) + "abc");
        QTest::newRow("bytes past the row")
            << oneColumn() + frame('R', QByteArray(1, '\6') + u32(0x7FFFFFFF));
        QTest::newRow("Yes/No neither") << oneColumn() + frame('R', QByteArray("\4\2", 2));
        QTest::newRow("date before any calendar")
            << oneColumn() + frame('R', QByteArray(1, '\5') + i64(-5'000'000) + u32(0));
        QTest::newRow("time past midnight")
            << oneColumn() + frame('R', QByteArray(1, '\5') + i64(2'459'000) + u32(86'400'000));
        QTest::newRow("integer cut") << oneColumn() + frame('R', QByteArray("\2\1\2", 3));
        QTest::newRow("message past the frame") << frame('X', u32(50) + "short");
        QTest::newRow("message too long to show")
            << frame('X', str(QByteArray(MaxMessage + 1, 'a')));
    }
    void brokenStreamsAreRefused()
    {
        QFETCH(QByteArray, stream);
        QVERIFY_THROWS_EXCEPTION(WireError, decodeAll(stream));
    }

    void aCleanEndBetweenFramesIsNoError()
    {
        decodeAll(oneColumn() + countFrame(0) + endFrame());
        decodeAll(QByteArray());
    }

    // The helper as the program starts it: how it can fail, and what the program makes of it.
    void helperFailuresAreMessages_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message"); // a kind of failure, or the message itself
        QTest::newRow("crashes") << QByteArray("kill -SEGV $$") << "crashed";
        QTest::newRow("aborts") << QByteArray("kill -ABRT $$") << "crashed";
        QTest::newRow("uses up its processor time") << QByteArray("kill -XCPU $$") << "time";
        QTest::newRow("killed by the hard processor limit")
            << QByteArray("kill -KILL $$") << "time";
        QTest::newRow("runs out of memory") << QByteArray("exit 5") << "memory";
        QTest::newRow("says nothing and ends") << QByteArray("exit 0") << "damaged";
        QTest::newRow("stays silent") << QByteArray("exec sleep 30") << "timed out";
        QTest::newRow("sends nonsense")
            << QByteArray("printf 'garbage and more garbage'") << "damaged";
        QTest::newRow("cut frame, then stalls")
            << QByteArray("printf 'D\\022\\000\\000\\000\\001'; exec sleep 30") << "timed out";
        QTest::newRow("cut frame, then crashes")
            << QByteArray("printf 'D\\022\\000\\000\\000\\001'; kill -SEGV $$") << "crashed";
        QTest::newRow("frames out of order")
            << QByteArray("printf 'E\\000\\000\\000\\000'") << "damaged";
        // A byte every half second keeps a pipe busy, but the first frame has a deadline.
        QTest::newRow("trickles its first frame")
            << "for b in $(echo " + trickled(databaseFrame(AccessVersion::Jet4, {"Table1"})) +
                   "); do printf \"\\\\$b\"; sleep 0.5; done"
            << "timed out";
        QTest::newRow("its own message is passed on")
            << printfOf(frame('X', str("The table T is not in the database")))
            << "The table T is not in the database";
    }
    void helperFailuresAreMessages()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        qputenv("BANKFILE_ACCESS_HELPER", fakeHelper(QStringLiteral("fake"), body).toLocal8Bit());
        AccessHelper::limits().openTimeoutMs = 1500;
        const QString file = emptyFile(QStringLiteral("some.mdb"));
        const QMap<QString, QString> kinds{
            {"damaged", AccessDatabase::damagedMessage(file)},
            {"timed out", AccessDatabase::timedOutMessage(file)},
            {"time", AccessDatabase::timeLimitMessage(file)},
            {"memory", AccessDatabase::memoryLimitMessage(file)},
        };
        QElapsedTimer t;
        t.start();
        try {
            AccessDatabase db(file);
            QFAIL("opened");
        } catch (const AccessError& e) {
            if (message == QLatin1String("crashed"))
                QVERIFY2(e.message().startsWith(AccessDatabase::crashedMessage(file, {}).left(60)),
                         qPrintable(e.message()));
            else
                QCOMPARE(e.message(), kinds.value(message, message));
        }
        QVERIFY2(t.elapsed() < 5'000, "a silent helper was waited for too long");
    }

    void aHelperStallingAmidTheRowsIsStopped()
    {
        // It opens the file and gives the columns at once, then says nothing more.
        const QByteArray body = "if [ \"$5\" = tables ]; then " +
                                printfOf(databaseFrame(AccessVersion::Jet4, {"T"})) +
                                "; else " + printfOf(oneColumn()) + "; exec sleep 30; fi";
        qputenv("BANKFILE_ACCESS_HELPER", fakeHelper(QStringLiteral("stalls"), body).toLocal8Bit());
        AccessHelper::limits().idleTimeoutMs = 300;
        const QString file = emptyFile(QStringLiteral("fourth.mdb"));
        AccessDatabase db(file);
        QCOMPARE(db.tableNames(), QStringList{"T"});
        const auto cursor = db.openTable(QStringLiteral("T"));
        QCOMPARE(cursor->columns().size(), 1);
        QElapsedTimer t;
        t.start();
        try {
            cursor->next();
            QFAIL("read a row");
        } catch (const AccessError& e) {
            QCOMPARE(e.message(), AccessDatabase::timedOutMessage(file));
        }
        QVERIFY(t.elapsed() < 10'000);
        // A failed cursor stays at its end.
        QVERIFY(!cursor->next());
    }

    // A count that takes longer than the idle time-out, told as it grows, is waited for; the
    // program hears of it, and of every silence, while it waits.
    void aHelperThatCountsSlowlyIsWaitedFor()
    {
        QByteArray progress;
        for (int i = 1; i <= 6; ++i)
            progress += printfOf(progressFrame(i * 1000)) + "; sleep 0.2; ";
        const QByteArray body = tableT(printfOf(oneColumn()) + "; sleep 0.3; " + progress +
                                       printfOf(countFrame(1) + rowFrame({QStringLiteral("x")}) +
                                                endFrame()));
        qputenv("BANKFILE_ACCESS_HELPER", fakeHelper(QStringLiteral("slow"), body).toLocal8Bit());
        AccessHelper::limits().idleTimeoutMs = 700;
        const QString file = emptyFile(QStringLiteral("slow.mdb"));
        QList<qint64> told;
        const AccessWaitHandler waiting = [&](qint64 counted) { told << counted; };
        AccessDatabase db(file, {}, waiting);
        const auto cursor = db.openQuery(QStringLiteral("select A from T"));
        QCOMPARE(cursor->rowCount(), 1);
        QVERIFY(cursor->next());
        QCOMPARE(cursor->value(0).toString(), QStringLiteral("x"));
        QVERIFY(!cursor->next());
        QVERIFY2(told.contains(6000), qPrintable(QString::number(told.size())));
        // Silences are told too, a tenth of a second apart at most.
        QVERIFY(told.count(-1) >= 2);
    }

    // The handler ends a wait by throwing: the helper is stopped at once.
    void aWaitCanBeGivenUp()
    {
        const QByteArray body = tableT(printfOf(oneColumn()) + "; exec sleep 30");
        qputenv("BANKFILE_ACCESS_HELPER", fakeHelper(QStringLiteral("long"), body).toLocal8Bit());
        const QString file = emptyFile(QStringLiteral("long.mdb"));
        int calls = 0;
        const AccessWaitHandler waiting = [&](qint64) {
            if (++calls == 3)
                throw std::logic_error("cancelled");
        };
        AccessDatabase db(file, {}, waiting);
        QElapsedTimer t;
        t.start();
        const auto cursor = db.openQuery(QStringLiteral("select A from T"));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, cursor->rowCount());
        QVERIFY(t.elapsed() < 2'000);
    }

    // The password reaches the helper in its environment, never on its command line.
    void thePasswordIsNotOnTheCommandLine()
    {
        const QByteArray body =
            "msg=\"pw=$BANKFILE_ACCESS_PASSWORD args=$*\"; n=${#msg}; "
            "printf \"X\\\\$(printf %03o $((n + 4)))\\\\000\\\\000\\\\000\\\\$(printf %03o $n)"
            "\\\\000\\\\000\\\\000%s\" \"$msg\"";
        qputenv("BANKFILE_ACCESS_HELPER", fakeHelper(QStringLiteral("env"), body).toLocal8Bit());
        qputenv("BANKFILE_ACCESS_PASSWORD", "stale");
        const auto restore = qScopeGuard([] { qunsetenv("BANKFILE_ACCESS_PASSWORD"); });
        const QString file = emptyFile(QStringLiteral("pw.mdb"));
        for (const QString& password : {QStringLiteral("s3cret"), QString()}) {
            try {
                AccessDatabase db(file, password);
                QFAIL("opened");
            } catch (const AccessError& e) {
                QVERIFY2(e.message().startsWith(QStringLiteral("pw=%1 args=").arg(password)),
                         qPrintable(e.message()));
                QVERIFY(password.isEmpty() || !e.message().mid(10).contains(password));
            }
        }
    }

    void aMissingHelperIsNamed()
    {
        const QString missing = m_dir.filePath(QStringLiteral("no-such-helper"));
        qputenv("BANKFILE_ACCESS_HELPER", missing.toLocal8Bit());
        const QString file = emptyFile(QStringLiteral("third.mdb"));
        try {
            AccessDatabase db(file);
            QFAIL("opened");
        } catch (const AccessError& e) {
            QVERIFY2(e.message().contains(missing), qPrintable(e.message()));
            QVERIFY(!e.message().contains(QLatin1String("damaged")));
        }
    }

    void theBuiltHelperIsFound()
    {
        QVERIFY2(QFileInfo(AccessHelper::programPath()).isExecutable(),
                 qPrintable(AccessHelper::programPath()));
        QVERIFY(AccessHelper::programPath().endsWith(AccessHelper::programName()));
    }
};

QTEST_GUILESS_MAIN(TestAccessWire)
#include "test_accesswire.moc"

#include "import/engine/support/VoHugeFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Locked memory of this process in kB.
qint64 lockedKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmLck:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Takes CAP_IPC_LOCK out of the effective set (it stays permitted) or puts it back: without
// it the lock limit holds even for root.
bool setIpcLock(bool On)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    if (On)
        data[0].effective |= data[0].permitted & (1u << CAP_IPC_LOCK);
    else
        data[0].effective &= ~(1u << CAP_IPC_LOCK);
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

class TestVoHugeFile : public QObject
{
    Q_OBJECT

private slots:
    void bufferedWriteThenRead_data();
    void bufferedWriteThenRead();
    void recordsAndSizes();
    void seekInsideAndOutsideBuffer();
    void modeErrors();
    void openResults();
    void closeAtEnd();
    void lockedBuffer_data();
    void lockedBuffer();
    void fileDate();
    void heldFileWaitedFor_data();
    void heldFileWaitedFor();

private:
    QTemporaryDir m_dir;
};

void TestVoHugeFile::bufferedWriteThenRead_data()
{
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<int>("recordSize");
    QTest::newRow("default buffer") << 0 << 1;
    QTest::newRow("tiny buffer") << 7 << 1;
    QTest::newRow("records of 3, buffer rounded") << 10 << 3;
}

void TestVoHugeFile::bufferedWriteThenRead()
{
    QFETCH(int, bufferSize);
    QFETCH(int, recordSize);
    const QString name = m_dir.filePath(QStringLiteral("data.bin"));
    QByteArray data;
    for (int i = 0; i < 3000 * recordSize; ++i)
        data.append(char(i * 7 + 1));
    {
        TVoHugeFile file(name);
        file.RewriteBuffered(recordSize, bufferSize);
        qint64 written = 0;
        file.BlockWrite(data.constData(), 1000, written);
        QCOMPARE(written, qint64(1000));
        file.BlockWrite(data.constData() + 1000 * recordSize, 2000, written);
        QCOMPARE(file.FilePos(), qint64(3000));
        QCOMPARE(file.FileSize(), qint64(3000)); // counts what is still in the buffer
    }
    TVoHugeFile file(name);
    file.ResetBuffered(recordSize, bufferSize);
    QByteArray back(data.size() + 10, '\0');
    qint64 read = 0;
    file.BlockRead(back.data(), 1234, read);
    QCOMPARE(read, qint64(1234));
    qint64 rest = 0;
    file.BlockRead(back.data() + 1234 * recordSize, 5000, rest);
    QCOMPARE(rest, qint64(3000 - 1234));
    QCOMPARE(back.left(data.size()), data);
}

void TestVoHugeFile::recordsAndSizes()
{
    const QString name = m_dir.filePath(QStringLiteral("records.bin"));
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(10, 'r'));
    f.close();

    TVoHugeFile file(name);
    file.Reset(4);
    QCOMPARE(file.FileSize(), qint64(3)); // a partial last record counts
    file.Seek(2);
    QCOMPARE(file.FilePos(), qint64(2));
    char buf[8];
    qint64 read = -1;
    file.BlockRead(buf, 2, read);
    QCOMPARE(read, qint64(0)); // only half a record left
}

void TestVoHugeFile::seekInsideAndOutsideBuffer()
{
    const QString name = m_dir.filePath(QStringLiteral("seek.bin"));
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray data;
    for (int i = 0; i < 1000; ++i)
        data.append(char(i % 251));
    f.write(data);
    f.close();

    TVoHugeFile file(name, TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    file.ResetBuffered(1, 100);
    char c = 0;
    qint64 read = 0;
    for (qint64 pos : {qint64(50), qint64(10), qint64(99), qint64(700), qint64(5), qint64(999)}) {
        file.Seek(pos);
        QCOMPARE(file.FilePos(), pos);
        file.BlockRead(&c, 1, read);
        QCOMPARE(read, qint64(1));
        QCOMPARE(c, data[pos]);
        QCOMPARE(file.FilePos(), pos + 1);
    }
    file.BlockRead(&c, 1, read);
    QCOMPARE(read, qint64(0));
    QVERIFY_THROWS_EXCEPTION(EVoHugeFile, file.Seek(-1));
}

namespace {

// The code and message of the error f raises.
QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EVoHugeFile& e) {
        return QString::number(e.code()) + u' ' + e.message();
    }
    return QStringLiteral("no error");
}

} // namespace

void TestVoHugeFile::modeErrors()
{
    const QString name = m_dir.filePath(QStringLiteral("modes.bin"));
    char c = 'x';
    qint64 n = 0;
    TVoHugeFile file(name);
    QCOMPARE(errorOf([&] { file.BlockRead(&c, 1, n); }),
             QStringLiteral("1004 TVoHugeFile(%1):File not open!").arg(name));
    QCOMPARE(errorOf([&] { file.Rewrite(0); }),
             QStringLiteral("1003 TVoHugeFile(%1):BlockSize must be greater than zero!").arg(name));
    file.RewriteBuffered(1, 16);
    QCOMPARE(errorOf([&] { file.BlockRead(&c, 1, n); }),
             QStringLiteral("1002 TVoHugeFile(%1):Read while in buffered write mode!").arg(name));
    file.BlockWrite(&c, 1, n);
    file.ResetBuffered(1, 16);
    QCOMPARE(errorOf([&] { file.BlockWrite(&c, 1, n); }),
             QStringLiteral("1002 TVoHugeFile(%1):Write while in buffered read mode!").arg(name));
    file.BlockRead(&c, 1, n);
    QCOMPARE(n, qint64(1));
    QCOMPARE(c, 'x');
}

void TestVoHugeFile::openResults()
{
    const QString missing = m_dir.filePath(QStringLiteral("missing.bin"));
    TVoHugeFile file(missing);
    QCOMPARE(file.Open(false, 0, 1, 0), int(TVoHugeFile::hfrFileNotFound));
    QVERIFY(!file.IsOpen());
    QVERIFY(errorOf([&] { file.Reset(); })
                .startsWith(QStringLiteral("1001 TVoHugeFile.Reset(%1) failed. System Error.  "
                                           "Code: 2.")
                                .arg(missing)));
    QCOMPARE(file.Open(false, TVoHugeFile::hfoCanCreate, 1, 0), int(TVoHugeFile::hfrOk));
    QCOMPARE(file.FileSize(), qint64(0));
    file.Close();

    TVoHugeFile folder(m_dir.path());
    QCOMPARE(folder.Open(false, 0, 1, 0), int(TVoHugeFile::hfrError));

    // A pipe without a writer would keep the open waiting, a device never end.
    const QString pipe = m_dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString& path : {pipe, QStringLiteral("/dev/zero")}) {
        TVoHugeFile other(path, TVoHugeFile::vaRead, TVoHugeFile::vsRead);
        QCOMPARE(errorOf([&] { other.Reset(); }),
                 QStringLiteral("1005 TVoHugeFile.Reset(%1) failed. The path is not a regular file")
                     .arg(path));
        QVERIFY(!other.IsOpen());
    }
}

void TestVoHugeFile::closeAtEnd()
{
    const QString name = m_dir.filePath(QStringLiteral("eof.bin"));
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("abc");
    f.close();
    TVoHugeFile file(name);
    QCOMPARE(file.Open(false, TVoHugeFile::hfoBuffered | TVoHugeFile::hfoCloseAtEOF, 1, 0), 0);
    char buf[8];
    qint64 n = 0;
    file.BlockRead(buf, 8, n);
    QCOMPARE(n, qint64(3));
    QVERIFY(!file.IsOpen());
}

// The buffer is kept in memory when asked and allowed; a refused lock changes nothing else.
void TestVoHugeFile::lockedBuffer_data()
{
    QTest::addColumn<bool>("refused");
    QTest::newRow("allowed") << false;
    QTest::newRow("refused by the lock limit") << true;
}

void TestVoHugeFile::lockedBuffer()
{
    QFETCH(bool, refused);
    constexpr int kBuffer = 256 * 1024;
    rlimit before{};
    QVERIFY(getrlimit(RLIMIT_MEMLOCK, &before) == 0);
    const qint64 lockedBefore = lockedKiB();
    if (refused) {
        rlimit none = before;
        none.rlim_cur = 0;
        QVERIFY(setrlimit(RLIMIT_MEMLOCK, &none) == 0);
        QVERIFY(setIpcLock(false));
    }
    const auto restore = qScopeGuard([&] {
        setrlimit(RLIMIT_MEMLOCK, &before);
        setIpcLock(true);
    });
    const QString name = m_dir.filePath(QStringLiteral("locked.bin"));
    QByteArray data;
    for (int i = 0; i < 3 * kBuffer + 5; ++i)
        data.append(char(i * 13 + 3));
    {
        TVoHugeFile file(name);
        QCOMPARE(file.Open(true, TVoHugeFile::hfoBuffered | TVoHugeFile::hfoLockBuffer, 1,
                           kBuffer),
                 int(TVoHugeFile::hfrOk));
        if (refused)
            QVERIFY(!file.BufferLocked());
        else if (before.rlim_cur == RLIM_INFINITY || before.rlim_cur >= rlim_t(2 * kBuffer))
            QVERIFY(file.BufferLocked());
        if (file.BufferLocked())
            QVERIFY(lockedKiB() >= lockedBefore + kBuffer / 1024);
        qint64 n = 0;
        file.BlockWrite(data.constData(), data.size(), n);
        QCOMPARE(n, qint64(data.size()));
    }
    QCOMPARE(lockedKiB(), lockedBefore);
    TVoHugeFile file(name);
    QCOMPARE(file.Open(false, TVoHugeFile::hfoBuffered | TVoHugeFile::hfoLockBuffer, 1, kBuffer),
             int(TVoHugeFile::hfrOk));
    QCOMPARE(file.BufferLocked(), !refused && lockedKiB() > lockedBefore);
    QByteArray back(data.size(), '\0');
    qint64 n = 0;
    file.BlockRead(back.data(), back.size(), n);
    QCOMPARE(back, data);
    file.Close();
    QVERIFY(!file.BufferLocked());
    QCOMPARE(lockedKiB(), lockedBefore);
}

void TestVoHugeFile::fileDate()
{
    const QString name = m_dir.filePath(QStringLiteral("date.bin"));
    TVoHugeFile file(name);
    file.RewriteBuffered(1, 0);
    qint64 n = 0;
    file.BlockWrite("data", 4, n);
    const QDateTime when(QDate(2020, 3, 20), QTime(10, 30, 15));
    file.SetDate(when);
    QCOMPARE(file.FileDate(), when);
    file.Close();
    QCOMPARE(QFileInfo(name).lastModified(), when);
    QCOMPARE(QFileInfo(name).size(), qint64(4));
}

// A file another process holds locked is waited for up to WaitTime, then reported as in use;
// the child holds its lock for about 600 ms.
void TestVoHugeFile::heldFileWaitedFor_data()
{
    QTest::addColumn<QString>("lockCall");
    QTest::addColumn<int>("waitTime");
    QTest::addColumn<bool>("opens");
    QTest::newRow("flock, waited for") << "fcntl.flock(f, fcntl.LOCK_EX)" << 10000 << true;
    QTest::newRow("fcntl lock, waited for") << "fcntl.lockf(f, fcntl.LOCK_EX)" << 10000 << true;
    QTest::newRow("flock, too short a wait") << "fcntl.flock(f, fcntl.LOCK_EX)" << 100 << false;
    QTest::newRow("no wait") << "fcntl.lockf(f, fcntl.LOCK_EX)" << 0 << false;
}

void TestVoHugeFile::heldFileWaitedFor()
{
    QFETCH(QString, lockCall);
    QFETCH(int, waitTime);
    QFETCH(bool, opens);
    const QString name = m_dir.filePath(QStringLiteral("held.txt"));
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("a,b\n");
    f.close();
    QProcess child;
    child.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"),
                                                     QStringLiteral("import fcntl, sys, time\n"
                                                                    "f = open(sys.argv[1], 'r+')\n"
                                                                    "%1\n"
                                                                    "print('held', flush=True)\n"
                                                                    "time.sleep(0.6)\n")
                                                         .arg(lockCall),
                                                     name});
    QVERIFY(child.waitForReadyRead(10000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("held"));
    QElapsedTimer clock;
    clock.start();
    TVoHugeFile file(name, TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    const int result = file.Open(false, 0, 1, 0, waitTime);
    const qint64 took = clock.elapsed();
    const QString refused = opens ? QString() : errorOf([&] { file.Reset(); });
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(result == TVoHugeFile::hfrOk, opens);
    QCOMPARE(file.WasHeld(), !opens);
    if (opens) {
        QVERIFY2(took >= 300, qPrintable(QString::number(took))); // it did wait for the lock
    } else {
        QVERIFY(took < 5000);
        QVERIFY2(refused.contains(QStringLiteral("in use by another program")),
                 qPrintable(refused));
    }
    // Once let go, the file opens at once.
    QCOMPARE(file.Open(false, 0, 1, 0), int(TVoHugeFile::hfrOk));
}

QTEST_MAIN(TestVoHugeFile)
#include "test_vohugefile.moc"

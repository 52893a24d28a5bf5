// The program's writers (bank files, templates and ini files, the helper itself) replace a
// plain file whole and follow a link, but write into a pipe or a device as it is: the node
// stays, and a failure of the write is reported, never success.
#include "app/core/banklines.h"
#include "import/engine/support/WideStrings.h"
#include "platform/files/Files.h"
#include "platform/ini/IniFile.h"
#include "tests/support/LeavingReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

// A name looked up by stat() is swapped at that moment, once: the swap a check by name before
// an open by name lets pass.
QByteArray g_swapAt;
std::function<void()> g_swap;

} // namespace

extern "C" int stat(const char* __restrict path, struct stat* __restrict buf) noexcept
{
    const int result = ::fstatat(AT_FDCWD, path, buf, 0);
    if (g_swap && g_swapAt == path) {
        const std::function<void()> swap = std::move(g_swap);
        g_swap = nullptr;
        swap();
    }
    return result;
}

namespace {

// Writes the same few bytes through one of the program's writers; the reason it failed, or
// empty.
QString writeThrough(const QString& writer, const QString& path)
{
    try {
        if (writer == QLatin1String("helper"))
            return files::writeWhole(path, QByteArrayView("a line\r\n"));
        if (writer == QLatin1String("bank file")) {
            WriteBankFile(path, {QStringLiteral("0123456789")});
            return QString();
        }
        IniFile ini(path);
        ini.writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
        ini.save();
        return QString();
    } catch (const BankLineError& e) {
        return QString::fromStdString(e.what());
    } catch (const IniError& e) {
        return e.message();
    }
}

QByteArray expectedBytes(const QString& writer)
{
    if (writer == QLatin1String("helper"))
        return "a line\r\n";
    if (writer == QLatin1String("bank file"))
        return "0123456789\r\n";
    return "[S]\nk=v\n";
}

// A copy of the full disk's device in dir where one can be made, else the device itself.
QString fullDevice(const QTemporaryDir& dir)
{
    const QString copy = dir.filePath(QStringLiteral("full"));
    if (::mknod(QFile::encodeName(copy).constData(), S_IFCHR | 0600, makedev(1, 7)) == 0)
        return copy;
    return QStringLiteral("/dev/full");
}

// The program at the other end of a pipe, reading it to its end on a thread of its own. The test
// holds the pipe open for writing meanwhile, so that the reader never waits for a writer that
// may not come (a pipe replaced by a plain file): the end comes once both have closed it.
class PipeReader
{
public:
    explicit PipeReader(const QString& fifo) : m_name(QFile::encodeName(fifo))
    {
        m_hold = ::open(m_name.constData(), O_RDWR | O_CLOEXEC); // never waits
        m_thread = std::thread([this] {
            const int fd = ::open(m_name.constData(), O_RDONLY | O_CLOEXEC);
            m_opened = true;
            if (fd < 0)
                return;
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
                m_data.append(buffer, qsizetype(n));
            ::close(fd);
        });
        while (!m_opened)
            std::this_thread::yield();
    }
    ~PipeReader() { finish(); }
    QByteArray finish()
    {
        if (m_hold >= 0) {
            ::close(m_hold);
            m_hold = -1;
        }
        if (m_thread.joinable())
            m_thread.join();
        return m_data;
    }

private:
    QByteArray m_name;
    int m_hold = -1;
    std::atomic<bool> m_opened{false};
    std::thread m_thread;
    QByteArray m_data;
};

// Writes far more than a pipe holds through one of the program's writers; the reason it
// failed, or empty.
QString writeMuchThrough(const QString& writer, const QString& path)
{
    constexpr int kLines = 100000;
    try {
        if (writer == QLatin1String("helper"))
            return files::writeWhole(path, QByteArray(1 << 20, 'x'));
        if (writer == QLatin1String("bank file")) {
            WriteBankFile(path, QStringList(kLines, QStringLiteral("0123456789")));
            return QString();
        }
        if (writer == QLatin1String("list")) {
            TWideStringList list;
            for (int i = 0; i < kLines; ++i)
                list.Add(QStringLiteral("a line of the list"));
            list.SaveToFile(path);
            return QString();
        }
        if (writer == QLatin1String("lines")) {
            QFile out(path);
            if (const QString why =
                    files::openForWriting(out, QIODevice::WriteOnly | QIODevice::Truncate);
                !why.isEmpty())
                return why;
            QString why;
            for (int i = 0; i < kLines && why.isEmpty(); ++i)
                why = files::write(out, "a line of the log\r\n");
            const QString closed = files::close(out);
            return why.isEmpty() ? closed : why;
        }
        if (writer == QLatin1String("descriptor")) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
            const QByteArray bytes(1 << 20, 'x');
            qsizetype done = 0;
            ssize_t n = 0;
            while (done < bytes.size() &&
                   (n = files::writeDescriptor(fd, bytes.constData() + done,
                                               std::size_t(bytes.size() - done))) > 0)
                done += n;
            const int err = errno;
            ::close(fd);
            return n < 0 ? QString::fromLocal8Bit(std::strerror(err)) : QString();
        }
        return QStringLiteral("no writer %1").arg(writer);
    } catch (const BankLineError& e) {
        return QString::fromStdString(e.what());
    } catch (const IniError& e) {
        return e.message();
    } catch (const EStringListError& e) {
        return e.message();
    }
}

bool pipeSignalPending()
{
    sigset_t pending;
    sigemptyset(&pending);
    return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

bool pipeSignalBlocked()
{
    sigset_t mask;
    sigemptyset(&mask);
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    return sigismember(&mask, SIGPIPE) == 1;
}

mode_t kindOf(const QString& path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & S_IFMT;
}

// The ini file reads its file first: a pipe or a device is refused there (below).
void writers()
{
    QTest::addColumn<QString>("writer");
    QTest::newRow("helper") << "helper";
    QTest::newRow("bank file") << "bank file";
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    // As in a program that set no handler: a SIGPIPE would end this one.
    void initTestCase() { ::signal(SIGPIPE, SIG_DFL); }

    // The program at the other end of a pipe leaves while the bytes still come: the write
    // fails with the reason, the program lives on, and no SIGPIPE is left behind or blocked.
    void readerLeavingMidwayIsTheWritesError_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::newRow("helper") << "helper";
        QTest::newRow("bank file") << "bank file";
        QTest::newRow("template") << "template";
        QTest::newRow("list") << "list";
        QTest::newRow("lines of a log") << "lines";
        QTest::newRow("descriptor") << "descriptor";
    }
    void readerLeavingMidwayIsTheWritesError()
    {
        QFETCH(QString, writer);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("out.fifo"));
        QString failure;
        QByteArray received;
        if (writer == QLatin1String("template")) {
            // The template was read when the pipe was not there yet (a pipe is refused then).
            IniFile ini(fifo);
            ini.writeString(QStringLiteral("S"), QStringLiteral("k"), QString(1 << 20, u'v'));
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            LeavingReader reader(fifo);
            try {
                ini.save();
            } catch (const IniError& e) {
                failure = e.message();
            }
            received = reader.finish();
        } else {
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            LeavingReader reader(fifo);
            failure = writeMuchThrough(writer, fifo);
            received = reader.finish();
        }
        QVERIFY(!received.isEmpty()); // it left midway, not before the writer came
        QVERIFY2(failure.contains(QString::fromLocal8Bit(std::strerror(EPIPE))),
                 qPrintable(failure));
        QVERIFY(!pipeSignalPending());
        QVERIFY(!pipeSignalBlocked());
        QCOMPARE(kindOf(fifo), mode_t(S_IFIFO));
    }

    // A SIGPIPE that was pending before a write, from elsewhere, is left to its owner.
    void anEarlierPendingSignalIsKept()
    {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t before;
        pthread_sigmask(SIG_BLOCK, &pipe, &before);
        ::pthread_kill(::pthread_self(), SIGPIPE);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("out.fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QString failure;
        {
            LeavingReader reader(fifo);
            failure = writeMuchThrough(QStringLiteral("helper"), fifo);
        }
        const bool pending = pipeSignalPending();
        const bool blocked = pipeSignalBlocked();
        const timespec none{0, 0};
        sigtimedwait(&pipe, nullptr, &none);
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        QVERIFY(!failure.isEmpty());
        QVERIFY(pending);
        QVERIFY(blocked);
    }

    // The name is swapped for another kind of node at the moment it is looked up: what is
    // written follows the node that was opened, and a plain file swapped in is either left
    // alone or replaced whole, never written over in part.
    void aSwapAfterALookUpIsNotFollowed_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::newRow("helper") << "helper";
        QTest::newRow("bank file") << "bank file";
        QTest::newRow("lines of a log") << "lines";
    }
    void aSwapAfterALookUpIsNotFollowed()
    {
        QFETCH(QString, writer);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("out"));
        const QString plain = dir.filePath(QStringLiteral("plain"));
        const QByteArray old = "an older and much longer content than the new one\n";
        {
            QFile f(plain);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        PipeReader reader(fifo);
        g_swapAt = QFile::encodeName(fifo);
        g_swap = [&] { ::rename(QFile::encodeName(plain).constData(), g_swapAt.constData()); };
        QString failure;
        if (writer == QLatin1String("lines")) {
            QFile out(fifo);
            failure = files::openForWriting(out, QIODevice::WriteOnly | QIODevice::Truncate);
            if (failure.isEmpty())
                failure = files::write(out, "one\r\ntwo\r\n");
            if (failure.isEmpty())
                failure = files::close(out);
        } else {
            failure = writeThrough(writer, fifo);
        }
        g_swap = nullptr;
        const QByteArray received = reader.finish();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QByteArray expected =
            writer == QLatin1String("lines") ? QByteArray("one\r\ntwo\r\n") : expectedBytes(writer);
        if (kindOf(fifo) == S_IFREG) {
            QFile f(fifo);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray now = f.readAll();
            QVERIFY2(now == old || now == expected, now.constData());
            QCOMPARE(received + (now == expected ? now : QByteArray()), expected);
        } else {
            QCOMPARE(kindOf(fifo), mode_t(S_IFIFO));
            QCOMPARE(received, expected);
        }
    }

    // A name resolved within a folder is opened without following a link put on its way after
    // the check: the file is not made, nor written, elsewhere.
    void aLinkPutOnAResolvedNameIsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("swap"); // "file", "file inside", "folder" or "none"
        QTest::newRow("nothing changed") << "sub/a.log" << QStringLiteral("none");
        QTest::newRow("the file made a link out") << "sub/a.log" << QStringLiteral("file");
        QTest::newRow("a folder made a link out") << "sub/a.log" << QStringLiteral("folder");
        QTest::newRow("the file made a link inside") << "a.log" << QStringLiteral("file inside");
    }
    void aLinkPutOnAResolvedNameIsRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, swap);
        QTemporaryDir base;
        const QString root = base.filePath(QStringLiteral("program"));
        const QString elsewhere = base.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/sub")));
        QVERIFY(QDir().mkpath(elsewhere));
        QString why;
        const QString resolved = files::resolveInside(root, name, &why);
        QVERIFY2(!resolved.isEmpty(), qPrintable(why));
        const QString fileName = QFileInfo(resolved).fileName();
        if (swap == QLatin1String("file")) {
            QVERIFY(QFile::link(elsewhere + u'/' + fileName, resolved));
        } else if (swap == QLatin1String("file inside")) {
            QVERIFY(QFile::link(root + QStringLiteral("/sub/") + fileName, resolved));
        } else if (swap == QLatin1String("folder")) {
            QVERIFY(QDir().rename(root + QStringLiteral("/sub"), root + QStringLiteral("/old")));
            QVERIFY(QFile::link(elsewhere, root + QStringLiteral("/sub")));
        }
        QFile out(resolved);
        QString failure = files::openForWriting(out, QIODevice::WriteOnly | QIODevice::Truncate,
                                                files::Links::None);
        if (failure.isEmpty())
            failure = files::write(out, "line\r\n");
        files::close(out);
        QVERIFY(QDir(elsewhere).isEmpty());
        if (swap == QLatin1String("none")) {
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            QFile f(resolved);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("line\r\n"));
        } else {
            QVERIFY2(failure.contains(resolved), qPrintable(failure));
            QVERIFY(!QFileInfo::exists(resolved));
        }
    }

    // A named pipe another program reads gets the bytes and stays a pipe.
    void pipeIsWrittenInto_data() { writers(); }
    void pipeIsWrittenInto()
    {
        QFETCH(QString, writer);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("out.fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // The reader opens the pipe first, as the program at the other end would.
        PipeReader reader(fifo);
        const QString failure = writeThrough(writer, fifo);
        const QByteArray received = reader.finish();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(received, expectedBytes(writer));
        QCOMPARE(kindOf(fifo), mode_t(S_IFIFO));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden),
                 QStringList{QStringLiteral("out.fifo")});
    }

    // Nothing reads from the pipe: refused at once with a reason, never waited on.
    void pipeWithoutReaderIsRefused_data() { writers(); }
    void pipeWithoutReaderIsRefused()
    {
        QFETCH(QString, writer);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("out.fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString failure = writeThrough(writer, fifo);
        QVERIFY(!failure.isEmpty());
        QCOMPARE(kindOf(fifo), mode_t(S_IFIFO));
    }

    // A device that takes no bytes (the full disk's device): the failure is reported and the
    // device stays. A copy of it in a folder of the test's own is used where one can be made.
    void fullDeviceReportsTheFailure_data() { writers(); }
    void fullDeviceReportsTheFailure()
    {
        QFETCH(QString, writer);
        QTemporaryDir dir;
        const QString device = fullDevice(dir);
        if (!QFileInfo::exists(device))
            QSKIP("no full device here");
        const QString failure = writeThrough(writer, device);
        QVERIFY2(!failure.isEmpty(), "a write into a full device was taken for success");
        QCOMPARE(kindOf(device), mode_t(S_IFCHR));
    }

    // An ini file (a template) on a pipe or a device is refused with its name before anything
    // is read: a pipe would be waited on, a device read without end.
    void iniFileOnAPipeOrDeviceIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("device") << "device";
    }
    void iniFileOnAPipeOrDeviceIsRefused()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("t.imp"));
        if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            path = fullDevice(dir);
        const mode_t before = kindOf(path);
        const QString failure = writeThrough(QStringLiteral("ini file"), path);
        QVERIFY(failure.contains(path));
        QCOMPARE(kindOf(path), before);
    }

    // A plain file is replaced whole; through a link, the file it names is, and the link stays.
    void plainFileAndLink_data()
    {
        writers();
        QTest::newRow("ini file") << "ini file";
    }
    void plainFileAndLink()
    {
        QFETCH(QString, writer);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("target.txt"));
        const QString link = dir.filePath(QStringLiteral("link.txt"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("; an older and much longer content than the new one\n");
        }
        QVERIFY(QFile::link(file, link));
        const QString failure = writeThrough(writer, link);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(kindOf(link), mode_t(S_IFLNK));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        // The ini file keeps what it read, a comment here.
        QCOMPARE(f.readAll(), (writer == QLatin1String("ini file")
                                   ? QByteArray("; an older and much longer content than the "
                                                "new one\n")
                                   : QByteArray()) +
                                  expectedBytes(writer));
    }

    // The log's way of writing: lines into a pipe as they come.
    void linesIntoAPipe()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("log.fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QFile none(fifo);
        QVERIFY(!files::openForWriting(none, QIODevice::WriteOnly | QIODevice::Truncate)
                     .isEmpty());
        PipeReader reader(fifo);
        {
            QFile out(fifo);
            const QString failure =
                files::openForWriting(out, QIODevice::WriteOnly | QIODevice::Truncate);
            QVERIFY2(out.isOpen(), qPrintable(failure));
            QCOMPARE(out.write("one\r\n"), 5);
            QCOMPARE(out.write("two\r\n"), 5);
        }
        QCOMPARE(reader.finish(), QByteArray("one\r\ntwo\r\n"));
        QCOMPARE(kindOf(fifo), mode_t(S_IFIFO));
    }

    // A template's name stays within the folder given, whatever links lie on its way.
    void namesResolveInsideTheFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // relative to the folder; "!" for refused
        QTest::newRow("bare") << "a.log" << "a.log";
        QTest::newRow("dot folder") << "./a.log" << "a.log";
        QTest::newRow("existing folder") << "sub/a.log" << "sub/a.log";
        QTest::newRow("missing folder") << "none/a.log" << "a.log";
        QTest::newRow("backslashes") << "sub\\a.log" << "sub/a.log";
        QTest::newRow("up") << "../a.log" << "!";
        QTest::newRow("up inside") << "sub/../a.log" << "!";
        QTest::newRow("absolute") << "/tmp/a.log" << "!";
        QTest::newRow("drive") << "C:\\a.log" << "!";
        QTest::newRow("folder link inside") << "inner/a.log" << "sub/a.log";
        QTest::newRow("folder link out") << "out/a.log" << "!";
        QTest::newRow("file link out") << "victim.log" << "!";
        QTest::newRow("file link to a missing file out") << "dangling.log" << "!";
        QTest::newRow("file link inside") << "alias.log" << "sub/real.log";
        QTest::newRow("link to a missing folder") << "gone/a.log" << "a.log";
    }
    void namesResolveInsideTheFolder()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QTemporaryDir base;
        const QString root = base.filePath(QStringLiteral("program"));
        const QString elsewhere = base.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/sub")));
        QVERIFY(QDir().mkpath(elsewhere));
        QFile victim(elsewhere + QStringLiteral("/victim.txt"));
        QVERIFY(victim.open(QIODevice::WriteOnly));
        victim.close();
        QVERIFY(QFile::link(root + QStringLiteral("/sub"), root + QStringLiteral("/inner")));
        QVERIFY(QFile::link(elsewhere, root + QStringLiteral("/out")));
        QVERIFY(QFile::link(elsewhere + QStringLiteral("/victim.txt"),
                            root + QStringLiteral("/victim.log")));
        QVERIFY(QFile::link(elsewhere + QStringLiteral("/new.txt"),
                            root + QStringLiteral("/dangling.log")));
        QVERIFY(QFile::link(QStringLiteral("sub/real.log"), root + QStringLiteral("/alias.log")));
        QVERIFY(QFile::link(base.filePath(QStringLiteral("gone")), root + QStringLiteral("/gone")));
        QString why;
        const QString resolved = files::resolveInside(root, name, &why);
        if (expected == QLatin1String("!")) {
            QVERIFY2(resolved.isEmpty(), qPrintable(resolved));
            QVERIFY(!why.isEmpty());
        } else {
            QCOMPARE(resolved, QDir(root).canonicalPath() + u'/' + expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"

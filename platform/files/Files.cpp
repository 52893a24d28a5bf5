#include "platform/files/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

int openRetrying(const QByteArray& name, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(name.constData(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Opened without waiting (for a pipe's other end); read and written at the pace of the other
// end from then on, as any file.
void blockAgain(int fd)
{
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl >= 0)
        ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
}

// What fd is; on failure fd is closed and the reason is in *why.
bool statOpen(int fd, struct stat* st, QString* why)
{
    if (::fstat(fd, st) == 0)
        return true;
    *why = systemReason(errno);
    ::close(fd);
    return false;
}

// While it lives, SIGPIPE is blocked for this thread: a write into a pipe whose reader left
// then fails with EPIPE instead of ending the process. A SIGPIPE the writes raised is taken
// back before the mask is restored; one that was already pending is left for its owner.
class QuietPipe
{
public:
    QuietPipe()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_before);
        m_pendingBefore = pipePending();
    }
    ~QuietPipe()
    {
        const int saved = errno;
        if (!m_pendingBefore && pipePending()) {
            const timespec none{0, 0};
            while (sigtimedwait(&m_pipe, nullptr, &none) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
        errno = saved;
    }
    QuietPipe(const QuietPipe&) = delete;
    QuietPipe& operator=(const QuietPipe&) = delete;

private:
    static bool pipePending()
    {
        sigset_t pending;
        sigemptyset(&pending);
        return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
    }
    sigset_t m_pipe;
    sigset_t m_before;
    bool m_pendingBefore = false;
};

// Opens path along its folders from the root without following any link; one found on the
// way fails the open (ELOOP or ENOTDIR).
int openWithoutLinks(const QByteArray& path, int flags, mode_t mode)
{
    if (!path.startsWith('/')) {
        errno = EINVAL;
        return -1;
    }
    const QList<QByteArray> parts = path.split('/');
    const QByteArray& name = parts.last();
    if (name.isEmpty() || name == "." || name == "..") {
        errno = EISDIR;
        return -1;
    }
    int dir = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return -1;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QByteArray& part = parts.at(i);
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") { // never in a resolved name
            ::close(dir);
            errno = ELOOP;
            return -1;
        }
        const int next =
            ::openat(dir, part.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int err = errno;
        ::close(dir);
        if (next < 0) {
            errno = err;
            return -1;
        }
        dir = next;
    }
    int fd;
    do {
        fd = ::openat(dir, name.constData(), flags | O_NOFOLLOW, mode);
    } while (fd < 0 && errno == EINTR);
    const int err = errno;
    ::close(dir);
    errno = err;
    return fd;
}

// Opens path to write into it, without waiting for a pipe's reader and without taking a
// terminal as the program's own. -1 with the reason in *why.
int openToWrite(const QString& path, int extra, Links links, QString* why)
{
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | extra;
    const int fd = links == Links::None ? openWithoutLinks(name, flags, 0666)
                                        : openRetrying(name, flags, 0666);
    if (fd >= 0) {
        blockAgain(fd);
        return fd;
    }
    const int err = errno;
    if (err == ENXIO) // a pipe without a reader would take the bytes nowhere
        *why = QStringLiteral("no program reads from %1").arg(path);
    else if (err == EISDIR)
        *why = QStringLiteral("%1 is a folder").arg(path);
    else if (links == Links::None && (err == ELOOP || err == ENOTDIR))
        *why = QStringLiteral("the way to %1 changed after its name was checked: a link stands "
                              "on it now")
                   .arg(path);
    else
        *why = systemReason(err);
    errno = err;
    return -1;
}

QString writeAll(int fd, QByteArrayView bytes)
{
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = writeDescriptor(fd, p, std::size_t(left));
        if (n < 0)
            return systemReason(errno);
        if (n == 0)
            return systemReason(EIO);
        p += n;
        left -= n;
    }
    return QString();
}

QString replacePlainFile(const QString& path, QByteArrayView bytes)
{
    QSaveFile file(path);
    errno = 0;
    const auto fail = [&file] {
        const int err = errno;
        QString reason = file.errorString();
        if (err != 0 && (reason.isEmpty() || reason == QLatin1String("Unknown error")))
            reason = systemReason(err);
        file.cancelWriting();
        return reason.isEmpty() ? systemReason(EIO) : reason;
    };
    // Unbuffered, so a write that fails reports the system's reason (a full disk) at once
    // rather than a flush failing later without one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail();
    if (file.write(bytes.data(), bytes.size()) != bytes.size())
        return fail();
    if (!file.commit())
        return fail();
    return QString();
}

} // namespace

ssize_t writeDescriptor(int fd, const void* data, std::size_t size)
{
    const QuietPipe quiet;
    ssize_t n;
    do {
        n = ::write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

QString writeWhole(const QString& path, QByteArrayView bytes)
{
    // What is there is asked of the node itself, once it is open: nothing else can take its
    // name in between.
    QString why;
    const int fd = openToWrite(path, 0, Links::Follow, &why);
    if (fd < 0)
        return errno == ENOENT ? replacePlainFile(path, bytes) : why;
    struct stat st;
    if (!statOpen(fd, &st, &why))
        return why;
    if (S_ISREG(st.st_mode)) {
        ::close(fd);
        return replacePlainFile(path, bytes);
    }
    why = writeAll(fd, bytes);
    // A device may keep bytes back until it is closed: its failure is the write's.
    if (::close(fd) != 0 && why.isEmpty() && errno != EINTR)
        why = systemReason(errno);
    return why;
}

QString openForWriting(QFile& file, QIODevice::OpenMode mode, Links links)
{
    const QString path = file.fileName();
    QString why;
    const bool append = mode.testFlag(QIODevice::Append);
    const int fd = openToWrite(path, O_CREAT | (append ? O_APPEND : 0), links, &why);
    if (fd < 0)
        return why;
    struct stat st;
    if (!statOpen(fd, &st, &why))
        return why;
    // Only a plain file is emptied: a pipe or a device is written into as it is.
    if (S_ISREG(st.st_mode) && mode.testFlag(QIODevice::Truncate) && !append &&
        ::ftruncate(fd, 0) != 0) {
        why = systemReason(errno);
        ::close(fd);
        return why;
    }
    if (!file.open(fd, (mode & ~QIODevice::Truncate) | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return QString();
}

QString write(QFileDevice& file, QByteArrayView bytes)
{
    const QuietPipe quiet;
    errno = 0;
    if (file.write(bytes.data(), bytes.size()) == bytes.size())
        return QString();
    const QString reason = file.errorString();
    return reason.isEmpty() ? systemReason(errno ? errno : EIO) : reason;
}

QString close(QFileDevice& file)
{
    if (!file.isOpen())
        return QString();
    const QuietPipe quiet;
    file.close();
    if (file.error() == QFileDevice::NoError)
        return QString();
    const QString reason = file.errorString();
    return reason.isEmpty() ? systemReason(EIO) : reason;
}

QByteArray leadingBytes(const QFile& File, const QString& Path, qint64 Count)
{
    const int fd = File.handle();
    struct stat mine;
    if (fd < 0 || Count <= 0 || ::fstat(fd, &mine) != 0 || !S_ISREG(mine.st_mode))
        return QByteArray();
    const int reader =
        openRetrying(QFile::encodeName(Path), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (reader < 0)
        return QByteArray();
    QByteArray out;
    struct stat theirs;
    if (::fstat(reader, &theirs) == 0 && theirs.st_dev == mine.st_dev &&
        theirs.st_ino == mine.st_ino) {
        out.resize(Count);
        ssize_t n;
        do {
            n = ::pread(reader, out.data(), std::size_t(Count), 0);
        } while (n < 0 && errno == EINTR);
        out.resize(n > 0 ? qsizetype(n) : 0);
    }
    ::close(reader);
    return out;
}

QString openPlainForReading(QFile& file, bool* NotPlain, bool* Missing)
{
    if (NotPlain)
        *NotPlain = false;
    if (Missing)
        *Missing = false;
    const QByteArray name = QFile::encodeName(file.fileName());
    const int fd = openRetrying(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (Missing)
            *Missing = err == ENOENT;
        return systemReason(err);
    }
    struct stat st;
    QString why;
    if (!statOpen(fd, &st, &why))
        return why;
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (NotPlain)
            *NotPlain = true;
        return QStringLiteral("%1 is not a plain file").arg(file.fileName());
    }
    blockAgain(fd);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return QString();
}

QString resolveInside(const QString& Folder, const QString& Name, QString* Why)
{
    const auto refuse = [&](const QString& why) {
        if (Why)
            *Why = why;
        return QString();
    };
    const QString outside =
        QStringLiteral("The file name \"%1\" leads outside the folder %2").arg(Name, Folder);
    QString name = Name;
    name.replace(u'\\', u'/');
    if (name.isEmpty() || QDir::isAbsolutePath(name) ||
        (name.size() >= 2 && name.at(1) == u':' && name.at(0).isLetter()))
        return refuse(outside);
    const QStringList parts = name.split(u'/');
    if (parts.contains(QStringLiteral("..")))
        return refuse(outside);
    const QString root = QFileInfo(Folder).canonicalFilePath();
    if (root.isEmpty())
        return refuse(QStringLiteral("The folder %1 does not exist").arg(Folder));
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    const auto inside = [&prefix](const QString& path) {
        return path.size() > prefix.size() && path.startsWith(prefix);
    };
    QString path = QDir::cleanPath(root + u'/' + name);
    // A folder of the name that is not there is not made: the file goes into Folder itself.
    if (!QFileInfo(QFileInfo(path).path()).isDir())
        path = prefix + QFileInfo(path).fileName();
    // Every link on the way is followed, the last one as well: writing through a link whose
    // target is missing makes that target.
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(path);
        const QString folder = QFileInfo(info.path()).canonicalFilePath();
        if (folder.isEmpty())
            return refuse(outside); // a link to a folder that is not there
        path = folder + u'/' + info.fileName();
        if (!inside(path))
            return refuse(outside);
        const QFileInfo real(path);
        if (!real.isSymLink())
            return path;
        const QString target = real.symLinkTarget();
        if (target.isEmpty())
            return refuse(outside);
        path = QDir::cleanPath(QDir(folder).absoluteFilePath(target));
    }
    return refuse(QStringLiteral("The file name \"%1\" has too many links").arg(Name));
}

} // namespace files

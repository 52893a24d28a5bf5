#include "platform/files/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Opens an existing node that is not a plain file for writing, without waiting for a reader.
int openSpecial(const QString& path, bool append, QString* why)
{
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (append ? O_APPEND : 0);
    int fd;
    do {
        fd = ::open(name.constData(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int err = errno;
        // A pipe without a reader would take the bytes nowhere.
        *why = err == ENXIO ? QStringLiteral("no program reads from %1").arg(path)
                            : systemReason(err);
        return -1;
    }
    // Written at the pace the reader takes them, as any file.
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl >= 0)
        ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

QString writeAll(int fd, QByteArrayView bytes)
{
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, std::size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemReason(errno);
        }
        if (n == 0)
            return systemReason(EIO);
        p += n;
        left -= n;
    }
    return QString();
}

} // namespace

bool isSpecial(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return !S_ISREG(st.st_mode);
}

QString writeWhole(const QString& path, QByteArrayView bytes)
{
    if (isSpecial(path)) {
        if (QFileInfo(path).isDir())
            return QStringLiteral("%1 is a folder").arg(path);
        QString why;
        const int fd = openSpecial(path, false, &why);
        if (fd < 0)
            return why;
        why = writeAll(fd, bytes);
        // A device may keep bytes back until it is closed: its failure is the write's.
        if (::close(fd) != 0 && why.isEmpty() && errno != EINTR)
            why = systemReason(errno);
        return why;
    }
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

QString openForWriting(QFile& file, QIODevice::OpenMode mode)
{
    const QString path = file.fileName();
    if (!isSpecial(path)) {
        if (!file.open(mode))
            return file.errorString();
        return QString();
    }
    if (QFileInfo(path).isDir())
        return QStringLiteral("%1 is a folder").arg(path);
    QString why;
    const int fd = openSpecial(path, mode.testFlag(QIODevice::Append), &why);
    if (fd < 0)
        return why;
    if (!file.open(fd, (mode & ~QIODevice::Truncate) | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
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

#include "import/engine/support/VoHugeFile.h"

#include "platform/files/Files.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

QString TVoHugeFile::MessageText(int Id)
{
    switch (Id) {
    case 64946:
        return QStringLiteral("TVoHugeFile(%1):BlockSize must be greater than zero!");
    case 64947:
        return QStringLiteral("TVoHugeFile(%1):Failed to allocate buffer!");
    case 64948:
        return QStringLiteral("TVoHugeFile(%1):File not open!");
    case 64949:
        return QStringLiteral("TVoHugeFile(%1):Read while in buffered write mode!");
    case 64950:
        return QStringLiteral("TVoHugeFile.%1(%2) failed. ");
    case 64951:
        return QStringLiteral("TVoHugeFile(%1):Write failed!");
    case 64952:
        return QStringLiteral("TVoHugeFile(%1):Write while in buffered read mode!");
    case 64953:
        return QStringLiteral("TVoTextFile(%1):Failed to reset file.");
    default:
        return QStringLiteral("TVoHugeFile(%1):Error ") + QString::number(Id);
    }
}

TVoHugeFile::TVoHugeFile(const QString& FileName)
    : FFileName(FileName), FDesiredAccess(vaRead | vaWrite), FShareMode(vsNotGiven)
{}

TVoHugeFile::TVoHugeFile(const QString& FileName, quint32 DesiredAccess, quint32 ShareMode)
    : FFileName(FileName), FDesiredAccess(DesiredAccess), FShareMode(ShareMode)
{}

TVoHugeFile::~TVoHugeFile()
{
    try {
        Close();
    } catch (...) {
        // A failed final flush cannot be reported from here.
    }
    FreeBuffer();
}

void TVoHugeFile::Raise(int Id, int Code)
{
    throw EVoHugeFile(MessageText(Id).arg(FFileName), Code);
}

void TVoHugeFile::RaiseSystem(const char* Operation, int Error)
{
    FLastError = Error;
    QString text = MessageText(64950).arg(QLatin1String(Operation), FFileName);
    if (Error != 0) {
        text += QStringLiteral("System Error.  Code: %1.\r\n%2")
                    .arg(Error)
                    .arg(QString::fromLocal8Bit(std::strerror(Error)));
        throw EVoHugeFile(text, EVoHugeFile::ecSystem);
    }
    text += QStringLiteral("A call to an OS function failed");
    throw EVoHugeFile(text, EVoHugeFile::ecNoSystemCode);
}

void TVoHugeFile::RaiseOpenFailure(const char* Operation)
{
    if (FHeld)
        throw EVoHugeFile(
            QStringLiteral("TVoHugeFile.%1(%2) failed. The file is in use by another program")
                .arg(QLatin1String(Operation), FFileName),
            EVoHugeFile::ecSystem);
    if (FNotRegular)
        throw EVoHugeFile(
            QStringLiteral("TVoHugeFile.%1(%2) failed. The path is not a regular file")
                .arg(QLatin1String(Operation), FFileName),
            EVoHugeFile::ecNotRegular);
    RaiseSystem(Operation, FLastError);
}

void TVoHugeFile::CheckOpen()
{
    if (FHandle < 0)
        Raise(64948, EVoHugeFile::ecNotOpen);
}

namespace {

bool transientOpenError(int error)
{
    return error == EBUSY || error == ETXTBSY || error == EAGAIN; // EAGAIN is EWOULDBLOCK
}

// Takes the advisory lock the share mode asks for; false when another process holds one that
// conflicts, by flock or by fcntl (programs use either).
bool lockForShareMode(int fd, bool denyRead, bool denyWrite)
{
    if (!denyRead && !denyWrite)
        return true;
    int r;
    do {
        r = ::flock(fd, (denyRead ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0)
        return errno != EWOULDBLOCK; // else no locks on this file system
    struct flock probe = {};
    probe.l_type = denyRead ? F_WRLCK : F_RDLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK)
        return false;
    return true;
}

} // namespace

int TVoHugeFile::Open(bool Rewrite, int Options, int RecordSize, int BufferSize, int WaitTime)
{
    if (RecordSize < 1)
        Raise(64946, EVoHugeFile::ecRecordSize);
    Close();
    FRecordSize = RecordSize;
    FCanCreate = Options & hfoCanCreate;
    quint32 access = FDesiredAccess;
    if (Rewrite)
        access |= vaWrite; // creating a file means writing it
    int flags = O_CLOEXEC;
    if ((access & vaRead) && (access & vaWrite))
        flags |= O_RDWR;
    else if (access & vaWrite)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    // Emptied only once the lock is ours: a file another process holds keeps its bytes.
    if (Rewrite || FCanCreate)
        flags |= O_CREAT;
    const quint32 share =
        FShareMode != vsNotGiven ? FShareMode : (access == vaRead ? quint32(vsRead) : 0u);
    const QByteArray name = QFile::encodeName(FFileName);
    FNotRegular = false;
    FHeld = false;
    QElapsedTimer clock;
    clock.start();
    // Whether there is time for one more try; sleeps a little before it.
    const auto waitMore = [&] {
        const qint64 left = WaitTime - clock.elapsed();
        if (WaitTime <= 0 || left <= 0)
            return false;
        QThread::msleep(ulong(qMin<qint64>(left, 50)));
        return true;
    };
    int fd;
    for (;;) {
        do {
            // Without waiting for a pipe's writer; a regular file reads the same either way.
            fd = ::open(name.constData(), flags | O_NONBLOCK, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            FLastError = errno;
            if (transientOpenError(FLastError) && waitMore())
                continue;
            FHeld = transientOpenError(FLastError);
            return FLastError == ENOENT ? hfrFileNotFound : hfrError;
        }
        struct stat st;
        const bool statted = ::fstat(fd, &st) == 0;
        if (!statted || !S_ISREG(st.st_mode)) {
            FLastError = !statted ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
            FNotRegular = statted && !S_ISDIR(st.st_mode);
            ::close(fd);
            return hfrError;
        }
        if (lockForShareMode(fd, !(share & vsRead), !(share & vsWrite)))
            break;
        ::close(fd);
        FLastError = EWOULDBLOCK;
        if (!waitMore()) {
            FHeld = true;
            return hfrError;
        }
    }
    if (Rewrite && ::ftruncate(fd, 0) != 0) {
        FLastError = errno;
        ::close(fd);
        return hfrError;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FHandle = fd;
    FLastError = 0;
    FBuffered = Options & hfoBuffered;
    FBufferedWrite = FBuffered && Rewrite;
    FCloseAtEOF = FBuffered && !Rewrite && (Options & hfoCloseAtEOF);
    if (FBuffered) {
        try {
            AllocBuffer(BufferSize, Options & hfoLockBuffer);
        } catch (...) {
            ::close(FHandle);
            FHandle = -1;
            throw;
        }
    }
    return hfrOk;
}

void TVoHugeFile::Reset(int RecordSize)
{
    if (Open(false, 0, RecordSize, 0) != hfrOk)
        RaiseOpenFailure("Reset");
}

void TVoHugeFile::ResetBuffered(int RecordSize, int BufferSize)
{
    if (Open(false, hfoBuffered, RecordSize, BufferSize) != hfrOk)
        RaiseOpenFailure("Reset");
}

void TVoHugeFile::Rewrite(int RecordSize)
{
    if (Open(true, 0, RecordSize, 0) != hfrOk)
        RaiseOpenFailure("Rewrite");
}

void TVoHugeFile::RewriteBuffered(int RecordSize, int BufferSize)
{
    if (Open(true, hfoBuffered, RecordSize, BufferSize) != hfrOk)
        RaiseOpenFailure("Rewrite");
}

void TVoHugeFile::AllocBuffer(int BufferSize, bool Lock)
{
    FreeBuffer();
    qint64 size = BufferSize > 0 ? BufferSize : DefaultBufferSize;
    size = (size + FRecordSize - 1) / FRecordSize * FRecordSize;
    void* p = ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                     -1, 0);
    if (p == MAP_FAILED)
        Raise(64947, EVoHugeFile::ecNoSystemCode);
    FBuffer = static_cast<char*>(p);
    FBufferSize = size;
    // Kept out of swap when the system lets us; a refusal (a low lock limit) is no error.
    FBufferLocked = Lock && ::mlock(FBuffer, size_t(FBufferSize)) == 0;
    FBufferFill = 0;
    FBufferPos = 0;
}

void TVoHugeFile::FreeBuffer()
{
    if (FBuffer) {
        // Unmapping unlocks the pages too.
        ::munmap(FBuffer, size_t(FBufferSize));
        FBuffer = nullptr;
    }
    FBufferSize = 0;
    FBufferLocked = false;
    FBufferFill = 0;
    FBufferPos = 0;
}

qint64 TVoHugeFile::BlockReadUnsafe(void* Buffer, qint64 Bytes)
{
    char* p = static_cast<char*>(Buffer);
    qint64 done = 0;
    while (done < Bytes) {
        const ssize_t r = ::read(FHandle, p + done, size_t(Bytes - done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            RaiseSystem("BlockReadUnsafe", errno);
        }
        if (r == 0)
            break;
        done += r;
    }
    return done;
}

void TVoHugeFile::BlockWriteUnsafe(const void* Buffer, qint64 Bytes)
{
    const char* p = static_cast<const char*>(Buffer);
    qint64 done = 0;
    while (done < Bytes) {
        // A pipe whose reader left is this write's error, not the end of the program.
        const ssize_t r = files::writeDescriptor(FHandle, p + done, size_t(Bytes - done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            RaiseSystem("BlockWriteUnsafe", errno);
        }
        if (r == 0)
            Raise(64951, EVoHugeFile::ecNoSystemCode);
        done += r;
    }
}

void TVoHugeFile::Fetch()
{
    FBufferPos = 0;
    FBufferFill = 0;
    FBufferFill = BlockReadUnsafe(FBuffer, FBufferSize);
}

void TVoHugeFile::Flush()
{
    CheckOpen();
    if (!FBufferedWrite || FBufferFill == 0)
        return;
    const qint64 fill = FBufferFill;
    FBufferFill = 0;
    BlockWriteUnsafe(FBuffer, fill);
}

void TVoHugeFile::BlockRead(void* Buffer, qint64 Count, qint64& Read)
{
    Read = 0;
    CheckOpen();
    if (FBufferedWrite)
        Raise(64949, EVoHugeFile::ecNoSystemCode);
    if (Count <= 0)
        return;
    const qint64 bytes = Count * FRecordSize;
    if (!FBuffered) {
        Read = BlockReadUnsafe(Buffer, bytes) / FRecordSize;
        return;
    }
    char* p = static_cast<char*>(Buffer);
    qint64 done = 0;
    while (done < bytes) {
        if (FBufferPos >= FBufferFill) {
            Fetch();
            if (FBufferFill == 0) {
                if (FCloseAtEOF)
                    Close();
                break;
            }
        }
        const qint64 n = qMin(bytes - done, FBufferFill - FBufferPos);
        std::memcpy(p + done, FBuffer + FBufferPos, size_t(n));
        FBufferPos += n;
        done += n;
    }
    Read = done / FRecordSize;
}

void TVoHugeFile::BlockWrite(const void* Buffer, qint64 Count, qint64& Written)
{
    Written = 0;
    CheckOpen();
    if (FBuffered && !FBufferedWrite)
        Raise(64952, EVoHugeFile::ecNoSystemCode);
    if (Count <= 0)
        return;
    const qint64 bytes = Count * FRecordSize;
    if (!FBuffered) {
        BlockWriteUnsafe(Buffer, bytes);
        Written = Count;
        return;
    }
    const char* p = static_cast<const char*>(Buffer);
    qint64 done = 0;
    while (done < bytes) {
        const qint64 n = qMin(bytes - done, FBufferSize - FBufferFill);
        std::memcpy(FBuffer + FBufferFill, p + done, size_t(n));
        FBufferFill += n;
        done += n;
        if (FBufferFill == FBufferSize)
            Flush();
    }
    Written = Count;
}

qint64 TVoHugeFile::RawPos(const char* Operation)
{
    const off_t pos = ::lseek(FHandle, 0, SEEK_CUR);
    if (pos < 0)
        RaiseSystem(Operation, errno);
    return pos;
}

qint64 TVoHugeFile::RawSize(const char* Operation)
{
    struct stat st;
    if (::fstat(FHandle, &st) != 0)
        RaiseSystem(Operation, errno);
    return st.st_size;
}

qint64 TVoHugeFile::RawModified(const char* Operation)
{
    struct stat st;
    if (::fstat(FHandle, &st) != 0)
        RaiseSystem(Operation, errno);
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

void TVoHugeFile::Seek(qint64 Position)
{
    CheckOpen();
    if (Position < 0)
        RaiseSystem("Seek", EINVAL);
    const qint64 target = Position * FRecordSize;
    if (FBuffered && !FBufferedWrite) {
        const qint64 bufferStart = RawPos("Seek") - FBufferFill;
        if (target >= bufferStart && target <= bufferStart + FBufferFill) {
            FBufferPos = target - bufferStart;
            return;
        }
        FBufferFill = 0;
        FBufferPos = 0;
    } else if (FBufferedWrite) {
        Flush();
    }
    if (::lseek(FHandle, target, SEEK_SET) < 0)
        RaiseSystem("_Seek", errno);
}

qint64 TVoHugeFile::FilePos()
{
    CheckOpen();
    qint64 pos = RawPos("_FilePos");
    if (FBufferedWrite)
        pos += FBufferFill;
    else if (FBuffered)
        pos -= FBufferFill - FBufferPos;
    return pos / FRecordSize;
}

qint64 TVoHugeFile::FileSize()
{
    CheckOpen();
    qint64 size = RawSize("FileSize");
    if (FBufferedWrite)
        size = qMax(size, RawPos("FileSize") + FBufferFill);
    return (size + FRecordSize - 1) / FRecordSize;
}

void TVoHugeFile::Close()
{
    if (FHandle < 0)
        return;
    int flushError = 0;
    bool flushFailed = false;
    try {
        if (FBufferedWrite)
            Flush();
    } catch (const EVoHugeFile&) {
        flushFailed = true;
        flushError = FLastError;
    }
    FreeBuffer();
    const int r = ::close(FHandle);
    const int closeError = errno;
    FHandle = -1;
    FBuffered = false;
    FBufferedWrite = false;
    if (flushFailed)
        RaiseSystem("Flush", flushError);
    if (r != 0 && closeError != EINTR)
        RaiseSystem("Close", closeError);
}

QDateTime TVoHugeFile::FileDate()
{
    CheckOpen();
    struct stat st;
    if (::fstat(FHandle, &st) != 0)
        RaiseSystem("FileDate", errno);
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                          st.st_mtim.tv_nsec / 1000000);
}

void TVoHugeFile::SetDate(const QDateTime& Date)
{
    CheckOpen();
    if (FBufferedWrite)
        Flush(); // a later flush would move the date again
    const qint64 ms = Date.toMSecsSinceEpoch();
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(ms / 1000);
    times[1].tv_nsec = long((ms % 1000) * 1000000);
    if (times[1].tv_nsec < 0) {
        times[1].tv_sec -= 1;
        times[1].tv_nsec += 1000000000L;
    }
    if (::futimens(FHandle, times) != 0)
        RaiseSystem("SetDate", errno);
}

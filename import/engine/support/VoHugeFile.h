#pragma once
// File access with 64-bit positions in fixed-size records, unbuffered or through one transfer
// buffer in a buffered-read or buffered-write mode. Every failure raises EVoHugeFile naming the
// operation and the file.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <stdexcept>

class EVoHugeFile : public std::runtime_error
{
public:
    enum : int {
        ecSystem = 1001,
        ecNoSystemCode = 1002,
        ecRecordSize = 1003,
        ecNotOpen = 1004,
        ecNotRegular = 1005,
        ecTextReset = 2004,
        ecTextEncode = 2005,
        ecTextChanged = 2006,
        ecTextLineLength = 2007
    };
    EVoHugeFile(const QString& Message, int Code)
        : std::runtime_error(Message.toStdString()), m_message(Message), m_code(Code)
    {}
    QString message() const { return m_message; }
    int code() const { return m_code; }

private:
    QString m_message;
    int m_code;
};

class EVoTextFile : public EVoHugeFile
{
public:
    using EVoHugeFile::EVoHugeFile;
};

class TVoHugeFile
{
public:
    // Options of Open.
    enum : int { hfoBuffered = 1, hfoLockBuffer = 2, hfoCloseAtEOF = 4, hfoCanCreate = 8 };
    // Results of Open.
    enum : int { hfrOk = 0, hfrFileNotFound = 1, hfrError = 2 };
    // Desired access and share mode.
    enum : quint32 { vaRead = 1, vaWrite = 2, vsRead = 1, vsWrite = 2, vsNotGiven = 0xFFFF };
    static constexpr int DefaultBufferSize = 65536;

    // Read and write access.
    explicit TVoHugeFile(const QString& FileName);
    TVoHugeFile(const QString& FileName, quint32 DesiredAccess, quint32 ShareMode);
    virtual ~TVoHugeFile();
    TVoHugeFile(const TVoHugeFile&) = delete;
    TVoHugeFile& operator=(const TVoHugeFile&) = delete;

    void Reset(int RecordSize = 1);
    void ResetBuffered(int RecordSize, int BufferSize);
    void Rewrite(int RecordSize = 1);
    void RewriteBuffered(int RecordSize, int BufferSize);
    // Reports instead of raising (a record size below 1 still raises). Only regular files are
    // opened: a device or a pipe would never end, or keep the open waiting.
    // The share mode becomes an advisory lock (shared when others may read, exclusive when not
    // even that); a file another process holds locked against it, or a transient failure
    // (EBUSY), is tried again until WaitTime milliseconds have passed, then reported.
    int Open(bool Rewrite, int Options, int RecordSize, int BufferSize, int WaitTime = 0);

    // Counts in records.
    void BlockRead(void* Buffer, qint64 Count, qint64& Read);
    void BlockWrite(const void* Buffer, qint64 Count, qint64& Written);
    void Seek(qint64 Position);
    qint64 FilePos();
    qint64 FileSize(); // records, a partial last one counted
    void Flush();
    void Close();
    QDateTime FileDate();
    void SetDate(const QDateTime& Date);

    bool IsOpen() const { return FHandle >= 0; }
    // The last Open failed because another process held the file.
    bool WasHeld() const { return FHeld; }
    QString FileName() const { return FFileName; }
    int RecordSize() const { return FRecordSize; }
    int LastError() const { return FLastError; }
    bool Buffered() const { return FBuffered; }
    // The transfer buffer is held in memory (hfoLockBuffer, where the system allowed it).
    bool BufferLocked() const { return FBufferLocked; }

protected:
    // Lock: try to keep the buffer in memory; a refusal leaves it unlocked.
    void AllocBuffer(int BufferSize, bool Lock = false);
    void FreeBuffer();
    void Fetch();
    qint64 BlockReadUnsafe(void* Buffer, qint64 Bytes);
    void BlockWriteUnsafe(const void* Buffer, qint64 Bytes);
    qint64 RawPos(const char* Operation);
    qint64 RawSize(const char* Operation);
    // The modification time in nanoseconds since the epoch.
    qint64 RawModified(const char* Operation);
    void CheckOpen();
    [[noreturn]] void RaiseSystem(const char* Operation, int Error);
    // The reason Open reported a failure.
    [[noreturn]] void RaiseOpenFailure(const char* Operation);
    [[noreturn]] void Raise(int Id, int Code);
    static QString MessageText(int Id);

    int FRecordSize = 1;
    // Pages of their own, so that locking them locks nothing else.
    char* FBuffer = nullptr;
    qint64 FBufferSize = 0;
    bool FBufferLocked = false;
    qint64 FBufferFill = 0;
    qint64 FBufferPos = 0;
    bool FBuffered = false;
    bool FBufferedWrite = false;
    bool FCloseAtEOF = false;
    bool FCanCreate = false;
    QString FFileName;
    quint32 FDesiredAccess;
    quint32 FShareMode;
    int FHandle = -1;
    int FLastError = 0;
    bool FNotRegular = false; // the last Open found a device, a pipe or a socket
    bool FHeld = false;       // the last Open found the file held by another process
};

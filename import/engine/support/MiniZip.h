#pragma once
// Read-only access to the members of a zip archive (the zipped office documents). Nothing is
// extracted to disk: members are read into memory or streamed. Unsafe member names, encrypted
// members, damaged data and members that inflate beyond the limits are refused with EZipError.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <stdexcept>

class EZipError : public std::runtime_error
{
public:
    explicit EZipError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

class TMiniZip;

// One member being inflated. Reading past the end gives 0; a CRC mismatch, a read error or
// more bytes than the limits allow raises EZipError.
class ZipEntryStream
{
public:
    ~ZipEntryStream();
    ZipEntryStream(const ZipEntryStream&) = delete;
    ZipEntryStream& operator=(const ZipEntryStream&) = delete;

    qint64 read(char* buffer, qint64 maxSize);
    QString name() const { return m_name; }
    // The size the archive declares; the real size is known only when the member is read.
    qint64 declaredSize() const { return m_declaredSize; }

private:
    friend class TMiniZip;
    friend class ZipReadAhead;
    ZipEntryStream(TMiniZip* owner, const QString& name, qint64 declaredSize);
    void finish();

    TMiniZip* m_owner;
    QString m_name;
    qint64 m_declaredSize;
    qint64 m_read = 0;
    bool m_atEnd = false;
};

// A member inflated on a thread of its own, a few blocks ahead of the caller, so that
// inflating overlaps with what the caller does with the bytes. What the stream raises (damage,
// limits, the checksum at the end) is raised by the read that meets it. The archive is not to
// be used otherwise while this lives.
class ZipReadAhead
{
public:
    static constexpr qsizetype DefaultBlock = qsizetype(4) << 20;
    // Sees each stretch of inflated bytes in order on the inflating thread, before the caller
    // gets it; what it raises is the read's failure, the bytes before the stretch still
    // going first.
    using Inspect = std::function<void(const char* data, qint64 size)>;
    // Where a raw member's checksum is counted: on the inflating thread (a caller busy with
    // the bytes, as a parser is), or on a thread of its own between the two (a caller as fast
    // as the inflating, as a scanner is, where counting on either side would slow the read).
    enum class Checksum { Inflating, Apart };

    explicit ZipReadAhead(std::unique_ptr<ZipEntryStream> stream, qsizetype block = DefaultBlock,
                          int blocks = 3, Inspect inspect = {});
    ~ZipReadAhead();
    ZipReadAhead(const ZipReadAhead&) = delete;
    ZipReadAhead& operator=(const ZipReadAhead&) = delete;

    // As the stream's.
    qint64 read(char* buffer, qint64 maxSize);
    qint64 declaredSize() const;

private:
    friend class TMiniZip;
    // A member opened raw: inflated here and its checksum counted as it comes out.
    struct RawMember
    {
        int Method = 0;
        quint32 Crc = 0;
        qint64 Size = 0;
    };
    ZipReadAhead(std::unique_ptr<ZipEntryStream> stream, const RawMember& raw, qsizetype block,
                 int blocks, Inspect inspect, Checksum checksum);

    struct Shared;
    std::unique_ptr<Shared> m_shared;
};

class TMiniZip
{
public:
    static constexpr qint64 DefaultMemberLimit = qint64(1) << 30;  // 1 GiB
    static constexpr qint64 DefaultArchiveLimit = qint64(4) << 30; // 4 GiB
    // Parts read whole (workbook, relationships, styles, manifests): real files stay far below.
    static constexpr qint64 DefaultSmallPartLimit = qint64(8) << 20; // 8 MiB

    TMiniZip() = default;
    explicit TMiniZip(const QString& FileName) : FFileName(FileName) {}
    ~TMiniZip();
    TMiniZip(const TMiniZip&) = delete;
    TMiniZip& operator=(const TMiniZip&) = delete;

    QString FileName() const { return FFileName; }
    // A different name closes an open archive first.
    void SetFileName(const QString& Value);
    // Limits of inflated bytes: one member, and all members read from this archive together.
    void SetLimits(qint64 MemberLimit, qint64 ArchiveLimit);

    // Opens the archive and indexes its members; refuses a file that is no zip archive, is
    // damaged, or names a member outside the archive ("..", absolute, drive letter). An office
    // document saved with a password is no zip archive but a compound file holding the
    // encrypted package: it is refused as protected.
    void Open();
    void Close();
    bool IsOpen() const { return FHandle != nullptr; }

    // Member names as stored, folders separated by "/".
    QStringList EntryNames() const { return FNames; }
    // Names match with "/" and "\" alike and without regard to letter case.
    bool Contains(const QString& Name) const;
    QByteArray ReadEntry(const QString& Name);
    // A small part read whole: more than Cap inflated bytes is refused as damage, naming the
    // part and the cap, so a padded part cannot take the memory a streamed one would not.
    QByteArray ReadSmallEntry(const QString& Name, qint64 Cap = DefaultSmallPartLimit);
    // One member at a time: opening another one while a stream is alive is refused.
    std::unique_ptr<ZipEntryStream> OpenEntry(const QString& Name);
    // A member read ahead: inflated and its checksum counted on a thread of its own, so a
    // caller going once through a large part does not wait for either (a member that is
    // neither stored nor deflated is read through the stream).
    std::unique_ptr<ZipReadAhead> ReadAhead(
        const QString& Name, qsizetype Block = ZipReadAhead::DefaultBlock,
        ZipReadAhead::Inspect Inspect = {},
        ZipReadAhead::Checksum Checksum = ZipReadAhead::Checksum::Inflating);

    // Refuses the document as protected by a password (an encrypted member, or parts the
    // document's own manifest says are encrypted).
    [[noreturn]] void RaiseProtected() const;

    static QString NormalizedName(const QString& Name);
    static bool IsSafeName(const QString& Name);

private:
    friend class ZipEntryStream;
    friend class ZipReadAhead;
    // Opened for streaming, or raw (its compressed bytes; Method, Crc and Size filled).
    std::unique_ptr<ZipEntryStream> Open(const QString& Name, ZipReadAhead::RawMember* Raw);
    struct Entry
    {
        QString Name;
        quint64 PosInDir = 0;
        quint64 DirIndex = 0;
        qint64 Size = 0;
        bool Encrypted = false;
    };
    const Entry& Find(const QString& Name) const;
    [[noreturn]] void Damaged(const QString& Detail) const;
    void CheckLimits(const QString& Name, qint64 MemberBytes, qint64 ArchiveBytes) const;

    QString FFileName;
    void* FHandle = nullptr;
    QStringList FNames;
    QHash<QString, Entry> FEntries; // by normalized, lower-case name
    qint64 FMemberLimit = DefaultMemberLimit;
    qint64 FArchiveLimit = DefaultArchiveLimit;
    qint64 FInflated = 0;
    ZipEntryStream* FActive = nullptr;
};

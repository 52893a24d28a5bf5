#include "import/engine/support/MiniZip.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <unzip.h>
#include <zlib.h>

#include "platform/queue/BoundedQueue.h"
#include "platform/storage/CompoundFile.h"

#include <cstring>
#include <exception>
#include <utility>
#include <vector>

namespace {
unzFile handle(void* h)
{
    return static_cast<unzFile>(h);
}

// An XLSX or DOCX saved with a password: the encrypted package in a compound file.
bool isEncryptedPackage(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || !CompoundFile::isCompoundFile(file.peek(8)))
        return false;
    try {
        const CompoundFile cf(&file);
        return cf.hasStream(QStringLiteral("EncryptedPackage")) ||
               cf.hasStream(QStringLiteral("EncryptionInfo"));
    } catch (const StorageError&) {
        return false;
    }
}
} // namespace

TMiniZip::~TMiniZip()
{
    Close();
}

void TMiniZip::SetFileName(const QString& Value)
{
    if (Value == FFileName)
        return;
    Close();
    FFileName = Value;
}

void TMiniZip::SetLimits(qint64 MemberLimit, qint64 ArchiveLimit)
{
    FMemberLimit = MemberLimit;
    FArchiveLimit = ArchiveLimit;
}

QString TMiniZip::NormalizedName(const QString& Name)
{
    QString n = Name;
    n.replace(u'\\', u'/');
    while (n.startsWith(QLatin1String("./")))
        n.remove(0, 2);
    return n;
}

bool TMiniZip::IsSafeName(const QString& Name)
{
    const QString n = NormalizedName(Name);
    if (n.isEmpty() || n.startsWith(u'/'))
        return false;
    if (n.size() >= 2 && n.at(1) == u':' && n.at(0).isLetter())
        return false;
    for (const QStringView part : QStringView(n).split(u'/'))
        if (part == u"..")
            return false;
    return true;
}

void TMiniZip::RaiseProtected() const
{
    throw EZipError(QStringLiteral("The document %1 is protected by a password and cannot be "
                                   "read. Open it in the program that made it, save it without a "
                                   "password and import that copy")
                        .arg(QFileInfo(FFileName).fileName()));
}

void TMiniZip::Damaged(const QString& Detail) const
{
    throw EZipError(QStringLiteral("The document %1 is damaged: %2.")
                        .arg(QFileInfo(FFileName).fileName(), Detail));
}

void TMiniZip::Open()
{
    if (FHandle)
        return;
    if (FFileName.isEmpty())
        throw EZipError(QStringLiteral("File name is not defined"));
    const QFileInfo info(FFileName);
    if (!info.exists())
        throw EZipError(QStringLiteral("File %1 not found").arg(FFileName));
    if (!info.isFile())
        throw EZipError(QStringLiteral("%1 is not a regular file").arg(FFileName));

    unzFile h = unzOpen64(QFile::encodeName(FFileName).constData());
    if (!h && isEncryptedPackage(FFileName))
        RaiseProtected();
    if (!h)
        throw EZipError(
            QStringLiteral("The file %1 is not a zip archive or is damaged.").arg(info.fileName()));
    FHandle = h;
    FInflated = 0;
    try {
        unz_global_info64 global{};
        if (unzGetGlobalInfo64(h, &global) != UNZ_OK)
            Damaged(QStringLiteral("its directory cannot be read"));
        int rc = unzGoToFirstFile(h);
        while (rc == UNZ_OK) {
            unz_file_info64 fi{};
            char name[1024];
            if (unzGetCurrentFileInfo64(h, &fi, name, sizeof name, nullptr, 0, nullptr, 0) !=
                UNZ_OK)
                Damaged(QStringLiteral("a member's entry cannot be read"));
            // Bit 11 says the name is UTF-8; older writers use the DOS page, which for the
            // ASCII names of office documents is the same.
            const QString stored =
                (fi.flag & 0x800) ? QString::fromUtf8(name) : QString::fromLatin1(name);
            if (!IsSafeName(stored))
                throw EZipError(
                    QStringLiteral("The document %1 holds a member with an unsafe name: %2")
                        .arg(info.fileName(), stored));
            unz64_file_pos pos{};
            unzGetFilePos64(h, &pos);
            const QString norm = NormalizedName(stored);
            const QString key = norm.toLower();
            if (!norm.endsWith(u'/') && !FEntries.contains(key)) {
                Entry e;
                e.Name = norm;
                e.PosInDir = pos.pos_in_zip_directory;
                e.DirIndex = pos.num_of_file;
                e.Size = qint64(fi.uncompressed_size);
                e.Encrypted = (fi.flag & 1) != 0;
                FEntries.insert(key, e);
                FNames.append(norm);
            }
            rc = unzGoToNextFile(h);
        }
        if (rc != UNZ_END_OF_LIST_OF_FILE)
            Damaged(QStringLiteral("its directory ends early"));
    } catch (...) {
        Close();
        throw;
    }
}

void TMiniZip::Close()
{
    if (FActive) {
        FActive->m_owner = nullptr;
        FActive = nullptr;
    }
    if (FHandle) {
        unzCloseCurrentFile(handle(FHandle));
        unzClose(handle(FHandle));
        FHandle = nullptr;
    }
    FNames.clear();
    FEntries.clear();
}

bool TMiniZip::Contains(const QString& Name) const
{
    return FEntries.contains(NormalizedName(Name).toLower());
}

const TMiniZip::Entry& TMiniZip::Find(const QString& Name) const
{
    if (!FHandle)
        throw EZipError(QStringLiteral("The archive %1 is not open").arg(FFileName));
    const auto it = FEntries.constFind(NormalizedName(Name).toLower());
    if (it == FEntries.constEnd())
        throw EZipError(QStringLiteral("The document %1 has no part %2")
                            .arg(QFileInfo(FFileName).fileName(), Name));
    return *it;
}

void TMiniZip::CheckLimits(const QString& Name, qint64 MemberBytes, qint64 ArchiveBytes) const
{
    if (MemberBytes > FMemberLimit || ArchiveBytes > FArchiveLimit)
        throw EZipError(
            QStringLiteral("The document %1 is refused: its part %2 inflates beyond %3 MiB.")
                .arg(QFileInfo(FFileName).fileName(), Name)
                .arg((MemberBytes > FMemberLimit ? FMemberLimit : FArchiveLimit) >> 20));
}

std::unique_ptr<ZipEntryStream> TMiniZip::OpenEntry(const QString& Name)
{
    return Open(Name, nullptr);
}

std::unique_ptr<ZipEntryStream> TMiniZip::Open(const QString& Name, ZipReadAhead::RawMember* Raw)
{
    const Entry& e = Find(Name);
    if (FActive)
        throw EZipError(QStringLiteral("Another part of %1 is being read")
                            .arg(QFileInfo(FFileName).fileName()));
    if (e.Encrypted)
        RaiseProtected();
    // The declared size is a first, cheap check; the bytes read are what counts.
    CheckLimits(e.Name, e.Size, FInflated + e.Size);
    unz64_file_pos pos{e.PosInDir, e.DirIndex};
    int method = 0, level = 0;
    if (unzGoToFilePos64(handle(FHandle), &pos) != UNZ_OK ||
        unzOpenCurrentFile2(handle(FHandle), Raw ? &method : nullptr, Raw ? &level : nullptr,
                            Raw ? 1 : 0) != UNZ_OK)
        Damaged(QStringLiteral("its part %1 cannot be opened").arg(e.Name));
    std::unique_ptr<ZipEntryStream> s(new ZipEntryStream(this, e.Name, e.Size));
    FActive = s.get();
    if (Raw) {
        unz_file_info64 fi{};
        if (unzGetCurrentFileInfo64(handle(FHandle), &fi, nullptr, 0, nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            Damaged(QStringLiteral("its part %1 cannot be opened").arg(e.Name));
        *Raw = {method, quint32(fi.crc), qint64(fi.uncompressed_size)};
    }
    return s;
}

std::unique_ptr<ZipReadAhead> TMiniZip::ReadAhead(const QString& Name, qsizetype Block,
                                                  ZipReadAhead::Inspect Inspect,
                                                  ZipReadAhead::Checksum Checksum)
{
    ZipReadAhead::RawMember raw;
    auto s = Open(Name, &raw);
    if (raw.Method != 0 && raw.Method != Z_DEFLATED) {
        s.reset();
        return std::make_unique<ZipReadAhead>(OpenEntry(Name), Block, 3, std::move(Inspect));
    }
    // A small part needs no large blocks (the declared size is only a hint here).
    Block = qBound<qint64>(4096, raw.Size + 1, qMax<qsizetype>(Block, 4096));
    return std::unique_ptr<ZipReadAhead>(
        new ZipReadAhead(std::move(s), raw, Block, 4, std::move(Inspect), Checksum));
}

QByteArray TMiniZip::ReadEntry(const QString& Name)
{
    auto s = OpenEntry(Name);
    QByteArray out;
    // Trust the declared size only as a hint: it is capped by the member limit above.
    out.reserve(qsizetype(qMin<qint64>(s->declaredSize(), 64 << 20)));
    char buf[65536];
    for (;;) {
        const qint64 n = s->read(buf, sizeof buf);
        if (n == 0)
            break;
        out.append(buf, qsizetype(n));
    }
    return out;
}

QByteArray TMiniZip::ReadSmallEntry(const QString& Name, qint64 Cap)
{
    auto s = OpenEntry(Name);
    QByteArray out;
    out.reserve(qsizetype(qBound<qint64>(0, s->declaredSize(), Cap)));
    char buf[65536];
    for (;;) {
        const qint64 n = s->read(buf, sizeof buf);
        if (n == 0)
            break;
        if (out.size() + n > Cap)
            Damaged(QStringLiteral("its part %1 is larger than the %2 bytes such a part may hold")
                        .arg(Name)
                        .arg(Cap));
        out.append(buf, qsizetype(n));
    }
    return out;
}

ZipEntryStream::ZipEntryStream(TMiniZip* owner, const QString& name, qint64 declaredSize)
    : m_owner(owner), m_name(name), m_declaredSize(declaredSize)
{}

ZipEntryStream::~ZipEntryStream()
{
    if (m_owner) {
        unzCloseCurrentFile(handle(m_owner->FHandle));
        m_owner->FActive = nullptr;
    }
}

qint64 ZipEntryStream::read(char* buffer, qint64 maxSize)
{
    if (m_atEnd || maxSize <= 0)
        return 0;
    if (!m_owner)
        throw EZipError(QStringLiteral("The archive holding %1 was closed").arg(m_name));
    const int n = unzReadCurrentFile(handle(m_owner->FHandle), buffer,
                                     unsigned(qMin<qint64>(maxSize, 1 << 30)));
    if (n < 0)
        m_owner->Damaged(QStringLiteral("its part %1 cannot be inflated").arg(m_name));
    if (n == 0) {
        finish();
        return 0;
    }
    m_read += n;
    m_owner->FInflated += n;
    m_owner->CheckLimits(m_name, m_read, m_owner->FInflated);
    return n;
}

void ZipEntryStream::finish()
{
    m_atEnd = true;
    TMiniZip* owner = m_owner;
    m_owner = nullptr;
    owner->FActive = nullptr;
    // Closing after the last byte is where minizip checks the CRC.
    const int rc = unzCloseCurrentFile(handle(owner->FHandle));
    if (rc == UNZ_CRCERROR)
        owner->Damaged(QStringLiteral("the checksum of its part %1 is wrong").arg(m_name));
    if (rc != UNZ_OK)
        owner->Damaged(QStringLiteral("its part %1 cannot be read").arg(m_name));
}

// Blocks are inflated on one thread, a raw member's checksum counted there as each piece comes
// out (while it is still in the cache), or else passed through a second stage that counts it;
// the blocks the caller is done with go back to be filled again. What fails in a stage reaches
// the caller after the bytes before it.
struct ZipReadAhead::Shared
{
    struct Block
    {
        std::vector<char> bytes;
        qsizetype filled = 0;

        Block() = default;
        // A block moved away is left empty: a stage never passes on bytes it no longer holds.
        Block(Block&& other) noexcept
            : bytes(std::move(other.bytes)), filled(std::exchange(other.filled, 0))
        {}
        Block& operator=(Block&& other) noexcept
        {
            bytes = std::move(other.bytes);
            filled = std::exchange(other.filled, 0);
            return *this;
        }
        // Read by the queue: an empty block is not passed on.
        qsizetype size() const { return filled; }
    };
    using Stage = queue::ReadAhead<Block>;

    std::unique_ptr<ZipEntryStream> stream;
    Inspect inspect;
    bool raw = false;
    bool checkApart = false; // a raw member's checksum counted by a stage of its own
    RawMember member;
    qsizetype blockSize = 0;
    bool firstBlock = true;
    QString damaged, checksum; // the messages, made on the caller's thread
    z_stream z{};
    bool zOpen = false, zEnd = false, inputEnd = false;
    std::vector<char> input;
    uLong crc = crc32(0, nullptr, 0);
    qint64 checkedSize = 0; // by the checking stage

    // The caller's block and how much of it was read.
    Block current;
    qsizetype taken = 0;
    bool over = false;
    // Last: they stop before what they use goes.
    std::unique_ptr<Stage> inflating, checking;

    ~Shared()
    {
        // The checking stage waits on the inflating one: both are told before either is joined.
        if (checking)
            checking->stop();
        if (inflating)
            inflating->stop();
        checking.reset();
        inflating.reset();
        if (zOpen)
            inflateEnd(&z);
    }

    Stage& last() { return checking ? *checking : *inflating; }

    // Up to Size inflated bytes of a raw member; 0 at its end.
    qint64 inflateRaw(char* out, qint64 size, const queue::StopFlag& stop)
    {
        TMiniZip* owner = stream->m_owner;
        if (!owner)
            throw EZipError(damaged);
        unzFile h = handle(owner->FHandle);
        qint64 n = 0;
        if (member.Method == 0) {
            n = unzReadCurrentFile(h, out, unsigned(qMin<qint64>(size, 1 << 30)));
            if (n < 0)
                throw EZipError(damaged);
        } else {
            if (!zOpen) {
                if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
                    throw EZipError(damaged);
                zOpen = true;
                input.resize(256 << 10);
            }
            z.next_out = reinterpret_cast<Bytef*>(out);
            z.avail_out = uInt(qMin<qint64>(size, 1 << 30));
            while (z.avail_out > 0 && !zEnd) {
                if (z.avail_in == 0 && !inputEnd) {
                    stop.check();
                    const int got = unzReadCurrentFile(h, input.data(), unsigned(input.size()));
                    if (got < 0)
                        throw EZipError(damaged);
                    inputEnd = got == 0;
                    z.next_in = reinterpret_cast<Bytef*>(input.data());
                    z.avail_in = uInt(got);
                }
                const int rc = inflate(&z, Z_NO_FLUSH);
                if (rc == Z_STREAM_END)
                    zEnd = true;
                else if (rc != Z_OK && !(rc == Z_BUF_ERROR && !inputEnd))
                    throw EZipError(damaged); // damaged data, or cut short
            }
            n = qMin<qint64>(size, 1 << 30) - z.avail_out;
        }
        if (!checkApart)
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(out), std::size_t(n));
        stream->m_read += n;
        owner->FInflated += n;
        owner->CheckLimits(stream->m_name, stream->m_read, owner->FInflated);
        return n;
    }

    // The inflating stage: a whole block (the caller's reads stay few and large); false once
    // the member ends. A raw member's checksum and size are compared at its end, the bytes
    // before still going to the caller first.
    bool inflateInto(Block& b, const queue::StopFlag& stop)
    {
        if (qsizetype(b.bytes.size()) != blockSize)
            b.bytes.resize(std::size_t(blockSize));
        b.filled = 0;
        // The first block is small, so that a caller that needs only the start of the member
        // has it at once.
        const qsizetype size = firstBlock ? qMin<qsizetype>(blockSize, 64 << 10) : blockSize;
        firstBlock = false;
        while (b.filled < size) {
            stop.check();
            char* to = b.bytes.data() + b.filled;
            // In pieces, so that a stop is seen within one of them.
            const qint64 piece = qMin<qint64>(size - b.filled, 256 << 10);
            const qint64 n = raw ? inflateRaw(to, piece, stop) : stream->read(to, piece);
            if (n <= 0) {
                if (raw && !checkApart && (crc != member.Crc || stream->m_read != member.Size))
                    throw EZipError(checksum);
                return false;
            }
            if (inspect)
                inspect(to, n);
            b.filled += qsizetype(n);
        }
        return true;
    }

    // The checking stage: the next inflated block, its bytes counted into the checksum, which
    // is compared once the member ends.
    bool checkNext(Block& b, const queue::StopFlag& stop)
    {
        bool got = false;
        try {
            got = inflating->take(b);
        } catch (...) {
            b.filled = 0; // it may still hold the block passed on before
            throw;
        }
        if (!got) {
            b.filled = 0;
            stop.check();
            if (crc != member.Crc || checkedSize != member.Size)
                throw EZipError(checksum);
            return false;
        }
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(b.bytes.data()), std::size_t(b.filled));
        checkedSize += b.filled;
        return true;
    }
};

ZipReadAhead::ZipReadAhead(std::unique_ptr<ZipEntryStream> stream, qsizetype block, int blocks,
                           Inspect inspect)
    : ZipReadAhead(std::move(stream), RawMember{-1, 0, 0}, block, blocks, std::move(inspect),
                   Checksum::Inflating)
{}

ZipReadAhead::ZipReadAhead(std::unique_ptr<ZipEntryStream> stream, const RawMember& raw,
                           qsizetype block, int blocks, Inspect inspect, Checksum checksum)
    : m_shared(std::make_unique<Shared>())
{
    Shared& s = *m_shared;
    s.stream = std::move(stream);
    s.inspect = std::move(inspect);
    s.raw = raw.Method >= 0;
    s.checkApart = s.raw && checksum == Checksum::Apart;
    s.member = raw;
    s.blockSize = qMax<qsizetype>(block, 4096);
    if (s.stream->m_owner) {
        const QString file = QFileInfo(s.stream->m_owner->FFileName).fileName();
        s.damaged = QStringLiteral("The document %1 is damaged: its part %2 cannot be inflated.")
                        .arg(file, s.stream->m_name);
        s.checksum = QStringLiteral("The document %1 is damaged: the checksum of its part %2 is "
                                    "wrong.")
                         .arg(file, s.stream->m_name);
    }
    // Blocks: one being filled and one with the caller beside those queued; a checking stage
    // holds and queues one more.
    const std::size_t depth = std::size_t(qMax(blocks - (s.checkApart ? 3 : 2), 1));
    s.inflating = std::make_unique<Shared::Stage>(
        [&s](Shared::Block& b, const queue::StopFlag& stop) { return s.inflateInto(b, stop); },
        depth);
    if (s.checkApart)
        s.checking = std::make_unique<Shared::Stage>(
            [&s](Shared::Block& b, const queue::StopFlag& stop) { return s.checkNext(b, stop); },
            1);
}

ZipReadAhead::~ZipReadAhead() = default;

qint64 ZipReadAhead::declaredSize() const
{
    return m_shared->stream->declaredSize();
}

qint64 ZipReadAhead::read(char* buffer, qint64 maxSize)
{
    Shared& s = *m_shared;
    if (maxSize <= 0 || s.over)
        return 0;
    while (s.taken >= s.current.filled) {
        bool got = false;
        try {
            got = s.last().take(s.current);
        } catch (...) {
            s.over = true;
            throw;
        }
        if (!got) {
            s.over = true;
            return 0;
        }
        s.taken = 0;
    }
    const qint64 n = qMin<qint64>(maxSize, s.current.filled - s.taken);
    std::memcpy(buffer, s.current.bytes.data() + s.taken, std::size_t(n));
    s.taken += qsizetype(n);
    return n;
}

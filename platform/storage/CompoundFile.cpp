#include "platform/storage/CompoundFile.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kFree = 0xFFFFFFFFu;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;
constexpr std::uint32_t kMaxRegular = 0xFFFFFFFAu;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kEntrySize = 128;
enum : std::uint8_t { StorageEntry = 1, StreamEntry = 2, RootEntry = 5 };

[[noreturn]] void damaged(const QString& what)
{
    throw StorageError(QStringLiteral("The file is damaged: %1").arg(what));
}

std::uint32_t u32At(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<std::uint32_t>(b.constData() + at);
}

} // namespace

bool CompoundFile::isCompoundFile(QByteArrayView data)
{
    return data.size() >= 8 && std::memcmp(data.data(), kSignature, 8) == 0;
}

CompoundFile::CompoundFile(const QByteArray& data)
{
    m_buffer.setData(data);
    m_buffer.open(QIODevice::ReadOnly);
    m_device = &m_buffer;
    load();
}

CompoundFile::CompoundFile(QIODevice* device) : m_device(device)
{
    load();
}

CompoundFile::~CompoundFile() = default;

QByteArray CompoundFile::readAt(std::uint64_t offset, std::uint64_t size) const
{
    if (offset > m_size || size > m_size - offset)
        damaged(QStringLiteral("a part lies beyond the end of the file"));
    QByteArray out;
    if (size == 0)
        return out;
    if (!m_device->seek(qint64(offset)))
        damaged(QStringLiteral("the file cannot be read"));
    out = m_device->read(qint64(size));
    if (std::uint64_t(out.size()) != size)
        damaged(QStringLiteral("the file cannot be read"));
    return out;
}

std::uint64_t CompoundFile::sectorOffset(std::uint32_t sector) const
{
    if (sector >= m_sectorCount)
        damaged(QStringLiteral("sector %1 lies beyond the end of the file").arg(sector));
    return (std::uint64_t(sector) + 1) * m_sectorSize;
}

QByteArray CompoundFile::readSector(std::uint32_t sector) const
{
    const std::uint64_t off = sectorOffset(sector);
    QByteArray b = readAt(off, std::min<std::uint64_t>(m_sectorSize, m_size - off));
    b.append(QByteArray(qsizetype(m_sectorSize) - b.size(), '\0'));
    return b;
}

void CompoundFile::load()
{
    m_size = std::uint64_t(std::max<qint64>(0, m_device->size()));
    if (!isCompoundFile(m_device->peek(8)))
        throw StorageError(QStringLiteral("The file is not a compound document"));
    if (m_size < 512)
        damaged(QStringLiteral("the header is cut short"));
    const QByteArray h = readAt(0, 512);
    const auto u16at = [&h](int off) {
        return qFromLittleEndian<std::uint16_t>(h.constData() + off);
    };
    if (u16at(0x1C) != 0xFFFE)
        damaged(QStringLiteral("unknown byte order"));
    const std::uint16_t shift = u16at(0x1E);
    const std::uint16_t miniShift = u16at(0x20);
    if (shift != 9 && shift != 12)
        damaged(QStringLiteral("unknown sector size"));
    if (miniShift != 6)
        damaged(QStringLiteral("unknown mini sector size"));
    m_sectorSize = 1u << shift;
    m_miniSectorSize = 1u << miniShift;
    if (m_size < m_sectorSize)
        damaged(QStringLiteral("the header is cut short"));
    // A last sector cut short is still read as far as it goes.
    m_sectorCount = (m_size + m_sectorSize - 1) / m_sectorSize - 1;

    const std::uint32_t fatSectors = u32At(h, 0x2C);
    const std::uint32_t dirStart = u32At(h, 0x30);
    m_miniCutoff = u32At(h, 0x38);
    const std::uint32_t miniFatStart = u32At(h, 0x3C);
    const std::uint32_t miniFatSectors = u32At(h, 0x40);
    const std::uint32_t difatStart = u32At(h, 0x44);
    const std::uint32_t difatSectors = u32At(h, 0x48);

    if (fatSectors > m_sectorCount)
        damaged(QStringLiteral("the allocation table is larger than the file"));
    std::vector<std::uint32_t> fatList;
    fatList.reserve(fatSectors);
    for (int i = 0; i < 109 && fatList.size() < fatSectors; ++i)
        fatList.push_back(u32At(h, 0x4C + 4 * i));
    // The list of table sectors goes on in its own chain of sectors.
    std::uint32_t next = difatStart;
    std::uint64_t visited = 0;
    const std::uint32_t perSector = m_sectorSize / 4 - 1;
    while (fatList.size() < fatSectors) {
        if (next == kEndOfChain || next == kFree || visited >= m_sectorCount ||
            visited > difatSectors)
            damaged(QStringLiteral("the allocation table's sector list is cut short"));
        const QByteArray s = readSector(next);
        for (std::uint32_t i = 0; i < perSector && fatList.size() < fatSectors; ++i)
            fatList.push_back(u32At(s, 4 * i));
        next = u32At(s, 4 * perSector);
        ++visited;
    }
    m_fat.reserve(std::size_t(fatSectors) * (m_sectorSize / 4));
    for (std::uint32_t sector : fatList) {
        const QByteArray s = readSector(sector);
        for (std::uint32_t i = 0; i < m_sectorSize / 4; ++i)
            m_fat.push_back(u32At(s, 4 * i));
    }

    if (miniFatSectors > 0 && miniFatStart != kEndOfChain) {
        const auto sectors = chain(m_fat, miniFatStart, "mini allocation table");
        m_miniFat.reserve(sectors.size() * (m_sectorSize / 4));
        for (std::uint32_t sector : sectors) {
            const QByteArray s = readSector(sector);
            for (std::uint32_t i = 0; i < m_sectorSize / 4; ++i)
                m_miniFat.push_back(u32At(s, 4 * i));
        }
    }
    readDirectory(dirStart);
    collectChildren();
}

std::vector<std::uint32_t> CompoundFile::chain(const std::vector<std::uint32_t>& table,
                                               std::uint32_t start, const char* what) const
{
    std::vector<std::uint32_t> out;
    std::vector<bool> seen(table.size(), false);
    std::uint32_t s = start;
    while (s != kEndOfChain) {
        if (s > kMaxRegular || s >= table.size())
            damaged(QStringLiteral("the %1 points outside its table").arg(QLatin1String(what)));
        if (seen[s])
            damaged(QStringLiteral("the %1 runs in a circle").arg(QLatin1String(what)));
        seen[s] = true;
        out.push_back(s);
        s = table[s];
    }
    return out;
}

void CompoundFile::readDirectory(std::uint32_t start)
{
    const auto sectors = chain(m_fat, start, "directory");
    const std::uint32_t perSector = m_sectorSize / kEntrySize;
    if (std::uint64_t(sectors.size()) * perSector > std::uint64_t(MaxDirectoryEntries))
        damaged(QStringLiteral("the directory holds too many entries"));
    m_entries.reserve(sectors.size() * perSector);
    for (std::uint32_t sector : sectors) {
        const QByteArray s = readSector(sector);
        for (std::uint32_t i = 0; i < perSector; ++i) {
            const char* p = s.constData() + std::size_t(i) * kEntrySize;
            Entry entry;
            const std::uint16_t nameBytes = qFromLittleEndian<std::uint16_t>(p + 0x40);
            const int chars = nameBytes >= 2 && nameBytes <= 64 ? nameBytes / 2 - 1 : 0;
            QString name(chars, Qt::Uninitialized);
            for (int c = 0; c < chars; ++c)
                name[c] = QChar(qFromLittleEndian<std::uint16_t>(p + 2 * c));
            entry.name = name;
            entry.type = std::uint8_t(p[0x42]);
            entry.left = qFromLittleEndian<std::uint32_t>(p + 0x44);
            entry.right = qFromLittleEndian<std::uint32_t>(p + 0x48);
            entry.child = qFromLittleEndian<std::uint32_t>(p + 0x4C);
            entry.start = qFromLittleEndian<std::uint32_t>(p + 0x74);
            entry.size = qFromLittleEndian<std::uint64_t>(p + 0x78);
            // Version 3 files keep only the low half of the size.
            if (m_sectorSize == 512)
                entry.size &= 0xFFFFFFFFu;
            m_entries.push_back(entry);
        }
    }
    if (m_entries.empty() || m_entries.front().type != RootEntry)
        damaged(QStringLiteral("the root entry is missing"));
}

void CompoundFile::collectChildren()
{
    // Walk the siblings' tree below the root without recursion; each entry is seen once.
    std::vector<bool> seen(m_entries.size(), false);
    std::vector<std::uint32_t> stack;
    const std::uint32_t first = m_entries.front().child;
    if (first != kNoStream)
        stack.push_back(first);
    while (!stack.empty()) {
        const std::uint32_t i = stack.back();
        stack.pop_back();
        if (i >= m_entries.size())
            damaged(QStringLiteral("a directory link points outside the directory"));
        if (seen[i] || i == 0)
            damaged(QStringLiteral("the directory links run in a circle"));
        seen[i] = true;
        const Entry& e = m_entries[i];
        if (e.right != kNoStream)
            stack.push_back(e.right);
        m_rootChildren.push_back(i);
        if (e.left != kNoStream)
            stack.push_back(e.left);
    }
    // Directory order, as the entries were written.
    std::sort(m_rootChildren.begin(), m_rootChildren.end());
}

QStringList CompoundFile::streamNames() const
{
    QStringList names;
    for (std::uint32_t i : m_rootChildren)
        if (m_entries[i].type == StreamEntry)
            names.append(m_entries[i].name);
    return names;
}

const CompoundFile::Entry* CompoundFile::findStream(const QString& name) const
{
    for (std::uint32_t i : m_rootChildren) {
        const Entry& e = m_entries[i];
        if (e.type == StreamEntry && e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

bool CompoundFile::hasStream(const QString& name) const
{
    return findStream(name) != nullptr;
}

QByteArray CompoundFile::readChain(std::uint32_t start, std::uint64_t size) const
{
    if (size > m_size)
        damaged(QStringLiteral("a stream is larger than the file"));
    QByteArray out;
    if (size == 0)
        return out;
    out.reserve(qsizetype(size));
    std::uint32_t s = start;
    std::vector<bool> seen(m_fat.size(), false);
    // Sectors that follow each other in the file are read in one go.
    std::uint64_t runStart = 0, runBytes = 0;
    const auto flush = [&] {
        if (runBytes)
            out.append(readAt(runStart, runBytes));
        runBytes = 0;
    };
    std::uint64_t gathered = 0;
    while (gathered < size) {
        if (s > kMaxRegular || s >= m_fat.size())
            damaged(QStringLiteral("a stream's sectors are cut short"));
        if (seen[s])
            damaged(QStringLiteral("a stream's sectors run in a circle"));
        seen[s] = true;
        const std::uint64_t off = sectorOffset(s);
        const std::uint64_t want = std::min<std::uint64_t>(m_sectorSize, size - gathered);
        if (off + want > m_size)
            damaged(QStringLiteral("a stream's sectors are cut short"));
        if (runBytes && runStart + runBytes == off) {
            runBytes += want;
        } else {
            flush();
            runStart = off;
            runBytes = want;
        }
        gathered += want;
        s = m_fat[s];
    }
    flush();
    return out;
}

QByteArray CompoundFile::readMiniChain(std::uint32_t start, std::uint64_t size) const
{
    const Entry& root = m_entries.front();
    if (size > root.size)
        damaged(QStringLiteral("a small stream is larger than the mini stream"));
    const QByteArray mini = readChain(root.start, root.size);
    QByteArray out;
    out.reserve(qsizetype(size));
    std::uint32_t s = start;
    std::vector<bool> seen(m_miniFat.size(), false);
    while (std::uint64_t(out.size()) < size) {
        if (s > kMaxRegular || s >= m_miniFat.size())
            damaged(QStringLiteral("a small stream's sectors are cut short"));
        if (seen[s])
            damaged(QStringLiteral("a small stream's sectors run in a circle"));
        seen[s] = true;
        const std::uint64_t off = std::uint64_t(s) * m_miniSectorSize;
        const std::uint64_t want = std::min<std::uint64_t>(m_miniSectorSize, size - out.size());
        if (off + want > std::uint64_t(mini.size()))
            damaged(QStringLiteral("a small stream lies beyond the mini stream"));
        out.append(mini.constData() + off, qsizetype(want));
        s = m_miniFat[s];
    }
    return out;
}

QByteArray CompoundFile::readStream(const QString& name) const
{
    const Entry* e = findStream(name);
    if (!e)
        throw StorageError(QStringLiteral("The file holds no stream named %1").arg(name));
    if (e->size < m_miniCutoff)
        return readMiniChain(e->start, e->size);
    return readChain(e->start, e->size);
}

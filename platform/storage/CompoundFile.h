#pragma once
// Read-only reader of OLE compound files (structured storage): the header, the sector
// allocation table with its extension past 109 entries, the mini stream and the directory tree.
// Every count and offset read from the file is checked against the file's own size, so a crafted
// file ends in a StorageError, never in a read outside the bytes or an endless chain.

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>
#include <vector>

class StorageError : public std::runtime_error
{
public:
    explicit StorageError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

class CompoundFile
{
public:
    // True when the bytes begin with the compound-file signature.
    static bool isCompoundFile(QByteArrayView data);

    // Reads the structure of the file; raises StorageError when it is damaged.
    explicit CompoundFile(const QByteArray& data);
    // The same from a random-access device open for reading, which must outlive this object.
    // Only the tables and the streams asked for are read, never the whole file.
    explicit CompoundFile(QIODevice* device);
    ~CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    // Names of the streams directly below the root storage, in directory order.
    QStringList streamNames() const;
    // Names compare without case.
    bool hasStream(const QString& name) const;
    // The whole stream; raises StorageError when it is missing or its sectors are damaged.
    QByteArray readStream(const QString& name) const;

    // More directory entries than this are taken for a crafted file.
    static constexpr int MaxDirectoryEntries = 1 << 16;

private:
    struct Entry
    {
        QString name;
        std::uint8_t type = 0;
        std::uint32_t left = 0, right = 0, child = 0;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };

    void load();
    // Exactly size bytes at offset; StorageError when the file ends first.
    QByteArray readAt(std::uint64_t offset, std::uint64_t size) const;
    // A whole sector, padded with zeros where the file ends inside it.
    QByteArray readSector(std::uint32_t sector) const;
    std::uint64_t sectorOffset(std::uint32_t sector) const;
    // Follows a chain of the allocation table, checking every link.
    std::vector<std::uint32_t> chain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                                     const char* what) const;
    QByteArray readChain(std::uint32_t start, std::uint64_t size) const;
    QByteArray readMiniChain(std::uint32_t start, std::uint64_t size) const;
    void readDirectory(std::uint32_t start);
    void collectChildren();
    const Entry* findStream(const QString& name) const;

    QBuffer m_buffer; // for a file given as bytes
    QIODevice* m_device = nullptr;
    std::uint64_t m_size = 0;
    std::uint32_t m_sectorSize = 512;
    std::uint32_t m_miniSectorSize = 64;
    std::uint32_t m_miniCutoff = 4096;
    std::uint64_t m_sectorCount = 0; // whole sectors after the header
    std::vector<std::uint32_t> m_fat;
    std::vector<std::uint32_t> m_miniFat;
    std::vector<Entry> m_entries;
    std::vector<std::uint32_t> m_rootChildren;
};

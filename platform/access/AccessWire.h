#pragma once
// What the Access reading helper writes to the program over its pipe, and the program's decoding
// of it. The helper runs a library that is not safe on damaged files, so everything it sends is
// treated as untrusted: every length is checked against what is left, every count against a cap,
// and nothing is allocated ahead of the bytes that actually arrived.
//
// A frame is one type byte, a 32-bit little-endian payload length and the payload.

#include "platform/access/AccessTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace accesswire {

enum class FrameType : std::uint8_t {
    Database = 'D', // version byte, table names
    Columns = 'C',  // the cursor's columns
    Progress = 'P', // rows counted so far, while the count takes its time
    Count = 'N',    // the number of rows the cursor will give
    Row = 'R',      // one value per column
    End = 'E',      // no more rows
    Error = 'X',    // a message the user can read
};

enum class ValueTag : std::uint8_t { Null, Text, Integer, Float, Boolean, DateTime, Bytes };

// Largest payload of one frame: a row holding a few of the longest memos.
constexpr std::uint32_t MaxFrame = 128u << 20;
// Access allows 255 columns; more is a damaged stream.
constexpr std::uint32_t MaxColumns = 4096;
constexpr std::uint32_t MaxTables = 1u << 16;
// Bytes of an error message.
constexpr qsizetype MaxMessage = 16 * 1024;
constexpr std::size_t HeaderSize = 5;

// The stream broke its own rules: the helper misbehaved, so the file is taken as damaged.
class WireError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// ---- writing (the helper) -----------------------------------------------------------------------

class FrameWriter
{
public:
    explicit FrameWriter(FrameType type);
    void u8(std::uint8_t v);
    void u32(std::uint32_t v);
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void i64(std::int64_t v);
    void f64(double v);
    void bytes(QByteArrayView v);
    void text(const QString& v) { bytes(v.toUtf8()); }
    void value(const QVariant& v);
    // The finished frame; throws WireError when the payload is over MaxFrame.
    QByteArray finish();

private:
    QByteArray m_data;
};

QByteArray databaseFrame(AccessVersion version, const QStringList& tables);
QByteArray columnsFrame(const QList<AccessColumn>& columns);
QByteArray progressFrame(std::int64_t rows);
QByteArray countFrame(std::int64_t rows);
QByteArray rowFrame(const QList<QVariant>& values);
QByteArray endFrame();
QByteArray errorFrame(const QString& message);

// ---- reading (the program) ----------------------------------------------------------------------

// Where frames come from: the helper's pipe, or memory for tests and fuzzing.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Up to max bytes into buffer; 0 at the end of the stream. Throws on a failure to read.
    virtual std::size_t read(char* buffer, std::size_t max) = 0;
};

class MemorySource : public ByteSource
{
public:
    // Shares the bytes (QByteArray::fromRawData for a buffer that outlives the source).
    explicit MemorySource(const QByteArray& data) : m_data(data) {}
    std::size_t read(char* buffer, std::size_t max) override;

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
};

struct Frame
{
    FrameType type = FrameType::End;
    QByteArray payload;
};

// Reads whole frames; a frame is never buffered beyond the bytes that arrived.
class FrameReader
{
public:
    explicit FrameReader(ByteSource& source) : m_source(source) {}
    // False at a clean end of the stream (between frames); throws WireError for a cut or
    // oversized frame or an unknown type.
    bool next(Frame& frame);

private:
    // Exactly n bytes appended to out; false when the stream ends first.
    bool readExactly(QByteArray& out, std::size_t n);
    ByteSource& m_source;
};

// A payload taken apart; every read is bounded by what is left.
class PayloadReader
{
public:
    explicit PayloadReader(const QByteArray& payload) : m_data(payload) {}
    std::uint8_t u8();
    std::uint32_t u32();
    std::int32_t i32() { return std::int32_t(u32()); }
    std::int64_t i64();
    double f64();
    QByteArray bytes();
    QString text();
    QVariant value();
    // Throws unless the payload was used up exactly.
    void finish() const;
    // A count of items each at least minSize bytes long, checked against the cap and the bytes
    // left, so that nothing is reserved for items that cannot be there.
    std::uint32_t count(std::uint32_t cap, std::size_t minSize);

private:
    const char* take(std::size_t n);
    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

struct DatabaseInfo
{
    AccessVersion version = AccessVersion::Jet4;
    QStringList tables;
};

DatabaseInfo decodeDatabase(const QByteArray& payload);
QList<AccessColumn> decodeColumns(const QByteArray& payload);
std::int64_t decodeCount(const QByteArray& payload);
// The same form as a count.
std::int64_t decodeProgress(const QByteArray& payload);
// Exactly columnCount values.
QList<QVariant> decodeRow(const QByteArray& payload, qsizetype columnCount);
QString decodeError(const QByteArray& payload);

} // namespace accesswire

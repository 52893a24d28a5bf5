#include "platform/access/AccessWire.h"

#include <QDateTime>
#include <QtEndian>

#include <cstring>

namespace accesswire {

namespace {

constexpr std::int64_t MsecsPerDay = 86'400'000;
// Dates are read within three million days of 30 Dec 1899 (Julian day 2,415,019).
constexpr std::int64_t FirstJulianDay = 2'415'019 - 3'000'001;
constexpr std::int64_t LastJulianDay = 2'415'019 + 3'000'001;

bool knownType(std::uint8_t t)
{
    switch (FrameType(t)) {
    case FrameType::Database:
    case FrameType::Columns:
    case FrameType::Progress:
    case FrameType::Count:
    case FrameType::Row:
    case FrameType::End:
    case FrameType::Error:
        return true;
    }
    return false;
}

} // namespace

// ---- writing ------------------------------------------------------------------------------------

FrameWriter::FrameWriter(FrameType type)
{
    m_data.append(char(type));
    m_data.append(4, '\0');
}

void FrameWriter::u8(std::uint8_t v)
{
    m_data.append(char(v));
}

void FrameWriter::u32(std::uint32_t v)
{
    char b[4];
    qToLittleEndian(v, b);
    m_data.append(b, 4);
}

void FrameWriter::i64(std::int64_t v)
{
    char b[8];
    qToLittleEndian(v, b);
    m_data.append(b, 8);
}

void FrameWriter::f64(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    i64(std::int64_t(bits));
}

void FrameWriter::bytes(QByteArrayView v)
{
    if (std::uint64_t(v.size()) > MaxFrame)
        throw WireError("a value is too long to pass");
    u32(std::uint32_t(v.size()));
    m_data.append(v);
}

void FrameWriter::value(const QVariant& v)
{
    if (v.isNull()) {
        u8(std::uint8_t(ValueTag::Null));
        return;
    }
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        u8(std::uint8_t(ValueTag::Integer));
        i64(v.toLongLong());
        break;
    case QMetaType::Double:
        u8(std::uint8_t(ValueTag::Float));
        f64(v.toDouble());
        break;
    case QMetaType::Bool:
        u8(std::uint8_t(ValueTag::Boolean));
        u8(v.toBool() ? 1 : 0);
        break;
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        u8(std::uint8_t(ValueTag::DateTime));
        i64(dt.date().toJulianDay());
        i32(dt.time().msecsSinceStartOfDay());
        break;
    }
    case QMetaType::QByteArray:
        u8(std::uint8_t(ValueTag::Bytes));
        bytes(v.toByteArray());
        break;
    default:
        u8(std::uint8_t(ValueTag::Text));
        text(v.toString());
        break;
    }
}

QByteArray FrameWriter::finish()
{
    const std::uint64_t size = std::uint64_t(m_data.size()) - HeaderSize;
    if (size > MaxFrame)
        throw WireError("a row is too long to pass");
    qToLittleEndian(std::uint32_t(size), m_data.data() + 1);
    return std::move(m_data);
}

QByteArray databaseFrame(AccessVersion version, const QStringList& tables)
{
    FrameWriter w(FrameType::Database);
    w.u8(std::uint8_t(version));
    w.u32(std::uint32_t(tables.size()));
    for (const QString& t : tables)
        w.text(t);
    return w.finish();
}

QByteArray columnsFrame(const QList<AccessColumn>& columns)
{
    FrameWriter w(FrameType::Columns);
    w.u32(std::uint32_t(columns.size()));
    for (const AccessColumn& c : columns) {
        w.u8(std::uint8_t(c.kind));
        w.i32(c.size);
        w.text(c.name);
    }
    return w.finish();
}

QByteArray countFrame(std::int64_t rows)
{
    FrameWriter w(FrameType::Count);
    w.i64(rows);
    return w.finish();
}

QByteArray progressFrame(std::int64_t rows)
{
    FrameWriter w(FrameType::Progress);
    w.i64(rows);
    return w.finish();
}

QByteArray rowFrame(const QList<QVariant>& values)
{
    FrameWriter w(FrameType::Row);
    for (const QVariant& v : values)
        w.value(v);
    return w.finish();
}

QByteArray endFrame()
{
    return FrameWriter(FrameType::End).finish();
}

QByteArray errorFrame(const QString& message)
{
    FrameWriter w(FrameType::Error);
    w.text(message.left(MaxMessage / 4));
    return w.finish();
}

// ---- reading ------------------------------------------------------------------------------------

std::size_t MemorySource::read(char* buffer, std::size_t max)
{
    const std::size_t n = std::min<std::size_t>(max, std::size_t(m_data.size() - m_pos));
    std::memcpy(buffer, m_data.data() + m_pos, n);
    m_pos += qsizetype(n);
    return n;
}

bool FrameReader::readExactly(QByteArray& out, std::size_t n)
{
    // Grown by what arrives, so a length the stream does not back costs nothing.
    constexpr std::size_t Chunk = 64 * 1024;
    while (n > 0) {
        const std::size_t want = std::min(n, Chunk);
        const qsizetype at = out.size();
        out.resize(at + qsizetype(want));
        const std::size_t got = m_source.read(out.data() + at, want);
        out.resize(at + qsizetype(got));
        if (got == 0)
            return false;
        n -= got;
    }
    return true;
}

bool FrameReader::next(Frame& frame)
{
    QByteArray header;
    if (!readExactly(header, HeaderSize)) {
        if (header.isEmpty())
            return false;
        throw WireError("the stream ends inside a frame header");
    }
    const auto type = std::uint8_t(header[0]);
    if (!knownType(type))
        throw WireError("unknown frame type");
    const std::uint32_t size = qFromLittleEndian<std::uint32_t>(header.constData() + 1);
    if (size > MaxFrame)
        throw WireError("frame too long");
    frame.type = FrameType(type);
    frame.payload.clear();
    if (!readExactly(frame.payload, size))
        throw WireError("the stream ends inside a frame");
    return true;
}

const char* PayloadReader::take(std::size_t n)
{
    if (n > std::size_t(m_data.size() - m_pos))
        throw WireError("a value runs past the end of its frame");
    const char* p = m_data.constData() + m_pos;
    m_pos += qsizetype(n);
    return p;
}

std::uint8_t PayloadReader::u8()
{
    return std::uint8_t(*take(1));
}

std::uint32_t PayloadReader::u32()
{
    return qFromLittleEndian<std::uint32_t>(take(4));
}

std::int64_t PayloadReader::i64()
{
    return qFromLittleEndian<std::int64_t>(take(8));
}

double PayloadReader::f64()
{
    const std::uint64_t bits = std::uint64_t(i64());
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

QByteArray PayloadReader::bytes()
{
    const std::uint32_t n = u32();
    const char* p = take(n);
    return QByteArray(p, qsizetype(n));
}

QString PayloadReader::text()
{
    const std::uint32_t n = u32();
    const char* p = take(n);
    return QString::fromUtf8(p, qsizetype(n));
}

std::uint32_t PayloadReader::count(std::uint32_t cap, std::size_t minSize)
{
    const std::uint32_t n = u32();
    if (n > cap || std::uint64_t(n) * minSize > std::uint64_t(m_data.size() - m_pos))
        throw WireError("a count larger than its frame");
    return n;
}

QVariant PayloadReader::value()
{
    switch (ValueTag(u8())) {
    case ValueTag::Null:
        return {};
    case ValueTag::Text:
        return text();
    case ValueTag::Integer:
        return QVariant(qint64(i64()));
    case ValueTag::Float:
        return QVariant(f64());
    case ValueTag::Boolean: {
        const std::uint8_t b = u8();
        if (b > 1)
            throw WireError("a Yes/No value that is neither");
        return QVariant(b == 1);
    }
    case ValueTag::DateTime: {
        const std::int64_t day = i64();
        const std::int32_t ms = i32();
        if (day < FirstJulianDay || day > LastJulianDay || ms < 0 || ms >= MsecsPerDay)
            throw WireError("a date out of range");
        return QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(ms));
    }
    case ValueTag::Bytes:
        return bytes();
    }
    throw WireError("unknown value type");
}

void PayloadReader::finish() const
{
    if (m_pos != m_data.size())
        throw WireError("bytes left over at the end of a frame");
}

DatabaseInfo decodeDatabase(const QByteArray& payload)
{
    PayloadReader r(payload);
    DatabaseInfo info;
    const std::uint8_t v = r.u8();
    if (v > std::uint8_t(AccessVersion::Ace))
        throw WireError("unknown database version");
    info.version = AccessVersion(v);
    const std::uint32_t n = r.count(MaxTables, 4);
    info.tables.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i)
        info.tables << r.text();
    r.finish();
    return info;
}

QList<AccessColumn> decodeColumns(const QByteArray& payload)
{
    PayloadReader r(payload);
    const std::uint32_t n = r.count(MaxColumns, 9);
    if (n == 0)
        throw WireError("a cursor without columns");
    QList<AccessColumn> columns;
    columns.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        AccessColumn c;
        const std::uint8_t kind = r.u8();
        if (kind > std::uint8_t(AccessColumn::Kind::Other))
            throw WireError("unknown column kind");
        c.kind = AccessColumn::Kind(kind);
        c.size = r.i32();
        if (c.size < 0 || c.size > 0xFFFF)
            throw WireError("a column size out of range");
        c.name = r.text();
        columns << c;
    }
    r.finish();
    return columns;
}

std::int64_t decodeCount(const QByteArray& payload)
{
    PayloadReader r(payload);
    const std::int64_t n = r.i64();
    r.finish();
    if (n < 0)
        throw WireError("a negative row count");
    return n;
}

std::int64_t decodeProgress(const QByteArray& payload)
{
    return decodeCount(payload);
}

QList<QVariant> decodeRow(const QByteArray& payload, qsizetype columnCount)
{
    // Every value takes at least its tag byte.
    if (columnCount < 0 || columnCount > payload.size())
        throw WireError("a row shorter than its columns");
    PayloadReader r(payload);
    QList<QVariant> values;
    values.reserve(columnCount);
    for (qsizetype i = 0; i < columnCount; ++i)
        values << r.value();
    r.finish();
    return values;
}

QString decodeError(const QByteArray& payload)
{
    // A message is a few lines; more is not something to show.
    if (payload.size() > 4 + MaxMessage)
        throw WireError("a message too long to show");
    PayloadReader r(payload);
    QString message = r.text();
    r.finish();
    return message;
}

} // namespace accesswire

#include "platform/db/RowStore.h"

#include "platform/db/Connection.h"

#include <sqlite3.h>

#include <cstring>

namespace db {

namespace {

enum Tag : unsigned char { Null, Int, Real, Text, False, True, Bytes };

constexpr std::size_t kBlock = 256 * 1024;

void putVarint(QByteArray& out, quint64 v)
{
    while (v >= 0x80) {
        out.append(char(v | 0x80));
        v >>= 7;
    }
    out.append(char(v));
}

quint64 getVarint(const char*& p)
{
    quint64 v = 0;
    int shift = 0;
    for (;;) {
        const unsigned char b = static_cast<unsigned char>(*p++);
        v |= quint64(b & 0x7f) << shift;
        if (!(b & 0x80))
            return v;
        shift += 7;
    }
}

quint64 zigzag(qint64 v)
{
    return (quint64(v) << 1) ^ quint64(v >> 63);
}

qint64 unzigzag(quint64 v)
{
    return qint64(v >> 1) ^ -qint64(v & 1);
}

void putInt(QByteArray& out, qint64 v)
{
    out.append(char(Int));
    putVarint(out, zigzag(v));
}

void putReal(QByteArray& out, double d)
{
    out.append(char(Real));
    out.append(reinterpret_cast<const char*>(&d), sizeof d);
}

void putBytes(QByteArray& out, Tag tag, const char* data, std::size_t n)
{
    out.append(char(tag));
    putVarint(out, n);
    out.append(data, qsizetype(n));
}

// Utf8 holds a text's bytes on their way; it keeps its capacity from one text to the next.
void putVariant(QByteArray& out, const QVariant& v, QByteArray& utf8)
{
    if (!v.isValid() || v.isNull()) {
        out.append(char(Null));
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
        out.append(char(v.toBool() ? True : False));
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        putInt(out, v.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        putReal(out, v.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        putBytes(out, Bytes, b.constData(), std::size_t(b.size()));
        return;
    }
    default: {
        toUtf8(v.typeId() == QMetaType::QString
                   ? QStringView(*static_cast<const QString*>(v.constData()))
                   : QStringView(v.toString()),
               utf8);
        putBytes(out, Text, utf8.constData(), std::size_t(utf8.size()));
    }
    }
}

// Steps over one cell.
void skip(const char*& p)
{
    switch (static_cast<unsigned char>(*p++)) {
    case Int:
        getVarint(p);
        break;
    case Real:
        p += sizeof(double);
        break;
    case Text:
    case Bytes: {
        const quint64 n = getVarint(p);
        p += n;
        break;
    }
    default:
        break;
    }
}

QVariant decode(const char* p)
{
    switch (static_cast<unsigned char>(*p++)) {
    case Int:
        return QVariant(unzigzag(getVarint(p)));
    case Real: {
        double d;
        std::memcpy(&d, p, sizeof d);
        return QVariant(d);
    }
    case Text: {
        const quint64 n = getVarint(p);
        return QVariant(QString::fromUtf8(p, qsizetype(n)));
    }
    case Bytes: {
        const quint64 n = getVarint(p);
        return QVariant(QByteArray(p, qsizetype(n)));
    }
    case False:
        return QVariant(false);
    case True:
        return QVariant(true);
    default:
        return QVariant();
    }
}

} // namespace

void RowStore::reset(int columns)
{
    m_columns = columns;
    m_rows.clear();
    m_blocks.clear();
    m_free = 0;
    m_next = nullptr;
    m_held = 0;
    m_waste = 0;
}

char* RowStore::allocate(std::size_t bytes)
{
    // A row larger than a quarter block gets a block of its own, so blocks stay full.
    if (bytes > kBlock / 4) {
        m_blocks.emplace_back(new char[bytes]);
        m_held += qint64(bytes);
        return m_blocks.back().get();
    }
    if (bytes > m_free) {
        m_blocks.emplace_back(new char[kBlock]);
        m_held += qint64(kBlock);
        m_next = m_blocks.back().get();
        m_free = kBlock;
    }
    char* p = m_next;
    m_next += bytes;
    m_free -= bytes;
    return p;
}

std::size_t RowStore::rowBytes(const char* row) const
{
    const char* p = row;
    for (int c = 0; c < m_columns; ++c)
        skip(p);
    return std::size_t(p - row);
}

const char* RowStore::encode(const QVector<QVariant>& row)
{
    m_scratch.resize(0); // keeps its capacity
    for (int c = 0; c < m_columns; ++c)
        putVariant(m_scratch, c < row.size() ? row[c] : QVariant(), m_utf8);
    char* p = allocate(std::size_t(m_scratch.size()));
    std::memcpy(p, m_scratch.constData(), std::size_t(m_scratch.size()));
    return p;
}

QVariant RowStore::value(int row, int column) const
{
    if (row < 0 || row >= size() || column < 0 || column >= m_columns)
        return QVariant();
    const char* p = m_rows[std::size_t(row)];
    for (int c = 0; c < column; ++c)
        skip(p);
    return decode(p);
}

QVector<QVariant> RowStore::row(int row) const
{
    QVector<QVariant> out(m_columns);
    if (row < 0 || row >= size())
        return out;
    const char* p = m_rows[std::size_t(row)];
    for (int c = 0; c < m_columns; ++c) {
        out[c] = decode(p);
        skip(p);
    }
    return out;
}

qint64 RowStore::integer(int row, int column) const
{
    const QVariant v = value(row, column);
    return v.typeId() == QMetaType::LongLong ? v.toLongLong() : -1;
}

namespace {

std::size_t varintSize(quint64 v)
{
    std::size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

char* writeVarint(char* p, quint64 v)
{
    while (v >= 0x80) {
        *p++ = char(v | 0x80);
        v >>= 7;
    }
    *p++ = char(v);
    return p;
}

} // namespace

void RowStore::appendFromStatement(sqlite3_stmt* st, const QVector<FieldType>& types)
{
    // Measured first, then written once into its place: no copy of the row on the way. Each
    // cell is taken once as a value, not asked for again by every column call.
    m_cells.resize(std::size_t(m_columns));
    std::size_t total = std::size_t(m_columns); // the tags
    for (int c = 0; c < m_columns; ++c) {
        Cell& cell = m_cells[std::size_t(c)];
        cell = {Null, 0, nullptr, 0};
        sqlite3_value* v = sqlite3_column_value(st, c);
        const int kind = sqlite3_value_type(v);
        const FieldType type = c < types.size() ? types[c] : FieldType::Unknown;
        // The same reading as Statement::value.
        const bool integral = type == FieldType::AutoInc || type == FieldType::Integer ||
                              type == FieldType::Unknown || type == FieldType::Blob;
        const bool real =
            type == FieldType::Float || type == FieldType::Unknown || type == FieldType::Blob;
        if (kind == SQLITE_NULL) {
            cell.tag = Null;
        } else if (type == FieldType::Boolean) {
            cell.tag = sqlite3_value_int64(v) != 0 ? True : False;
        } else if (kind == SQLITE_INTEGER && integral) {
            cell.tag = Int;
            cell.number = zigzag(sqlite3_value_int64(v));
            total += varintSize(cell.number);
        } else if ((kind == SQLITE_INTEGER && type == FieldType::Float) ||
                   (kind == SQLITE_FLOAT && real)) {
            cell.tag = Real;
            const double d = sqlite3_value_double(v);
            std::memcpy(&cell.number, &d, sizeof d);
            total += sizeof d;
        } else {
            cell.tag = kind == SQLITE_BLOB ? Bytes : Text;
            cell.data = cell.tag == Bytes ? static_cast<const char*>(sqlite3_value_blob(v))
                                          : reinterpret_cast<const char*>(sqlite3_value_text(v));
            cell.size = std::size_t(sqlite3_value_bytes(v));
            total += varintSize(cell.size) + cell.size;
        }
    }
    char* const start = allocate(total);
    char* p = start;
    for (const Cell& cell : m_cells) {
        *p++ = char(cell.tag);
        switch (cell.tag) {
        case Int:
            p = writeVarint(p, cell.number);
            break;
        case Real:
            std::memcpy(p, &cell.number, sizeof(double));
            p += sizeof(double);
            break;
        case Text:
        case Bytes:
            p = writeVarint(p, cell.size);
            if (cell.size)
                std::memcpy(p, cell.data, cell.size);
            p += cell.size;
            break;
        default:
            break;
        }
    }
    m_rows.push_back(start);
}

void RowStore::insert(int at, const QVector<QVariant>& row)
{
    const char* p = encode(row);
    m_rows.insert(std::size_t(qBound(0, at, size())), p);
}

void RowStore::replace(int at, const QVector<QVariant>& row)
{
    m_waste += qint64(rowBytes(m_rows[std::size_t(at)]));
    m_rows[std::size_t(at)] = encode(row);
    compactIfWasteful();
}

void RowStore::remove(int at)
{
    m_waste += qint64(rowBytes(m_rows[std::size_t(at)]));
    m_rows.erase(std::size_t(at));
    compactIfWasteful();
}

// Rows replaced or removed leave their bytes behind; past half of what is held (and a few
// blocks), the live rows move into fresh blocks.
void RowStore::compactIfWasteful()
{
    if (m_waste < qint64(4 * kBlock) || m_waste * 2 < m_held)
        return;
    std::vector<std::unique_ptr<char[]>> old;
    old.swap(m_blocks);
    m_free = 0;
    m_next = nullptr;
    m_held = 0;
    m_waste = 0;
    m_rows.forEach([this](const char*& row) {
        const std::size_t n = rowBytes(row);
        char* p = allocate(n);
        std::memcpy(p, row, n);
        row = p;
    });
}

} // namespace db

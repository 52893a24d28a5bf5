#include "platform/db/RowStore.h"

#include "platform/db/Connection.h"

#include <sqlite3.h>

#include <cstring>

namespace db {

namespace {

enum Tag : unsigned char { Null, Int, Real, Text, False, True, Bytes };

constexpr std::size_t kBlock = 256 * 1024;

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

void RowCells::reset(int columns)
{
    m_cells.assign(std::size_t(columns), Cell{Null, false, 0, 0, nullptr, 0});
    m_bytes.resize(std::size_t(columns));
}

RowCells::Cell& RowCells::put(int c, unsigned char tag, int typeId)
{
    Cell& cell = m_cells[std::size_t(c)];
    cell = Cell{tag, true, typeId, 0, nullptr, 0};
    return cell;
}

void RowCells::setNull(int c)
{
    put(c, Null, 0);
}

void RowCells::setText(int c, const char* utf8, std::size_t bytes)
{
    Cell& cell = put(c, Text, QMetaType::QString);
    cell.data = utf8;
    cell.size = bytes;
}

void RowCells::setBoolean(int c, bool value)
{
    put(c, value ? True : False, QMetaType::Bool);
}

void RowCells::setInteger(int c, qint64 value)
{
    put(c, Int, QMetaType::LongLong).number = zigzag(value);
}

void RowCells::setReal(int c, double value)
{
    std::memcpy(&put(c, Real, QMetaType::Double).number, &value, sizeof value);
}

void RowCells::setVariant(int c, const QVariant& v)
{
    if (!v.isValid() || v.isNull()) {
        setNull(c);
        return;
    }
    const int type = v.typeId();
    switch (type) {
    case QMetaType::Bool:
        put(c, v.toBool() ? True : False, type);
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        put(c, Int, type).number = zigzag(v.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        setReal(c, v.toDouble());
        m_cells[std::size_t(c)].typeId = type;
        return;
    default:
        break;
    }
    QByteArray& bytes = m_bytes[std::size_t(c)];
    unsigned char tag = Text;
    if (type == QMetaType::QByteArray) {
        bytes = v.toByteArray();
        tag = Bytes;
    } else {
        toUtf8(type == QMetaType::QString ? QStringView(*static_cast<const QString*>(v.constData()))
                                          : QStringView(v.toString()),
               bytes);
    }
    Cell& cell = put(c, tag, type);
    cell.data = bytes.constData();
    cell.size = std::size_t(bytes.size());
}

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
    m_scratch.reset(m_columns);
    for (int c = 0; c < m_columns && c < row.size(); ++c)
        m_scratch.setVariant(c, row[c]);
    return place(m_scratch);
}

const char* RowStore::place(const RowCells& row)
{
    // Cells a shorter row lacks are null.
    static const RowCells::Cell null{Null, false, 0, 0, nullptr, 0};
    const auto cellAt = [&row](int c) -> const RowCells::Cell& {
        return c < row.columns() ? row.m_cells[std::size_t(c)] : null;
    };
    std::size_t total = std::size_t(m_columns); // the tags
    for (int c = 0; c < m_columns; ++c) {
        const RowCells::Cell& cell = cellAt(c);
        switch (cell.tag) {
        case Int:
            total += varintSize(cell.number);
            break;
        case Real:
            total += sizeof(double);
            break;
        case Text:
        case Bytes:
            total += varintSize(cell.size) + cell.size;
            break;
        default:
            break;
        }
    }
    char* const start = allocate(total);
    char* p = start;
    for (int c = 0; c < m_columns; ++c) {
        const RowCells::Cell& cell = cellAt(c);
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
    return start;
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

void RowStore::appendFromStatement(sqlite3_stmt* st, const QVector<FieldType>& types)
{
    // No copy of the row on the way: each cell is taken once as a value, not asked for again
    // by every column call, and its text written straight from the statement.
    m_scratch.reset(m_columns);
    for (int c = 0; c < m_columns; ++c) {
        sqlite3_value* v = sqlite3_column_value(st, c);
        const int kind = sqlite3_value_type(v);
        const FieldType type = c < types.size() ? types[c] : FieldType::Unknown;
        // The same reading as Statement::value.
        const bool integral = type == FieldType::AutoInc || type == FieldType::Integer ||
                              type == FieldType::Unknown || type == FieldType::Blob;
        const bool real =
            type == FieldType::Float || type == FieldType::Unknown || type == FieldType::Blob;
        if (kind == SQLITE_NULL) {
            m_scratch.setNull(c);
        } else if (type == FieldType::Boolean) {
            m_scratch.setBoolean(c, sqlite3_value_int64(v) != 0);
        } else if (kind == SQLITE_INTEGER && integral) {
            m_scratch.setInteger(c, sqlite3_value_int64(v));
        } else if ((kind == SQLITE_INTEGER && type == FieldType::Float) ||
                   (kind == SQLITE_FLOAT && real)) {
            m_scratch.setReal(c, sqlite3_value_double(v));
        } else if (kind == SQLITE_BLOB) {
            RowCells::Cell& cell = m_scratch.put(c, Bytes, QMetaType::QByteArray);
            cell.data = static_cast<const char*>(sqlite3_value_blob(v));
            cell.size = std::size_t(sqlite3_value_bytes(v));
        } else {
            const char* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
            m_scratch.setText(c, text, std::size_t(sqlite3_value_bytes(v)));
        }
    }
    m_rows.push_back(place(m_scratch));
}

void RowStore::insert(int at, const QVector<QVariant>& row)
{
    const char* p = encode(row);
    m_rows.insert(std::size_t(qBound(0, at, size())), p);
}

void RowStore::insert(int at, const RowCells& row)
{
    const char* p = place(row);
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

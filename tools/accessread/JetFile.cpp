#include "tools/accessread/JetFile.h"

#include "tools/accessread/JetHeader.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

extern "C" {
#include <mdbsql.h>
#include <mdbtools.h>
}

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace {

QString fromUtf8Owned(char* s)
{
    const QString result = s ? QString::fromUtf8(s) : QString();
    g_free(s);
    return result;
}

MdbColumn* columnAt(MdbTableDef* table, int index)
{
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, guint(index)));
}

AccessColumn describe(const MdbColumn* c, bool jet3)
{
    AccessColumn col;
    col.name = QString::fromUtf8(c->name);
    switch (c->col_type) {
    case MDB_TEXT:
        col.kind = AccessColumn::Kind::Text;
        // Jet4 and later keep text as UTF-16: two bytes a character.
        col.size = jet3 ? c->col_size : c->col_size / 2;
        break;
    case MDB_REPID:
        col.kind = AccessColumn::Kind::Guid;
        col.size = 38;
        break;
    case MDB_MEMO:
        col.kind = AccessColumn::Kind::Memo;
        break;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        col.kind = c->is_long_auto ? AccessColumn::Kind::AutoNumber : AccessColumn::Kind::Integer;
        break;
    case MDB_FLOAT:
    case MDB_DOUBLE:
        col.kind = AccessColumn::Kind::Float;
        break;
    case MDB_NUMERIC:
        col.kind = AccessColumn::Kind::Decimal;
        break;
    case MDB_BOOL:
        col.kind = AccessColumn::Kind::Boolean;
        break;
    case MDB_MONEY:
        col.kind = AccessColumn::Kind::Currency;
        break;
    case MDB_DATETIME:
        col.kind = AccessColumn::Kind::DateTime;
        break;
    case MDB_BINARY:
        col.kind = AccessColumn::Kind::Binary;
        break;
    case MDB_OLE:
        col.kind = AccessColumn::Kind::Ole;
        break;
    default:
        col.kind = AccessColumn::Kind::Other;
        break;
    }
    return col;
}

// Exact decimal text of Value / 10^Scale.
QString scaledDecimal(qint64 value, int scale)
{
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    QString digits = QString::number(magnitude);
    if (digits.size() <= scale)
        digits = QString(scale - digits.size() + 1, u'0') + digits;
    QString out = digits.left(digits.size() - scale);
    QString frac = digits.right(scale);
    while (!frac.isEmpty() && frac.endsWith(u'0'))
        frac.chop(1);
    if (negative)
        out.prepend(u'-');
    if (!frac.isEmpty())
        out += u'.' + frac;
    return out;
}

// Days since 30 Dec 1899; before it the whole days are negative and the time still counts
// forward from midnight.
QDateTime accessDate(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3'000'000.0)
        return {};
    double days = std::trunc(value);
    qint64 seconds = std::llround(std::fabs(value - days) * 86400.0);
    QDate date = QDate(1899, 12, 30).addDays(qint64(days));
    if (seconds >= 86400) {
        date = date.addDays(1);
        seconds -= 86400;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(seconds * 1000)));
}

// Columns whose conditions the library can test; on any other it lets every row through.
bool testable(const MdbColumn* c)
{
    switch (c->col_type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_DATETIME:
        return true;
    default:
        return false;
    }
}

// The first column of a condition the library cannot test; nullptr when there is none.
const MdbColumn* untestedColumn(const MdbSargNode* node, int depth = 0)
{
    if (!node || depth > 1000)
        return nullptr;
    if (node->col && node->op != MDB_ISNULL && node->op != MDB_NOTNULL && !testable(node->col))
        return node->col;
    if (const MdbColumn* c = untestedColumn(node->left, depth + 1))
        return c;
    return untestedColumn(node->right, depth + 1);
}

// Memos and OLE objects start with a 12-byte header: the length with two flags in its top
// bits, then where the value's pages begin.
constexpr int LongValueHeader = 12;
constexpr quint32 LongValueInline = 0x80000000;
constexpr quint32 LongValueOnePage = 0x40000000;
constexpr quint32 LongValueLength = 0x3FFFFFFF;
// Longer values span a chain of pages; the chain's length lives in the low three bytes.
constexpr quint32 LongValueChainLength = 0x00FFFFFF;
constexpr size_t OrdinaryBindSize = 64 * 1024;

// One row of a long value page: its bytes in the other page buffer.
QByteArrayView longValueRow(MdbHandle* mdb, quint32 pageRow)
{
    void* buf = nullptr;
    int offset = 0;
    size_t length = 0;
    if (mdb_find_pg_row(mdb, int(pageRow), &buf, &offset, &length) != 0 || !buf)
        return {};
    const int page = int(mdb->fmt->pg_size);
    offset &= 0x1FFF; // the row offset's top bits are flags
    if (offset >= page || length > size_t(page - offset))
        return {};
    return QByteArrayView(static_cast<const char*>(buf) + offset, qsizetype(length));
}

// The bytes of a memo or OLE object, handed to Sink piece by piece: kept in the row, on one
// page, or along a chain of pages that each begin with the next one's place. False when a page
// it names is missing or the pieces end before the length its header gives.
template <class Sink> bool walkLongValue(MdbHandle* mdb, int start, int len, Sink sink)
{
    if (len < LongValueHeader || start < 0 || start + LongValueHeader > MDB_PGSIZE)
        return false;
    const quint32 head = quint32(mdb_get_int32(mdb->pg_buf, start));
    const quint32 pageRow = quint32(mdb_get_int32(mdb->pg_buf, start + 4));
    if (head & LongValueInline) {
        const qsizetype size = qsizetype(head & LongValueLength);
        const qsizetype there = qMin(len, MDB_PGSIZE - start) - LongValueHeader;
        if (size > there)
            return false;
        sink(QByteArrayView(reinterpret_cast<const char*>(mdb->pg_buf) + start + LongValueHeader,
                            size));
        return true;
    }
    if (head & LongValueOnePage) {
        const QByteArrayView row = longValueRow(mdb, pageRow);
        const qsizetype size = qsizetype(head & LongValueLength);
        if (row.size() < size)
            return false;
        sink(row.first(size));
        return true;
    }
    if (head & ~LongValueChainLength)
        return false;
    const qsizetype total = qsizetype(head);
    qsizetype done = 0;
    quint32 next = pageRow;
    while (done < total) {
        if (next == 0)
            return false;
        const QByteArrayView row = longValueRow(mdb, next);
        if (row.size() <= 4)
            return false;
        next = quint32(mdb_get_int32(const_cast<char*>(row.data()), 0));
        const QByteArrayView piece = row.sliced(4).first(qMin(row.size() - 4, total - done));
        sink(piece);
        done += piece.size();
    }
    return true;
}

// The bytes of an OLE object; never more than its header says.
QByteArray longValue(MdbHandle* mdb, int start, int len)
{
    QByteArray out;
    walkLongValue(mdb, start, len, [&](QByteArrayView piece) { out.append(piece); });
    return out;
}

bool isLongValue(const MdbColumn* c)
{
    return c->col_type == MDB_MEMO || c->col_type == MDB_OLE;
}

// A quarter of a second between reports of a long pass.
constexpr qint64 ProgressEveryMs = 250;

} // namespace

// ---- JetFile -----------------------------------------------------------------------------

QString JetFile::damagedMessage(const QString& path, const QString& detail)
{
    return QStringLiteral("The database %1 is damaged: %2.").arg(path, detail);
}

QString JetFile::passwordMissingMessage(const QString& path)
{
    return QStringLiteral("The database %1 is protected by a password: type it in the Password "
                          "box under \"MS Access\" and try again.")
        .arg(path);
}

QString JetFile::passwordWrongMessage(const QString& path)
{
    return QStringLiteral("The password given for the database %1 is not its password.").arg(path);
}

AccessError JetFile::damaged(const QString& detail) const
{
    return AccessError(damagedMessage(m_path, detail));
}

JetFile::JetFile(const QString& path, const QString& password)
    : m_path(path), m_password(password)
{
    if (!QFileInfo(path).isFile())
        throw AccessError(QStringLiteral("The database %1 does not exist").arg(path));
    const QString notAccess =
        QStringLiteral("%1 is not an Access database or cannot be read").arg(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw AccessError(notAccess);
    const qint64 size = f.size();
    const std::optional<JetHeader> header = JetHeader::read(f.read(JetHeader::Size));
    f.close();
    if (!header)
        throw AccessError(notAccess);
    // Whole pages, or the file was cut: the library would take its end for the end of the data.
    if (size % header->pageSize != 0 || size < 2 * header->pageSize)
        throw damaged(QStringLiteral("its length is not a whole number of pages"));
    m_pages = quint64(size / header->pageSize);
    // An .accdb given a password is encrypted with it instead: refused below as unreadable.
    if (header->version != AccessVersion::Ace && !header->accepts(password))
        throw AccessError(password.isEmpty() ? passwordMissingMessage(path)
                                             : passwordWrongMessage(path));
    // Jet3 files keep 8-bit text in the code page their header names; the ANSI page of this
    // system where it names none the system knows (the password is read in the same).
    m_codePage = header->version != AccessVersion::Jet3 ? 0 : jet3CodePage(header->codePage);
    qputenv("MDB_JET3_CHARSET", "CP" + QByteArray::number(m_codePage ? m_codePage : 1256));
    // Text comes to us as UTF-8 whatever the user's environment asks of the library.
    qputenv("MDBICONV", "UTF-8");
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    m_mdb = mdb;
    if (!mdb)
        throw AccessError(notAccess);
    try {
        open(*header, notAccess);
    } catch (...) {
        mdb_close(mdb);
        m_mdb = nullptr;
        throw;
    }
}

void JetFile::open(const JetHeader& header, const QString& notAccess)
{
    auto* mdb = static_cast<MdbHandle*>(m_mdb);
    switch (mdb->f->jet_version) {
    case MDB_VER_JET3:
        m_version = AccessVersion::Jet3;
        break;
    case MDB_VER_JET4:
        m_version = AccessVersion::Jet4;
        break;
    default:
        m_version = AccessVersion::Ace;
        break;
    }
    if (mdb->fmt->pg_size != header.pageSize)
        throw AccessError(notAccess);
    // An encrypted file's pages are unreadable: its catalogue cannot be read.
    GPtrArray* catalog = mdb_read_catalog(mdb, MDB_ANY);
    bool hasTable = false;
    if (catalog) {
        for (guint i = 0; i < catalog->len && !hasTable; ++i) {
            const auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
            hasTable = e->object_type == MDB_TABLE;
        }
    }
    if (!hasTable)
        throw AccessError(unreadableMessage(m_path));
    mdb_set_bind_size(mdb, OrdinaryBindSize);
    // The catalogue is a table too: rows of it lost would lose tables without a word.
    MdbTableDef* objects = readTable(QStringLiteral("MSysObjects"));
    if (!objects)
        throw damaged(QStringLiteral("its list of tables cannot be read"));
    const auto free = qScopeGuard([objects] { mdb_free_tabledef(objects); });
    verifiedRows(objects, {});
}

QString JetFile::unreadableMessage(const QString& path)
{
    return QStringLiteral("%1 cannot be read: the database is encrypted beyond its password, or "
                          "damaged. Such a database cannot be read here; decrypt it in Access "
                          "and try again.")
        .arg(path);
}

JetFile::~JetFile()
{
    if (m_mdb)
        mdb_close(static_cast<MdbHandle*>(m_mdb));
}

QStringList JetFile::tableNames() const
{
    QStringList names;
    GPtrArray* catalog = static_cast<MdbHandle*>(m_mdb)->catalog;
    for (guint i = 0; catalog && i < catalog->len; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (e->object_type == MDB_TABLE && mdb_is_user_table(e))
            names << QString::fromUtf8(e->object_name);
    }
    return names;
}

S_MdbTableDef* JetFile::readTable(const QString& name)
{
    QByteArray n = name.toUtf8();
    MdbTableDef* table =
        mdb_read_table_by_name(static_cast<MdbHandle*>(m_mdb), n.data(), MDB_TABLE);
    if (table && !mdb_read_columns(table)) {
        mdb_free_tabledef(table);
        return nullptr;
    }
    if (table)
        mdb_rewind_table(table);
    return table;
}

qint64 JetFile::verifiedRows(S_MdbTableDef* table, const JetProgress& progress)
{
    auto* mdb = static_cast<MdbHandle*>(m_mdb);
    const QString name = QString::fromUtf8(table->name);
    // Every page the table's map names lies within the file.
    if (table->usage_map && table->map_sz > 0) {
        gint32 last = 0;
        for (quint64 n = 0; n <= m_pages; ++n) {
            const gint32 pg = mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz),
                                                guint32(last));
            if (pg <= last)
                break;
            if (quint64(pg) >= m_pages)
                throw damaged(QStringLiteral("a page of the table %1 lies beyond the end of the "
                                             "file").arg(name));
            last = pg;
        }
    }
    QList<MdbColumn*> longValues;
    for (int i = 0; i < int(table->num_cols); ++i) {
        if (isLongValue(columnAt(table, i)))
            longValues << columnAt(table, i);
    }
    // Conditions set aside: the pass sees every row the table keeps.
    MdbSargNode* const conditions = table->sarg_tree;
    table->sarg_tree = nullptr;
    const auto restore = qScopeGuard([table, conditions] {
        table->sarg_tree = conditions;
        mdb_rewind_table(table);
    });
    mdb_rewind_table(table);
    QElapsedTimer clock;
    clock.start();
    qint64 rows = 0;
    while (mdb_fetch_row(table)) {
        ++rows;
        for (const MdbColumn* c : std::as_const(longValues)) {
            if (c->cur_value_len > 0 &&
                !walkLongValue(mdb, c->cur_value_start, c->cur_value_len, [](QByteArrayView) {}))
                throw damaged(QStringLiteral("a memo or OLE value of the table %1 is cut short")
                                  .arg(name));
        }
        if (progress && clock.elapsed() >= ProgressEveryMs) {
            progress(rows);
            clock.start();
        }
    }
    // The library takes a page it cannot read for the end of the table.
    if (rows < qint64(table->num_rows))
        throw damaged(QStringLiteral("the table %1 gives %2 of the %3 rows it records")
                          .arg(name)
                          .arg(rows)
                          .arg(table->num_rows));
    return rows;
}

std::unique_ptr<JetCursor> JetFile::openTable(const QString& name)
{
    MdbTableDef* table = readTable(name);
    if (!table) {
        // Listed in the catalogue, yet its definition cannot be read.
        if (tableNames().contains(name))
            throw damaged(QStringLiteral("the definition of the table %1 cannot be read").arg(name));
        throw AccessError(QStringLiteral("The table %1 is not in the database").arg(name));
    }
    std::unique_ptr<JetCursor> cursor(new JetCursor(*this));
    cursor->m_table = table;
    for (int i = 0; i < int(table->num_cols); ++i) {
        cursor->m_columns.append(describe(columnAt(table, i), m_version == AccessVersion::Jet3));
        cursor->m_tableColumns.append(i);
    }
    return cursor;
}

std::unique_ptr<JetCursor> JetFile::openQuery(const QString& sql)
{
    const QString text = sql.trimmed();
    const QString refused =
        QStringLiteral("This query cannot be run on an Access file here: only a SELECT from one "
                       "table, with WHERE and LIMIT, can be read (no joins, grouping, ordering or "
                       "sub-queries).\n%1");

    MdbSQL* q = mdb_sql_init();
    q->mdb = static_cast<MdbHandle*>(m_mdb);
    std::unique_ptr<JetCursor> cursor(new JetCursor(*this));
    cursor->m_sql = q;
    QByteArray query = text.toUtf8();
    // The library wants a statement without its closing semicolon.
    while (query.endsWith(';') || query.endsWith(' '))
        query.chop(1);
    MdbSQL* result = mdb_sql_run_query(q, query.constData());
    if (!result || mdb_sql_has_error(q) || !q->cur_table) {
        const QString reason = QString::fromUtf8(mdb_sql_last_error(q)).trimmed();
        throw AccessError(
            QStringLiteral("This query cannot be run on an Access file here%1.\n%2")
                .arg(reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason), text));
    }
    MdbTableDef* table = q->cur_table;
    cursor->m_table = table;
    if (const MdbColumn* c = untestedColumn(q->sarg_tree ? q->sarg_tree : table->sarg_tree))
        throw AccessError(QStringLiteral("This query cannot be run on an Access file here: a "
                                         "condition on the column %1 (currency, decimal or "
                                         "binary) cannot be tested.\n%2")
                              .arg(QString::fromUtf8(c->name), text));
    // The library binds every column of a query to a copy of the text it converts on each row;
    // values are read from the row itself, only those asked for, so the copies are left out.
    for (int k = 0; k < int(table->num_cols); ++k) {
        columnAt(table, k)->bind_ptr = nullptr;
        columnAt(table, k)->len_ptr = nullptr;
    }
    for (guint i = 0; i < q->num_columns; ++i) {
        const auto* sc = static_cast<MdbSQLColumn*>(g_ptr_array_index(q->columns, i));
        for (int k = 0; k < int(table->num_cols); ++k) {
            if (g_ascii_strcasecmp(columnAt(table, k)->name, sc->name) == 0) {
                cursor->m_columns.append(
                    describe(columnAt(table, k), m_version == AccessVersion::Jet3));
                cursor->m_tableColumns.append(k);
                break;
            }
        }
    }
    if (cursor->m_columns.isEmpty())
        throw AccessError(refused.arg(text));
    return cursor;
}

// ---- JetCursor -------------------------------------------------------------------------------

JetCursor::~JetCursor()
{
    if (m_sql) {
        // The handle belongs to the database, not to the query.
        mdb_sql_reset(m_sql);
        m_sql->mdb = nullptr;
        mdb_sql_exit(m_sql);
    } else if (m_table) {
        mdb_free_tabledef(m_table);
    }
}

bool JetCursor::next()
{
    if (m_sql)
        return mdb_sql_fetch_row(m_sql, m_table) != 0;
    return mdb_fetch_row(m_table) != 0;
}

void JetCursor::rewind()
{
    mdb_rewind_table(m_table);
    // A query's LIMIT counts from here again.
    if (m_sql)
        m_sql->row_count = 0;
}

qint64 JetCursor::countRows(const JetProgress& progress)
{
    if (!m_sql) {
        const qint64 rows = m_file.verifiedRows(m_table, progress);
        rewind();
        return rows;
    }
    // A query's table is checked through a second opening of the file: the library's
    // state for the query (its conditions, its index scan) is left as it is.
    {
        JetFile again(m_file.m_path, m_file.m_password);
        again.openTable(QString::fromUtf8(m_table->name))->countRows(progress);
    }
    QElapsedTimer clock;
    clock.start();
    qint64 rows = 0;
    while (next()) {
        ++rows;
        if (progress && clock.elapsed() >= ProgressEveryMs) {
            progress(rows);
            clock.start();
        }
    }
    rewind();
    return rows;
}

QVariant JetCursor::value(int column) const
{
    if (column < 0 || column >= m_tableColumns.size())
        return {};
    MdbColumn* c = columnAt(m_table, m_tableColumns[column]);
    MdbHandle* mdb = m_table->entry->mdb;
    // A Yes/No value lives in the row's null mask: a clear bit (reported as null) is No.
    if (c->col_type == MDB_BOOL)
        return QVariant(c->cur_value_len == 0);
    const int start = c->cur_value_start;
    const int len = c->cur_value_len;
    if (len <= 0 || start < 0 || start >= MDB_PGSIZE)
        return {};
    const unsigned char* buf = mdb->pg_buf;
    const auto fixed = [&](int size) { return start + size <= MDB_PGSIZE && len >= size; };
    switch (c->col_type) {
    case MDB_TEXT:
        return fromUtf8Owned(mdb_col_to_string(mdb, mdb->pg_buf, start, c->col_type, len));
    case MDB_MEMO: {
        // The library converts into a buffer of the bind size: made as long as this memo's
        // text can become, for this value only.
        if (len < LongValueHeader || !fixed(LongValueHeader))
            return QString();
        const quint32 head = quint32(mdb_get_int32(mdb->pg_buf, start));
        const quint64 bytes = (head & LongValueInline)         ? quint64(len)
                              : (head & LongValueOnePage)      ? quint64(mdb->fmt->pg_size)
                              : (head & ~LongValueChainLength) ? 0
                                                               : quint64(head);
        // A stored byte becomes at most three of UTF-8.
        mdb_set_bind_size(mdb, size_t(qMax<quint64>(OrdinaryBindSize, bytes * 3 + 16)));
        QString text = fromUtf8Owned(mdb_col_to_string(mdb, mdb->pg_buf, start, c->col_type, len));
        mdb_set_bind_size(mdb, OrdinaryBindSize);
        return text;
    }
    case MDB_OLE:
        return longValue(mdb, start, len);
    case MDB_BYTE:
        return QVariant(qint64(buf[start]));
    case MDB_INT:
        return fixed(2) ? QVariant(qint64(qint16(mdb_get_int16(mdb->pg_buf, start)))) : QVariant();
    case MDB_LONGINT:
        return fixed(4) ? QVariant(qint64(qint32(mdb_get_int32(mdb->pg_buf, start)))) : QVariant();
    case MDB_FLOAT: {
        if (!fixed(4))
            return {};
        // The shortest text of the single, so 0.2 stays 0.2 and not 0.200000003.
        char text[64];
        const auto r = std::to_chars(text, text + sizeof text, mdb_get_single(mdb->pg_buf, start));
        return QVariant(std::strtod(std::string(text, r.ptr).c_str(), nullptr));
    }
    case MDB_DOUBLE:
        return fixed(8) ? QVariant(mdb_get_double(mdb->pg_buf, start)) : QVariant();
    case MDB_MONEY: {
        if (!fixed(8))
            return {};
        qint64 v;
        std::memcpy(&v, buf + start, 8);
        return scaledDecimal(qFromLittleEndian(v), 4);
    }
    case MDB_NUMERIC:
        // Sixteen digits' bytes and the sign, all on this page.
        return fixed(17) ? fromUtf8Owned(mdb_numeric_to_string(mdb, start, c->col_scale,
                                                               c->col_prec))
                         : QVariant();
    case MDB_DATETIME: {
        if (!fixed(8))
            return {};
        const QDateTime dt = accessDate(mdb_get_double(mdb->pg_buf, start));
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case MDB_REPID:
        return fixed(16) ? fromUtf8Owned(mdb_uuid_to_string(mdb->pg_buf, start)) : QVariant();
    case MDB_BINARY:
        return QByteArray(reinterpret_cast<const char*>(buf + start),
                          qMin(len, MDB_PGSIZE - start));
    default:
        return {};
    }
}

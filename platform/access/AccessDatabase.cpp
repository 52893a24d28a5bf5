#include "platform/access/AccessDatabase.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

const QRegularExpression& unsupportedSql()
{
    static const QRegularExpression re(
        QStringLiteral("\\b(JOIN|GROUP\\s+BY|ORDER\\s+BY|UNION|HAVING|DISTINCT|INTO|TRANSFORM|"
                       "PIVOT)\\b|\\(\\s*SELECT\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

// The query's text without its quoted strings, so that a word inside a value is not taken
// for SQL.
QString withoutStrings(const QString& sql)
{
    QString out;
    QChar quote;
    for (QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            out += u' ';
            continue;
        }
        out += c;
    }
    return out;
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

} // namespace

// ---- AccessDatabase -----------------------------------------------------------------------------

AccessDatabase::AccessDatabase(const QString& path) : m_path(path)
{
    if (!QFileInfo(path).isFile())
        throw AccessError(QStringLiteral("The database %1 does not exist").arg(path));
    // Jet3 files keep 8-bit text; on this system it is the ANSI page.
    qputenv("MDB_JET3_CHARSET", "CP1256");
    // Text comes to us as UTF-8 whatever the user's environment asks of the library.
    qputenv("MDBICONV", "UTF-8");
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    m_mdb = mdb;
    if (!mdb)
        throw AccessError(
            QStringLiteral("%1 is not an Access database or cannot be read").arg(path));
    switch (mdb->f->jet_version) {
    case MDB_VER_JET3:
        m_version = Version::Jet3;
        break;
    case MDB_VER_JET4:
        m_version = Version::Jet4;
        break;
    default:
        m_version = Version::Ace;
        break;
    }
    // An encrypted file's pages are unreadable: its catalogue cannot be read.
    GPtrArray* catalog = mdb_read_catalog(mdb, MDB_ANY);
    bool hasTable = false;
    if (catalog) {
        for (guint i = 0; i < catalog->len && !hasTable; ++i) {
            const auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
            hasTable = e->object_type == MDB_TABLE;
        }
    }
    if (!hasTable) {
        mdb_close(mdb);
        m_mdb = nullptr;
        throw AccessError(QStringLiteral("%1 cannot be read: the database is encrypted or damaged. "
                                         "Encrypted databases are not supported; remove the "
                                         "password in Access and try again.")
                              .arg(path));
    }
    // Values are read from the row itself, memos whole; the library's own bound copies (a query
    // binds every column) only need to hold ordinary values.
    mdb_set_bind_size(mdb, 64 * 1024);
}

AccessDatabase::~AccessDatabase()
{
    if (m_mdb)
        mdb_close(static_cast<MdbHandle*>(m_mdb));
}

QStringList AccessDatabase::tableNames() const
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

std::unique_ptr<AccessCursor> AccessDatabase::openTable(const QString& name)
{
    QByteArray n = name.toUtf8();
    MdbTableDef* table =
        mdb_read_table_by_name(static_cast<MdbHandle*>(m_mdb), n.data(), MDB_TABLE);
    if (!table)
        throw AccessError(QStringLiteral("The table %1 is not in the database").arg(name));
    std::unique_ptr<AccessCursor> cursor(new AccessCursor);
    cursor->m_db = this;
    cursor->m_table = table;
    if (!mdb_read_columns(table))
        throw AccessError(QStringLiteral("The columns of the table %1 cannot be read").arg(name));
    mdb_rewind_table(table);
    for (int i = 0; i < int(table->num_cols); ++i) {
        cursor->m_columns.append(describe(columnAt(table, i), m_version == Version::Jet3));
        cursor->m_tableColumns.append(i);
    }
    return cursor;
}

std::unique_ptr<AccessCursor> AccessDatabase::openQuery(const QString& sql)
{
    const QString text = sql.trimmed();
    const QString bare = withoutStrings(text);
    const bool single = !bare.contains(unsupportedSql()) &&
                        bare.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive) &&
                        !QRegularExpression(QStringLiteral("\\bFROM\\s+[^\\s,]+(\\s+AS\\s+\\S+|"
                                                           "\\s+(?!WHERE\\b|LIMIT\\b)\\w+)?\\s*,"),
                                            QRegularExpression::CaseInsensitiveOption)
                             .match(bare)
                             .hasMatch();
    const QString refused =
        QStringLiteral("This query cannot be run on an Access file here: only a SELECT from one "
                       "table, with WHERE and LIMIT, can be read (no joins, grouping, ordering or "
                       "sub-queries).\n%1");
    if (!single)
        throw AccessError(refused.arg(text));

    MdbSQL* q = mdb_sql_init();
    q->mdb = static_cast<MdbHandle*>(m_mdb);
    std::unique_ptr<AccessCursor> cursor(new AccessCursor);
    cursor->m_db = this;
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
    for (guint i = 0; i < q->num_columns; ++i) {
        const auto* sc = static_cast<MdbSQLColumn*>(g_ptr_array_index(q->columns, i));
        for (int k = 0; k < int(table->num_cols); ++k) {
            if (g_ascii_strcasecmp(columnAt(table, k)->name, sc->name) == 0) {
                cursor->m_columns.append(describe(columnAt(table, k), m_version == Version::Jet3));
                cursor->m_tableColumns.append(k);
                break;
            }
        }
    }
    if (cursor->m_columns.isEmpty())
        throw AccessError(refused.arg(text));
    return cursor;
}

// ---- AccessCursor -------------------------------------------------------------------------------

AccessCursor::~AccessCursor()
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

int AccessCursor::indexOf(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool AccessCursor::next()
{
    if (m_sql)
        return mdb_sql_fetch_row(m_sql, m_table) != 0;
    return mdb_fetch_row(m_table) != 0;
}

QVariant AccessCursor::value(int column) const
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
    case MDB_MEMO:
        return fromUtf8Owned(mdb_col_to_string(mdb, mdb->pg_buf, start, c->col_type, len));
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
        return fromUtf8Owned(mdb_numeric_to_string(mdb, start, c->col_scale, c->col_prec));
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

#include "platform/access/AccessDatabase.h"

#include "platform/access/AccessHelper.h"
#include "platform/access/AccessWire.h"

#include <QFileInfo>
#include <QRegularExpression>

using accesswire::Frame;
using accesswire::FrameType;
using accesswire::WireError;

namespace {

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

// The next frame of a run; a stream that ends here is damaged, and the helper's own message
// is passed on as it is.
Frame expectFrame(accesswire::FrameReader& reader)
{
    Frame f;
    if (!reader.next(f))
        throw WireError("the Access reader ended early");
    if (f.type == FrameType::Error)
        throw AccessError(accesswire::decodeError(f.payload));
    return f;
}

Frame expectFrame(accesswire::FrameReader& reader, FrameType type)
{
    Frame f = expectFrame(reader);
    if (f.type != type)
        throw WireError("a frame out of order");
    return f;
}

// Runs one step of reading the helper's stream: whatever breaks the stream's rules (a crash, a
// limit, a timeout, bytes out of order) is the damaged-file message.
template <class Step> auto readingOf(const QString& path, Step step)
{
    try {
        return step();
    } catch (const WireError&) {
        throw AccessError(AccessDatabase::damagedMessage(path));
    }
}

} // namespace

// ---- AccessDatabase -----------------------------------------------------------------------------

QString AccessDatabase::damagedMessage(const QString& path)
{
    return QStringLiteral("%1 cannot be read: the database is encrypted or damaged. Encrypted "
                          "databases are not supported; remove the password in Access and try "
                          "again.")
        .arg(path);
}

AccessDatabase::AccessDatabase(const QString& path) : m_path(path)
{
    if (!QFileInfo(path).isFile())
        throw AccessError(QStringLiteral("The database %1 does not exist").arg(path));
    AccessHelper helper({QStringLiteral("tables"), path});
    accesswire::FrameReader reader(helper);
    const accesswire::DatabaseInfo info = readingOf(path, [&] {
        return accesswire::decodeDatabase(expectFrame(reader, FrameType::Database).payload);
    });
    m_version = info.version;
    m_tables = info.tables;
}

AccessDatabase::~AccessDatabase() = default;

QStringList AccessDatabase::tableNames() const
{
    return m_tables;
}

std::unique_ptr<AccessCursor> AccessDatabase::openTable(const QString& name)
{
    return std::unique_ptr<AccessCursor>(
        new AccessCursor(m_path, {QStringLiteral("table"), m_path, name}));
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
    // A command line cannot hold a NUL; such a query is no query the library could run.
    if (!single || text.contains(QChar(0)) || text.size() > 65536)
        throw AccessError(
            QStringLiteral("This query cannot be run on an Access file here: only a SELECT from "
                           "one table, with WHERE and LIMIT, can be read (no joins, grouping, "
                           "ordering or sub-queries).\n%1")
                .arg(text));
    return std::unique_ptr<AccessCursor>(
        new AccessCursor(m_path, {QStringLiteral("query"), m_path, text}));
}

// ---- AccessCursor -------------------------------------------------------------------------------

AccessCursor::AccessCursor(const QString& path, const QStringList& request) : m_path(path)
{
    m_helper = std::make_unique<AccessHelper>(request);
    m_reader = std::make_unique<accesswire::FrameReader>(*m_helper);
    m_columns = readingOf(m_path, [&] {
        return accesswire::decodeColumns(expectFrame(*m_reader, FrameType::Columns).payload);
    });
    m_helper->opened();
}

AccessCursor::~AccessCursor() = default;

int AccessCursor::indexOf(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qint64 AccessCursor::rowCount()
{
    if (m_count < 0) {
        m_count = readingOf(m_path, [&] {
            return qint64(
                accesswire::decodeCount(expectFrame(*m_reader, FrameType::Count).payload));
        });
    }
    return m_count;
}

bool AccessCursor::next()
{
    if (m_ended)
        return false;
    m_row.clear();
    // A failure ends the cursor: nothing after it is read.
    m_ended = true;
    rowCount();
    const bool more = readingOf(m_path, [&] {
        const Frame f = expectFrame(*m_reader);
        if (f.type == FrameType::End)
            return false;
        if (f.type != FrameType::Row)
            throw WireError("a frame out of order");
        m_row = accesswire::decodeRow(f.payload, m_columns.size());
        return true;
    });
    m_ended = !more;
    if (!more)
        m_helper.reset();
    return more;
}

QVariant AccessCursor::value(int column) const
{
    if (column < 0 || column >= m_row.size())
        return {};
    return m_row[column];
}

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
Frame expectFrame(AccessHelper& helper, accesswire::FrameReader& reader)
{
    Frame f;
    if (!reader.next(f))
        throw WireError("the Access reader ended early");
    helper.frameArrived();
    if (f.type == FrameType::Error)
        throw AccessError(accesswire::decodeError(f.payload));
    return f;
}

Frame expectFrame(AccessHelper& helper, accesswire::FrameReader& reader, FrameType type)
{
    Frame f = expectFrame(helper, reader);
    if (f.type != type)
        throw WireError("a frame out of order");
    return f;
}

// Runs one step of reading the helper's stream: whatever breaks the stream's rules is a
// message of the file, saying how the helper failed (a crash, a limit, a time-out, bytes out of
// order).
template <class Step> auto readingOf(const QString& path, AccessHelper& helper, Step step)
{
    try {
        return step();
    } catch (const WireError&) {
        QString message;
        switch (helper.failure()) {
        case AccessHelper::Failure::TimedOut:
            message = AccessDatabase::timedOutMessage(path);
            break;
        case AccessHelper::Failure::TimeLimit:
            message = AccessDatabase::timeLimitMessage(path);
            break;
        case AccessHelper::Failure::MemoryLimit:
            message = AccessDatabase::memoryLimitMessage(path);
            break;
        case AccessHelper::Failure::Crashed:
            message = AccessDatabase::crashedMessage(path, helper.exitReason());
            break;
        case AccessHelper::Failure::Damaged:
            message = AccessDatabase::damagedMessage(path);
            break;
        }
        throw AccessError(message);
    }
}

// The helper's silences go to the handler.
void listen(AccessHelper& helper, const AccessWaitHandler& waiting)
{
    if (waiting)
        helper.setWaiting([waiting] { waiting(-1); });
}

} // namespace

// ---- AccessDatabase -----------------------------------------------------------------------------

QString AccessDatabase::damagedMessage(const QString& path)
{
    return QStringLiteral("%1 cannot be read: the database is damaged, or encrypted beyond its "
                          "password (such a database cannot be read here).")
        .arg(path);
}

QString AccessDatabase::timedOutMessage(const QString& path)
{
    return QStringLiteral("%1 cannot be read: the program's Access reader stopped answering and "
                          "was stopped. The database is probably damaged.")
        .arg(path);
}

QString AccessDatabase::timeLimitMessage(const QString& path)
{
    return QStringLiteral("%1 cannot be read: reading it took more than the %2 seconds of "
                          "processor time the program's Access reader may use. The database is "
                          "probably damaged.")
        .arg(path)
        .arg(AccessHelper::limits().cpuSeconds);
}

QString AccessDatabase::memoryLimitMessage(const QString& path)
{
    return QStringLiteral("%1 cannot be read: reading it needs more than the %2 MB of memory "
                          "the program's Access reader may use. The database is probably "
                          "damaged.")
        .arg(path)
        .arg(AccessHelper::limits().memoryBytes >> 20);
}

QString AccessDatabase::crashedMessage(const QString& path, const QString& detail)
{
    return QStringLiteral("%1 cannot be read: the program's Access reader crashed on it (%2). "
                          "The database is damaged.")
        .arg(path, detail);
}

AccessDatabase::AccessDatabase(const QString& path, const QString& password,
                               AccessWaitHandler waiting)
    : m_path(path), m_password(password), m_waiting(std::move(waiting))
{
    if (!QFileInfo(path).isFile())
        throw AccessError(QStringLiteral("The database %1 does not exist").arg(path));
    AccessHelper helper({QStringLiteral("tables"), path}, m_password);
    listen(helper, m_waiting);
    accesswire::FrameReader reader(helper);
    const accesswire::DatabaseInfo info = readingOf(path, helper, [&] {
        return accesswire::decodeDatabase(
            expectFrame(helper, reader, FrameType::Database).payload);
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
        new AccessCursor(m_path, {QStringLiteral("table"), m_path, name}, m_password, m_waiting));
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
        new AccessCursor(m_path, {QStringLiteral("query"), m_path, text}, m_password, m_waiting));
}

// ---- AccessCursor -------------------------------------------------------------------------------

AccessCursor::AccessCursor(const QString& path, const QStringList& request,
                           const QString& password, const AccessWaitHandler& waiting)
    : m_path(path), m_waiting(waiting)
{
    m_helper = std::make_unique<AccessHelper>(request, password);
    listen(*m_helper, m_waiting);
    m_reader = std::make_unique<accesswire::FrameReader>(*m_helper);
    m_columns = readingOf(m_path, *m_helper, [&] {
        return accesswire::decodeColumns(
            expectFrame(*m_helper, *m_reader, FrameType::Columns).payload);
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
        m_count = readingOf(m_path, *m_helper, [&] {
            // The helper tells how far its count has come while it takes its time.
            for (;;) {
                const Frame f = expectFrame(*m_helper, *m_reader);
                if (f.type == FrameType::Count)
                    return qint64(accesswire::decodeCount(f.payload));
                if (f.type != FrameType::Progress)
                    throw WireError("a frame out of order");
                const qint64 counted = accesswire::decodeProgress(f.payload);
                if (m_waiting)
                    m_waiting(counted);
            }
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
    const bool more = readingOf(m_path, *m_helper, [&] {
        const Frame f = expectFrame(*m_helper, *m_reader);
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

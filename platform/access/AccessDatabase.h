#pragma once
// Read-only access to Access database files (Jet3 .mdb, Jet4 .mdb, ACE .accdb): the user tables,
// their columns, and a forward cursor over a table or a simple SELECT. The file is read by the
// program's helper process (AccessHelper.h), which streams rows over a pipe; a helper that
// crashes, runs out of its limits, stalls or sends nonsense gets a message saying which.
// Values come typed and exact: whole memos, dates to the second (before 1899 too), money and
// decimals as exact decimal text, OLE objects as their bytes. Jet3 text is read in the code page
// the file names (the ANSI page, CP1256, where it names none). A file with a database password
// opens with that password; one encrypted beyond it is refused.

#include "platform/access/AccessTypes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>

class AccessHelper;
namespace accesswire {
class FrameReader;
}

class AccessDatabase;

// Called while the program waits on the helper: about every tenth of a second while it is
// silent (with -1), and with the rows counted so far while it counts. It may throw to give up
// the wait (an import cancelled meanwhile); the helper is then stopped.
using AccessWaitHandler = std::function<void(qint64 counted)>;

// Rows of one table or query; Next() before the first row.
class AccessCursor
{
public:
    ~AccessCursor();
    AccessCursor(const AccessCursor&) = delete;
    AccessCursor& operator=(const AccessCursor&) = delete;

    const QList<AccessColumn>& columns() const { return m_columns; }
    // -1 when no column has that name (letter case ignored).
    int indexOf(const QString& name) const;
    // The next row; false at the end.
    bool next();
    // Null for a null column. Text and memos: QString; integers: qint64; floats: double;
    // Yes/No: bool; dates: QDateTime; currency and decimals: QString with "." as the point;
    // binary and OLE: QByteArray.
    QVariant value(int column) const;
    // The number of rows the cursor gives (a query's are counted ahead); ask before next().
    qint64 rowCount();

private:
    friend class AccessDatabase;
    AccessCursor(const QString& path, const QStringList& request, const QString& password,
                 const AccessWaitHandler& waiting);
    QString m_path;
    AccessWaitHandler m_waiting;
    std::unique_ptr<AccessHelper> m_helper;
    std::unique_ptr<accesswire::FrameReader> m_reader;
    QList<AccessColumn> m_columns;
    QList<QVariant> m_row;
    qint64 m_count = -1;
    bool m_ended = false;
};

class AccessDatabase
{
public:
    using Version = AccessVersion;

    // Throws AccessError for a file that is missing, not an Access database, encrypted beyond
    // its password, damaged, or whose password is not the one given (a file without a
    // password opens with any). The handler is told of every wait, this one's and the
    // cursors'.
    explicit AccessDatabase(const QString& path, const QString& password = {},
                            AccessWaitHandler waiting = {});
    ~AccessDatabase();
    AccessDatabase(const AccessDatabase&) = delete;
    AccessDatabase& operator=(const AccessDatabase&) = delete;

    Version version() const { return m_version; }
    // User tables, system tables left out, in catalogue order.
    QStringList tableNames() const;
    std::unique_ptr<AccessCursor> openTable(const QString& name);
    // A single-table SELECT (columns or *, WHERE, LIMIT). Joins, grouping, ordering and anything
    // else the library cannot run is refused with a message naming the query.
    std::unique_ptr<AccessCursor> openQuery(const QString& sql);

    // The message for a file the helper could not read to the end.
    static QString damagedMessage(const QString& path);
    // The messages for a helper that was stopped after a time-out, used up its processor time
    // or its memory, or crashed (how it ended in Detail).
    static QString timedOutMessage(const QString& path);
    static QString timeLimitMessage(const QString& path);
    static QString memoryLimitMessage(const QString& path);
    static QString crashedMessage(const QString& path, const QString& detail);

private:
    QString m_path;
    QString m_password;
    AccessWaitHandler m_waiting;
    QStringList m_tables;
    Version m_version = Version::Jet4;
};

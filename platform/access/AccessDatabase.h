#pragma once
// Read-only access to Access database files (Jet3 .mdb, Jet4 .mdb, ACE .accdb) through mdbtools:
// the user tables, their columns, and a forward cursor over a table or a simple SELECT.
// Values come typed and exact: whole memos, dates to the second (before 1899 too), money and
// decimals as exact decimal text. Jet3 text is read in the ANSI page (CP1256).

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>

struct S_MdbTableDef;
struct MdbSQL;

class AccessError : public std::runtime_error
{
public:
    explicit AccessError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

struct AccessColumn
{
    enum class Kind {
        Text,
        Memo,
        Guid,
        Integer,
        Float,
        Decimal,
        Boolean,
        Currency,
        DateTime,
        AutoNumber,
        Binary,
        Ole,
        Other
    };
    QString name;
    Kind kind = Kind::Other;
    int size = 0; // characters for text
};

class AccessDatabase;

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
    // binary: QByteArray.
    QVariant value(int column) const;

private:
    friend class AccessDatabase;
    AccessCursor() = default;
    AccessDatabase* m_db = nullptr;
    S_MdbTableDef* m_table = nullptr;
    MdbSQL* m_sql = nullptr;
    QList<AccessColumn> m_columns;
    QList<int> m_tableColumns; // index in the table's column array
};

class AccessDatabase
{
public:
    enum class Version { Jet3, Jet4, Ace };

    // Throws AccessError for a file that is missing, not an Access database, or encrypted.
    explicit AccessDatabase(const QString& path);
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

private:
    QString m_path;
    void* m_mdb = nullptr; // MdbHandle, an unnamed type of the library
    Version m_version = Version::Jet4;
};

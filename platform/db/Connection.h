#pragma once

#include "platform/db/DbError.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

// Named statement parameters: names with or without the leading ':'.
using Params = QVariantMap;

enum class FieldType {
    Unknown,
    AutoInc,
    Integer,
    Boolean,
    Float,
    Numeric,
    Text,
    Memo,
    DateTime,
    Blob
};

struct ColumnInfo
{
    QString name;
    QString declaredType;
    FieldType type = FieldType::Unknown;
    int size = 0; // characters, for sized text columns
    bool primaryKey = false;
    bool notNull = false;
    QString label;         // display label kept in the database, or empty
    QVariant defaultValue; // the DEFAULT clause's text, null when none
};

struct TableInfo
{
    QString name;
    QVector<ColumnInfo> columns;
    int primaryKeyColumn = -1; // the INTEGER PRIMARY KEY, when there is one
    int indexOf(const QString& column) const;
};

// A prepared statement checked out of the connection's cache; returned to it when destroyed.
class Statement
{
public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    ~Statement();

    // Binds every named parameter of the statement; one without a value is an error.
    void bind(const Params& params);
    // Binds the parameters in the order they first appear in the text.
    void bindList(const QVariantList& values);
    // Steps once; true while there is a row.
    bool step();
    int columnCount() const;
    QString columnName(int i) const;
    QString columnTable(int i) const;  // base table of a plain column, else empty
    QString columnOrigin(int i) const; // base column of a plain column, else empty
    QString columnDeclaredType(int i) const;
    QVariant value(int i, FieldType type = FieldType::Unknown) const;
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    friend class Connection;
    Statement(class Connection* conn, sqlite3_stmt* stmt, QString sql);
    void bindOne(int index, const QVariant& value);
    Connection* m_conn;
    sqlite3_stmt* m_stmt;
    QString m_sql;
    std::vector<QByteArray> m_texts; // per parameter, alive until the next binding
};

// The text as UTF-8 at out, which has room for three bytes a unit; returns the end, and tells
// whether the text holds a NUL. The bytes are those of Qt's UTF-8 encoder.
char* toUtf8(QStringView text, char* out, bool& hasNul);
// The same into buffer, reusing its memory; true when the text holds a NUL.
bool toUtf8(QStringView text, QByteArray& buffer);
// Binds UTF-8 bytes that stay unchanged until the statement is bound again or reset, and are
// followed by a NUL; hasNul tells whether they hold one of their own. A text without NULs is
// bound as terminated: SQLite then reads it in place where it wants it so (a CHECK's length())
// instead of copying it. Returns SQLite's result code.
int bindTerminatedUtf8(sqlite3_stmt* stmt, int index, const char* utf8, int bytes, bool hasNul);
// Binds a text as UTF-8 converted into buffer, which must stay unchanged until the statement
// is bound again or reset. Returns SQLite's result code.
int bindUtf8Text(sqlite3_stmt* stmt, int index, QStringView text, QByteArray& buffer);
// Binds a value by its type (text as UTF-8 through buffer, as above); throws for an unsigned
// value beyond the signed range. Returns SQLite's result code.
int bindVariant(sqlite3_stmt* stmt, int index, const QVariant& value, QByteArray& buffer);

// One keyed database file, opened read-write. A missing file is never created.
class Connection : public QObject
{
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    void open(const QString& path, const QByteArray& key);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }
    sqlite3* handle() const { return m_db; }

    Statement prepare(const QString& sql);
    // Runs one statement; rows it may return are ignored. Returns the number of changed rows.
    int exec(const QString& sql, const Params& params = {});
    // Runs a script of several statements without parameters (schema creation).
    void execScript(const QString& sql);
    // First column of the first row, or a null value.
    QVariant scalar(const QString& sql, const Params& params = {});
    qint64 lastInsertId() const;

    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Commits that do not wait for the disk (many small ones in a row); restoreSynchronous
    // puts full synchronisation back and raises NotDurable when it cannot. Until it has been
    // put back, every transaction begun tries again and refuses to start without it.
    void relaxSynchronous();
    void restoreSynchronous();
    bool isSynchronousRelaxed() const { return m_relaxed; }

    // Column facts of a table (cached; reset on close).
    const TableInfo& tableInfo(const QString& table);

    QString lastErrorText() const;
    // The failure of the last call on the handle, as the data layer reports it.
    Error lastError() const;

    // The cipher settings every file is opened and made with, as PRAGMA statements.
    static const QStringList& cipherSettings();
    // How long a file another program holds is waited for.
    static int busyTimeoutMs;

    // Creates a new keyed database file from a schema script. Refuses to overwrite a file.
    static void createDatabase(const QString& path, const QByteArray& key,
                               const QString& schemaSql);

signals:
    // A table's rows were changed through a data set or exec (so other views can refresh).
    void tableChanged(const QString& table);

private:
    friend class Statement;
    void release(sqlite3_stmt* stmt, const QString& sql);
    [[noreturn]] void fail(const QString& what) const;
    void loadLabels();

    sqlite3* m_db = nullptr;
    QString m_path;
    bool m_relaxed = false;        // at normal synchronisation on purpose
    bool m_restoreFailed = false;  // full synchronisation could not be put back
    QHash<QString, QVector<sqlite3_stmt*>> m_cache;
    QHash<QString, TableInfo> m_tables;
    QHash<QString, QString> m_labels; // "table.field" (lower case) -> label
};

FieldType fieldTypeFromDeclared(const QString& declared, bool primaryKey, int* size);

} // namespace db

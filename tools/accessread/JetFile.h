#pragma once
// The Access file as mdbtools reads it; used only inside the helper process, since the library
// is not safe on damaged files. Same tables, columns and values as AccessDatabase gives the
// program. A file found damaged (cut short, a page beyond its end, rows or long values missing)
// is an AccessError, never a table with rows left out.

#include "platform/access/AccessTypes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

struct S_MdbTableDef;
struct MdbSQL;
class JetFile;
struct JetHeader;

// Told the rows counted so far while a pass over a table runs, about four times a second.
using JetProgress = std::function<void(qint64 rows)>;

class JetCursor
{
public:
    ~JetCursor();
    JetCursor(const JetCursor&) = delete;
    JetCursor& operator=(const JetCursor&) = delete;

    const QList<AccessColumn>& columns() const { return m_columns; }
    bool next();
    QVariant value(int column) const;
    // Counts the rows by reading them once, then starts over. Throws AccessError when the
    // table is damaged: it gives fewer rows than its definition records, one of its pages lies
    // beyond the file, or a memo or OLE value is cut.
    qint64 countRows(const JetProgress& progress = {});

private:
    friend class JetFile;
    explicit JetCursor(JetFile& file) : m_file(file) {}
    void rewind();
    JetFile& m_file;
    S_MdbTableDef* m_table = nullptr;
    MdbSQL* m_sql = nullptr;
    QList<AccessColumn> m_columns;
    QList<int> m_tableColumns; // index in the table's column array
};

class JetFile
{
public:
    // Throws AccessError for a file that is not an Access database, is damaged or encrypted,
    // or whose password is not the one given (a file without a password opens with any).
    explicit JetFile(const QString& path, const QString& password = {});
    ~JetFile();
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    AccessVersion version() const { return m_version; }
    // The code page the file's 8-bit texts are read in (Jet3); 0 for later files.
    int codePage() const { return m_codePage; }
    QStringList tableNames() const;
    std::unique_ptr<JetCursor> openTable(const QString& name);
    std::unique_ptr<JetCursor> openQuery(const QString& sql);

    // The messages of a damaged file, of a missing and of a wrong password.
    static QString damagedMessage(const QString& path, const QString& detail);
    static QString passwordMissingMessage(const QString& path);
    static QString passwordWrongMessage(const QString& path);
    // A file whose list of tables cannot be read: encrypted, or damaged there.
    static QString unreadableMessage(const QString& path);

private:
    friend class JetCursor;
    // A pass over every row of the table (its conditions set aside), checking what it reads
    // against the file; the rows it gives.
    qint64 verifiedRows(S_MdbTableDef* table, const JetProgress& progress);
    // Null when the table or its columns cannot be read.
    S_MdbTableDef* readTable(const QString& name);
    void open(const JetHeader& header, const QString& notAccess);
    AccessError damaged(const QString& detail) const;

    QString m_path;
    QString m_password;
    void* m_mdb = nullptr; // MdbHandle, an unnamed type of the library
    AccessVersion m_version = AccessVersion::Jet4;
    int m_codePage = 0;
    quint64 m_pages = 0;
};

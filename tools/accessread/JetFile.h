#pragma once
// The Access file as mdbtools reads it; used only inside the helper process, since the library
// is not safe on damaged files. Same tables, columns and values as AccessDatabase gives the
// program.

#include "platform/access/AccessDatabase.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

struct S_MdbTableDef;
struct MdbSQL;

class JetCursor
{
public:
    ~JetCursor();
    JetCursor(const JetCursor&) = delete;
    JetCursor& operator=(const JetCursor&) = delete;

    const QList<AccessColumn>& columns() const { return m_columns; }
    bool next();
    QVariant value(int column) const;
    // Counts the rows by reading them once, then starts over.
    qint64 countRows();

private:
    friend class JetFile;
    JetCursor() = default;
    void rewind();
    S_MdbTableDef* m_table = nullptr;
    MdbSQL* m_sql = nullptr;
    QList<AccessColumn> m_columns;
    QList<int> m_tableColumns; // index in the table's column array
};

class JetFile
{
public:
    // Throws AccessError for a file that is not an Access database or is encrypted.
    explicit JetFile(const QString& path);
    ~JetFile();
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    AccessDatabase::Version version() const { return m_version; }
    QStringList tableNames() const;
    std::unique_ptr<JetCursor> openTable(const QString& name);
    std::unique_ptr<JetCursor> openQuery(const QString& sql);

private:
    QString m_path;
    void* m_mdb = nullptr; // MdbHandle, an unnamed type of the library
    AccessDatabase::Version m_version = AccessDatabase::Version::Jet4;
};

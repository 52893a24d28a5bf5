#include "tests/support/TestDatabase.h"

#include "app/dbfile.h"

#include <QDir>

TestDatabase::TestDatabase(const QString& folder)
    : m_folder(folder.isEmpty() ? m_dir.path() : folder)
{
    db::Connection::createDatabase(path(), databaseKey(), QString::fromUtf8(kSchemaSql));
}

QString TestDatabase::path() const
{
    return QDir(m_folder).filePath(databaseFileName());
}

db::Connection* TestDatabase::connection()
{
    if (!m_conn) {
        m_conn = std::make_unique<db::Connection>();
        m_conn->open(path(), databaseKey());
    }
    return m_conn.get();
}

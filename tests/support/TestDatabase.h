#pragma once

#include "platform/db/Connection.h"

#include <QTemporaryDir>
#include <memory>

// A fresh program database, keyed with the program's key, in a temporary folder that goes
// away with the object.
class TestDatabase
{
public:
    // In a folder of its own, or in the given one (a small disk, say).
    explicit TestDatabase(const QString& folder = QString());
    QString folder() const { return m_folder; }
    QString path() const;
    // A connection to the file, opened on first use.
    db::Connection* connection();

private:
    QTemporaryDir m_dir;
    QString m_folder;
    std::unique_ptr<db::Connection> m_conn;
};

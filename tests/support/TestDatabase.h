#pragma once

#include "platform/db/Connection.h"

#include <QTemporaryDir>
#include <memory>

// A fresh program database, keyed with the program's key, in a temporary folder that goes
// away with the object.
class TestDatabase
{
public:
    TestDatabase();
    QString folder() const { return m_dir.path(); }
    QString path() const;
    // A connection to the file, opened on first use.
    db::Connection* connection();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<db::Connection> m_conn;
};

#pragma once

#include <QByteArray>
#include <QString>

// The script that creates the program's tables (app/schema.sql).
extern const char* const kSchemaSql;

// The key of the program's database file.
QByteArray databaseKey();

inline QString databaseFileName()
{
    return QStringLiteral("db.mde");
}

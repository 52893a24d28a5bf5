#pragma once
// Files the tests write as their input.

#include <QByteArray>
#include <QFile>
#include <QString>

// Writes Bytes to Path and returns Path; a file that cannot be written is left for the code
// under test to report.
inline QString WriteTestFile(const QString& Path, const QByteArray& Bytes)
{
    QFile f(Path);
    if (f.open(QIODevice::WriteOnly))
        f.write(Bytes);
    return Path;
}

// A shell script with this body, made executable.
inline QString WriteTestScript(const QString& Path, const QByteArray& Body)
{
    WriteTestFile(Path, "#!/bin/sh\n" + Body + "\n");
    QFile::setPermissions(Path, QFile::permissions(Path) | QFileDevice::ExeOwner);
    return Path;
}

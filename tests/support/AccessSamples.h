#pragma once
// The Access sample files that the helper's and the import's tests read.

#include <QFileInfo>
#include <QString>

// Their folder: the build names it, the environment may move it (a worktree elsewhere). Empty
// when the samples are not there.
inline QString AccessSamplesDir()
{
    const QString dir =
        qEnvironmentVariable("BANKFILE_SHARED_DIR", QStringLiteral(BANKFILE_SHARED_DIR)) +
        QStringLiteral("/fixtures/access");
    return QFileInfo::exists(dir + QStringLiteral("/nwind.mdb")) ? dir : QString();
}

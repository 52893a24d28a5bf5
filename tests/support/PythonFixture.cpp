#include "tests/support/PythonFixture.h"

#include <QProcess>

bool PythonHas(const QString& Module)
{
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"), QStringLiteral("import ") + Module});
    return probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

QString RunPython(const QStringList& Args)
{
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"), Args);
    if (!py.waitForFinished(60000))
        return QStringLiteral("python3 did not finish: %1").arg(py.errorString());
    if (py.exitStatus() != QProcess::NormalExit || py.exitCode() != 0)
        return QString::fromUtf8(py.readAllStandardError());
    return QString();
}

#pragma once
// Fixture files written at test time by Debian's Python packages through /usr/bin/python3.

#include <QString>
#include <QStringList>

// True when python3 imports Module (a test that needs it skips otherwise).
bool PythonHas(const QString& Module);
// Runs python3 with Args; empty when it ended well, else what went wrong.
QString RunPython(const QStringList& Args);

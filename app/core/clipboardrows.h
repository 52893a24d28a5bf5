#pragma once

#include <QList>
#include <QStringList>

// Clipboard text split into lines of tab-separated fields. Lines may end in CR LF, LF or CR;
// the last line needs no end.
QList<QStringList> SplitClipboardRows(const QString& text);

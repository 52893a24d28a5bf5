#include "app/core/clipboardrows.h"

QList<QStringList> SplitClipboardRows(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QStringList lines = t.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QList<QStringList> rows;
    for (const QString& l : std::as_const(lines))
        rows.append(l.split(u'\t'));
    return rows;
}

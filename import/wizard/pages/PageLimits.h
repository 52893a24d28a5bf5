#pragma once
// What a page previews at most. Real files stay far below these; a small file can describe far
// more (a line of a million commas, a workbook of a hundred thousand empty sheets), and a page
// that tried to show it would stop the wizard for minutes. Such a file is refused with a
// message that names the limit.

#include <QComboBox>
#include <QFileInfo>
#include <QString>
#include <QStringList>

// Columns of a preview: as many as a spreadsheet program's sheet holds.
constexpr int MaxPreviewColumns = 16384;
// Sheets or tables of a document, each a tab of its page.
constexpr int MaxPreviewTabs = 1000;
// Sheets of an XLS workbook: each keeps a grid of its own for the ranges chosen on it.
constexpr int MaxXlsSheets = 500;

inline QString TooManyColumnsText(const QString& FileName, int Limit = MaxPreviewColumns)
{
    return QStringLiteral("%1 has more than %2 columns: the wizard opens files of at most %2 "
                          "columns.")
        .arg(QFileInfo(FileName).fileName())
        .arg(Limit);
}

// What: "sheets" or "tables".
inline QString TooManyTabsText(const QString& FileName, const QString& What,
                               int Limit = MaxPreviewTabs)
{
    return QStringLiteral("%1 has more than %2 %3: the wizard opens files of at most %2 %3.")
        .arg(QFileInfo(FileName).fileName())
        .arg(Limit)
        .arg(What);
}

// An empty entry, then "1" .. Count, added in one pass (one by one, each entry lays the list
// out again).
inline void FillNumberList(QComboBox* Box, int Count)
{
    QStringList items;
    items.reserve(Count + 1);
    items << QString();
    for (int c = 1; c <= Count; ++c)
        items << QString::number(c);
    Box->clear();
    Box->addItems(items);
}

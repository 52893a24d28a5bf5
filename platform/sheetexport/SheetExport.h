#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A list sent to the desktop's spreadsheet program: written as an .xlsx workbook with a
// formatted header row, then opened with whatever program the desktop associates with it.
namespace SheetExport {

struct SheetData
{
    QStringList labels;      // one per field, in field order: the header row
    QList<QStringList> rows; // one per record; each value as text
};

// What to show when no program could be started for the workbook written at path.
QString notOpenedMessage(const QString& path);

// "Exported from " + title: the name the sheet is given.
QString sheetNameFor(const QString& title);

// Writes the workbook to path (overwriting). Every value is stored as text so that long
// account numbers keep all their digits. On failure returns false and sets *error.
bool writeWorkbook(const QString& path, const QString& title, const SheetData& data,
                   QString* error = nullptr);

enum class ExportStatus {
    Opened,     // written and handed to the spreadsheet program
    NotOpened,  // written to path, but no program could be started
    WriteFailed // nothing usable was written; error says why
};

struct ExportResult
{
    ExportStatus status = ExportStatus::WriteFailed;
    QString path;
    QString error;
};

// Writes a new workbook into folder (the system's temporary folder when empty) under a
// fresh name and opens it through Shell::openDocument.
ExportResult exportToSpreadsheet(const SheetData& data, const QString& title,
                                 const QString& folder = QString());

} // namespace SheetExport

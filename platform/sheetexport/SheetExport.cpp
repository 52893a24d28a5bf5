#include "platform/sheetexport/SheetExport.h"

#include "platform/shell/Shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>

namespace SheetExport {

namespace {

// Colours as the Windows automation interface takes them (00BBGGRR).
constexpr quint32 headerFontColorBgr = 0xFF0000;
constexpr int headerBoldLastCol = 26;   // A1:AA1
constexpr int headerBorderLastCol = 10; // A1:K1
constexpr int centredLastCol = 10;      // A1:K11
constexpr int centredLastRow = 10;
constexpr double columnWidths[] = {10, 10, 15, 6, 18, 9, 23, 23, 23, 10};

lxw_color_t bgrToRgb(quint32 bgr)
{
    return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

QString lxwMessage(lxw_error e)
{
    return QString::fromUtf8(lxw_strerror(e));
}

struct Formats
{
    // The ranges overlap, so a cell takes the format of every range that covers it.
    lxw_format* header = nullptr;       // bold, coloured
    lxw_format* headerBorder = nullptr; // + borders, centred
    lxw_format* centred = nullptr;
};

lxw_format* formatFor(const Formats& f, int row, int col)
{
    if (row == 0) {
        if (col <= headerBorderLastCol)
            return f.headerBorder;
        if (col <= headerBoldLastCol)
            return f.header;
        return nullptr;
    }
    if (row <= centredLastRow && col <= centredLastCol)
        return f.centred;
    return nullptr;
}

} // namespace

QString notOpenedMessage(const QString& path)
{
    return QStringLiteral("No program on this desktop opens spreadsheet files.\r"
                          "The list was saved as:\r") +
           path;
}

QString sheetNameFor(const QString& title)
{
    return QStringLiteral("Exported from ") + title;
}

bool writeWorkbook(const QString& path, const QString& title, const SheetData& data, QString* error)
{
    auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };

    const QByteArray fileName = QFile::encodeName(path);
    lxw_workbook* book = workbook_new(fileName.constData());
    if (!book)
        return fail(QStringLiteral("Cannot create the workbook %1.").arg(path));
    // Nothing reaches the disk before workbook_close, so giving up leaves no half file.
    auto abandon = [&](const QString& message) {
        lxw_workbook_free(book);
        return fail(message);
    };

    const QString sheetName = sheetNameFor(title);
    const QByteArray sheetNameUtf8 = sheetName.toUtf8();
    const lxw_error nameCheck = workbook_validate_sheet_name(book, sheetNameUtf8.constData());
    if (nameCheck != LXW_NO_ERROR)
        return abandon(QStringLiteral("The sheet name \"%1\" is not allowed: %2")
                           .arg(sheetName, lxwMessage(nameCheck)));
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheetNameUtf8.constData());
    if (!sheet)
        return abandon(QStringLiteral("Cannot add the sheet \"%1\".").arg(sheetName));

    const QByteArray credits = QStringLiteral("ساخت فلاپي بانكها").toUtf8();
    lxw_doc_properties properties = {};
    properties.title = const_cast<char*>(credits.constData());
    workbook_set_properties(book, &properties);

    Formats formats;
    formats.header = workbook_add_format(book);
    format_set_bold(formats.header);
    format_set_font_color(formats.header, bgrToRgb(headerFontColorBgr));
    formats.headerBorder = workbook_add_format(book);
    format_set_bold(formats.headerBorder);
    format_set_font_color(formats.headerBorder, bgrToRgb(headerFontColorBgr));
    format_set_border(formats.headerBorder, LXW_BORDER_SLANT_DASH_DOT);
    format_set_align(formats.headerBorder, LXW_ALIGN_CENTER);
    formats.centred = workbook_add_format(book);
    format_set_align(formats.centred, LXW_ALIGN_CENTER);

    const int fieldCount = data.labels.size();
    QList<bool> written((centredLastRow + 1) * (headerBoldLastCol + 1), false);
    auto writeCell = [&](int row, int col, const QString& text) -> lxw_error {
        if (row <= centredLastRow && col <= headerBoldLastCol)
            written[row * (headerBoldLastCol + 1) + col] = true;
        const QByteArray utf8 = text.toUtf8();
        lxw_format* format = formatFor(formats, row, col);
        if (utf8.isEmpty())
            return format ? worksheet_write_blank(sheet, row, col, format) : LXW_NO_ERROR;
        return worksheet_write_string(sheet, row, col, utf8.constData(), format);
    };

    for (int col = 0; col < fieldCount; ++col) {
        const lxw_error e = writeCell(0, col, data.labels.at(col));
        if (e != LXW_NO_ERROR)
            return abandon(QStringLiteral("Cannot write the header of column %1: %2")
                               .arg(col + 1)
                               .arg(lxwMessage(e)));
    }
    for (int r = 0; r < data.rows.size(); ++r) {
        const QStringList& values = data.rows.at(r);
        for (int col = 0; col < fieldCount; ++col) {
            const QString value = col < values.size() ? values.at(col) : QString();
            const lxw_error e = writeCell(r + 1, col, value);
            if (e != LXW_NO_ERROR)
                return abandon(QStringLiteral("Cannot write row %1, column %2: %3")
                                   .arg(r + 2)
                                   .arg(col + 1)
                                   .arg(lxwMessage(e)));
        }
    }
    // The formatted ranges also cover cells left empty, so that what the user types there
    // later looks like the rest.
    for (int row = 0; row <= centredLastRow; ++row) {
        for (int col = 0; col <= headerBoldLastCol; ++col) {
            lxw_format* format = formatFor(formats, row, col);
            if (format && !written[row * (headerBoldLastCol + 1) + col])
                worksheet_write_blank(sheet, row, col, format);
        }
    }
    for (int i = 0; i < int(std::size(columnWidths)); ++i)
        worksheet_set_column(sheet, i, i, columnWidths[i], nullptr);

    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        QFile::remove(path);
        return fail(
            QStringLiteral("Cannot save the workbook %1: %2").arg(path, lxwMessage(closed)));
    }
    return true;
}

ExportResult exportToSpreadsheet(const SheetData& data, const QString& title, const QString& folder)
{
    ExportResult result;
    const QString dir = folder.isEmpty() ? QDir::tempPath() : folder;
    // A fresh name each time: an earlier export may still be open in the spreadsheet program.
    QTemporaryFile reserve(QDir(dir).filePath(QStringLiteral("bankfile-export-XXXXXX.xlsx")));
    reserve.setAutoRemove(false);
    if (!reserve.open()) {
        result.error =
            QStringLiteral("Cannot create a file in %1: %2").arg(dir, reserve.errorString());
        return result;
    }
    result.path = reserve.fileName();
    reserve.close();

    if (!writeWorkbook(result.path, title, data, &result.error)) {
        QFile::remove(result.path);
        result.path.clear();
        result.status = ExportStatus::WriteFailed;
        return result;
    }
    result.status =
        Shell::openDocument(result.path) ? ExportStatus::Opened : ExportStatus::NotOpened;
    return result;
}

} // namespace SheetExport

#pragma once
// Small files that hold very many sheets, tables or columns, written by the wizard's tests and
// its benchmark: a page must open them quickly or refuse them with a message.

#include "tests/support/ZipBuilder.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace manyparts {

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A DOCX whose body is Tables one-cell tables, alike: 10,000 of them zip to a few KB.
inline bool docxTables(const QString& path, int tables)
{
    QByteArray body;
    body.reserve(tables * 80);
    for (int i = 0; i < tables; ++i)
        body += "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>1</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
                "<w:p/>";
    const QByteArray doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document xmlns:w=\"http://"
        "schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
        body + "</w:body></w:document>";
    return writeZip(path, {{"word/document.xml", doc}});
}

// An ODS (Text false) or ODT (Text true) of Tables one-cell tables named S1, S2, ..., each
// cell "1", or with Numbered the table's number.
inline bool odfTables(const QString& path, int tables, bool text, bool numbered = false)
{
    QByteArray body;
    body.reserve(tables * 160);
    for (int i = 0; i < tables; ++i)
        body += "<table:table table:name=\"S" + QByteArray::number(i + 1) +
                "\"><table:table-row><table:table-cell office:value-type=\"string\"><text:p>" +
                (numbered ? QByteArray::number(i + 1) : QByteArray("1")) + "</text:p></table:table-cell></table:table-row>"
                "</table:table>";
    const QByteArray kind = text ? "text" : "spreadsheet";
    const QByteArray content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
        "<office:body><office:" +
        kind + ">" + body + "</office:" + kind + "></office:body></office:document-content>";
    return writeZip(path, {{"mimetype", "application/vnd.oasis.opendocument." + kind, true},
                           {"content.xml", content}});
}

// An XLSX of Sheets sheets named S1, S2, ..., all of them one part of one cell: a few bytes
// a sheet.
inline bool xlsxSheets(const QString& path, int sheets)
{
    QByteArray list, rels;
    QList<ZipMember> members;
    for (int i = 1; i <= sheets; ++i) {
        const QByteArray n = QByteArray::number(i);
        list += "<sheet name=\"S" + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                "worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    }
    members.append(ZipMember{"_rels/.rels",
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/"
         "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"http://"
         "schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
         "Target=\"xl/workbook.xml\"/></Relationships>"});
    members.append(ZipMember{"xl/workbook.xml",
                    "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/"
                    "spreadsheetml/2006/main\" xmlns:r=\"http://schemas.openxmlformats.org/"
                    "officeDocument/2006/relationships\"><sheets>" +
                        list + "</sheets></workbook>"});
    members.append(ZipMember{"xl/_rels/workbook.xml.rels",
                    "<?xml version=\"1.0\"?><Relationships xmlns=\"http://"
                    "schemas.openxmlformats.org/package/2006/relationships\">" +
                        rels + "</Relationships>"});
    members.append(ZipMember{"xl/worksheets/sheet1.xml",
                             "<?xml version=\"1.0\"?><worksheet xmlns=\"http://"
                             "schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
                             "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>1</t></is></c>"
                             "</row></sheetData></worksheet>"});
    return writeZip(path, members);
}

// An XLS workbook (the BIFF8 stream alone, as the reader takes it too) of Sheets sheets named
// S1, S2, ..., each with the text "1" in A1.
inline bool xlsSheets(const QString& path, int sheets)
{
    const auto le16 = [](QByteArray& out, int v) {
        out += char(v & 0xFF);
        out += char((v >> 8) & 0xFF);
    };
    const auto le32 = [&](QByteArray& out, qint64 v) {
        le16(out, int(v & 0xFFFF));
        le16(out, int((v >> 16) & 0xFFFF));
    };
    const auto rec = [&](int id, const QByteArray& data) {
        QByteArray out;
        le16(out, id);
        le16(out, int(data.size()));
        return out + data;
    };
    const auto bof = [&](int kind) {
        QByteArray d;
        le16(d, 0x0600);
        le16(d, kind);
        le16(d, 0x0DBB);
        le16(d, 0x07CC);
        le32(d, 0);
        le32(d, 6);
        return rec(0x0809, d);
    };
    const QByteArray eof = rec(0x000A, {});
    QByteArray xfs;
    for (int i = 0; i < 16; ++i)
        xfs += rec(0x00E0, QByteArray(20, '\0'));
    const auto bound = [&](qint64 offset, const QByteArray& name) {
        QByteArray d;
        le32(d, offset);
        d += '\0';
        d += '\0';
        d += char(name.size());
        d += '\0';
        return rec(0x0085, d + name);
    };
    QByteArray cell;
    le16(cell, 0);
    le16(cell, 0);
    le16(cell, 0);
    le16(cell, 1);
    cell += '\0';
    cell += '1';
    const QByteArray sheet = bof(0x10) + rec(0x0204, cell) + eof;
    qint64 size = bof(5).size() + xfs.size() + eof.size();
    for (int i = 1; i <= sheets; ++i)
        size += bound(0, "S" + QByteArray::number(i)).size();
    QByteArray bounds, body;
    for (int i = 1; i <= sheets; ++i) {
        bounds += bound(size + body.size(), "S" + QByteArray::number(i));
        body += sheet;
    }
    return writeBytes(path, bof(5) + xfs + bounds + eof + body);
}

// One line of "1" and Commas commas.
inline bool csvColumns(const QString& path, qint64 commas)
{
    QByteArray line(commas + 1, ',');
    line[0] = '1';
    return writeBytes(path, line + "\r\n");
}

// An HTML page of one row of Cells cells, and Tables more one-cell tables after it.
inline bool htmlPage(const QString& path, int cells, int tables)
{
    QByteArray page = "<html><body><table><tr>";
    page.reserve(cells * 9 + tables * 40 + 64);
    for (int i = 0; i < cells; ++i)
        page += "<td>1</td>";
    page += "</tr></table>";
    for (int i = 0; i < tables; ++i)
        page += "<table><tr><td>" + QByteArray::number(i) + "</td></tr></table>";
    return writeBytes(path, page + "</body></html>");
}

// Lines lines of Columns cells "1", about 2 bytes a cell.
inline bool csvCells(const QString& path, int lines, int columns)
{
    QByteArray line = QByteArray("1,").repeated(columns);
    line.chop(1);
    return writeBytes(path, (line + "\r\n").repeated(lines));
}

// An HTML page of one row of Cells cells written as a browser takes them: "<td>1", no end tag.
inline bool htmlBareCells(const QString& path, int cells)
{
    return writeBytes(path, "<table><tr>" + QByteArray("<td>1").repeated(cells) + "</table>");
}

// An XML document of one row element with Children sub-elements (each a column of the
// "Sub Nodes Text" view).
inline bool xmlDocColumns(const QString& path, int children)
{
    QByteArray doc = "<?xml version=\"1.0\"?><rows><row>";
    doc.reserve(children * 12 + 64);
    for (int i = 0; i < children; ++i)
        doc += "<c" + QByteArray::number(i) + ">1</c" + QByteArray::number(i) + ">";
    return writeBytes(path, doc + "</row></rows>");
}

// An XML document of Rows row elements of two sub-elements each.
inline bool xmlDocRows(const QString& path, int rows)
{
    return writeBytes(path, "<?xml version=\"1.0\"?><rows>" +
                                QByteArray("<row><a>1</a><b>2</b></row>").repeated(rows) +
                                "</rows>");
}

} // namespace manyparts

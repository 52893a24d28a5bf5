#pragma once

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

#include <unzip.h>

// Reading back an .xlsx workbook in tests, with minizip.
inline QByteArray readEntry(const QString& zipPath, const char* entry)
{
    unzFile zip = unzOpen64(QFile::encodeName(zipPath).constData());
    if (!zip)
        return {};
    QByteArray data;
    if (unzLocateFile(zip, entry, 0) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        char buffer[8192];
        int n;
        while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
            data.append(buffer, n);
        unzCloseCurrentFile(zip);
    }
    unzClose(zip);
    return data;
}

struct Cell
{
    QString type;  // the cell's t attribute
    QString value; // shared string resolved
    int style = 0;
};

// The workbook as the spreadsheet program would read it: sheet names, cells by reference,
// and the formatting of each cell style.
struct Workbook
{
    QStringList sheetNames;
    QHash<QString, Cell> cells;
    QStringList sharedStrings;
    struct Xf
    {
        int font = 0;
        int border = 0;
        QString align;
    };
    QList<Xf> xfs;
    struct Font
    {
        bool bold = false;
        QString color;
    };
    QList<Font> fonts;
    QStringList borderStyles; // left style of each border entry
    QList<double> widths;     // columns 1.. in order

    explicit Workbook(const QString& path)
    {
        parseWorkbook(readEntry(path, "xl/workbook.xml"));
        parseSharedStrings(readEntry(path, "xl/sharedStrings.xml"));
        parseSheet(readEntry(path, "xl/worksheets/sheet1.xml"));
        parseStyles(readEntry(path, "xl/styles.xml"));
    }

    void parseWorkbook(const QByteArray& xml)
    {
        QXmlStreamReader r(xml);
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == u"sheet")
                sheetNames << r.attributes().value("name").toString();
        }
    }

    void parseSharedStrings(const QByteArray& xml)
    {
        QXmlStreamReader r(xml);
        QString current;
        bool inSi = false;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == u"si") {
                inSi = true;
                current.clear();
            } else if (r.isStartElement() && r.name() == u"t" && inSi) {
                current += r.readElementText();
            } else if (r.isEndElement() && r.name() == u"si") {
                sharedStrings << current;
                inSi = false;
            }
        }
    }

    void parseSheet(const QByteArray& xml)
    {
        QXmlStreamReader r(xml);
        QString ref;
        while (!r.atEnd()) {
            r.readNext();
            if (!r.isStartElement())
                continue;
            if (r.name() == u"col") {
                const int min = r.attributes().value("min").toInt();
                const int max = r.attributes().value("max").toInt();
                for (int i = min; i <= max; ++i)
                    widths << r.attributes().value("width").toDouble();
            } else if (r.name() == u"c") {
                ref = r.attributes().value("r").toString();
                Cell cell;
                cell.type = r.attributes().value("t").toString();
                cell.style = r.attributes().value("s").toInt();
                cells.insert(ref, cell);
            } else if (r.name() == u"v") {
                Cell& cell = cells[ref];
                const QString v = r.readElementText();
                cell.value = cell.type == u"s" ? sharedStrings.value(v.toInt()) : v;
            }
        }
    }

    void parseStyles(const QByteArray& xml)
    {
        QXmlStreamReader r(xml);
        QString section;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement()) {
                const auto name = r.name();
                if (name == u"fonts" || name == u"borders" || name == u"cellXfs" ||
                    name == u"cellStyleXfs")
                    section = name.toString();
                else if (section == u"fonts" && name == u"font")
                    fonts << Font{};
                else if (section == u"fonts" && name == u"b")
                    fonts.last().bold = true;
                else if (section == u"fonts" && name == u"color")
                    fonts.last().color = r.attributes().value("rgb").toString();
                else if (section == u"borders" && name == u"border")
                    borderStyles << QString();
                else if (section == u"borders" && name == u"left")
                    borderStyles.last() = r.attributes().value("style").toString();
                else if (section == u"cellXfs" && name == u"xf")
                    xfs << Xf{r.attributes().value("fontId").toInt(),
                              r.attributes().value("borderId").toInt(), QString()};
                else if (section == u"cellXfs" && name == u"alignment")
                    xfs.last().align = r.attributes().value("horizontal").toString();
            } else if (r.isEndElement() && r.name().toString() == section) {
                section.clear();
            }
        }
    }

    Font fontOf(const QString& ref) const
    {
        return fonts.value(xfs.value(cells.value(ref).style).font);
    }
    QString borderOf(const QString& ref) const
    {
        return borderStyles.value(xfs.value(cells.value(ref).style).border);
    }
    QString alignOf(const QString& ref) const { return xfs.value(cells.value(ref).style).align; }
};

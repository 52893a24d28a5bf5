#include "helper_sources.h"

#include "helper_office.h"

#include "import/wizard/ImportKinds.h"
#include "tests/support/PythonFixture.h"
#include "tests/support/TestFiles.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtEndian>
#include <QtTest>

namespace {

bool runPython(const char* script, const QString& path, const Rows& rows)
{
    QJsonArray json;
    for (const QStringList& r : rows)
        json.append(QJsonArray::fromStringList(r));
    return RunPython({QStringLiteral("-c"), QString::fromUtf8(script), path,
                      QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact))})
        .isEmpty();
}

const char* const kXls = R"(
import sys, json, xlwt
wb = xlwt.Workbook()
s = wb.add_sheet("Staff")
for r, row in enumerate(json.loads(sys.argv[2])):
    for c, v in enumerate(row):
        s.write(r, c, v or " ")  # a blank id still fills its column
wb.save(sys.argv[1])
)";

const char* const kXlsx = R"(
import sys, json, openpyxl
wb = openpyxl.Workbook()
s = wb.active
s.title = "Staff"
for row in json.loads(sys.argv[2]):
    s.append(row)
wb.save(sys.argv[1])
)";

} // namespace

void writeBytes(const QString& path, const QByteArray& bytes)
{
    WriteTestFile(path, bytes);
    QCOMPARE(QFileInfo(path).size(), bytes.size());
}

namespace {

QByteArray dbf(const Rows& rows)
{
    const int fields = 6;
    const int width = 40;
    QByteArray out(32, '\0');
    out[0] = 0x03;
    qToLittleEndian<quint32>(quint32(rows.size()), out.data() + 4);
    qToLittleEndian<quint16>(quint16(32 + 32 * fields + 1), out.data() + 8);
    qToLittleEndian<quint16>(quint16(1 + width * fields), out.data() + 10);
    for (int i = 0; i < fields; ++i) {
        QByteArray d(32, '\0');
        d[0] = char('A' + i);
        d[11] = 'C';
        d[16] = char(width);
        out += d;
    }
    out += '\x0D';
    for (const QStringList& r : rows) {
        out += ' ';
        for (int i = 0; i < fields; ++i)
            out += r.value(i).toLatin1().leftJustified(width, ' ', true);
    }
    return out + '\x1A';
}

QByteArray packet(const Rows& rows)
{
    QString fields;
    for (int i = 0; i < 6; ++i)
        fields +=
            QStringLiteral("<FIELD attrname=\"F%1\" fieldtype=\"string\" WIDTH=\"40\"/>").arg(i);
    QString data;
    for (const QStringList& r : rows) {
        data += QStringLiteral("<ROW");
        for (int i = 0; i < r.size(); ++i)
            data += QStringLiteral(" F%1=\"%2\"").arg(i).arg(r[i]);
        data += QStringLiteral("/>");
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DATAPACKET Version=\"2.0\">"
                          "<METADATA><FIELDS>%1</FIELDS><PARAMS/></METADATA>"
                          "<ROWDATA>%2</ROWDATA></DATAPACKET>\n")
        .arg(fields, data)
        .toUtf8();
}

// The people's first value as the element's text (the node table's first column), the others
// as attributes.
QByteArray xmlDoc(const Rows& rows)
{
    QByteArray out = "<?xml version='1.0' encoding='UTF-8'?>\n<staff>";
    for (const QStringList& r : rows) {
        out += "<person";
        for (int i = 1; i < r.size(); ++i)
            out += " f" + QByteArray::number(i) + "='" + r[i].toUtf8() + "'";
        out += ">" + r.value(0).toUtf8() + "</person>";
    }
    return out + "</staff>";
}

QByteArray html(const Rows& rows)
{
    QByteArray out = "<html><body><p>Staff</p><table>";
    for (const QStringList& r : rows) {
        out += "<tr>";
        for (const QString& c : r)
            out += "<td>" + c.toUtf8() + "</td>";
        out += "</tr>";
    }
    return out + "</table></body></html>";
}

QByteArray text(const Rows& rows, bool fixed)
{
    QByteArray out;
    for (const QStringList& r : rows) {
        if (fixed)
            out += (r.mid(0, 3) + QStringList{r.value(4), r.value(3)}).join(QString()).toUtf8();
        else
            out += r.join(u',').toUtf8();
        out += "\r\n";
    }
    return out;
}

} // namespace

// Fixed-width lines keep their padding, so each column is as wide as its values and the
// account, whose length varies, comes last.
const QList<QPair<QString, int>> kTxtLayout{
    {"Pers_number", 2}, {"First_Name", 4}, {"Last_Name", 6}, {"Price", 3}, {"Hesab", 30}};

bool writeKind(int kind, const QString& path, const Rows& rows)
{
    switch (kind) {
    case aiXLS:
        return runPython(kXls, path, rows);
    case aiXLSX:
        return runPython(kXlsx, path, rows);
    case aiDOCX:
        return WriteOffice(QStringLiteral("docx"), path,
                           rows.isEmpty() ? QList<OfficeTable>{}
                                          : QList<OfficeTable>{{"Staff", rows}});
    case aiODS:
        return WriteOffice(QStringLiteral("ods"), path, {{"Staff", rows}});
    case aiODT:
        return WriteOffice(QStringLiteral("odt"), path,
                           rows.isEmpty() ? QList<OfficeTable>{}
                                          : QList<OfficeTable>{{"Staff", rows}});
    case aiDBF:
        writeBytes(path, dbf(rows));
        return true;
    case aiXML:
        writeBytes(path, packet(rows));
        return true;
    case aiXMLDoc:
        writeBytes(path, xmlDoc(rows));
        return true;
    case aiHTML:
        writeBytes(path, rows.isEmpty() ? QByteArray("<html><body><p>none</p></body></html>")
                                        : html(rows));
        return true;
    case aiTXT:
    case aiCSV:
        writeBytes(path, text(rows, kind == aiTXT));
        return true;
    }
    return false;
}

QString extensionOf(int kind)
{
    return QLatin1String(ImportKind(kind).Extension);
}

QString accessSample()
{
    const QString path =
        qEnvironmentVariable("BANKFILE_SHARED_DIR", QStringLiteral(BANKFILE_SHARED_DIR)) +
        QStringLiteral("/fixtures/access/nwind.mdb");
    return QFileInfo(path).isFile() ? path : QString();
}

#include "helper_office.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "ui_Durvel3WizardF.h"

namespace {

// Reads {"path":..., "kind":..., "tables":[{"name", "rows", "sub"}]} from its input.
const char* const kWriter = R"PY(
import json, sys
job = json.load(sys.stdin)
kind, tables = job["kind"], job["tables"]
if kind == "docx":
    import docx
    d = docx.Document()
    d.add_paragraph("Personnel")
    for t in tables:
        rows = t["rows"]
        width = max(len(r) for r in rows)
        table = d.add_table(rows=len(rows), cols=width)
        for r, row in enumerate(rows):
            for c, text in enumerate(row):
                table.cell(r, c).text = text
        d.add_paragraph("")
    d.save(job["path"])
else:
    from odf.opendocument import OpenDocumentSpreadsheet, OpenDocumentText
    from odf.table import Table, TableRow, TableCell, TableColumn
    from odf.text import P
    def cell(text):
        c = TableCell(valuetype="string")
        c.addElement(P(text=text))
        return c
    def table(t):
        out = Table(name=t["name"])
        rows = t["rows"]
        out.addElement(TableColumn(numbercolumnsrepeated=max(len(r) for r in rows)))
        for r, row in enumerate(rows):
            tr = TableRow()
            for c, text in enumerate(row):
                if t["sub"] == [r, c]:
                    inner = Table(name=t["name"] + "_sub")
                    inner.addElement(TableColumn(numbercolumnsrepeated=2))
                    for ir in range(2):
                        itr = TableRow()
                        for ic in range(2):
                            itr.addElement(cell("%s%d%d" % (text, ir, ic)))
                        inner.addElement(itr)
                    tc = TableCell()
                    tc.addElement(inner)
                    tr.addElement(tc)
                else:
                    tr.addElement(cell(text))
            out.addElement(tr)
        return out
    doc = OpenDocumentSpreadsheet() if kind == "ods" else OpenDocumentText()
    body = doc.spreadsheet if kind == "ods" else doc.text
    for t in tables:
        if kind == "odt":
            body.addElement(P(text="Personnel"))
        body.addElement(table(t))
    doc.save(job["path"])
)PY";

bool Write(const QString& Kind, const QString& Path, const QList<OfficeTable>& Tables)
{
    QJsonArray tables;
    for (const OfficeTable& t : Tables) {
        QJsonArray rows;
        for (const QStringList& r : t.Rows)
            rows.append(QJsonArray::fromStringList(r));
        tables.append(QJsonObject{{"name", t.Name},
                                  {"rows", rows},
                                  {"sub", t.SubTableRow >= 0
                                              ? QJsonValue(QJsonArray{t.SubTableRow, t.SubTableCol})
                                              : QJsonValue()}});
    }
    const QJsonObject job{{"kind", Kind}, {"path", Path}, {"tables", tables}};
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"), QString::fromUtf8(kWriter)});
    if (!py.waitForStarted(30000))
        return false;
    py.write(QJsonDocument(job).toJson(QJsonDocument::Compact));
    py.closeWriteChannel();
    if (!py.waitForFinished(60000) || py.exitStatus() != QProcess::NormalExit ||
        py.exitCode() != 0) {
        qWarning("%s", py.readAllStandardError().constData());
        return false;
    }
    return true;
}

} // namespace

bool WriteDocx(const QString& Path, const QList<OfficeTable>& Tables)
{
    return Write(QStringLiteral("docx"), Path, Tables);
}

bool WriteOds(const QString& Path, const QList<OfficeTable>& Sheets)
{
    return Write(QStringLiteral("ods"), Path, Sheets);
}

bool WriteOdt(const QString& Path, const QList<OfficeTable>& Tables)
{
    return Write(QStringLiteral("odt"), Path, Tables);
}

std::unique_ptr<TDurvel3WizardF> OpenOptions(TDurvel3Wizard& Wizard, int Kind, const QString& File)
{
    auto w = std::make_unique<TDurvel3WizardF>(&Wizard);
    w->SetImportType(Kind);
    w->ui->edtFileName->setText(File);
    w->ui->bNext->click();
    return w;
}

#include "helper_office.h"

#include "import/wizard/pages/GridMapPage.h"
#include "ui_Durvel3WizardF.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTreeWidget>

const QList<QStringList> kStaff{{"Code", "Name", "Family", "Account", "Amount"},
                                {"101", "علی", "رضایی", "6037991234567", "1500000"},
                                {"102", "مریم", "احمدی", "0101", "200"},
                                {"103", "Ali  Reza", "Tehrani", "0202", "300"}};
// The register holds P2 before every test.
const QStringList kStaffStored{"P2|old|1", "101|علی|1500000", "102|مریم|200", "103|Ali  Reza|300"};

namespace {

// Reads {"kind", "path", "tables": [{"name", "rows", "sub"}]} from its input.
const char* const kWriter = R"PY(
import json, sys
job = json.load(sys.stdin)
if job["kind"] == "docx":
    import docx
    d = docx.Document()
    d.add_paragraph("Personnel")
    for t in job["tables"]:
        table = d.add_table(rows=len(t["rows"]), cols=max(len(r) for r in t["rows"]))
        for r, row in enumerate(t["rows"]):
            for c, text in enumerate(row):
                table.cell(r, c).text = text
        d.add_paragraph("")
    d.save(job["path"])
    sys.exit(0)
from odf.opendocument import OpenDocumentSpreadsheet, OpenDocumentText
from odf.table import Table, TableRow, TableCell
from odf.text import P
def cell(content):
    c = TableCell()
    c.addElement(content)
    return c
def table(name, rows, sub, issub=False):
    out = Table(name=name, issubtable="true") if issub else Table(name=name)
    for r, row in enumerate(rows):
        tr = TableRow()
        for c, text in enumerate(row):
            tr.addElement(cell(table(name + "_sub", [[text + "00", text + "01"], [text + "10", text + "11"]], None, True)
                               if sub == [r, c] else P(text=text)))
        out.addElement(tr)
    return out
doc = OpenDocumentSpreadsheet() if job["kind"] == "ods" else OpenDocumentText()
body = doc.spreadsheet if job["kind"] == "ods" else doc.text
for t in job["tables"]:
    body.addElement(table(t["name"], t["rows"], t["sub"]))
if job.get("settings"):
    from odf.config import ConfigItemSet, ConfigItemMapIndexed, ConfigItemMapEntry, ConfigItemMapNamed
    views = ConfigItemMapIndexed(name="Views")
    view = ConfigItemMapEntry()
    named = ConfigItemMapNamed(name="Tables")
    for t in job["tables"]:
        named.addElement(ConfigItemMapEntry(name=t["name"]))
    view.addElement(named)
    views.addElement(view)
    settings = ConfigItemSet(name="ooo:view-settings")
    settings.addElement(views)
    doc.settings.addElement(settings)
doc.save(job["path"])
)PY";

} // namespace

bool WriteOffice(const QString& Kind, const QString& Path, const QList<OfficeTable>& Tables,
                 bool Settings)
{
    QJsonArray tables;
    for (const OfficeTable& t : Tables) {
        QJsonArray rows;
        for (const QStringList& r : t.Rows)
            rows.append(QJsonArray::fromStringList(r));
        tables.append(
            QJsonObject{{"name", t.Name},
                        {"rows", rows},
                        {"sub", t.SubRow < 0 ? QJsonValue() : QJsonArray{t.SubRow, t.SubCol}}});
    }
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"), QString::fromUtf8(kWriter)});
    py.write(
        QJsonDocument(
            QJsonObject{{"kind", Kind}, {"path", Path}, {"tables", tables}, {"settings", Settings}})
            .toJson(QJsonDocument::Compact));
    py.closeWriteChannel();
    return py.waitForFinished(60000) && py.exitStatus() == QProcess::NormalExit &&
           py.exitCode() == 0;
}

std::unique_ptr<TDurvel3WizardF> OpenOptions(TDurvel3Wizard& Wizard, int Kind, const QString& File)
{
    auto w = std::make_unique<TDurvel3WizardF>(&Wizard);
    w->SetImportType(Kind);
    w->ui->edtFileName->setText(File);
    w->ui->bNext->click();
    return w;
}

void MapStaff(GridMapPage* Page, int First)
{
    const QStringList fields{"Pers_number", "First_Name", "Last_Name", "Hesab", "Price"};
    for (int i = 0; i < fields.size(); ++i) {
        Page->FieldList()->setCurrentItem(
            Page->FieldList()->findItems(fields[i], Qt::MatchExactly).value(0));
        Page->ColumnClicked(First + i);
    }
}

std::unique_ptr<TDurvel3WizardF> ThroughTemplate(std::unique_ptr<TDurvel3WizardF> W,
                                                 const QString& Path)
{
    W->SaveTemplate(Path);
    TDurvel3Wizard* wizard = W->Wizard();
    W.reset();
    auto fresh = std::make_unique<TDurvel3WizardF>(wizard);
    fresh->LoadTemplate(Path);
    return fresh;
}

// The XLSX page: a tab per sheet previewing its top-left cells, the chosen sheet, and a
// workbook imported into the register through a saved template. The workbook is written by
// python3-openpyxl when the test runs.

#include "helper_gridpages.h"

#include "import/wizard/pages/XlsxPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"
#include "tests/support/MessageLog.h"
#include "tests/support/ZipBuilder.h"
#include "ui_Durvel3WizardF.h"
#include "ui_XlsxPage.h"

#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QtTest>

namespace {

const char* const kScript = R"(
import sys, openpyxl
wb = openpyxl.Workbook()
s = wb.active
s.title = "Summary"
s["A1"] = "report"
st = wb.create_sheet("Staff")
for r in [("Code", "Name", "Amount"), ("P1", "علی", 1200), ("P2", "رضا", 300), ("P3", "Sara", 45)]:
    st.append(r)
h = wb.create_sheet("Secret")
h["A1"] = "hidden"
h.sheet_state = "hidden"
b = wb.create_sheet("Big")
b["A1"] = "a"
b["A300"] = "far"
b.cell(row=1, column=260, value="wide")
wb.save(sys.argv[1])
)";

// The workbook's path, or empty when openpyxl is not there.
QString writeWorkbook(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"), QString::fromUtf8(kScript), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return path;
}

QStringList captions(const QTabWidget* tabs)
{
    QStringList out;
    for (int i = 0; i < tabs->count(); ++i)
        out << tabs->tabText(i);
    return out;
}

} // namespace

class TestPageXlsx : public QObject
{
    Q_OBJECT

    RegisterWizard* fx = nullptr;
    std::unique_ptr<TDurvel3WizardF> w;
    XlsxPage* page = nullptr;
    QString book;

private slots:
    void init()
    {
        fx = new RegisterWizard;
        book = writeWorkbook(fx->dir.filePath(QStringLiteral("staff.xlsx")));
        if (book.isEmpty())
            QSKIP("python3-openpyxl is needed to write the workbook");
        w = fx->window();
        w->SetImportType(aiXLSX);
        w->ui->edtFileName->setText(book);
        w->ui->bNext->click();
        page = static_cast<XlsxPage*>(w->Page(aiXLSX));
    }
    void cleanup()
    {
        w.reset();
        delete fx;
        fx = nullptr;
    }

    void tabs_data()
    {
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QStringList>("tabs");
        QTest::newRow("visible sheets") << false << QStringList{"Summary", "Staff", "Big"};
        QTest::newRow("hidden sheets too")
            << true << QStringList{"Summary", "Staff", "Secret", "Big"};
    }
    void tabs()
    {
        QFETCH(bool, hidden);
        QFETCH(QStringList, tabs);
        page->SetLoadHiddenSheet(hidden);
        QCOMPARE(w->NeedReload, hidden);
        page->LoadSource();
        QCOMPARE(captions(page->ui->pcXlsxFile), tabs);
        QCOMPARE(page->SheetName(), QStringLiteral("Summary"));
        QCOMPARE(page->ui->pcXlsxFile->currentIndex(), 0);
    }

    void previewShowsTheSheetUnderLettersAndNumbers()
    {
        page->SetXlsxSheetName(QStringLiteral("Staff"));
        TKobWideStringGrid* g = page->CurrentGrid();
        // One grid behind the tabs, shown on the chosen one.
        QCOMPARE(g->parentWidget(), page->ui->pcXlsxFile->widget(1));
        QCOMPARE(g->ColCount(), 257);
        QCOMPARE(g->RowCount(), 257);
        QCOMPARE(g->FixedCols(), 1);
        QCOMPARE(g->FixedRows(), 1);
        QCOMPARE(g->Cells(1, 0), QStringLiteral("A"));
        QCOMPARE(g->Cells(0, 1), QStringLiteral("1"));
        QCOMPARE(g->Cells(1, 1), QStringLiteral("Code"));
        QCOMPARE(g->Cells(2, 2), QStringLiteral("علی"));
        QCOMPARE(g->Cells(3, 4), QStringLiteral("45"));
        // Only what a tab shows is copied: 256 letters, 256 numbers and the one cell inside,
        // not row 300 nor column 260.
        page->SetXlsxSheetName(QStringLiteral("Big"));
        QCOMPARE(page->CurrentGrid()->CellStore()->StoredCellCount(), 2 * 256 + 1);
    }

    void aMissingSheetStopsTheRun()
    {
        selectField(page, QStringLiteral("Pers_number"));
        page->ColumnClicked(1);
        page->SetXlsxSheetName(QStringLiteral("Missing"));
        QVERIFY(!w->ui->bNext->isEnabled());
        w->SetStep(2);
        w->SetStep(3);
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts().size(), 1);
        QVERIFY(log.texts().first().contains(QStringLiteral("Missing")));
        QCOMPARE(fx->rows(), QStringList{"P2|old|1"});
    }

    void anotherWorkbookOpensOnItsFirstSheet()
    {
        page->ui->pcXlsxFile->setCurrentIndex(2);
        w->ui->bBack->click();
        const QString copy = fx->dir.filePath(QStringLiteral("copy.xlsx"));
        QVERIFY(QFile::copy(book, copy));
        w->ui->edtFileName->setText(copy);
        w->ui->bNext->click();
        QCOMPARE(page->ui->pcXlsxFile->currentIndex(), 0);
        QCOMPARE(page->SheetName(), QStringLiteral("Summary"));
    }

    // The page reads a sheet only down to the rows it shows: what lies below is not parsed,
    // so a workbook of any length opens at once (here, damage far down goes unseen).
    void onlyTheShownRowsAreRead()
    {
        const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
        QByteArray rows;
        for (int r = 1; r <= 300; ++r)
            rows += "<row r=\"" + QByteArray::number(r) + "\"><c t=\"inlineStr\"><is><t>r" +
                    QByteArray::number(r) + "</t></is></c></row>";
        rows += "<row r=\"301\"><c t=\"s\"><v>99</v></c></row>";
        const QString long_ = fx->dir.filePath(QStringLiteral("long.xlsx"));
        QVERIFY(writeZip(
            long_,
            {{"xl/workbook.xml",
              "<workbook " + ns +
                  " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                  "relationships\"><sheets><sheet name=\"Long\" r:id=\"rId1\"/></sheets>"
                  "</workbook>"},
             {"xl/_rels/workbook.xml.rels",
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
              "relationships\"><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
              "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
             {"xl/worksheets/sheet1.xml",
              "<worksheet " + ns + "><sheetData>" + rows + "</sheetData></worksheet>"}}));
        w->ui->bBack->click();
        w->ui->edtFileName->setText(long_);
        MessageLog log;
        w->ui->bNext->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(captions(page->ui->pcXlsxFile), QStringList{"Long"});
        TKobWideStringGrid* g = page->CurrentGrid();
        QCOMPARE(g->Cells(1, 256), QStringLiteral("r256"));
    }

    void templateSheet_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("keyWritten");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("a sheet of the workbook") << "Big" << true << 2 << "Big";
        QTest::newRow("no key: the first sheet") << "" << false << 0 << "Summary";
        QTest::newRow("a sheet the workbook lacks stays asked for")
            << "Gone" << true << 0 << "Gone";
    }
    void templateSheet()
    {
        QFETCH(QString, stored);
        QFETCH(bool, keyWritten);
        QFETCH(int, tab);
        QFETCH(QString, sheet);
        selectField(page, QStringLiteral("Pers_number"));
        page->ColumnClicked(1);
        const QString imp = fx->dir.filePath(QStringLiteral("sheet.imp"));
        w->SaveTemplate(imp);
        {
            IniFile ini(imp);
            ini.deleteKey(QStringLiteral("XLSX_OPTIONS"), QStringLiteral("SheetName"));
            if (keyWritten)
                ini.writeString(QStringLiteral("XLSX_OPTIONS"), QStringLiteral("SheetName"),
                                stored);
            ini.save();
        }
        w.reset();
        w = fx->window();
        w->LoadTemplate(imp);
        w->ui->bNext->click();
        auto* p = static_cast<XlsxPage*>(w->Page(aiXLSX));
        QCOMPARE(p->ui->pcXlsxFile->currentIndex(), tab);
        QCOMPARE(p->SheetName(), sheet);
    }

    void importsThroughASavedTemplate()
    {
        page->ui->pcXlsxFile->setCurrentIndex(1);
        page->ui->edXlsxSkipRows->setText(QStringLiteral("1"));
        selectField(page, QStringLiteral("Pers_number"));
        page->ColumnClicked(1);
        selectField(page, QStringLiteral("First_Name"));
        page->ColumnClicked(2);
        selectField(page, QStringLiteral("Price"));
        page->ColumnClicked(3);
        const QString imp = fx->dir.filePath(QStringLiteral("xlsx.imp"));
        w->SaveTemplate(imp);
        w.reset();

        w = fx->window();
        w->LoadTemplate(imp);
        auto* p = static_cast<XlsxPage*>(w->Page(aiXLSX));
        QCOMPARE(p->SheetName(), QStringLiteral("Staff"));
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        QCOMPARE(p->ui->pcXlsxFile->currentIndex(), 1);
        QCOMPARE(fieldValue(p, QStringLiteral("Price")), QStringLiteral("C"));
        w->ui->bNext->click();
        w->ui->bNext->click();
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(fx->rows(), (QStringList{"P2|رضا|300", "P1|علی|1200", "P3|Sara|45"}));
    }
};

QTEST_MAIN(TestPageXlsx)
#include "test_page_xlsx.moc"

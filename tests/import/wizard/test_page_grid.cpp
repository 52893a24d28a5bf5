// What every page that maps fields onto a previewed table shares, through the HTML, XML-document
// and XLSX pages of the real wizard window.

#include "helper_gridpages.h"
#include "helper_office.h"
#include "helper_sources.h"

#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/XmlDocPage.h"
#include "import/wizard/widgets/Durvel3InfoPanel.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"
#include "tests/support/MessageLog.h"
#include "tests/support/ZipBuilder.h"
#include "ui_CSVPage.h"
#include "ui_Durvel3WizardF.h"

#include <QComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

namespace {

const QByteArray kHtml = "<table><tr><td>P1</td><td>Ali</td></tr>"
                         "<tr><td>P2</td><td>Reza</td></tr></table>";
const QByteArray kXml =
    "<people><person id='P1' name='Ali'/><person id='P2' name='Reza'/></people>";

// A workbook of one sheet "Sheet1" holding A1:B1.
void writeSmallXlsx(const QString& path, const QByteArray& a1 = "P1", const QByteArray& b1 = "Ali")
{
    writeZip(path,
             {{"xl/workbook.xml",
               "<workbook xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main' "
               "xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships'>"
               "<sheets><sheet name='Sheet1' sheetId='1' r:id='rId1'/></sheets></workbook>"},
              {"xl/_rels/workbook.xml.rels",
               "<Relationships "
               "xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
               "<Relationship Id='rId1' Target='worksheets/sheet1.xml' "
               "Type='http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
               "worksheet'/></Relationships>"},
              {"xl/worksheets/sheet1.xml",
               "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
               "<sheetData><row r='1'><c r='A1' t='inlineStr'><is><t>" +
                   a1 + "</t></is></c><c r='B1' t='inlineStr'><is><t>" + b1 +
                   "</t></is></c></row></sheetData></worksheet>"}});
}

struct Opened
{
    RegisterWizard fx;
    std::unique_ptr<TDurvel3WizardF> w;
    GridMapPage* page = nullptr;

    explicit Opened(int kind)
    {
        QString path = fx.dir.filePath(QStringLiteral("t.xlsx"));
        if (kind == aiHTML)
            path = fx.file(QStringLiteral("t.html"), kHtml);
        else if (kind == aiXMLDoc)
            path = fx.file(QStringLiteral("t.xml"), kXml);
        else
            writeSmallXlsx(path);
        w = OpenOptions(fx.wizard, kind, path);
        page = static_cast<GridMapPage*>(w->Page(kind));
        if (kind == aiXMLDoc)
            static_cast<XmlDocPage*>(page)->SetXMLDocXPath(QStringLiteral("/people/person"));
    }
};

} // namespace

class TestPageGrid : public QObject
{
    Q_OBJECT

private slots:
    void aDamagedFileIsReported_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("xlsx") << int(aiXLSX) << "bad.xlsx" << QByteArray("PK\x03\x04 not a zip");
        QTest::newRow("xml document") << int(aiXMLDoc) << "bad.xml" << QByteArray("<a><b></a>");
    }
    void aDamagedFileIsReported()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        RegisterWizard fx;
        auto w = fx.window();
        w->SetImportType(kind);
        w->ui->edtFileName->setText(fx.file(name, bytes));
        MessageLog log;
        w->ui->bNext->click();
        QCOMPARE(log.texts().size(), 1);
        // Nothing was read: the page is shown empty, cannot be left, and reads the file again.
        QVERIFY(w->NeedReload);
        QVERIFY(!w->ui->bNext->isEnabled());
        QVERIFY(w->ui->bBack->isEnabled());
    }

    // A preview column is as wide as its text, up to the wizard's bound: a 13-digit account
    // shows whole, a long text is cut at the bound.
    void previewColumnsFitTheirText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("firstColumn");
        QTest::newRow("html") << int(aiHTML) << 0;
        QTest::newRow("docx") << int(aiDOCX) << 0;
        QTest::newRow("xlsx") << int(aiXLSX) << 1;
    }
    void previewColumnsFitTheirText()
    {
        QFETCH(int, kind);
        QFETCH(int, firstColumn);
        const QString account = QStringLiteral("0101234567890");
        const QString remark = QString(60, u'w');
        RegisterWizard fx;
        QString path;
        if (kind == aiHTML) {
            path = fx.file(QStringLiteral("t.html"), "<table><tr><td>" + account.toUtf8() +
                                                         "</td><td>" + remark.toUtf8() +
                                                         "</td><td>x</td></tr></table>");
        } else if (kind == aiDOCX) {
            path = fx.dir.filePath(QStringLiteral("t.docx"));
            if (!WriteOffice(QStringLiteral("docx"), path,
                             {OfficeTable{QString(), {{account, remark, QStringLiteral("x")}}}}))
                QSKIP("python3-docx is needed to write the document");
        } else {
            path = fx.dir.filePath(QStringLiteral("t.xlsx"));
            writeSmallXlsx(path, account.toUtf8(), remark.toUtf8());
        }
        auto w = OpenOptions(fx.wizard, kind, path);
        TKobWideStringGrid* grid = static_cast<GridMapPage*>(w->Page(kind))->CurrentGrid();
        QVERIFY(grid);
        QCOMPARE(grid->Cells(firstColumn, firstColumn), account); // below the letters on xlsx
        const int needed = grid->Canvas()->TextWidth(account) + 10;
        QVERIFY2(
            grid->ColWidths(firstColumn) >= needed,
            qPrintable(QStringLiteral("%1 < %2").arg(grid->ColWidths(firstColumn)).arg(needed)));
        QCOMPARE(grid->ColWidths(firstColumn + 1), fx.wizard.ExcelMaxColWidth);
        QCOMPARE(grid->ColWidths(firstColumn + 2), grid->DefaultColWidth());
    }

    void columnClick_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("value");
        QTest::newRow("number") << int(aiHTML) << QList<int>{1} << "2";
        QTest::newRow("first number") << int(aiHTML) << QList<int>{0} << "1";
        QTest::newRow("second click unmaps") << int(aiHTML) << QList<int>{1, 1} << "";
        QTest::newRow("another column moves") << int(aiHTML) << QList<int>{1, 0} << "1";
        QTest::newRow("outside the cells") << int(aiHTML) << QList<int>{1, -1} << "2";
        QTest::newRow("node names column") << int(aiXMLDoc) << QList<int>{0} << "1";
        QTest::newRow("xml second click") << int(aiXMLDoc) << QList<int>{2, 2} << "";
        QTest::newRow("letters") << int(aiXLSX) << QList<int>{1} << "A";
        QTest::newRow("past Z") << int(aiXLSX) << QList<int>{27} << "AA";
        QTest::newRow("letters second click") << int(aiXLSX) << QList<int>{2, 2} << "";
        QTest::newRow("row numbers leave it unmapped") << int(aiXLSX) << QList<int>{0} << "";
        QTest::newRow("row numbers leave it mapped") << int(aiXLSX) << QList<int>{2, 0} << "B";
    }
    void columnClick()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, clicks);
        QFETCH(QString, value);
        Opened o(kind);
        selectField(o.page, QStringLiteral("Pers_number"));
        for (int c : clicks)
            o.page->ColumnClicked(c);
        QCOMPARE(fieldValue(o.page, QStringLiteral("Pers_number")), value);
        QCOMPARE(fieldValue(o.page, QStringLiteral("id")), QString());
        QCOMPARE(o.w->ui->bNext->isEnabled(), !value.isEmpty());
    }

    void clickOnTheGrid()
    {
        Opened o(aiHTML);
        selectField(o.page, QStringLiteral("First_Name"));
        TKobWideStringGrid* grid = o.page->CurrentGrid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(1, 0).center());
        QCOMPARE(fieldValue(o.page, QStringLiteral("First_Name")), QStringLiteral("2"));
    }

    void autoFill_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("values");
        // The HTML table has two columns; the XML table node name, text, id and name.
        // The register's record number (id, first) is filled by the register: it is passed by.
        QTest::newRow("html") << int(aiHTML) << QStringList{"", "1", "2", "", "", "", ""};
        QTest::newRow("xml document")
            << int(aiXMLDoc) << QStringList{"", "2", "3", "4", "", "", ""};
        QTest::newRow("xlsx") << int(aiXLSX) << QStringList{"", "A", "B", "C", "D", "E", "F"};
    }
    void autoFill()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, values);
        Opened o(kind);
        // A value auto fill does not reach is emptied.
        selectField(o.page, QStringLiteral("Chk"));
        o.page->SetSelectedValue(QStringLiteral("9"));
        o.page->AutoFill();
        QCOMPARE(fieldValues(o.page), values);
        o.page->Clear();
        QCOMPARE(fieldValues(o.page), QStringList(values.size(), QString()));
        QVERIFY(!o.w->ui->bNext->isEnabled());
    }

    // The register's record number cannot be imported: a click on a column for it is refused
    // with a message, and nothing is mapped.
    void theRecordNumberIsRefused_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("html") << int(aiHTML);
        QTest::newRow("xml document") << int(aiXMLDoc);
        QTest::newRow("xlsx") << int(aiXLSX);
    }
    void theRecordNumberIsRefused()
    {
        QFETCH(int, kind);
        Opened o(kind);
        selectField(o.page, QStringLiteral("id"));
        TKobWideStringGrid* grid = o.page->CurrentGrid();
        MessageLog log;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(1, 1).center());
        QCOMPARE(log.texts().size(), 1);
        QVERIFY(log.texts().first().contains(QStringLiteral("id")));
        QCOMPARE(fieldValue(o.page, QStringLiteral("id")), QString());
        QVERIFY(!o.w->ui->bNext->isEnabled());
    }

    // A press on a column's edge in the header starts sizing the column: it maps nothing,
    // while a press inside the header maps the field as before.
    void sizingAColumnMapsNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("xlsx") << int(aiXLSX);
        QTest::newRow("csv") << int(aiCSV);
    }
    void sizingAColumnMapsNothing()
    {
        QFETCH(int, kind);
        RegisterWizard fx;
        const QString file = fx.dir.filePath(QStringLiteral("t") + extensionOf(kind));
        QVERIFY(writeKind(kind, file, {{"P7", "Ali"}}));
        auto w = OpenOptions(fx.wizard, kind, file);
        QTreeWidget* fields = kind == aiCSV ? w->CSVPage->ui->lvCSVFields
                                            : static_cast<GridMapPage*>(w->Page(kind))->FieldList();
        TKobWideStringGrid* grid = kind == aiCSV
                                       ? w->CSVPage->Grid
                                       : static_cast<GridMapPage*>(w->Page(kind))->CurrentGrid();
        fields->setCurrentItem(
            fields->findItems(QStringLiteral("First_Name"), Qt::MatchExactly)[0]);
        grid->show();
        const QRect header = grid->CellRect(1, 0);
        QVERIFY(grid->SizingAt(header.right(), header.center().y()));
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {},
                          QPoint(header.right(), header.center().y()));
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {},
                            QPoint(header.right() + 20, header.center().y()));
        QCOMPARE(fields->currentItem()->text(1), QString());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, header.center());
        QVERIFY(!fields->currentItem()->text(1).isEmpty());
    }

    void templateSections_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("value");
        QTest::newRow("html") << int(aiHTML) << "HTML_MAP"
                              << "HTML_OPTIONS"
                              << "2";
        QTest::newRow("xml document") << int(aiXMLDoc) << "XMLDOC_MAP"
                                      << "XMLDOC_OPTIONS"
                                      << "3";
        QTest::newRow("xlsx") << int(aiXLSX) << "XLSX_MAP"
                              << "XLSX_OPTIONS"
                              << "B";
    }
    void templateSections()
    {
        QFETCH(int, kind);
        QFETCH(QString, map);
        QFETCH(QString, options);
        QFETCH(QString, value);
        Opened o(kind);
        selectField(o.page, QStringLiteral("First_Name"));
        o.page->SetSelectedValue(value);
        o.page->SetSkipRows(1);
        const QString path = o.fx.dir.filePath(QStringLiteral("t.imp"));
        o.w->SaveTemplate(path);
        {
            IniFile ini(path);
            QCOMPARE(ini.keys(map), QStringList{"First_Name"});
            QCOMPARE(ini.readString(map, QStringLiteral("First_Name")), value);
            QCOMPARE(ini.readInteger(options, QStringLiteral("SkipLines"), -1), 1);
            // Map keys compare without case; a key naming no field is skipped.
            ini.deleteKey(map, QStringLiteral("First_Name"));
            ini.writeString(map, QStringLiteral("first_NAME"), value);
            ini.writeString(map, QStringLiteral("Nobody"), value);
            ini.save();
        }
        RegisterWizard fx2;
        auto w2 = fx2.window();
        w2->LoadTemplate(path);
        QCOMPARE(w2->ImportType(), kind);
        auto* page2 = static_cast<GridMapPage*>(w2->Page(kind));
        QCOMPARE(fieldValue(page2, QStringLiteral("First_Name")), value);
        QCOMPARE(fieldValue(page2, QStringLiteral("Price")), QString());
        QCOMPARE(page2->SkipRows(), 1);
    }

    // A template's sheet or table that the file lacks is not swapped for the first: the page
    // tells it and lets nobody on until the clerk picks one, and a run stops before the first
    // row naming it.
    void aMissingChoiceIsToldAndStopsTheRun_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("missing");
        QTest::newRow("ODS sheet") << int(aiODS) << "ODS_OPTIONS"
                                   << "SheetName"
                                   << "Gone";
        QTest::newRow("ODT table") << int(aiODT) << "ODT_OPTIONS"
                                   << "SheetName"
                                   << "Gone";
        QTest::newRow("XLSX sheet") << int(aiXLSX) << "XLSX_OPTIONS"
                                    << "SheetName"
                                    << "Gone";
        QTest::newRow("DOCX table") << int(aiDOCX) << "DOCX_OPTIONS"
                                    << "TableNumber"
                                    << "7";
        QTest::newRow("HTML table") << int(aiHTML) << "HTML_OPTIONS"
                                    << "TableNumber"
                                    << "7";
    }
    void aMissingChoiceIsToldAndStopsTheRun()
    {
        QFETCH(int, kind);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, missing);
        RegisterWizard fx;
        const QString file = fx.dir.filePath(QStringLiteral("staff") + extensionOf(kind));
        if (!writeKind(kind, file, {{"P7", "Ali"}, {"P8", "Reza"}}))
            QSKIP("No writer for this kind here");
        const QString imp = fx.dir.filePath(QStringLiteral("t.imp"));
        {
            auto w = OpenOptions(fx.wizard, kind, file);
            auto* page = static_cast<GridMapPage*>(w->Page(kind));
            selectField(page, QStringLiteral("Pers_number"));
            page->AutoFill();
            w->SaveTemplate(imp);
            IniFile ini(imp);
            ini.writeString(section, key, missing);
            ini.save();
        }
        fx.wizard.GoToLastPage = true;
        auto w = fx.window();
        w->LoadTemplate(imp);
        QCOMPARE(w->Step(), 0);
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        auto* page = static_cast<GridMapPage*>(w->Page(kind));
        QVERIFY(!page->MapReady());
        QVERIFY(!w->ui->bNext->isEnabled());
        QVERIFY(!w->ui->bOk->isEnabled());
        QVERIFY(w->InfoPanel->Caption().contains(missing));

        // Pushed on all the same, the run stops before the first row, naming it.
        w->SetStep(2);
        w->SetStep(3);
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts().size(), 1);
        QVERIFY2(log.texts().first().contains(missing), qPrintable(log.texts().first()));
        QCOMPARE(fx.rows(), QStringList{"P2|old|1"});

        // The clerk picks what is shown: the page is whole again.
        w->SetStep(1);
        if (auto* tabs = page->findChild<QTabWidget*>())
            emit tabs->tabBar()->tabBarClicked(0);
        else if (auto* tables = page->findChild<QComboBox*>(QStringLiteral("cbHTMLTableNumber")))
            emit tables->activated(0);
        QVERIFY(page->MapReady());
        QVERIFY(w->ui->bNext->isEnabled());
        QVERIFY(!w->InfoPanel->Caption().contains(missing));
    }
};

QTEST_MAIN(TestPageGrid)
#include "test_page_grid.moc"

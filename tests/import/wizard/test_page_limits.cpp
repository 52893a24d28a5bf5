// Small files that describe very many sheets, tables or columns, at the sizes met in use: each
// kind's page opens such a file or refuses it with one message that names the limit, and the
// window closes after. Before, each of these held the wizard for minutes; their times are the
// benchmark's (BM_OpenPageOnMany), here they only have to finish within the suite.

#include "helper_gridpages.h"
#include "helper_manyparts.h"
#include "helper_office.h"
#include "helper_sources.h"

#include "import/engine/Durvel3HTML.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/PageLimits.h"
#include "import/wizard/pages/XmlDocPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "tests/support/MessageLog.h"
#include "ui_Durvel3WizardF.h"
#include "ui_XmlDocPage.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

enum class Many { DocxTables, OdsSheets, OdtTables, XlsxSheets, Columns, HtmlColumns, HtmlTables,
                  HtmlBareCells, XmlDocColumns, XlsSheets };

bool writeMany(Many what, const QString& path, qint64 count)
{
    switch (what) {
    case Many::DocxTables: return manyparts::docxTables(path, int(count));
    case Many::OdsSheets: return manyparts::odfTables(path, int(count), false);
    case Many::OdtTables: return manyparts::odfTables(path, int(count), true);
    case Many::XlsxSheets: return manyparts::xlsxSheets(path, int(count));
    case Many::XlsSheets: return manyparts::xlsSheets(path, int(count));
    case Many::Columns: return manyparts::csvColumns(path, count);
    case Many::HtmlColumns: return manyparts::htmlPage(path, int(count), 0);
    case Many::HtmlTables: return manyparts::htmlPage(path, 1, int(count));
    case Many::HtmlBareCells: return manyparts::htmlBareCells(path, int(count));
    case Many::XmlDocColumns: return manyparts::xmlDocColumns(path, int(count));
    }
    return false;
}

} // namespace

class TestPageLimits : public QObject
{
    Q_OBJECT

private slots:
    // told: what the one message says; empty when the page opens the file without a word.
    // kib: the file's size at most, as met.
    void aPageOpensOrRefusesAtOnce_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("what");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<int>("kib");
        QTest::addColumn<QString>("told");
        const QString tables = QStringLiteral("more than %1 tables").arg(MaxPreviewTabs);
        const QString sheets = QStringLiteral("more than %1 sheets").arg(MaxPreviewTabs);
        const QString columns = QStringLiteral("more than %1 columns").arg(MaxPreviewColumns);
        QTest::newRow("docx, 10,000 one-cell tables, 4 KB")
            << int(aiDOCX) << int(Many::DocxTables) << qint64(10000) << 8 << tables;
        QTest::newRow("ods, 10,000 one-cell sheets, 30 KB")
            << int(aiODS) << int(Many::OdsSheets) << qint64(10000) << 40 << sheets;
        QTest::newRow("ods, 100,000 one-cell sheets, 300 KB")
            << int(aiODS) << int(Many::OdsSheets) << qint64(100000) << 400 << sheets;
        QTest::newRow("odt, 10,000 one-cell tables")
            << int(aiODT) << int(Many::OdtTables) << qint64(10000) << 40 << tables;
        QTest::newRow("xlsx, 5,000 sheets, 53 KB")
            << int(aiXLSX) << int(Many::XlsxSheets) << qint64(5000) << 80 << sheets;
        QTest::newRow("xls, 5,000 sheets, 270 KB")
            << int(aiXLS) << int(Many::XlsSheets) << qint64(5000) << 300
            << QStringLiteral("more than %1 sheets").arg(MaxXlsSheets);
        QTest::newRow("xls, 100 sheets opens")
            << int(aiXLS) << int(Many::XlsSheets) << qint64(100) << 10 << QString();
        QTest::newRow("ods, 1,000 sheets opens")
            << int(aiODS) << int(Many::OdsSheets) << qint64(MaxPreviewTabs) << 10 << QString();
        QTest::newRow("csv, 1 and 1,000,000 commas, 1 MB")
            << int(aiCSV) << int(Many::Columns) << qint64(1000000) << 1000 << columns;
        QTest::newRow("csv, 5 MB of commas")
            << int(aiCSV) << int(Many::Columns) << qint64(5000000) << 4900 << columns;
        QTest::newRow("csv, 9.9 MB of commas")
            << int(aiCSV) << int(Many::Columns) << qint64(9900000) << 9700 << columns;
        QTest::newRow("csv, 16,383 commas opens")
            << int(aiCSV) << int(Many::Columns) << qint64(MaxPreviewColumns - 1) << 20 << QString();
        QTest::newRow("fixed width, 9.9 MB of commas on one line opens")
            << int(aiTXT) << int(Many::Columns) << qint64(9900000) << 9700 << QString();
        const QString cells = QStringLiteral("more than %1 table cells").arg(THTMLFile::MaxCells);
        QTest::newRow("html, one row of 1,000,000 cells, 9 MB")
            << int(aiHTML) << int(Many::HtmlColumns) << qint64(1000000) << 9800 << cells;
        QTest::newRow("html, 10 MB of bare cell tags")
            << int(aiHTML) << int(Many::HtmlBareCells) << qint64(2000000) << 9800 << cells;
        QTest::newRow("html, one row of 20,000 cells")
            << int(aiHTML) << int(Many::HtmlColumns) << qint64(20000) << 200 << columns;
        QTest::newRow("html, 100,000 one-cell tables, 4 MB")
            << int(aiHTML) << int(Many::HtmlTables) << qint64(100000) << 4500 << QString();
        QTest::newRow("xml document, a row of 500,000 sub-elements, 9 MB")
            << int(aiXMLDoc) << int(Many::XmlDocColumns) << qint64(500000) << 9800
            << QStringLiteral("more than %1 different element").arg(TXMLDocFile::MaxNames);
        QTest::newRow("xml document, a row of 20,000 sub-elements")
            << int(aiXMLDoc) << int(Many::XmlDocColumns) << qint64(20000) << 400
            << QStringLiteral("more than %1 different names").arg(TXMLDocFile::MaxCols);
    }
    void aPageOpensOrRefusesAtOnce()
    {
        QFETCH(int, kind);
        QFETCH(int, what);
        QFETCH(qint64, count);
        QFETCH(int, kib);
        QFETCH(QString, told);
        RegisterWizard fx;
        const QString path = fx.dir.filePath(QStringLiteral("many") + extensionOf(kind));
        QVERIFY(writeMany(Many(what), path, count));
        QVERIFY2(QFileInfo(path).size() <= qint64(kib) * 1024,
                 qPrintable(QString::number(QFileInfo(path).size())));
        MessageLog log;
        auto w = OpenOptions(fx.wizard, kind, path);
        if (kind == aiXMLDoc)
            w->Guarded([&] {
                auto* page = static_cast<XmlDocPage*>(w->Page(aiXMLDoc));
                page->SetXMLDocDataLocation(tlSubNodes);
                page->SetXMLDocXPath(QStringLiteral("/rows/row"));
            });
        if (told.isEmpty()) {
            QVERIFY2(log.texts().isEmpty(), qPrintable(log.texts().join(u'\n')));
        } else {
            QCOMPARE(log.texts().size(), 1);
            QVERIFY2(log.texts().first().contains(told), qPrintable(log.texts().first()));
            // The XML document's column limit names the XPath chosen, the others the file.
            if (!told.contains(QLatin1String("different names")))
                QVERIFY2(log.texts().first().contains(QStringLiteral("many")),
                         qPrintable(log.texts().first()));
        }
        // A refused file leaves nothing of itself to map onto, and no way on.
        if (!told.isEmpty()) {
            if (kind == aiCSV) {
                QVERIFY(w->CSVPage->Grid->ColCount() <= 1);
            } else if (auto* page = qobject_cast<GridMapPage*>(w->Page(kind))) {
                const TKobWideStringGrid* grid = page->CurrentGrid();
                QVERIFY(!grid || grid->ColCount() <= 2);
            }
            QVERIFY(!w->ui->bNext->isEnabled());
        }
        w.reset();
    }

    // The XML document's tree shows the first thousand children of an element and counts the
    // rest; their path is taken as from a whole tree.
    void aLargeDocumentsTreeShowsItsShape()
    {
        RegisterWizard fx;
        const QString path = fx.dir.filePath(QStringLiteral("rows.xml"));
        QVERIFY(manyparts::xmlDocRows(path, 370000));
        QVERIFY(QFileInfo(path).size() < 10 * 1000 * 1000);
        MessageLog log;
        auto w = OpenOptions(fx.wizard, aiXMLDoc, path);
        auto* page = static_cast<XmlDocPage*>(w->Page(aiXMLDoc));
        page->BuildTreeClick();
        QCOMPARE(log.texts(), QStringList());
        QTreeWidget* tree = page->ui->tvXMLDoc;
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* root = tree->topLevelItem(0);
        QCOMPARE(root->childCount(), 1001);
        QCOMPARE(root->child(1000)->text(0), QStringLiteral("(369000 more not shown)"));
        QCOMPARE(root->child(0)->childCount(), 2);
        tree->setCurrentItem(root->child(0)->child(1));
        page->GetXPathClick();
        QCOMPARE(page->ui->edXMLDocXPath->text(), QStringLiteral("/rows/row/b"));
    }

    // At the limit a tabbed page shows every sheet, each tab's preview read when it is shown.
    void everySheetUpToTheLimitIsATab()
    {
        RegisterWizard fx;
        const QString path = fx.dir.filePath(QStringLiteral("many.ods"));
        QVERIFY(manyparts::odfTables(path, MaxPreviewTabs, false, true));
        MessageLog log;
        auto w = OpenOptions(fx.wizard, aiODS, path);
        QVERIFY(log.texts().isEmpty());
        auto* page = static_cast<GridMapPage*>(w->Page(aiODS));
        auto* tabs = page->findChild<QTabWidget*>();
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), MaxPreviewTabs);
        QCOMPARE(page->CurrentGrid()->Cells(1, 1), QStringLiteral("1"));
        tabs->setCurrentIndex(MaxPreviewTabs - 1);
        QCOMPARE(tabs->tabText(MaxPreviewTabs - 1), QStringLiteral("S%1").arg(MaxPreviewTabs));
        QCOMPARE(page->CurrentGrid()->Cells(1, 1), QString::number(MaxPreviewTabs));
        // Read before the window was shown, the tabs show with it.
        w->show();
        QVERIFY(tabs->isVisible());
        QVERIFY(page->CurrentGrid()->isVisible());
    }
};

QTEST_MAIN(TestPageLimits)
#include "test_page_limits.moc"

// The HTML page: its tables, the preview of the chosen one, and a page imported into the
// register through a saved template.

#include "helper_gridpages.h"
#include "helper_office.h"

#include "import/wizard/pages/HtmlPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"
#include "tests/support/MessageLog.h"
#include "ui_Durvel3WizardF.h"
#include "ui_HtmlPage.h"

#include <QtTest>

namespace {

QByteArray table(const QList<QStringList>& rows)
{
    QByteArray out = "<table>";
    for (const QStringList& r : rows) {
        out += "<tr>";
        for (const QString& c : r)
            out += "<td>" + c.toUtf8() + "</td>";
        out += "</tr>";
    }
    return out + "</table>";
}

struct Opened
{
    RegisterWizard fx;
    std::unique_ptr<TDurvel3WizardF> w;
    HtmlPage* page;

    explicit Opened(const QByteArray& html)
        : w(OpenOptions(fx.wizard, aiHTML, fx.file(QStringLiteral("page.html"), html))),
          page(static_cast<HtmlPage*>(w->Page(aiHTML)))
    {}
};

} // namespace

class TestPageHtml : public QObject
{
    Q_OBJECT

private slots:
    void preview_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("wideRow");
        QTest::addColumn<int>("gridRows");
        QTest::addColumn<int>("gridCols");
        QTest::newRow("short table") << 3 << -1 << 3 << 2;
        QTest::newRow("100 rows show 30") << 100 << -1 << 30 << 2;
        QTest::newRow("a wider row widens the grid") << 10 << 6 << 10 << 4;
        QTest::newRow("a wide row past the preview") << 40 << 35 << 30 << 2;
    }
    void preview()
    {
        QFETCH(int, rows);
        QFETCH(int, wideRow);
        QFETCH(int, gridRows);
        QFETCH(int, gridCols);
        QList<QStringList> cells;
        for (int r = 0; r < rows; ++r) {
            QStringList row{QStringLiteral("P%1").arg(r), QStringLiteral("N%1").arg(r)};
            if (r == wideRow)
                row << QStringLiteral("x") << QStringLiteral("last");
            cells << row;
        }
        Opened o(table(cells));
        TKobWideStringGrid* g = o.page->Grid;
        QCOMPARE(g->RowCount(), gridRows);
        QCOMPARE(g->ColCount(), gridCols);
        QCOMPARE(g->FixedRows(), 0);
        QCOMPARE(g->Cells(1, gridRows - 1), QStringLiteral("N%1").arg(gridRows - 1));
        if (wideRow >= 0 && wideRow < gridRows)
            QCOMPARE(g->Cells(3, wideRow), QStringLiteral("last"));
        // The column list offers an empty entry and every column.
        QCOMPARE(o.page->ui->cbHTMLColNumber->count(), gridCols + 1);
    }

    void tablesAreChosenByNumber()
    {
        Opened o(table({{"a1", "a2"}}) + "<p>between</p>" +
                 table({{"b1", "b2", "b3"}, {"c1", "c2", "c3"}}));
        QCOMPARE(o.page->ui->cbHTMLTableNumber->count(), 2);
        QCOMPARE(o.page->TableNumber(), 1);
        QCOMPARE(o.page->Grid->Cells(0, 0), QStringLiteral("a1"));
        o.page->ui->cbHTMLTableNumber->setCurrentIndex(1);
        emit o.page->ui->cbHTMLTableNumber->activated(1);
        QCOMPARE(o.page->Grid->RowCount(), 2);
        QCOMPARE(o.page->Grid->ColCount(), 3);
        QCOMPARE(o.page->Grid->Cells(2, 1), QStringLiteral("c3"));
        TDurvel3HTML reader;
        o.page->CopyOptions(reader);
        QCOMPARE(reader.TableNumber, 2);
    }

    void aPageWithoutTablesIsNotComplete()
    {
        MessageLog log;
        Opened o("<p>no tables here</p>");
        QCOMPARE(log.texts(), QStringList{"No tables were found in page.html"});
        QCOMPARE(o.page->ui->cbHTMLTableNumber->count(), 0);
        selectField(o.page, QStringLiteral("Pers_number"));
        o.page->SetSelectedValue(QStringLiteral("1"));
        QVERIFY(!o.page->MapReady());
        QVERIFY(!o.w->ui->bNext->isEnabled());
    }

    void colNumberListFollowsTheField()
    {
        Opened o(table({{"a", "b", "c"}}));
        QComboBox* list = o.page->ui->cbHTMLColNumber;
        selectField(o.page, QStringLiteral("First_Name"));
        o.page->ColumnClicked(2);
        QCOMPARE(list->currentText(), QStringLiteral("3"));
        selectField(o.page, QStringLiteral("Price"));
        QCOMPARE(list->currentText(), QString());
        list->setCurrentIndex(2);
        emit list->activated(2);
        QCOMPARE(fieldValue(o.page, QStringLiteral("Price")), QStringLiteral("2"));
        QVERIFY(o.w->ui->bNext->isEnabled());
    }

    void aTemplatesTableThePageLacksIsNotJumpedPast()
    {
        RegisterWizard fx;
        const QString page = fx.file(QStringLiteral("one.html"), table({{"P1", "a"}}));
        const QString imp = fx.dir.filePath(QStringLiteral("t.imp"));
        {
            auto w = fx.window();
            w->SetImportType(aiHTML);
            w->ui->edtFileName->setText(page);
            w->ui->bNext->click();
            auto* p = static_cast<HtmlPage*>(w->Page(aiHTML));
            selectField(p, QStringLiteral("Pers_number"));
            p->ColumnClicked(0);
            w->SaveTemplate(imp);
        }
        {
            IniFile ini(imp);
            ini.writeInteger(QStringLiteral("HTML_OPTIONS"), QStringLiteral("TableNumber"), 3);
            ini.save();
        }
        fx.wizard.GoToLastPage = true;
        auto w = fx.window();
        w->LoadTemplate(imp);
        QCOMPARE(w->Step(), 0);
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        // The table stays asked for, and the page is not whole until one is chosen.
        QCOMPARE(static_cast<HtmlPage*>(w->Page(aiHTML))->TableNumber(), 3);
        QVERIFY(!w->ui->bNext->isEnabled());
    }

    void importsThroughASavedTemplate_data()
    {
        QTest::addColumn<bool>("jump");
        QTest::newRow("step by step") << false;
        QTest::newRow("straight to the last page") << true;
    }
    void importsThroughASavedTemplate()
    {
        QFETCH(bool, jump);
        RegisterWizard fx;
        const QString page =
            fx.file(QStringLiteral("people.html"),
                    "<html><head><meta charset='utf-8'></head><body>" + table({{"x"}}) +
                        table({{"Code", "Name", "Amount"},
                               {"P1", "علی", "1200"},
                               {"P2", "رضا", "300"},
                               {"P3", "<b>Sara</b> K", "45"}}) +
                        "</body></html>");
        const QString imp = fx.dir.filePath(QStringLiteral("html.imp"));
        {
            auto w = fx.window();
            w->SetImportType(aiHTML);
            w->ui->edtFileName->setText(page);
            w->ui->bNext->click();
            auto* p = static_cast<HtmlPage*>(w->Page(aiHTML));
            p->SetTableNumber(2);
            p->ui->edtHTMLSkipLines->setText(QStringLiteral("1"));
            selectField(p, QStringLiteral("Pers_number"));
            p->ColumnClicked(0);
            selectField(p, QStringLiteral("First_Name"));
            p->ColumnClicked(1);
            selectField(p, QStringLiteral("Price"));
            p->ColumnClicked(2);
            w->SaveTemplate(imp);
        }
        fx.wizard.GoToLastPage = jump;
        auto w = fx.window();
        w->LoadTemplate(imp);
        if (!jump) {
            w->ui->bNext->click();
            QCOMPARE(w->Step(), 1);
            w->ui->bNext->click();
            w->ui->bNext->click();
        }
        QCOMPARE(w->Step(), 3);
        QCOMPARE(static_cast<HtmlPage*>(w->Page(aiHTML))->TableNumber(), 2);
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(fx.rows(), (QStringList{"P2|رضا|300", "P1|علی|1200", "P3|Sara K|45"}));
    }

    // The run imports the tables the page parsed for its preview: the file is not parsed again
    // (here its bytes changed behind the wizard's back, its size and time kept, and the
    // preview's rows are imported). A file changed since the preview is read again.
    void theRunTakesThePagesParsedTables_data()
    {
        QTest::addColumn<bool>("touched");
        QTest::newRow("same size and time") << false;
        QTest::newRow("changed since the preview") << true;
    }
    void theRunTakesThePagesParsedTables()
    {
        QFETCH(bool, touched);
        RegisterWizard fx;
        const QString page = fx.file(QStringLiteral("people.html"),
                                     table({{"P1", "Mina", "10"}, {"P3", "Reza", "30"}}));
        const QDateTime modified = QFileInfo(page).lastModified();
        auto w = OpenOptions(fx.wizard, aiHTML, page);
        auto* p = static_cast<HtmlPage*>(w->Page(aiHTML));
        selectField(p, QStringLiteral("Pers_number"));
        p->ColumnClicked(0);
        selectField(p, QStringLiteral("First_Name"));
        p->ColumnClicked(1);
        selectField(p, QStringLiteral("Price"));
        p->ColumnClicked(2);
        w->ui->bNext->click();
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 3);
        fx.file(QStringLiteral("people.html"), table({{"P7", "Sara", "70"}, {"P8", "Omid", "80"}}));
        {
            QFile f(page);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(touched ? modified.addSecs(5) : modified,
                                  QFileDevice::FileModificationTime));
        }
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        const QStringList stored = touched
                                       ? QStringList{"P2|old|1", "P7|Sara|70", "P8|Omid|80"}
                                       : QStringList{"P2|old|1", "P1|Mina|10", "P3|Reza|30"};
        QCOMPARE(fx.rows(), stored);
    }

    // Another file name set on the reader drops the page's tables.
    void anotherFileDropsThePagesTables()
    {
        RegisterWizard fx;
        auto w = OpenOptions(fx.wizard, aiHTML,
                             fx.file(QStringLiteral("people.html"), table({{"P1", "Mina"}})));
        auto* p = static_cast<HtmlPage*>(w->Page(aiHTML));
        auto* reader = dynamic_cast<TDurvel3HTML*>(p->Reader());
        QVERIFY(reader);
        p->CopyOptions(*reader);
        reader->ImportDestination = didDataSet;
        reader->DataSet = &fx.dest;
        reader->SetFileName(fx.dir.filePath(QStringLiteral("gone.html")));
        reader->TableNumber = 1;
        QString told;
        try {
            QVERIFY(!reader->Execute());
        } catch (const EDurvelError& e) {
            told = e.message();
        }
        QVERIFY2(told.contains(QStringLiteral("gone.html")), qPrintable(told));
    }
};

QTEST_MAIN(TestPageHtml)
#include "test_page_html.moc"

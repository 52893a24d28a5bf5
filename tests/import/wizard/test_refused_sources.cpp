// A file a page refuses after a good one was mapped, for every kind: the page keeps nothing of
// the good file, Next and Execute stay off until a file the page opens is chosen, and no way
// through the buttons (Execute, Next, Back and Next again, a template that jumps to the last
// page) puts a row into the register. The refusal message is never hidden by the loading
// window.

#include "helper_gridpages.h"
#include "helper_manyparts.h"
#include "helper_sources.h"

#include "tests/support/ZipBuilder.h"

#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/SourcePage.h"
#include "import/wizard/pages/TXTPage.h"
#include "import/wizard/widgets/Durvel3TXTView.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"
#include "tests/support/MessageLog.h"
#include "ui_Durvel3WizardF.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

const Rows kGood{{"B1", "Mina", "Rezaei", "0101", "100"}, {"B2", "Sara", "Ahmadi", "0202", "200"}};
const QStringList kGoodStored{"B1|Mina|100", "B2|Sara|200"};
// What of the good file a page could still show.
const QStringList kGoodTexts{"B1",     "B2",   "Mina", "Sara", "Rezaei",
                             "Ahmadi", "0101", "0202", "Staff"};

// A file the page of Kind refuses: one over a page's limits, damaged (random bytes), or a
// page without a table.
enum class Refusal { Limit, Damaged, NoTables };

QByteArray manyAttributes(int count)
{
    QByteArray out = "<?xml version=\"1.0\"?><staff><person";
    for (int i = 0; i < count; ++i)
        out += " a" + QByteArray::number(i) + "=\"1\"";
    return out + ">B9</person></staff>";
}

// Told: what the message says; empty for any message.
bool writeRefused(int kind, Refusal refusal, const QString& path, QString& told)
{
    told.clear();
    if (refusal == Refusal::Damaged) {
        QRandomGenerator gen(20261207);
        QByteArray bytes(4096, '\0');
        for (char& c : bytes)
            c = char(gen.bounded(256));
        return manyparts::writeBytes(path, bytes);
    }
    if (refusal == Refusal::NoTables) {
        told = QStringLiteral("No tables were found");
        return manyparts::writeBytes(path, "<html><body><p>B1 Mina</p></body></html>");
    }
    switch (kind) {
    case aiXLS:
        told = QStringLiteral("more than 500 sheets");
        return manyparts::xlsSheets(path, 600);
    case aiXLSX:
        told = QStringLiteral("more than 1000 sheets");
        return manyparts::xlsxSheets(path, 2000);
    case aiODS:
        told = QStringLiteral("more than 1000 sheets");
        return manyparts::odfTables(path, 2000, false);
    case aiODT:
        told = QStringLiteral("more than 1000 tables");
        return manyparts::odfTables(path, 2000, true);
    case aiDOCX:
        told = QStringLiteral("more than 1000 tables");
        return manyparts::docxTables(path, 2000);
    case aiCSV:
        told = QStringLiteral("more than 16384 columns");
        return manyparts::csvColumns(path, 100000);
    case aiHTML:
        told = QStringLiteral("more than 16384 columns");
        return manyparts::htmlPage(path, 20000, 0);
    case aiTXT:
        // One line longer than any line a text is read with.
        told = QStringLiteral("longer than");
        return manyparts::writeBytes(path, QByteArray((64 << 20) + 1024, 'x'));
    case aiXML:
    case aiXMLDoc:
        told = QStringLiteral("attributes");
        return manyparts::writeBytes(path, manyAttributes(5000));
    }
    return false;
}

QString goodFile(RegisterWizard& fx, int kind)
{
    const QString path = fx.dir.filePath(QStringLiteral("staff") + extensionOf(kind));
    if (kind == aiAccess) {
        const QString sample = accessSample();
        return !sample.isEmpty() && QFile::copy(sample, path) ? path : QString();
    }
    return writeKind(kind, path, kGood) ? path : QString();
}

// Maps the good file the fastest way: the page's auto fill (Access: its Shippers table).
void mapAll(TDurvel3WizardF* w, int kind)
{
    QWidget* page = w->ui->pgImport->currentWidget();
    if (kind == aiTXT) {
        int at = 0;
        for (const auto& [field, width] : kTxtLayout) {
            w->TXTPage->SetFieldPosSize(field, at, width);
            at += width;
        }
        return;
    }
    if (kind == aiAccess) {
        auto* tables = page->findChild<QListWidget*>(QStringLiteral("lbAccessTables"));
        QVERIFY(tables);
        const auto shippers = tables->findItems(QStringLiteral("Shippers"), Qt::MatchExactly);
        QVERIFY(!shippers.isEmpty());
        tables->setCurrentItem(shippers.first());
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 2);
        page = w->ui->pgImport->currentWidget();
    }
    if (kind == aiXMLDoc) {
        page->findChild<QLineEdit*>(QStringLiteral("edXMLDocXPath"))
            ->setText(QStringLiteral("/staff/person"));
        page->findChild<QAbstractButton*>(QStringLiteral("bXMLDocFillGrid"))->click();
        page->findChild<QLineEdit*>(QStringLiteral("edXMLDocSkipLines"))
            ->setText(QStringLiteral("1"));
        // The tree shows the file too, and must go with it.
        page->findChild<QPushButton*>(QStringLiteral("bXMLDocBuildTree"))->click();
    }
    for (QAbstractButton* b : page->findChildren<QAbstractButton*>()) {
        const QString name = b->objectName();
        if (name.contains(QLatin1String("AutoFill")) && !name.endsWith(QLatin1String("Rows"))) {
            QVERIFY2(b->isEnabled(), qPrintable(name));
            b->click();
            return;
        }
    }
    QFAIL("no auto-fill on the page");
}

// Every text a page shows of its source: lists, choices, tabs, preview cells, viewed lines.
QStringList shownTexts(const QWidget* page)
{
    QStringList out;
    for (const auto* tree : page->findChildren<QTreeWidget*>())
        for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
            for (int c = 0; c < (*it)->columnCount(); ++c)
                out << (*it)->text(c);
    for (const auto* list : page->findChildren<QListWidget*>())
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
    for (const auto* box : page->findChildren<QComboBox*>())
        if (!box->objectName().contains(QLatin1String("Encoding")) &&
            !box->objectName().contains(QLatin1String("DataLocation")))
            for (int i = 0; i < box->count(); ++i)
                out << box->itemText(i);
    for (const auto* tabs : page->findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i)
            out << tabs->tabText(i);
    for (auto* grid : page->findChildren<TKobWideStringGrid*>())
        for (int r = 0; r < qMin(grid->RowCount(), 50); ++r)
            for (int c = 0; c < qMin(grid->ColCount(), 50); ++c)
                out << grid->Cells(c, r);
    for (const auto* viewer : page->findChildren<TDurvel3TXTViewer*>())
        for (int i = 0; i < viewer->Lines().Count(); ++i)
            out << viewer->Lines().Strings(i);
    return out;
}

// The page of the kind shows nothing of the good file and offers no way on.
void checkRefusedPage(TDurvel3WizardF* w, int kind)
{
    SourcePage* page = w->Page(kind);
    QVERIFY(page->Refused());
    QVERIFY(page->MapLines().isEmpty());
    QList<QWidget*> pages{page};
    if (kind == aiAccess)
        pages << w->ui->pgImport->widget(w->ui->pgImport->indexOf(page) + 1);
    for (QWidget* p : pages)
        for (const QString& text : shownTexts(p))
            for (const QString& good : kGoodTexts)
                QVERIFY2(!text.contains(good),
                         qPrintable(QStringLiteral("%1 shows \"%2\"").arg(p->objectName(), text)));
    QVERIFY(!w->ui->bNext->isEnabled());
    QVERIFY(!w->ui->bOk->isEnabled());
}

const QList<int> kKinds{aiXLS,  aiDBF,    aiXML,  aiTXT,  aiCSV, aiAccess,
                        aiHTML, aiXMLDoc, aiXLSX, aiDOCX, aiODS, aiODT};

const char* kindName(int kind)
{
    return ImportKind(kind).RadioButton + 3;
}

// A source of Kind whose first table (or node set) is kGood and whose second the page
// refuses: a row wider than a preview shows, or an XPath that is none.
bool writeTwoParts(int kind, const QString& path)
{
    const QByteArray wide = QByteArray("1,").repeated(20000);
    switch (kind) {
    case aiHTML: {
        QByteArray page = "<html><body><table>";
        for (const QStringList& r : kGood)
            page += "<tr><td>" + r.join(QStringLiteral("</td><td>")).toUtf8() + "</td></tr>";
        page += "</table><table><tr>" + QByteArray("<td>1</td>").repeated(20000) + "</tr>";
        return manyparts::writeBytes(path, page + "</table></body></html>");
    }
    case aiDOCX: {
        const auto cell = [](const QByteArray& text) {
            return "<w:tc><w:p><w:r><w:t>" + text + "</w:t></w:r></w:p></w:tc>";
        };
        QByteArray body = "<w:tbl>";
        for (const QStringList& r : kGood) {
            body += "<w:tr>";
            for (const QString& c : r)
                body += cell(c.toUtf8());
            body += "</w:tr>";
        }
        body += "</w:tbl><w:p/><w:tbl><w:tr>" + cell("1").repeated(20000) + "</w:tr></w:tbl>";
        return writeZip(
            path, {{"word/document.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
                                         "xmlns:w=\"http://schemas.openxmlformats.org/"
                                         "wordprocessingml/2006/main\"><w:body>" +
                                             body + "</w:body></w:document>"}});
    }
    case aiXMLDoc:
        return writeKind(kind, path, kGood);
    }
    return false;
}

// Answers the message boxes shown for real while alive, noting whether a loading window was
// in view over one.
struct BoxWatch
{
    QTimer timer;
    int boxes = 0;
    bool covered = false;

    BoxWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            ++boxes;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<TfmDurvel3Loading*>(w) && w->isVisible())
                    covered = true;
            box->accept();
        });
        timer.start(5);
    }
};

} // namespace

Q_DECLARE_METATYPE(Refusal)

class TestRefusedSources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TfmDurvel3Loading::MinimumDisplayTime = 0; }

    void aRefusedFileImportsNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<Refusal>("refusal");
        for (int kind : kKinds) {
            if (kind != aiDBF && kind != aiAccess)
                QTest::addRow("%s over a limit", kindName(kind)) << kind << Refusal::Limit;
            // Any bytes are some text.
            if (kind != aiTXT && kind != aiCSV)
                QTest::addRow("%s damaged", kindName(kind)) << kind << Refusal::Damaged;
        }
        QTest::addRow("HTML without a table") << int(aiHTML) << Refusal::NoTables;
    }
    void aRefusedFileImportsNothing()
    {
        QFETCH(int, kind);
        QFETCH(Refusal, refusal);
        RegisterWizard fx;
        const QStringList before = fx.rows();
        const QString good = goodFile(fx, kind);
        if (good.isEmpty())
            QSKIP("the kind's writer or sample is not here");
        const QString refused = fx.dir.filePath(QStringLiteral("refused") + extensionOf(kind));
        QString told;
        QVERIFY(writeRefused(kind, refusal, refused, told));
        const QString imp = fx.dir.filePath(QStringLiteral("refused.imp"));

        auto w = fx.window();
        w->SetImportType(kind);
        w->ui->edtFileName->setText(good);
        {
            MessageLog none;
            w->ui->bNext->click();
            QCOMPARE(none.texts(), QStringList());
        }
        QCOMPARE(w->Step(), 1);
        mapAll(w.get(), kind);
        QVERIFY(w->ui->bOk->isEnabled());
        // The template of that map, for the refused file and jumping to the last page.
        w->SaveTemplate(imp);
        {
            IniFile ini(imp);
            ini.writeString(QStringLiteral("FIRST_STEP"), QStringLiteral("FileName"), refused);
            ini.writeBool(QStringLiteral("FIRST_STEP"), QStringLiteral("GoToLastPage"), true);
            ini.save();
        }

        // Back, and the refused file.
        while (w->Step() > 0)
            w->ui->bBack->click();
        w->ui->edtFileName->setText(refused);
        {
            MessageLog log;
            w->ui->bNext->click();
            QCOMPARE(log.texts().size(), 1);
            QVERIFY2(log.texts().first().contains(told), qPrintable(log.texts().first()));
        }
        QCOMPARE(w->Step(), 1);
        checkRefusedPage(w.get(), kind);

        // No button goes on, pressed or called.
        {
            MessageLog log;
            QTest::mouseClick(w->ui->bOk, Qt::LeftButton);
            QTest::mouseClick(w->ui->bNext, Qt::LeftButton);
            w->bOkClick();
            w->bNextClick();
            QCOMPARE(w->Step(), 1);
            if (kind == aiAccess) {
                // A query does not open a database that was refused.
                auto* sql =
                    w->Page(kind)->findChild<QAbstractButton*>(QStringLiteral("rbtAccessSQL"));
                sql->click();
                w->Page(kind)
                    ->findChild<QPlainTextEdit*>(QStringLiteral("memAccessSQL"))
                    ->setPlainText(QStringLiteral("select * from Shippers"));
                QVERIFY(!w->ui->bNext->isEnabled());
                w->bNextClick();
                QCOMPARE(w->Step(), 1);
            }
            QCOMPARE(log.texts(), QStringList());
        }
        QCOMPARE(fx.rows(), before);

        // Back and Next again: refused again.
        w->ui->bBack->click();
        QCOMPARE(w->Step(), 0);
        {
            MessageLog log;
            w->ui->bNext->click();
            QCOMPARE(log.texts().size(), 1);
        }
        checkRefusedPage(w.get(), kind);
        w->bOkClick();
        QCOMPARE(fx.rows(), before);

        // A template with the good map and the refused file does not jump past the page.
        w->ui->bBack->click();
        {
            MessageLog log;
            w->Guarded([&] { w->LoadTemplate(imp); });
            QCOMPARE(log.texts().size(), 1);
        }
        QVERIFY(w->Step() < 2);
        QVERIFY(!w->ui->bOk->isEnabled());
        w->bOkClick();
        if (w->Step() == 0) {
            MessageLog log;
            w->ui->bNext->click();
        }
        checkRefusedPage(w.get(), kind);
        w->bOkClick();
        QCOMPARE(fx.rows(), before);

        // The good file again: the page reads it and imports it once mapped.
        w->ui->bBack->click();
        w->ui->edtFileName->setText(good);
        {
            MessageLog none;
            w->ui->bNext->click();
            QCOMPARE(none.texts(), QStringList());
        }
        QCOMPARE(w->Step(), 1);
        QVERIFY(!w->Page(kind)->Refused());
        mapAll(w.get(), kind);
        QVERIFY(w->ui->bOk->isEnabled());
        if (kind == aiAccess)
            return; // the sample is no register
        {
            MessageLog none;
            w->ui->bOk->click();
            QCOMPARE(none.texts(), QStringList());
        }
        QCOMPARE(fx.rows(), before + kGoodStored);
    }

    // A part of a good file the page refuses (a table, an XPath) stops the way on, as a
    // refused file does, until the clerk chooses a part the page shows; the map stays.
    void aRefusedPartImportsNothing_data()
    {
        QTest::addColumn<int>("kind");
        for (int kind : {aiHTML, aiDOCX, aiXMLDoc})
            QTest::addRow("%s", kindName(kind)) << kind;
    }
    void aRefusedPartImportsNothing()
    {
        QFETCH(int, kind);
        RegisterWizard fx;
        const QStringList before = fx.rows();
        const QString path = fx.dir.filePath(QStringLiteral("parts") + extensionOf(kind));
        QVERIFY(writeTwoParts(kind, path));
        auto w = fx.window();
        w->SetImportType(kind);
        w->ui->edtFileName->setText(path);
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        mapAll(w.get(), kind);
        QVERIFY(w->ui->bOk->isEnabled());
        auto* page = static_cast<GridMapPage*>(w->Page(kind));
        const QStringList mapped = fieldValues(page);

        const auto choose = [&](int part) {
            if (kind == aiHTML) {
                auto* tables = page->findChild<QComboBox*>(QStringLiteral("cbHTMLTableNumber"));
                tables->setCurrentIndex(part);
                Q_EMIT tables->activated(part);
            } else if (kind == aiDOCX) {
                page->findChild<QTabWidget*>()->setCurrentIndex(part);
            } else {
                page->findChild<QLineEdit*>(QStringLiteral("edXMLDocXPath"))
                    ->setText(part == 0 ? QStringLiteral("/staff/person")
                                        : QStringLiteral("/staff/["));
                page->findChild<QAbstractButton*>(QStringLiteral("bXMLDocFillGrid"))->click();
            }
        };
        {
            MessageLog log;
            choose(1);
            QCOMPARE(log.texts().size(), 1);
        }
        QVERIFY(page->Refused());
        QVERIFY(!w->ui->bNext->isEnabled());
        QVERIFY(!w->ui->bOk->isEnabled());
        // No preview of the part shown before.
        for (auto* grid : page->findChildren<TKobWideStringGrid*>())
            for (int r = 0; r < qMin(grid->RowCount(), 50); ++r)
                for (int c = 0; c < qMin(grid->ColCount(), 50); ++c)
                    for (const QString& good : kGoodTexts)
                        QVERIFY2(!grid->Cells(c, r).contains(good), qPrintable(grid->Cells(c, r)));
        {
            MessageLog none;
            w->bOkClick();
            w->bNextClick();
            QCOMPARE(none.texts(), QStringList());
        }
        QCOMPARE(w->Step(), 1);
        QCOMPARE(fx.rows(), before);

        {
            MessageLog none;
            choose(0);
            QCOMPARE(none.texts(), QStringList());
        }
        QVERIFY(!page->Refused());
        QCOMPARE(fieldValues(page), mapped);
        QVERIFY(w->ui->bOk->isEnabled());
        w->ui->bOk->click();
        QCOMPARE(fx.rows(), before + kGoodStored);
    }

    // The loading window is up half a second; a message of the page comes after it or in
    // front of it, never under it.
    void theLoadingWindowNeverHidesTheMessage_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("refusedFile");
        QTest::newRow("xls refused") << int(aiXLS) << true;
        QTest::newRow("xlsx refused") << int(aiXLSX) << true;
        QTest::newRow("xml document refused") << int(aiXMLDoc) << true;
        QTest::newRow("html read, then a column refused") << int(aiHTML) << false;
    }
    void theLoadingWindowNeverHidesTheMessage()
    {
        QFETCH(int, kind);
        QFETCH(bool, refusedFile);
        RegisterWizard fx;
        TfmDurvel3Loading::MinimumDisplayTime = 500;
        const auto restore = qScopeGuard([] { TfmDurvel3Loading::MinimumDisplayTime = 0; });
        QString path = goodFile(fx, kind);
        if (refusedFile) {
            QString told;
            path = fx.dir.filePath(QStringLiteral("refused") + extensionOf(kind));
            QVERIFY(writeRefused(kind, Refusal::Limit, path, told));
        }
        auto w = fx.window();
        w->show();
        w->SetImportType(kind);
        w->ui->edtFileName->setText(path);
        BoxWatch watch;
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        if (!refusedFile) {
            QCOMPARE(watch.boxes, 0);
            // The register numbers its people itself: mapping its id is refused at once.
            auto* page = static_cast<GridMapPage*>(w->Page(kind));
            selectField(page, QStringLiteral("id"));
            w->Guarded([&] { page->ColumnClicked(0); });
        }
        QCOMPARE(watch.boxes, 1);
        QVERIFY(!watch.covered);
    }
};

QTEST_MAIN(TestRefusedSources)
#include "test_refused_sources.moc"

// Every handler a page connects runs inside the window's guard: with the source file gone or
// unreadable, and with query and log files that cannot be read or written, nothing a handler
// raises reaches the event loop (under a plain QApplication that ends the process).

#include "helper_wizard.h"

#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/AccessPage.h"
#include "import/wizard/pages/XLSPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "tests/support/MessageLog.h"
#include "ui_AccessPage.h"
#include "ui_Durvel3WizardF.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Runs every handler reachable from the widgets under Root; returns what escaped.
QStringList walkHandlers(QWidget* Root)
{
    QStringList escaped;
    const auto run = [&](const QString& What, const std::function<void()>& Body) {
        try {
            Body();
        } catch (const std::exception& e) {
            escaped << What + QStringLiteral(": ") + QString::fromUtf8(e.what());
        } catch (...) {
            escaped << What;
        }
    };
    for (QLineEdit* e : Root->findChildren<QLineEdit*>())
        run(e->objectName(), [e] {
            e->setText(QStringLiteral("1"));
            emit e->editingFinished();
            emit e->returnPressed();
        });
    for (QComboBox* c : Root->findChildren<QComboBox*>())
        for (int i = 0; i < c->count(); ++i)
            run(c->objectName(), [c, i] {
                c->setCurrentIndex(i);
                emit c->activated(i);
            });
    for (QTabWidget* t : Root->findChildren<QTabWidget*>())
        for (int i = 0; i < t->count(); ++i)
            run(t->objectName(), [t, i] { t->setCurrentIndex(i); });
    for (QTreeWidget* l : Root->findChildren<QTreeWidget*>())
        if (QTreeWidgetItem* item = l->topLevelItem(0))
            run(l->objectName(), [l, item] {
                l->setCurrentItem(item);
                emit l->itemDoubleClicked(item, 0);
            });
    for (QListWidget* l : Root->findChildren<QListWidget*>())
        if (QListWidgetItem* item = l->item(0))
            run(l->objectName(), [l, item] {
                l->setCurrentItem(item);
                emit l->itemDoubleClicked(item);
            });
    for (TKobWideStringGrid* g : Root->findChildren<TKobWideStringGrid*>())
        run(g->objectName(),
            [g] { QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, QPoint(40, 20)); });
    for (QAbstractButton* b : Root->findChildren<QAbstractButton*>())
        if (b->isEnabled())
            run(b->objectName(), [b] { b->click(); });
    return escaped;
}

// Closes any dialog a handler opens modally, so that the walk goes on.
struct DialogCloser
{
    QWidget* Keep;
    QTimer Timer;
    explicit DialogCloser(QWidget* keep) : Keep(keep)
    {
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w); d && d != Keep && d->isVisible())
                    d->reject();
        });
        Timer.start(20);
    }
};

QByteArray content(int Kind)
{
    switch (Kind) {
    case aiTXT:
    case aiCSV:
        return "1,a,10\n2,b,20\n";
    case aiHTML:
        return "<table><tr><td>1</td><td>a</td></tr></table>";
    case aiXML:
    case aiXMLDoc:
        return "<rows><row a=\"1\"/></rows>";
    default:
        return "not a file of its kind";
    }
}

} // namespace

class TestGuardedHandlers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TfmDurvel3Loading::MinimumDisplayTime = 0;
        XlsPage::MinimumLoadTime = 0;
    }

    void pageHandlersRaiseNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("source"); // what becomes of the source file
        for (int kind = 0; kind < ImportKindCount; ++kind)
            for (const char* source : {"missing", "unreadable"})
                QTest::addRow("%s, %s", ImportKind(kind).Extension, source) << kind << source;
    }
    void pageHandlersRaiseNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, source);
        WizardFixture fx;
        MessageLog log;
        const QString file =
            fx.file(QStringLiteral("src") + ImportKind(kind).Extension, content(kind));
        // Query and log files that cannot be read or written.
        const QString missing = fx.dir.filePath(QStringLiteral("none/q.sql"));
        const QString folder = fx.dir.filePath(QStringLiteral("folder.sql"));
        QVERIFY(QDir().mkpath(folder));
        int asked = 0;
        dialogs::setFileHandler([&](const dialogs::FileRequest& r) {
            return r.save || asked++ % 2 ? missing : folder;
        });
        auto w = fx.window();
        DialogCloser closer(w.get());
        w->SetImportType(kind);
        w->ui->edtFileName->setText(file);
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        if (auto* access = qobject_cast<AccessPage*>(w->Page(kind)))
            access->ui->rbtAccessSQL->click();
        QVERIFY(QFile::remove(file));
        if (source == QLatin1String("unreadable"))
            QVERIFY(QDir().mkpath(file));

        QStringList escaped;
        // Every step's page: the options, the Access map, the formats and the last page.
        for (int step = 1; step <= w->OptionSteps() + 2; ++step) {
            escaped << walkHandlers(w->ui->pgImport->currentWidget());
            if (step < w->OptionSteps() + 2) {
                try {
                    w->SetStep(step + 1);
                } catch (...) {
                    break; // the page refused: the step checks' own message
                }
            }
        }
        dialogs::setFileHandler({});
        QCOMPARE(escaped, QStringList());
    }

    // The loading window keeps its minimum time without holding the user-interface thread:
    // it is still up when the work is done, and goes by itself.
    void loadingWindowDoesNotBlock()
    {
        const int before = TfmDurvel3Loading::MinimumDisplayTime;
        TfmDurvel3Loading::MinimumDisplayTime = 200;
        QWidget owner;
        owner.show();
        QPointer<TfmDurvel3Loading> seen;
        {
            const auto loading = ShowLoading(&owner, QStringLiteral("/data/bank.xls"));
            seen = loading.get();
        }
        TfmDurvel3Loading::MinimumDisplayTime = before;
        QVERIFY(!seen.isNull());
        QVERIFY(seen->isVisible());
        QTRY_VERIFY(seen.isNull());
    }
};

QTEST_MAIN(TestGuardedHandlers)
#include "test_guarded_handlers.moc"

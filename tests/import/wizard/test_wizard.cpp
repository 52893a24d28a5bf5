#include "helper_wizard.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/engine/DurvelDbDataSet.h"
#include "import/wizard/DbGridDestination.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3ProgressDlg.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/LastPage.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/db/DataSet.h"
#include "platform/shell/Shell.h"
#include "tests/support/LeavingReader.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestDatabase.h"
#include "ui_CSVPage.h"
#include "ui_Durvel3WizardF.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <sys/stat.h>

namespace {

// A data set that is there but not open.
class ClosedDataSet : public DurvelDataSet
{
public:
    bool isActive() const override { return false; }
    int fieldCount() const override { return 0; }
    DurvelField* field(int) override { return nullptr; }
    DurvelField* findField(const QString&) override { return nullptr; }
    State state() const override { return State::Inactive; }
    void append() override {}
    void insert() override {}
    void edit() override {}
    void post() override {}
    void cancel() override {}
    void deleteRecord() override {}
    bool locate(const QStringList&, const QVariantList&, bool) override { return false; }
    void disableControls() override {}
    void enableControls() override {}
};

// Destinations that are objects of their own.
class ObjectListView : public QObject, public DurvelListView
{
public:
    int columnCount() const override { return 1; }
    QString columnCaption(int) const override { return QStringLiteral("Code"); }
    int itemCount() const override { return 0; }
    int addItem() override { return 0; }
    QString itemText(int, int) const override { return {}; }
    void setItemText(int, int, const QString&) override {}
    void deleteItem(int) override {}
};

class ObjectStringGrid : public QObject, public DurvelCellStore
{};

// The register, failing as a full disk would at the given row.
class FailingRegister : public DurvelDbDataSet
{
public:
    using DurvelDbDataSet::DurvelDbDataSet;
    int failAt = 0;
    int posted = 0;
    void post() override
    {
        if (++posted == failAt)
            throw std::runtime_error("The disk is full");
        DurvelDbDataSet::post();
    }
    bool endsImport(const std::exception& e) const override
    {
        return QByteArray(e.what()) == "The disk is full" || DurvelDbDataSet::endsImport(e);
    }
};

QStringList enabledKinds(TDurvel3WizardF* w)
{
    QStringList names;
    for (QRadioButton* rb : w->ui->grpImportTypes->findChildren<QRadioButton*>())
        if (rb->isEnabled())
            names << rb->objectName();
    names.sort();
    return names;
}

QString stepError(TDurvel3WizardF* w)
{
    try {
        w->SetStep(1);
    } catch (const EDurvelError& e) {
        return e.message();
    }
    return QString();
}

// What the progress dialog showed when the run reached its end, before OK was pressed.
struct Seen
{
    int state = -1;
    int processed = -1;
    int inserted = -1;
    int errors = -1;
    bool finished = false;
    int barMaximum = -1;
    QString percent;
};

// Presses the progress dialog's OK once it offers it, noting what it showed.
// The window shown on the CSV page with a.csv mapped by Auto fill.
std::unique_ptr<TDurvel3WizardF> csvMapped(WizardFixture& fx)
{
    auto w = fx.window();
    w->show();
    w->SetImportType(aiCSV);
    w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv")));
    w->ui->bNext->click();
    w->CSVPage->AutoFillClick();
    return w;
}

void pressOkWhenFinished(TDurvel3WizardF* w, Seen& seen, QTimer& timer)
{
    QObject::connect(&timer, &QTimer::timeout, w, [w, &seen] {
        TfmDurvel3ProgressDlg* d = w->ProgressDialog();
        if (!d || !d->IsFinished())
            return;
        seen = {d->State(), d->Processed(),  d->Inserted(),   d->Errors(),
                true,       d->BarMaximum(), d->PercentText()};
        d->findChild<QPushButton*>(QStringLiteral("bCancel"))->click();
    });
    timer.start(5);
}

QTreeWidgetItem* csvField(TDurvel3WizardF* w, int i)
{
    return w->CSVPage->ui->lvCSVFields->topLevelItem(i);
}

} // namespace

// Execute, with OK pressed on the progress dialog once it finishes: the messages shown on the
// way, and whether the last came after the run had finished (with progress shown).
struct RunMessages
{
    QStringList shown;
    bool finishedWhenShown = false;
};

RunMessages executeTakingMessages(TDurvel3WizardF* w, bool progress)
{
    RunMessages run;
    dialogs::setMessageHandler([&](const dialogs::Message& m) {
        run.shown << m.text;
        run.finishedWhenShown =
            !progress || (w->ProgressDialog() && w->ProgressDialog()->IsFinished());
        return dialogs::Button::Ok;
    });
    Seen seen;
    QTimer timer;
    pressOkWhenFinished(w, seen, timer);
    w->ui->bOk->click();
    dialogs::setMessageHandler({});
    return run;
}

class TestWizard : public QObject
{
    Q_OBJECT

private slots:
    void executeRefusesBadSettings_data()
    {
        QTest::addColumn<bool>("noKinds");
        QTest::addColumn<int>("destination");
        QTest::addColumn<QString>("message");
        QTest::newRow("no kinds") << true << int(didStringGrid)
                                  << "Property AllowedImports can not contain empty set";
        QTest::newRow("data set") << false << int(didDataSet) << "DataSet is not defined";
        QTest::newRow("data grid") << false << int(didDBGrid) << "DBGrid is not defined";
        QTest::newRow("list view") << false << int(didListView) << "ListView is not defined";
    }
    void executeRefusesBadSettings()
    {
        QFETCH(bool, noKinds);
        QFETCH(int, destination);
        QFETCH(QString, message);
        WizardFixture fx;
        if (noKinds)
            fx.wizard.AllowedImports = TAllowedImports();
        fx.wizard.ImportDestination = TDurvelDestination(destination);
        bool shown = false;
        connect(&fx.wizard, &TDurvel3Wizard::windowCreated, this, [&] { shown = true; });
        QString raised;
        try {
            fx.wizard.Execute();
        } catch (const EDurvelError& e) {
            raised = e.message();
        }
        QCOMPARE(raised, message);
        QVERIFY(!shown);
    }

    void removedDestinationIsForgotten()
    {
        WizardFixture fx;
        ClosedDataSet ds;
        fx.wizard.DataSet = &ds;
        fx.wizard.Notification(&fx.grid, TDurvel3Wizard::opInsert);
        QCOMPARE(fx.wizard.StringGrid.get(), &fx.grid);
        fx.wizard.Notification(&fx.grid, TDurvel3Wizard::opRemove);
        QCOMPARE(fx.wizard.StringGrid.get(), nullptr);
        QCOMPARE(fx.wizard.DataSet.get(), &ds);
    }

    // Destroying what stands for a destination (the data set, the grid, a destination that is
    // itself an object) clears that reference alone; a later run says it is not defined.
    void destroyedDestinationIsForgotten_data()
    {
        QTest::addColumn<int>("destination");
        QTest::addColumn<QString>("message");
        QTest::newRow("data set") << int(didDataSet) << "DataSet is not defined";
        QTest::newRow("data grid") << int(didDBGrid) << "DBGrid is not defined";
        QTest::newRow("list view") << int(didListView) << "ListView is not defined";
        QTest::newRow("string grid") << int(didStringGrid) << "StrinGrid is not defined";
    }
    void destroyedDestinationIsForgotten()
    {
        QFETCH(int, destination);
        QFETCH(QString, message);
        TestDatabase t;
        auto* ds = new db::DataSet(t.connection());
        DurvelDbDataSet dataSet(ds);
        auto* grid = new dataaware::DBGrid;
        DurvelDbGridDestination dbGrid(grid, &dataSet);
        auto* listView = new ObjectListView;
        auto* stringGrid = new ObjectStringGrid;
        std::unique_ptr<QObject> kept[] = {
            std::unique_ptr<QObject>(ds), std::unique_ptr<QObject>(grid),
            std::unique_ptr<QObject>(listView), std::unique_ptr<QObject>(stringGrid)};

        TDurvel3Wizard wizard;
        wizard.DataSet = &dataSet;
        wizard.DBGrid = &dbGrid;
        wizard.ListView = listView;
        wizard.StringGrid = stringGrid;
        wizard.ImportDestination = TDurvelDestination(destination);
        kept[destination].reset();

        QCOMPARE(wizard.DataSet.get() == nullptr, destination == didDataSet);
        QCOMPARE(wizard.DBGrid.get() == nullptr, destination == didDBGrid);
        QCOMPARE(wizard.ListView.get() == nullptr, destination == didListView);
        QCOMPARE(wizard.StringGrid.get() == nullptr, destination == didStringGrid);
        QString raised;
        try {
            wizard.Execute();
        } catch (const EDurvelError& e) {
            raised = e.message();
        }
        QCOMPARE(raised, message);
    }

    // Only the destination now assigned is watched: one replaced may go without a word.
    void replacedDestinationIsNoLongerWatched()
    {
        TDurvel3Wizard wizard;
        auto first = std::make_unique<ObjectStringGrid>();
        ObjectStringGrid second;
        wizard.StringGrid = first.get();
        wizard.StringGrid = &second;
        first.reset();
        QCOMPARE(wizard.StringGrid.get(), &second);
        // A destination standing for an object it does not name.
        auto owner = std::make_unique<QObject>();
        DurvelCellStore cells(1, 1);
        wizard.StringGrid.Set(&cells, owner.get());
        owner.reset();
        QCOMPARE(wizard.StringGrid.get(), nullptr);
    }

    void keyColumnsAreCopied()
    {
        WizardFixture fx;
        TWideStringList keys;
        keys.Add(QStringLiteral("Code"));
        fx.wizard.SetKeyColumns(keys);
        keys.Add(QStringLiteral("Name"));
        QCOMPARE(fx.wizard.KeyColumns().ToStringList(), QStringList{"Code"});
    }

    void firstPageOffersBuiltKinds_data()
    {
        QTest::addColumn<QList<int>>("allowed");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QStringList>("enabled");
        QTest::newRow("all") << QList<int>() << "rbtXLS"
                             << QStringList{"rbtAccess", "rbtCSV", "rbtDBF",    "rbtDocx",
                                            "rbtHTML",   "rbtODS", "rbtODT",    "rbtTXT",
                                            "rbtXLS",    "rbtXML", "rbtXMLDoc", "rbtXlsx"};
        QTest::newRow("csv and txt")
            << QList<int>{aiCSV, aiTXT} << "rbtTXT" << QStringList{"rbtCSV", "rbtTXT"};
        QTest::newRow("dbf before csv")
            << QList<int>{aiDBF, aiCSV} << "rbtDBF" << QStringList{"rbtCSV", "rbtDBF"};
    }
    void firstPageOffersBuiltKinds()
    {
        QFETCH(QList<int>, allowed);
        QFETCH(QString, checked);
        QFETCH(QStringList, enabled);
        WizardFixture fx;
        if (!allowed.isEmpty()) {
            fx.wizard.AllowedImports = TAllowedImports();
            for (int k : allowed)
                fx.wizard.AllowedImports << TAllowedImport(k);
        }
        auto w = fx.window();
        QCOMPARE(enabledKinds(w.get()), enabled);
        QVERIFY(w->findChild<QRadioButton*>(checked)->isChecked());
        QCOMPARE(QLatin1String(ImportKind(w->ImportType()).RadioButton), checked);
    }

    void kindOutsideAllowedIsRefused()
    {
        WizardFixture fx;
        fx.wizard.AllowedImports = TAllowedImports() << aiTXT;
        auto w = fx.window();
        QVERIFY_THROWS_EXCEPTION(EDurvelError, w->SetImportType(aiCSV));
        QCOMPARE(w->ImportType(), int(aiTXT));
    }

    void extensionRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("autoChange");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("txt to csv") << "/d/data.txt" << true << int(aiCSV) << "/d/data.csv";
        QTest::newRow("fitting upper case stays")
            << "/d/DATA.CSV" << true << int(aiCSV) << "/d/DATA.CSV";
        QTest::newRow("option off") << "/d/data.txt" << false << int(aiCSV) << "/d/data.txt";
        QTest::newRow("no extension") << "/d/data" << true << int(aiCSV) << "/d/data.csv";
        QTest::newRow("dot in a folder")
            << "/d/v1.2/data" << true << int(aiCSV) << "/d/v1.2/data.csv";
        QTest::newRow("csv to txt") << "/d/a.b.csv" << true << int(aiTXT) << "/d/a.b.txt";
    }
    void extensionRule()
    {
        QFETCH(QString, name);
        QFETCH(bool, autoChange);
        QFETCH(int, kind);
        QFETCH(QString, expected);
        WizardFixture fx;
        fx.wizard.AutoChangeExtension = autoChange;
        fx.wizard.AllowedImports = TAllowedImports() << aiTXT << aiCSV;
        auto w = fx.window();
        w->SetImportType(kind == aiCSV ? aiTXT : aiCSV);
        w->ui->edtFileName->setText(name);
        w->SetImportType(kind);
        QCOMPARE(w->FileName(), expected);
        QCOMPARE(w->ui->edtFileName->text(), expected);
    }

    // Browse lists every file the kind reads, and all files.
    void browseListsTheKindsFiles_data()
    {
        QTest::addColumn<int>("kind");
        for (int kind = 0; kind < ImportKindCount; ++kind)
            QTest::addRow("%s", ImportKind(kind).RadioButton + 3) << kind;
    }
    void browseListsTheKindsFiles()
    {
        QFETCH(int, kind);
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(kind);
        QString filter;
        dialogs::setFileHandler([&](const dialogs::FileRequest& r) {
            filter = r.filter;
            return QString();
        });
        w->ui->spbBrowse->click();
        dialogs::setFileHandler({});
        QStringList patterns;
        for (const char* ext : {ImportKind(kind).Extension, ImportKind(kind).Also})
            if (ext)
                patterns << u'*' + QLatin1String(ext);
        const QStringList entries = filter.split(QStringLiteral(";;"));
        QCOMPARE(entries.size(), 2);
        for (const QString& p : patterns)
            QVERIFY2(entries.first().contains(p), qPrintable(filter));
        QVERIFY2(entries.last().endsWith(QLatin1String("(*)")), qPrintable(filter));
    }

    // The checks run in order: the first that fails speaks.
    void stepOneChecks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("create");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file before its type")
            << "gone.pdf" << false << int(aiCSV) << true << "File %1 does not exist";
        QTest::newRow("unknown type before the destination")
            << "a.pdf" << true << int(aiCSV) << true << "Wrong file type, must be \".csv\"";
        QTest::newRow("known type of another kind")
            << "a.db" << true << int(aiCSV) << false << "Wrong file type, must be \".csv\"";
        QTest::newRow("closed destination")
            << "a.CSV" << true << int(aiCSV) << true
            << "Cannot perform this operation on a closed Import Destination";
        QTest::newRow("upper-case extension passes")
            << "a.CSV" << true << int(aiCSV) << false << "";
        QTest::newRow("txt passes") << "a.txt" << true << int(aiTXT) << false << "";
        QTest::newRow("accdb is an Access file")
            << "a.ACCDB" << true << int(aiAccess) << true
            << "Cannot perform this operation on a closed Import Destination";
        QTest::newRow("accdb is no other kind")
            << "a.accdb" << true << int(aiCSV) << false << "Wrong file type, must be \".csv\"";
    }
    void stepOneChecks()
    {
        QFETCH(QString, file);
        QFETCH(bool, create);
        QFETCH(int, kind);
        QFETCH(bool, closed);
        QFETCH(QString, message);
        WizardFixture fx;
        ClosedDataSet ds;
        if (closed) {
            fx.wizard.ImportDestination = didDataSet;
            fx.wizard.DataSet = &ds;
        }
        fx.wizard.AutoChangeExtension = false;
        auto w = fx.window();
        w->SetImportType(kind);
        const QString path = create ? fx.file(file) : fx.dir.filePath(file);
        w->ui->edtFileName->setText(path);
        QCOMPARE(stepError(w.get()), message.contains(u'%') ? message.arg(path) : message);
        QCOMPARE(w->Step(), message.isEmpty() ? 1 : 0);
    }

    void goingBackToTheOptionsRepeatsTheChecks()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiCSV);
        const QString path = fx.file(QStringLiteral("a.csv"));
        w->ui->edtFileName->setText(path);
        w->SetStep(1);
        w->SetStep(2);
        QFile::remove(path);
        MessageLog log;
        w->ui->bBack->click();
        QCOMPARE(w->Step(), 2);
        QCOMPARE(log.texts(), QStringList{QStringLiteral("File %1 does not exist").arg(path)});
    }

    void buttonsFollowTheStep()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiCSV);
        auto state = [&] {
            return QList<bool>{w->ui->bBack->isEnabled(), w->ui->bNext->isEnabled(),
                               w->ui->bOk->isEnabled()};
        };
        QCOMPARE(state(), (QList<bool>{false, false, false}));
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv")));
        QCOMPARE(state(), (QList<bool>{false, true, false}));
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        QCOMPARE(state(), (QList<bool>{true, false, false}));
        w->CSVPage->ColumnClicked(1);
        QCOMPARE(state(), (QList<bool>{true, true, true}));
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 2);
        QCOMPARE(state(), (QList<bool>{true, true, true}));
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 3);
        QCOMPARE(state(), (QList<bool>{true, false, true}));
        QCOMPARE(w->ui->pgImport->currentWidget(), w->CommitPage);
        w->ui->bBack->click();
        w->ui->bBack->click();
        // Unmapping the only field makes the page incomplete again.
        w->CSVPage->ColumnClicked(1);
        QCOMPARE(state(), (QList<bool>{true, false, false}));
    }

    void csvNeedsADelimiter()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv")));
        QVERIFY(w->ui->bNext->isEnabled());
        w->ui->cbComma->setCurrentText(QStringLiteral("TAB"));
        w->cbCommaExit();
        QCOMPARE(w->Comma(), QChar(u'\t'));
        w->SetComma(QChar());
        QVERIFY(!w->ui->bNext->isEnabled());
    }

    void closeQuestion_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("asked");
        QTest::newRow("yes") << true << int(dialogs::Button::Yes) << true << 1;
        QTest::newRow("no") << true << int(dialogs::Button::No) << false << 1;
        QTest::newRow("not asked") << false << int(dialogs::Button::No) << true << 0;
    }
    void closeQuestion()
    {
        QFETCH(bool, confirm);
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(int, asked);
        WizardFixture fx;
        fx.wizard.ConfirmOnCancel = confirm;
        auto w = fx.window();
        w->show();
        MessageLog log{dialogs::Button(answer)};
        w->ui->bCancel->click();
        QCOMPARE(w->isVisible(), !closes);
        QCOMPARE(log.messages.size(), asked);
        if (asked) {
            QCOMPARE(log.messages[0].title, QStringLiteral("Question"));
            QCOMPARE(log.messages[0].text, QStringLiteral("Do you want to quit?"));
            QCOMPARE(log.messages[0].defaultButton, dialogs::Button::No);
        }
        // The close box and Escape ask the same.
        if (!closes) {
            w->close();
            QVERIFY(w->isVisible());
            QCOMPARE(log.messages.size(), 2);
        }
    }

    void fileNamesDifferingInCaseAreTwoFiles()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->ui->edtFileName->setText(QStringLiteral("/d/a.txt"));
        w->NeedReload = false;
        w->ui->edtFileName->setText(QStringLiteral("  /d/a.txt "));
        QVERIFY(!w->NeedReload);
        w->ui->edtFileName->setText(QStringLiteral("/d/A.txt"));
        QVERIFY(w->NeedReload);
        QCOMPARE(w->FileName(), QStringLiteral("/d/A.txt"));
    }

    void captionNamesTheFile()
    {
        WizardFixture fx;
        auto w = fx.window();
        QCOMPARE(w->windowTitle(), QStringLiteral("Import data wizard"));
        w->ui->edtFileName->setText(QStringLiteral("/d/پرسنل.txt"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Import data wizard - Import from پرسنل.txt"));
    }

    void errorLogFileName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("inProgramFolder");
        // Resolved within the program's folder: opened without following links.
        QTest::addColumn<bool>("resolvedInside");
        QTest::newRow("bare name") << "log.txt" << true << true;
        QTest::newRow("missing folder keeps the name only")
            << "/nowhere/deep/log.txt" << true << false;
        QTest::newRow("missing relative folder") << "sub/zz/log.txt" << true << true;
        QTest::newRow("existing folder") << "<tmp>/log.txt" << false << false;
    }
    void errorLogFileName()
    {
        QFETCH(QString, typed);
        QFETCH(bool, inProgramFolder);
        QFETCH(bool, resolvedInside);
        QTemporaryDir tmp;
        typed.replace(QLatin1String("<tmp>"), tmp.path());
        bool inside = !resolvedInside;
        const QString resolved = TDurvel3WizardF::ResolveErrorLogFileName(typed, &inside);
        QCOMPARE(inside, resolvedInside);
        QVERIFY(QFileInfo(resolved).isAbsolute());
        if (inProgramFolder)
            QCOMPARE(resolved, QDir(QCoreApplication::applicationDirPath()).filePath("log.txt"));
        else
            QCOMPARE(resolved, typed);
    }

    void helpOpensTheHelpFileOnlyWhenThere()
    {
        WizardFixture fx;
        QStringList opened;
        Shell::setOpenHook([&](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        });
        const QString help =
            QDir(QCoreApplication::applicationDirPath()).filePath("DurvelWizard.hlp");
        QFile::remove(help);
        auto w = fx.window();
        w->ui->bHelp->click();
        QVERIFY(opened.isEmpty());
        QFile f(help);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        // The button is offered by a window opened while the file is there.
        w = fx.window();
        w->ui->bHelp->click();
        QFile::remove(help);
        Shell::setOpenHook({});
        QCOMPARE(opened, QStringList{help});
    }

    void helpButtonFollowsTheComponent()
    {
        WizardFixture fx;
        fx.wizard.ShowHelpButton = false;
        auto w = fx.window();
        QVERIFY(!w->ui->bHelp->isEnabled());
        QVERIFY(w->ui->bHelp->isHidden());
    }

    // Help is offered only when it can show something.
    void helpOnlyWithTheHelpFile_data()
    {
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("file");
        QTest::addColumn<bool>("shown");
        QTest::newRow("no file") << true << false << false;
        QTest::newRow("file") << true << true << true;
        QTest::newRow("file, not asked for") << false << true << false;
    }
    void helpOnlyWithTheHelpFile()
    {
        QFETCH(bool, asked);
        QFETCH(bool, file);
        QFETCH(bool, shown);
        QFile help(TDurvel3WizardF::HelpFileName());
        QVERIFY(!help.exists());
        if (file)
            QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();
        WizardFixture fx;
        fx.wizard.ShowHelpButton = asked;
        auto w = fx.window();
        w->show();
        if (file)
            QVERIFY(help.remove());
        QCOMPARE(w->ui->bHelp->isVisible(), shown);
        QCOMPARE(w->ui->bHelp->isEnabled(), shown);
    }

    void mapHasLinesForUsableColumnsOnly()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiCSV);
        csvField(w.get(), 0)->setText(1, QStringLiteral("2"));
        csvField(w.get(), 1)->setText(1, QStringLiteral("0"));
        csvField(w.get(), 2)->setText(1, QStringLiteral("x"));
        TDurvel3ASCII reader;
        reader.Map().Add(QStringLiteral("Old=9"));
        w->BuildImportMap(&reader);
        QCOMPARE(reader.Map().ToStringList(), QStringList{"Code=2"});
    }

    void runWithoutProgressRaisesTheEvents()
    {
        WizardFixture fx;
        fx.wizard.ShowProgress = false;
        QStringList events;
        fx.wizard.OnBeforeImport = [&](QObject* s) {
            events << (s == &fx.wizard ? "before" : "before?");
        };
        fx.wizard.OnImportRecord = [&](QObject*) { events << "record"; };
        fx.wizard.OnAfterImport = [&](QObject* s) {
            events << (s == &fx.wizard ? "after" : "after?");
        };
        auto w = fx.window();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv")));
        w->ui->bNext->click();
        w->CSVPage->AutoFillClick();
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(events, (QStringList{"before", "record", "record", "after"}));
        QCOMPARE(fx.grid.row(1), (QStringList{"1", "a", "10"}));
        QCOMPARE(fx.grid.row(2), (QStringList{"2", "b", "20"}));
        QVERIFY(!w->Running());
        QVERIFY(w->ui->bOk->isEnabled());
    }

    // While the reader runs nothing of the wizard can start another run, change the step or
    // the kind, or close the window.
    void runningImportCannotBeReentered()
    {
        WizardFixture fx;
        fx.wizard.ShowProgress = false;
        fx.wizard.ConfirmOnCancel = false;
        auto w = csvMapped(fx);
        int records = 0;
        fx.wizard.OnImportRecord = [&](QObject*) {
            ++records;
            QVERIFY(w->Running());
            w->bOkClick();
            w->bNextClick();
            w->bBackClick();
            w->findChild<QRadioButton*>("rbtTXT")->click();
            w->close();
            w->reject();
        };
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(records, 2);
        QCOMPARE(fx.grid.rowCount(), 3);
        QVERIFY(w->isVisible());
        QCOMPARE(w->Step(), 1);
        QCOMPARE(w->ImportType(), int(aiCSV));
    }

    void progressCountsAndWaitsForOk()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->show();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv"), "1,a,1\n2,b,2\n3,c,3\n"));
        w->ui->bNext->click();
        w->CSVPage->AutoFillClick();
        Seen seen;
        QTimer timer;
        pressOkWhenFinished(w.get(), seen, timer);
        MessageLog log;
        w->ui->bOk->click();
        QVERIFY(seen.finished);
        QCOMPARE(seen.state, int(TfmDurvel3ProgressDlg::psFinished));
        QCOMPARE(seen.processed, 3);
        QCOMPARE(seen.inserted, 3);
        QCOMPARE(seen.errors, 0);
        // A text file has no row count: the bar follows the bytes read.
        QCOMPARE(seen.barMaximum, 10000);
        QCOMPARE(seen.percent, QStringLiteral("100%"));
        QCOMPARE(w->ProgressDialog(), nullptr);
        QCOMPARE(log.texts(), QStringList());
    }

    void cancelQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("rows");
        QTest::newRow("yes stops")
            << int(dialogs::Button::Yes) << int(TfmDurvel3ProgressDlg::psAborted) << 1;
        QTest::newRow("no goes on")
            << int(dialogs::Button::No) << int(TfmDurvel3ProgressDlg::psFinished) << 3;
    }
    void cancelQuestion()
    {
        QFETCH(int, answer);
        QFETCH(int, state);
        QFETCH(int, rows);
        WizardFixture fx;
        auto w = fx.window();
        w->show();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv"), "1,a,1\n2,b,2\n3,c,3\n"));
        w->ui->bNext->click();
        w->CSVPage->AutoFillClick();
        int records = 0;
        int pausedWhenAsked = -1;
        bool handlerContinue = false;
        fx.wizard.OnImportRecord = [&](QObject*) {
            if (++records == 1)
                w->ProgressDialog()->findChild<QPushButton*>(QStringLiteral("bCancel"))->click();
        };
        fx.wizard.OnImportCancel = [&](QObject*, bool& Continue) { handlerContinue = Continue; };
        QList<dialogs::Message> asked;
        dialogs::setMessageHandler([&](const dialogs::Message& m) {
            asked << m;
            QCoreApplication::sendPostedEvents(w->ProgressDialog());
            pausedWhenAsked = w->ProgressDialog()->State();
            return dialogs::Button(answer);
        });
        Seen seen;
        QTimer timer;
        pressOkWhenFinished(w.get(), seen, timer);
        w->ui->bOk->click();
        dialogs::setMessageHandler({});
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].title, QStringLiteral("Are you sure..."));
        QCOMPARE(asked[0].text, QStringLiteral("Are you sure you want to abort import?"));
        QCOMPARE(asked[0].defaultButton, dialogs::Button::No);
        QCOMPARE(pausedWhenAsked, int(TfmDurvel3ProgressDlg::psPaused));
        QCOMPARE(handlerContinue, answer == int(dialogs::Button::No));
        QVERIFY(seen.finished);
        QCOMPARE(seen.state, state);
        QCOMPARE(fx.grid.rowCount() - 1, rows);
    }

    // A run that fails leaves the dialog up, aborted and waiting for OK, and says why.
    void failedRunWithProgress()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->show();
        w->SetImportType(aiCSV);
        const QString path = fx.file(QStringLiteral("a.csv"));
        w->ui->edtFileName->setText(path);
        w->ui->bNext->click();
        w->CSVPage->AutoFillClick();
        QFile::remove(path);
        QStringList shown;
        int stateWhenShown = -1;
        dialogs::setMessageHandler([&](const dialogs::Message& m) {
            shown << m.text;
            if (TfmDurvel3ProgressDlg* d = w->ProgressDialog()) {
                QCoreApplication::sendPostedEvents(d);
                stateWhenShown = d->State();
            }
            return dialogs::Button::Ok;
        });
        Seen seen;
        QTimer timer;
        pressOkWhenFinished(w.get(), seen, timer);
        w->ui->bOk->click();
        dialogs::setMessageHandler({});
        QCOMPARE(shown, QStringList{QStringLiteral("File %1 does not exist").arg(path)});
        QCOMPARE(stateWhenShown, int(TfmDurvel3ProgressDlg::psAborted));
        QVERIFY(seen.finished);
        QCOMPARE(seen.state, int(TfmDurvel3ProgressDlg::psAborted));
        QCOMPARE(w->ProgressDialog(), nullptr);
        QVERIFY(!w->Running());
    }

    // A destination that fails in the middle of the import: the dialog stays up with the
    // failure, and its counts are the rows the database kept, as the import reports them.
    void failureMidImportShowsTheKeptRows_data()
    {
        QTest::addColumn<int>("commitEvery");
        QTest::addColumn<int>("kept");
        QTest::newRow("two batches committed") << 2 << 2;
        QTest::newRow("nothing committed yet") << 1000 << 0;
    }
    void failureMidImportShowsTheKeptRows()
    {
        QFETCH(int, commitEvery);
        QFETCH(int, kept);
        QTemporaryDir dir;
        TestDatabase t;
        db::DataSet ds(t.connection());
        ds.setSql(QStringLiteral("select * from tbl_customer"));
        ds.open();
        FailingRegister dest(&ds);
        dest.failAt = 4;
        TDurvel3Wizard wizard;
        wizard.ImportDestination = didDataSet;
        wizard.DataSet = &dest;
        wizard.ConfirmOnCancel = false;
        wizard.CommitRecCount = commitEvery;
        auto w = std::make_unique<TDurvel3WizardF>(&wizard);
        w->show();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(
            WriteTestFile(dir.filePath(QStringLiteral("p.csv")), "P1,a\nP2,b\nP3,c\nP4,d\nP5,e\n"));
        w->ui->bNext->click();
        for (int i = 0; i < w->CSVPage->ui->lvCSVFields->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = w->CSVPage->ui->lvCSVFields->topLevelItem(i);
            if (item->text(0) == QLatin1String("Pers_number"))
                item->setText(1, QStringLiteral("1"));
            if (item->text(0) == QLatin1String("First_Name"))
                item->setText(1, QStringLiteral("2"));
        }
        w->TuneButtons();
        QStringList shown;
        bool dialogUpWhenShown = false;
        dialogs::setMessageHandler([&](const dialogs::Message& m) {
            shown << m.text;
            dialogUpWhenShown = w->ProgressDialog() && w->ProgressDialog()->isVisible();
            return dialogs::Button::Ok;
        });
        int committed = -1;
        Seen seen;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, w.get(), [&] {
            if (TfmDurvel3ProgressDlg* d = w->ProgressDialog(); d && d->IsFinished())
                committed = d->Committed();
        });
        pressOkWhenFinished(w.get(), seen, timer);
        w->ui->bOk->click();
        dialogs::setMessageHandler({});
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QLatin1String("disk is full")), qPrintable(shown[0]));
        QVERIFY(dialogUpWhenShown);
        QVERIFY(seen.finished);
        QCOMPARE(seen.state, int(TfmDurvel3ProgressDlg::psAborted));
        QCOMPARE(seen.inserted, kept);
        QCOMPARE(committed, kept);
        db::Statement st =
            t.connection()->prepare(QStringLiteral("select count(*) from tbl_customer"));
        QVERIFY(st.step());
        QCOMPARE(st.value(0).toInt(), kept);
        QCOMPARE(w->ProgressDialog(), nullptr);
    }

    // "Show error log after import" with no program for text files on the desktop tells the
    // clerk where the log is.
    void errorLogThatCannotBeShownIsTold_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("progress");
        QTest::newRow("no program, with progress") << false << true;
        QTest::newRow("no program, no progress") << false << false;
        QTest::newRow("opened") << true << true;
    }
    void errorLogThatCannotBeShownIsTold()
    {
        QFETCH(bool, opens);
        QFETCH(bool, progress);
        WizardFixture fx;
        fx.wizard.ShowProgress = progress;
        fx.wizard.ErrorLog = true;
        fx.wizard.ShowErrorLog = true;
        fx.wizard.ErrorLogFileName = fx.dir.filePath(QStringLiteral("run.log"));
        QStringList opened;
        Shell::setOpenHook([&](const QUrl& url) {
            opened << url.toLocalFile();
            return opens;
        });
        auto w = csvMapped(fx);
        const RunMessages run = executeTakingMessages(w.get(), progress);
        const QStringList& shown = run.shown;
        const bool finishedWhenShown = run.finishedWhenShown;
        Shell::setOpenHook({});
        const QString log =
            QFileInfo(fx.dir.filePath(QStringLiteral("run.log"))).absoluteFilePath();
        QCOMPARE(opened, QStringList{log});
        QCOMPARE(shown.size(), opens ? 0 : 1);
        if (!opens) {
            QVERIFY2(shown[0].contains(QDir::toNativeSeparators(log)), qPrintable(shown[0]));
            QVERIFY(finishedWhenShown);
        }
        QCOMPARE(fx.grid.rowCount(), 3);
    }

    // A log name that leads outside the program's folder is refused only when a log is to be
    // written: without the log the import runs.
    void logNameIsLookedAtOnlyWithTheLog_data()
    {
        QTest::addColumn<bool>("logOn");
        QTest::newRow("log off") << false;
        QTest::newRow("log on") << true;
    }
    void logNameIsLookedAtOnlyWithTheLog()
    {
        QFETCH(bool, logOn);
        WizardFixture fx;
        fx.wizard.ShowProgress = false;
        fx.wizard.ErrorLog = logOn;
        fx.wizard.ErrorLogFileName = QStringLiteral("../durvel-outside.log");
        auto w = csvMapped(fx);
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(fx.grid.rowCount(), logOn ? 1 : 3);
        QCOMPARE(log.texts().size(), logOn ? 1 : 0);
        if (logOn)
            QVERIFY2(log.texts().at(0).contains(QStringLiteral("leads outside")),
                     qPrintable(log.texts().at(0)));
        QVERIFY(!QFileInfo::exists(
            QDir(QCoreApplication::applicationDirPath()).filePath("../durvel-outside.log")));
    }

    // The program reading the log from a pipe leaves before the run's last lines: the rows are
    // imported, and at the end the clerk is told the log is incomplete and why.
    void incompleteLogIsTold_data()
    {
        QTest::addColumn<bool>("progress");
        QTest::newRow("with progress") << true;
        QTest::newRow("no progress") << false;
    }
    void incompleteLogIsTold()
    {
        QFETCH(bool, progress);
        WizardFixture fx;
        const QString fifo = fx.dir.filePath(QStringLiteral("run.log"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        LeavingReader reader(fifo, LeavingReader::WhenTold);
        fx.wizard.ShowProgress = progress;
        fx.wizard.ErrorLog = true;
        fx.wizard.ErrorLogFileName = fifo;
        fx.wizard.OnAfterImport = [&](QObject*) { reader.leave(); };
        auto w = csvMapped(fx);
        const RunMessages run = executeTakingMessages(w.get(), progress);
        const QStringList& shown = run.shown;
        const bool finishedWhenShown = run.finishedWhenShown;
        QVERIFY(reader.finish().startsWith("\xEF\xBB\xBF"));
        QCOMPARE(fx.grid.rowCount(), 3);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(fifo) && shown[0].contains(QStringLiteral("incomplete")),
                 qPrintable(shown[0]));
        QVERIFY(finishedWhenShown);
    }

    void failedRunIsShownAndTheWizardStays()
    {
        WizardFixture fx;
        fx.wizard.ShowProgress = false;
        auto w = fx.window();
        w->show();
        w->SetImportType(aiCSV);
        const QString path = fx.file(QStringLiteral("a.csv"));
        w->ui->edtFileName->setText(path);
        w->ui->bNext->click();
        w->CSVPage->AutoFillClick();
        QFile::remove(path);
        MessageLog log;
        w->ui->bOk->click();
        QCOMPARE(log.texts(), QStringList{QStringLiteral("File %1 does not exist").arg(path)});
        QVERIFY(w->isVisible());
        QVERIFY(!w->Running());
        QVERIFY(w->ui->bOk->isEnabled());
        QVERIFY(w->ui->pgImport->isEnabled());
    }
};

QTEST_MAIN(TestWizard)
#include "test_wizard.moc"

#include "helper_office.h"
#include "helper_sources.h"
#include "helper_wizard.h"

#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/LastPage.h"
#include "import/wizard/pages/TXTPage.h"
#include "platform/ini/IniFile.h"
#include "tests/support/MessageLog.h"
#include "ui_CSVPage.h"
#include "ui_Durvel3WizardF.h"
#include "ui_TXTPage.h"

#include <QTreeWidget>
#include <QScopeGuard>
#include <QtTest>

namespace {

QString loadError(TDurvel3WizardF* w, const QString& name)
{
    try {
        w->LoadTemplate(name);
    } catch (const EDurvelError& e) {
        return e.message();
    }
    return QString();
}

QStringList columns(QTreeWidget* list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

QString templateFile(WizardFixture& fx, const QByteArray& text)
{
    return fx.file(QStringLiteral("t.imp"), text);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A source of the kind whose sheets or tables the options below name; false when it cannot be
// made here.
bool writeRoundTripSource(int kind, const QString& path)
{
    const Rows rows{{"P7", "Ali", "x", "0101", "100"}, {"P8", "Reza", "y", "0202", "200"}};
    switch (kind) {
    case aiHTML: {
        QByteArray page = "<html><body>";
        for (int t = 1; t <= 3; ++t)
            page += "<table><tr><td>" + QByteArray::number(t) + "</td><td>P7</td></tr></table>";
        writeBytes(path, page + "</body></html>");
        return true;
    }
    case aiDOCX:
        return WriteOffice(QStringLiteral("docx"), path, {{"A", rows}, {"B", rows}});
    case aiAccess:
        return !accessSample().isEmpty() && QFile::copy(accessSample(), path);
    default:
        return writeKind(kind, path, rows);
    }
}

// Options off their defaults, and one map line, for each kind.
QByteArray roundTripSections(int kind)
{
    switch (kind) {
    case aiXLS:
        return "[XLS_MAP]\nCode=[Staff]B1-B2;\n[XLS_OPTIONS]\nSkipCols=1\nSkipRows=1\n";
    case aiTXT:
        return "[TXT_MAP]\nCode=0;2\n[ASCII_OPTIONS]\nSkipLines=1\nEncoding=5\n";
    case aiCSV:
        return "[CSV_MAP]\nCode=2\n[CSV_OPTIONS]\nSkipLines=1\nDelimiter=,\nQuote='\n";
    case aiDBF:
        return "[DBF_OPTIONS]\nSkipDeleted=0\n[DBF_MAP]\nCode=B\n";
    case aiXML:
        return "[XML_OPTIONS]\nWriteOnFly=1\n[XML_MAP]\nCode=F1\n";
    case aiAccess:
        return "[ACCESS_OPTIONS]\nSourceType=1\n[ACCESS_SQL]\nLine_0=select * from "
               "Customers\n[ACCESS_MAP]\nCode=CustomerID\n";
    case aiHTML:
        return "[HTML_MAP]\nCode=2\n[HTML_OPTIONS]\nSkipLines=1\nTableNumber=3\n";
    case aiXMLDoc:
        return "";
    case aiXLSX:
        return "[XLSX_MAP]\nCode=B\n[XLSX_OPTIONS]\nSkipLines=1\nSheetName=Staff\n"
               "NeedFillMerge=1\nLoadHiddenSheet=1\n";
    case aiDOCX:
        return "[DOCX_MAP]\nCode=2\n[DOCX_OPTIONS]\nSkipLines=1\nTableNumber=2\n";
    case aiODS:
        return "[ODS_MAP]\nCode=B\n[ODS_OPTIONS]\nSkipLines=1\nSheetName=Staff\n";
    case aiODT:
        return "[ODT_MAP]\nCode=B\n[ODT_OPTIONS]\nSkipLines=1\nSheetName=Staff\nUseHeader=1\n";
    }
    return "";
}

} // namespace

class TestTemplates : public QObject
{
    Q_OBJECT

private slots:
    // A delimited-text template with a choice off the default on every option of the page gives
    // a fresh wizard the same choices and the same rows.
    void csvRoundTripImportsTheSame()
    {
        const QByteArray data("skip me\tx\n1\t\"a;b\"\t10\n2\tc\t20\n");
        QStringList first;
        QString imp;
        {
            WizardFixture fx;
            fx.wizard.ShowProgress = false;
            auto w = fx.window();
            w->SetImportType(aiCSV);
            w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv"), data));
            w->SetComma(u'\t');
            w->SetQuote(u'"');
            w->ui->bNext->click();
            w->CSVPage->ui->edtCSVSkipLines->setText(QStringLiteral("1"));
            w->CSVPage->ui->lvCSVFields->setCurrentItem(
                w->CSVPage->ui->lvCSVFields->topLevelItem(2));
            w->CSVPage->ColumnClicked(0);
            w->CSVPage->ui->lvCSVFields->setCurrentItem(
                w->CSVPage->ui->lvCSVFields->topLevelItem(1));
            w->CSVPage->ColumnClicked(1);
            imp = QDir(QDir::tempPath())
                      .filePath(QStringLiteral("bankfile-roundtrip-%1.imp")
                                    .arg(QCoreApplication::applicationPid()));
            w->SaveTemplate(imp);
            w->ui->bOk->click();
            first = {fx.grid.row(1).join(u'|'), fx.grid.row(2).join(u'|')};
            QCOMPARE(first, (QStringList{"|a;b|1", "|c|2"}));
            const IniFile ini(imp);
            QCOMPARE(ini.readString("CSV_OPTIONS", "Delimiter"), QStringLiteral("#9"));
            // The data file goes with the first wizard's folder: copy it for the second.
            QFile::copy(w->FileName(), imp + QStringLiteral(".csv"));
            IniFile edit(imp);
            edit.writeString("FIRST_STEP", "FileName", imp + QStringLiteral(".csv"));
            edit.save();
        }
        WizardFixture fx;
        fx.wizard.ShowProgress = false;
        auto w = fx.window();
        MessageLog log;
        w->LoadTemplate(imp);
        QCOMPARE(log.texts(), QStringList());
        QCOMPARE(w->ImportType(), int(aiCSV));
        QCOMPARE(w->Comma(), QChar(u'\t'));
        QCOMPARE(w->ui->cbComma->currentText(), QStringLiteral("TAB"));
        QCOMPARE(w->CSVPage->CSVSkipLines(), 1);
        QCOMPARE(columns(w->CSVPage->ui->lvCSVFields, 1), (QStringList{"", "2", "1"}));
        QCOMPARE(fx.wizard.FileName, imp + QStringLiteral(".csv"));
        w->ui->bNext->click();
        w->ui->bOk->click();
        QCOMPARE((QStringList{fx.grid.row(1).join(u'|'), fx.grid.row(2).join(u'|')}), first);
        QFile::remove(imp);
        QFile::remove(imp + QStringLiteral(".csv"));
    }

    // Every kind's template comes back as it was saved, whether its page was read in between
    // or not: nothing is reset to a default or to what a page that was never shown holds.
    void everyKindRoundTrips_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("visit");
        for (int kind = 0; kind < ImportKindCount; ++kind)
            for (bool visit : {false, true})
                QTest::addRow("%s, %s", ImportKind(kind).Extension,
                              visit ? "page visited" : "page not shown")
                    << kind << visit;
    }
    void everyKindRoundTrips()
    {
        QFETCH(int, kind);
        QFETCH(bool, visit);
        WizardFixture fx;
        TfmDurvel3Loading::MinimumDisplayTime = 0;
        const QString source = fx.dir.filePath(QStringLiteral("src") + extensionOf(kind));
        if (!writeRoundTripSource(kind, source))
            QSKIP("The source of this kind cannot be made here");
        const QByteArray sections = roundTripSections(kind);
        const QString given =
            templateFile(fx, "[FIRST_STEP]\nImportType=" + QByteArray::number(kind) +
                                 "\nFileName=" + source.toUtf8() + "\n" + sections);
        const QString first = fx.dir.filePath(QStringLiteral("first.imp"));
        const QString second = fx.dir.filePath(QStringLiteral("second.imp"));
        MessageLog log;
        {
            auto w = fx.window();
            w->LoadTemplate(given);
            w->SaveTemplate(first);
        }
        // What the template gave is what was saved.
        const IniFile saved(first);
        const IniFile asGiven(given);
        for (const QString& section : asGiven.sections())
            for (const QString& key : asGiven.keys(section))
                QCOMPARE(section + u'/' + key + u'=' + saved.readString(section, key),
                         section + u'/' + key + u'=' + asGiven.readString(section, key));
        auto w = fx.window();
        w->LoadTemplate(first);
        if (visit) {
            w->ui->bNext->click();
            QCOMPARE(w->Step(), 1);
        }
        w->SaveTemplate(second);
        QCOMPARE(QString::fromUtf8(readAll(second)), QString::fromUtf8(readAll(first)));
    }

    void fixedWidthRoundTrip()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiTXT);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.txt"), "001Ali  \n002Reza \n"));
        w->ui->bNext->click();
        w->TXTPage->SetFieldPosSize(QStringLiteral("Code"), 0, 3);
        w->TXTPage->SetFieldPosSize(QStringLiteral("Name"), 3, 5);
        w->TXTPage->ui->edtTXTSkipLines->setText(QStringLiteral("2"));
        w->TXTPage->SetTXTEncoding(5);
        const QString imp = fx.dir.filePath(QStringLiteral("txt.imp"));
        w->SaveTemplate(imp);

        auto fresh = fx.window();
        fresh->LoadTemplate(imp);
        QCOMPARE(fresh->ImportType(), int(aiTXT));
        QCOMPARE(fresh->TXTPage->TXTSkipLines(), 2);
        QCOMPARE(fresh->TXTPage->TXTEncoding(), 5);
        QCOMPARE(fresh->TXTPage->MapLines(), w->TXTPage->MapLines());
    }

    // Every new reading of the source takes the loaded template's map, skip lines and encoding
    // again, whatever the clerk changed on the page meanwhile; without that template the
    // changes stay.
    void fixedWidthReloadReadsTheTemplateAgain_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("back");
        QTest::newRow("loaded by the button") << "load" << true;
        QTest::newRow("loaded as the window opens") << "auto" << true;
        QTest::newRow("template deleted meanwhile") << "delete" << false;
        QTest::newRow("a template refused since") << "refused" << true;
    }
    void fixedWidthReloadReadsTheTemplateAgain()
    {
        QFETCH(QString, how);
        QFETCH(bool, back);
        WizardFixture fx;
        const QString a = fx.file(QStringLiteral("a.txt"), "001Ali  \n002Reza \n");
        const QString b = fx.file(QStringLiteral("b.txt"), "003Taha \n");
        const QString imp =
            templateFile(fx, QStringLiteral("[FIRST_STEP]\nImportType=3\nFileName=%1\n"
                                            "[TXT_MAP]\nname=3;5\nCode=0;3\n"
                                            "[ASCII_OPTIONS]\nSkipLines=1\nEncoding=5\n")
                                 .arg(a)
                                 .toUtf8());
        fx.wizard.AutoLoadTemplate = how == "auto";
        fx.wizard.TemplateFileName = imp;
        auto w = fx.window();
        if (how != "auto")
            w->LoadTemplate(imp);
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        const QList<QPair<QString, QString>> stored{{"Code", "0;3"}, {"Name", "3;5"}};
        QCOMPARE(w->TXTPage->MapLines(), stored);

        w->TXTPage->SetFieldPosSize(QStringLiteral("Code"), 1, 2);
        w->TXTPage->SetFieldPosSize(QStringLiteral("Name"), -1, -1);
        w->TXTPage->ui->edtTXTSkipLines->setText(QStringLiteral("4"));
        w->TXTPage->SetTXTEncoding(7);
        const QList<QPair<QString, QString>> changed{{"Code", "1;2"}};
        if (how == "delete")
            QVERIFY(QFile::remove(imp));
        if (how == "refused") {
            const QString other = fx.file(QStringLiteral("other.imp"),
                                          "[FIRST_STEP]\nImportType=42\n[TXT_MAP]\nCode=5;5\n");
            QVERIFY(loadError(w.get(), other).contains("Unknown import source"));
        }
        w->ui->bBack->click();
        w->ui->edtFileName->setText(b);
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        QCOMPARE(w->TXTPage->MapLines(), back ? stored : changed);
        QCOMPARE(w->TXTPage->TXTSkipLines(), back ? 1 : 4);
        QCOMPARE(w->TXTPage->ui->edtTXTSkipLines->text(), back ? "1" : "4");
        QCOMPARE(w->TXTPage->TXTEncoding(), back ? 5 : 7);
        QCOMPARE(w->TXTPage->ui->cmbTXTEncoding->currentIndex(), back ? 5 : 7);
    }

    // The kind comes first and the extension rule stays off, so the template's own file name
    // is the one used.
    void fileNameKeptAsStored_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::newRow("upper-case extension") << int(aiCSV) << "DATA.CSV";
        QTest::newRow("other kind's extension") << int(aiTXT) << "data.csv";
        QTest::newRow("no extension") << int(aiCSV) << "data";
        QTest::newRow("blanks around") << int(aiTXT) << "  x.txt ";
    }
    void fileNameKeptAsStored()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        WizardFixture fx;
        fx.wizard.FileName = fx.dir.filePath(QStringLiteral("old.xls"));
        auto w = fx.window();
        const QString stored = fx.dir.filePath(name);
        const QString imp =
            templateFile(fx, QStringLiteral("[FIRST_STEP]\nImportType=%1\nFileName=%2\n")
                                 .arg(kind)
                                 .arg(stored)
                                 .toUtf8());
        w->LoadTemplate(imp);
        QCOMPARE(w->ImportType(), kind);
        QCOMPARE(w->FileName(), stored.trimmed());
        QCOMPARE(fx.wizard.FileName, stored.trimmed());
        // Choosing a kind by hand afterwards still applies the rule.
        w->SetImportType(kind == aiCSV ? aiTXT : aiCSV);
        QVERIFY(w->FileName().endsWith(kind == aiCSV ? ".txt" : ".csv"));
    }

    void badTemplatesRefused_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << QByteArray() << true << "does not exist";
        QTest::newRow("kind out of range")
            << QByteArray("[FIRST_STEP]\nImportType=42\n") << false << "Unknown import source";
        QTest::newRow("negative kind")
            << QByteArray("[FIRST_STEP]\nImportType=-1\n") << false << "Unknown import source";
        QTest::newRow("kind not allowed")
            << QByteArray("[FIRST_STEP]\nImportType=4\n") << false << "Unknown import source";
        QTest::newRow("no kind means XLS, not allowed")
            << QByteArray("[FIRST_STEP]\n") << false << "Unknown import source";
    }
    void badTemplatesRefused()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, missing);
        QFETCH(QString, message);
        WizardFixture fx;
        fx.wizard.AllowedImports = TAllowedImports() << aiTXT;
        auto w = fx.window();
        const QString imp =
            missing ? fx.dir.filePath(QStringLiteral("none.imp")) : templateFile(fx, text);
        QVERIFY(loadError(w.get(), imp).contains(message));
        QCOMPARE(w->ImportType(), int(aiTXT));
        QCOMPARE(w->Step(), 0);
    }

    // Values the page cannot take fall back to the defaults; keys naming no field are skipped.
    void oddValuesLoadWithDefaults()
    {
        WizardFixture fx;
        auto w = fx.window();
        const QString imp = templateFile(fx, "[FIRST_STEP]\nImportType=4\nFileName=x.csv\n"
                                             "[CSV_OPTIONS]\nSkipLines=abc\nDelimiter=\nQuote=#39\n"
                                             "[CSV_MAP]\nnobody=1\nNAME=2\nCode=0\nAmount=x\n"
                                             "[TXT_MAP]\nCode=1;2\n");
        w->LoadTemplate(imp);
        QCOMPARE(w->CSVPage->CSVSkipLines(), 0);
        QCOMPARE(w->Quote(), QChar(u'\''));
        QVERIFY(!w->Comma().isNull());
        QCOMPARE(columns(w->CSVPage->ui->lvCSVFields, 1), (QStringList{"", "2", ""}));
        QCOMPARE(w->TXTPage->MapLines(), (QList<QPair<QString, QString>>{}));

        const QString txt = templateFile(
            fx, "[FIRST_STEP]\nImportType=3\n[ASCII_OPTIONS]\nEncoding=999\nSkipLines=-4\n");
        w->TXTPage->SetTXTEncoding(7);
        w->LoadTemplate(txt);
        QCOMPARE(w->TXTPage->TXTEncoding(), 0);
        QCOMPARE(w->TXTPage->TXTSkipLines(), 0);
        QCOMPARE(w->FileName(), QString());
    }

    void savingLeavesOnlyTheTemplate()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv")));
        const QString imp = templateFile(fx, "[OTHER]\nx=1\n[TXT_MAP]\nCode=1;2\n");
        w->SaveTemplate(imp);
        const IniFile ini(imp);
        QVERIFY(!ini.sectionExists("OTHER"));
        QVERIFY(!ini.sectionExists("TXT_MAP"));
        QVERIFY(ini.sectionExists("CSV_OPTIONS"));
        QCOMPARE(ini.readString("FIRST_STEP", "FileName"), w->FileName());
        // An empty name saves nothing.
        w->SaveTemplate(QStringLiteral("  "));
    }

    // The jump goes to the last page only when the loaded map is complete.
    void goToLastPageNeedsACompleteMap_data()
    {
        QTest::addColumn<QByteArray>("map");
        QTest::addColumn<int>("step");
        QTest::newRow("complete") << QByteArray("[CSV_MAP]\nName=2\n") << 3;
        QTest::newRow("empty") << QByteArray("[CSV_MAP]\nName=0\n") << 0;
    }
    void goToLastPageNeedsACompleteMap()
    {
        QFETCH(QByteArray, map);
        QFETCH(int, step);
        WizardFixture fx;
        auto w = fx.window();
        const QString csv = fx.file(QStringLiteral("a.csv"));
        const QString imp = templateFile(
            fx,
            "[FIRST_STEP]\nImportType=4\nGoToLastPage=1\nFileName=" + csv.toUtf8() + "\n" + map);
        w->LoadTemplate(imp);
        QVERIFY(w->GoToLastPage());
        QCOMPARE(w->Step(), step);
        QCOMPARE(w->ui->bOk->isEnabled(), step == 3);
    }

    // The component's switches that are on are not turned off by a template.
    void switchesOnInTheComponentStayOn()
    {
        WizardFixture fx;
        fx.wizard.GoToLastPage = true;
        fx.wizard.AutoSaveTemplate = true;
        auto w = fx.window();
        const QString imp =
            templateFile(fx, "[FIRST_STEP]\nImportType=3\nGoToLastPage=0\nAutoSaveTemplate=0\n");
        w->LoadTemplate(imp);
        QVERIFY(w->GoToLastPage());
        QVERIFY(w->AutoSaveTemplate());
        QVERIFY(w->ui->chAutoSaveTemplate->isChecked());
    }

    // Opening loads the component's template (after telling the application), closing saves it.
    void automaticLoadAndSave()
    {
        WizardFixture fx;
        const QString csv = fx.file(QStringLiteral("a.csv"));
        const QString imp = templateFile(
            fx, "[FIRST_STEP]\nImportType=4\nAutoSaveTemplate=1\nFileName=" + csv.toUtf8() +
                    "\n[CSV_OPTIONS]\nSkipLines=3\n");
        fx.wizard.TemplateFileName = imp;
        fx.wizard.AutoLoadTemplate = true;
        QString told;
        fx.wizard.OnLoadTemplate = [&](QObject*, const QString& name) { told = name; };
        auto w = fx.window();
        QCOMPARE(told, imp);
        QCOMPARE(w->CSVPage->CSVSkipLines(), 3);
        QVERIFY(w->ui->laTemplateFileName->isVisible() || !w->isVisible());
        QVERIFY(!w->ui->laTemplateFileName->text().isEmpty());
        w->CSVPage->SetCSVSkipLines(5);
        w->reject();
        QCOMPARE(IniFile(imp).readCount("CSV_OPTIONS", "SkipLines", -1), 5);
    }

    // A template may come from anyone: a log name that is absolute or goes up is refused with a
    // message naming both, and its bare name in the program's folder is used. A name with a
    // folder part lies in the program's folder too, never in the folder the program was started
    // from; one that leads out of it through a link is refused and nothing is written.
    void templateLogNameStaysInTheProgramsFolder_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("used");
        QTest::addColumn<bool>("told");
        QTest::addColumn<QString>("written"); // within the program's folder; empty: refused
        QTest::newRow("absolute") << "<victim>"
                                  << "victim.txt" << true << "victim.txt";
        QTest::newRow("up and out") << "../../victim.txt"
                                    << "victim.txt" << true << "victim.txt";
        QTest::newRow("up inside a folder") << "logs/../victim.txt"
                                            << "victim.txt" << true << "victim.txt";
        QTest::newRow("Windows separators") << "..\\up\\victim.txt"
                                            << "victim.txt" << true << "victim.txt";
        QTest::newRow("drive letter") << "C:\\logs\\victim.txt"
                                      << "victim.txt" << true << "victim.txt";
        QTest::newRow("bare name") << "mine.log"
                                   << "mine.log" << false << "mine.log";
        // The started-from folder holds notes.txt and a folder logs; the program's has neither.
        QTest::newRow("dot folder") << "./notes.txt"
                                    << "./notes.txt" << false << "notes.txt";
        QTest::newRow("relative folder") << "logs/mine.log"
                                         << "logs/mine.log" << false << "mine.log";
        QTest::newRow("relative folder in the program's")
            << "plogs/mine.log"
            << "plogs/mine.log" << false << "plogs/mine.log";
        QTest::newRow("link out of the program's folder") << "plink/mine.log"
                                                           << "plink/mine.log" << false << "";
    }
    void templateLogNameStaysInTheProgramsFolder()
    {
        QFETCH(QString, stored);
        QFETCH(QString, used);
        QFETCH(bool, told);
        QFETCH(QString, written);
        WizardFixture fx;
        fx.wizard.ShowProgress = false;
        const QByteArray before("someone else's file\n");
        const QString victim = fx.file(QStringLiteral("victim.txt"), before);
        stored.replace(QLatin1String("<victim>"), victim);
        const QString csv = fx.file(QStringLiteral("a.csv"));
        const QString imp = templateFile(
            fx, "[FIRST_STEP]\nImportType=4\nFileName=" + csv.toUtf8() +
                    "\n[CSV_MAP]\nCode=1\n[LAST_STEP]\nEnableErrorLog=1\nRewriteErrorLogFile=1\n"
                    "ErrorLogFileName=" +
                    stored.toUtf8() + "\n");
        // Started from a folder of the clerk's, with a file and a folder the names could reach.
        QTemporaryDir started;
        const QString notes = started.filePath(QStringLiteral("notes.txt"));
        WriteTestFile(notes, before);
        QVERIFY(QDir(started.path()).mkdir(QStringLiteral("logs")));
        const QString savedCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(started.path()));
        const QDir program(QCoreApplication::applicationDirPath());
        const QString plogs = program.filePath(QStringLiteral("plogs"));
        const QString plink = program.filePath(QStringLiteral("plink"));
        QVERIFY(program.mkpath(QStringLiteral("plogs")));
        QFile::remove(plink);
        QVERIFY(QFile::link(started.path(), plink));
        const QString log = written.isEmpty() ? QString() : program.filePath(written);
        if (!log.isEmpty())
            QFile::remove(log);
        const auto restore = qScopeGuard([&] {
            QDir::setCurrent(savedCurrent);
            QFile::remove(plink);
            QDir(plogs).removeRecursively();
            if (!log.isEmpty())
                QFile::remove(log);
        });

        auto w = fx.window();
        MessageLog messages;
        w->LoadTemplate(imp);
        QCOMPARE(w->CommitPage->ErrorLogFileName(), used);
        QCOMPARE(messages.texts().size(), told ? 1 : 0);
        if (told) {
            QVERIFY(messages.texts().first().contains(stored));
            QVERIFY(messages.texts().first().contains(program.filePath(used)));
        }
        w->SetComma(u',');
        w->ui->bNext->click();
        w->ui->bOk->click();
        // The other files keep their bytes, and nothing was written where the program started.
        QCOMPARE(readAll(victim), before);
        QCOMPARE(readAll(notes), before);
        QCOMPARE(QDir(started.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({QStringLiteral("logs"), QStringLiteral("notes.txt")}));
        QVERIFY(QDir(started.filePath(QStringLiteral("logs"))).isEmpty());
        if (written.isEmpty()) {
            // Refused with a message before the import began.
            QCOMPARE(messages.texts().size(), 1);
            QVERIFY2(messages.texts().last().contains(QStringLiteral("outside")),
                     qPrintable(messages.texts().last()));
            return;
        }
        QVERIFY2(readAll(log).contains("Import process started"), qPrintable(log));
    }

    // A failed automatic load ends the opening with its message.
    void failedAutomaticLoadFailsExecute()
    {
        WizardFixture fx;
        fx.wizard.TemplateFileName = fx.dir.filePath(QStringLiteral("none.imp"));
        fx.wizard.AutoLoadTemplate = true;
        QString raised;
        try {
            fx.wizard.Execute();
        } catch (const EDurvelError& e) {
            raised = e.message();
        }
        QVERIFY(raised.contains("does not exist"));
    }
};

QTEST_MAIN(TestTemplates)
#include "test_templates.moc"

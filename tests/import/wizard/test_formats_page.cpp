#include "helper_wizard.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/wizard/dialogs/fuDurvel3ReplacementEdit.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/FormatsPage.h"
#include "import/wizard/pages/LastPage.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/ini/IniFile.h"
#include "ui_Durvel3WizardF.h"
#include "ui_FormatsPage.h"
#include "ui_LastPage.h"
#include "ui_fuDurvel3ReplacementEdit.h"

#include <QtTest>

namespace {

// Message boxes answered with OK and their texts kept.
struct Messages
{
    QStringList texts;
    Messages()
    {
        dialogs::setMessageHandler([this](const dialogs::Message& m) {
            texts << m.text;
            return dialogs::Button::Ok;
        });
    }
    ~Messages() { dialogs::setMessageHandler({}); }
};

// The replacement editor answered by a script: each call fills the boxes and presses OK or
// Cancel; an empty find text pressed OK first gets the refusal, then Retry is typed.
struct EditorScript
{
    struct Answer
    {
        QString find, replace;
        bool ignoreCase = false;
        bool ok = true;
        QString retry; // typed after a refused OK
    };
    QList<Answer> answers;
    QList<QStringList> seen; // what each call showed: find, replace, ignore case
    bool stayedOpen = false;

    EditorScript()
    {
        TfmDurvel3ReplacementEdit::OnShow = [this](TfmDurvel3ReplacementEdit* d) {
            seen << QStringList{d->ui->edTextToFind->text(), d->ui->edReplaceWith->text(),
                                d->ui->chIgnoreCase->isChecked() ? "1" : "0"};
            const Answer a =
                answers.isEmpty() ? Answer{{}, {}, false, false, {}} : answers.takeFirst();
            QTimer::singleShot(0, d, [this, d, a] {
                d->ui->edTextToFind->setText(a.find);
                d->ui->edReplaceWith->setText(a.replace);
                d->ui->chIgnoreCase->setChecked(a.ignoreCase);
                if (!a.ok) {
                    d->ui->bCancel->click();
                    return;
                }
                d->ui->bOk->click();
                if (d->isVisible() && !a.retry.isEmpty()) {
                    stayedOpen = true;
                    d->ui->edTextToFind->setText(a.retry);
                    d->ui->bOk->click();
                }
            });
        };
    }
    ~EditorScript() { TfmDurvel3ReplacementEdit::OnShow = {}; }
};

QStringList rows(QTreeWidget* list)
{
    QStringList t;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        t << item->text(0) + '|' + item->text(1) + '|' + item->text(2);
    }
    return t;
}

void selectField(FormatsPage* page, int index)
{
    QTreeWidgetItem* item = page->ui->lstFormatFields->topLevelItem(index);
    page->ui->lstFormatFields->setCurrentItem(item);
    item->setSelected(true);
}

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

void addReplacement(TDurvelFieldFormat* f, const QString& find, const QString& replace,
                    bool ignoreCase)
{
    TDurvelReplacement* r = f->Replacements().Add();
    r->TextToFind = find;
    r->ReplaceWith = replace;
    r->IgnoreCase = ignoreCase;
}

QString formatText(const TDurvelFieldFormat& f)
{
    QStringList t{QString::number(f.GeneratorValue),
                  QString::number(f.GeneratorStep),
                  f.ConstantValue,
                  f.NullValue,
                  f.DefaultValue,
                  f.LeftQuote,
                  f.RightQuote,
                  QString::number(f.QuoteAction),
                  QString::number(f.CharCase),
                  QString::number(f.CharSet)};
    for (int i = 0; i < f.Replacements().Count(); ++i) {
        const TDurvelReplacement* r = f.Replacements().Items(i);
        t << '[' + r->TextToFind + '>' + r->ReplaceWith + (r->IgnoreCase ? "/i]" : "]");
    }
    return t.join('|');
}

// Every value of the formats page and the last page, one text per part.
QStringList pageState(const TDurvel3WizardF& w)
{
    const FormatsPage& p = *w.FormatPage;
    const LastPage& l = *w.CommitPage;
    QStringList t{
        QStringList{p.DecimalSeparator(), p.ThousandSeparator(), p.DateSeparator(),
                    p.TimeSeparator(), p.ShortDateFormat(), p.LongDateFormat(), p.ShortTimeFormat(),
                    p.LongTimeFormat()}
            .join('|'),
        (p.BooleanTrue() + QStringList{"/"} + p.BooleanFalse() + QStringList{"/"} + p.NullValues())
            .join('|')};
    for (int i = 0; i < p.FieldCount(); ++i)
        t << formatText(*p.FieldFormat(i));
    t << QStringList{QString::number(l.CommitAfterDone()),
                     QString::number(l.CommitRecCount()),
                     QString::number(l.ImportRecCount()),
                     QString::number(l.CloseAfterImport()),
                     QString::number(l.ErrorLog()),
                     l.ErrorLogFileName(),
                     QString::number(l.RewriteErrorLogFile()),
                     QString::number(l.ShowErrorLog()),
                     QString::number(l.ImportMode()),
                     QString::number(l.AddType())}
             .join('|')
      << l.SelectedKeyColumns().join('|');
    return t;
}

} // namespace

class TestFormatsPage : public QObject
{
    Q_OBJECT

private slots:
    // ---- editors -------------------------------------------------------------------------

    // What an editor stores into the selected field's format, and which editors stay on: the
    // generator pair, the constant, null and default, and quotes, case and character set.
    void editors_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::addColumn<QString>("stored");
        const QList<bool> all{true, true, true, true};
        // clang-format off
        QTest::newRow("nothing") << "" << "" << all << "0|0||||||0|0|0";
        QTest::newRow("step") << "edtGeneratorStep" << "5" << QList<bool>{true, false, false, false} << "0|5||||||0|0|0";
        QTest::newRow("step 0") << "edtGeneratorStep" << "0" << all << "0|0||||||0|0|0";
        QTest::newRow("step no number") << "edtGeneratorStep" << "x" << all << "0|0||||||0|0|0";
        QTest::newRow("value") << "edtGeneratorValue" << "-7" << all << "-7|0||||||0|0|0";
        QTest::newRow("value abc") << "edtGeneratorValue" << "abc" << all << "0|0||||||0|0|0";
        QTest::newRow("constant") << "edtConstantValue" << " K " << QList<bool>{false, true, false, true} << "0|0| K |||||0|0|0";
        QTest::newRow("null") << "edtNullValue" << "''" << QList<bool>{false, false, true, true} << "0|0||''||||0|0|0";
        QTest::newRow("default") << "edtDefaultValue" << "N/A" << QList<bool>{false, false, true, true} << "0|0|||N/A|||0|0|0";
        QTest::newRow("left quote") << "edtLeftQuote" << "<" << QList<bool>{false, true, true, true} << "0|0||||<||0|0|0";
        QTest::newRow("right quote") << "edtRightQuote" << ">" << QList<bool>{false, true, true, true} << "0|0|||||>|0|0|0";
        QTest::newRow("quote action") << "cmbQuoteAction" << "2" << QList<bool>{false, true, true, true} << "0|0||||||2|0|0";
        QTest::newRow("char case") << "cmbCharCase" << "4" << QList<bool>{false, true, true, true} << "0|0||||||0|4|0";
        QTest::newRow("char set") << "cmbCharSet" << "1" << QList<bool>{false, true, true, true} << "0|0||||||0|0|1";
        // clang-format on
    }
    void editors()
    {
        QFETCH(QString, editor);
        QFETCH(QString, text);
        QFETCH(QList<bool>, enabled);
        QFETCH(QString, stored);
        WizardFixture fx;
        auto w = fx.window();
        FormatsPage* page = w->FormatPage;
        selectField(page, 1);
        if (auto* edit = page->findChild<QLineEdit*>(editor))
            typeInto(edit, text);
        else if (auto* combo = page->findChild<QComboBox*>(editor))
            combo->setCurrentIndex(text.toInt());
        // Each group is one state, labels included.
        const auto& u = *page->ui;
        const QList<QList<QWidget*>> groups{
            {u.edtGeneratorValue, u.laGeneratorValue, u.edtGeneratorStep, u.laGeneratorStep},
            {u.edtConstantValue, u.laConstantValue},
            {u.edtNullValue, u.laNullValue, u.edtDefaultValue, u.laDefaultValue},
            {u.edtLeftQuote, u.laLeftQuote, u.edtRightQuote, u.cmbQuoteAction, u.cmbCharCase,
             u.cmbCharSet, u.laCharSet}};
        QList<bool> state;
        for (const auto& group : groups) {
            state << group.first()->isEnabled();
            for (QWidget* w : group)
                QCOMPARE(w->isEnabled(), state.last());
        }
        QCOMPARE(state, enabled);
        QCOMPARE(formatText(*page->FieldFormat(1)), stored);
        // The other fields keep theirs, and showing another field stores nothing here.
        selectField(page, 0);
        QVERIFY(page->FieldFormat(0)->IsDefault() && page->FieldFormat(2)->IsDefault());
        QCOMPARE(formatText(*page->FieldFormat(1)), stored);
    }

    // Leaving a separator box: an empty text or a number sign without a code keeps the
    // separator and the box is not rewritten.
    void separatorBoxes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("shown");
        QTest::newRow("character") << ";" << QChar(u';') << ";";
        QTest::newRow("tab code") << "#9" << QChar(u'\t') << "#9";
        QTest::newRow("space code") << "#32" << QChar(u' ') << "#32";
        QTest::newRow("empty") << "" << QChar(u'.') << "";
        QTest::newRow("bad code") << "#x" << QChar(u'.') << "#x";
    }
    void separatorBoxes()
    {
        QFETCH(QString, typed);
        QFETCH(QChar, separator);
        QFETCH(QString, shown);
        WizardFixture fx;
        fx.wizard.Formats().DecimalSeparator = u'.';
        auto w = fx.window();
        FormatsPage* page = w->FormatPage;
        QCOMPARE(page->ui->edtDecimalSeparator->text(), QString("."));
        page->ui->edtDecimalSeparator->setText(typed);
        emit page->ui->edtDecimalSeparator->editingFinished();
        QCOMPARE(page->DecimalSeparator(), separator);
        QCOMPARE(page->ui->edtDecimalSeparator->text(), shown);
    }

    void wizardValuesAtCreation()
    {
        WizardFixture fx;
        TDurvelFormats& f = fx.wizard.Formats();
        f.ThousandSeparator = u'\t';
        f.ShortDateFormat = "dd.mm.yyyy";
        f.BooleanTrue().Assign(QStringList{"yes", "بلی"});
        f.NullValues().Assign(QStringList{});
        TDurvelFieldFormat* name = fx.wizard.FieldFormats().Add();
        name->FieldName = "NAME";
        name->NullValue = "-";
        name->CharCase = iccUpper;
        addReplacement(name, "a", "b", false);
        auto w = fx.window();
        FormatsPage* page = w->FormatPage;
        QCOMPARE(page->ui->edtThousandSeparator->text(), QString("#9"));
        QCOMPARE(page->ui->edtShortDateFormat->text(), QString("dd.mm.yyyy"));
        QCOMPARE(page->BooleanTrue(), (QStringList{"yes", "بلی"}));
        QCOMPARE(page->NullValues(), QStringList());
        // "NAME" is the format of the field "Name", without its replacements; editing the
        // working copy leaves the component's format alone.
        QCOMPARE(formatText(*page->FieldFormat(1)), QString("0|0||-||||0|1|0"));
        selectField(page, 1);
        QCOMPARE(page->ui->edtNullValue->text(), QString("-"));
        typeInto(page->ui->edtNullValue, "x");
        QCOMPARE(name->NullValue, QString("-"));
    }

    // ---- replacements --------------------------------------------------------------------

    void replacementsAddEditDelete()
    {
        WizardFixture fx;
        fx.wizard.ShowProgress = false;
        auto w = fx.window();
        FormatsPage* page = w->FormatPage;
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(fx.file("a.csv"));
        w->ui->bNext->click();
        w->CSVPage->AutoFillClick();
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 2);
        page->ui->pgFormats->setCurrentWidget(page->ui->tshDataFormats);
        selectField(page, 1);
        QVERIFY(page->ui->tbtAddReplacement->isEnabled());
        QVERIFY(!page->ui->tbtEditReplacement->isEnabled());
        QVERIFY(!page->ui->tbtDelReplacement->isEnabled());

        Messages messages;
        EditorScript script;
        script.answers = {{"", "x", false, true, "a"}, // refused, then "a" is typed
                          {"a", "x", false, true, {}},
                          {"b", "", true, true, {}},
                          {"zzz", "q", false, false, {}}};
        page->ui->tbtAddReplacement->click();
        QVERIFY(script.stayedOpen);
        QCOMPARE(messages.texts, QStringList{"Text to find must be defined"});
        page->ui->tbtAddReplacement->click(); // the same pair twice gives two
        page->ui->tbtAddReplacement->click(); // an empty replacement is taken
        page->ui->tbtAddReplacement->click(); // cancelled
        QCOMPARE(script.seen.first(), (QStringList{"", "", "0"}));
        QCOMPARE(rows(page->ui->lvReplacements), (QStringList{"a|x|No", "a|x|No", "b||Yes"}));
        QCOMPARE(page->ui->lvReplacements->currentItem()->text(0), QString("b"));
        QVERIFY(page->ui->tbtEditReplacement->isEnabled());
        QVERIFY(page->ui->tbtDelReplacement->isEnabled());

        // Edit shows the pair and stores the answer; Cancel leaves it.
        page->ui->lvReplacements->setCurrentItem(page->ui->lvReplacements->topLevelItem(1));
        script.answers = {{"A", "y", true, true, {}}, {"no", "no", false, false, {}}};
        page->ui->tbtEditReplacement->click();
        QCOMPARE(script.seen.last(), (QStringList{"a", "x", "0"}));
        page->ui->tbtEditReplacement->click();
        QCOMPARE(rows(page->ui->lvReplacements), (QStringList{"a|x|No", "A|y|Yes", "b||Yes"}));

        page->ui->lvReplacements->setCurrentItem(page->ui->lvReplacements->topLevelItem(0));
        page->ui->tbtDelReplacement->click();
        QCOMPARE(rows(page->ui->lvReplacements), (QStringList{"A|y|Yes", "b||Yes"}));
        QCOMPARE(formatText(*page->FieldFormat(1)), QString("0|0||||||0|0|0|[A>y/i]|[b>/i]"));
        QVERIFY(page->FieldFormat(0)->IsDefault());

        // The run takes the page's replacements: "a" and "b" become "y" and "".
        w->ui->bOk->click();
        QCOMPARE(fx.grid.row(1), (QStringList{"1", "y", "10"}));
        QCOMPARE(fx.grid.row(2), (QStringList{"2", "", "20"}));
    }

    // ---- the run -------------------------------------------------------------------------

    void copyIntoTheReader()
    {
        WizardFixture fx;
        auto w = fx.window();
        FormatsPage* page = w->FormatPage;
        page->SetDecimalSeparator(u',');
        page->SetThousandSeparator(u'.');
        page->SetShortDateFormat("d/m/yyyy");
        page->ui->mmBooleanTrue->setPlainText("y\nyes\n");
        page->ui->mmNullValues->setPlainText("");
        page->FieldFormat(2)->ConstantValue = "0";

        TDurvel3ASCII reader;
        TDurvelFieldFormat* code = reader.FieldFormats().Add();
        code->FieldName = "code";
        code->ConstantValue = "old";
        addReplacement(code, "1", "2", false);
        page->CopyInto(reader);
        QCOMPARE(reader.Formats().DecimalSeparator, QChar(u','));
        QCOMPARE(reader.Formats().ThousandSeparator, QChar(u'.'));
        QCOMPARE(reader.Formats().ShortDateFormat, QString("d/m/yyyy"));
        QCOMPARE(reader.Formats().BooleanTrue().ToStringList(), (QStringList{"y", "yes"}));
        QCOMPARE(reader.Formats().NullValues().Count(), 0);
        // "code" is overwritten with the page's defaults, "Name" is not added, "Amount" is.
        QCOMPARE(reader.FieldFormats().Count(), 2);
        QVERIFY(code->IsDefault());
        QCOMPARE(reader.FieldFormats().Items(1)->FieldName, QString("Amount"));
        QCOMPARE(reader.FieldFormats().Items(1)->ConstantValue, QString("0"));
        // A second copy matches by name again and adds nothing.
        page->CopyInto(reader);
        QCOMPARE(reader.FieldFormats().Count(), 2);
    }

    // ---- templates -----------------------------------------------------------------------

    // A field's section holds only what changes something; a generator leaves the rest out.
    void fieldSections_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("replacementSections");
        QTest::newRow("default") << "" << QStringList() << 0;
        QTest::newRow("generator with constant")
            << "generator" << QStringList{"GeneratorValue", "GeneratorStep"} << 0;
        QTest::newRow("null only") << "null" << QStringList{"NullValue"} << 0;
        QTest::newRow("constant hides null and default")
            << "constant" << QStringList{"ConstantValue", "QuoteAction", "CharCase"} << 1;
        QTest::newRow("quotes and case")
            << "quotes" << QStringList{"LeftQuote", "RightQuote", "QuoteAction", "CharSet"} << 2;
    }
    void fieldSections()
    {
        QFETCH(QString, setting);
        QFETCH(QStringList, keys);
        QFETCH(int, replacementSections);
        WizardFixture fx;
        auto w = fx.window();
        TDurvelFieldFormat* f = w->FormatPage->FieldFormat("Name");
        addReplacement(f, "r", "s", false);
        if (setting == "generator") {
            f->GeneratorValue = 5;
            f->GeneratorStep = 2;
            f->ConstantValue = "c";
        } else if (setting == "null") {
            f->Replacements().Clear();
            f->NullValue = "n";
        } else if (setting == "constant") {
            f->ConstantValue = "c";
            f->NullValue = "n";
            f->DefaultValue = "d";
            f->QuoteAction = daAdd;
            f->CharCase = iccLower;
        } else if (setting == "quotes") {
            f->LeftQuote = "<";
            f->RightQuote = ">";
            f->QuoteAction = daRemove;
            f->CharSet = icsOem;
            addReplacement(f, "t", "u", true);
        } else {
            f->Replacements().Clear();
        }
        IniFile ini(fx.dir.filePath("t.imp"));
        w->FormatPage->SaveTemplate(ini);
        QCOMPARE(ini.keys("DATA_FORMATS_NAME"), keys);
        QVERIFY(!ini.sectionExists("DATA_FORMATS_CODE"));
        int found = 0;
        for (const QString& s : ini.sections())
            found += s.startsWith("REPLACEMENTS_NAME_") ? 1 : 0;
        QCOMPARE(found, replacementSections);
    }

    // Every formats key and the last page survive a save to a file and a load into a fresh
    // window, odd texts included.
    void templateRoundTrip()
    {
        WizardFixture fx;
        fx.wizard.ErrorLog = true;
        fx.grid.setCell(2, 0, " Amount "); // a section name cannot end in blanks
        const QString file = fx.dir.filePath("round.imp");
        QStringList before;
        {
            auto w = fx.window();
            FormatsPage* page = w->FormatPage;
            page->SetDecimalSeparator(u'\t');
            page->SetThousandSeparator(u' ');
            page->SetDateSeparator(u'=');
            page->SetTimeSeparator(u'"');
            page->SetShortDateFormat(" d=m ");
            page->SetLongDateFormat("\"dddd\"");
            page->SetShortTimeFormat("'hh'");
            page->SetLongTimeFormat("#9");
            page->ui->mmBooleanTrue->setPlainText("yes\nبلی\n ok ");
            page->ui->mmBooleanFalse->setPlainText("no");
            page->ui->mmNullValues->setPlainText("");
            page->FieldFormat(0)->GeneratorValue = -100;
            page->FieldFormat(0)->GeneratorStep = 10;
            TDurvelFieldFormat* name = page->FieldFormat(1);
            name->NullValue = "''";
            name->DefaultValue = " - ";
            name->LeftQuote = "\"";
            name->RightQuote = "=";
            name->QuoteAction = daRemove;
            name->CharCase = iccUpperFirstWord;
            name->CharSet = icsAnsi;
            addReplacement(name, " a=b ", "\"c\"", true);
            addReplacement(name, "#9", "", false);
            page->FieldFormat(2)->ConstantValue = "''";
            addReplacement(page->FieldFormat(2), "x", "y", false);
            LastPage* last = w->CommitPage;
            last->SetCommitAfterDone(true);
            last->SetCommitRecCount(25);
            last->SetImportRecCount(7);
            last->SetCloseAfterImport(true);
            last->SetErrorLogFileName(" logs/a=b.log ");
            last->SetRewriteErrorLogFile(false);
            last->SetShowErrorLog(true);
            last->SetImportMode(dimUpdateOrInsert);
            last->SetAddType(datAppend);
            last->FillKeyColumns({"Code", "Name", " Amount "}, {" Amount ", "Code"});
            IniFile ini(file);
            page->SaveTemplate(ini);
            last->SaveTemplate(ini);
            ini.save();
            before = pageState(*w);
            QVERIFY(ini.readString("BASE_FORMATS", "DecimalSeparator") == "#9");
        }
        auto w = fx.window();
        const IniFile ini(file);
        w->FormatPage->LoadTemplate(ini, fx.wizard);
        w->CommitPage->LoadTemplate(ini, fx.wizard);
        QCOMPARE(pageState(*w), before);
        QCOMPARE(before.at(3), QString("0|0||''| - |\"|=|2|4|1|[ a=b >\"c\"/i]|[#9>]"));
        // The selected field's editors show what was loaded.
        QCOMPARE(w->FormatPage->ui->edtGeneratorStep->text(), QString("10"));
    }

    // What the last page reads from a template, against the component's values.
    void lastStepLoading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("componentOn"); // CommitAfterDone, CloseAfterImport, ErrorLog
        QTest::addColumn<QString>("expected");
        // commit, commit count, import count, all ticked, close, log, show log, mode, add type
        QTest::newRow("no LAST_STEP")
            << QByteArray("[FIRST_STEP]\nImportType=4\n") << false << "0|1000|0|1|0|0|0|0|1";
        QTest::newRow("no LAST_STEP, log on") << QByteArray() << true << "1|1000|0|1|1|1|1|0|1";
        QTest::newRow("component values stay on")
            << QByteArray("[LAST_STEP]\nCommitAfterDone=0\nCloseAfterImport=0\n"
                          "EnableErrorLog=0\nShowErrorLog=1\n")
            << true << "1|1000|0|1|1|0|0|0|1";
        QTest::newRow("odd values") << QByteArray("[LAST_STEP]\nCommitRecCount=x\n"
                                                  "ImportRecCount=-4\nImportMode=9\nAddType=7\n"
                                                  "CloseAfterImport=2\nEnableErrorLog=1\n")
                                    << false << "0|1000|0|1|1|1|1|0|1";
        QTest::newRow("count and modes") << QByteArray("[LAST_STEP]\nImportRecCount=5\n"
                                                       "ImportMode=4\nAddType=0\n")
                                         << false << "0|1000|5|0|0|0|0|4|0";
    }
    void lastStepLoading()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, componentOn);
        QFETCH(QString, expected);
        WizardFixture fx;
        fx.wizard.CommitAfterDone = componentOn;
        fx.wizard.CloseAfterImport = componentOn;
        fx.wizard.ErrorLog = componentOn;
        auto w = fx.window();
        const IniFile ini(fx.file("l.imp", text));
        LastPage* last = w->CommitPage;
        last->LoadTemplate(ini, fx.wizard);
        const QStringList state{QString::number(last->CommitAfterDone()),
                                QString::number(last->CommitRecCount()),
                                QString::number(last->ImportRecCount()),
                                QString::number(last->ui->chImportAllRecords->isChecked()),
                                QString::number(last->CloseAfterImport()),
                                QString::number(last->ErrorLog()),
                                QString::number(last->ShowErrorLog()),
                                QString::number(last->ImportMode()),
                                QString::number(last->AddType())};
        QCOMPARE(state.join('|'), expected);
    }

    // "Import all records" ticked over a typed count is saved as all records.
    void importAllSurvivesARoundTrip()
    {
        WizardFixture fx;
        const QString file = fx.dir.filePath("all.imp");
        {
            auto w = fx.window();
            w->CommitPage->SetImportRecCount(5);
            w->CommitPage->ui->chImportAllRecords->click();
            QVERIFY(w->CommitPage->ui->chImportAllRecords->isChecked());
            IniFile ini(file);
            w->CommitPage->SaveTemplate(ini);
            QCOMPARE(ini.readString("LAST_STEP", "ImportRecCount"), QString("0"));
            ini.save();
        }
        fx.wizard.ImportRecCount = 9;
        auto w = fx.window();
        w->CommitPage->LoadTemplate(IniFile(file), fx.wizard);
        QVERIFY(w->CommitPage->ui->chImportAllRecords->isChecked());
        TDurvel3ASCII reader;
        w->CommitPage->CopyInto(reader);
        QCOMPARE(reader.ImportRecCount, 0);
    }

    // A template written by hand: duplicate replacement sections load once, names match
    // without case, keys naming no field are skipped, and absent word lists empty their box.
    void handWrittenTemplate()
    {
        WizardFixture fx;
        fx.wizard.Formats().ShortDateFormat = "yyyy/mm/dd";
        auto w = fx.window();
        FormatsPage* page = w->FormatPage;
        page->SetShortDateFormat("changed");
        page->FieldFormat(1)->NullValue = "kept";
        const IniFile ini(fx.file("h.imp", "[BASE_FORMATS]\nDecimalSeparator=\nDateSeparator=#45\n"
                                           "[BOOLEAN_TRUE]\nY=\ny=\n"
                                           "[data_formats_name]\nCharCase=9\nQuoteAction=1\n"
                                           "GeneratorValue=99999999999\n"
                                           "[DATA_FORMATS_NOSUCH]\nConstantValue=x\n"
                                           "[REPLACEMENTS_NAME_0]\nTextToFind=a\nReplaceWith=b\n"
                                           "[REPLACEMENTS_NAME_1]\nTextToFind=a\nReplaceWith=b\n"
                                           "[Replacements_Name_7]\nTextToFind=a\nReplaceWith=b\n"
                                           "IgnoreCase=1\n"
                                           "[REPLACEMENTS_NOSUCH_0]\nTextToFind=q\n"
                                           "[KeyColumns]\nname=\nnosuch=\n"));
        page->LoadTemplate(ini, fx.wizard);
        w->CommitPage->LoadTemplate(ini, fx.wizard);
        QCOMPARE(page->DecimalSeparator(), fx.wizard.Formats().DecimalSeparator);
        QCOMPARE(page->DateSeparator(), QChar(u'-'));
        QCOMPARE(page->ShortDateFormat(), QString("yyyy/mm/dd"));
        QCOMPARE(page->BooleanTrue(), QStringList{"Y"});
        QCOMPARE(page->BooleanFalse(), QStringList());
        QCOMPARE(formatText(*page->FieldFormat(1)), QString("0|0||kept||||1|0|0|[a>b]|[a>b/i]"));
        QVERIFY(page->FieldFormat(0)->IsDefault());
        QCOMPARE(w->CommitPage->SelectedKeyColumns(), QStringList{"Name"});
        // Loading it again adds nothing.
        page->LoadTemplate(ini, fx.wizard);
        QCOMPARE(page->FieldFormat(1)->Replacements().Count(), 2);
    }

    // A template saved from a configured wizard and loaded into a fresh one runs the same
    // import: same formats, replacements, record count and key columns.
    void savedWizardRunsTheSame()
    {
        WizardFixture first;
        first.wizard.ShowProgress = false;
        const QString csv = first.file("a.csv", "1,a,10\n2,b,20\n3,ab,30\n");
        const QString imp = first.dir.filePath("run.imp");
        {
            auto w = first.window();
            w->SetImportType(aiCSV);
            w->ui->edtFileName->setText(csv);
            w->ui->bNext->click();
            w->CSVPage->AutoFillClick();
            w->SetGoToLastPage(true);
            FormatsPage* page = w->FormatPage;
            TDurvelFieldFormat* code = page->FieldFormat("Code");
            code->GeneratorValue = 100;
            code->GeneratorStep = 10;
            TDurvelFieldFormat* name = page->FieldFormat("Name");
            addReplacement(name, "A", "x", true);
            name->CharCase = iccUpper;
            TDurvelFieldFormat* amount = page->FieldFormat("Amount");
            amount->LeftQuote = "<";
            amount->RightQuote = ">";
            amount->QuoteAction = daAdd;
            w->CommitPage->SetImportRecCount(2);
            w->SaveTemplate(imp);
            w->ui->bNext->click();
            w->ui->bOk->click();
        }
        const QList<QStringList> expected{{"110", "X", "<10>"}, {"120", "B", "<20>"}};
        QCOMPARE((QList<QStringList>{first.grid.row(1), first.grid.row(2)}), expected);
        QCOMPARE(first.grid.rowCount(), 3);

        WizardFixture second;
        second.wizard.ShowProgress = false;
        auto w = second.window();
        w->LoadTemplate(imp);
        QCOMPARE(w->Step(), 3);
        QVERIFY(w->ui->bOk->isEnabled());
        w->ui->bOk->click();
        QCOMPARE((QList<QStringList>{second.grid.row(1), second.grid.row(2)}), expected);
        QCOMPARE(second.grid.rowCount(), 3);
    }

    // The word lists are filled once, before the automatic template load; showing the window
    // keeps what the template put there.
    void wordListsAreFilledOnce()
    {
        WizardFixture fx;
        fx.wizard.Formats().BooleanTrue().Assign(QStringList{"True"});
        fx.wizard.AutoLoadTemplate = true;
        fx.wizard.TemplateFileName =
            fx.file("w.imp", "[FIRST_STEP]\nImportType=4\nFileName=" + fx.file("a.csv").toUtf8() +
                                 "\n[BOOLEAN_TRUE]\nja=\n");
        auto w = fx.window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->ui->bNext->click();
        w->CSVPage->AutoFillClick();
        w->ui->bNext->click();
        QCOMPARE(w->ui->pgImport->currentWidget(), static_cast<QWidget*>(w->FormatPage));
        QCOMPARE(w->FormatPage->BooleanTrue(), QStringList{"ja"});
        QCOMPARE(w->FormatPage->ui->laFormatsStep->text(), QString("Step 2 of 3"));
        QCOMPARE(w->FormatPage->ui->pgFormats->currentWidget(), w->FormatPage->ui->tshBaseFormats);
        w->hide();
    }
};

QTEST_MAIN(TestFormatsPage)
#include "test_formats_page.moc"

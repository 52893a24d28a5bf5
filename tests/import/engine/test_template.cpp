#include "import/engine/Durvel3ASCII.h"
#include "import/engine/support/DurvelUtils.h"
#include "platform/ini/IniFile.h"

#include <QTemporaryDir>
#include <QScopeGuard>
#include <QtTest>

class TestTemplate : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static void fill(TDurvel3ASCII& imp)
    {
        imp.SetFileName("/data/پرسنل.txt");
        imp.Map().Add(QString::fromUtf8("نام=3"));
        imp.Map().Add("Code=1");
        imp.Map().Add(QString::fromUtf8("شماره حساب=2"));
        imp.Formats().DecimalSeparator = u'/';
        imp.Formats().ThousandSeparator = u' ';
        imp.Formats().ShortDateFormat = "dd-mm-yyyy";
        imp.Formats().LongDateFormat = "dddd d mmmm yyyy";
        imp.Formats().ShortTimeFormat = "h:nn";
        imp.Formats().LongTimeFormat = "h:nn:ss";
        imp.Formats().BooleanTrue().Clear();
        imp.Formats().BooleanTrue().Add(QString::fromUtf8("بلی"));
        imp.Formats().BooleanTrue().Add("Yes");
        imp.Formats().BooleanFalse().Clear();
        imp.Formats().NullValues().Add("");
        imp.Formats().NullValues().Add("-");

        TDurvelFieldFormat* name = imp.FieldFormats().Add();
        name->FieldName = "Name";
        name->GeneratorValue = 5;
        name->GeneratorStep = -2;
        name->ConstantValue = "''";
        name->NullValue = " - ";
        name->DefaultValue = "\"x\"";
        name->LeftQuote = " ";
        name->RightQuote = "'";
        name->QuoteAction = daRemove;
        name->CharCase = iccUpperFirstWord;
        name->CharSet = icsOem;
        TDurvelReplacement* r = name->Replacements().Add();
        r->TextToFind = " a";
        r->ReplaceWith = "b ";
        r->IgnoreCase = true;
        r = name->Replacements().Add();
        r->TextToFind = "ي";
        r->ReplaceWith = "ی";
        TDurvelFieldFormat* fa = imp.FieldFormats().Add();
        fa->FieldName = QString::fromUtf8("نام");
        fa->CharCase = iccLower;

        imp.CommitAfterDone = true;
        imp.CommitRecCount = 7;
        imp.ImportRecCount = 9;
        imp.ErrorLog = true;
        imp.ErrorLogFileName = "logs/err.log";
        imp.RewriteErrorLogFile = false;
        imp.ShowErrorLog = true;
        imp.ImportDestination = didStringGrid;
        imp.ImportMode = dimDeleteOrInsert;
        imp.KeyColumns().Add("Code");
        imp.KeyColumns().Add(QString::fromUtf8("نام"));
        imp.GridCaptionRow = 2;
        imp.GridStartRow = 4;
        imp.SkipFirstRows = 3;
        imp.Encoding = ctCp1256;
        imp.Comma = u'\t';
        imp.Quote = u'\'';
    }

    static QStringList lines(const TWideStrings& list) { return list.ToStringList(); }

private slots:
    void roundTrip()
    {
        const QString file = m_dir.filePath("all.imp");
        {
            TDurvel3ASCII source;
            fill(source);
            IniFile ini(file);
            source.SaveTemplateSections(ini);
            ini.save();
        }
        TDurvel3ASCII source;
        fill(source);
        TDurvel3ASCII loaded;
        loaded.FieldFormats().Add()->FieldName = "stale";
        {
            IniFile ini(file);
            loaded.LoadTemplateSections(ini);
        }
        QCOMPARE(loaded.FileName(), source.FileName());
        QCOMPARE(lines(loaded.Map()), lines(source.Map()));
        QCOMPARE(loaded.Formats().DecimalSeparator, QChar(u'/'));
        QCOMPARE(loaded.Formats().ThousandSeparator, QChar(u' '));
        QCOMPARE(loaded.Formats().ShortDateFormat, source.Formats().ShortDateFormat);
        QCOMPARE(loaded.Formats().LongDateFormat, source.Formats().LongDateFormat);
        QCOMPARE(loaded.Formats().ShortTimeFormat, source.Formats().ShortTimeFormat);
        QCOMPARE(loaded.Formats().LongTimeFormat, source.Formats().LongTimeFormat);
        QCOMPARE(lines(loaded.Formats().BooleanTrue()), lines(source.Formats().BooleanTrue()));
        QCOMPARE(lines(loaded.Formats().BooleanFalse()), QStringList());
        QCOMPARE(lines(loaded.Formats().NullValues()), lines(source.Formats().NullValues()));

        QCOMPARE(loaded.FieldFormats().Count(), 2);
        for (int i = 0; i < 2; ++i) {
            const TDurvelFieldFormat* a = source.FieldFormats().Items(i);
            const TDurvelFieldFormat* b = loaded.FieldFormats().Items(i);
            QCOMPARE(b->FieldName, a->FieldName);
            QCOMPARE(b->GeneratorValue, a->GeneratorValue);
            QCOMPARE(b->GeneratorStep, a->GeneratorStep);
            QCOMPARE(b->ConstantValue, a->ConstantValue);
            QCOMPARE(b->NullValue, a->NullValue);
            QCOMPARE(b->DefaultValue, a->DefaultValue);
            QCOMPARE(b->LeftQuote, a->LeftQuote);
            QCOMPARE(b->RightQuote, a->RightQuote);
            QCOMPARE(b->QuoteAction, a->QuoteAction);
            QCOMPARE(b->CharCase, a->CharCase);
            QCOMPARE(b->CharSet, a->CharSet);
            QCOMPARE(b->Replacements().Count(), a->Replacements().Count());
            for (int j = 0; j < a->Replacements().Count(); ++j) {
                QCOMPARE(b->Replacements().Items(j)->TextToFind,
                         a->Replacements().Items(j)->TextToFind);
                QCOMPARE(b->Replacements().Items(j)->ReplaceWith,
                         a->Replacements().Items(j)->ReplaceWith);
                QCOMPARE(b->Replacements().Items(j)->IgnoreCase,
                         a->Replacements().Items(j)->IgnoreCase);
            }
        }
        QCOMPARE(loaded.CommitAfterDone, true);
        QCOMPARE(loaded.CommitRecCount, 7);
        QCOMPARE(loaded.ImportRecCount, 9);
        QCOMPARE(loaded.ErrorLog, true);
        QCOMPARE(loaded.ErrorLogFileName, QString("logs/err.log"));
        QCOMPARE(loaded.RewriteErrorLogFile, false);
        QCOMPARE(loaded.ShowErrorLog, true);
        QCOMPARE(loaded.ImportDestination, didStringGrid);
        QCOMPARE(loaded.ImportMode, dimDeleteOrInsert);
        QCOMPARE(lines(loaded.KeyColumns()), lines(source.KeyColumns()));
        QCOMPARE(loaded.GridCaptionRow, 2);
        QCOMPARE(loaded.GridStartRow, 4);
        QCOMPARE(loaded.SkipFirstRows, 3);
        QCOMPARE(loaded.Encoding, ctCp1256);
        QCOMPARE(loaded.Comma, QChar(u'\t'));
        QCOMPARE(loaded.Quote, QChar(u'\''));
    }

    void sectionNamesAndOrder()
    {
        const QString file = m_dir.filePath("names.imp");
        TDurvel3ASCII imp;
        fill(imp);
        imp.Comma = QChar();
        IniFile ini(file);
        imp.SaveTemplateSections(ini);
        // An empty word list leaves no section.
        QCOMPARE(
            ini.sections(),
            (QStringList{"BASE", "MAP", "BASE_FORMATS", "BOOLEAN_TRUE", "NULL_VALUES",
                         "DATA_FORMATS_Name", "REPLACEMENTS_NAME_0", "REPLACEMENTS_NAME_1",
                         QString::fromUtf8("DATA_FORMATS_نام"), "KeyColumns", "ASCII_OPTIONS"}));
        QCOMPARE(ini.keys("MAP"),
                 (QStringList{QString::fromUtf8("نام"), "Code", QString::fromUtf8("شماره حساب")}));
        QCOMPARE(ini.readString("ASCII_OPTIONS", "Comma"), QString("#0"));
        TDurvel3ASCII loaded;
        loaded.Comma = u';';
        loaded.LoadTemplateSections(ini);
        QVERIFY(loaded.IsFixedWidth());
    }

    void removedFormatsStayRemoved()
    {
        const QString file = m_dir.filePath("resaved.imp");
        TDurvel3ASCII imp;
        fill(imp);
        {
            IniFile ini(file);
            imp.SaveTemplateSections(ini);
            ini.save();
        }
        imp.FieldFormats().Clear();
        imp.Formats().NullValues().Clear();
        {
            IniFile ini(file);
            imp.SaveTemplateSections(ini);
            ini.save();
        }
        IniFile ini(file);
        for (const QString& section : ini.sections())
            QVERIFY2(!section.startsWith("DATA_FORMATS_") && !section.startsWith("REPLACEMENTS_") &&
                         section != "NULL_VALUES",
                     qPrintable(section));
        TDurvel3ASCII loaded;
        loaded.LoadTemplateSections(ini);
        QCOMPARE(loaded.FieldFormats().Count(), 0);
        QCOMPARE(loaded.Formats().NullValues().Count(), 0);
    }

    void formatsOfTheDestinationsColumns()
    {
        IniFile ini(m_dir.filePath("columns.imp"));
        ini.writeString("DATA_FORMATS_code", "ConstantValue", "K");
        ini.writeString("DATA_FORMATS_Gone", "ConstantValue", "G");
        ini.writeString("REPLACEMENTS_CODE_0", "TextToFind", "a");
        ini.writeString("REPLACEMENTS_GONE_0", "TextToFind", "b");
        DurvelCellStore grid(2, 1);
        grid.setCell(0, 0, "Code");
        grid.setCell(1, 0, "Name");
        TDurvel3ASCII imp;
        imp.ImportDestination = didStringGrid;
        imp.StringGrid = &grid;
        imp.GridCaptionRow = 0;
        imp.LoadTemplateSections(ini);
        QCOMPARE(imp.FieldFormats().Count(), 1);
        const TDurvelFieldFormat* code = imp.FieldFormats().Items(0);
        QCOMPARE(code->FieldName, QString("Code"));
        QCOMPARE(code->ConstantValue, QString("K"));
        QCOMPARE(code->Replacements().Count(), 1);
    }

    // The component's own sections: a log name that is absolute or goes up is refused, told,
    // and its bare name used; a plain relative name stays as it was, and is written within the
    // program's folder, never the current one; one that a link leads out of it is refused.
    void templateLogNameRefusedOutsideTheProgramsFolder_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("used");
        QTest::addColumn<QString>("path"); // within the program's folder; "!" refused
        QTest::newRow("absolute") << "/etc/victim.log"
                                  << "victim.log"
                                  << "victim.log";
        QTest::newRow("up") << "../../victim.log"
                            << "victim.log"
                            << "victim.log";
        QTest::newRow("relative folder") << "logs/mine.log"
                                         << "logs/mine.log"
                                         << "mine.log";
        QTest::newRow("dot folder") << "./mine.log"
                                    << "./mine.log"
                                    << "mine.log";
        QTest::newRow("link out") << "tlink/mine.log"
                                  << "tlink/mine.log"
                                  << "!";
    }
    void templateLogNameRefusedOutsideTheProgramsFolder()
    {
        QFETCH(QString, stored);
        QFETCH(QString, used);
        QFETCH(QString, path);
        IniFile ini(m_dir.filePath("log.imp"));
        ini.writeString("BASE", "ErrorLogFileName", stored);
        TDurvel3ASCII imp;
        imp.LoadTemplateSections(ini);
        QCOMPARE(imp.ErrorLogFileName, used);
        QCOMPARE(imp.TemplateNotices().size(), used == stored ? 0 : 1);
        if (used != stored)
            QVERIFY(imp.TemplateNotices().first().contains(stored));
        // Started from another folder, which holds a folder of the name.
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QDir(m_dir.path()).mkdir(QStringLiteral("logs"));
        const QDir program(QCoreApplication::applicationDirPath());
        const QString link = program.filePath(QStringLiteral("tlink"));
        QFile::remove(link);
        QVERIFY(QFile::link(m_dir.path(), link));
        const auto restore = qScopeGuard([&] {
            QDir::setCurrent(saved);
            QFile::remove(link);
        });
        if (path == QLatin1String("!")) {
            QVERIFY_THROWS_EXCEPTION(EDurvelError, imp.ErrorLogPath());
            return;
        }
        QCOMPARE(imp.ErrorLogPath(), QDir(program.canonicalPath()).filePath(path));
    }

    void eraseAllSections()
    {
        IniFile ini(m_dir.filePath("erase.imp"));
        ini.writeString("A", "k", "v");
        ini.writeString(QString::fromUtf8("نام"), "k", "v");
        EraseAllSections(ini);
        QCOMPARE(ini.sections(), QStringList());
    }

    void unknownOrdinalsKeepCurrentSetting()
    {
        const QString file = m_dir.filePath("bad.imp");
        {
            IniFile ini(file);
            ini.writeInteger("BASE", "ImportMode", 6);
            ini.writeInteger("BASE", "ImportDestination", -1);
            ini.writeInteger("DATA_FORMATS_Name", "CharCase", 5);
            ini.writeInteger("DATA_FORMATS_Name", "QuoteAction", 2);
            ini.writeInteger("DATA_FORMATS_Name", "CharSet", 99);
            ini.writeInteger("ASCII_OPTIONS", "Encoding", 64);
            ini.writeString("ASCII_OPTIONS", "Comma", "#59");
            ini.writeString("ASCII_OPTIONS", "Quote", "");
            ini.writeString("REPLACEMENTS_NAME_0", "TextToFind", "a");
            ini.writeString("REPLACEMENTS_NAME_1", "TextToFind", "a");
            ini.writeString("REPLACEMENTS_OTHER_3", "TextToFind", "z");
            ini.save();
        }
        TDurvel3ASCII imp;
        imp.ImportMode = dimUpdate;
        imp.ImportDestination = didListView;
        imp.Encoding = ctUtf8;
        imp.Quote = u'`';
        IniFile ini(file);
        imp.LoadTemplateSections(ini);
        QCOMPARE(imp.ImportMode, dimUpdate);
        QCOMPARE(imp.ImportDestination, didListView);
        QCOMPARE(imp.Encoding, ctUtf8);
        QCOMPARE(imp.Comma, QChar(u';'));
        QCOMPARE(imp.Quote, QChar(u'`'));
        QCOMPARE(imp.FieldFormats().Count(), 2);
        const TDurvelFieldFormat* name = imp.FieldFormats().Items(0);
        QCOMPARE(name->CharCase, iccNone);
        QCOMPARE(name->QuoteAction, daRemove);
        QCOMPARE(name->CharSet, icsNone);
        QCOMPARE(name->Replacements().Count(), 1); // the second is the same pair
        QCOMPARE(imp.FieldFormats().Items(1)->FieldName, QString("OTHER"));
    }
};

QTEST_GUILESS_MAIN(TestTemplate)
#include "test_template.moc"

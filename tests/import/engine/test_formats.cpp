#include "helper_fakes.h"

#include "import/engine/DurvelFormats.h"

#include <QScopeGuard>
#include <QtTest>

#include <tuple>

struct Rule
{
    int generatorValue = 0, generatorStep = 0;
    QString constant, nullValue, defaultValue, left, right;
    TDurvelQuoteAction quotes = daNone;
    TDurvelCharCase charCase = iccNone;
    TDurvelCharSet charSet = icsNone;
    QList<TDurvelReplacement> replacements;
};
Q_DECLARE_METATYPE(Rule)

namespace {

TDurvelFieldFormat makeFormat(const Rule& r)
{
    TDurvelFieldFormat f;
    f.FieldName = "F";
    f.GeneratorValue = r.generatorValue;
    f.GeneratorStep = r.generatorStep;
    f.ConstantValue = r.constant;
    f.NullValue = r.nullValue;
    f.DefaultValue = r.defaultValue;
    f.LeftQuote = r.left;
    f.RightQuote = r.right;
    f.QuoteAction = r.quotes;
    f.CharCase = r.charCase;
    f.CharSet = r.charSet;
    for (const auto& rep : r.replacements)
        *f.Replacements().Add() = rep;
    return f;
}

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT

private slots:
    void pipeline_data()
    {
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");

        Rule r;
        r.nullValue = "''";
        r.defaultValue = "N/A";
        r.replacements = {{"a", "b", false}};
        QTest::newRow("empty becomes default, no replacement") << r << ""
                                                               << "N/A";
        QTest::newRow("non-empty passes replacements") << r << "xa"
                                                       << "xb";

        Rule d;
        d.nullValue = "NULL";
        d.defaultValue = "''";
        QTest::newRow("null word to empty") << d << "null"
                                            << "";
        QTest::newRow("other text kept") << d << "nil"
                                         << "nil";

        Rule c;
        c.constant = "''";
        c.replacements = {{"", "x", false}};
        c.quotes = daAdd;
        c.left = "[";
        c.right = "]";
        QTest::newRow("empty constant still quoted") << c << "abc"
                                                     << "[]";

        Rule rep;
        rep.replacements = {{"world", "there", true}, {"HELLO", "bye", false}};
        QTest::newRow("replacements in order, own case rule") << rep << "hello WORLD world"
                                                              << "hello there there";

        Rule q;
        q.quotes = daRemove;
        q.left = "\"";
        q.right = "\"";
        QTest::newRow("remove both quotes") << q << "\"abc\""
                                            << "abc";
        QTest::newRow("remove right quote only") << q << "abc\""
                                                 << "abc";
        QTest::newRow("no quotes unchanged") << q << "abc"
                                             << "abc";
        QTest::newRow("lone quote removed once") << q << "\""
                                                 << "";

        Rule up;
        up.charCase = iccUpperFirst;
        QTest::newRow("upper first") << up << "hELLO wORLD"
                                     << "Hello world";
        Rule upw;
        upw.charCase = iccUpperFirstWord;
        QTest::newRow("upper first word") << upw << "hello  wORLD x"
                                          << "Hello  WORLD X";

        Rule order;
        order.replacements = {{"a", "b", false}};
        order.quotes = daAdd;
        order.left = "<";
        order.right = "q>";
        order.charCase = iccUpper;
        QTest::newRow("replace, then quote, then case") << order << "aa"
                                                        << "<BBQ>";
    }
    void pipeline()
    {
        QFETCH(Rule, rule);
        QFETCH(QString, input);
        QFETCH(QString, output);
        QCOMPARE(DurvelApplyFieldFormat(makeFormat(rule), nullptr, input), output);
    }

    void generatorReplacesValue()
    {
        Rule r;
        r.constant = "ignored";
        TDurvelGenerators gens;
        TDurvelGenerator* g = gens.Add(" F ", 100, 10);
        QCOMPARE(gens.ByName("f"), g);
        const TDurvelFieldFormat f = makeFormat(r);
        QCOMPARE(DurvelApplyFieldFormat(f, g, "x"), QString("110"));
        QCOMPARE(DurvelApplyFieldFormat(f, g, "x"), QString("120"));
    }

    void characterSetRule_data()
    {
        QTest::addColumn<int>("charSet");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("error"); // the text is then left as it was
        QTest::newRow("arabic letters to oem")
            << int(icsOem) << QString::fromUtf8("سلام محمد") << "";
        const struct
        {
            const char* letter;
            const char* code;
        } persian[] = {{"پ", "067E"}, {"چ", "0686"}, {"ژ", "0698"}, {"گ", "06AF"}};
        for (const auto& p : persian)
            QTest::addRow("%s lacks in oem", p.code)
                << int(icsOem) << QString::fromUtf8("ا") + QString::fromUtf8(p.letter)
                << QStringLiteral("Character U+%1 at position 2 cannot be written in code page 720")
                       .arg(QLatin1String(p.code));
        QTest::newRow("greek lacks in ansi")
            << int(icsAnsi) << QString::fromUtf8("Ω")
            << "Character U+03A9 at position 1 cannot be written in code page 1256";
    }
    void characterSetRule()
    {
        QFETCH(int, charSet);
        QFETCH(QString, input);
        QFETCH(QString, error);
        Rule rule;
        rule.charSet = TDurvelCharSet(charSet);
        QString errorText;
        const QString converted =
            DurvelApplyFieldFormat(makeFormat(rule), nullptr, input, &errorText);
        QCOMPARE(errorText, error);
        if (!error.isEmpty()) {
            QCOMPARE(converted, input);
            return;
        }
        // The other rule brings the text back.
        QVERIFY(converted != input);
        rule.charSet = charSet == icsOem ? icsAnsi : icsOem;
        QCOMPARE(DurvelApplyFieldFormat(makeFormat(rule), nullptr, converted), input);
    }

    void typedSet_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("thousands");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("stored"); // invalid QVariant = Null
        QTest::addColumn<QString>("error");

        const QString dot = ".", comma = ",";
        QTest::newRow("int with separators")
            << int(ftInteger) << dot << comma << "1,234.9" << QVariant(1234) << "";
        QTest::newRow("int, dot as thousands")
            << int(ftInteger) << comma << dot << "1.234" << QVariant(1234) << "";
        QTest::newRow("int negative")
            << int(ftSmallint) << dot << comma << " -12 " << QVariant(-12) << "";
        QTest::newRow("int empty is null")
            << int(ftInteger) << dot << comma << "" << QVariant() << "";
        QTest::newRow("int not a number")
            << int(ftInteger) << dot << comma << "12a" << QVariant("old")
            << "'12a' is not a valid integer value";
        QTest::newRow("int32 overflow")
            << int(ftInteger) << dot << comma << "2147483648" << QVariant("old")
            << "'2147483648' is out of range for field F";
        QTest::newRow("smallint overflow")
            << int(ftSmallint) << dot << comma << "40000" << QVariant("old")
            << "'40000' is out of range for field F";
        QTest::newRow("int64 max") << int(ftLargeint) << dot << comma << "9223372036854775807"
                                   << QVariant(Q_INT64_C(9223372036854775807)) << "";
        QTest::newRow("int64 min") << int(ftLargeint) << dot << comma << "-9223372036854775808"
                                   << QVariant(std::numeric_limits<qint64>::min()) << "";
        QTest::newRow("int64 overflow")
            << int(ftLargeint) << dot << comma << "9223372036854775808" << QVariant("old")
            << "'9223372036854775808' is out of range for field F";
        QTest::newRow("int64 exact") << int(ftLargeint) << dot << comma << "9007199254740993"
                                     << QVariant(Q_INT64_C(9007199254740993)) << "";
        QTest::newRow("float decimal comma")
            << int(ftFloat) << comma << dot << "1.234,5" << QVariant(1234.5) << "";
        QTest::newRow("float point read as decimal") << int(ftFloat) << comma << " "
                                                     << "12.5" << QVariant(12.5) << "";
        QTest::newRow("float empty is null")
            << int(ftFloat) << dot << comma << "  " << QVariant() << "";
        QTest::newRow("float bad") << int(ftFloat) << dot << comma << "1.2.3" << QVariant("old")
                                   << "'1.2.3' is not a valid floating point value";
        QTest::newRow("currency") << int(ftCurrency) << dot << comma << "1,000,000.25"
                                  << QVariant(1000000.25) << "";
        QTest::newRow("currency empty is null")
            << int(ftCurrency) << dot << comma << "" << QVariant() << "";
        QTest::newRow("bcd long text kept") << int(ftFMTBcd) << dot << comma << "1234567890.1234567"
                                            << QVariant("1234567890.1234567") << "";
        QTest::newRow("boolean true word")
            << int(ftBoolean) << dot << comma << "TRUE" << QVariant(true) << "";
        QTest::newRow("boolean other word")
            << int(ftBoolean) << dot << comma << "yes" << QVariant(false) << "";
        QTest::newRow("text untrimmed")
            << int(ftWideString) << dot << comma << " a " << QVariant(" a ") << "";
        QTest::newRow("null word any case")
            << int(ftInteger) << dot << comma << " nULL " << QVariant() << "";
        QTest::newRow("null word for text")
            << int(ftWideString) << dot << comma << "null" << QVariant() << "";
        QTest::newRow("text of the null word's length")
            << int(ftWideString) << dot << comma << "nulx" << QVariant("nulx") << "";
        QTest::newRow("persian text of the null word's length")
            << int(ftWideString) << dot << comma << QString::fromUtf8(" سارا ")
            << QVariant(QString::fromUtf8(" سارا ")) << "";
        QTest::newRow("empty text")
            << int(ftWideString) << dot << comma << "" << QVariant("") << "";
        QTest::newRow("date") << int(ftDate) << dot << comma << "2024/03/05"
                              << QVariant(QDate(2024, 3, 5)) << "";
        QTest::newRow("date time at midnight")
            << int(ftDateTime) << dot << comma << "2024/03/05 00:00"
            << QVariant(QDateTime(QDate(2024, 3, 5), QTime(0, 0))) << "";
        QTest::newRow("bad date") << int(ftDate) << dot << comma << "31/31/2000" << QVariant("old")
                                  << "Wrong date format \"31/31/2000\"";
        QTest::newRow("day zero") << int(ftDate) << dot << comma << "2024/03/00" << QVariant("old")
                                  << "Wrong date format \"2024/03/00\"";
        QTest::newRow("a bare number is no date")
            << int(ftDate) << dot << comma << "45356" << QVariant("old")
            << "Wrong date format \"45356\"";
        QTest::newRow("time") << int(ftTime) << dot << comma << "13:05:09"
                              << QVariant(QTime(13, 5, 9)) << "";
        QTest::newRow("fixed char")
            << int(ftFixedChar) << dot << comma << "x" << QVariant("old") << "Unknown field type";
        QTest::newRow("fixed char null")
            << int(ftFixedChar) << dot << comma << "Null" << QVariant() << "";
        QTest::newRow("bytes in ansi") << int(ftBytes) << dot << comma << QString::fromUtf8("سیپ")
                                       << QVariant(QByteArray("\xD3\xED\x81")) << "";
        QTest::newRow("bytes the page lacks")
            << int(ftBytes) << dot << comma << QString::fromUtf8("aΩ") << QVariant("old")
            << "Character U+03A9 at position 2 cannot be written in code page 1256";
    }
    void typedSet()
    {
        QFETCH(int, type);
        QFETCH(QString, decimal);
        QFETCH(QString, thousands);
        QFETCH(QString, text);
        QFETCH(QVariant, stored);
        QFETCH(QString, error);

        TDurvelFormats formats;
        formats.DecimalSeparator = decimal.at(0);
        formats.ThousandSeparator = thousands.at(0);
        FakeDataSet ds({{"F", TDurvelFieldType(type)}});
        ds.append();
        ds.field(0)->setValue(QStringLiteral("old"));
        QString errorText;
        DurvelSetFieldValue(formats, ds.field(0), text, errorText);
        QCOMPARE(errorText, error);
        QCOMPARE(ds.field(0)->value(), stored);
    }

    // The same text under each pair of separators, into an integer, a float and a currency
    // field (an invalid QVariant: a conversion error, the field kept). A separator is never
    // dropped where that would make the value ten times as large.
    void numbersBySeparators_data()
    {
        QTest::addColumn<QString>("separators"); // decimal, then thousands
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("integer");
        QTest::addColumn<QVariant>("real");
        QTest::addColumn<QVariant>("currency");
        const QVariant no;
        auto row = [](const char* name, const char* seps, const char* text, QVariant i, QVariant f,
                      QVariant c) {
            QTest::newRow(name) << QString::fromLatin1(seps) << QString::fromUtf8(text) << i << f
                                << c;
        };
        row(". , grouped with fraction", ".,", "1,234.9", 1234, 1234.9, 1234.9);
        row(". , two groups", ".,", "-1,234,567", -1234567, -1234567.0, -1234567.0);
        row(". , point alone", ".,", "12.5", 12, 12.5, 12.5);
        row(". , comma before one digit", ".,", "1,5", no, no, no);
        row(". , comma before four digits", ".,", "1,2345", no, no, no);
        row(". , first group too long", ".,", "1234,567", no, no, no);
        row(". , comma in the fraction", ".,", "1.234,5", no, no, no);
        row(", . point before one digit", ",.", "12.5", no, 12.5, no);
        row(", . point before two digits", ",.", "0.75", no, 0.75, no);
        row(", . grouped with fraction", ",.", "1.234,5", 1234, 1234.5, 1234.5);
        row(", . one group", ",.", "1.234", 1234, 1.234, 1234.0);
        row(", . two groups", ",.", "1.234.567", 1234567, 1234567.0, 1234567.0);
        row(", . comma alone", ",.", "12,5", 12, 12.5, 12.5);
        row(", . point in the fraction", ",.", "1,234.5", no, no, no);
        row(", . exponent", ",.", "1.5e3", no, 1500.0, no);
        row(", space grouped", ", ", "1 234,5", 1234, 1234.5, 1234.5);
        row(", space point read as decimal", ", ", "12.5", 12, 12.5, 12.5);
        row(", space space before two digits", ", ", "1 23", no, no, no);
        row("same separators", "..", "1.5", 1, 1.5, 1.5);
    }
    void numbersBySeparators()
    {
        QFETCH(QString, separators);
        QFETCH(QString, text);
        QFETCH(QVariant, integer);
        QFETCH(QVariant, real);
        QFETCH(QVariant, currency);
        TDurvelFormats formats;
        formats.DecimalSeparator = separators.at(0);
        formats.ThousandSeparator = separators.at(1);
        const std::tuple<TDurvelFieldType, QVariant, const char*> fields[] = {
            {ftInteger, integer, "integer"},
            {ftFloat, real, "float"},
            {ftCurrency, currency, "currency"}};
        for (const auto& [type, stored, name] : fields) {
            FakeDataSet ds({{"F", type}});
            ds.append();
            ds.field(0)->setValue(QStringLiteral("old"));
            QString errorText;
            DurvelSetFieldValue(formats, ds.field(0), text, errorText);
            const QByteArray what = QByteArray(name) + ": " + errorText.toUtf8();
            if (stored.isValid()) {
                QVERIFY2(errorText.isEmpty(), what.constData());
                QCOMPARE(ds.field(0)->value().toDouble(), stored.toDouble());
            } else {
                QVERIFY2(!errorText.isEmpty(), name);
                QCOMPARE(ds.field(0)->value(), QVariant(QStringLiteral("old")));
            }
        }
    }

    void userDates_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QDateTime>("expected"); // invalid = refused
        QTest::newRow("ymd") << "2024/03/05"
                             << "YYYY/MM/DD" << QDateTime(QDate(2024, 3, 5), QTime(0, 0));
        QTest::newRow("short parts") << "5/3/24"
                                     << "DD/MM/YY" << QDateTime(QDate(2024, 3, 5), QTime(0, 0));
        QTest::newRow("year 00") << "05/03/00"
                                 << "DD/MM/YY" << QDateTime(QDate(2000, 3, 5), QTime(0, 0));
        QTest::newRow("month name") << "05 March 2024"
                                    << "DD MMMM YYYY" << QDateTime(QDate(2024, 3, 5), QTime(0, 0));
        QTest::newRow("midnight") << "2024-03-05 00:00"
                                  << "YYYY-MM-DD HH:NN"
                                  << QDateTime(QDate(2024, 3, 5), QTime(0, 0));
        QTest::newRow("pm") << "2024-03-05 01:30PM"
                            << "YYYY-MM-DD HH:NNAMPM"
                            << QDateTime(QDate(2024, 3, 5), QTime(13, 30));
        QTest::newRow("AP after noon") << "2024/03/05 01:30 pm"
                                       << "YYYY/MM/DD HH:NN AP"
                                       << QDateTime(QDate(2024, 3, 5), QTime(13, 30));
        QTest::newRow("AP at midnight") << "2024/03/05 12:10 AM"
                                        << "YYYY/MM/DD HH:NN AP"
                                        << QDateTime(QDate(2024, 3, 5), QTime(0, 10));
        QTest::newRow("AP at noon") << "05/03/24 12 PM"
                                    << "DD/MM/YY HH AP"
                                    << QDateTime(QDate(2024, 3, 5), QTime(12, 0));
        QTest::newRow("AP in the morning") << "05/03/24 09AM"
                                           << "DD/MM/YY HHAP"
                                           << QDateTime(QDate(2024, 3, 5), QTime(9, 0));
        QTest::newRow("AP not AM or PM") << "05/03/24 09 XM"
                                         << "DD/MM/YY HH AP" << QDateTime();
        QTest::newRow("AP cut short") << "05/03/24 09 P"
                                      << "DD/MM/YY HH AP" << QDateTime();
        QTest::newRow("day zero") << "00/03/24"
                                  << "DD/MM/YY" << QDateTime();
        QTest::newRow("month 13") << "05/13/24"
                                  << "DD/MM/YY" << QDateTime();
        QTest::newRow("format below 5 characters") << "5/32"
                                                   << "D/MY" << QDateTime();
        QTest::newRow("one-letter parts") << "5/3/2"
                                          << "D/M/Y" << QDateTime(QDate(2002, 3, 5), QTime(0, 0));
        QTest::newRow("wrong separator") << "05-03-24"
                                         << "DD/MM/YY" << QDateTime();
        QTest::newRow("two-digit year for four") << "24/03/05"
                                                 << "YYYY/MM/DD" << QDateTime();
        QTest::newRow("text after the format") << "2024/03/05xyz"
                                               << "YYYY/MM/DD" << QDateTime();
        QTest::newRow("one-digit day and month")
            << "5/3/24"
            << "DD/MM/YY" << QDateTime(QDate(2024, 3, 5), QTime(0, 0));
    }
    void userDates()
    {
        QFETCH(QString, value);
        QFETCH(QString, format);
        QFETCH(QDateTime, expected);
        QDateTime got;
        const bool ok = DurvelParseUserDate(value, format, got);
        QCOMPARE(ok, expected.isValid());
        if (ok)
            QCOMPARE(got, expected);
    }

    void textToDateTime_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime march5(QDate(2024, 3, 5), QTime(0, 0));
        QTest::newRow("formats' own order") << "yyyy/mm/dd"
                                            << "2024/03/05" << march5;
        QTest::newRow("time after the date")
            << "dd/mm/yyyy"
            << "5/3/2024 14:07" << QDateTime(QDate(2024, 3, 5), QTime(14, 7));
        QTest::newRow("day serial") << "yyyy/mm/dd"
                                    << "45356" << march5;
        QTest::newRow("day first for a year-first format") << "yyyy/mm/dd"
                                                           << "05/03/2024" << QDateTime();
        QTest::newRow("short parts for a year-first format") << "yyyy/mm/dd"
                                                             << "5/3/2024" << QDateTime();
        QTest::newRow("text left over") << "yyyy/mm/dd"
                                        << "2024/03/05xyz" << QDateTime();
        QTest::newRow("no date") << "yyyy/mm/dd"
                                 << "yesterday" << QDateTime();
        // The format's digit counts hold in every stage.
        QTest::newRow("two-digit year under yyyy") << "yyyy/mm/dd"
                                                   << "5/3/24" << QDateTime();
        QTest::newRow("two-digit year under dd/mm/yyyy") << "dd/mm/yyyy"
                                                         << "05/03/24" << QDateTime();
        QTest::newRow("two-digit year under yy") << "yy/mm/dd"
                                                 << "24/03/05" << march5;
        QTest::newRow("four-digit year under yy") << "yy/mm/dd"
                                                  << "2024/03/05" << QDateTime();
        QTest::newRow("three-digit day") << "yyyy/mm/dd"
                                         << "2024/03/005" << QDateTime();
    }
    void textToDateTime()
    {
        QFETCH(QString, format);
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        TDurvelFormats f;
        f.ShortDateFormat = format;
        QDateTime v;
        QCOMPARE(DurvelTextToDateTime(f, text, v), expected.isValid());
        if (expected.isValid())
            QCOMPARE(v, expected);
    }

    void timestampFormat()
    {
        TDurvelFormats f;
        f.DateSeparator = u'-';
        const QDateTime t(QDate(2024, 3, 5), QTime(7, 4, 9));
        QCOMPARE(DurvelFormatDateTime(f, f.ShortDateFormat + " " + f.LongTimeFormat, t),
                 QString("2024-03-05 07:04:09"));
        QCOMPARE(DurvelFormatDateTime(f, "d mmm yy h:mm am/pm 'at' \"x\"", t),
                 QString("5 Mar 24 7:04 AM at x"));
        // A value without a date has no month or day to name.
        QCOMPARE(DurvelFormatDateTime(f, "mmm|mmmm|ddd|dddd", QDateTime()), QString("|||"));
    }

    // Month names come from the locale; a month it leaves without a name keeps the English
    // one; the date parser still reads the English names.
    void monthNamesFromTheLocale()
    {
        const auto restore = qScopeGuard([] { DurvelLoadMonthNames(QLocale::c()); });
        DurvelLoadMonthNames(QLocale(QLocale::Persian, QLocale::Iran));
        const QString persianMarch = QLocale(QLocale::Persian, QLocale::Iran).monthName(3);
        QVERIFY(!persianMarch.isEmpty());
        TDurvelFormats f;
        const QDateTime t(QDate(2024, 3, 5), QTime(0, 0));
        QCOMPARE(DurvelFormatDateTime(f, "mmmm", t), persianMarch);
        QDateTime parsed;
        QVERIFY(DurvelParseUserDate("05 March 2024", "DD MMMM YYYY", parsed));
        QCOMPARE(parsed.date(), QDate(2024, 3, 5));
        QVERIFY(!DurvelParseUserDate("05 " + persianMarch + " 2024", "DD MMMM YYYY", parsed));

        QStringList shortNames(12, QStringLiteral("s"));
        QStringList longNames(12, QStringLiteral("l"));
        shortNames[2].clear();
        longNames[2].clear();
        DurvelSetMonthNames(shortNames, longNames);
        QCOMPARE(DurvelFormatDateTime(f, "mmm mmmm", t), QStringLiteral("Mar March"));
        QCOMPARE(DurvelFormatDateTime(f, "mmm mmmm", t.addMonths(1)), QStringLiteral("s l"));
    }

    void fieldFormatLists()
    {
        TDurvelFieldFormats list;
        list.Add()->FieldName = "Name";
        TDurvelFieldFormat* f = list.Add();
        f->FieldName = QString::fromUtf8("نام");
        f->Replacements().Add()->TextToFind = "a";
        QCOMPARE(list.IndexByName("NAME"), 0);
        QCOMPARE(list.IndexByName(QString::fromUtf8("نام")), 1);
        QCOMPARE(list.IndexByName("x"), -1);
        QVERIFY(list.Items(0)->IsDefault());
        QVERIFY(!f->IsDefault());
        QVERIFY(f->Replacements().ItemExists("a", "", false));
        QVERIFY(!f->Replacements().ItemExists("A", "", false));
        TDurvelFieldFormats copy;
        copy.Assign(list);
        f->Replacements().Clear();
        QCOMPARE(copy.Items(1)->Replacements().Count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "test_formats.moc"

#include "import/engine/support/SheetValues.h"

#include <QtTest>

class TestSheetValues : public QObject
{
    Q_OBJECT

private slots:
    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("text");
        QTest::newRow("13-digit account") << 6037991234567.0 << "."
                                          << "6037991234567";
        QTest::newRow("15-digit account") << 123456789012345.0 << "."
                                          << "123456789012345";
        QTest::newRow("amount") << 25000000.0 << "."
                                << "25000000";
        QTest::newRow("negative") << -1250.5 << "."
                                  << "-1250.5";
        QTest::newRow("binary fraction noise") << 0.1 + 0.2 << "."
                                               << "0.3";
        QTest::newRow("small fraction") << 0.000012 << "."
                                        << "0.000012";
        QTest::newRow("large power of ten") << 1e20 << "."
                                            << "100000000000000000000";
        QTest::newRow("sixteen digits rounded to fifteen") << 1234567890123456.0 << "."
                                                           << "1234567890123460";
        QTest::newRow("import's separator") << 123.45 << "/"
                                            << "123/45";
        QTest::newRow("one digit") << 7.0 << "."
                                   << "7";
        QTest::newRow("ten") << 10.0 << "."
                             << "10";
        QTest::newRow("hundred") << 100.0 << "."
                                 << "100";
        QTest::newRow("negative whole") << -90210.0 << "."
                                        << "-90210";
        QTest::newRow("largest whole of fifteen digits") << 999999999999999.0 << "."
                                                         << "999999999999999";
        QTest::newRow("its negative") << -999999999999999.0 << "."
                                      << "-999999999999999";
        QTest::newRow("first sixteen-digit whole") << 1e15 << "."
                                                   << "1000000000000000";
        QTest::newRow("zero") << 0.0 << "."
                              << "0";
        QTest::newRow("negative zero") << -0.0 << "."
                                       << "0";
        QTest::newRow("not a number") << std::nan("") << "."
                                      << "#NUM!";
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, separator);
        QFETCH(QString, text);
        QCOMPARE(SheetNumberToText(value, separator.at(0)), text);
    }

    // Numbers as sheet XML writes them give the text of their value, whether taken as written
    // or through a double.
    void xmlNumberText_data()
    {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("text"); // empty: no number
        QTest::newRow("account") << QByteArray("6037991234567") << "."
                                 << "6037991234567";
        QTest::newRow("fifteen digits") << QByteArray("999999999999999") << "."
                                        << "999999999999999";
        QTest::newRow("sixteen digits") << QByteArray("1234567890123456") << "."
                                        << "1234567890123460";
        QTest::newRow("fraction") << QByteArray("-1250.5") << "/"
                                  << "-1250/5";
        QTest::newRow("small fraction") << QByteArray("0.000012") << "."
                                        << "0.000012";
        QTest::newRow("fifteen significant after zeros") << QByteArray("0.00123456789012345") << "."
                                                         << "0.00123456789012345";
        QTest::newRow("sixteen significant") << QByteArray("0.1000000000000000055") << "."
                                             << "0.1";
        QTest::newRow("leading zeros") << QByteArray("007") << "."
                                       << "7";
        QTest::newRow("trailing zeros") << QByteArray("12.500") << "."
                                        << "12.5";
        QTest::newRow("zero") << QByteArray("0") << "."
                              << "0";
        QTest::newRow("negative zero") << QByteArray("-0") << "."
                                       << "0";
        QTest::newRow("negative zero fraction") << QByteArray("-0.0") << "."
                                                << "0";
        QTest::newRow("exponent") << QByteArray("1.5E+15") << "."
                                  << "1500000000000000";
        QTest::newRow("small exponent") << QByteArray("1.2e-7") << ","
                                        << "0,00000012";
        QTest::newRow("blanks around") << QByteArray(" \t42\n") << "."
                                       << "42";
        QTest::newRow("plus sign") << QByteArray("+5") << "."
                                   << "5";
        QTest::newRow("point without digits") << QByteArray("3.") << "."
                                              << "3";
        QTest::newRow("empty") << QByteArray("") << "."
                               << "";
        QTest::newRow("text") << QByteArray("12a") << "."
                              << "";
        QTest::newRow("two points") << QByteArray("1.2.3") << "."
                                    << "";
    }
    void xmlNumberText()
    {
        QFETCH(QByteArray, written);
        QFETCH(QString, separator);
        QFETCH(QString, text);
        QString got = QStringLiteral("unchanged");
        QCOMPARE(SheetXmlNumberText(written, separator.at(0), got), !text.isEmpty());
        if (!text.isEmpty())
            QCOMPARE(got, text);
    }

    // Decimal text a source keeps (dBase, data packets): every digit as written, the import's
    // separator, no exponent.
    void decimalNumberText_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("text"); // empty: no number, left alone
        const char* const cases[][4] = {
            {"amount", "1234.56", ",", "1234,56"},
            {"trailing zeros kept", " 12.50 ", ",", "12,50"},
            {"whole", "-7", ",", "-7"},
            {"plus sign dropped", "+3.5", ".", "3.5"},
            {"no leading digit", "-.5", ",", "-0,5"},
            {"exponent", "1E+20", ",", "100000000000000000000"},
            {"exponent with a fraction", "1.25e3", ",", "1250"},
            {"negative exponent", "-1.5E-3", ",", "-0,0015"},
            {"twenty digits exact", "12345678901234567891", ".", "12345678901234567891"},
            {"zero with an exponent", "-0.0e5", ".", "0"},
            {"text", "12a", ",", ""},
            {"empty", "", ",", ""},
            {"dBase overflow mark", "****", ",", ""},
            {"exponent without digits", "1e", ",", ""},
            {"huge exponent", "1e99999", ",", ""},
        };
        for (const auto& c : cases)
            QTest::newRow(c[0]) << QString::fromLatin1(c[1]) << QString::fromLatin1(c[2])
                                << QString::fromLatin1(c[3]);
    }
    void decimalNumberText()
    {
        QFETCH(QString, written);
        QFETCH(QString, separator);
        QFETCH(QString, text);
        QString got = QStringLiteral("unchanged");
        QCOMPARE(DecimalNumberText(written, separator.at(0), got), !text.isEmpty());
        QCOMPARE(got, text.isEmpty() ? QStringLiteral("unchanged") : text);
    }

    void dateFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("date");
        QTest::newRow("day month year") << "dd/mm/yyyy" << true;
        QTest::newRow("upper case") << "YYYY-MM-DD" << true;
        QTest::newRow("time") << "h:mm AM/PM" << true;
        QTest::newRow("locale prefix") << "[$-409]d-mmm-yy;@" << true;
        QTest::newRow("elapsed hours") << "[h]:mm:ss" << true;
        QTest::newRow("general") << "General" << false;
        QTest::newRow("number") << "#,##0.00" << false;
        QTest::newRow("exponent") << "0.00E+00" << false;
        QTest::newRow("quoted unit") << "#,##0 \"days\"" << false;
        QTest::newRow("quoted Persian unit") << "#,##0 \"ریال\"" << false;
        QTest::newRow("colour") << "[Red]0.00" << false;
        QTest::newRow("escaped letter") << "0\\d" << false;
        QTest::newRow("padding and fill") << "_d0*s" << false;
        QTest::newRow("letter only in the negative section") << "0;\"-\"d" << false;
        QTest::newRow("text") << "@" << false;
    }
    void dateFormats()
    {
        QFETCH(QString, format);
        QFETCH(bool, date);
        QCOMPARE(IsDateFormatText(format), date);
    }

    void builtinFormats()
    {
        QList<int> dates;
        for (int i = 0; i < 200; ++i)
            if (IsBuiltinDateFormat(i))
                dates.append(i);
        QCOMPARE(dates, (QList<int>{14, 15, 16, 17, 18, 19, 20, 21, 22, 45, 46, 47}));
    }

    void serials_data()
    {
        QTest::addColumn<double>("serial");
        QTest::addColumn<bool>("is1904");
        QTest::addColumn<QString>("text");
        QTest::newRow("a date") << 45366.0 << false << "2024/03/15";
        QTest::newRow("the same day in 1904") << 43904.0 << true << "2024/03/15";
        QTest::newRow("date and time") << 45366.75 << false << "2024/03/15 18:00:00";
        QTest::newRow("time only") << 0.5 + 1.0 / 86400 << false << "12:00:01";
        QTest::newRow("before the day that never was") << 59.0 << false << "1900/02/28";
        QTest::newRow("after it") << 61.0 << false << "1900/03/01";
        QTest::newRow("first day") << 1.0 << false << "1900/01/01";
        QTest::newRow("past year 9999") << 3e6 << false << "3000000";
        QTest::newRow("negative") << -5.0 << false << "-5";
        QTest::newRow("zero in 1904 is its first day") << 0.0 << true << "1904/01/01";
        QTest::newRow("zero in 1900 is a time") << 0.0 << false << "00:00:00";
        QTest::newRow("time only in 1904") << 0.25 << true << "06:00:00";
    }
    void serials()
    {
        QFETCH(double, serial);
        QFETCH(bool, is1904);
        QFETCH(QString, text);
        const TSheetTextFormat format;
        QCOMPARE(format.SerialText(serial, is1904), text);
    }

    void dateTextHook()
    {
        TSheetTextFormat format;
        TSheetDateKind seen = TSheetDateKind::DateTime;
        format.DateText = [&seen](const QDateTime& v, TSheetDateKind kind) {
            seen = kind;
            return v.toString("dd.MM.yyyy");
        };
        QCOMPARE(format.SerialText(45366, false), QString("15.03.2024"));
        QCOMPARE(int(seen), int(TSheetDateKind::Date));
    }
};

QTEST_APPLESS_MAIN(TestSheetValues)
#include "test_sheetvalues.moc"

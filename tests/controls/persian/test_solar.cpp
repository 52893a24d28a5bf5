// Solar calendar arithmetic: known dates, leap years, month lengths, bad input.

#include "controls/persian/Utils.h"

#include <QtTest>

class TestSolar : public QObject
{
    Q_OBJECT

private slots:
    void gregorianToPersian_data();
    void gregorianToPersian();
    void persianToGregorian_data();
    void persianToGregorian();
    void extraDays_data();
    void extraDays();
    void leapYears_data();
    void leapYears();
    void persianMonthDays_data();
    void persianMonthDays();
    void gregorianMonthDays_data();
    void gregorianMonthDays();
    void serials_data();
    void serials();
    void serialRoundTrip();
    void impossiblePersian_data();
    void impossiblePersian();
    void impossibleGregorian_data();
    void impossibleGregorian();
    void badSerial_data();
    void badSerial();
    void dayOfWeek_data();
    void dayOfWeek();
    void today();
    void repeatChar_data();
    void repeatChar();
};

void TestSolar::gregorianToPersian_data()
{
    QTest::addColumn<QDate>("gregorian");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::newRow("nowruz 1403") << QDate(2024, 3, 20) << 1403 << 1 << 1;
    QTest::newRow("eve of 1403") << QDate(2024, 3, 19) << 1402 << 12 << 29;
    QTest::newRow("leap esfand 1399") << QDate(2021, 3, 20) << 1399 << 12 << 30;
    QTest::newRow("nowruz 1400") << QDate(2021, 3, 21) << 1400 << 1 << 1;
    QTest::newRow("2021 new year") << QDate(2021, 1, 1) << 1399 << 10 << 12;
    QTest::newRow("nowruz 1374") << QDate(1995, 3, 21) << 1374 << 1 << 1;
    QTest::newRow("leap esfand 1403") << QDate(2025, 3, 20) << 1403 << 12 << 30;
    // Outside 1993-2029 a fixed Nowruz on Gregorian day 80 goes wrong.
    QTest::newRow("esfand 30 1370") << QDate(1992, 3, 20) << 1370 << 12 << 30;
    QTest::newRow("nowruz 1371") << QDate(1992, 3, 21) << 1371 << 1 << 1;
    QTest::newRow("nowruz 1409") << QDate(2030, 3, 21) << 1409 << 1 << 1;
    QTest::newRow("leap esfand 1408") << QDate(2030, 3, 20) << 1408 << 12 << 30;
    QTest::newRow("1900 not leap") << QDate(1900, 3, 1) << 1278 << 12 << 10;
    QTest::newRow("first day 1900") << QDate(1900, 1, 1) << 1278 << 10 << 11;
    QTest::newRow("last day 2100") << QDate(2100, 12, 31) << 1479 << 10 << 10;
}

void TestSolar::gregorianToPersian()
{
    QFETCH(QDate, gregorian);
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    const int serial = GregorianToPersianSerial(
        quint16(gregorian.year()), quint16(gregorian.month()), quint16(gregorian.day()), 0);
    quint16 py = 0, pm = 0, pd = 0;
    QVERIFY(SerialToPersianDate(serial, py, pm, pd));
    QCOMPARE(int(py), y);
    QCOMPARE(int(pm), m);
    QCOMPARE(int(pd), d);
    QCOMPARE(DateTimeToPersianSerial(gregorian), serial);
}

void TestSolar::persianToGregorian_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<QDate>("gregorian");
    QTest::newRow("nowruz 1403") << 1403 << 1 << 1 << QDate(2024, 3, 20);
    QTest::newRow("mehr 1402") << 1402 << 7 << 1 << QDate(2023, 9, 23);
    QTest::newRow("esfand 30 1370") << 1370 << 12 << 30 << QDate(1992, 3, 20);
    QTest::newRow("nowruz 1371") << 1371 << 1 << 1 << QDate(1992, 3, 21);
    QTest::newRow("nowruz 1404") << 1404 << 1 << 1 << QDate(2025, 3, 21);
    QTest::newRow("year 3 is 1303") << 3 << 1 << 1 << QDate(1924, 3, 21);
    QTest::newRow("year 999 is 2299") << 999 << 1 << 1 << PersianToGregorian(2299, 1, 1, 0);
    QTest::newRow("year 1000 as is") << 1000 << 1 << 1 << QDate(1621, 3, 21);
}

void TestSolar::persianToGregorian()
{
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(QDate, gregorian);
    QVERIFY(gregorian.isValid());
    QCOMPARE(PersianToGregorian(quint16(y), quint16(m), quint16(d), 0), gregorian);
}

void TestSolar::extraDays_data()
{
    QTest::addColumn<int>("extra");
    QTest::addColumn<QDate>("gregorian");
    QTest::addColumn<QString>("persian");
    QTest::newRow("none") << 0 << QDate(2024, 3, 20) << "1403/1/1";
    QTest::newRow("back over nowruz") << -1 << QDate(2024, 3, 19) << "1402/12/29";
    QTest::newRow("a leap year on") << 366 << QDate(2025, 3, 21) << "1404/1/1";
    QTest::newRow("into mehr") << 186 << QDate(2024, 9, 22) << "1403/7/1";
}

void TestSolar::extraDays()
{
    QFETCH(int, extra);
    QFETCH(QDate, gregorian);
    QFETCH(QString, persian);
    QCOMPARE(PersianToGregorian(1403, 1, 1, extra), gregorian);
    const int serial = GregorianToPersianSerial(2024, 3, 20, extra);
    quint16 y, m, d;
    QVERIFY(SerialToPersianDate(serial, y, m, d));
    QCOMPARE(QStringLiteral("%1/%2/%3").arg(y).arg(m).arg(d), persian);
}

void TestSolar::leapYears_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<bool>("leap");
    QTest::newRow("1399") << 1399 << true;
    QTest::newRow("1403") << 1403 << true;
    QTest::newRow("1408") << 1408 << true;
    QTest::newRow("1404") << 1404 << false;
    QTest::newRow("1407") << 1407 << false;
    QTest::newRow("1370") << 1370 << true;
    QTest::newRow("1375") << 1375 << true;
    QTest::newRow("1374") << 1374 << false;
    QTest::newRow("1402") << 1402 << false;
}

void TestSolar::leapYears()
{
    QFETCH(int, year);
    QFETCH(bool, leap);
    QCOMPARE(PersianMonthDays(quint16(year), 12), leap ? 30 : 29);
    QCOMPARE(PersianDateToSerial(quint16(year + 1), 1, 1) -
                 PersianDateToSerial(quint16(year), 1, 1),
             leap ? 366 : 365);
}

void TestSolar::persianMonthDays_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("days");
    for (int m = 1; m <= 6; ++m)
        QTest::addRow("month %d", m) << 1403 << m << 31;
    for (int m = 7; m <= 11; ++m)
        QTest::addRow("month %d", m) << 1403 << m << 30;
    QTest::newRow("month 0 is esfand 1402") << 1403 << 0 << 29;
    QTest::newRow("month 0 is esfand 1403") << 1404 << 0 << 30;
    QTest::newRow("month 13") << 1403 << 13 << 30;
}

void TestSolar::persianMonthDays()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, days);
    QCOMPARE(PersianMonthDays(quint16(year), quint16(month)), days);
}

void TestSolar::gregorianMonthDays_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("days");
    QTest::newRow("january") << 2023 << 1 << 31;
    QTest::newRow("april") << 2023 << 4 << 30;
    QTest::newRow("august") << 2023 << 8 << 31;
    QTest::newRow("december") << 2023 << 12 << 31;
    QTest::newRow("february 2023") << 2023 << 2 << 28;
    QTest::newRow("february 2024") << 2024 << 2 << 29;
    QTest::newRow("february 1900") << 1900 << 2 << 28;
    QTest::newRow("february 2000") << 2000 << 2 << 29;
    QTest::newRow("february 2100") << 2100 << 2 << 28;
    QTest::newRow("month 0") << 2023 << 0 << 30;
    QTest::newRow("month 13") << 2023 << 13 << 30;
}

void TestSolar::gregorianMonthDays()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, days);
    QCOMPARE(GregorianMonthDays(quint16(year), quint16(month)), days);
}

void TestSolar::serials_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("serial");
    QTest::newRow("origin") << 1 << 1 << 1 << 1;
    QTest::newRow("end of bahman 1") << 1 << 11 << 30 << 336;
    QTest::newRow("esfand 29 of 1") << 1 << 12 << 29 << 365;
    QTest::newRow("esfand 30 of 1 (leap)") << 1 << 12 << 30 << 366;
    QTest::newRow("nowruz 2") << 2 << 1 << 1 << 367;
    QTest::newRow("no year") << 0 << 1 << 1 << 0;
}

void TestSolar::serials()
{
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(int, serial);
    QCOMPARE(PersianDateToSerial(quint16(y), quint16(m), quint16(d)), serial);
    if (serial > 0) {
        quint16 py, pm, pd;
        QVERIFY(SerialToPersianDate(serial, py, pm, pd));
        QCOMPARE(int(py), y);
        QCOMPARE(int(pm), m);
        QCOMPARE(int(pd), d);
    }
}

void TestSolar::serialRoundTrip()
{
    // Consecutive serials walk the calendar one day at a time, across many leap cycles.
    quint16 y = 1, m = 1, d = 1;
    for (int serial = 1; serial <= 800000; ++serial) {
        quint16 py, pm, pd;
        QVERIFY(SerialToPersianDate(serial, py, pm, pd));
        if (py != y || pm != m || pd != d)
            QFAIL(qPrintable(QStringLiteral("serial %1 gave %2/%3/%4, expected %5/%6/%7")
                                 .arg(serial)
                                 .arg(py)
                                 .arg(pm)
                                 .arg(pd)
                                 .arg(y)
                                 .arg(m)
                                 .arg(d)));
        QCOMPARE(PersianDateToSerial(py, pm, pd), serial);
        if (++d > PersianMonthDays(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
}

void TestSolar::impossiblePersian_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::newRow("year 0") << 0 << 1 << 1;
    QTest::newRow("month 0") << 1403 << 0 << 1;
    QTest::newRow("month 13") << 1403 << 13 << 1;
    QTest::newRow("day 0") << 1403 << 1 << 0;
    QTest::newRow("day 32") << 1403 << 1 << 32;
    QTest::newRow("mehr 31") << 1403 << 7 << 31;
    QTest::newRow("esfand 30 of 1404") << 1404 << 12 << 30;
}

void TestSolar::impossiblePersian()
{
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QCOMPARE(PersianDateToSerial(quint16(y), quint16(m), quint16(d)), 0);
    QVERIFY(PersianToGregorian(quint16(y), quint16(m), quint16(d), 0).isNull());
    QVERIFY(PersianToGregorian(quint16(y), quint16(m), quint16(d), 5).isNull());
    QCOMPARE(PersianDayOfWeek(quint16(y), quint16(m), quint16(d)), 0);
}

void TestSolar::impossibleGregorian_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("extra");
    QTest::newRow("year 0") << 0 << 3 << 20 << 0;
    QTest::newRow("month 0") << 2024 << 0 << 1 << 0;
    QTest::newRow("month 13") << 2024 << 13 << 1 << 0;
    QTest::newRow("day 0") << 2024 << 3 << 0 << 0;
    QTest::newRow("april 31") << 2024 << 4 << 31 << 0;
    QTest::newRow("february 29 2023") << 2023 << 2 << 29 << 0;
    QTest::newRow("february 29 1900") << 1900 << 2 << 29 << 0;
    QTest::newRow("before the origin") << 622 << 3 << 1 << 0;
    QTest::newRow("pushed before the origin") << 2024 << 3 << 20 << -800000;
}

void TestSolar::impossibleGregorian()
{
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(int, extra);
    QCOMPARE(GregorianToPersianSerial(quint16(y), quint16(m), quint16(d), extra), 0);
}

void TestSolar::badSerial_data()
{
    QTest::addColumn<int>("serial");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -5;
    QTest::newRow("past year 65535") << PersianDateToSerial(65535, 12, 29) + 1000;
}

void TestSolar::badSerial()
{
    QFETCH(int, serial);
    quint16 y = 7, m = 7, d = 7;
    QVERIFY(!SerialToPersianDate(serial, y, m, d));
    QCOMPARE(y, quint16(0));
    QCOMPARE(m, quint16(0));
    QCOMPARE(d, quint16(0));
}

void TestSolar::dayOfWeek_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("weekday");
    QTest::newRow("wednesday 1403/01/01") << 1403 << 1 << 1 << 5;
    QTest::newRow("saturday 1402/07/01") << 1402 << 7 << 1 << 1;
    QTest::newRow("sunday 1402/07/02") << 1402 << 7 << 2 << 2;
    QTest::newRow("friday 1402/07/07") << 1402 << 7 << 7 << 7;
    QTest::newRow("friday 1404/01/01") << 1404 << 1 << 1 << 7;
}

void TestSolar::dayOfWeek()
{
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(int, weekday);
    QCOMPARE(PersianDayOfWeek(quint16(y), quint16(m), quint16(d)), weekday);
}

void TestSolar::today()
{
    const QDate before = QDate::currentDate();
    const int serial = TodayPersianSerial();
    const QDate after = QDate::currentDate();
    QVERIFY(serial == DateTimeToPersianSerial(before) || serial == DateTimeToPersianSerial(after));
    QCOMPARE(DateTimeToPersianSerial(QDate()), 0);
}

void TestSolar::repeatChar_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative") << -3 << QString();
    QTest::newRow("zero") << 0 << QString();
    QTest::newRow("one") << 1 << "0";
    QTest::newRow("five") << 5 << "00000";
}

void TestSolar::repeatChar()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(RepeatChar(QLatin1Char('0'), count), text);
}

QTEST_MAIN(TestSolar)
#include "test_solar.moc"

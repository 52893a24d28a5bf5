// The solar calendar arithmetic against ICU's Persian calendar, day by day, both ways.

#include "controls/persian/Utils.h"

#include <QtTest>

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <cmath>
#include <memory>

namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr qint64 kUnixEpochJulianDay = 2440588; // 1970-01-01

std::unique_ptr<icu::Calendar> makeCalendar(const char* locale)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> cal(icu::Calendar::createInstance(
        icu::TimeZone::createTimeZone("UTC"), icu::Locale(locale), status));
    if (U_FAILURE(status))
        return nullptr;
    return cal;
}

// Noon keeps the instant well inside the day whatever ICU does with the time of day.
UDate noonOf(const QDate& date)
{
    return (double(date.toJulianDay() - kUnixEpochJulianDay) + 0.5) * kMsPerDay;
}

} // namespace

class TestSolarIcu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyDayBothWays_data();
    void everyDayBothWays();
    void monthLengths();

private:
    std::unique_ptr<icu::Calendar> persian;
};

void TestSolarIcu::initTestCase()
{
    persian = makeCalendar("fa_IR@calendar=persian");
    QVERIFY2(persian, "ICU could not create a Persian calendar");
    QCOMPARE(QByteArray(persian->getType()), QByteArray("persian"));
}

void TestSolarIcu::everyDayBothWays_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    // One row per quarter century keeps a failure report short and pointed.
    for (int year = 1900; year <= 2100; year += 25) {
        const int last = qMin(year + 24, 2100);
        QTest::addRow("%d-%d", year, last) << QDate(year, 1, 1) << QDate(last, 12, 31);
    }
}

void TestSolarIcu::everyDayBothWays()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    UErrorCode status = U_ZERO_ERROR;
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        persian->clear();
        persian->setTime(noonOf(day), status);
        const int iy = persian->get(UCAL_YEAR, status);
        const int im = persian->get(UCAL_MONTH, status) + 1;
        const int id = persian->get(UCAL_DATE, status);
        const int iw = persian->get(UCAL_DAY_OF_WEEK, status); // Sunday 1 .. Saturday 7
        QVERIFY(U_SUCCESS(status));

        const int serial = GregorianToPersianSerial(quint16(day.year()), quint16(day.month()),
                                                    quint16(day.day()), 0);
        quint16 y = 0, m = 0, d = 0;
        QVERIFY2(SerialToPersianDate(serial, y, m, d), qPrintable(day.toString(Qt::ISODate)));
        if (y != iy || m != im || d != id)
            QFAIL(qPrintable(QStringLiteral("%1 gave %2/%3/%4, ICU %5/%6/%7")
                                 .arg(day.toString(Qt::ISODate))
                                 .arg(y)
                                 .arg(m)
                                 .arg(d)
                                 .arg(iy)
                                 .arg(im)
                                 .arg(id)));
        QCOMPARE(DateTimeToPersianSerial(day), serial);
        QCOMPARE(PersianDateToSerial(y, m, d), serial);

        // The other way: ICU's Persian fields back to the Gregorian day.
        persian->clear();
        persian->set(iy, im - 1, id, 12, 0, 0);
        const UDate millis = persian->getTime(status);
        QVERIFY(U_SUCCESS(status));
        const QDate icuDay =
            QDate::fromJulianDay(qint64(std::floor(millis / kMsPerDay)) + kUnixEpochJulianDay);
        QCOMPARE(icuDay, day);
        const QDate ours = PersianToGregorian(quint16(iy), quint16(im), quint16(id), 0);
        if (ours != icuDay)
            QFAIL(qPrintable(QStringLiteral("%1/%2/%3 gave %4, ICU %5")
                                 .arg(iy)
                                 .arg(im)
                                 .arg(id)
                                 .arg(ours.toString(Qt::ISODate), icuDay.toString(Qt::ISODate))));

        QCOMPARE(PersianDayOfWeek(y, m, d), iw % 7 + 1);
    }
}

void TestSolarIcu::monthLengths()
{
    UErrorCode status = U_ZERO_ERROR;
    for (int year = 1278; year <= 1480; ++year) {
        for (int month = 1; month <= 12; ++month) {
            persian->clear();
            persian->set(year, month - 1, 1);
            const int icuDays = persian->getActualMaximum(UCAL_DATE, status);
            QVERIFY(U_SUCCESS(status));
            if (PersianMonthDays(quint16(year), quint16(month)) != icuDays)
                QFAIL(qPrintable(QStringLiteral("%1/%2: %3 days, ICU %4")
                                     .arg(year)
                                     .arg(month)
                                     .arg(PersianMonthDays(quint16(year), quint16(month)))
                                     .arg(icuDays)));
        }
    }
}

QTEST_MAIN(TestSolarIcu)
#include "test_solar_icu.moc"

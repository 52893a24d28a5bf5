#include "controls/persian/Utils.h"

namespace {

// Julian day number of serial 0, the day before 1 Farvardin 1 (622-03-19 Julian).
constexpr qint64 kSerialToJulianDay = 1948319;
constexpr int kMaxYear = 65535;

constexpr qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

constexpr qint64 floorMod(qint64 a, qint64 b)
{
    return a - floorDiv(a, b) * b;
}

constexpr bool isLeap(qint64 year)
{
    return floorMod(25 * year + 11, 33) < 8;
}

// Days from serial 0 to the day before Farvardin 1 of the year.
constexpr qint64 daysBeforeYear(qint64 year)
{
    return 365 * (year - 1) + floorDiv(8 * year + 21, 33);
}

constexpr int daysBeforeMonth(int month)
{
    return month <= 7 ? 31 * (month - 1) : 186 + 30 * (month - 7);
}

bool isValidPersian(quint16 year, quint16 month, quint16 day)
{
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 &&
           day <= PersianMonthDays(year, month);
}

QDate serialToQDate(qint64 serial)
{
    return QDate::fromJulianDay(serial + kSerialToJulianDay);
}

} // namespace

int PersianMonthDays(quint16 Year, quint16 Month)
{
    qint64 year = Year;
    if (Month == 0) {
        year -= 1;
        Month = 12;
    }
    if (Month <= 6)
        return 31;
    if (Month <= 11)
        return 30;
    if (Month == 12)
        return isLeap(year) ? 30 : 29;
    return 30;
}

int GregorianMonthDays(quint16 Year, quint16 Month)
{
    switch (Month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    case 2:
        return QDate::isLeapYear(Year) ? 29 : 28;
    default:
        return 30;
    }
}

int PersianDateToSerial(quint16 Year, quint16 Month, quint16 Day)
{
    if (!isValidPersian(Year, Month, Day))
        return 0;
    return int(daysBeforeYear(Year) + daysBeforeMonth(Month) + Day);
}

bool SerialToPersianDate(int Serial, quint16& Year, quint16& Month, quint16& Day)
{
    Year = Month = Day = 0;
    if (Serial < 1 || Serial > daysBeforeYear(kMaxYear + 1))
        return false;
    // 12053 days make up one 33-year cycle; the estimate is off by at most one year.
    qint64 year = floorDiv(33 * qint64(Serial - 1), 12053) + 1;
    while (year > 1 && daysBeforeYear(year) >= Serial)
        --year;
    while (daysBeforeYear(year + 1) < Serial)
        ++year;
    int dayOfYear = int(Serial - daysBeforeYear(year));
    int month = dayOfYear <= 186 ? (dayOfYear - 1) / 31 + 1 : (dayOfYear - 187) / 30 + 7;
    Year = quint16(year);
    Month = quint16(month);
    Day = quint16(dayOfYear - daysBeforeMonth(month));
    return true;
}

int GregorianToPersianSerial(quint16 Year, quint16 Month, quint16 Day, int ExtraDays)
{
    const QDate date(Year, Month, Day);
    // QDate accepts year 0 as a null date only; the platform knows no Gregorian year 0.
    if (Year == 0 || !date.isValid())
        return 0;
    const qint64 serial = date.toJulianDay() + ExtraDays - kSerialToJulianDay;
    if (serial < 1 || serial > daysBeforeYear(kMaxYear + 1))
        return 0;
    return int(serial);
}

QDate PersianToGregorian(quint16 Year, quint16 Month, quint16 Day, int ExtraDays)
{
    if (Year == 0)
        return {};
    if (Year < 1000)
        Year = quint16(Year + 1300);
    const int serial = PersianDateToSerial(Year, Month, Day);
    if (serial == 0)
        return {};
    return serialToQDate(qint64(serial) + ExtraDays);
}

int PersianDayOfWeek(quint16 Year, quint16 Month, quint16 Day)
{
    const QDate date = PersianToGregorian(Year, Month, Day, 0);
    if (!date.isValid())
        return 0;
    // QDate: Monday 1 .. Sunday 7; wanted: Saturday 1 .. Friday 7.
    return (date.dayOfWeek() + 1) % 7 + 1;
}

int TodayPersianSerial()
{
    return DateTimeToPersianSerial(QDate::currentDate());
}

int DateTimeToPersianSerial(const QDate& Date)
{
    if (!Date.isValid() || Date.year() < 1 || Date.year() > kMaxYear)
        return 0;
    return GregorianToPersianSerial(quint16(Date.year()), quint16(Date.month()),
                                    quint16(Date.day()), 0);
}

QString RepeatChar(QChar Ch, int Count)
{
    return Count > 0 ? QString(Count, Ch) : QString();
}

#pragma once

// Solar (Hijri Shamsi) calendar arithmetic shared by the calendar view, the date-picking
// dialog and the date edit.
//
// A solar date is year / month 1..12 / day 1..31; year 0 means "no date". A serial counts
// days from 1/1/1 (serial 1). Gregorian dates are QDate values; a null QDate is "no date"
// and is also what a conversion returns when its input is impossible.
//
// Leap years follow the 33-year arithmetic rule, which matches the observed calendar for
// the whole of the 20th and 21st centuries.

#include <QChar>
#include <QDate>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>

// Month 1 first (index 0).
inline constexpr std::array<QStringView, 12> PersianMonthNames{
    u"\u0641\u0631\u0648\u0631\u062F\u064A\u0646",       // Farvardin
    u"\u0627\u0631\u062F\u064A\u0628\u0647\u0634\u062A", // Ordibehesht
    u"\u062E\u0631\u062F\u0627\u062F",                   // Khordad
    u"\u062A\u064A\u0631",                               // Tir
    u"\u0645\u0631\u062F\u0627\u062F",                   // Mordad
    u"\u0634\u0647\u0631\u064A\u0648\u0631",             // Shahrivar
    u"\u0645\u0647\u0631",                               // Mehr
    u"\u0622\u0628\u0627\u0646",                         // Aban
    u"\u0622\u0630\u0631",                               // Azar
    u"\u062F\u0649",                                     // Dey
    u"\u0628\u0647\u0645\u0646",                         // Bahman
    u"\u0627\u0633\u0641\u0646\u062F",                   // Esfand
};

// Saturday first (index 0) through Friday (index 6).
inline constexpr std::array<QStringView, 7> PersianWeekDayLetters{
    u"\u0634", u"\u0649", u"\u062F", u"\u0633", u"\u0686", u"\u067E", u"\u062C",
};

// Days in a solar month. Month 0 is Esfand of the year before; a month above 12 gives 30.
int PersianMonthDays(quint16 Year, quint16 Month);

// Days in a Gregorian month; a month number outside 1..12 gives 30.
int GregorianMonthDays(quint16 Year, quint16 Month);

// Serial of a solar date; 0 for year 0 or an impossible date.
int PersianDateToSerial(quint16 Year, quint16 Month, quint16 Day);

// Solar date of a serial. False (and all parts 0) for a serial below 1 or past year 65535.
bool SerialToPersianDate(int Serial, quint16& Year, quint16& Month, quint16& Day);

// Serial of the solar date that falls ExtraDays after the Gregorian date; 0 when the
// Gregorian date is impossible or the result falls before 1/1/1.
int GregorianToPersianSerial(quint16 Year, quint16 Month, quint16 Day, int ExtraDays);

// Gregorian date ExtraDays after the solar date; a year below 1000 is read as 1300 + year.
// A null QDate when the solar date is impossible.
QDate PersianToGregorian(quint16 Year, quint16 Month, quint16 Day, int ExtraDays);

// 1 = Saturday ... 7 = Friday; 0 for an impossible date.
int PersianDayOfWeek(quint16 Year, quint16 Month, quint16 Day);

int TodayPersianSerial();

// 0 for a null or invalid date.
int DateTimeToPersianSerial(const QDate& Date);

QString RepeatChar(QChar Ch, int Count);

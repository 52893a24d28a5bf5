#pragma once
// The value rules every spreadsheet reader shares: a number as text (never an exponent, at most
// 15 significant digits, the import's decimal separator), the date classifier by number format
// and the day serials of both date systems.

#include <QDateTime>
#include <QString>
#include <functional>

enum class TSheetDateKind { Date, Time, DateTime };

// Fixed notation with at most 15 significant digits and no trailing zeros: 6037991234567,
// 0.1 (not 0.1000000000000000055), 1E20 as 100000000000000000000. Not-a-number and infinities,
// which no spreadsheet cell can hold, read as "#NUM!".
QString SheetNumberToText(double Value, QChar DecimalSeparator = u'.');
// The same into Out, in the memory it already holds where it can.
void SheetNumberToText(double Value, QChar DecimalSeparator, QString& Out);
// A number as document XML writes it ("1250", "-0.75", "1.5E-3", blanks around allowed) into
// the same text SheetNumberToText gives its value; false when it is no number. Plain numbers
// of up to 15 digits are taken as written, without a round trip through a double.
bool SheetXmlNumberText(QByteArrayView Number, QChar DecimalSeparator, QString& Text);
// A number a source keeps as decimal text ("1234.56", " -7", "1.5E+20") with the import's
// decimal separator and without an exponent, every digit as written (no round trip through a
// double). False, and Text untouched, when it is no such number.
bool DecimalNumberText(QStringView Number, QChar DecimalSeparator, QString& Text);

// Built-in number formats that show dates or times: 14 to 22 and 45 to 47.
bool IsBuiltinDateFormat(int Index);
// A format shows a date or time when, outside quoted text, [...] parts, escaped characters and
// fill or padding pairs, its first section holds one of the letters d, m, y, h or s.
bool IsDateFormatText(QStringView Format);

// A day serial (days since 1899-12-30; since 1904-01-01 in the 1904 system) as a date and
// time to the millisecond, and which of the two it shows by its whole and fractional parts.
// False when the serial lies outside the years 1900 to 9999.
bool SheetSerialToDateTime(double Serial, bool Date1904, QDateTime& Value, TSheetDateKind& Kind);

// How a reader turns cell values into text.
struct TSheetTextFormat
{
    QChar DecimalSeparator = u'.';
    // Dates and times as text; when unset "yyyy/MM/dd", "HH:mm:ss" or both.
    std::function<QString(const QDateTime& Value, TSheetDateKind Kind)> DateText;

    QString NumberText(double Value) const { return SheetNumberToText(Value, DecimalSeparator); }
    void NumberText(double Value, QString& Out) const
    {
        SheetNumberToText(Value, DecimalSeparator, Out);
    }
    bool XmlNumberText(QByteArrayView Number, QString& Text) const
    {
        return SheetXmlNumberText(Number, DecimalSeparator, Text);
    }
    // A serial that is no date reads as its number.
    QString SerialText(double Serial, bool Date1904) const;
};

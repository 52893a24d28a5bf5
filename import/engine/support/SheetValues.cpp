#include "import/engine/support/SheetValues.h"

#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

// A whole number of up to 15 digits (accounts, amounts), exact as it is, written by hand into
// the memory Out already holds where it can: the general conversion and a new string cost
// several times this, once per cell. False, and Out untouched, for any other number.
bool wholeNumberText(double Value, QString& Out)
{
    if (!(std::abs(Value) < 1e15))
        return false;
    const qint64 n = qint64(Value); // exact below 1e15: equal exactly when Value is whole
    if (double(n) != Value)
        return false;
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324"
                                     "25262728293031323334353637383940414243444546474849"
                                     "50515253545556575859606162636465666768697071727374"
                                     "75767778798081828384858687888990919293949596979899";
    const bool negative = n < 0;
    quint64 u = negative ? quint64(-n) : quint64(n);
    char16_t digits[20];
    char16_t* p = std::end(digits);
    for (; u >= 100; u /= 100) {
        const char* pair = kPairs + 2 * (u % 100);
        *--p = char16_t(pair[1]);
        *--p = char16_t(pair[0]);
    }
    if (u >= 10) {
        *--p = char16_t(kPairs[2 * u + 1]);
        *--p = char16_t(kPairs[2 * u]);
    } else {
        *--p = char16_t(u'0' + u);
    }
    if (negative)
        *--p = u'-';
    Out.resize(qsizetype(std::end(digits) - p));
    std::copy(p, std::end(digits), reinterpret_cast<char16_t*>(Out.data()));
    return true;
}

// Any other finite, non-zero number: 15 significant digits in scientific form, then placed by
// hand.
QString fractionText(double Value, QChar DecimalSeparator)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", Value);
    const bool negative = buf[0] == '-';
    const char* p = buf + (negative ? 1 : 0);
    QByteArray digits;
    digits.append(p[0]);
    const char* q = p + 2; // past "d."
    while (*q >= '0' && *q <= '9')
        digits.append(*q++);
    const int exponent = std::atoi(q + 1); // past "e"
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    // digits d0 d1 ... stand for d0.d1... x 10^exponent.
    const int pointAt = exponent + 1; // digits before the decimal point
    QString out;
    if (negative)
        out += u'-';
    if (pointAt <= 0) {
        out += u'0';
        out += DecimalSeparator;
        out += QString(-pointAt, u'0');
        out += QLatin1StringView(digits);
    } else if (pointAt >= digits.size()) {
        out += QLatin1StringView(digits);
        out += QString(pointAt - digits.size(), u'0');
    } else {
        out += QLatin1StringView(digits.left(pointAt));
        out += DecimalSeparator;
        out += QLatin1StringView(digits.mid(pointAt));
    }
    return out;
}

} // namespace

void SheetNumberToText(double Value, QChar DecimalSeparator, QString& Out)
{
    if (!std::isfinite(Value))
        Out = QStringLiteral("#NUM!");
    else if (Value == 0)
        Out = QStringLiteral("0");
    else if (!wholeNumberText(Value, Out))
        Out = fractionText(Value, DecimalSeparator);
}

QString SheetNumberToText(double Value, QChar DecimalSeparator)
{
    QString out;
    SheetNumberToText(Value, DecimalSeparator, out);
    return out;
}

bool SheetXmlNumberText(QByteArrayView Number, QChar DecimalSeparator, QString& Text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    qsizetype b = 0, e = Number.size();
    while (b < e && blank(Number[b]))
        ++b;
    while (e > b && blank(Number[e - 1]))
        --e;
    const char* p = Number.data() + b;
    const qsizetype n = e - b;
    // Taken as written: [-]digits[.digits], no leading zero but a lone one, no trailing zero
    // after the point, not a negative zero, at most 15 significant digits.
    qsizetype i = p && n > 0 && p[0] == '-' ? 1 : 0;
    const qsizetype intStart = i;
    while (i < n && p[i] >= '0' && p[i] <= '9')
        ++i;
    const qsizetype intDigits = i - intStart;
    bool plain = intDigits > 0 && (intDigits == 1 || p[intStart] != '0');
    qsizetype point = -1;
    if (plain && i < n && p[i] == '.') {
        point = i++;
        const qsizetype fracStart = i;
        while (i < n && p[i] >= '0' && p[i] <= '9')
            ++i;
        plain = i > fracStart && p[i - 1] != '0';
    }
    if (plain && i == n) {
        // Significant digits: from the first non-zero one to the end.
        qsizetype first = intStart;
        while (first < n && (p[first] == '0' || p[first] == '.'))
            ++first;
        const qsizetype significant = first == n ? 0 : n - first - (point > first ? 1 : 0);
        const bool zero = first == n;
        if (significant <= 15 && !(zero && intStart == 1)) {
            if (zero) {
                Text = QStringLiteral("0");
                return true;
            }
            Text = QString::fromLatin1(p, n);
            if (point >= 0 && DecimalSeparator != u'.')
                Text[point] = DecimalSeparator;
            return true;
        }
    }
    bool ok = false;
    const double value = QString::fromUtf8(Number).trimmed().toDouble(&ok);
    if (!ok)
        return false;
    Text = SheetNumberToText(value, DecimalSeparator);
    return true;
}

bool DecimalNumberText(QStringView Number, QChar DecimalSeparator, QString& Text)
{
    const QStringView t = Number.trimmed();
    qsizetype i = 0;
    const auto isDigit = [&](qsizetype at) {
        return at < t.size() && t[at] >= u'0' && t[at] <= u'9';
    };
    const bool negative = i < t.size() && t[i] == u'-';
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        ++i;
    QString digits; // mantissa digits, the point left out
    qsizetype point = -1;
    for (; i < t.size(); ++i) {
        if (isDigit(i))
            digits += t[i];
        else if (t[i] == u'.' && point < 0)
            point = digits.size();
        else
            break;
    }
    if (digits.isEmpty())
        return false;
    if (point < 0)
        point = digits.size();
    qint64 exponent = 0;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        const bool expNegative = i < t.size() && t[i] == u'-';
        if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
            ++i;
        if (!isDigit(i))
            return false;
        for (; isDigit(i); ++i) {
            exponent = exponent * 10 + (t[i].unicode() - u'0');
            if (exponent > 400)
                return false; // past any number a field can hold
        }
        if (expNegative)
            exponent = -exponent;
    }
    if (i != t.size())
        return false;
    if (exponent == 0) {
        // As written, but for the separator and a leading "+".
        QString out = negative ? QStringLiteral("-") : QString();
        out += QStringView(digits).left(point);
        if (point < digits.size()) {
            out += DecimalSeparator;
            out += QStringView(digits).mid(point);
        } else if (t.contains(u'.')) {
            out += DecimalSeparator; // "12." keeps its point, as written
        }
        if (point == 0)
            out.insert(negative ? 1 : 0, u'0');
        Text = out;
        return true;
    }
    // The point moves by the exponent; zeros fill what the digits do not cover.
    qint64 at = point + exponent;
    if (at < 0) {
        digits.prepend(QString(-at, u'0'));
        at = 0;
    } else if (at > digits.size()) {
        digits.append(QString(at - digits.size(), u'0'));
    }
    QString whole = digits.left(at);
    QString frac = digits.mid(at);
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    while (frac.endsWith(u'0'))
        frac.chop(1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    const bool zero = whole == QLatin1String("0") && frac.isEmpty();
    Text = (negative && !zero ? QStringLiteral("-") : QString()) + whole;
    if (!frac.isEmpty())
        Text += DecimalSeparator + frac;
    return true;
}

bool IsBuiltinDateFormat(int Index)
{
    return (Index >= 14 && Index <= 22) || (Index >= 45 && Index <= 47);
}

bool IsDateFormatText(QStringView Format)
{
    for (qsizetype i = 0; i < Format.size(); ++i) {
        const char16_t c = Format[i].toLower().unicode();
        switch (c) {
        case u'"': { // quoted text
            const qsizetype end = Format.indexOf(u'"', i + 1);
            if (end < 0)
                return false;
            i = end;
            break;
        }
        case u'[': { // colours, conditions, locales
            const qsizetype end = Format.indexOf(u']', i + 1);
            if (end < 0)
                return false;
            i = end;
            break;
        }
        case u'\\': // an escaped character
        case u'_':  // a space as wide as the next character
        case u'*':  // fill with the next character
            ++i;
            break;
        case u';': // later sections are for negative numbers, zero and text
            return false;
        case u'd':
        case u'm':
        case u'y':
        case u'h':
        case u's':
            return true;
        default:
            break;
        }
    }
    return false;
}

bool SheetSerialToDateTime(double Serial, bool Date1904, QDateTime& Value, TSheetDateKind& Kind)
{
    if (!std::isfinite(Serial) || Serial < 0)
        return false;
    double serial = Serial + (Date1904 ? 1462.0 : 0.0);
    // The 1900 system counts a 29 February 1900 that never was; days before it are one late.
    if (!Date1904 && serial >= 1 && serial < 61)
        serial += 1;
    if (serial >= 2958466.0) // past 9999-12-31
        return false;
    const qint64 ms = std::llround(Serial * 86400000.0);
    const qint64 dayMs = 86400000;
    const qint64 wholeMs = std::llround(serial * 86400000.0);
    const qint64 days = wholeMs / dayMs;
    const qint64 inDay = wholeMs % dayMs;
    const QDate base(1899, 12, 30);
    Value = QDateTime(base.addDays(days), QTime::fromMSecsSinceStartOfDay(int(inDay)), Qt::UTC);
    // Day 0 of the 1904 system is a real day (1 January 1904); in the 1900 system it is none.
    const bool hasDate = ms >= dayMs || (Date1904 && ms == 0);
    const bool hasTime = ms % dayMs != 0;
    Kind = hasDate ? (hasTime ? TSheetDateKind::DateTime : TSheetDateKind::Date)
                   : TSheetDateKind::Time;
    return true;
}

QString TSheetTextFormat::SerialText(double Serial, bool Date1904) const
{
    QDateTime value;
    TSheetDateKind kind;
    if (!SheetSerialToDateTime(Serial, Date1904, value, kind))
        return NumberText(Serial);
    if (DateText)
        return DateText(value, kind);
    switch (kind) {
    case TSheetDateKind::Date:
        return value.date().toString(QStringLiteral("yyyy/MM/dd"));
    case TSheetDateKind::Time:
        return value.time().toString(QStringLiteral("HH:mm:ss"));
    case TSheetDateKind::DateTime:
        break;
    }
    return value.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

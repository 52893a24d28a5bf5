#include "import/engine/DurvelFormats.h"

#include "import/engine/DurvelCodePage.h"
#include "import/engine/DurvelStrings.h"
#include "platform/codepage/CodePage.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <cmath>
#include <limits>

// ---- TDurvelFormats --------------------------------------------------------------------------

namespace {

struct DefaultDateSettings
{
    QMutex Lock;
    QChar DateSeparator = u'/';
    QString ShortDateFormat = QStringLiteral("yyyy/mm/dd");
};

DefaultDateSettings& defaultDateSettings()
{
    static DefaultDateSettings settings;
    return settings;
}

} // namespace

void TDurvelFormats::SetDefaultDateSettings(QChar DateSeparator, const QString& ShortDateFormat)
{
    DefaultDateSettings& d = defaultDateSettings();
    const QMutexLocker lock(&d.Lock);
    d.DateSeparator = DateSeparator;
    d.ShortDateFormat = ShortDateFormat;
}

TDurvelFormats::TDurvelFormats()
{
    {
        DefaultDateSettings& d = defaultDateSettings();
        const QMutexLocker lock(&d.Lock);
        DateSeparator = d.DateSeparator;
        ShortDateFormat = d.ShortDateFormat;
    }
    FBooleanTrue.Add(LoadImportStr(DurvelStr::BooleanTrue));
    FBooleanFalse.Add(LoadImportStr(DurvelStr::BooleanFalse));
    FNullValues.Add(LoadImportStr(DurvelStr::NullValue));
}

TDurvelFormats::TDurvelFormats(const TDurvelFormats& other)
{
    Assign(other);
}

void TDurvelFormats::Assign(const TDurvelFormats& Source)
{
    if (&Source == this)
        return;
    DecimalSeparator = Source.DecimalSeparator;
    ThousandSeparator = Source.ThousandSeparator;
    ShortDateFormat = Source.ShortDateFormat;
    LongDateFormat = Source.LongDateFormat;
    DateSeparator = Source.DateSeparator;
    ShortTimeFormat = Source.ShortTimeFormat;
    LongTimeFormat = Source.LongTimeFormat;
    TimeSeparator = Source.TimeSeparator;
    FBooleanTrue.Assign(Source.FBooleanTrue);
    FBooleanFalse.Assign(Source.FBooleanFalse);
    FNullValues.Assign(Source.FNullValues);
}

// ---- replacements and field formats ------------------------------------------------------------

TDurvelReplacement* TDurvelReplacements::Add()
{
    FItems.push_back(std::make_unique<TDurvelReplacement>());
    return FItems.back().get();
}

void TDurvelReplacements::Delete(int Index)
{
    FItems.erase(FItems.begin() + Index);
}

bool TDurvelReplacements::ItemExists(const QString& TextToFind, const QString& ReplaceWith,
                                     bool IgnoreCase) const
{
    for (const auto& item : FItems)
        if (item->TextToFind == TextToFind && item->ReplaceWith == ReplaceWith &&
            item->IgnoreCase == IgnoreCase)
            return true;
    return false;
}

void TDurvelReplacements::Assign(const TDurvelReplacements& Source)
{
    if (&Source == this)
        return;
    FItems.clear();
    for (const auto& item : Source.FItems)
        FItems.push_back(std::make_unique<TDurvelReplacement>(*item));
}

void TDurvelFieldFormat::Assign(const TDurvelFieldFormat& Source)
{
    if (&Source == this)
        return;
    FieldName = Source.FieldName;
    GeneratorValue = Source.GeneratorValue;
    GeneratorStep = Source.GeneratorStep;
    ConstantValue = Source.ConstantValue;
    NullValue = Source.NullValue;
    DefaultValue = Source.DefaultValue;
    LeftQuote = Source.LeftQuote;
    RightQuote = Source.RightQuote;
    QuoteAction = Source.QuoteAction;
    CharCase = Source.CharCase;
    CharSet = Source.CharSet;
    FReplacements.Assign(Source.FReplacements);
}

bool TDurvelFieldFormat::IsDefault() const
{
    return GeneratorValue == 0 && GeneratorStep == 0 && ConstantValue.isEmpty() &&
           NullValue.isEmpty() && DefaultValue.isEmpty() && LeftQuote.isEmpty() &&
           RightQuote.isEmpty() && QuoteAction == daNone && CharCase == iccNone &&
           CharSet == icsNone && FReplacements.Count() == 0;
}

TDurvelFieldFormat* TDurvelFieldFormats::Add()
{
    FItems.push_back(std::make_unique<TDurvelFieldFormat>());
    return FItems.back().get();
}

void TDurvelFieldFormats::Delete(int Index)
{
    FItems.erase(FItems.begin() + Index);
}

int TDurvelFieldFormats::IndexByName(const QString& FieldName) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->FieldName.compare(FieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void TDurvelFieldFormats::Assign(const TDurvelFieldFormats& Source)
{
    if (&Source == this)
        return;
    FItems.clear();
    for (const auto& item : Source.FItems)
        Add()->Assign(*item);
}

TDurvelGenerator* TDurvelGenerators::Add(const QString& FieldName, qint64 Value, int Step)
{
    FItems.push_back(
        std::make_unique<TDurvelGenerator>(TDurvelGenerator{FieldName.trimmed(), Value, Step}));
    return FItems.back().get();
}

TDurvelGenerator* TDurvelGenerators::ByName(const QString& FieldName) const
{
    const QString name = FieldName.trimmed();
    for (const auto& g : FItems)
        if (g->FieldName.compare(name, Qt::CaseInsensitive) == 0)
            return g.get();
    return nullptr;
}

// ---- value pipeline ----------------------------------------------------------------------------

namespace {

QString upperFirst(const QString& s)
{
    if (s.isEmpty())
        return s;
    return s.left(1).toUpper() + s.mid(1).toLower();
}

QString upperFirstWord(const QString& s)
{
    QString r = s;
    for (int i = 0; i < r.size(); ++i)
        if ((i == 0 || r.at(i - 1) == u' ') && r.at(i) != u' ')
            r.replace(i, 1, r.mid(i, 1).toUpper());
    return r;
}

QString sentinel(const QString& text)
{
    return text == QLatin1String("''") ? QString() : text;
}

} // namespace

QString DurvelApplyFieldFormat(const TDurvelFieldFormat& F, TDurvelGenerator* Generator,
                               const QString& Value, QString* ErrorText)
{
    if (Generator)
        return QString::number(Generator->Next());

    QString v = Value;
    bool replaced = false;
    if (!F.DefaultValue.isEmpty() && !F.NullValue.isEmpty()) {
        const bool isNull = (F.NullValue == QLatin1String("''") && v.isEmpty()) ||
                            v.compare(F.NullValue, Qt::CaseInsensitive) == 0;
        if (isNull) {
            v = sentinel(F.DefaultValue);
            replaced = true;
        }
    }
    if (!F.ConstantValue.isEmpty()) {
        v = sentinel(F.ConstantValue);
        replaced = true;
    }
    if (!replaced) {
        for (int i = 0; i < F.Replacements().Count(); ++i) {
            const TDurvelReplacement* r = F.Replacements().Items(i);
            if (r->TextToFind.isEmpty())
                continue;
            v = WideStringReplace(v, r->TextToFind, r->ReplaceWith,
                                  wrfReplaceAll | (r->IgnoreCase ? wrfIgnoreCase : 0));
        }
    }
    switch (F.QuoteAction) {
    case daAdd:
        v = F.LeftQuote + v + F.RightQuote;
        break;
    case daRemove:
        if (!F.LeftQuote.isEmpty() && v.startsWith(F.LeftQuote))
            v.remove(0, F.LeftQuote.size());
        if (!F.RightQuote.isEmpty() && v.endsWith(F.RightQuote))
            v.chop(F.RightQuote.size());
        break;
    case daNone:
        break;
    }
    switch (F.CharCase) {
    case iccUpper:
        v = v.toUpper();
        break;
    case iccLower:
        v = v.toLower();
        break;
    case iccUpperFirst:
        v = upperFirst(v);
        break;
    case iccUpperFirstWord:
        v = upperFirstWord(v);
        break;
    case iccNone:
        break;
    }
    // A character a page cannot hold is an error; the text then stays unconverted.
    if (!v.isEmpty() && F.CharSet != icsNone) {
        try {
            if (F.CharSet == icsAnsi)
                v = durvel::fromOem(durvel::toAnsi(v));
            else
                v = durvel::fromAnsi(durvel::toOem(durvel::fromAnsi(durvel::toAnsi(v))));
        } catch (const ECodePageError& e) {
            if (ErrorText)
                *ErrorText = e.message();
        }
    }
    return v;
}

namespace {

bool isNullValue(const TDurvelFormats& Formats, QStringView Text)
{
    const TWideStringList& list = Formats.NullValues();
    for (int i = 0; i < list.Count(); ++i) {
        const QString word = list.Get(i);
        // Case folding keeps the length, so only a word of the same length can match.
        if (word.size() == Text.size() && QStringView(word).compare(Text, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// No blank lies in [0x21, 0x7E] or [0xA1, 0x167F]: most letters need no look-up.
[[gnu::always_inline]] inline bool mayBeSpace(QChar c)
{
    const char16_t u = c.unicode();
    return (u <= 0x20 || (u >= 0x7F && u <= 0xA0) || u >= 0x1680) && c.isSpace();
}

// Most values have no space at either end: they need no trimming call.
[[gnu::always_inline]] inline QStringView trimmedView(QStringView Text)
{
    if (Text.isEmpty() || (!mayBeSpace(Text.front()) && !mayBeSpace(Text.back())))
        return Text;
    return Text.trimmed();
}

} // namespace

bool DurvelIsNullValue(const TDurvelFormats& Formats, const QString& Text)
{
    return isNullValue(Formats, Text);
}

bool DurvelIsBooleanTrue(const TDurvelFormats& Formats, const QString& Text)
{
    // An exact match is a match under the list's comparison too; that spares the collator.
    const TWideStringList& list = Formats.BooleanTrue();
    for (int i = 0; i < list.Count(); ++i)
        if (list.Get(i) == Text)
            return true;
    return list.IndexOf(Text) >= 0;
}

// ---- numbers -----------------------------------------------------------------------------------

bool DurvelNormaliseNumber(const TDurvelFormats& Formats, const QString& Text, QString& Number,
                           bool Fraction)
{
    static const QRegularExpression shape(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    const QString t = Text.trimmed();
    const QChar dec = Formats.DecimalSeparator;
    const QChar thou = Formats.ThousandSeparator != dec ? Formats.ThousandSeparator : QChar();
    // The decimal point: the decimal separator; without one a "." as other programs write
    // numbers, unless "." separates thousands: then only the one "." of a fraction.
    qsizetype point = dec.isNull() ? -1 : t.indexOf(dec);
    if (point < 0 && (thou != u'.' || (Fraction && t.count(u'.') == 1)))
        point = t.indexOf(u'.');
    qsizetype intEnd = point;
    if (intEnd < 0) {
        intEnd = t.indexOf(u'e', 0, Qt::CaseInsensitive);
        if (intEnd < 0)
            intEnd = t.size();
    }
    QString whole = t.left(intEnd);
    const QStringView rest = QStringView(t).mid(point >= 0 ? point + 1 : intEnd);
    if (!thou.isNull() && (whole.contains(thou) || rest.contains(thou))) {
        // Thousand separators stand between groups of three digits, before the decimal point:
        // dropped from "12.5" or "1,5" anywhere else they would make a value ten times as large.
        if (rest.contains(thou))
            return false;
        const QStringView digits =
            QStringView(whole).mid(whole.startsWith(u'-') || whole.startsWith(u'+') ? 1 : 0);
        const QList<QStringView> groups = digits.split(thou);
        if (groups.front().isEmpty() || groups.front().size() > 3)
            return false;
        for (qsizetype i = 1; i < groups.size(); ++i)
            if (groups[i].size() != 3)
                return false;
        whole.remove(thou);
    }
    const QString n = point >= 0 ? whole + u'.' + rest.toString() : whole + rest.toString();
    if (!shape.match(n).hasMatch())
        return false;
    Number = n;
    return true;
}

bool DurvelTextToInt64(const TDurvelFormats& Formats, const QString& Text, qint64& Value,
                       bool& Overflow)
{
    Overflow = false;
    QString n;
    if (!DurvelNormaliseNumber(Formats, Text, n) || n.contains(u'e', Qt::CaseInsensitive))
        return false;
    const bool negative = n.startsWith(u'-');
    if (negative || n.startsWith(u'+'))
        n.remove(0, 1);
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 acc = 0;
    for (const QChar c : std::as_const(n)) {
        if (c == u'.')
            break; // the fraction is dropped
        const unsigned digit = c.unicode() - u'0';
        if (acc > (limit - digit) / 10) {
            Overflow = true;
            return false;
        }
        acc = acc * 10 + digit;
    }
    Value = negative ? qint64(0 - acc) : qint64(acc);
    return true;
}

// ---- dates -------------------------------------------------------------------------------------

namespace {

const char* const kMonthLong[12] = {"January",   "February", "March",    "April",
                                    "May",       "June",     "July",     "August",
                                    "September", "October",  "November", "December"};
const char* const kDayLong[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};

const QDate kDayZero(1899, 12, 30);

int twoDigitYear(int y)
{
    return y < 70 ? 2000 + y : 1900 + y;
}

// Reads digits at pos, at most maxLen; returns -1 when there are none.
int readNumber(const QString& s, int& pos, int maxLen)
{
    int value = 0;
    int n = 0;
    while (pos < s.size() && n < maxLen && s.at(pos) >= u'0' && s.at(pos) <= u'9') {
        value = value * 10 + (s.at(pos).unicode() - u'0');
        ++pos;
        ++n;
    }
    return n == 0 ? -1 : value;
}

void skipBlanks(const QString& s, int& pos)
{
    while (pos < s.size() && s.at(pos).isSpace())
        ++pos;
}

// Order of year, month and day in the short date format, e.g. "ymd".
QString dateOrder(const QString& shortDateFormat)
{
    QString order;
    for (const QChar c : shortDateFormat) {
        const QChar l = c.toLower();
        if ((l == u'y' || l == u'm' || l == u'd') && !order.contains(l))
            order += l;
    }
    return order.size() == 3 ? order : QStringLiteral("mdy");
}

// The longest run of "y" in a date format.
int yearDigits(const QString& format)
{
    int longest = 0;
    int run = 0;
    for (const QChar c : format) {
        run = c.toLower() == u'y' ? run + 1 : 0;
        longest = qMax(longest, run);
    }
    return longest;
}

bool scanDate(const TDurvelFormats& F, const QString& s, int& pos, QDate& date)
{
    int parts[3];
    int lengths[3];
    int count = 0;
    while (count < 3) {
        const int start = pos;
        const int n = readNumber(s, pos, 4);
        if (n < 0)
            return false;
        lengths[count] = pos - start;
        parts[count++] = n;
        if (pos < s.size() && s.at(pos) == F.DateSeparator)
            ++pos;
        else
            break;
    }
    if (count < 2)
        return false;
    const QString order = dateOrder(F.ShortDateFormat);
    // The format's digit counts hold: under "yyyy" the year has four digits (a "24" is no year
    // 2024 nor year 24), under "yy" at most two; a month or a day at most two.
    const bool fourDigitYear = yearDigits(F.ShortDateFormat) >= 3;
    int y = 0, m = 0, d = 0;
    if (count == 3) {
        for (int i = 0; i < 3; ++i) {
            const QChar c = order.at(i);
            if (c == u'y') {
                if (fourDigitYear ? lengths[i] != 4 : lengths[i] > 2)
                    return false;
                y = lengths[i] <= 2 ? twoDigitYear(parts[i]) : parts[i];
            } else if (lengths[i] > 2) {
                return false;
            } else if (c == u'm') {
                m = parts[i];
            } else {
                d = parts[i];
            }
        }
    } else {
        if (lengths[0] > 2 || lengths[1] > 2)
            return false;
        const QString md = QString(order).remove(u'y');
        m = md.startsWith(u'm') ? parts[0] : parts[1];
        d = md.startsWith(u'm') ? parts[1] : parts[0];
        y = QDate::currentDate().year();
    }
    date = QDate(y, m, d);
    return date.isValid() && y >= 1;
}

bool scanTime(const TDurvelFormats& F, const QString& s, int& pos, QTime& time)
{
    int h = readNumber(s, pos, 2);
    if (h < 0 || pos >= s.size() || s.at(pos) != F.TimeSeparator)
        return false;
    ++pos;
    const int n = readNumber(s, pos, 2);
    if (n < 0)
        return false;
    int sec = 0, ms = 0;
    if (pos < s.size() && s.at(pos) == F.TimeSeparator) {
        ++pos;
        sec = readNumber(s, pos, 2);
        if (sec < 0)
            return false;
        if (pos < s.size() && s.at(pos) == u'.') {
            ++pos;
            ms = readNumber(s, pos, 3);
            if (ms < 0)
                return false;
        }
    }
    skipBlanks(s, pos);
    const QString rest = s.mid(pos);
    if (rest.startsWith(QLatin1String("am"), Qt::CaseInsensitive) ||
        rest.startsWith(QLatin1String("pm"), Qt::CaseInsensitive)) {
        if (h < 1 || h > 12)
            return false;
        const bool pm = rest.at(0).toLower() == u'p';
        h = h % 12 + (pm ? 12 : 0);
        pos += 2;
    }
    time = QTime(h, n, sec, ms);
    return time.isValid();
}

bool strToDateTime(const TDurvelFormats& F, const QString& text, QDateTime& value)
{
    const QString s = text.trimmed();
    int pos = 0;
    QDate date = kDayZero;
    QTime time(0, 0);
    const bool hasDate = s.contains(F.DateSeparator);
    if (hasDate) {
        if (!scanDate(F, s, pos, date))
            return false;
        skipBlanks(s, pos);
    }
    if (pos < s.size()) {
        if (!scanTime(F, s, pos, time))
            return false;
        skipBlanks(s, pos);
    }
    if (pos != s.size() || s.isEmpty())
        return false;
    value = QDateTime(date, time);
    return value.isValid();
}

bool serialToDateTime(const TDurvelFormats& F, const QString& text, QDateTime& value)
{
    QString n;
    if (!DurvelNormaliseNumber(F, text, n))
        return false;
    const double serial = n.toDouble();
    if (!std::isfinite(serial) || serial < -693593.0 || serial > 2958466.0)
        return false;
    const double days = std::trunc(serial);
    const qint64 ms = qint64(std::llround(std::fabs(serial - days) * 86400000.0));
    value = QDateTime(kDayZero.addDays(qint64(days)), QTime(0, 0)).addMSecs(ms);
    return value.isValid();
}

} // namespace

bool DurvelParseUserDate(const QString& Value, const QString& Format, QDateTime& Result)
{
    QString value = Value;
    QString format = Format.toUpper();
    if (value.isEmpty() || format.size() < 5)
        return false;
    int y = -1, m = 0, d = 0, h = 0, n = 0, s = 0;

    // Reads a token of up to width digits (exactly width when exact); only day and month must
    // be above zero.
    auto take = [&](int width, bool mustBePositive, int& out, bool exact = false) -> bool {
        int pos = 0;
        const int v = readNumber(value, pos, width);
        if (v < 0 || (mustBePositive && v == 0) || (exact && pos != width))
            return false;
        out = v;
        value.remove(0, pos);
        format.remove(0, width);
        return true;
    };
    auto tokenWidth = [&](QChar c, int maxWidth) {
        int w = 0;
        while (w < format.size() && w < maxWidth && format.at(w) == c)
            ++w;
        return w;
    };

    while (!format.isEmpty()) {
        const QChar c = format.at(0);
        if (c == u'Y') {
            const int w = tokenWidth(u'Y', 4);
            int year = 0;
            // A year of 2 digits read from "05/03/2024" would store year 5.
            if (w == 4) {
                if (!take(4, false, year, true))
                    return false;
                y = year;
            } else {
                const int width = w >= 2 ? 2 : 1;
                if (!take(width, false, year, true))
                    return false;
                y = width == 2 ? twoDigitYear(year) : 2000 + year;
                format.remove(0, w - width);
            }
        } else if (c == u'M') {
            const int w = tokenWidth(u'M', 4);
            if (w >= 3) {
                int found = 0;
                for (int i = 0; i < 12 && !found; ++i) {
                    const QString name = w == 4 ? QString::fromLatin1(kMonthLong[i])
                                                : QString::fromLatin1(kMonthLong[i]).left(3);
                    if (value.contains(name, Qt::CaseInsensitive)) {
                        found = i + 1;
                        value.remove(0, name.size());
                    }
                }
                if (!found)
                    return false;
                m = found;
                format.remove(0, w);
            } else if (!take(w, true, m)) {
                return false;
            }
        } else if (c == u'D') {
            if (!take(tokenWidth(u'D', 2), true, d))
                return false;
        } else if (c == u'H') {
            if (!take(tokenWidth(u'H', 2), false, h))
                return false;
        } else if (c == u'N') {
            if (!take(tokenWidth(u'N', 2), false, n))
                return false;
        } else if (c == u'S') {
            if (!take(tokenWidth(u'S', 2), false, s))
                return false;
        } else if (c == u'A' && format.startsWith(QLatin1String("AP"))) {
            // Two letters, AM or PM: any other pair is no time of day.
            const QString marker = value.left(2).toUpper();
            if (marker == QLatin1String("PM") && h < 12)
                h += 12;
            else if (marker == QLatin1String("AM") && h == 12)
                h = 0;
            else if (marker != QLatin1String("AM") && marker != QLatin1String("PM"))
                return false;
            value.remove(0, 2);
            format.remove(0, 2);
        } else if (c == u'A' && (format.startsWith(QLatin1String("AMPM")) ||
                                 format.startsWith(QLatin1String("AM/PM")))) {
            if (value.size() < 2)
                return false;
            const QChar marker = value.at(0).toUpper();
            if (marker == u'P' && h < 12)
                h += 12;
            else if (marker == u'A' && h == 12)
                h = 0;
            else if (marker != u'A' && marker != u'P')
                return false;
            value.remove(0, 2);
            format.remove(0, format.startsWith(QLatin1String("AMPM")) ? 4 : 5);
        } else {
            if (value.isEmpty() || value.at(0).toUpper() != c)
                return false;
            value.remove(0, 1);
            format.remove(0, 1);
        }
    }
    // Text after the format is not part of a date.
    if (y < 1 || !value.isEmpty())
        return false;
    const QDate date(y, m, d);
    const QTime time(h, n, s);
    if (!date.isValid() || !time.isValid())
        return false;
    Result = QDateTime(date, time);
    return true;
}

namespace {

// The names the formats write; the parser keeps to the English ones above.
struct MonthNames
{
    QString Short[12];
    QString Long[12];
};

MonthNames& monthNames()
{
    static MonthNames names = [] {
        MonthNames english;
        for (int i = 0; i < 12; ++i) {
            english.Long[i] = QString::fromLatin1(kMonthLong[i]);
            english.Short[i] = english.Long[i].left(3);
        }
        return english;
    }();
    return names;
}

void loadSystemMonthNames()
{
    DurvelLoadMonthNames(QLocale::system());
}

} // namespace

// At start-up, as the locale's other settings are.
Q_COREAPP_STARTUP_FUNCTION(loadSystemMonthNames)

QString DurvelShortMonthName(int Month)
{
    return Month >= 1 && Month <= 12 ? monthNames().Short[Month - 1] : QString();
}

QString DurvelLongMonthName(int Month)
{
    return Month >= 1 && Month <= 12 ? monthNames().Long[Month - 1] : QString();
}

void DurvelSetMonthNames(const QStringList& Short, const QStringList& Long)
{
    MonthNames& names = monthNames();
    for (int i = 0; i < 12; ++i) {
        const QString english = QString::fromLatin1(kMonthLong[i]);
        const QString s = Short.value(i);
        const QString l = Long.value(i);
        names.Short[i] = s.isEmpty() ? english.left(3) : s;
        names.Long[i] = l.isEmpty() ? english : l;
    }
}

void DurvelLoadMonthNames(const QLocale& Locale)
{
    QStringList shortNames;
    QStringList longNames;
    for (int m = 1; m <= 12; ++m) {
        shortNames << Locale.monthName(m, QLocale::ShortFormat);
        longNames << Locale.monthName(m, QLocale::LongFormat);
    }
    DurvelSetMonthNames(shortNames, longNames);
}

bool DurvelStrToDateTime(const TDurvelFormats& Formats, const QString& Text, QDateTime& Value)
{
    return strToDateTime(Formats, Text, Value);
}

bool DurvelTextToDateTime(const TDurvelFormats& Formats, const QString& Text, QDateTime& Value)
{
    if (strToDateTime(Formats, Text, Value))
        return true;
    if (DurvelParseUserDate(Text.trimmed(), Formats.ShortDateFormat, Value))
        return true;
    return serialToDateTime(Formats, Text, Value);
}

QString DurvelFormatDateTime(const TDurvelFormats& Formats, const QString& Format,
                             const QDateTime& Value)
{
    const QDate date = Value.date();
    const QTime time = Value.time();
    const bool twelveHour = Format.contains(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
                            Format.contains(QLatin1String("a/p"), Qt::CaseInsensitive);
    QString out;
    bool afterHour = false;
    int i = 0;
    auto run = [&](QChar c) {
        int n = 0;
        while (i + n < Format.size() && Format.at(i + n).toLower() == c)
            ++n;
        return n;
    };
    auto pad = [](int v, int width) { return QString::number(v).rightJustified(width, u'0'); };
    while (i < Format.size()) {
        const QChar raw = Format.at(i);
        const QChar c = raw.toLower();
        if (raw == u'"' || raw == u'\'') {
            const int end = Format.indexOf(raw, i + 1);
            out += Format.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? Format.size() : end + 1;
            continue;
        }
        if (Format.mid(i, 5).compare(QLatin1String("am/pm"), Qt::CaseInsensitive) == 0) {
            out += time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            i += 5;
            continue;
        }
        if (Format.mid(i, 3).compare(QLatin1String("a/p"), Qt::CaseInsensitive) == 0) {
            out += time.hour() < 12 ? QStringLiteral("A") : QStringLiteral("P");
            i += 3;
            continue;
        }
        const int n = run(c);
        if (c == u'y') {
            out += n <= 2 ? pad(date.year() % 100, 2) : pad(date.year(), 4);
        } else if (c == u'm' && afterHour && n <= 2) {
            out += n == 1 ? QString::number(time.minute()) : pad(time.minute(), 2);
            afterHour = false;
        } else if (c == u'm') {
            const int month = date.month(); // 0 for a value without a date
            out += n == 1   ? QString::number(month)
                   : n == 2 ? pad(month, 2)
                   : n == 3 ? DurvelShortMonthName(month)
                            : DurvelLongMonthName(month);
        } else if (c == u'd') {
            const int weekday = date.dayOfWeek();
            const QString name =
                weekday >= 1 ? QString::fromLatin1(kDayLong[weekday - 1]) : QString();
            out += n == 1   ? QString::number(date.day())
                   : n == 2 ? pad(date.day(), 2)
                   : n == 3 ? name.left(3)
                            : name;
        } else if (c == u'h') {
            const int hour =
                twelveHour ? (time.hour() % 12 == 0 ? 12 : time.hour() % 12) : time.hour();
            out += n == 1 ? QString::number(hour) : pad(hour, 2);
            afterHour = true;
            i += n;
            continue;
        } else if (c == u'n') {
            out += n == 1 ? QString::number(time.minute()) : pad(time.minute(), 2);
        } else if (c == u's') {
            out += n == 1 ? QString::number(time.second()) : pad(time.second(), 2);
        } else if (c == u'z') {
            out += n >= 3 ? pad(time.msec(), 3) : QString::number(time.msec());
        } else if (raw == u'/') {
            out += Formats.DateSeparator;
        } else if (raw == u':') {
            out += Formats.TimeSeparator;
        } else {
            out += QString(n, raw);
        }
        if (c != u' ' && c != u':')
            afterHour = afterHour && (c == u'h');
        i += n;
    }
    return out;
}

// ---- typed set ---------------------------------------------------------------------------------

namespace {

QVariant convertValue(const TDurvelFormats& F, const DurvelField& field, TDurvelFieldType type,
                      const QString& value)
{
    const bool blank = trimmedView(value).isEmpty();
    switch (durvelFieldClass(type)) {
    case DurvelFieldClass::Text:
        return value;
    case DurvelFieldClass::Integer: {
        if (blank)
            return QVariant();
        qint64 v = 0;
        bool overflow = false;
        if (!DurvelTextToInt64(F, value, v, overflow)) {
            if (overflow)
                throw EDurvelError(QStringLiteral("'%1' is out of range for field %2")
                                       .arg(value.trimmed(), field.fieldName()));
            throw EDurvelError(
                QStringLiteral("'%1' is not a valid integer value").arg(value.trimmed()));
        }
        qint64 low = std::numeric_limits<qint32>::min();
        qint64 high = std::numeric_limits<qint32>::max();
        if (type == ftSmallint) {
            low = -32768;
            high = 32767;
        } else if (type == ftWord) {
            low = 0;
            high = 65535;
        } else if (type == ftLargeint) {
            return QVariant(v);
        }
        if (v < low || v > high)
            throw EDurvelError(QStringLiteral("'%1' is out of range for field %2")
                                   .arg(value.trimmed(), field.fieldName()));
        return QVariant(int(v));
    }
    case DurvelFieldClass::Boolean:
        return QVariant(DurvelIsBooleanTrue(F, value));
    case DurvelFieldClass::Float:
    case DurvelFieldClass::Currency: {
        if (blank)
            return QVariant();
        QString n;
        if (!DurvelNormaliseNumber(F, value, n, durvelFieldClass(type) == DurvelFieldClass::Float))
            throw EDurvelError(
                QStringLiteral("'%1' is not a valid floating point value").arg(value.trimmed()));
        if (type == ftFMTBcd && n.size() > 15)
            return n;
        const double d = n.toDouble();
        const double limit = durvelFieldClass(type) == DurvelFieldClass::Currency
                                 ? 922337203685477.5807
                                 : std::numeric_limits<double>::max();
        if (!std::isfinite(d) || std::fabs(d) > limit)
            throw EDurvelError(QStringLiteral("'%1' is out of range for field %2")
                                   .arg(value.trimmed(), field.fieldName()));
        return QVariant(d);
    }
    case DurvelFieldClass::DateTime: {
        if (blank)
            return QVariant();
        QDateTime dt;
        // The import's own formats only: a bare number in a date column is an error, not a
        // day serial that would store some date silently.
        if (!DurvelStrToDateTime(F, value, dt))
            RaiseImportError(DurvelStr::WrongDateFormat, value);
        if (type == ftDate)
            return dt.date();
        if (type == ftTime)
            return dt.time();
        return dt;
    }
    case DurvelFieldClass::Bytes:
        return durvel::toAnsi(value);
    case DurvelFieldClass::Other:
        break;
    }
    RaiseImportError(DurvelStr::UnknownFieldType);
}

} // namespace

void DurvelSetFieldValue(const TDurvelFormats& Formats, DurvelField* Field, const QString& Value,
                         QString& ErrorText)
{
    DurvelFieldTarget target(Field, Formats);
    DurvelSetFieldValue(Formats, target, Value, ErrorText);
}

DurvelFieldTarget::DurvelFieldTarget(DurvelField* Field)
    : Field(Field), Type(Field ? Field->dataType() : ftUnknown), Class(durvelFieldClass(Type))
{}

DurvelFieldTarget::DurvelFieldTarget(DurvelField* Field, const TDurvelFormats& Formats)
    : DurvelFieldTarget(Field)
{
    NullFormats = &Formats;
    const TWideStringList& list = Formats.NullValues();
    for (int i = 0; i < list.Count(); ++i) {
        NullWords.push_back(list.Get(i));
        NullLengths |= quint64(1) << qMin<qsizetype>(NullWords.back().size(), 63);
    }
}

namespace {

// The Boolean words compare through the collator: each distinct text of a column asks once.
constexpr std::size_t kBooleanMemo = 16;

bool booleanOf(const TDurvelFormats& Formats, DurvelFieldTarget& Target, const QString& Value)
{
    for (const auto& [text, answer] : Target.Booleans)
        if (text == Value)
            return answer;
    const bool answer = DurvelIsBooleanTrue(Formats, Value);
    if (Target.Booleans.size() < kBooleanMemo)
        Target.Booleans.emplace_back(Value, answer);
    return answer;
}

// A unit's case folding; the Arabic letters of a Persian text have no case to look up.
inline char32_t foldedUnit(char16_t u)
{
    return u >= 0x0600 && u < 0x0700 ? u : QChar::toCaseFolded(char32_t(u));
}

// The null-word test through the words the target took, when they are of these formats.
bool isNullWord(const TDurvelFormats& Formats, const DurvelFieldTarget& Target,
                const QString& Value)
{
    if (Target.NullFormats != &Formats)
        return isNullValue(Formats, trimmedView(Value));
    if (Target.NullLengths == 0)
        return false;
    const QStringView text = trimmedView(Value);
    if (!(Target.NullLengths & (quint64(1) << qMin<qsizetype>(text.size(), 63))))
        return false;
    for (const QString& word : Target.NullWords) {
        if (word.size() != text.size())
            continue;
        if (text.isEmpty())
            return true;
        // Texts whose first characters fold apart differ: most need no full comparison.
        const char16_t a = word.front().unicode();
        const char16_t b = text.front().unicode();
        if (a != b && !QChar::isSurrogate(a) && !QChar::isSurrogate(b) &&
            foldedUnit(a) != foldedUnit(b))
            continue;
        if (QStringView(word).compare(text, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

void DurvelSetFieldValue(const TDurvelFormats& Formats, DurvelFieldTarget& Target,
                         const QString& Value, QString& ErrorText)
{
    ErrorText.clear();
    DurvelField* Field = Target.Field;
    if (!Field)
        return;
    try {
        if (isNullWord(Formats, Target, Value))
            Field->setValue(QVariant());
        else
            switch (Target.Class) {
            case DurvelFieldClass::Text:
                Field->setText(Value);
                break;
            case DurvelFieldClass::Boolean:
                Field->setBoolean(booleanOf(Formats, Target, Value));
                break;
            default:
                Field->setValue(convertValue(Formats, *Field, Target.Type, Value));
            }
    } catch (const EDurvelError& e) {
        ErrorText = e.message();
    } catch (const std::exception& e) {
        ErrorText = QString::fromUtf8(e.what());
    }
}

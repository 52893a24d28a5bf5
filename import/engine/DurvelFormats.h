#pragma once
// General value formats of an import, per-field value rules, and the conversions that use them.
// The formats are a value handed to every conversion: nothing process-wide changes.

#include "import/engine/DurvelDestinations.h"
#include "import/engine/support/WideStrings.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class TDurvelFormats
{
public:
    TDurvelFormats();
    TDurvelFormats(const TDurvelFormats& other);
    TDurvelFormats& operator=(const TDurvelFormats& other)
    {
        Assign(other);
        return *this;
    }
    void Assign(const TDurvelFormats& Source);

    // The program's date settings, which every TDurvelFormats made afterwards starts from (the
    // program sets them at start-up; "/" and "yyyy/mm/dd" until then).
    static void SetDefaultDateSettings(QChar DateSeparator, const QString& ShortDateFormat);

    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u',';
    QString ShortDateFormat = QStringLiteral("yyyy/mm/dd");
    QString LongDateFormat = QStringLiteral("yyyy/mm/dd");
    QChar DateSeparator = u'/';
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QChar TimeSeparator = u':';

    TWideStringList& BooleanTrue() { return FBooleanTrue; }
    const TWideStringList& BooleanTrue() const { return FBooleanTrue; }
    void SetBooleanTrue(const TWideStrings& Value) { FBooleanTrue.Assign(Value); }
    TWideStringList& BooleanFalse() { return FBooleanFalse; }
    const TWideStringList& BooleanFalse() const { return FBooleanFalse; }
    void SetBooleanFalse(const TWideStrings& Value) { FBooleanFalse.Assign(Value); }
    TWideStringList& NullValues() { return FNullValues; }
    const TWideStringList& NullValues() const { return FNullValues; }
    void SetNullValues(const TWideStrings& Value) { FNullValues.Assign(Value); }

private:
    TWideStringList FBooleanTrue;
    TWideStringList FBooleanFalse;
    TWideStringList FNullValues;
};

enum TDurvelQuoteAction { daNone, daAdd, daRemove };
enum TDurvelCharCase { iccNone, iccUpper, iccLower, iccUpperFirst, iccUpperFirstWord };
enum TDurvelCharSet { icsNone, icsAnsi, icsOem };

class TDurvelReplacement
{
public:
    QString TextToFind;
    QString ReplaceWith;
    bool IgnoreCase = false;
    QString DisplayText() const { return TextToFind + QStringLiteral(" - ") + ReplaceWith; }
};

class TDurvelReplacements
{
public:
    TDurvelReplacement* Add();
    int Count() const { return int(FItems.size()); }
    TDurvelReplacement* Items(int Index) const { return FItems.at(std::size_t(Index)).get(); }
    void Delete(int Index);
    void Clear() { FItems.clear(); }
    bool ItemExists(const QString& TextToFind, const QString& ReplaceWith, bool IgnoreCase) const;
    void Assign(const TDurvelReplacements& Source);

private:
    std::vector<std::unique_ptr<TDurvelReplacement>> FItems;
};

class TDurvelFieldFormat
{
public:
    QString FieldName;
    int GeneratorValue = 0;
    int GeneratorStep = 0;
    QString ConstantValue;
    QString NullValue;
    QString DefaultValue;
    QString LeftQuote;
    QString RightQuote;
    TDurvelQuoteAction QuoteAction = daNone;
    TDurvelCharCase CharCase = iccNone;
    TDurvelCharSet CharSet = icsNone;

    TDurvelReplacements& Replacements() { return FReplacements; }
    const TDurvelReplacements& Replacements() const { return FReplacements; }
    void SetReplacements(const TDurvelReplacements& Value) { FReplacements.Assign(Value); }

    void Assign(const TDurvelFieldFormat& Source);
    // True when the format changes no value.
    bool IsDefault() const;

private:
    TDurvelReplacements FReplacements;
};

class TDurvelFieldFormats
{
public:
    TDurvelFieldFormat* Add();
    int Count() const { return int(FItems.size()); }
    TDurvelFieldFormat* Items(int Index) const { return FItems.at(std::size_t(Index)).get(); }
    void Delete(int Index);
    void Clear() { FItems.clear(); }
    // First format whose FieldName equals the name ignoring case; -1 when none.
    int IndexByName(const QString& FieldName) const;
    void Assign(const TDurvelFieldFormats& Source);

private:
    std::vector<std::unique_ptr<TDurvelFieldFormat>> FItems;
};

class TDurvelGenerator
{
public:
    QString FieldName;
    qint64 Value = 0;
    int Step = 0;
    qint64 Next()
    {
        Value += Step;
        return Value;
    }
};

class TDurvelGenerators
{
public:
    TDurvelGenerator* Add(const QString& FieldName, qint64 Value, int Step);
    TDurvelGenerator* ByName(const QString& FieldName) const;
    int Count() const { return int(FItems.size()); }
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TDurvelGenerator>> FItems;
};

// The per-field rules applied to a source text, in order: generator, null and default,
// constant, replacements, quotes, letter case, character set. A character the character-set
// rule's pages cannot hold leaves the text unconverted and the reason in ErrorText.
QString DurvelApplyFieldFormat(const TDurvelFieldFormat& Format, TDurvelGenerator* Generator,
                               const QString& Value, QString* ErrorText = nullptr);

bool DurvelIsNullValue(const TDurvelFormats& Formats, const QString& Text);
bool DurvelIsBooleanTrue(const TDurvelFormats& Formats, const QString& Text);

// "[-]digits[.digits][e[-]digits]" with "." as decimal point; false when Text is no number.
// The decimal separator is the decimal point; a text without one takes a "." for it. Thousand
// separators are dropped where they part groups of three digits before the decimal point, and
// make the text no number anywhere else. When "." is the thousand separator, a text without
// the decimal separator has no decimal point, except the one "." of a Fraction (a float
// field's "12.5" is twelve and a half; an integer's or a currency's is no number).
bool DurvelNormaliseNumber(const TDurvelFormats& Formats, const QString& Text, QString& Number,
                           bool Fraction = false);
// Integral part of a number, exactly, in 64 bits; false on overflow or a text that is no number.
bool DurvelTextToInt64(const TDurvelFormats& Formats, const QString& Text, qint64& Value,
                       bool& Overflow);

// A date and time in the formats' own order and separators, nothing else.
bool DurvelStrToDateTime(const TDurvelFormats& Formats, const QString& Text, QDateTime& Value);
// The import's date and time formats first, then the short date format read token by token,
// then a day serial (days since 1899-12-30).
bool DurvelTextToDateTime(const TDurvelFormats& Formats, const QString& Text, QDateTime& Value);
// Reads Value by a format of the tokens Y, M, D, H, N, S, AMPM; false when it does not fit.
bool DurvelParseUserDate(const QString& Value, const QString& Format, QDateTime& Result);
// Month names "mmm" and "mmmm" write: the locale's, filled at start-up, English for a month
// the locale leaves without a name. DurvelParseUserDate reads the English names only.
QString DurvelShortMonthName(int Month);
QString DurvelLongMonthName(int Month);
// Names 1 to 12; an empty or missing one keeps the English name.
void DurvelSetMonthNames(const QStringList& Short, const QStringList& Long);
void DurvelLoadMonthNames(const QLocale& Locale);

// Format tokens: yyyy yy m mm mmm mmmm d dd h hh n nn s ss z zzz am/pm,
// '/' and ':' are the formats' separators, quoted text is copied.
QString DurvelFormatDateTime(const TDurvelFormats& Formats, const QString& Format,
                             const QDateTime& Value);

// The typed set of a field: ErrorText is empty on success, else the reason; the field keeps its
// value when the conversion fails.
void DurvelSetFieldValue(const TDurvelFormats& Formats, DurvelField* Field, const QString& Value,
                         QString& ErrorText);

// A destination field as an import writes it row after row: its type, read once, and the
// answers of the Boolean words for the texts already met (a column holds few distinct ones).
struct DurvelFieldTarget
{
    explicit DurvelFieldTarget(DurvelField* Field = nullptr);
    // With the null words of Formats taken once, for the values set with those formats.
    DurvelFieldTarget(DurvelField* Field, const TDurvelFormats& Formats);
    DurvelField* Field;
    TDurvelFieldType Type;
    DurvelFieldClass Class;
    std::vector<std::pair<QString, bool>> Booleans;
    const TDurvelFormats* NullFormats = nullptr;
    std::vector<QString> NullWords;
    quint64 NullLengths = 0; // bit n: a null word of n characters (bit 63: of 63 or more)
};
// The same as above, for a run that keeps the target from one row to the next.
void DurvelSetFieldValue(const TDurvelFormats& Formats, DurvelFieldTarget& Target,
                         const QString& Value, QString& ErrorText);

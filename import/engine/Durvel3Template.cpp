// The component's own sections of an import template file.
#include "import/engine/Durvel3.h"

#include "import/engine/support/DurvelUtils.h"
#include "platform/ini/IniFile.h"

namespace {

const QString kBase = QStringLiteral("BASE");
const QString kMap = QStringLiteral("MAP");
const QString kFormats = QStringLiteral("BASE_FORMATS");
const QString kTrue = QStringLiteral("BOOLEAN_TRUE");
const QString kFalse = QStringLiteral("BOOLEAN_FALSE");
const QString kNull = QStringLiteral("NULL_VALUES");
const QString kDataFormats = QStringLiteral("DATA_FORMATS_");
const QString kReplacements = QStringLiteral("REPLACEMENTS_");
const QString kKeyColumns = QStringLiteral("KeyColumns");

void writeWords(IniFile& ini, const QString& section, const TWideStrings& words)
{
    ini.eraseSection(section);
    for (int i = 0; i < words.Count(); ++i)
        ini.writeString(section, words.Strings(i), QString());
}

void readWords(const IniFile& ini, const QString& section, TWideStrings& words)
{
    words.BeginUpdate();
    words.Clear();
    for (const QString& key : ini.keys(section))
        words.Add(key);
    words.EndUpdate();
}

QChar readChar(const IniFile& ini, const QString& section, const QString& key, QChar current)
{
    const QString text = ini.readString(section, key);
    return text.size() == 1 ? text.at(0) : current;
}

// An ordinal outside the enumeration keeps the current setting.
template <typename Enum>
Enum readOrdinal(const IniFile& ini, const QString& section, const QString& key, Enum current,
                 Enum last)
{
    const qint64 v = ini.readInteger(section, key, qint64(current));
    return v >= 0 && v <= qint64(last) ? Enum(v) : current;
}

int readInt(const IniFile& ini, const QString& section, const QString& key, int current)
{
    const qint64 v = ini.readInteger(section, key, current);
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max() ? int(v)
                                                                                        : current;
}

void readFieldFormat(const IniFile& ini, const QString& section, TDurvelFieldFormat& f)
{
    f.GeneratorValue = readInt(ini, section, QStringLiteral("GeneratorValue"), f.GeneratorValue);
    f.GeneratorStep = readInt(ini, section, QStringLiteral("GeneratorStep"), f.GeneratorStep);
    f.ConstantValue = ini.readString(section, QStringLiteral("ConstantValue"), f.ConstantValue);
    f.NullValue = ini.readString(section, QStringLiteral("NullValue"), f.NullValue);
    f.DefaultValue = ini.readString(section, QStringLiteral("DefaultValue"), f.DefaultValue);
    f.LeftQuote = ini.readString(section, QStringLiteral("LeftQuote"), f.LeftQuote);
    f.RightQuote = ini.readString(section, QStringLiteral("RightQuote"), f.RightQuote);
    f.QuoteAction =
        readOrdinal(ini, section, QStringLiteral("QuoteAction"), f.QuoteAction, daRemove);
    f.CharCase =
        readOrdinal(ini, section, QStringLiteral("CharCase"), f.CharCase, iccUpperFirstWord);
    f.CharSet = readOrdinal(ini, section, QStringLiteral("CharSet"), f.CharSet, icsOem);
}

} // namespace

// Every section the base writes, field formats and replacements of any field included: what
// the user removed must not come back from an earlier save.
void TDurvel3::EraseTemplateSections(IniFile& Ini)
{
    for (const QString& section : Ini.sections()) {
        const bool own = section.compare(kBase, Qt::CaseInsensitive) == 0 ||
                         section.compare(kMap, Qt::CaseInsensitive) == 0 ||
                         section.compare(kFormats, Qt::CaseInsensitive) == 0 ||
                         section.compare(kTrue, Qt::CaseInsensitive) == 0 ||
                         section.compare(kFalse, Qt::CaseInsensitive) == 0 ||
                         section.compare(kNull, Qt::CaseInsensitive) == 0 ||
                         section.compare(kKeyColumns, Qt::CaseInsensitive) == 0 ||
                         section.startsWith(kDataFormats, Qt::CaseInsensitive) ||
                         section.startsWith(kReplacements, Qt::CaseInsensitive);
        if (own)
            Ini.eraseSection(section);
    }
}

void TDurvel3::SaveTemplateSections(IniFile& Ini)
{
    EraseTemplateSections(Ini);
    Ini.writeString(kBase, QStringLiteral("FileName"), FFileName);

    Ini.eraseSection(kMap);
    const QChar sep = FMap.NameValueSeparator();
    for (int i = 0; i < FMap.Count(); ++i) {
        const QString line = FMap.Strings(i);
        const int eq = line.indexOf(sep);
        Ini.writeString(kMap, eq < 0 ? line : line.left(eq), eq < 0 ? QString() : line.mid(eq + 1));
    }

    Ini.writeString(kFormats, QStringLiteral("DecimalSeparator"),
                    QString(FFormats.DecimalSeparator));
    Ini.writeString(kFormats, QStringLiteral("ThousandSeparator"),
                    QString(FFormats.ThousandSeparator));
    Ini.writeString(kFormats, QStringLiteral("ShortDateFormat"), FFormats.ShortDateFormat);
    Ini.writeString(kFormats, QStringLiteral("LongDateFormat"), FFormats.LongDateFormat);
    Ini.writeString(kFormats, QStringLiteral("ShortTimeFormat"), FFormats.ShortTimeFormat);
    Ini.writeString(kFormats, QStringLiteral("LongTimeFormat"), FFormats.LongTimeFormat);

    writeWords(Ini, kTrue, FFormats.BooleanTrue());
    writeWords(Ini, kFalse, FFormats.BooleanFalse());
    writeWords(Ini, kNull, FFormats.NullValues());

    for (int i = 0; i < FFieldFormats.Count(); ++i) {
        const TDurvelFieldFormat* f = FFieldFormats.Items(i);
        if (f->FieldName.trimmed().isEmpty())
            continue;
        const QString section = kDataFormats + f->FieldName;
        Ini.writeInteger(section, QStringLiteral("GeneratorValue"), f->GeneratorValue);
        Ini.writeInteger(section, QStringLiteral("GeneratorStep"), f->GeneratorStep);
        Ini.writeString(section, QStringLiteral("ConstantValue"), f->ConstantValue);
        Ini.writeString(section, QStringLiteral("NullValue"), f->NullValue);
        Ini.writeString(section, QStringLiteral("DefaultValue"), f->DefaultValue);
        Ini.writeString(section, QStringLiteral("LeftQuote"), f->LeftQuote);
        Ini.writeString(section, QStringLiteral("RightQuote"), f->RightQuote);
        Ini.writeInteger(section, QStringLiteral("QuoteAction"), f->QuoteAction);
        Ini.writeInteger(section, QStringLiteral("CharCase"), f->CharCase);
        Ini.writeInteger(section, QStringLiteral("CharSet"), f->CharSet);
        for (int j = 0; j < f->Replacements().Count(); ++j) {
            const TDurvelReplacement* r = f->Replacements().Items(j);
            const QString rs = kReplacements + f->FieldName.toUpper() + u'_' + QString::number(j);
            Ini.writeString(rs, QStringLiteral("TextToFind"), r->TextToFind);
            Ini.writeString(rs, QStringLiteral("ReplaceWith"), r->ReplaceWith);
            Ini.writeBool(rs, QStringLiteral("IgnoreCase"), r->IgnoreCase);
        }
    }

    Ini.writeBool(kBase, QStringLiteral("CommitAfterDone"), CommitAfterDone);
    Ini.writeInteger(kBase, QStringLiteral("CommitRecCount"), CommitRecCount);
    Ini.writeInteger(kBase, QStringLiteral("ImportRecCount"), ImportRecCount);
    Ini.writeBool(kBase, QStringLiteral("EnableErrorLog"), ErrorLog);
    Ini.writeString(kBase, QStringLiteral("ErrorLogFileName"), ErrorLogFileName);
    Ini.writeBool(kBase, QStringLiteral("RewriteErrorLogFile"), RewriteErrorLogFile);
    Ini.writeBool(kBase, QStringLiteral("ShowErrorLog"), ShowErrorLog);
    Ini.writeInteger(kBase, QStringLiteral("ImportDestination"), ImportDestination);
    Ini.writeInteger(kBase, QStringLiteral("ImportMode"), ImportMode);

    writeWords(Ini, kKeyColumns, FKeyColumns);

    Ini.writeInteger(kBase, QStringLiteral("GridCaptionRow"), GridCaptionRow);
    Ini.writeInteger(kBase, QStringLiteral("GridStartRow"), GridStartRow);
}

void TDurvel3::LoadTemplateSections(IniFile& Ini)
{
    FTemplateNotices.clear();
    SetFileName(Ini.readString(kBase, QStringLiteral("FileName"), FFileName));

    FMap.BeginUpdate();
    FMap.Clear();
    const QChar sep = FMap.NameValueSeparator();
    for (const QString& key : Ini.keys(kMap))
        FMap.Add(key + sep + Ini.readString(kMap, key));
    FMap.EndUpdate();

    FFormats.DecimalSeparator =
        readChar(Ini, kFormats, QStringLiteral("DecimalSeparator"), FFormats.DecimalSeparator);
    FFormats.ThousandSeparator =
        readChar(Ini, kFormats, QStringLiteral("ThousandSeparator"), FFormats.ThousandSeparator);
    FFormats.ShortDateFormat =
        Ini.readString(kFormats, QStringLiteral("ShortDateFormat"), FFormats.ShortDateFormat);
    FFormats.LongDateFormat =
        Ini.readString(kFormats, QStringLiteral("LongDateFormat"), FFormats.LongDateFormat);
    FFormats.ShortTimeFormat =
        Ini.readString(kFormats, QStringLiteral("ShortTimeFormat"), FFormats.ShortTimeFormat);
    FFormats.LongTimeFormat =
        Ini.readString(kFormats, QStringLiteral("LongTimeFormat"), FFormats.LongTimeFormat);

    readWords(Ini, kTrue, FFormats.BooleanTrue());
    readWords(Ini, kFalse, FFormats.BooleanFalse());
    readWords(Ini, kNull, FFormats.NullValues());

    // Formats of the destination's columns; without a destination to ask, every one stored.
    QStringList columns;
    const DurvelDestinationRef dest = Destination();
    const bool byColumn = dest.Kind != didUserDefined && dest.IsAssigned();
    if (byColumn)
        for (int i = 0; i < dest.ColumnCount(); ++i)
            columns << dest.ColumnName(i);
    const auto columnNamed = [&](const QString& name) -> QString {
        if (!byColumn)
            return name;
        for (const QString& c : std::as_const(columns))
            if (c.compare(name, Qt::CaseInsensitive) == 0)
                return c;
        return QString();
    };

    FFieldFormats.Clear();
    const QStringList sections = Ini.sections();
    for (const QString& section : sections) {
        if (!section.startsWith(kDataFormats, Qt::CaseInsensitive) || Ini.keys(section).isEmpty())
            continue;
        const QString name = columnNamed(section.mid(kDataFormats.size()));
        if (name.trimmed().isEmpty() || FFieldFormats.IndexByName(name) >= 0)
            continue;
        TDurvelFieldFormat* f = FFieldFormats.Add();
        f->FieldName = name;
        readFieldFormat(Ini, section, *f);
    }
    for (const QString& section : sections) {
        if (!section.startsWith(kReplacements, Qt::CaseInsensitive))
            continue;
        QString rest = section.mid(kReplacements.size());
        int end = rest.size();
        while (end > 0 && rest.at(end - 1).isDigit())
            --end;
        if (end == rest.size() || end < 2 || rest.at(end - 1) != u'_')
            continue;
        const QString name = columnNamed(rest.left(end - 1));
        if (name.trimmed().isEmpty())
            continue;
        int idx = FFieldFormats.IndexByName(name);
        if (idx < 0) {
            FFieldFormats.Add()->FieldName = name;
            idx = FFieldFormats.Count() - 1;
        }
        TDurvelFieldFormat* f = FFieldFormats.Items(idx);
        const QString find = Ini.readString(section, QStringLiteral("TextToFind"));
        const QString with = Ini.readString(section, QStringLiteral("ReplaceWith"));
        const bool ignoreCase = Ini.readBool(section, QStringLiteral("IgnoreCase"), false);
        if (!f->Replacements().ItemExists(find, with, ignoreCase)) {
            TDurvelReplacement* r = f->Replacements().Add();
            r->TextToFind = find;
            r->ReplaceWith = with;
            r->IgnoreCase = ignoreCase;
        }
    }

    CommitAfterDone = Ini.readBool(kBase, QStringLiteral("CommitAfterDone"), CommitAfterDone);
    CommitRecCount = readInt(Ini, kBase, QStringLiteral("CommitRecCount"), CommitRecCount);
    ImportRecCount = readInt(Ini, kBase, QStringLiteral("ImportRecCount"), ImportRecCount);
    ErrorLog = Ini.readBool(kBase, QStringLiteral("EnableErrorLog"), ErrorLog);
    if (Ini.keyExists(kBase, QStringLiteral("ErrorLogFileName"))) {
        QString notice;
        ErrorLogFileName = TemplateWritableName(
            Ini.readString(kBase, QStringLiteral("ErrorLogFileName")), &notice);
        FTemplateErrorLogFileName = ErrorLogFileName;
        if (!notice.isEmpty())
            FTemplateNotices.append(notice);
    }
    RewriteErrorLogFile =
        Ini.readBool(kBase, QStringLiteral("RewriteErrorLogFile"), RewriteErrorLogFile);
    ShowErrorLog = Ini.readBool(kBase, QStringLiteral("ShowErrorLog"), ShowErrorLog);
    ImportDestination = readOrdinal(Ini, kBase, QStringLiteral("ImportDestination"),
                                    ImportDestination, didUserDefined);
    ImportMode =
        readOrdinal(Ini, kBase, QStringLiteral("ImportMode"), ImportMode, dimDeleteOrInsert);

    readWords(Ini, kKeyColumns, FKeyColumns);

    GridCaptionRow = readInt(Ini, kBase, QStringLiteral("GridCaptionRow"), GridCaptionRow);
    GridStartRow = readInt(Ini, kBase, QStringLiteral("GridStartRow"), GridStartRow);
}

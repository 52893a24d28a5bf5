#include "import/engine/support/DurvelUtils.h"

#include "platform/ini/IniFile.h"

#include "import/engine/support/WideStrings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

bool IsCharInSet(QChar Ch, const TDurvelCharBitSet& Set)
{
    return Ch.unicode() < 256 && Set.test(Ch.unicode());
}

int ColumnLettersToNumber(const QString& Letters)
{
    if (Letters.isEmpty() || Letters.size() > 3)
        return 0;
    int result = 0;
    for (QChar c : Letters) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            return 0;
        result = result * 26 + (c.unicode() - 64);
    }
    return result;
}

QString CharToSepText(QChar Ch)
{
    const char16_t code = Ch.unicode();
    if (code >= 33 && code <= 127)
        return QString(Ch);
    return QStringLiteral("#%1").arg(int(code));
}

QChar SepTextToChar(const QString& Text, QChar Default)
{
    if (Text.isEmpty())
        return Default;
    if (Text.size() == 1)
        return Text[0];
    if (Text[0] == QLatin1Char('#')) {
        bool ok = false;
        const int code = Text.mid(1).toInt(&ok);
        if (!ok || code < 0 || code > 0xFFFF)
            return QChar(0);
        return QChar(char16_t(code));
    }
    return Default;
}

QChar GetListSeparator()
{
    // Qt gives no list separator; Windows uses ";" wherever "," is the decimal point.
    const QString point = QLocale().decimalPoint();
    return point == QLatin1String(",") ? QChar(u';') : QChar(u',');
}

void ExpandTabs(QString& Line)
{
    QString result;
    result.reserve(Line.size());
    for (QChar c : std::as_const(Line)) {
        if (c == QLatin1Char('\t')) {
            const qsizetype p = result.size() + 1; // 1-based position of the tab
            result.append(QString(8 - ((p - 1) % 8), QLatin1Char(' ')));
        } else {
            result.append(c);
        }
    }
    Line = result;
}

namespace {

const char16_t* unitsOf(QStringView Text)
{
    return Text.utf16();
}
const char* unitsOf(QByteArrayView Text)
{
    return Text.data();
}
QString ownCopy(QStringView Text)
{
    return Text.toString();
}
QByteArray ownCopy(QByteArrayView Text)
{
    return Text.toByteArray();
}

// One splitter for text and for bytes of an ASCII-compatible encoding: the same fields either way.
template <class View, class Text, class Unit>
void splitDelimited(View Line, Unit Quote, bool Quoted, Unit Separator, std::vector<View>& Fields,
                    std::vector<Text>& Built)
{
    Fields.clear();
    Built.clear();
    const qsizetype n = Line.size();
    // Fields are short: a plain scan beats the library's search set-up.
    const Unit* text = reinterpret_cast<const Unit*>(unitsOf(Line));
    const auto find = [text, n](Unit u, qsizetype from) -> qsizetype {
        for (qsizetype k = from; k < n; ++k)
            if (text[k] == u)
                return k;
        return -1;
    };
    qsizetype i = 0;
    while (true) {
        if (i < n && Quoted && text[i] == Quote) {
            ++i;
            // A field without doubled quotes is a run of the line; one with them is built.
            qsizetype from = i;
            Text* field = nullptr;
            while (true) {
                const qsizetype q = find(Quote, i);
                if (q < 0) { // unterminated: the rest of the line
                    if (field) {
                        field->append(Line.sliced(i));
                        Fields.push_back(*field);
                    } else {
                        Fields.push_back(Line.sliced(from));
                    }
                    return;
                }
                if (q + 1 < n && text[q + 1] == Quote) {
                    if (!field) {
                        Built.emplace_back(ownCopy(Line.sliced(from, q - from)));
                        field = &Built.back();
                    } else {
                        field->append(Line.sliced(i, q - i));
                    }
                    field->append(Quote);
                    i = q + 2;
                    continue;
                }
                if (field) {
                    field->append(Line.sliced(i, q - i));
                    Fields.push_back(*field);
                } else {
                    Fields.push_back(Line.sliced(from, q - from));
                }
                // After the closing quote, anything up to the separator is dropped.
                const qsizetype sep = find(Separator, q + 1);
                if (sep < 0)
                    return;
                i = sep + 1;
                break;
            }
            continue;
        }
        const qsizetype sep = find(Separator, i);
        if (sep < 0) {
            Fields.push_back(Line.sliced(i));
            return;
        }
        Fields.push_back(Line.sliced(i, sep - i));
        i = sep + 1;
    }
}

} // namespace

void SplitDelimitedLine(QStringView Line, QChar Quote, QChar Separator,
                        std::vector<QStringView>& Fields, std::vector<QString>& Built)
{
    if (Separator.isNull())
        return;
    splitDelimited(Line, Quote.unicode(), !Quote.isNull(), Separator.unicode(), Fields, Built);
}

void SplitDelimitedBytes(QByteArrayView Line, QChar Quote, QChar Separator,
                         std::vector<QByteArrayView>& Fields, std::vector<QByteArray>& Built)
{
    if (Separator.isNull())
        return;
    Q_ASSERT(Quote.unicode() < 0x80 && Separator.unicode() < 0x80);
    splitDelimited(Line, char(Quote.unicode()), !Quote.isNull(), char(Separator.unicode()), Fields,
                   Built);
}

void SplitDelimitedLine(QStringView Line, QChar Quote, QChar Separator,
                        std::vector<QString>& Fields)
{
    if (Separator.isNull())
        return;
    std::vector<QStringView> views;
    std::vector<QString> built;
    SplitDelimitedLine(Line, Quote, Separator, views, built);
    Fields.clear();
    for (QStringView v : views)
        Fields.push_back(v.isEmpty() ? QString() : v.toString());
}

void SplitDelimitedLine(const QString& Line, QChar Quote, QChar Separator, TWideStrings& Fields)
{
    if (Separator.isNull())
        return;
    std::vector<QString> fields;
    SplitDelimitedLine(QStringView(Line), Quote, Separator, fields);
    Fields.BeginUpdate();
    try {
        Fields.Clear();
        for (const QString& field : fields)
            Fields.Add(field);
    } catch (...) {
        Fields.EndUpdate();
        throw;
    }
    Fields.EndUpdate();
}

void EraseAllSections(IniFile& Ini)
{
    for (const QString& section : Ini.sections())
        Ini.eraseSection(section);
}

bool FolderExists(const QString& Path)
{
    const QFileInfo info(Path);
    return info.exists() && info.isDir();
}

QString TemplateWritableName(const QString& Name, QString* Notice)
{
    const QString name = Name.trimmed();
    // Both separators: a template written on Windows may hold either.
    const QStringList parts = name.split(QRegularExpression(QStringLiteral("[/\\\\]")));
    const bool absolute = QDir::isAbsolutePath(name) || name.startsWith(u'\\') ||
                          (name.size() >= 2 && name.at(1) == u':' && name.at(0).isLetter());
    if (!absolute && !parts.contains(QStringLiteral("..")))
        return Name;
    QString bare = parts.isEmpty() ? QString() : parts.last();
    if (bare.size() >= 2 && bare.at(1) == u':')
        bare = bare.mid(2);
    if (bare.isEmpty() || bare == QLatin1String(".."))
        bare = QStringLiteral("error.log");
    if (Notice)
        *Notice = QStringLiteral("The template's file name \"%1\" is refused, as it lies outside "
                                 "the program's folder; \"%2\" is used instead.")
                      .arg(name, QDir(QCoreApplication::applicationDirPath()).filePath(bare));
    return bare;
}

QString AddQuotes(const QString& S, const QString& Left, const QString& Right)
{
    return Left + S + Right;
}

QString RemoveQuotes(const QString& S, const QString& Left, const QString& Right)
{
    QString result = S;
    if (!Left.isEmpty() && result.startsWith(Left))
        result.remove(0, Left.size());
    if (!Right.isEmpty() && result.endsWith(Right))
        result.chop(Right.size());
    return result;
}

QString UpperFirst(const QString& S)
{
    if (S.isEmpty())
        return S;
    return S.left(1).toUpper() + S.mid(1).toLower();
}

QString UpperFirstWord(const QString& S)
{
    QString result = S;
    for (qsizetype i = 0; i < result.size(); ++i)
        if ((i == 0 || result[i - 1] == QLatin1Char(' ')) && result[i] != QLatin1Char(' '))
            result[i] = result[i].toUpper();
    return result;
}

QString RemoveThousandSeparators(const QString& S, QChar ThousandSeparator)
{
    QString result = S;
    if (!ThousandSeparator.isNull())
        result.remove(ThousandSeparator);
    return result;
}

void ShortenFileName(const QString& FileName, const std::function<int(const QString&)>& TextWidth,
                     int MaxWidth, QString& Result)
{
    const QString Ellipsis = QStringLiteral(".../");
    Result = FileName;
    const qsizetype slash = FileName.lastIndexOf(QLatin1Char('/'));
    QString folder = FileName.left(slash + 1);
    const QString name = FileName.mid(slash + 1);
    while (TextWidth(Result) > MaxWidth) {
        if (folder == QLatin1String("/.../")) {
            folder = Ellipsis;
        } else {
            const QString lead =
                folder.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
            QString rest = folder.mid(lead.size());
            if (rest.startsWith(Ellipsis))
                rest = rest.mid(Ellipsis.size());
            const qsizetype end = rest.indexOf(QLatin1Char('/'));
            if (end < 0)
                break; // nothing left to take away
            folder = lead + Ellipsis + rest.mid(end + 1);
        }
        Result = folder + name;
    }
}

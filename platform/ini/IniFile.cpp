#include "platform/ini/IniFile.h"

#include "platform/files/Files.h"

#include <limits>

#include <QFile>
#include <QStringDecoder>

namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The form a name is indexed by; names that sameName holds equal fold alike.
QString folded(const QString& name)
{
    return name.toCaseFolded();
}

// A key listed twice reads as its first line.
void indexFirst(QHash<QString, std::size_t>& index, const QString& key, std::size_t line)
{
    const QString k = folded(key);
    if (!index.contains(k))
        index.insert(k, line);
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

} // namespace

IniFile::IniFile(const QString& fileName) : m_fileName(fileName)
{
    m_sections.push_back(Section{});
    load();
}

void IniFile::load()
{
    QFile file(m_fileName);
    // A pipe would be waited on and a device read without end; neither is saved over either.
    // Told by the node opened, not by its name beforehand.
    bool notPlain = false;
    bool missing = false;
    const QString failure = files::openPlainForReading(file, &notPlain, &missing);
    if (missing)
        return;
    if (notPlain)
        throw IniError(QStringLiteral("The file %1 is not a plain file").arg(m_fileName));
    if (!failure.isEmpty())
        throw IniError(QStringLiteral("Cannot read the file %1: %2").arg(m_fileName, failure));
    const QByteArray bytes = file.readAll();

    QString text;
    {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(bytes);
        if (utf8.hasError()) {
            // Files written by the earlier Windows program are in the ANSI code page.
            QStringDecoder ansi("windows-1256");
            text = ansi.isValid() ? ansi.decode(bytes) : QString::fromLatin1(bytes);
        }
    }
    // The decoder drops one mark; an editor may have added more, each read as part of the
    // first line, and a saved copy would start with what the next load takes for its mark.
    qsizetype marks = 0;
    while (marks < text.size() && text.at(marks) == QChar(0xFEFF))
        ++marks;
    text.remove(0, marks);

    Section* current = &m_sections.front();
    const QStringList rawLines = text.split(u'\n');
    for (int i = 0; i < rawLines.size(); ++i) {
        QString raw = rawLines.at(i);
        // Every CR before the LF: a saved copy ends its lines in LF alone and reads the same.
        while (raw.endsWith(u'\r'))
            raw.chop(1);
        if (i == rawLines.size() - 1 && raw.isEmpty())
            break; // the newline that ends the last line
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            int close = line.indexOf(u']');
            const QString name = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
            current = findSection(name);
            if (!current) {
                m_sectionIndex.insert(folded(name), m_sections.size());
                m_sections.push_back(Section{name, {}, {}});
                current = &m_sections.back();
            }
            continue;
        }
        const int eq = line.isEmpty() ? -1 : keyEnd(line);
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#') || eq < 0 ||
            current == &m_sections.front()) {
            current->lines.push_back(Line{QString(), raw, true});
            continue;
        }
        const QString key = decodeValue(line.left(eq));
        indexFirst(current->keyLines, key, current->lines.size());
        current->lines.push_back(Line{key, decodeValue(line.mid(eq + 1)), false});
    }
}

// A key may be quoted to hold blanks, ';' or '#' at its start, but never '=': writeString refuses
// such keys, so one read from a file could not be saved as it was read.
int IniFile::keyEnd(const QString& line)
{
    return line.indexOf(u'=');
}

void IniFile::save() const
{
    QString text;
    for (std::size_t s = 0; s < m_sections.size(); ++s) {
        const Section& section = m_sections[s];
        if (s > 0)
            text += u'[' + section.name + QStringLiteral("]\n");
        for (const Line& line : section.lines) {
            if (line.isComment)
                text += line.value;
            else
                text += encodeKey(line.key) + u'=' + encodeValue(line.value);
            text += u'\n';
        }
    }
    const QString failure = files::writeWhole(m_fileName, text.toUtf8());
    if (!failure.isEmpty())
        throw IniError(QStringLiteral("Cannot write the file %1: %2").arg(m_fileName, failure));
    m_modified = false;
}

QString IniFile::encodeValue(const QString& value)
{
    if (value.isEmpty())
        return value;
    const bool blankAtEnd = value.front().isSpace() || value.back().isSpace();
    const bool quotedLook =
        value.size() >= 2 && isQuote(value.front()) && value.front() == value.back();
    return blankAtEnd || quotedLook ? u'"' + value + u'"' : value;
}

QString IniFile::encodeKey(const QString& key)
{
    if (key.isEmpty() || key.startsWith(u';') || key.startsWith(u'#') || key.startsWith(u'['))
        return u'"' + key + u'"';
    return encodeValue(key);
}

QString IniFile::decodeValue(const QString& stored)
{
    const QString v = stored.trimmed();
    if (v.size() >= 2 && isQuote(v.front()) && v.front() == v.back())
        return v.mid(1, v.size() - 2);
    return v;
}

void IniFile::checkName(const QString& name, bool isSection)
{
    bool ok = true;
    if (isSection)
        ok = !name.isEmpty() && name.trimmed() == name && !name.contains(u']') &&
             !name.contains(u'\n') && !name.contains(u'\r');
    if (ok && !isSection)
        ok = !name.contains(u'=') && !name.contains(u'\n') && !name.contains(u'\r');
    if (!ok)
        throw IniError(
            isSection ? QStringLiteral("The section name \"%1\" cannot be stored in an ini file")
                            .arg(name)
                      : QStringLiteral("The key \"%1\" cannot be stored in an ini file").arg(name));
}

void IniFile::indexKeys(Section& section)
{
    section.keyLines.clear();
    for (std::size_t i = 0; i < section.lines.size(); ++i)
        if (!section.lines[i].isComment)
            indexFirst(section.keyLines, section.lines[i].key, i);
}

void IniFile::indexSections()
{
    m_sectionIndex.clear();
    for (std::size_t s = 1; s < m_sections.size(); ++s)
        m_sectionIndex.insert(folded(m_sections[s].name), s);
}

const IniFile::Section* IniFile::findSection(const QString& name) const
{
    const auto it = m_sectionIndex.constFind(folded(name));
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections[it.value()];
}

IniFile::Section* IniFile::findSection(const QString& name)
{
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const IniFile::Line* IniFile::findKey(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (!s)
        return nullptr;
    const auto it = s->keyLines.constFind(folded(key));
    return it == s->keyLines.constEnd() ? nullptr : &s->lines[it.value()];
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    const Line* line = findKey(section, key);
    return line ? line->value : defaultValue;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    checkName(section, true);
    checkName(key, false);
    if (value.contains(u'\n') || value.contains(u'\r'))
        throw IniError(
            QStringLiteral("The value of \"%1\" cannot hold a line break in an ini file").arg(key));
    Section* s = findSection(section);
    if (!s) {
        Section& last = m_sections.back();
        if (m_sections.size() > 1 && !last.lines.empty() &&
            !(last.lines.back().isComment && last.lines.back().value.trimmed().isEmpty()))
            last.lines.push_back(Line{QString(), QString(), true});
        m_sectionIndex.insert(folded(section), m_sections.size());
        m_sections.push_back(Section{section, {}, {}});
        s = &m_sections.back();
    }
    m_modified = true;
    const QString k = folded(key);
    if (const auto it = s->keyLines.constFind(k); it != s->keyLines.constEnd()) {
        s->lines[it.value()].value = value;
        return;
    }
    // New keys go after the last key, before trailing blank lines (which hold no key, so the
    // index of every key stays as it was).
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && std::prev(pos)->isComment &&
           std::prev(pos)->value.trimmed().isEmpty())
        --pos;
    s->keyLines.insert(k, std::size_t(pos - s->lines.begin()));
    s->lines.insert(pos, Line{key, value, false});
}

int IniFile::readCount(const QString& section, const QString& key, int defaultValue) const
{
    const qint64 v = readInteger(section, key, defaultValue);
    return v >= 0 && v <= std::numeric_limits<int>::max() ? int(v) : defaultValue;
}

qint64 IniFile::readInteger(const QString& section, const QString& key, qint64 defaultValue) const
{
    const Line* line = findKey(section, key);
    if (!line)
        return defaultValue;
    QString v = line->value.trimmed();
    bool ok = false;
    qint64 n = 0;
    bool negative = v.startsWith(u'-');
    QString digits = (negative || v.startsWith(u'+')) ? v.mid(1) : v;
    if (digits.startsWith(u'$'))
        n = digits.mid(1).toLongLong(&ok, 16);
    else if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        n = digits.mid(2).toLongLong(&ok, 16);
    else if (!digits.isEmpty() && digits.front().isDigit())
        n = digits.toLongLong(&ok, 10);
    if (!ok)
        return defaultValue;
    return negative ? -n : n;
}

void IniFile::writeInteger(const QString& section, const QString& key, qint64 value)
{
    writeString(section, key, QString::number(value));
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    const Line* line = findKey(section, key);
    if (!line)
        return defaultValue;
    const QString v = line->value.trimmed();
    if (sameName(v, QStringLiteral("true")))
        return true;
    if (sameName(v, QStringLiteral("false")))
        return false;
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList IniFile::sections() const
{
    QStringList names;
    for (std::size_t s = 1; s < m_sections.size(); ++s)
        names << m_sections[s].name;
    return names;
}

QStringList IniFile::keys(const QString& section) const
{
    QStringList names;
    if (const Section* s = findSection(section)) {
        for (std::size_t i = 0; i < s->lines.size(); ++i) {
            const Line& line = s->lines[i];
            // A key listed twice is named once, as its first line has it.
            if (!line.isComment && s->keyLines.value(folded(line.key)) == i)
                names << line.key;
        }
    }
    return names;
}

bool IniFile::sectionExists(const QString& section) const
{
    return findSection(section) != nullptr;
}

bool IniFile::keyExists(const QString& section, const QString& key) const
{
    return findKey(section, key) != nullptr;
}

void IniFile::eraseSection(const QString& section)
{
    for (std::size_t s = 1; s < m_sections.size(); ++s) {
        if (sameName(m_sections[s].name, section)) {
            m_sections.erase(m_sections.begin() + std::ptrdiff_t(s));
            indexSections();
            m_modified = true;
            return;
        }
    }
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    Section* s = findSection(section);
    if (!s)
        return;
    for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
        if (!it->isComment && sameName(it->key, key)) {
            s->lines.erase(it);
            indexKeys(*s);
            m_modified = true;
            return;
        }
    }
}

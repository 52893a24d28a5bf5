#include "platform/xml/AttributeLimit.h"

#include <QHash>
#include <QHashFunctions>

#include <cstring>

namespace xml {

namespace {

// White space as both of libxml2's parsers read it (a form feed is none).
bool isBlank(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r';
}

// libxml2 refuses longer names; a name is told apart by this much of it (in bytes).
constexpr std::size_t kNameBytes = 100000;

// The XML declaration must end within this many bytes of the start for the scan to know the
// encoding it names.
constexpr qsizetype kHeadBytes = 16384;

// The HTML parser reads a name of at most this many characters; what follows is the next one.
constexpr int kHtmlName = 100;

bool startsName(char32_t c)
{
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || c == U'_' || c == U':' ||
           c >= 0x80;
}

bool isAsciiLetter(char32_t c)
{
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

// The characters of an HTML name, and those that may start an attribute's or end tag's name.
bool isHtmlNameChar(char32_t c)
{
    return isAsciiLetter(c) || (c >= U'0' && c <= U'9') || c == U':' || c == U'_' || c == U'.' ||
           c == U'-';
}

bool startsHtmlName(char32_t c)
{
    return isAsciiLetter(c) || c == U'_' || c == U':' || c == U'.';
}

char32_t lower(char32_t c)
{
    return c >= U'A' && c <= U'Z' ? c + 32 : c;
}

char32_t upper(char32_t c)
{
    return c >= U'a' && c <= U'z' ? c - 32 : c;
}

bool isQuote(char32_t c)
{
    return c == U'"' || c == U'\'';
}

// Single-byte encodings that write every ASCII character as itself and use no ASCII byte for
// anything else: read as bytes, their markup is what the parser reads.
bool isAsciiPage(const QByteArray& n)
{
    static const char* const kNames[] = {"US-ASCII", "ASCII",  "WINDOWS-1250", "WINDOWS-1251",
                                         "WINDOWS-1252", "WINDOWS-1253", "WINDOWS-1254",
                                         "WINDOWS-1255", "WINDOWS-1256", "WINDOWS-1257",
                                         "WINDOWS-1258", "CP1250", "CP1251", "CP1252", "CP1253",
                                         "CP1254", "CP1255", "CP1256", "CP1257", "CP1258",
                                         "KOI8-R", "KOI8-U", "CP866", "IBM866", "LATIN1"};
    for (const char* name : kNames)
        if (n == name)
            return true;
    for (const char* prefix : {"ISO-8859-", "ISO8859-", "ISO_8859-"}) {
        if (!n.startsWith(prefix))
            continue;
        bool ok = false;
        const int part = n.mid(qsizetype(std::strlen(prefix))).toInt(&ok);
        return ok && part >= 1 && part <= 16 && part != 12;
    }
    return false;
}

// Names libxml2 leaves the reading as it is for, whatever the bytes showed.
bool isKeptName(const QByteArray& n)
{
    return n == "UTF-8" || n == "UTF8" || n == "UTF-16" || n == "UTF16";
}

} // namespace

AttributeLimit::AttributeLimit(QByteArrayView encoding, int limit, int nameLimit, Markup markup)
    : m_limit(limit), m_nameLimit(nameLimit), m_markup(markup)
{
    m_override = encoding.toByteArray().trimmed();
    if (m_override.isEmpty() && markup == Markup::Html)
        m_units = Units::Bytes;
    if (!m_override.isEmpty()) {
        m_units = unitsOf(m_override.toUpper());
        if (m_units == Units::Unknown)
            refuse(Refusal::Encoding, QString::fromLatin1(m_override));
    }
}

QString AttributeLimit::message() const
{
    switch (m_refusal) {
    case Refusal::Names:
        return QStringLiteral("The document uses more than %1 different element and attribute "
                              "names, more than the program reads; the document is refused")
            .arg(m_nameLimit);
    case Refusal::Attributes:
        return QStringLiteral("An element of the document has more than %1 attributes, more "
                              "than the program reads; the document is refused")
            .arg(m_limit);
    case Refusal::Encoding:
        return QStringLiteral("The document is in the encoding %1, which the program does not "
                              "read; the document is refused")
            .arg(m_detail);
    case Refusal::Mismatch:
        return QStringLiteral("The document is written in %1 but its XML declaration names the "
                              "encoding %2, which the program cannot read it in; the document "
                              "is refused")
            .arg(m_detail.section(u'|', 0, 0), m_detail.section(u'|', 1));
    case Refusal::Declaration:
        return QStringLiteral("The XML declaration at the start of the document does not end "
                              "within %1 bytes; the document is refused")
            .arg(kHeadBytes);
    case Refusal::Markup:
        return QStringLiteral("The page's %1 cannot be read safely; the page is refused")
            .arg(m_detail);
    case Refusal::None:
        break;
    }
    return {};
}

AttributeLimit::Units AttributeLimit::unitsOf(const QByteArray& n) const
{
    if (n == "UTF-8" || n == "UTF8" || isAsciiPage(n))
        return Units::Bytes;
    // libxml2's own "UTF-16" reads little-endian units.
    if (n == "UTF-16LE" || n == "UTF-16")
        return Units::Utf16LE;
    if (n == "UTF-16BE")
        return Units::Utf16BE;
    if (n == "UTF-32LE" || n == "UCS-4LE")
        return Units::Utf32LE;
    if (n == "UTF-32BE" || n == "UCS-4BE")
        return Units::Utf32BE;
    return Units::Unknown;
}

bool AttributeLimit::refuse(Refusal why, const QString& detail)
{
    if (m_refusal == Refusal::None) {
        m_refusal = why;
        m_detail = detail;
    }
    return false;
}

// The encoding as libxml2 picks it without the caller's: the first bytes (a byte-order mark,
// or "<?" in some units), then the encoding the XML declaration names. libxml2 changes its
// reading at some point after the declaration when that names another encoding: the scan
// follows where that point does not matter (an ASCII-compatible page named in a document read
// as 8-bit), and refuses the rest.
void AttributeLimit::decideEncoding()
{
    const QByteArray& h = m_head;
    if (h.size() < 4)
        return;
    const auto at = [&](int i) { return int(static_cast<unsigned char>(h[i])); };
    const auto is = [&](int a, int b, int c, int d) {
        return at(0) == a && at(1) == b && at(2) == c && at(3) == d;
    };
    Units detected = Units::Bytes;
    QString name = QStringLiteral("UTF-8");
    int skip = 0;
    if (is(0, 0, 0, 0x3C)) {
        detected = Units::Utf32BE;
    } else if (is(0x3C, 0, 0, 0)) {
        detected = Units::Utf32LE;
    } else if (is(0, 0, 0x3C, 0) || is(0, 0x3C, 0, 0)) {
        refuse(Refusal::Encoding, QStringLiteral("UCS-4 (unusual byte order)"));
        return;
    } else if (is(0x4C, 0x6F, 0xA7, 0x94)) {
        refuse(Refusal::Encoding, QStringLiteral("EBCDIC"));
        return;
    } else if (is(0x3C, 0, 0x3F, 0)) {
        detected = Units::Utf16LE;
    } else if (is(0, 0x3C, 0, 0x3F)) {
        detected = Units::Utf16BE;
    } else if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        skip = 3;
    } else if (at(0) == 0xFE && at(1) == 0xFF) {
        detected = Units::Utf16BE;
        skip = 2;
    } else if (at(0) == 0xFF && at(1) == 0xFE) {
        detected = Units::Utf16LE;
        skip = 2;
    }
    const int width = detected == Units::Bytes                                     ? 1
                      : detected == Units::Utf16LE || detected == Units::Utf16BE ? 2
                                                                                   : 4;
    if (detected == Units::Utf16LE)
        name = QStringLiteral("UTF-16LE");
    else if (detected == Units::Utf16BE)
        name = QStringLiteral("UTF-16BE");
    else if (detected == Units::Utf32LE)
        name = QStringLiteral("UTF-32LE");
    else if (detected == Units::Utf32BE)
        name = QStringLiteral("UTF-32BE");
    // The declaration's characters, as far as they have come.
    const auto unit = [&](qsizetype i) -> char32_t {
        const qsizetype p = skip + i * width;
        const auto b = [&](qsizetype k) { return char32_t(static_cast<unsigned char>(h[p + k])); };
        switch (detected) {
        case Units::Utf16LE:
            return b(0) | b(1) << 8;
        case Units::Utf16BE:
            return b(0) << 8 | b(1);
        case Units::Utf32LE:
            return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
        case Units::Utf32BE:
            return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
        default:
            return b(0);
        }
    };
    // Only so far, whatever pieces the bytes came in.
    const qsizetype have = (qMin(h.size(), kHeadBytes) - skip) / width;
    static const char kStart[] = "<?xml";
    for (qsizetype i = 0; i < 6; ++i) {
        if (i >= have)
            return; // not yet told
        const char32_t c = unit(i);
        if (i < 5 ? c != char32_t(kStart[i]) : !isBlank(c)) {
            m_units = detected; // no declaration
            return;
        }
    }
    QByteArray declared;
    qsizetype i = 6;
    for (;; ++i) {
        if (i >= have) {
            if (h.size() >= kHeadBytes)
                refuse(Refusal::Declaration);
            return;
        }
        if (unit(i) == U'>')
            break;
    }
    // The first "encoding" of the declaration, as libxml2 reads the one it honours.
    QString text;
    for (qsizetype k = 6; k < i; ++k)
        text += unit(k) < 0x80 ? QChar(char16_t(unit(k))) : QChar(u'?');
    const qsizetype e = text.indexOf(QLatin1String("encoding"));
    if (e >= 0) {
        qsizetype k = e + 8;
        while (k < text.size() && isBlank(text.at(k).unicode()))
            ++k;
        if (k < text.size() && text.at(k) == u'=') {
            ++k;
            while (k < text.size() && isBlank(text.at(k).unicode()))
                ++k;
            if (k < text.size() && isQuote(text.at(k).unicode())) {
                const qsizetype close = text.indexOf(text.at(k), k + 1);
                declared = text.mid(k + 1, close < 0 ? -1 : close - k - 1).toLatin1();
            }
        }
    }
    const QByteArray upperName = declared.toUpper();
    if (declared.isEmpty() || isKeptName(upperName)) {
        m_units = detected;
        return;
    }
    if (detected == Units::Bytes) {
        if (unitsOf(upperName) == Units::Bytes)
            m_units = Units::Bytes;
        else
            refuse(Refusal::Encoding, QString::fromLatin1(declared));
        return;
    }
    // libxml2 keeps its own reader for the same UTF-16 and changes to another for any other.
    if ((detected == Units::Utf16LE && upperName == "UTF-16LE") ||
        (detected == Units::Utf16BE && upperName == "UTF-16BE")) {
        m_units = detected;
        return;
    }
    refuse(Refusal::Mismatch, name + u'|' + QString::fromLatin1(declared));
}

bool AttributeLimit::scan(QByteArrayView bytes)
{
    if (exceeded())
        return false;
    if (bytes.isEmpty())
        return true;
    if (m_units == Units::Unknown) {
        m_head.append(bytes.data(), bytes.size());
        decideEncoding();
        if (exceeded())
            return false;
        if (m_units == Units::Unknown)
            return true;
        const QByteArray head = std::move(m_head);
        m_head.clear();
        return decodeUnits(head.constData(), head.constData() + head.size());
    }
    return decodeUnits(bytes.data(), bytes.data() + bytes.size());
}

bool AttributeLimit::decodeUnits(const char* p, const char* end)
{
    if (m_units == Units::Bytes)
        return scanBytes(p, end);
    const int width = m_units == Units::Utf16LE || m_units == Units::Utf16BE ? 2 : 4;
    const bool little = m_units == Units::Utf16LE || m_units == Units::Utf32LE;
    unsigned char unit[4];
    while (p < end) {
        int have = int(m_pending.size());
        std::memcpy(unit, m_pending.constData(), std::size_t(have));
        while (have < width && p < end)
            unit[have++] = static_cast<unsigned char>(*p++);
        if (have < width) {
            m_pending = QByteArray(reinterpret_cast<const char*>(unit), have);
            return true;
        }
        m_pending.clear();
        char32_t c = 0;
        for (int k = 0; k < width; ++k)
            c |= char32_t(unit[little ? k : width - 1 - k]) << (8 * k);
        if (!step(c))
            return false;
    }
    return true;
}

const char* AttributeLimit::nameEnd(const char* p, const char* end) const
{
    const State s = m_main.state;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '>' || c == '/' || isBlank(char32_t(static_cast<unsigned char>(c))))
            break;
        if (c == '=' && s == State::AttributeName)
            break;
        if (c == '?' && s == State::InstructionName)
            break;
    }
    return p;
}

bool AttributeLimit::scanBytes(const char* p, const char* end)
{
    const bool xml = m_markup == Markup::Xml;
    while (p < end) {
        const State s = m_main.state;
        // Text and quoted values are most of a document: passed over a block at a time.
        if (s == State::Text || s == State::Quoted || s == State::Raw) {
            const char wanted = s == State::Quoted ? char(m_main.quote) : '<';
            const void* hit = std::memchr(p, wanted, std::size_t(end - p));
            if (!hit)
                return true;
            p = static_cast<const char*>(hit);
        } else if (xml && (s == State::TagName || s == State::AttributeName ||
                           s == State::InstructionName)) {
            // So are names: taken whole up to what ends them.
            const char* stop = nameEnd(p, end);
            if (m_name.size() < kNameBytes)
                m_name.append(p, std::size_t(qMin<qsizetype>(
                                     stop - p, qsizetype(kNameBytes - m_name.size()))));
            p = stop;
            if (p == end)
                return true;
        }
        const char32_t c = static_cast<unsigned char>(*p++);
        if (!(xml ? stepXml(m_main, c, true) : stepHtml(c)))
            return false;
    }
    return true;
}

void AttributeLimit::startName(char32_t c)
{
    m_name.clear();
    addToName(c);
}

void AttributeLimit::addToName(char32_t c)
{
    if (m_name.size() >= kNameBytes)
        return;
    if (m_units == Units::Bytes && c < 0x100) {
        m_name.push_back(char(c));
    } else {
        m_name.push_back(char(c & 0xFF));
        m_name.push_back(char((c >> 8) & 0xFF));
        if (c > 0xFFFF)
            m_name.push_back(char(c >> 16));
    }
}

bool AttributeLimit::endName()
{
    if (m_name.empty())
        return true;
    const auto byte = [this](std::size_t i) { return std::size_t(uchar(m_name[i])); };
    std::string& recent =
        m_recent[(m_name.size() * 7 + byte(0) * 3 + byte(m_name.size() - 1)) % m_recent.size()];
    if (recent == m_name) {
        m_name.clear();
        return true;
    }
    const std::size_t hash = qHashBits(m_name.data(), m_name.size(), QHashSeed::globalSeed());
    if (int(m_names.size()) >= m_nameLimit && !m_names.contains(hash))
        return refuse(Refusal::Names);
    m_names.insert(hash);
    if (m_name.size() <= 64)
        recent.swap(m_name);
    m_name.clear();
    return true;
}

// A character of an entity value in the internal subset: its character references are
// replaced when the entity is declared, and the text they make is parsed as content.
bool AttributeLimit::literal(char32_t c)
{
    switch (m_refState) {
    case 1:
        m_refState = 0;
        if (c == U'#') {
            m_refState = 2;
            m_refValue = 0;
            return true;
        }
        return stepXml(m_literal, U'&', false) && literal(c);
    case 2:
        if (c == U'x') {
            m_refState = 4;
            return true;
        }
        m_refState = 3;
        [[fallthrough]];
    case 3:
    case 4: {
        const bool hex = m_refState == 4;
        int digit = -1;
        if (c >= U'0' && c <= U'9')
            digit = int(c - U'0');
        else if (hex && lower(c) >= U'a' && lower(c) <= U'f')
            digit = int(lower(c) - U'a' + 10);
        if (digit >= 0) {
            m_refValue = qMin<char32_t>(m_refValue * (hex ? 16 : 10) + char32_t(digit), 0x110000);
            return true;
        }
        m_refState = 0;
        if (c == U';')
            return stepXml(m_literal, m_refValue, false);
        return stepXml(m_literal, c, false); // not well-formed: the parser stops here
    }
    default:
        if (c == U'&') {
            m_refState = 1;
            return true;
        }
        return stepXml(m_literal, c, false);
    }
}

bool AttributeLimit::stepXml(Machine& m, char32_t c, bool main)
{
    switch (m.state) {
    case State::Text:
        if (c == U'<')
            m.state = State::TagOpen;
        break;
    case State::TagOpen:
        if (c == U'!') {
            m.state = State::Markup;
        } else if (c == U'?') {
            m.state = State::InstructionName;
            m_name.clear();
            m.run = 0;
        } else if (c == U'/') {
            m.state = State::EndTag;
        } else if (startsName(c)) {
            m.state = State::TagName;
            m.count = 0;
            startName(c);
        } else if (c != U'<') {
            m.state = State::Text;
        }
        break;
    case State::Markup:
        m.run = 0;
        m.quote = 0;
        m.state = c == U'-' ? State::Dash : c == U'[' ? State::CData : State::Doctype;
        if (c == U'>')
            m.state = State::Text;
        break;
    case State::Dash:
        m.state = c == U'-' ? State::Comment : State::Doctype;
        m.run = 0;
        break;
    case State::Comment:
        if (c == U'>' && m.run >= 2)
            m.state = State::Text;
        m.run = c == U'-' ? m.run + 1 : 0;
        break;
    case State::CData:
        if (c == U'>' && m.run >= 2)
            m.state = State::Text;
        m.run = c == U']' ? m.run + 1 : 0;
        break;
    case State::Doctype:
        if (m.quote) {
            if (c == m.quote)
                m.quote = 0;
        } else if (isQuote(c)) {
            m.quote = c;
        } else if (c == U'[' && main) {
            m.state = State::Subset;
        } else if (c == U'>') {
            m.state = State::Text;
        }
        break;
    // The internal subset: its comments and instructions may hold any quote or bracket; the
    // literals of its declarations are read as the content an entity's value becomes.
    case State::Subset:
        if (c == U'<')
            m.state = State::SubsetOpen;
        else if (c == U']')
            m.state = State::AfterSubset;
        break;
    case State::SubsetOpen:
        m.run = 0;
        m.quote = 0;
        m.state = c == U'!' ? State::SubsetBang : c == U'?' ? State::SubsetPi : State::Subset;
        break;
    case State::SubsetBang:
        if (c == U'-') {
            m.state = State::SubsetDash;
            break;
        }
        m.state = State::SubsetDecl;
        return stepXml(m, c, main);
    case State::SubsetDash:
        if (c == U'-') {
            m.state = State::SubsetComment;
            m.run = 0;
            break;
        }
        m.state = State::SubsetDecl;
        return stepXml(m, c, main);
    case State::SubsetComment:
        if (c == U'>' && m.run >= 2)
            m.state = State::Subset;
        m.run = c == U'-' ? m.run + 1 : 0;
        break;
    case State::SubsetPi:
        if (c == U'>' && m.run)
            m.state = State::Subset;
        m.run = c == U'?';
        break;
    case State::SubsetDecl:
        if (m.quote) {
            if (c == m.quote) {
                m.quote = 0;
                m_refState = 0;
            } else {
                return literal(c);
            }
        } else if (isQuote(c)) {
            // Every default value an attribute list declares is added to each of its
            // elements, checked against the others as the element's own are.
            if (++m_subsetLiterals > m_limit)
                return refuse(Refusal::Attributes);
            m.quote = c;
            m_literal = Machine();
            m_refState = 0;
        } else if (c == U'>') {
            m.state = State::Subset;
        }
        break;
    case State::AfterSubset:
        if (c == U'>')
            m.state = State::Text;
        break;
    case State::InstructionName:
        if (isBlank(c) || c == U'?') {
            m.state = State::Instruction;
            m.run = c == U'?';
            if (!endName())
                return false;
        } else {
            addToName(c);
        }
        break;
    case State::Instruction:
        if (c == U'>' && m.run)
            m.state = State::Text;
        m.run = c == U'?';
        break;
    case State::EndTag:
        if (c == U'>')
            m.state = State::Text;
        break;
    case State::TagName:
        if (c == U'>' || isBlank(c) || c == U'/') {
            m.state = c == U'>' ? State::Text : State::BeforeAttribute;
            if (!endName())
                return false;
        } else {
            addToName(c);
        }
        break;
    case State::BeforeAttribute:
    case State::AfterAttributeName:
        if (isBlank(c) || c == U'/') {
            if (c == U'/')
                m.state = State::BeforeAttribute;
        } else if (c == U'>') {
            m.state = State::Text;
        } else if (c == U'=') {
            m.state = State::BeforeValue;
        } else if (c == U'<') {
            m.state = State::TagOpen;
        } else if (m.state == State::BeforeAttribute && isQuote(c)) {
            m.quote = c; // a value without a name: not well-formed, passed over as one
            m.state = State::Quoted;
        } else {
            m.state = State::AttributeName;
            if (++m.count > m_limit)
                return refuse(Refusal::Attributes);
            startName(c);
        }
        break;
    case State::AttributeName:
        if (c == U'=' || c == U'>' || c == U'/' || isBlank(c)) {
            m.state = c == U'='   ? State::BeforeValue
                      : c == U'>' ? State::Text
                      : c == U'/' ? State::BeforeAttribute
                                  : State::AfterAttributeName;
            if (!endName())
                return false;
        } else {
            addToName(c);
        }
        break;
    case State::BeforeValue:
        if (isQuote(c)) {
            m.quote = c;
            m.state = State::Quoted;
        } else if (c == U'>') {
            m.state = State::Text;
        } else if (!isBlank(c)) {
            m.state = State::Unquoted;
        }
        break;
    case State::Quoted:
        if (c == m.quote)
            m.state = State::BeforeAttribute;
        break;
    case State::Unquoted:
        if (c == U'>')
            m.state = State::Text;
        else if (isBlank(c))
            m.state = State::BeforeAttribute;
        break;
    default:
        m.state = State::Text;
        break;
    }
    return true;
}

bool AttributeLimit::startHtmlAttribute(char32_t c)
{
    Machine& m = m_main;
    m.state = State::AttributeName;
    m.length = 1;
    if (++m.count > m_limit)
        return refuse(Refusal::Attributes);
    startName(lower(c));
    return true;
}

// The end of a start tag read with '>': the text of script and style is raw.
bool AttributeLimit::endHtmlTag()
{
    Machine& m = m_main;
    m.state = State::Text;
    if (m_rawName) {
        m.state = State::RawStart;
        m.run = 0;
        m.length = 0;
    }
    return true;
}

bool AttributeLimit::stepHtml(char32_t c)
{
    Machine& m = m_main;
    switch (m.state) {
    case State::Text:
        if (c == U'<')
            m.state = State::TagOpen;
        break;
    case State::TagOpen:
        if (c == U'!') {
            m.state = State::Markup;
        } else if (c == U'?') {
            m.state = State::PiOpen;
        } else if (c == U'/') {
            m.state = State::EndOpen;
        } else if (isAsciiLetter(c)) {
            m.state = State::TagName;
            m.flag = false;
            m.count = 0;
            m.length = 1;
            startName(lower(c));
        } else if (c != U'<') {
            m.state = State::Text;
        }
        break;
    // "<!" is a comment or a DOCTYPE, else text ("<![if !x]>" and "<![CDATA[" among it).
    case State::Markup:
        if (c == U'-') {
            m.state = State::Dash;
        } else if (upper(c) == U'D') {
            m.state = State::DoctypeWord;
            m.run = 1;
        } else {
            m.state = State::Text;
            return stepHtml(c);
        }
        break;
    case State::Dash:
        if (c == U'-') {
            m.state = State::Comment;
            m.run = 0;
            m.flag = false;
            break;
        }
        m.state = State::Text;
        return stepHtml(c);
    // An instruction with a target ends at the next '>'; "<?" without one is text.
    case State::PiOpen:
        if (c >= 0x80)
            return refuse(Refusal::Markup, QStringLiteral("processing instruction"));
        if (isAsciiLetter(c) || c == U'_' || c == U':') {
            m.state = State::Bogus;
            break;
        }
        m.state = State::Text;
        return stepHtml(c);
    case State::Comment:
        // Ends at "-->", and at "--!>" as the parser also takes it.
        if (c == U'>' && (m.run >= 2 || m.flag)) {
            m.state = State::Text;
            break;
        }
        m.flag = c == U'!' && m.run >= 2;
        m.run = c == U'-' ? m.run + 1 : 0;
        break;
    case State::DoctypeWord:
        if (upper(c) == char32_t("DOCTYPE"[m.run])) {
            if (++m.run == 7)
                m.state = State::DtBlanks;
            break;
        }
        m.state = State::Text;
        return stepHtml(c);
    case State::Bogus:
        if (c == U'>')
            m.state = State::Text;
        break;
    case State::EndOpen:
        if (startsHtmlName(c)) {
            m.state = State::TagName;
            m.flag = true;
            m.length = 1;
            startName(lower(c));
            break;
        }
        // "</" and no name: the two characters go, the rest is read afresh.
        m.state = State::Text;
        return stepHtml(c);
    case State::EndTag:
        if (c == U'>')
            m.state = State::Text;
        break;
    case State::TagName:
        if (isHtmlNameChar(c) && m.length < kHtmlName) {
            ++m.length;
            addToName(lower(c));
            break;
        }
        if (!m.flag) {
            const QByteArrayView name(m_name.data(), qsizetype(m_name.size()));
            m_rawName = name == "script" ? "script" : name == "style" ? "style" : nullptr;
            if (!m_rawName && (name.startsWith("script") || name.startsWith("style")))
                m_rawLikeOpened = true;
        }
        if (!endName())
            return false;
        m.state = m.flag ? State::EndTag : State::BeforeAttribute;
        return stepHtml(c);
    // A start tag's attributes as the parser reads them: a name of letters, digits and ":_.-"
    // (at most 100: the rest is another), an optional value, and whatever is neither passed
    // over to a blank.
    case State::BeforeAttribute:
        if (isBlank(c))
            break;
        if (c == U'>')
            return endHtmlTag();
        if (c == U'/')
            m.state = State::Slash;
        else if (startsHtmlName(c))
            return startHtmlAttribute(c);
        else
            m.state = State::Dump;
        break;
    case State::Slash:
        if (c == U'>') {
            m.state = State::Text; // "/>": no raw text follows
            break;
        }
        m.state = isBlank(c) ? State::BeforeAttribute : c == U'/' ? State::Slash : State::Dump;
        break;
    case State::Dump:
        if (isBlank(c))
            m.state = State::BeforeAttribute;
        else if (c == U'>')
            return endHtmlTag();
        else if (c == U'/')
            m.state = State::Slash;
        break;
    case State::AttributeName:
        if (isHtmlNameChar(c) && m.length < kHtmlName) {
            ++m.length;
            addToName(lower(c));
            break;
        }
        if (!endName())
            return false;
        m.state = State::AfterAttributeName;
        return stepHtml(c);
    case State::AfterAttributeName:
        if (isBlank(c))
            break;
        if (c == U'=') {
            m.state = State::BeforeValue;
            break;
        }
        m.state = State::BeforeAttribute;
        return stepHtml(c);
    case State::BeforeValue:
        if (isBlank(c))
            break;
        if (isQuote(c)) {
            m.quote = c;
            m.state = State::Quoted;
        } else if (c == U'>') {
            return endHtmlTag();
        } else {
            m.state = State::Unquoted;
        }
        break;
    case State::Quoted:
        if (c == m.quote)
            m.state = State::BeforeAttribute;
        break;
    case State::Unquoted:
        if (isBlank(c))
            m.state = State::BeforeAttribute;
        else if (c == U'>')
            return endHtmlTag();
        break;
    // <!DOCTYPE name SYSTEM "..."> or PUBLIC "..." "...": its literals may hold '>'; anything
    // else in it ends at the next '>'.
    case State::DtBlanks:
    case State::DtName:
        if (m.state == State::DtBlanks && isBlank(c))
            break;
        if (c >= 0x80)
            return refuse(Refusal::Markup, QStringLiteral("DOCTYPE declaration"));
        if (m.state == State::DtBlanks ? (isAsciiLetter(c) || c == U'_' || c == U':')
                                       : isHtmlNameChar(c)) {
            m.state = State::DtName;
            break;
        }
        m.state = State::DtAfterName;
        return stepHtml(c);
    case State::DtAfterName:
        if (isBlank(c))
            break;
        if (upper(c) == U'S' || upper(c) == U'P') {
            m.state = State::DtKeyword;
            m.flag = upper(c) == U'P';
            m.run = 1;
            break;
        }
        m.state = State::DtTail;
        return stepHtml(c);
    case State::DtKeyword:
        if (upper(c) == char32_t((m.flag ? "PUBLIC" : "SYSTEM")[m.run])) {
            if (++m.run == 6)
                m.state = State::DtAfterKeyword;
            break;
        }
        m.state = State::Bogus;
        return stepHtml(c);
    case State::DtAfterKeyword:
    case State::DtAfterPublic:
        if (isBlank(c))
            break;
        if (isQuote(c)) {
            m.quote = c;
            m.state = m.state == State::DtAfterKeyword && m.flag ? State::DtPublic : State::DtSystem;
            break;
        }
        m.state = State::DtTail;
        return stepHtml(c);
    case State::DtPublic:
        if (c == m.quote)
            m.state = State::DtAfterPublic;
        break;
    case State::DtSystem:
        if (c == m.quote)
            m.state = State::DtTail;
        break;
    case State::DtTail:
        if (isBlank(c))
            break;
        m.state = c == U'>' ? State::Text : State::Bogus;
        break;
    // Script and style text: it ends at its own end tag. Where the parser looks for markup
    // before it (right after the start tag, and after an end tag of a longer name), an end
    // tag of another element or a start tag of body, frameset or noscript ends it too.
    case State::RawStart:
        if (c == U'<') {
            m.state = State::RawStartOpen;
            break;
        }
        m.state = State::Raw;
        return stepHtml(c);
    case State::RawStartOpen:
        if (c == U'/') {
            m.state = State::RawStartEnd;
            m.length = 0;
            m_name.clear();
            break;
        }
        if (isAsciiLetter(c) || c == U'_' || c == U':') {
            m.state = State::RawStartName;
            m.length = 1;
            startName(lower(c));
            break;
        }
        m.state = State::Raw;
        return stepHtml(c);
    case State::RawStartEnd:
        if (m.length == 0 && !startsHtmlName(c)) {
            m.state = State::RawStart;
            return stepHtml(c);
        }
        if (isHtmlNameChar(c) && m.length < kHtmlName) {
            ++m.length;
            addToName(lower(c));
            break;
        }
        if (QByteArrayView(m_name.data(), qsizetype(m_name.size())) != m_rawName)
            return refuse(Refusal::Markup, QStringLiteral("end tag at the start of a %1")
                                               .arg(QLatin1String(m_rawName)));
        m_name.clear();
        m_rawName = nullptr;
        m.state = State::EndTag;
        return stepHtml(c);
    case State::RawStartName: {
        if (isHtmlNameChar(c) && m.length < kHtmlName) {
            ++m.length;
            addToName(lower(c));
            break;
        }
        const QByteArrayView name(m_name.data(), qsizetype(m_name.size()));
        if (name == "body" || name == "frameset" ||
            (name == "noscript" && QByteArrayView(m_rawName) == "script")) {
            m_rawName = nullptr;
            if (!endName())
                return false;
            m.count = 0;
            m.state = State::BeforeAttribute;
            return stepHtml(c);
        }
        m_name.clear();
        m.state = State::Raw;
        return stepHtml(c);
    }
    case State::Raw:
        if (c == U'<')
            m.state = State::RawOpen;
        break;
    case State::RawOpen:
        if (c == U'/') {
            m.state = State::RawEnd;
            m.run = 0;
            break;
        }
        m.state = State::Raw;
        return stepHtml(c);
    case State::RawEnd:
        if (lower(c) == char32_t(static_cast<unsigned char>(m_rawName[m.run]))) {
            if (m_rawName[++m.run] == 0) {
                m.state = State::RawEndName;
                m.length = m.run;
                m.flag = false;
            }
            break;
        }
        m.state = State::Raw;
        return stepHtml(c);
    case State::RawEndName:
        if (isHtmlNameChar(c) && m.length < kHtmlName) {
            ++m.length;
            m.flag = true;
            break;
        }
        m.state = State::RawEndSkip;
        return stepHtml(c);
    case State::RawEndSkip:
        if (c != U'>')
            break;
        if (!m.flag) {
            m_rawName = nullptr;
            m.state = State::Text;
        } else if (m_rawLikeOpened) {
            return refuse(Refusal::Markup, QStringLiteral("end tag inside a %1")
                                               .arg(QLatin1String(m_rawName)));
        } else {
            m.state = State::RawStart;
        }
        break;
    default:
        m.state = State::Text;
        break;
    }
    return true;
}

} // namespace xml

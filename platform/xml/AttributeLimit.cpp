#include "platform/xml/AttributeLimit.h"

#include <QHash>
#include <QHashFunctions>
#include <QStringView>

#include <cstring>

namespace xml {

namespace {

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// libxml2 refuses longer names; a name is told apart by this much of it (in bytes: UTF-16
// units take two).
constexpr std::size_t kNameBytes = 100000;

bool startsName(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' ||
           c >= 0x80;
}

} // namespace

AttributeLimit::AttributeLimit(QByteArrayView encoding, int limit, int nameLimit)
    : m_limit(limit), m_nameLimit(nameLimit)
{
    if (encoding.isEmpty())
        return;
    const QByteArray name = encoding.toByteArray().toUpper();
    if (name.contains("32") || name.contains("UCS-4") || name.contains("UCS4"))
        m_units = Units::Off;
    else if (name.contains("16") || name.contains("UCS-2") || name.contains("UCS2"))
        m_units = Units::Unknown; // the byte order is told by the bytes
    else
        m_units = Units::Bytes;
    if (m_units == Units::Unknown && name.endsWith("BE"))
        m_units = Units::Utf16BE;
    else if (m_units == Units::Unknown && name.endsWith("LE"))
        m_units = Units::Utf16LE;
}

QString AttributeLimit::message() const
{
    if (m_namesExceeded)
        return QStringLiteral("The document uses more than %1 different element and attribute "
                              "names, more than the program reads; the document is refused")
            .arg(m_nameLimit);
    return QStringLiteral("An element of the document has more than %1 attributes, more than the "
                          "program reads; the document is refused")
        .arg(m_limit);
}

void AttributeLimit::detect(QByteArrayView b)
{
    const auto at = [&](int i) { return int(static_cast<unsigned char>(b[i])); };
    if ((at(0) == 0xFF && at(1) == 0xFE && at(2) == 0 && at(3) == 0) ||
        (at(0) == 0 && at(1) == 0 && (at(2) == 0xFE || at(2) == 0)) ||
        (at(0) == 0x3C && at(1) == 0 && at(2) == 0 && at(3) == 0))
        m_units = Units::Off; // four-byte units: left to the parser
    else if ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) != 0 && at(1) == 0))
        m_units = Units::Utf16LE;
    else if ((at(0) == 0xFE && at(1) == 0xFF) || (at(0) == 0 && at(1) != 0))
        m_units = Units::Utf16BE;
    else
        m_units = Units::Bytes;
}

bool AttributeLimit::scan(QByteArrayView bytes)
{
    if (m_exceeded)
        return false;
    if (m_units == Units::Off || bytes.isEmpty())
        return true;
    if (m_units == Units::Unknown) {
        // A forced UTF-16 or no forced encoding: the first four bytes tell.
        m_head.append(bytes.data(), bytes.size());
        if (m_head.size() < 4)
            return true;
        detect(m_head);
        const QByteArray head = std::move(m_head);
        m_head.clear();
        return scan(head);
    }
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    if (m_units == Units::Bytes)
        return scanBytes(p, end);
    const bool little = m_units == Units::Utf16LE;
    for (; p < end; ++p) {
        const int b = static_cast<unsigned char>(*p);
        if (m_pendingByte < 0) {
            m_pendingByte = b;
            continue;
        }
        const char16_t unit = little ? char16_t(m_pendingByte | (b << 8))
                                     : char16_t((m_pendingByte << 8) | b);
        m_pendingByte = -1;
        if (!step(unit))
            return false;
    }
    return true;
}

const char* AttributeLimit::nameEnd(const char* p, const char* end) const
{
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '>' || c == '/' || isSpace(char16_t(static_cast<unsigned char>(c))))
            break;
        if (c == '=' && m_state == State::AttributeName)
            break;
        if (c == '?' && m_state == State::InstructionName)
            break;
    }
    return p;
}

bool AttributeLimit::scanBytes(const char* p, const char* end)
{
    while (p < end) {
        // Text and quoted values are most of a document: passed over a block at a time.
        if (m_state == State::Text || m_state == State::Quoted) {
            const char wanted = m_state == State::Text ? '<' : char(m_quote);
            const void* hit = std::memchr(p, wanted, std::size_t(end - p));
            if (!hit)
                return true;
            p = static_cast<const char*>(hit);
        } else if (m_state == State::TagName || m_state == State::AttributeName ||
                   m_state == State::InstructionName) {
            // So are names: taken whole up to what ends them.
            const char* stop = nameEnd(p, end);
            if (m_name.size() < kNameBytes)
                m_name.append(p, std::size_t(qMin<qsizetype>(stop - p,
                                                             qsizetype(kNameBytes - m_name.size()))));
            p = stop;
            if (p == end)
                return true;
        }
        if (!step(char16_t(static_cast<unsigned char>(*p++))))
            return false;
    }
    return true;
}

void AttributeLimit::startName(char16_t c)
{
    m_name.clear();
    addToName(c);
}

void AttributeLimit::addToName(char16_t c)
{
    if (m_name.size() >= kNameBytes)
        return;
    if (m_units == Units::Bytes) {
        m_name.push_back(char(c));
    } else {
        m_name.push_back(char(c & 0xFF));
        m_name.push_back(char(c >> 8));
    }
}

bool AttributeLimit::endName()
{
    const auto byte = [this](std::size_t i) { return std::size_t(uchar(m_name[i])); };
    std::string& recent =
        m_recent[(m_name.size() * 7 + byte(0) * 3 + byte(m_name.size() - 1)) % m_recent.size()];
    if (recent == m_name) {
        m_name.clear();
        return true;
    }
    const std::size_t hash = qHashBits(m_name.data(), m_name.size(), QHashSeed::globalSeed());
    if (int(m_names.size()) >= m_nameLimit && !m_names.contains(hash))
        return refuse(true);
    m_names.insert(hash);
    if (m_name.size() <= 64)
        recent.swap(m_name);
    m_name.clear();
    return true;
}

bool AttributeLimit::refuse(bool names)
{
    m_exceeded = true;
    m_namesExceeded = names;
    return false;
}

bool AttributeLimit::step(char16_t c)
{
    switch (m_state) {
    case State::Text:
        if (c == u'<')
            m_state = State::TagOpen;
        break;
    case State::TagOpen:
        if (c == u'!') {
            m_state = State::Markup;
        } else if (c == u'?') {
            m_state = State::InstructionName;
            m_name.clear();
            m_run = 0;
        } else if (c == u'/') {
            m_state = State::EndTag;
        } else if (startsName(c)) {
            m_state = State::TagName;
            m_count = 0;
            startName(c);
        } else if (c != u'<') {
            m_state = State::Text;
        }
        break;
    case State::Markup:
        m_run = 0;
        m_bracketDepth = 0;
        m_quote = 0;
        m_state = c == u'-' ? State::Dash : c == u'[' ? State::CData : State::Declaration;
        if (c == u'>')
            m_state = State::Text;
        break;
    case State::Dash:
        m_state = c == u'-' ? State::Comment : State::Declaration;
        m_run = 0;
        break;
    case State::Comment:
        if (c == u'>' && m_run >= 2)
            m_state = State::Text;
        m_run = c == u'-' ? m_run + 1 : 0;
        break;
    case State::CData:
        if (c == u'>' && m_run >= 2)
            m_state = State::Text;
        m_run = c == u']' ? m_run + 1 : 0;
        break;
    case State::Declaration:
        if (m_quote) {
            if (c == m_quote)
                m_quote = 0;
        } else if (c == u'"' || c == u'\'') {
            m_quote = c;
        } else if (c == u'[') {
            ++m_bracketDepth;
        } else if (c == u']') {
            m_bracketDepth = m_bracketDepth > 0 ? m_bracketDepth - 1 : 0;
        } else if (c == u'>' && m_bracketDepth == 0) {
            m_state = State::Text;
        }
        break;
    case State::InstructionName:
        if (isSpace(c) || c == u'?') {
            m_state = State::Instruction;
            m_run = c == u'?';
            if (!m_name.empty() && !endName())
                return false;
        } else {
            addToName(c);
        }
        break;
    case State::Instruction:
        if (c == u'>' && m_run)
            m_state = State::Text;
        m_run = c == u'?';
        break;
    case State::EndTag:
        if (c == u'>')
            m_state = State::Text;
        break;
    case State::TagName:
        if (c == u'>' || isSpace(c) || c == u'/') {
            m_state = c == u'>' ? State::Text : State::BeforeAttribute;
            if (!endName())
                return false;
        } else {
            addToName(c);
        }
        break;
    case State::BeforeAttribute:
    case State::AfterAttributeName:
        if (isSpace(c) || c == u'/') {
            if (c == u'/')
                m_state = State::BeforeAttribute;
        } else if (c == u'>') {
            m_state = State::Text;
        } else if (c == u'=') {
            m_state = State::BeforeValue;
        } else if (c == u'<') {
            m_state = State::TagOpen;
        } else if (m_state == State::BeforeAttribute && (c == u'"' || c == u'\'')) {
            m_quote = c; // a value without a name: not well-formed, passed over as one
            m_state = State::Quoted;
        } else {
            m_state = State::AttributeName;
            if (++m_count > m_limit)
                return refuse(false);
            startName(c);
        }
        break;
    case State::AttributeName:
        if (c == u'=' || c == u'>' || c == u'/' || isSpace(c)) {
            m_state = c == u'='   ? State::BeforeValue
                      : c == u'>' ? State::Text
                      : c == u'/' ? State::BeforeAttribute
                                  : State::AfterAttributeName;
            if (!endName())
                return false;
        } else {
            addToName(c);
        }
        break;
    case State::BeforeValue:
        if (c == u'"' || c == u'\'') {
            m_quote = c;
            m_state = State::Quoted;
        } else if (c == u'>') {
            m_state = State::Text;
        } else if (!isSpace(c)) {
            m_state = State::Unquoted;
        }
        break;
    case State::Quoted:
        if (c == m_quote)
            m_state = State::BeforeAttribute;
        break;
    case State::Unquoted:
        if (c == u'>')
            m_state = State::Text;
        else if (isSpace(c))
            m_state = State::BeforeAttribute;
        break;
    }
    return true;
}

} // namespace xml

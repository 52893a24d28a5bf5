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

// libxml2 refuses longer names; a name is told apart by this much of it.
constexpr std::size_t kNameUnits = 50000;

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
        }
        if (!step(char16_t(static_cast<unsigned char>(*p++))))
            return false;
    }
    return true;
}

void AttributeLimit::startName(char16_t c)
{
    m_name.clear();
    m_name.push_back(c);
}

void AttributeLimit::addToName(char16_t c)
{
    if (m_name.size() < kNameUnits)
        m_name.push_back(c);
}

bool AttributeLimit::endName()
{
    const std::size_t hash = qHash(QStringView(m_name.data(), qsizetype(m_name.size())),
                                   QHashSeed::globalSeed());
    m_name.clear();
    if (int(m_names.size()) >= m_nameLimit && !m_names.contains(hash))
        return refuse(true);
    m_names.insert(hash);
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

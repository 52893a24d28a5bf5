#pragma once
// libxml2 checks an element's attributes against each other and links each new one to the end
// of a list, so an element with a great many of them costs time with the square of their
// number before any handler of ours sees it. Its dictionary of names stops growing at a fixed
// size too, so a document with a great many different names (of elements, attributes or
// processing instructions) costs time with the square of their count. Every document is
// therefore scanned for its tags as it is handed to the parser, and one with more attributes on
// an element or more different names than real files hold is refused before the parser reaches
// them.
//
// The scan reads the document as the parser will: it picks the encoding as libxml2 does (the
// caller's, else a byte-order mark or the first bytes, then the XML declaration), decodes it,
// and refuses a document in an encoding it does not read, or whose declaration would make the
// parser change its reading part way; and it follows the parser's own rules for what is a tag
// (an HTML page's comments, instructions, script and style text, DOCTYPE; an XML document's
// internal subset, whose entity values are parsed as content when referenced).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <string>
#include <unordered_set>

namespace xml {

// More attributes on one element than any document we read holds: a data packet's row has one
// per field, and no database or spreadsheet writer puts more than a few hundred on an element.
// At this limit the parser's cost stays a few tens of milliseconds.
constexpr int kMaxAttributes = 4096;
// More different element, attribute and instruction names than any document we read uses:
// real ones use a few hundred, and at this count the parser's cost stays below a second.
constexpr int kMaxNames = 65536;

// Which of libxml2's parsers reads the document.
enum class Markup { Xml, Html };

class AttributeLimit
{
public:
    // Encoding: what the caller makes the parser use in place of the document's declaration
    // (empty: the bytes and the declaration tell). An HTML page is read in that encoding alone.
    explicit AttributeLimit(QByteArrayView encoding = {}, int limit = kMaxAttributes,
                            int nameLimit = kMaxNames, Markup markup = Markup::Xml);

    // Scans the next stretch of the document; false once it is refused (and from then on).
    bool scan(QByteArrayView bytes);
    bool exceeded() const { return m_refusal != Refusal::None; }
    QString message() const;

private:
    enum class Units : quint8 { Unknown, Bytes, Utf16LE, Utf16BE, Utf32LE, Utf32BE };
    enum class Refusal : quint8 { None, Attributes, Names, Encoding, Mismatch, Declaration, Markup };
    enum class State : quint8 {
        Text,
        TagOpen,         // after '<'
        Markup,          // after "<!"
        Dash,            // after "<!-"
        Comment,         // run counts the '-' just read
        CData,           // run counts the ']' just read
        Doctype,         // XML <!DOCTYPE ... before its internal subset, with quotes
        Subset,          // XML internal subset
        SubsetOpen,      // after '<' in it
        SubsetBang,      // after "<!"
        SubsetDash,      // after "<!-"
        SubsetComment,   // run counts '-'
        SubsetPi,        // run: '?' just read
        SubsetDecl,      // a markup declaration; quote: inside its literal
        AfterSubset,     // after ']'
        InstructionName, // the target of <?target ... ?>
        Instruction,     // <? ... ?>
        EndTag,          // to '>'
        TagName,
        BeforeAttribute,
        AttributeName,
        AfterAttributeName,
        BeforeValue,
        Quoted,
        Unquoted,
        // HTML, as libxml2's HTML parser reads it.
        EndOpen,      // after "</"
        DoctypeWord,  // matching "DOCTYPE" after "<!"; run: letters matched
        PiOpen,       // after "<?"
        Bogus,        // an instruction or the rest of a DOCTYPE, to the next '>'
        Dump,         // a tag's text that is no attribute, to a blank or the tag's end
        Slash,        // '/' in a tag: "/>" ends it, else it is dumped
        DtBlanks,     // DOCTYPE: before its name
        DtName,
        DtAfterName,  // blanks, then SYSTEM or PUBLIC
        DtKeyword,    // run: letters matched; flag: PUBLIC
        DtAfterKeyword,
        DtPublic,     // the public literal
        DtAfterPublic,
        DtSystem,     // the system literal
        DtTail,       // blanks, then '>'
        Raw,          // script or style text
        RawOpen,      // after '<'
        RawEnd,       // after "</"; run: letters of the element's name matched
        RawEndName,   // the end tag's name goes on; flag: longer than the element's
        RawEndSkip,   // to '>'
        RawStart,     // where the parser looks for tags before raw text
        RawStartOpen, // after '<' there
        RawStartEnd,  // after "</" there: a name
        RawStartName, // after '<' and a letter there: the start tag's name
    };
    // Where a document's structure is, as a state and what it carries.
    struct Machine
    {
        State state = State::Text;
        char32_t quote = 0;
        int run = 0;
        int count = 0;    // attributes of the element being read
        int length = 0;   // of the HTML name being read
        bool flag = false;
    };

    void decideEncoding();
    Units unitsOf(const QByteArray& name) const;
    bool decodeUnits(const char* p, const char* end);
    // One character of the document; false once refused.
    bool step(char32_t c) { return m_markup == Markup::Html ? stepHtml(c) : stepXml(m_main, c, true); }
    bool stepXml(Machine& m, char32_t c, bool main);
    bool stepHtml(char32_t c);
    bool literal(char32_t c);
    bool scanBytes(const char* p, const char* end);
    // Where the name being read in 8-bit units ends (End when it goes on past the stretch).
    const char* nameEnd(const char* p, const char* end) const;
    void startName(char32_t c);
    void addToName(char32_t c);
    // False when the name is a new one past the limit.
    bool endName();
    bool refuse(Refusal why, const QString& detail = {});
    bool startHtmlAttribute(char32_t c);
    bool endHtmlTag();

    int m_limit;
    int m_nameLimit;
    Markup m_markup;
    Units m_units = Units::Unknown;
    QByteArray m_override; // the caller's encoding
    QByteArray m_head;     // the first bytes, kept until the encoding is known
    QByteArray m_pending;  // the start of a code unit cut by a stretch's end
    Machine m_main;
    // The text of an entity value in the internal subset, read as the content it becomes.
    Machine m_literal;
    int m_subsetLiterals = 0;
    int m_refState = 0; // a character reference in that text: 1 '&', 2 "&#", 3 decimal, 4 hex
    char32_t m_refValue = 0;
    // HTML: the element whose text is raw ("script" or "style"), and whether one of the
    // longer names beginning alike was opened (its end tag could end the raw text).
    const char* m_rawName = nullptr;
    bool m_rawLikeOpened = false;
    Refusal m_refusal = Refusal::None;
    QString m_detail;
    // The different names met, as hashes of a seed kept per process: memory stays bounded by
    // the limit whatever the names' length, and a file cannot be made to collide on purpose.
    std::unordered_set<std::size_t> m_names;
    // The name being read as the document's bytes, cut at the length libxml2 accepts.
    std::string m_name;
    // Names already counted, a few kept to be told again without hashing: a document repeats
    // a handful of names over and over.
    std::array<std::string, 32> m_recent;
};

} // namespace xml

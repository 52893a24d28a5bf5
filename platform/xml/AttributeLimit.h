#pragma once
// libxml2 checks an element's attributes against each other and links each new one to the end
// of a list, so an element with a great many of them costs time with the square of their
// number before any handler of ours sees it. Its dictionary of names stops growing at a fixed
// size too, so a document with a great many different names (of elements, attributes or
// processing instructions) costs time with the square of their count. Every document is
// therefore scanned for its tags as it is handed to the parser, and one with more attributes on
// an element or more different names than real files hold is refused before the parser reaches
// them.

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

class AttributeLimit
{
public:
    // Encoding: what the caller makes the parser use in place of the document's declaration
    // (empty: the bytes tell). XML and HTML tags are told apart alike: a name without a value
    // counts as an attribute too.
    explicit AttributeLimit(QByteArrayView encoding = {}, int limit = kMaxAttributes,
                            int nameLimit = kMaxNames);

    // Scans the next stretch of the document; false once an element holds more attributes than
    // the limit or the document uses more different names than its limit (and from then on).
    bool scan(QByteArrayView bytes);
    bool exceeded() const { return m_exceeded; }
    QString message() const;

private:
    enum class Units { Unknown, Bytes, Utf16LE, Utf16BE, Off };
    enum class State {
        Text,
        TagOpen,     // after '<'
        Markup,      // after "<!"
        Dash,        // after "<!-"
        Comment,     // dashes counts the run of '-' just read
        CData,       // brackets counts the run of ']' just read
        Declaration, // <!DOCTYPE ...>, with quotes and an internal subset
        InstructionName, // the target of <?target ... ?>
        Instruction,     // <? ... ?>
        EndTag,
        TagName,
        BeforeAttribute,
        AttributeName,
        AfterAttributeName,
        BeforeValue,
        Quoted,
        Unquoted,
    };

    void detect(QByteArrayView bytes);
    // One character (ASCII or a code unit of more); false past the limit.
    bool step(char16_t c);
    bool scanBytes(const char* p, const char* end);
    // Where the name being read in 8-bit units ends (End when it goes on past the stretch).
    const char* nameEnd(const char* p, const char* end) const;
    // A name's characters; false when it is a new one past the limit.
    void startName(char16_t c);
    void addToName(char16_t c);
    bool endName();
    bool refuse(bool names);

    int m_limit;
    Units m_units = Units::Unknown;
    QByteArray m_head;     // the first bytes, kept until the encoding is known
    int m_pendingByte = -1; // the first half of a UTF-16 unit cut by a chunk's end
    State m_state = State::Text;
    char16_t m_quote = 0;
    int m_run = 0;          // of '-' in a comment, ']' in CDATA, or the markup prefix matched
    int m_bracketDepth = 0; // of a declaration's internal subset
    int m_count = 0;
    bool m_exceeded = false;
    bool m_namesExceeded = false;
    // The different names met, as hashes of a seed kept per process: memory stays bounded by
    // the limit whatever the names' length, and a file cannot be made to collide on purpose.
    int m_nameLimit;
    std::unordered_set<std::size_t> m_names;
    // The name being read as the document's bytes, cut at the length libxml2 accepts.
    std::string m_name;
    // Names already counted, a few kept to be told again without hashing: a document repeats
    // a handful of names over and over.
    std::array<std::string, 32> m_recent;
};

} // namespace xml

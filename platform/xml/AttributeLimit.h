#pragma once
// libxml2 checks an element's attributes against each other and links each new one to the end
// of a list, so an element with a great many of them costs time with the square of their
// number before any handler of ours sees it. Every document is therefore scanned for its tags
// as it is handed to the parser, and one with more attributes on an element than real files
// hold is refused before the parser reaches that element.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace xml {

// More attributes on one element than any document we read holds: a data packet's row has one
// per field, and no database or spreadsheet writer puts more than a few hundred on an element.
// At this limit the parser's cost stays a few tens of milliseconds.
constexpr int kMaxAttributes = 4096;

class AttributeLimit
{
public:
    // Encoding: what the caller makes the parser use in place of the document's declaration
    // (empty: the bytes tell). XML and HTML tags are told apart alike: a name without a value
    // counts as an attribute too.
    explicit AttributeLimit(QByteArrayView encoding = {}, int limit = kMaxAttributes);

    // Scans the next stretch of the document; false once an element holds more attributes than
    // the limit (and from then on).
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
        Instruction, // <? ... ?>
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
};

} // namespace xml

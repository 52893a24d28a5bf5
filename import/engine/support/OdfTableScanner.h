#pragma once
// Finds the top-level tables of an OpenDocument content part in its bytes, without parsing
// them: a preview reads a table's first rows with the XML reader and skips the rest of it
// here. The scanner knows what can hide markup (comments, CDATA, processing instructions,
// attribute values), the prefix the document binds to the table namespace and nested tables;
// whatever it cannot be sure of (a document type, a namespace declared below the root, an
// encoding other than UTF-8, a part cut short, a table ended that was not open) makes it
// unsure, and the caller parses. Other damage in the skipped bytes is left to the full read.

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <vector>

class OdfTableScanner
{
public:
    // Fills Buffer with up to Size bytes; 0 at the end.
    using ReadFunction = std::function<qint64(char* buffer, qint64 size)>;
    // Bytes held and read at a time (no token may be longer).
    static constexpr qsizetype DefaultBlock = qsizetype(4) << 20;

    explicit OdfTableScanner(ReadFunction read, qsizetype block = DefaultBlock);

    // Reads the prolog and the root's start tag; false when unsure.
    bool start();
    // Goes to the start tag of the next table outside any other table; false at the end of
    // the part or when unsure.
    bool nextTable();
    // The current table as a document of its own: the prolog and root start tag, the table's
    // bytes, the root's end tag; -1 when unsure. The reader's thread calls it.
    qint64 feed(char* buffer, qint64 size);
    // Past the current table's end tag, whatever was fed of it.
    bool skipTable();
    // Right after nextTable: the prolog, the root start tag, the table's start tag alone (as
    // an empty element) and the root's end tag; a small document that tells the table's name
    // without its contents being fed.
    QByteArray tableStartDocument() const;

    // The current table holds another, in the bytes fed or skipped so far.
    bool nested() const { return m_nested; }
    bool unsure() const { return m_unsure; }
    // The part was read to its end, every table closed and the root ended.
    bool finished() const { return m_finished; }

private:
    enum class Event { None, More, Open, Close, End, Unsure };
    enum class Mode { Markup, Comment, CData, Pi };

    // One token; More when it needs bytes not yet read.
    Event step();
    // The next token, reading on as it needs.
    Event next();
    // The next "<" in [From, End) that may start a token that counts, or End.
    const char* nextToken(const char* from, const char* end) const;
    // At "</": a table's or the root's end tag.
    Event endTag();
    // At a table's start tag.
    Event tableTag();
    // Reads on, keeping the bytes from the current token (and those not yet fed); false at
    // the end of the part or when a token does not fit.
    bool fill();
    bool rootTag(qsizetype at);
    // False (unsure) when the bytes held from From on declare a namespace.
    bool declaresNothing(qsizetype from);
    Event markUnsure();

    ReadFunction m_read;
    std::vector<char> m_buf;
    qsizetype m_len = 0;       // bytes held
    qsizetype m_pos = 0;       // scanned up to here
    qsizetype m_token = 0;     // start of the token being scanned
    qsizetype m_fed = -1;      // next byte to feed; -1 while skipping
    qsizetype m_tableEnd = -1; // past the current table's end tag, once scanned
    bool m_eof = false;
    bool m_unsure = false;
    bool m_finished = false;
    Mode m_mode = Mode::Markup;

    QByteArray m_header;  // prolog and root start tag
    QByteArray m_trailer; // root end tag
    qsizetype m_headerSent = 0, m_trailerSent = 0;
    QByteArray m_tableTag; // "table:table" with the document's prefix

    int m_tables = 0; // open table elements
    bool m_nested = false;
    bool m_rootEnded = false;
};

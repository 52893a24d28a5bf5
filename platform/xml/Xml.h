#pragma once
// The one place the program parses XML (libxml2). Every document is read with the same safe
// settings: nothing is fetched from the network, no external entity or DTD is loaded, and the
// parser's size limits stay on. Two ways in:
//  - Document: the whole tree with XPath, for small documents;
//  - Reader: a forward-only stream of nodes, for large parts (sheets, table contents), fed from a
//    file, a buffer or a callback (an archive member inflated on the fly). It runs libxml2's push
//    parser a chunk at a time and hands out the nodes it reported, without building a tree.
// Elements are told apart by namespace URI and local name, never by the prefix a file uses.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>

struct _xmlNode;
struct _xmlDoc;

namespace xml {

class XmlError : public std::runtime_error
{
public:
    explicit XmlError(const QString& message, int code = 0, int line = 0, int column = 0,
                      const QString& detail1 = {}, const QString& detail2 = {})
        : std::runtime_error(message.toStdString()), m_message(message), m_code(code), m_line(line),
          m_column(column), m_detail1(detail1), m_detail2(detail2)
    {}
    QString message() const { return m_message; }
    // libxml2's error number (xmlParserErrors), 0 for errors of our own.
    int code() const { return m_code; }
    int line() const { return m_line; }
    int column() const { return m_column; }
    // The names the parser quotes in its message, e.g. for a tag mismatch the open element's
    // name and the closing tag's name.
    QString detail1() const { return m_detail1; }
    QString detail2() const { return m_detail2; }

private:
    QString m_message;
    int m_code, m_line, m_column;
    QString m_detail1, m_detail2;
};

// libxml2 error numbers the readers map to their own messages.
enum ErrorCode : int {
    ErrTagNameMismatch = 76, // XML_ERR_TAG_NAME_MISMATCH
    ErrDocumentEmpty = 4,    // XML_ERR_DOCUMENT_EMPTY
};

struct ParseSettings
{
    // Used in place of what the document declares; empty: the declaration, else UTF-8.
    QByteArray encoding;
    // Named in error messages.
    QString name;
    // Whether the tree keeps text of blanks alone between elements (indentation); without it
    // a node's text is what the document says, not how it is laid out, and the tree is smaller.
    bool keepBlankText = true;
    // Reader: a text node longer than this many bytes stops the parse as an error (0: any
    // length), so that a hostile document cannot gather one text of its whole size.
    qint64 maxTextBytes = 0;
    // Reader: a document fed by a function, or a large one, is parsed on a thread of its own
    // ahead of the caller; false parses it as the caller reads (a caller that reads only the
    // first nodes of many short documents, one after another).
    bool parseAhead = true;
    // Reader fed by a function: its bytes went through an AttributeLimit as they were made
    // (on the thread that makes them), a refusal failing the read, so the parse does not scan
    // them again.
    bool scannedBySource = false;
};

// Lenient check that Bytes is UTF-8 (no overlongs or surrogates).
bool isValidUtf8(QByteArrayView bytes);

struct Attribute
{
    QString name; // as written, prefix included
    QString localName;
    QString namespaceUri;
    QString value;
};

class Node
{
public:
    enum class Type { Null, Element, Attribute, Text, CData, Comment, Document, Other };

    Node() = default;
    explicit Node(_xmlNode* node) : m_node(node) {}

    bool isNull() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }
    bool operator==(const Node& other) const { return m_node == other.m_node; }
    Type type() const;
    bool isElement() const { return type() == Type::Element; }

    QString name() const; // qualified, as written
    QString localName() const;
    QString prefix() const;
    QString namespaceUri() const;
    // An element or attribute of this namespace (nullptr or "" = none) and local name.
    bool is(const char* namespaceUri, const char* localName) const;

    // The text of the node and all its descendants (an attribute: its value).
    QString text() const;
    int line() const;
    // An XPath that selects this node alone, e.g. "/root/row[2]/cell".
    QString path() const;

    // By the name as written ("r:id" with its prefix); empty when absent.
    QString attribute(const QString& name) const;
    bool hasAttribute(const QString& name) const;
    QString attributeNs(const char* namespaceUri, const char* localName) const;
    QList<Attribute> attributes() const;

    Node parent() const;
    Node firstChild() const;
    Node nextSibling() const;
    Node firstChildElement() const;
    Node nextSiblingElement() const;
    QList<Node> childElements() const;
    // The first child element of that namespace and local name.
    Node childElement(const char* namespaceUri, const char* localName) const;

    _xmlNode* handle() const { return m_node; }

private:
    _xmlNode* m_node = nullptr;
};

class Document
{
public:
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Throw XmlError on a document that is not well-formed or a file that cannot be read.
    static std::unique_ptr<Document> parse(QByteArrayView bytes,
                                           const ParseSettings& settings = {});
    static std::unique_ptr<Document> load(const QString& path, const ParseSettings& settings = {});

    Node root() const;
    // The version and encoding of the XML declaration; empty when the document has none.
    QString declaredEncoding() const;

    // Prefixes for XPath; the document's own declarations are not used unless registered.
    void registerNamespace(const QString& prefix, const QString& uri);
    // Every (prefix, uri) declared in the document, in document order, first of each prefix;
    // a default namespace has an empty prefix.
    QList<std::pair<QString, QString>> declaredNamespaces() const;
    // Registers every prefixed declaration of the document.
    void registerDocumentNamespaces();
    // Takes elements out of their default (unprefixed) namespace, so that a path written with
    // plain names finds them, as a user reading the file expects.
    void dropDefaultNamespaces();

    // Nodes selected by XPath (relative to Context when given). An expression that is not valid
    // or that gives no node set throws XmlError.
    QList<Node> select(const QString& xpath, const Node& context = Node()) const;
    Node selectFirst(const QString& xpath, const Node& context = Node()) const;

private:
    Document() = default;
    _xmlDoc* m_doc = nullptr;
    QList<std::pair<QByteArray, QByteArray>> m_namespaces;
};

class Reader
{
public:
    enum class NodeType { None, Element, EndElement, Text, CData, Whitespace, Comment, Other };
    // Fills Buffer with up to Size bytes; returns the count, 0 at the end, -1 on an error.
    using ReadFunction = std::function<qint64(char* buffer, qint64 size)>;

    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    static std::unique_ptr<Reader> fromMemory(const QByteArray& bytes,
                                              const ParseSettings& settings = {});
    static std::unique_ptr<Reader> fromFile(const QString& path,
                                            const ParseSettings& settings = {});
    static std::unique_ptr<Reader> fromFunction(ReadFunction read,
                                                const ParseSettings& settings = {});

    // The next node; false at the end of the document. Throws XmlError where it is not
    // well-formed (the error of a callback included).
    bool read();
    // Past the current element's subtree to its next sibling (or the node after its parent).
    bool skipSubtree();
    // The text inside the current element, read up to its end tag; empty for <a/>.
    QString readElementText();

    NodeType nodeType() const { return m_type; }
    bool isElement() const { return m_type == NodeType::Element; }
    bool isEndElement() const { return m_type == NodeType::EndElement; }
    bool isEmptyElement() const { return m_empty; }
    int depth() const { return m_depth; }
    int line() const;
    bool is(const char* namespaceUri, const char* localName) const;
    // Of an element or end tag. The namespace URI as the parser keeps it: one pointer for every
    // element of a namespace in a document, so a caller may match a namespace once and then
    // compare pointers; nullptr for none.
    bool localNameIs(const char* localName) const;
    const char* namespaceKey() const;
    // The local name as the parser keeps it: one pointer for every use of a name in a
    // document, as namespaceKey; nullptr for nodes that are not elements or end tags.
    const char* localNameKey() const;
    QString name() const;
    QString localName() const;
    QString namespaceUri() const;
    // Text, CData and white-space nodes: their text.
    QString value() const;
    // The same as UTF-8, valid until the next read.
    QByteArrayView valueUtf8() const;

    // Of the current element: by the name as written, or by namespace and local name.
    QString attribute(const char* name) const;
    bool hasAttribute(const char* name) const;
    QString attributeNs(const char* namespaceUri, const char* localName) const;
    // Namespace declarations left out.
    QList<Attribute> attributes() const;
    // An attribute's value as UTF-8, valid until the next read; a null view when absent.
    QByteArrayView attributeUtf8(const char* name) const;
    QByteArrayView attributeNsUtf8(const char* namespaceUri, const char* localName) const;
    // The current element's own attributes in document order, for callers that take several
    // in one pass; valid until the next read.
    struct AttributeRef
    {
        const char* localName;
        const char* namespaceKey; // nullptr for none
        QByteArrayView value;
    };
    int attributeCount() const;
    AttributeRef attributeAt(int index) const;

    // Internal state, declared here so the implementation's callbacks can reach it.
    struct Source;
    struct Captured;
    struct Push;

private:
    Reader();
    static std::unique_ptr<Reader> create(std::unique_ptr<Source> source,
                                          const ParseSettings& settings);
    [[noreturn]] void fail(const QString& fallback);
    // Parses until a node past the current one is complete; false at the end.
    bool advance();
    std::unique_ptr<Source> m_source;
    QString m_name;
    std::unique_ptr<Captured> m_error;
    std::unique_ptr<Push> m_push;
    // Of the current node, kept here for the callers' tight loops.
    NodeType m_type = NodeType::None;
    int m_depth = 0;
    bool m_empty = false;
};

} // namespace xml

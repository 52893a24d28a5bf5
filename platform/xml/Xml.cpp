#include "platform/xml/Xml.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cstring>
#include <limits>
#include <mutex>

namespace xml {

namespace {

// No network, CDATA as text; never NOENT (entity substitution), DTDLOAD, XINCLUDE or HUGE.
constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOCDATA;

QString str(const xmlChar* s)
{
    return s ? QString::fromUtf8(reinterpret_cast<const char*>(s)) : QString();
}

// Takes a string libxml2 allocated.
QString takeStr(xmlChar* s)
{
    QString result = str(s);
    if (s)
        xmlFree(s);
    return result;
}

const xmlChar* xc(const char* s)
{
    return reinterpret_cast<const xmlChar*>(s);
}

bool sameText(const xmlChar* a, const char* b)
{
    const char* left = a ? reinterpret_cast<const char*>(a) : "";
    return std::strcmp(left, b ? b : "") == 0;
}

// Nothing outside the document is ever read, whatever a DTD or entity asks for.
xmlParserInputPtr refuseExternal(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

void ensureInit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternal);
    });
}

} // namespace

struct Reader::Captured
{
    bool has = false;
    bool fatal = false;
    int code = 0, line = 0, column = 0;
    QString message, detail1, detail2;
    QString ioError;

    void take(const xmlError* e)
    {
        if (!e || e->level < XML_ERR_ERROR)
            return;
        const bool isFatal = e->level == XML_ERR_FATAL;
        if (has && (fatal || !isFatal))
            return;
        has = true;
        fatal = isFatal;
        code = e->code;
        line = e->line;
        column = e->int2;
        message = QString::fromUtf8(e->message ? e->message : "").trimmed();
        detail1 = QString::fromUtf8(e->str1 ? e->str1 : "");
        detail2 = QString::fromUtf8(e->str2 ? e->str2 : "");
    }
    XmlError error(const QString& name, const QString& fallback) const
    {
        QString text = !ioError.isEmpty() ? ioError : has ? message : fallback;
        if (has && line > 0)
            text = QStringLiteral("%1 (line %2)").arg(text).arg(line);
        if (!name.isEmpty())
            text = QStringLiteral("%1: %2").arg(name, text);
        return XmlError(text, has ? code : 0, line, column, detail1, detail2);
    }
};

namespace {

using Captured = Reader::Captured;

void captureError(void* context, xmlErrorPtr error)
{
    static_cast<Captured*>(context)->take(error);
}

// Routes this thread's libxml2 errors into Captured (and off stderr) while it lives.
class ErrorScope
{
public:
    explicit ErrorScope(Captured* c)
        : m_previous(xmlStructuredError), m_previousContext(xmlStructuredErrorContext)
    {
        xmlSetStructuredErrorFunc(c, captureError);
    }
    ~ErrorScope() { xmlSetStructuredErrorFunc(m_previousContext, m_previous); }
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;

private:
    xmlStructuredErrorFunc m_previous;
    void* m_previousContext;
};

QByteArray urlFor(const ParseSettings& settings)
{
    return settings.name.toUtf8();
}

const char* encodingFor(const ParseSettings& settings)
{
    return settings.encoding.isEmpty() ? nullptr : settings.encoding.constData();
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

// ---- Node ---------------------------------------------------------------------------------------

Node::Type Node::type() const
{
    if (!m_node)
        return Type::Null;
    switch (m_node->type) {
    case XML_ELEMENT_NODE:
        return Type::Element;
    case XML_ATTRIBUTE_NODE:
        return Type::Attribute;
    case XML_TEXT_NODE:
        return Type::Text;
    case XML_CDATA_SECTION_NODE:
        return Type::CData;
    case XML_COMMENT_NODE:
        return Type::Comment;
    case XML_DOCUMENT_NODE:
        return Type::Document;
    default:
        return Type::Other;
    }
}

namespace {

xmlNs* nodeNs(xmlNode* n)
{
    if (!n)
        return nullptr;
    if (n->type == XML_ELEMENT_NODE)
        return n->ns;
    if (n->type == XML_ATTRIBUTE_NODE)
        return reinterpret_cast<xmlAttr*>(n)->ns;
    return nullptr;
}

QString qualifiedName(const xmlNs* ns, const xmlChar* local)
{
    if (ns && ns->prefix)
        return str(ns->prefix) + u':' + str(local);
    return str(local);
}

} // namespace

QString Node::name() const
{
    if (!m_node)
        return {};
    if (m_node->type == XML_TEXT_NODE)
        return QStringLiteral("#text");
    if (m_node->type == XML_DOCUMENT_NODE)
        return QStringLiteral("#document");
    return qualifiedName(nodeNs(m_node), m_node->name);
}

QString Node::localName() const
{
    return m_node ? str(m_node->name) : QString();
}

QString Node::prefix() const
{
    const xmlNs* ns = nodeNs(m_node);
    return ns ? str(ns->prefix) : QString();
}

QString Node::namespaceUri() const
{
    const xmlNs* ns = nodeNs(m_node);
    return ns ? str(ns->href) : QString();
}

bool Node::is(const char* uri, const char* local) const
{
    if (!m_node || (m_node->type != XML_ELEMENT_NODE && m_node->type != XML_ATTRIBUTE_NODE))
        return false;
    const xmlNs* ns = nodeNs(m_node);
    return sameText(m_node->name, local) && sameText(ns ? ns->href : nullptr, uri);
}

QString Node::text() const
{
    return m_node ? takeStr(xmlNodeGetContent(m_node)) : QString();
}

int Node::line() const
{
    return m_node ? int(xmlGetLineNo(m_node)) : 0;
}

QString Node::path() const
{
    return m_node ? takeStr(xmlGetNodePath(m_node)) : QString();
}

namespace {

xmlAttr* findAttribute(xmlNode* node, const QString& name)
{
    if (!node || node->type != XML_ELEMENT_NODE)
        return nullptr;
    const QByteArray wanted = name.toUtf8();
    const int colon = wanted.indexOf(':');
    for (xmlAttr* a = node->properties; a; a = a->next) {
        if (colon < 0) {
            if (!(a->ns && a->ns->prefix) && sameText(a->name, wanted.constData()))
                return a;
        } else if (a->ns && a->ns->prefix &&
                   sameText(a->ns->prefix, wanted.left(colon).constData()) &&
                   sameText(a->name, wanted.constData() + colon + 1)) {
            return a;
        }
    }
    return nullptr;
}

QString attrValue(xmlAttr* a)
{
    return a ? takeStr(xmlNodeGetContent(reinterpret_cast<xmlNode*>(a))) : QString();
}

} // namespace

QString Node::attribute(const QString& name) const
{
    return attrValue(findAttribute(m_node, name));
}

bool Node::hasAttribute(const QString& name) const
{
    return findAttribute(m_node, name) != nullptr;
}

QString Node::attributeNs(const char* uri, const char* local) const
{
    if (!m_node || m_node->type != XML_ELEMENT_NODE)
        return {};
    for (xmlAttr* a = m_node->properties; a; a = a->next) {
        if (sameText(a->name, local) && sameText(a->ns ? a->ns->href : nullptr, uri))
            return attrValue(a);
    }
    return {};
}

QList<Attribute> Node::attributes() const
{
    QList<Attribute> result;
    if (!m_node || m_node->type != XML_ELEMENT_NODE)
        return result;
    for (xmlAttr* a = m_node->properties; a; a = a->next)
        result.append({qualifiedName(a->ns, a->name), str(a->name), a->ns ? str(a->ns->href) : "",
                       attrValue(a)});
    return result;
}

Node Node::parent() const
{
    return Node(m_node ? m_node->parent : nullptr);
}

Node Node::firstChild() const
{
    return Node(m_node && m_node->type != XML_ATTRIBUTE_NODE ? m_node->children : nullptr);
}

Node Node::nextSibling() const
{
    return Node(m_node ? m_node->next : nullptr);
}

Node Node::firstChildElement() const
{
    return Node(m_node && m_node->type != XML_ATTRIBUTE_NODE ? xmlFirstElementChild(m_node)
                                                             : nullptr);
}

Node Node::nextSiblingElement() const
{
    return Node(m_node && m_node->type == XML_ELEMENT_NODE ? xmlNextElementSibling(m_node)
                                                           : nullptr);
}

QList<Node> Node::childElements() const
{
    QList<Node> result;
    for (Node n = firstChildElement(); n; n = n.nextSiblingElement())
        result.append(n);
    return result;
}

Node Node::childElement(const char* uri, const char* local) const
{
    for (Node n = firstChildElement(); n; n = n.nextSiblingElement()) {
        if (n.is(uri, local))
            return n;
    }
    return {};
}

// ---- Document -----------------------------------------------------------------------------------

Document::~Document()
{
    if (m_doc)
        xmlFreeDoc(m_doc);
}

std::unique_ptr<Document> Document::parse(QByteArrayView bytes, const ParseSettings& settings)
{
    ensureInit();
    if (bytes.size() > std::numeric_limits<int>::max())
        throw XmlError(QStringLiteral("%1: the document is too large").arg(settings.name));
    Captured captured;
    xmlDocPtr doc = nullptr;
    {
        ErrorScope scope(&captured);
        xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
        if (!ctxt)
            throw XmlError(QStringLiteral("Out of memory"));
        const QByteArray url = urlFor(settings);
        doc = xmlCtxtReadMemory(ctxt, bytes.data(), int(bytes.size()),
                                url.isEmpty() ? nullptr : url.constData(), encodingFor(settings),
                                kOptions);
        if (!captured.has)
            captured.take(xmlCtxtGetLastError(ctxt));
        xmlFreeParserCtxt(ctxt);
    }
    if (!doc || !xmlDocGetRootElement(doc)) {
        if (doc)
            xmlFreeDoc(doc);
        throw captured.error(settings.name, QStringLiteral("The document holds no element"));
    }
    std::unique_ptr<Document> result(new Document);
    result->m_doc = doc;
    return result;
}

std::unique_ptr<Document> Document::load(const QString& path, const ParseSettings& settings)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw XmlError(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw XmlError(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    ParseSettings s = settings;
    if (s.name.isEmpty())
        s.name = QFileInfo(path).fileName();
    return parse(bytes, s);
}

Node Document::root() const
{
    return Node(xmlDocGetRootElement(m_doc));
}

QString Document::declaredEncoding() const
{
    return str(m_doc->encoding);
}

void Document::registerNamespace(const QString& prefix, const QString& uri)
{
    m_namespaces.append({prefix.toUtf8(), uri.toUtf8()});
}

QList<std::pair<QString, QString>> Document::declaredNamespaces() const
{
    QList<std::pair<QString, QString>> result;
    QSet<QString> seen;
    // Iterative walk: documents may nest deeply.
    xmlNode* n = xmlDocGetRootElement(m_doc);
    while (n) {
        if (n->type == XML_ELEMENT_NODE) {
            for (xmlNs* ns = n->nsDef; ns; ns = ns->next) {
                const QString prefix = str(ns->prefix);
                if (!seen.contains(prefix)) {
                    seen.insert(prefix);
                    result.append({prefix, str(ns->href)});
                }
            }
        }
        if (n->type == XML_ELEMENT_NODE && n->children) {
            n = n->children;
            continue;
        }
        while (n && !n->next) {
            n = n->parent;
            if (n && n->type == XML_DOCUMENT_NODE)
                n = nullptr;
        }
        if (n)
            n = n->next;
    }
    return result;
}

void Document::registerDocumentNamespaces()
{
    for (const auto& [prefix, uri] : declaredNamespaces()) {
        if (!prefix.isEmpty())
            registerNamespace(prefix, uri);
    }
}

void Document::dropDefaultNamespaces()
{
    // Iterative walk: documents may nest deeply.
    xmlNode* n = xmlDocGetRootElement(m_doc);
    while (n) {
        if (n->type == XML_ELEMENT_NODE && n->ns && !n->ns->prefix)
            n->ns = nullptr;
        if (n->type == XML_ELEMENT_NODE && n->children) {
            n = n->children;
            continue;
        }
        while (n && !n->next)
            n = n->parent && n->parent->type == XML_ELEMENT_NODE ? n->parent : nullptr;
        if (n)
            n = n->next;
    }
}

QList<Node> Document::select(const QString& xpath, const Node& context) const
{
    Captured captured;
    QList<Node> result;
    ErrorScope scope(&captured);
    xmlXPathContextPtr ctx = xmlXPathNewContext(m_doc);
    if (!ctx)
        throw XmlError(QStringLiteral("Out of memory"));
    for (const auto& [prefix, uri] : m_namespaces)
        xmlXPathRegisterNs(ctx, xc(prefix.constData()), xc(uri.constData()));
    ctx->node = context ? context.handle() : reinterpret_cast<xmlNode*>(m_doc);
    const QByteArray expr = xpath.toUtf8();
    xmlXPathObjectPtr obj = xmlXPathEvalExpression(xc(expr.constData()), ctx);
    xmlXPathFreeContext(ctx);
    if (!obj) {
        const QString reason = captured.has ? captured.message : QStringLiteral("not valid");
        throw XmlError(
            QStringLiteral("The XPath expression \"%1\" is not valid: %2").arg(xpath, reason),
            captured.code);
    }
    if (obj->type != XPATH_NODESET) {
        xmlXPathFreeObject(obj);
        throw XmlError(
            QStringLiteral("The XPath expression \"%1\" does not select nodes").arg(xpath));
    }
    if (obj->nodesetval) {
        for (int i = 0; i < obj->nodesetval->nodeNr; ++i)
            result.append(Node(obj->nodesetval->nodeTab[i]));
    }
    xmlXPathFreeObject(obj);
    return result;
}

Node Document::selectFirst(const QString& xpath, const Node& context) const
{
    const QList<Node> nodes = select(xpath, context);
    return nodes.isEmpty() ? Node() : nodes.first();
}

// ---- Reader -------------------------------------------------------------------------------------

struct Reader::Source
{
    QByteArray bytes;
    std::unique_ptr<QFile> file;
    ReadFunction read;
    Captured* captured = nullptr;
};

namespace {

int ioRead(void* context, char* buffer, int len)
{
    auto* source = static_cast<Reader::Source*>(context);
    qint64 n = -1;
    try {
        n = source->read(buffer, len);
    } catch (const std::exception& e) {
        if (source->captured && source->captured->ioError.isEmpty())
            source->captured->ioError = QString::fromUtf8(e.what());
        return -1;
    }
    if (n < 0 && source->captured && source->captured->ioError.isEmpty())
        source->captured->ioError = QStringLiteral("The data could not be read");
    return n < 0 ? -1 : int(qMin<qint64>(n, len));
}

} // namespace

Reader::~Reader()
{
    if (m_reader)
        xmlFreeTextReader(m_reader);
}

std::unique_ptr<Reader> Reader::create(std::unique_ptr<Source> source,
                                       const ParseSettings& settings)
{
    ensureInit();
    std::unique_ptr<Reader> r(new Reader);
    r->m_error = std::make_unique<Captured>();
    r->m_source = std::move(source);
    r->m_source->captured = r->m_error.get();
    r->m_name = settings.name;
    const QByteArray url = urlFor(settings);
    const char* u = url.isEmpty() ? nullptr : url.constData();
    {
        ErrorScope scope(r->m_error.get());
        Source* s = r->m_source.get();
        if (s->read) {
            r->m_reader = xmlReaderForIO(ioRead, nullptr, s, u, encodingFor(settings), kOptions);
        } else {
            if (s->bytes.size() > std::numeric_limits<int>::max())
                throw XmlError(QStringLiteral("%1: the document is too large").arg(settings.name));
            r->m_reader = xmlReaderForMemory(s->bytes.constData(), int(s->bytes.size()), u,
                                             encodingFor(settings), kOptions);
        }
    }
    if (!r->m_reader)
        throw r->m_error->error(settings.name, QStringLiteral("The document cannot be read"));
    xmlTextReaderSetStructuredErrorHandler(r->m_reader, captureError, r->m_error.get());
    return r;
}

std::unique_ptr<Reader> Reader::fromMemory(const QByteArray& bytes, const ParseSettings& settings)
{
    auto source = std::make_unique<Source>();
    source->bytes = bytes;
    return create(std::move(source), settings);
}

std::unique_ptr<Reader> Reader::fromFile(const QString& path, const ParseSettings& settings)
{
    auto source = std::make_unique<Source>();
    source->file = std::make_unique<QFile>(path);
    if (!source->file->open(QIODevice::ReadOnly))
        throw XmlError(QStringLiteral("Cannot open %1: %2").arg(path, source->file->errorString()));
    QFile* f = source->file.get();
    source->read = [f](char* buffer, qint64 size) { return f->read(buffer, size); };
    ParseSettings s = settings;
    if (s.name.isEmpty())
        s.name = QFileInfo(path).fileName();
    return create(std::move(source), s);
}

std::unique_ptr<Reader> Reader::fromFunction(ReadFunction read, const ParseSettings& settings)
{
    auto source = std::make_unique<Source>();
    source->read = std::move(read);
    return create(std::move(source), settings);
}

void Reader::fail(const QString& fallback)
{
    throw m_error->error(m_name, fallback);
}

bool Reader::read()
{
    int r;
    {
        // Errors raised outside the reader's own handler (the input layer) land here too.
        ErrorScope scope(m_error.get());
        r = xmlTextReaderRead(m_reader);
    }
    if (r < 0 || m_error->fatal || !m_error->ioError.isEmpty())
        fail(QStringLiteral("The document is damaged"));
    return r == 1;
}

bool Reader::skipSubtree()
{
    int r;
    {
        ErrorScope scope(m_error.get());
        r = xmlTextReaderNext(m_reader);
    }
    if (r < 0 || m_error->fatal || !m_error->ioError.isEmpty())
        fail(QStringLiteral("The document is damaged"));
    return r == 1;
}

QString Reader::readElementText()
{
    if (!isElement() || isEmptyElement())
        return {};
    const int start = depth();
    QString out;
    while (read()) {
        switch (nodeType()) {
        case NodeType::Text:
        case NodeType::CData:
        case NodeType::Whitespace:
            out += value();
            break;
        case NodeType::EndElement:
            if (depth() == start)
                return out;
            break;
        default:
            break;
        }
    }
    return out;
}

Reader::NodeType Reader::nodeType() const
{
    switch (xmlTextReaderNodeType(m_reader)) {
    case XML_READER_TYPE_NONE:
        return NodeType::None;
    case XML_READER_TYPE_ELEMENT:
        return NodeType::Element;
    case XML_READER_TYPE_END_ELEMENT:
        return NodeType::EndElement;
    case XML_READER_TYPE_TEXT:
        return NodeType::Text;
    case XML_READER_TYPE_CDATA:
        return NodeType::CData;
    case XML_READER_TYPE_WHITESPACE:
    case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        return NodeType::Whitespace;
    case XML_READER_TYPE_COMMENT:
        return NodeType::Comment;
    default:
        return NodeType::Other;
    }
}

bool Reader::isEmptyElement() const
{
    return xmlTextReaderIsEmptyElement(m_reader) == 1;
}

int Reader::depth() const
{
    return xmlTextReaderDepth(m_reader);
}

int Reader::line() const
{
    return xmlTextReaderGetParserLineNumber(m_reader);
}

bool Reader::is(const char* uri, const char* local) const
{
    return sameText(xmlTextReaderConstLocalName(m_reader), local) &&
           sameText(xmlTextReaderConstNamespaceUri(m_reader), uri);
}

QString Reader::name() const
{
    return str(xmlTextReaderConstName(m_reader));
}

QString Reader::localName() const
{
    return str(xmlTextReaderConstLocalName(m_reader));
}

QString Reader::namespaceUri() const
{
    return str(xmlTextReaderConstNamespaceUri(m_reader));
}

QString Reader::value() const
{
    return str(xmlTextReaderConstValue(m_reader));
}

QString Reader::attribute(const char* name) const
{
    return takeStr(xmlTextReaderGetAttribute(m_reader, xc(name)));
}

bool Reader::hasAttribute(const char* name) const
{
    xmlChar* v = xmlTextReaderGetAttribute(m_reader, xc(name));
    if (!v)
        return false;
    xmlFree(v);
    return true;
}

QString Reader::attributeNs(const char* uri, const char* local) const
{
    return takeStr(
        xmlTextReaderGetAttributeNs(m_reader, xc(local), uri && *uri ? xc(uri) : nullptr));
}

QList<Attribute> Reader::attributes() const
{
    QList<Attribute> result;
    if (xmlTextReaderNodeType(m_reader) != XML_READER_TYPE_ELEMENT)
        return result;
    for (int r = xmlTextReaderMoveToFirstAttribute(m_reader); r == 1;
         r = xmlTextReaderMoveToNextAttribute(m_reader)) {
        if (xmlTextReaderIsNamespaceDecl(m_reader) == 1)
            continue;
        result.append({str(xmlTextReaderConstName(m_reader)),
                       str(xmlTextReaderConstLocalName(m_reader)),
                       str(xmlTextReaderConstNamespaceUri(m_reader)),
                       str(xmlTextReaderConstValue(m_reader))});
    }
    xmlTextReaderMoveToElement(m_reader);
    return result;
}

} // namespace xml

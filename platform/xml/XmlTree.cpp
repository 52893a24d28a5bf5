#include "platform/xml/Xml.h"

#include "platform/xml/AttributeLimit.h"
#include "platform/xml/XmlPrivate.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <limits>

// The whole tree of a small document.

namespace xml {

using namespace detail;

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

namespace {

// The size of an entity's text once every reference in it is expanded (its markup counted
// too, so never less than what reading it gives); -1 past Limit, a loop or too deep a nesting.
class EntitySizes
{
public:
    EntitySizes(xmlDocPtr doc, qint64 limit) : m_doc(doc), m_limit(limit) {}

    qint64 of(xmlEntityPtr entity, int depth = 0)
    {
        if (!entity || entity->etype == XML_INTERNAL_PREDEFINED_ENTITY)
            return 1;
        if (const auto it = m_sizes.constFind(entity); it != m_sizes.constEnd())
            return *it;
        if (depth > kEntityDepth)
            return -1;
        m_sizes.insert(entity, -1); // a loop finds itself unfinished
        const char* text = cs(entity->content);
        qint64 size = 0;
        for (const char* p = text ? text : ""; *p && size >= 0 && size <= m_limit;) {
            const char* amp = std::strchr(p, '&');
            if (!amp) {
                size += qint64(std::strlen(p));
                break;
            }
            size += amp - p;
            const char* semi = std::strchr(amp, ';');
            if (!semi) {
                size += qint64(std::strlen(amp));
                break;
            }
            if (amp[1] == '#') {
                size += semi + 1 - amp;
            } else {
                const QByteArray name(amp + 1, semi - amp - 1);
                xmlEntityPtr inner = xmlGetDocEntity(m_doc, xc(name.constData()));
                const qint64 n = inner ? of(inner, depth + 1) : semi + 1 - amp;
                size = n < 0 ? -1 : size + n;
            }
            p = semi + 1;
        }
        if (size > m_limit)
            size = -1;
        m_sizes.insert(entity, size);
        return size;
    }

private:
    static const char* cs(const xmlChar* s) { return reinterpret_cast<const char*>(s); }
    xmlDocPtr m_doc;
    qint64 m_limit;
    QHash<const void*, qint64> m_sizes;
};

// Refuses a tree whose entity references, in content and attribute values, would expand past
// the limit for a document of Size bytes.
void checkExpansion(xmlDocPtr doc, qint64 size, const QString& name)
{
    if (!doc->intSubset && !doc->extSubset)
        return; // no DTD, no entity of its own
    const qint64 limit = expansionLimit(size);
    EntitySizes sizes(doc, limit);
    qint64 total = 0;
    const auto count = [&](xmlNode* ref) {
        const qint64 n = sizes.of(xmlGetDocEntity(doc, ref->name));
        total = n < 0 ? limit + 1 : total + n;
        if (total > limit)
            throw XmlError(name.isEmpty() ? expansionMessage()
                                          : QStringLiteral("%1: %2").arg(name, expansionMessage()));
    };
    walkTree(doc, [&](xmlNode* n) {
        if (n->type == XML_ENTITY_REF_NODE)
            count(n);
        if (n->type == XML_ELEMENT_NODE)
            for (xmlAttr* a = n->properties; a; a = a->next)
                for (xmlNode* v = a->children; v; v = v->next)
                    if (v->type == XML_ENTITY_REF_NODE)
                        count(v);
    });
}

} // namespace

std::unique_ptr<Document> Document::parse(QByteArrayView bytes, const ParseSettings& settings)
{
    ensureInit();
    if (bytes.size() > std::numeric_limits<int>::max())
        throw XmlError(QStringLiteral("%1: the document is too large").arg(settings.name));
    if (AttributeLimit limit(settings.encoding); !limit.scan(bytes))
        throw XmlError(settings.name.isEmpty()
                           ? limit.message()
                           : QStringLiteral("%1: %2").arg(settings.name, limit.message()));
    Captured captured;
    xmlDocPtr doc = nullptr;
    {
        ErrorScope scope(&captured);
        xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
        if (!ctxt)
            throw XmlError(QStringLiteral("Out of memory"));
        captured.parser = ctxt;
        const QByteArray url = urlFor(settings);
        doc = xmlCtxtReadMemory(ctxt, bytes.data(), int(bytes.size()),
                                url.isEmpty() ? nullptr : url.constData(), encodingFor(settings),
                                kOptions | (settings.keepBlankText ? 0 : XML_PARSE_NOBLANKS));
        if (!captured.has)
            captured.take(xmlCtxtGetLastError(ctxt));
        captured.parser = nullptr;
        xmlFreeParserCtxt(ctxt);
    }
    if (!doc || !xmlDocGetRootElement(doc)) {
        if (doc)
            xmlFreeDoc(doc);
        throw captured.error(settings.name, QStringLiteral("The document holds no element"));
    }
    std::unique_ptr<Document> result(new Document);
    result->m_doc = doc;
    checkExpansion(doc, bytes.size(), settings.name);
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

void Document::dropDefaultNamespaces()
{
    walkTree(m_doc, [](xmlNode* n) {
        if (n->type == XML_ELEMENT_NODE && n->ns && !n->ns->prefix)
            n->ns = nullptr;
    });
}

} // namespace xml

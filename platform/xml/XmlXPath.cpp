#include "platform/xml/Xml.h"

#include "platform/xml/XmlPrivate.h"

#include <QSet>

#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

// XPath over a document's tree, with the prefixes registered for it.

namespace xml {

using namespace detail;

// ---- XPath --------------------------------------------------------------------------------------

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

} // namespace xml

#pragma once
// What the tree, XPath and the stream share inside the XML library: libxml2's set-up, the
// strings it hands out, the bounds on entity expansion, and the capture of its errors.

#include "platform/xml/Xml.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cstring>

namespace xml {

namespace detail {

// Visits every node of the tree below the root element, element children before siblings;
// iterative, since documents may nest deeply.
template <typename Visit>
inline void walkTree(xmlDocPtr doc, Visit visit)
{
    xmlNode* n = xmlDocGetRootElement(doc);
    while (n) {
        visit(n);
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

// No network, CDATA as text; never NOENT (entity substitution), DTDLOAD, XINCLUDE or HUGE.
inline constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_COMPACT;

inline QString str(const xmlChar* s)
{
    return s ? QString::fromUtf8(reinterpret_cast<const char*>(s)) : QString();
}

// Takes a string libxml2 allocated.
inline QString takeStr(xmlChar* s)
{
    QString result = str(s);
    if (s)
        xmlFree(s);
    return result;
}

inline const xmlChar* xc(const char* s)
{
    return reinterpret_cast<const xmlChar*>(s);
}

inline bool sameText(const xmlChar* a, const char* b)
{
    const char* left = a ? reinterpret_cast<const char*>(a) : "";
    const char* right = b ? b : "";
    return left[0] == right[0] && (left[0] == 0 || std::strcmp(left + 1, right + 1) == 0);
}

// Internal entities stay references in the tree and in attribute values until a text is read;
// a small document can name a large entity many times. Their expanded text may come to this
// many times the document's size (plus a floor for small documents), no more.
inline constexpr qint64 kExpansionFactor = 10;
inline constexpr qint64 kExpansionFloor = qint64(1) << 20;
// Deeper nesting of entities than libxml2 itself accepts.
inline constexpr int kEntityDepth = 64;

inline qint64 expansionLimit(qint64 documentSize)
{
    return kExpansionFloor + kExpansionFactor * documentSize;
}

inline QString expansionMessage()
{
    return QStringLiteral(
               "The document's entity references expand to more than %1 times its size; it is "
               "refused")
        .arg(kExpansionFactor);
}

inline const char* cs(const xmlChar* s)
{
    return reinterpret_cast<const char*>(s);
}

// libxml2 initialised once, with no loader of external entities.
void ensureInit();

} // namespace detail

struct Reader::Captured
{
    bool has = false;
    bool fatal = false;
    int code = 0, line = 0, column = 0;
    QString message, detail1, detail2;
    QString ioError;
    // The parser to stop at its first fatal error.
    xmlParserCtxtPtr parser = nullptr;

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

namespace detail {

using Captured = Reader::Captured;

inline void captureError(void* context, xmlErrorPtr error)
{
    static_cast<Captured*>(context)->take(error);
    // libxml2 reads on past a fatal error with its handlers off, at the full cost of what
    // follows; nothing past the first is wanted, and the tag scan answers for what comes before.
    // (An entity's content is parsed by a context of its own, which is left to end: stopping
    // it makes the document's context parse the entity again at every reference.)
    auto* captured = static_cast<Captured*>(context);
    if (error && error->level == XML_ERR_FATAL && error->domain == XML_FROM_PARSER &&
        captured->parser && error->ctxt == captured->parser)
        xmlStopParser(captured->parser);
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

inline QByteArray urlFor(const ParseSettings& settings)
{
    return settings.name.toUtf8();
}

inline const char* encodingFor(const ParseSettings& settings)
{
    return settings.encoding.isEmpty() ? nullptr : settings.encoding.constData();
}

} // namespace detail

} // namespace xml

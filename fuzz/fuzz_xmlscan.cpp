// The tag scan that spares the XML and HTML parsers hostile documents: fed whole and fed in
// pieces (byte 0 picks their size, the limits, the parser and the caller's encoding) it must come
// to the same answer, and once it refuses it goes on refusing. Where it lets a document through,
// libxml2 itself, set up as the program sets it up, must find no element with more attributes
// and no more different names than the scan's limits: the scan must read what the parser reads.
#include "FuzzSupport.h"

#include "platform/xml/AttributeLimit.h"

#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <set>
#include <string>

namespace {

struct Outcome
{
    bool ok = true;
    QString message;
};

Outcome scanned(QByteArrayView doc, qsizetype piece, QByteArrayView encoding, int attributes,
                int names, xml::Markup markup)
{
    xml::AttributeLimit scan(encoding, attributes, names, markup);
    Outcome out;
    for (qsizetype at = 0; at < doc.size() && out.ok; at += piece)
        out.ok = scan.scan(doc.sliced(at, qMin(piece, doc.size() - at)));
    fuzz::check(scan.exceeded() == !out.ok, "the scan's answer and its state differ");
    if (!out.ok) {
        fuzz::check(!scan.scan("<a/>"), "a refusing scan took more input");
        out.message = scan.message();
    }
    return out;
}

// What libxml2 reported: the most attributes of one element and the different names.
struct Seen
{
    int own = 0;
    int defaulted = 0;
    std::set<std::string> names;
    xmlParserCtxtPtr main = nullptr;
};

Seen* g_seen = nullptr;

std::string qualified(const xmlChar* prefix, const xmlChar* local)
{
    std::string n = prefix ? reinterpret_cast<const char*>(prefix) + std::string(":") : "";
    return n + (local ? reinterpret_cast<const char*>(local) : "");
}

void onStart(void* ctx, const xmlChar* local, const xmlChar* prefix, const xmlChar* uri, int nbNs,
             const xmlChar** ns, int nbAttributes, int nbDefaulted, const xmlChar** attributes)
{
    g_seen->own = qMax(g_seen->own, nbAttributes - nbDefaulted);
    g_seen->defaulted = qMax(g_seen->defaulted, nbDefaulted);
    g_seen->names.insert(qualified(prefix, local));
    for (int i = 0; i < nbAttributes; ++i)
        g_seen->names.insert(qualified(attributes[5 * i + 1], attributes[5 * i]));
    xmlSAX2StartElementNs(ctx, local, prefix, uri, nbNs, ns, nbAttributes, nbDefaulted,
                          attributes);
}

void onInstruction(void* ctx, const xmlChar* target, const xmlChar* data)
{
    g_seen->names.insert(qualified(nullptr, target));
    xmlSAX2ProcessingInstruction(ctx, target, data);
}

void onHtmlStart(void* ctx, const xmlChar* name, const xmlChar** attributes)
{
    int n = 0;
    for (; attributes && attributes[2 * n]; ++n)
        g_seen->names.insert(qualified(nullptr, attributes[2 * n]));
    g_seen->own = qMax(g_seen->own, n);
    const std::string element = qualified(nullptr, name);
    // Elements the parser adds of its own.
    if (element != "html" && element != "head" && element != "body" && element != "p")
        g_seen->names.insert(element);
    xmlSAX2StartElement(ctx, name, attributes);
}

void onError(void*, xmlErrorPtr e)
{
    // As the program: the document's parser stops at its first fatal error.
    if (g_seen && e && e->level == XML_ERR_FATAL && e->domain == XML_FROM_PARSER &&
        e->ctxt == g_seen->main)
        xmlStopParser(g_seen->main);
}

Seen parsedXml(QByteArrayView doc, QByteArrayView encoding, qsizetype chunk)
{
    Seen seen;
    g_seen = &seen;
    xmlSAXHandler sax{};
    xmlSAXVersion(&sax, 2);
    sax.startElementNs = onStart;
    sax.processingInstruction = onInstruction;
    sax.error = nullptr;
    sax.warning = nullptr;
    sax.serror = nullptr;
    const QByteArray enc = encoding.toByteArray();
    const int options = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_COMPACT;
    if (chunk <= 0) {
        xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
        std::memcpy(ctxt->sax, &sax, sizeof sax);
        seen.main = ctxt;
        xmlDocPtr d = xmlCtxtReadMemory(ctxt, doc.data(), int(doc.size()), nullptr,
                                        enc.isEmpty() ? nullptr : enc.constData(), options);
        xmlFreeDoc(d);
        xmlFreeParserCtxt(ctxt);
    } else {
        xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr);
        seen.main = ctxt;
        xmlCtxtUseOptions(ctxt, options);
        if (!enc.isEmpty())
            if (xmlCharEncodingHandlerPtr h = xmlFindCharEncodingHandler(enc.constData()))
                xmlSwitchToEncoding(ctxt, h);
        qsizetype at = 0;
        for (; at < doc.size(); at += chunk) {
            const int n = int(qMin(chunk, doc.size() - at));
            if (xmlParseChunk(ctxt, doc.data() + at, n, 0) != 0 || !ctxt->wellFormed)
                break;
        }
        if (at >= doc.size())
            xmlParseChunk(ctxt, nullptr, 0, 1);
        xmlFreeDoc(ctxt->myDoc);
        xmlFreeParserCtxt(ctxt);
    }
    g_seen = nullptr;
    return seen;
}

Seen parsedHtml(QByteArrayView doc)
{
    Seen seen;
    g_seen = &seen;
    xmlSAXHandler sax{};
    std::memcpy(&sax, &htmlDefaultSAXHandler, sizeof(htmlDefaultSAXHandler));
    sax.startElement = onHtmlStart;
    sax.error = nullptr;
    sax.warning = nullptr;
    sax.serror = nullptr;
    htmlParserCtxtPtr ctxt = htmlNewParserCtxt();
    std::memcpy(ctxt->sax, &sax, sizeof(htmlDefaultSAXHandler));
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                        HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC | HTML_PARSE_NOIMPLIED;
    xmlDocPtr d = htmlCtxtReadMemory(ctxt, doc.data(), int(doc.size()), nullptr, "UTF-8", options);
    xmlFreeDoc(d);
    htmlFreeParserCtxt(ctxt);
    g_seen = nullptr;
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2 || size > fuzz::MaxInput)
        return 0;
    static const bool quiet = [] {
        xmlInitParser();
        xmlSetStructuredErrorFunc(nullptr, onError);
        return true;
    }();
    (void)quiet;
    const int pick = data[0];
    const int more = data[1];
    const QByteArrayView doc(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    static const QByteArrayView kEncodings[] = {{},         {},         {},         "UTF-8",
                                                "UTF-16LE", "UTF-16",   "UTF-32BE", "windows-1256"};
    const xml::Markup markup = (more & 8) ? xml::Markup::Html : xml::Markup::Xml;
    const QByteArrayView encoding =
        markup == xml::Markup::Html ? QByteArrayView("UTF-8") : kEncodings[more & 7];
    const int attributes = 1 + ((pick >> 2) & 7);
    const int names = 2 + ((pick >> 5) & 7) * 3;
    const Outcome whole =
        scanned(doc, qMax<qsizetype>(doc.size(), 1), encoding, attributes, names, markup);
    for (const qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(1 + pick % 61)}) {
        const Outcome pieces = scanned(doc, piece, encoding, attributes, names, markup);
        fuzz::check(pieces.ok == whole.ok && pieces.message == whole.message,
                    "the scan depends on the pieces the input comes in");
    }
    if (!whole.ok)
        return 0;
    // The HTML parser is handed the page without NUL characters.
    if (markup == xml::Markup::Html && doc.contains('\0'))
        return 0;
    const QList<Seen> runs =
        markup == xml::Markup::Html
            ? QList<Seen>{parsedHtml(doc)}
            : QList<Seen>{parsedXml(doc, encoding, 0), parsedXml(doc, encoding, 1 + (more >> 4) * 7)};
    for (const Seen& seen : runs) {
        fuzz::check(seen.own <= attributes, "the parser read more attributes than the scan let by");
        fuzz::check(seen.defaulted <= attributes, "the parser added more default attributes");
        // A name cut by the end of the document is one the scan has not finished.
        fuzz::check(int(seen.names.size()) <= names + 1,
                    "the parser read more names than the scan");
    }
    return 0;
}

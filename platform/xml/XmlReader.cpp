#include "platform/xml/Xml.h"

#include "platform/queue/BoundedQueue.h"
#include "platform/xml/AttributeLimit.h"
#include "platform/xml/XmlPrivate.h"

#include <QFile>
#include <QFileInfo>

#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cstring>
#include <limits>
#include <new>

// The stream: libxml2's push parser, its nodes collected in batches, a thread ahead of the
// caller for large inputs.

namespace xml {

using namespace detail;

// ---- Reader -------------------------------------------------------------------------------------

struct Reader::Source
{
    QByteArray bytes;
    qsizetype pos = 0;
    std::unique_ptr<QFile> file;
    ReadFunction read;
    Captured* captured = nullptr;
};

namespace {

// Bytes handed to the parser at a time.
constexpr qsizetype kChunk = 64 * 1024;

struct Event
{
    Reader::NodeType type = Reader::NodeType::None;
    bool empty = false;
    bool blank = true; // text of blanks only
    int depth = 0;
    int line = 0;
    // Interned in the parser's dictionary, alive as long as the parser.
    const xmlChar* local = nullptr;
    const xmlChar* prefix = nullptr;
    const xmlChar* uri = nullptr;
    quint32 text = 0, textLength = 0; // in the arena
    quint32 attr = 0, attrCount = 0;
    quint32 ns = 0, nsCount = 0;
};

struct AttrRecord
{
    const xmlChar* local;
    const xmlChar* prefix;
    const xmlChar* uri;
    quint32 value, length; // in the arena
};

struct NsRecord
{
    const xmlChar* prefix;
    const xmlChar* uri;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// One read of the source; -1 when it fails (its message kept for the error).
qint64 readSource(Reader::Source& source, char* buffer, qint64 size)
{
    qint64 n = -1;
    try {
        n = source.read(buffer, size);
    } catch (const std::exception& e) {
        if (source.captured && source.captured->ioError.isEmpty())
            source.captured->ioError = QString::fromUtf8(e.what());
        return -1;
    }
    if (n < 0 && source.captured && source.captured->ioError.isEmpty())
        source.captured->ioError = QStringLiteral("The data could not be read");
    return n < 0 ? -1 : qMin(n, size);
}

} // namespace

// Nodes of one stretch of input, complete (a text node is complete once another node follows
// it). Names point into the parser's dictionary, alive as long as the parser.
struct Batch
{
    std::vector<Event> events;
    std::vector<AttrRecord> attrs;
    std::vector<NsRecord> namespaces;
    std::string arena;

    void clear()
    {
        events.clear();
        attrs.clear();
        namespaces.clear();
        arena.clear();
    }
    quint32 store(const char* data, std::size_t length)
    {
        const auto at = quint32(arena.size());
        arena.append(data, length);
        arena.push_back('\0');
        return at;
    }
};

// libxml2's push parser fed a chunk at a time; its nodes are collected into batches. Large
// inputs are parsed on a thread of their own, a few batches ahead of the caller, so that
// inflating and parsing overlap with what the caller does with the nodes.
struct Reader::Push
{
    static constexpr std::size_t kQueued = 4;

    // Parser side.
    xmlParserCtxtPtr ctxt = nullptr;
    xmlSAXHandler sax{};
    Source* source = nullptr;
    Captured* error = nullptr;
    std::unique_ptr<Batch> building = std::make_unique<Batch>();
    int depth = 0;
    bool lastStartEmpty = false;
    bool openText = false;
    qint64 maxText = 0; // bytes of one text node; 0: any
    std::unique_ptr<AttributeLimit> attributeLimit;
    QByteArray buffer;
    // Bytes handed to the parser, and what entity references in attribute values added to them.
    qint64 fed = 0;
    qint64 expanded = 0;

    // Caller side: the batch being passed and the index of its current node + 1.
    std::unique_ptr<Batch> current;
    std::size_t index = 0;
    bool over = false; // the last batch has been taken

    // The parser's storage for its next batch, and the caller's last batch going back to it.
    std::unique_ptr<Batch> spare, returned;
    bool finished = false; // no batch will follow
    bool failed = false;   // the document is not well-formed or its source failed
    // Set when the parser runs ahead of the caller.
    std::unique_ptr<queue::ReadAhead<std::unique_ptr<Batch>>> ahead;

    ~Push()
    {
        // The parser ends with the chunk it is parsing.
        ahead.reset();
        if (ctxt) {
            if (ctxt->myDoc)
                xmlFreeDoc(ctxt->myDoc);
            ctxt->myDoc = nullptr;
            xmlFreeParserCtxt(ctxt);
        }
    }

    // Stops the parser; the document fails with Message.
    void refuse(const QString& message)
    {
        if (error && error->ioError.isEmpty())
            error->ioError = message;
        xmlStopParser(ctxt);
    }

    bool has() const { return current && index > 0; }
    const Event& node() const { return current->events[index - 1]; }

    Event& push(Reader::NodeType type)
    {
        openText = false;
        lastStartEmpty = false;
        Event& e = building->events.emplace_back();
        e.type = type;
        e.depth = depth;
        e.line = ctxt && ctxt->input ? ctxt->input->line : 0;
        return e;
    }

    void text(const xmlChar* ch, int length)
    {
        if (length <= 0)
            return;
        const char* p = cs(ch);
        Batch& b = *building;
        if (!openText) {
            Event& e = push(Reader::NodeType::Text);
            e.text = quint32(b.arena.size());
            b.arena.push_back('\0');
            openText = true;
        }
        Event& e = b.events.back();
        b.arena.pop_back(); // the terminator
        b.arena.append(p, std::size_t(length));
        b.arena.push_back('\0');
        e.textLength += quint32(length);
        if (maxText > 0 && e.textLength > maxText) {
            refuse(QStringLiteral("a text of the document is longer than %1 bytes").arg(maxText));
            return;
        }
        if (e.blank)
            for (int i = 0; i < length && e.blank; ++i)
                e.blank = isBlank(p[i]);
    }

    std::unique_ptr<Batch> takeSpare()
    {
        std::unique_ptr<Batch> b = std::move(spare);
        if (!b)
            b = std::make_unique<Batch>();
        b->clear();
        return b;
    }

    // The complete nodes built so far; a text node that may still grow stays behind.
    std::unique_ptr<Batch> handOver(bool last)
    {
        Batch& b = *building;
        if (b.events.empty() || (!last && openText && b.events.size() == 1))
            return nullptr;
        std::unique_ptr<Batch> out = std::move(building);
        building = takeSpare();
        if (!last && openText) {
            Event e = out->events.back();
            out->events.pop_back();
            const quint32 at = building->store(out->arena.data() + e.text, e.textLength);
            e.text = at;
            building->events.push_back(e);
        }
        return out;
    }

    // Parses one chunk of input. Returns true when nothing more will come (the end or a fault).
    bool parseChunk()
    {
        Source& s = *source;
        const char* data = nullptr;
        qint64 n = 0;
        if (s.read) {
            if (buffer.isEmpty())
                buffer.resize(kChunk);
            n = readSource(s, buffer.data(), kChunk);
            data = buffer.constData();
        } else {
            n = qMin<qint64>(kChunk, s.bytes.size() - s.pos);
            data = s.bytes.constData() + s.pos;
            s.pos += n;
        }
        fed += qMax<qint64>(n, 0);
        if (n > 0 && attributeLimit && !attributeLimit->scan(QByteArrayView(data, n))) {
            if (error->ioError.isEmpty())
                error->ioError = attributeLimit->message();
            failed = true;
            return true;
        }
        const int rc = n < 0 ? -1 : xmlParseChunk(ctxt, data, int(n), n == 0 ? 1 : 0);
        if (n < 0 || rc != 0 || !ctxt->wellFormed || error->fatal || !error->ioError.isEmpty()) {
            failed = true;
            return true;
        }
        return n == 0;
    }

    // The next batch for the caller; nullptr after the last.
    std::unique_ptr<Batch> next()
    {
        if (ahead) {
            std::unique_ptr<Batch> b = std::move(returned);
            try {
                // A fill that failed passes on no batch: the take after it raises the failure.
                while (ahead->take(b))
                    if (b)
                        return b;
            } catch (const std::bad_alloc&) {
                failWith(QStringLiteral("Out of memory"));
            } catch (const std::exception& e) {
                failWith(QString::fromUtf8(e.what()));
            }
            return nullptr;
        }
        if (!spare)
            spare = std::move(returned);
        while (!finished) {
            bool last;
            {
                ErrorScope scope(error);
                last = parseChunk();
            }
            if (last)
                finished = true;
            if (std::unique_ptr<Batch> b = handOver(last))
                return b;
        }
        return nullptr;
    }

    // The caller's side: the document fails with Message (unless it failed already).
    void failWith(const QString& message)
    {
        if (error->ioError.isEmpty() && !failed)
            error->ioError = message;
        failed = true;
    }

    void giveBack(std::unique_ptr<Batch> b)
    {
        if (b)
            returned = std::move(b);
    }

    // The parser ahead of the caller: the next batch into Item (whose old batch is the storage
    // of the one after), a chunk at a time; false once nothing follows. What ends it, a failed
    // allocation included, is the caller's read's failure after the nodes before it.
    bool fillAhead(std::unique_ptr<Batch>& item, const queue::StopFlag& stop)
    {
        ErrorScope scope(error);
        if (item && !spare)
            spare = std::move(item);
        item.reset();
        for (;;) {
            stop.check();
            const bool last = parseChunk();
            if (std::unique_ptr<Batch> b = handOver(last)) {
                item = std::move(b);
                return !last;
            }
            if (last)
                return false;
        }
    }
};

namespace {

using Push = Reader::Push;

// Nodes of an entity's content are parsed in a context of its own: those build the entity's
// tree as libxml2's own handlers do (so it is parsed once), they are not document nodes.
Push* mainPush(void* context)
{
    auto* ctxt = static_cast<xmlParserCtxtPtr>(context);
    auto* push = static_cast<Push*>(ctxt->_private);
    return push && push->ctxt == ctxt ? push : nullptr;
}

// Nothing may unwind through the parser: a failure stops it and is the document's error.
template <typename F> void guarded(Push* p, F&& body)
{
    try {
        body();
    } catch (...) {
        p->refuse(QStringLiteral("Out of memory"));
    }
}

void onStartElement(void* context, const xmlChar* local, const xmlChar* prefix, const xmlChar* uri,
                    int nbNamespaces, const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                    const xmlChar** attributes)
{
    Push* p = mainPush(context);
    if (!p) {
        xmlSAX2StartElementNs(context, local, prefix, uri, nbNamespaces, namespaces, nbAttributes,
                              nbDefaulted, attributes);
        return;
    }
    guarded(p, [&] {
        Event& e = p->push(Reader::NodeType::Element);
        e.local = local;
        e.prefix = prefix;
        e.uri = uri;
        const xmlParserInputPtr in = p->ctxt->input;
        e.empty = in && in->cur && in->cur[0] == '/' && in->cur[1] == '>';
        e.ns = quint32(p->building->namespaces.size());
        e.nsCount = quint32(qMax(nbNamespaces, 0));
        for (int i = 0; i < nbNamespaces; ++i)
            p->building->namespaces.push_back({namespaces[2 * i], namespaces[2 * i + 1]});
        // Attributes defaulted by the DTD are not the element's own.
        const int own = qMax(nbAttributes - nbDefaulted, 0);
        e.attr = quint32(p->building->attrs.size());
        e.attrCount = quint32(own);
        for (int i = 0; i < own; ++i) {
            const xmlChar** a = attributes + 5 * i;
            const auto* begin = a[3];
            const auto* end = a[4];
            AttrRecord rec{a[0], a[1], a[2], 0, 0};
            // References stay in the value as the parser found them; decoded as the tree builder
            // decodes them.
            if (std::memchr(begin, '&', std::size_t(end - begin))) {
                xmlChar* decoded = xmlStringLenDecodeEntities(p->ctxt, begin, int(end - begin),
                                                              XML_SUBSTITUTE_REF, 0, 0, 0);
                const char* d = decoded ? cs(decoded) : "";
                rec.length = quint32(std::strlen(d));
                p->expanded += qint64(rec.length) - (end - begin);
                if (p->expanded > expansionLimit(p->fed)) {
                    if (decoded)
                        xmlFree(decoded);
                    e.attrCount = quint32(i);
                    p->refuse(expansionMessage());
                    return;
                }
                rec.value = p->building->store(d, rec.length);
                if (decoded)
                    xmlFree(decoded);
            } else {
                rec.length = quint32(end - begin);
                rec.value = p->building->store(cs(begin), rec.length);
            }
            p->building->attrs.push_back(rec);
        }
        p->depth += 1;
        p->lastStartEmpty = e.empty;
    });
}

void onEndElement(void* context, const xmlChar* local, const xmlChar* prefix, const xmlChar* uri)
{
    Push* p = mainPush(context);
    if (!p) {
        xmlSAX2EndElementNs(context, local, prefix, uri);
        return;
    }
    p->depth = qMax(p->depth - 1, 0);
    if (p->lastStartEmpty) {
        // <a/>: the element node alone, as its start already says.
        p->lastStartEmpty = false;
        p->openText = false;
        return;
    }
    guarded(p, [&] {
        Event& e = p->push(Reader::NodeType::EndElement);
        e.local = local;
        e.prefix = prefix;
        e.uri = uri;
    });
}

void onCharacters(void* context, const xmlChar* ch, int length)
{
    if (Push* p = mainPush(context)) {
        if (p->depth > 0)
            guarded(p, [&] { p->text(ch, length); });
    } else {
        xmlSAX2Characters(context, ch, length);
    }
}

void onComment(void* context, const xmlChar* value)
{
    Push* p = mainPush(context);
    if (!p) {
        xmlSAX2Comment(context, value);
        return;
    }
    if (p->ctxt->inSubset)
        return;
    guarded(p, [&] {
        Event& e = p->push(Reader::NodeType::Comment);
        const auto length = std::strlen(cs(value));
        e.textLength = quint32(length);
        e.text = p->building->store(cs(value), length);
    });
}

void onProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data)
{
    Push* p = mainPush(context);
    if (!p) {
        xmlSAX2ProcessingInstruction(context, target, data);
        return;
    }
    if (!p->ctxt->inSubset)
        guarded(p, [&] { p->push(Reader::NodeType::Other); });
}

void onReference(void* context, const xmlChar* name)
{
    if (Push* p = mainPush(context))
        guarded(p, [&] { p->push(Reader::NodeType::Other); });
    else
        xmlSAX2Reference(context, name);
}

void onInternalSubset(void* context, const xmlChar* name, const xmlChar* externalId,
                      const xmlChar* systemId)
{
    xmlSAX2InternalSubset(context, name, externalId, systemId);
    if (Push* p = mainPush(context))
        guarded(p, [&] { p->push(Reader::NodeType::Other); });
}

} // namespace

Reader::Reader() = default;

Reader::~Reader() = default;

std::unique_ptr<Reader> Reader::create(std::unique_ptr<Source> source,
                                       const ParseSettings& settings)
{
    ensureInit();
    std::unique_ptr<Reader> r(new Reader);
    r->m_error = std::make_unique<Captured>();
    r->m_source = std::move(source);
    r->m_source->captured = r->m_error.get();
    r->m_name = settings.name;
    r->m_push = std::make_unique<Push>();
    Push& p = *r->m_push;

    xmlSAXVersion(&p.sax, 2);
    p.sax.startElementNs = onStartElement;
    p.sax.endElementNs = onEndElement;
    p.sax.characters = onCharacters;
    p.sax.ignorableWhitespace = onCharacters;
    p.sax.cdataBlock = onCharacters;
    p.sax.comment = onComment;
    p.sax.processingInstruction = onProcessingInstruction;
    p.sax.reference = onReference;
    p.sax.internalSubset = onInternalSubset;
    // Errors go to the captured error alone, never to stderr.
    p.sax.error = nullptr;
    p.sax.warning = nullptr;
    p.sax.serror = nullptr;

    const QByteArray url = urlFor(settings);
    const char* u = url.isEmpty() ? nullptr : url.constData();
    Source* s = r->m_source.get();
    if (!s->read && s->bytes.size() > std::numeric_limits<int>::max())
        throw XmlError(QStringLiteral("%1: the document is too large").arg(settings.name));
    {
        ErrorScope scope(r->m_error.get());
        // The first four bytes tell the encoding (byte-order mark or declaration).
        p.ctxt = xmlCreatePushParserCtxt(&p.sax, nullptr, nullptr, 0, u);
        if (p.ctxt) {
            r->m_error->parser = p.ctxt;
            p.ctxt->_private = &p;
            xmlCtxtUseOptions(p.ctxt, kOptions);
            if (const char* enc = encodingFor(settings)) {
                if (xmlCharEncodingHandlerPtr h = xmlFindCharEncodingHandler(enc))
                    xmlSwitchToEncoding(p.ctxt, h);
            }
        }
    }
    if (!p.ctxt)
        throw r->m_error->error(settings.name, QStringLiteral("The document cannot be read"));
    p.source = s;
    p.error = r->m_error.get();
    p.maxText = qMin<qint64>(settings.maxTextBytes, std::numeric_limits<quint32>::max() / 2);
    if (!settings.scannedBySource)
        p.attributeLimit = std::make_unique<AttributeLimit>(settings.encoding);
    // Small documents are parsed as they are read; others ahead of the caller.
    if (settings.parseAhead && (s->read || s->bytes.size() > 4 * kChunk))
        p.ahead = std::make_unique<queue::ReadAhead<std::unique_ptr<Batch>>>(
            [&p](std::unique_ptr<Batch>& item, const queue::StopFlag& stop) {
                return p.fillAhead(item, stop);
            },
            Push::kQueued);
    return r;
}

std::unique_ptr<Reader> Reader::fromMemory(const QByteArray& bytes, const ParseSettings& settings)
{
    auto source = std::make_unique<Source>();
    source->bytes = bytes;
    ParseSettings s = settings;
    s.scannedBySource = false; // only a function's bytes are scanned by their source
    return create(std::move(source), s);
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
    s.scannedBySource = false;
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

bool Reader::advance()
{
    Push& p = *m_push;
    while (!p.current || p.index >= p.current->events.size()) {
        p.giveBack(std::move(p.current));
        p.index = 0;
        if (!p.over)
            p.current = p.next();
        if (!p.current) {
            p.over = true;
            m_type = NodeType::None;
            m_depth = 0;
            m_empty = false;
            if (p.failed)
                fail(QStringLiteral("The document is damaged"));
            return false;
        }
    }
    ++p.index;
    const Event& e = p.node();
    m_type = e.type == NodeType::Text && e.blank ? NodeType::Whitespace : e.type;
    m_depth = e.depth;
    m_empty = e.empty;
    return true;
}

bool Reader::read()
{
    return advance();
}

bool Reader::skipSubtree()
{
    if (!m_push->has())
        return read();
    const Event& e = m_push->node();
    if (e.type != NodeType::Element || e.empty)
        return read();
    const int start = e.depth;
    while (read()) {
        const Event& n = m_push->node();
        if (n.type == NodeType::EndElement && n.depth == start)
            return read();
    }
    return false;
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

int Reader::line() const
{
    return m_push->has() ? m_push->node().line : 0;
}

bool Reader::is(const char* uri, const char* local) const
{
    if (m_type != NodeType::Element && m_type != NodeType::EndElement)
        return false;
    const Event& e = m_push->node();
    return sameText(e.local, local) && sameText(e.uri, uri);
}

bool Reader::localNameIs(const char* local) const
{
    return (m_type == NodeType::Element || m_type == NodeType::EndElement) &&
           sameText(m_push->node().local, local);
}

const char* Reader::namespaceKey() const
{
    if (m_type != NodeType::Element && m_type != NodeType::EndElement)
        return nullptr;
    return cs(m_push->node().uri);
}

const char* Reader::localNameKey() const
{
    if (m_type != NodeType::Element && m_type != NodeType::EndElement)
        return nullptr;
    return cs(m_push->node().local);
}

int Reader::attributeCount() const
{
    const Push& p = *m_push;
    return p.has() && p.node().type == NodeType::Element ? int(p.node().attrCount) : 0;
}

Reader::AttributeRef Reader::attributeAt(int index) const
{
    const Push& p = *m_push;
    const AttrRecord& a = p.current->attrs[p.node().attr + quint32(index)];
    return {cs(a.local), cs(a.uri), QByteArrayView(p.current->arena.data() + a.value, a.length)};
}

QString Reader::name() const
{
    if (!m_push->has())
        return {};
    const Event& e = m_push->node();
    if (e.type == NodeType::Text)
        return QStringLiteral("#text");
    if (e.type == NodeType::Comment)
        return QStringLiteral("#comment");
    if (!e.local)
        return {};
    if (e.prefix)
        return str(e.prefix) + u':' + str(e.local);
    return str(e.local);
}

QString Reader::localName() const
{
    return m_push->has() ? str(m_push->node().local) : QString();
}

QString Reader::namespaceUri() const
{
    return m_push->has() ? str(m_push->node().uri) : QString();
}

QByteArrayView Reader::valueUtf8() const
{
    if (!m_push->has())
        return {};
    const Event& e = m_push->node();
    if (e.type != NodeType::Text && e.type != NodeType::Comment)
        return {};
    return QByteArrayView(m_push->current->arena.data() + e.text, e.textLength);
}

QString Reader::value() const
{
    const QByteArrayView v = valueUtf8();
    return v.isNull() ? QString() : QString::fromUtf8(v);
}

QByteArrayView Reader::attributeUtf8(const char* name) const
{
    const Push& p = *m_push;
    if (!p.has() || p.node().type != NodeType::Element)
        return {};
    const Event& e = p.node();
    const char* colon = std::strchr(name, ':');
    if (!colon) {
        if (std::strcmp(name, "xmlns") == 0) {
            for (quint32 i = 0; i < e.nsCount; ++i)
                if (!p.current->namespaces[e.ns + i].prefix) {
                    const char* uri = cs(p.current->namespaces[e.ns + i].uri);
                    return QByteArrayView(uri ? uri : "", uri ? qsizetype(strlen(uri)) : 0);
                }
            return {};
        }
        for (quint32 i = 0; i < e.attrCount; ++i) {
            const AttrRecord& a = p.current->attrs[e.attr + i];
            if (!a.uri && sameText(a.local, name))
                return QByteArrayView(p.current->arena.data() + a.value, a.length);
        }
        return {};
    }
    const QByteArrayView prefix(name, colon - name);
    const char* local = colon + 1;
    if (prefix == "xmlns") {
        for (quint32 i = 0; i < e.nsCount; ++i) {
            const NsRecord& n = p.current->namespaces[e.ns + i];
            if (n.prefix && sameText(n.prefix, local)) {
                const char* uri = cs(n.uri);
                return QByteArrayView(uri ? uri : "", uri ? qsizetype(strlen(uri)) : 0);
            }
        }
        return {};
    }
    for (quint32 i = 0; i < e.attrCount; ++i) {
        const AttrRecord& a = p.current->attrs[e.attr + i];
        if (a.prefix && sameText(a.local, local) && QByteArrayView(cs(a.prefix)) == prefix)
            return QByteArrayView(p.current->arena.data() + a.value, a.length);
    }
    return {};
}

QByteArrayView Reader::attributeNsUtf8(const char* uri, const char* local) const
{
    const Push& p = *m_push;
    if (!p.has() || p.node().type != NodeType::Element)
        return {};
    const Event& e = p.node();
    const bool noNamespace = !uri || !*uri;
    for (quint32 i = 0; i < e.attrCount; ++i) {
        const AttrRecord& a = p.current->attrs[e.attr + i];
        if (!sameText(a.local, local))
            continue;
        if (noNamespace ? a.uri == nullptr : (a.uri && std::strcmp(cs(a.uri), uri) == 0))
            return QByteArrayView(p.current->arena.data() + a.value, a.length);
    }
    return {};
}

QString Reader::attribute(const char* name) const
{
    const QByteArrayView v = attributeUtf8(name);
    return v.isNull() ? QString() : QString::fromUtf8(v);
}

bool Reader::hasAttribute(const char* name) const
{
    return !attributeUtf8(name).isNull();
}

QString Reader::attributeNs(const char* uri, const char* local) const
{
    const QByteArrayView v = attributeNsUtf8(uri, local);
    return v.isNull() ? QString() : QString::fromUtf8(v);
}

QList<Attribute> Reader::attributes() const
{
    QList<Attribute> result;
    const Push& p = *m_push;
    if (!p.has() || p.node().type != NodeType::Element)
        return result;
    const Event& e = p.node();
    for (quint32 i = 0; i < e.attrCount; ++i) {
        const AttrRecord& a = p.current->attrs[e.attr + i];
        const QString local = str(a.local);
        result.append({a.prefix ? str(a.prefix) + u':' + local : local, local, str(a.uri),
                       QString::fromUtf8(p.current->arena.data() + a.value, a.length)});
    }
    return result;
}

} // namespace xml

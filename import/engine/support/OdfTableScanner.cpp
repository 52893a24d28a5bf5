#include "import/engine/support/OdfTableScanner.h"

#include <QByteArrayView>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr QByteArrayView kTableUri("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
// Zeros kept after the bytes held, so a token cut by the part's end is compared safely.
constexpr qsizetype kPad = 64;

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool allBlank(const char* from, const char* to)
{
    for (; from < to; ++from)
        if (!blank(*from))
            return false;
    return true;
}

bool endsName(char c)
{
    // A blank, "/" or ">": all below 64.
    constexpr quint64 ends = (quint64(1) << ' ') | (quint64(1) << '\t') | (quint64(1) << '\n') |
                             (quint64(1) << '\r') | (quint64(1) << '/') | (quint64(1) << '>');
    return uchar(c) < 64 && (ends >> uchar(c)) & 1;
}

#if defined(__SSE2__)
// The first byte in [From, To) that Hit marks in a block of 16, or To.
template <typename Hit> const char* firstWhere(const char* from, const char* to, Hit hit)
{
    while (to - from >= 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        if (const int mask = _mm_movemask_epi8(hit(x)))
            return from + __builtin_ctz(unsigned(mask));
        from += 16;
    }
    return nullptr;
}
#endif

// Where "xmlns" first stands in [From, To), or null.
const char* findXmlns(const char* from, const char* to)
{
#if defined(__SSE2__)
    const __m128i x = _mm_set1_epi8('x'), m = _mm_set1_epi8('m');
    for (; to - from >= 21; from += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 1));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, x), _mm_cmpeq_epi8(next, m))));
        for (; mask; mask &= mask - 1)
            if (std::memcmp(from + __builtin_ctz(mask), "xmlns", 5) == 0)
                return from + __builtin_ctz(mask);
    }
#endif
    return from < to ? static_cast<const char*>(memmem(from, std::size_t(to - from), "xmlns", 5))
                     : nullptr;
}

// The first of A, B, C, D in [From, To), or To.
const char* firstOf(const char* from, const char* to, char a, char b, char c, char d)
{
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c),
                  vd = _mm_set1_epi8(d);
    if (const char* p = firstWhere(from, to, [&](__m128i x) {
            return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)),
                                _mm_or_si128(_mm_cmpeq_epi8(x, vc), _mm_cmpeq_epi8(x, vd)));
        }))
        return p;
    from = to - ((to - from) & 15);
#endif
    while (from < to && *from != a && *from != b && *from != c && *from != d)
        ++from;
    return from;
}

const char* find(const char* from, const char* to, char c)
{
    return from < to ? static_cast<const char*>(std::memchr(from, c, std::size_t(to - from)))
                     : nullptr;
}

const char* find(const char* from, const char* to, const char* text, std::size_t length)
{
    return from < to ? static_cast<const char*>(memmem(from, std::size_t(to - from), text, length))
                     : nullptr;
}

} // namespace

OdfTableScanner::OdfTableScanner(ReadFunction read, qsizetype block)
    : m_read(std::move(read)), m_buf(std::size_t(qMax<qsizetype>(block, 4096) + kPad))
{}

bool OdfTableScanner::fill()
{
    if (m_eof || m_unsure)
        return false;
    qsizetype keep = m_fed >= 0 ? qMin(m_token, m_fed) : m_token;
    if (keep > 0) {
        std::memmove(m_buf.data(), m_buf.data() + keep, std::size_t(m_len - keep));
        m_len -= keep;
        m_pos -= keep;
        m_token -= keep;
        if (m_fed >= 0)
            m_fed -= keep;
        if (m_tableEnd >= 0)
            m_tableEnd -= keep;
    }
    const qsizetype capacity = qsizetype(m_buf.size()) - kPad;
    if (m_len == capacity) {
        m_unsure = true; // one token larger than the buffer
        return false;
    }
    const qint64 n = m_read(m_buf.data() + m_len, qint64(capacity - m_len));
    const qsizetype checked = qMax<qsizetype>(m_len - 4, 0);
    if (n > 0)
        m_len += qsizetype(n);
    else
        m_eof = true;
    std::memset(m_buf.data() + m_len, 0, kPad);
    if (n <= 0)
        return false;
    if (!m_tableTag.isEmpty())
        return declaresNothing(checked);
    return true;
}

bool OdfTableScanner::declaresNothing(qsizetype from)
{
    // A namespace declared below the root could bind the table prefix anew. Looked for once in
    // every block read: a text that merely says "xmlns" costs only the scan.
    if (findXmlns(m_buf.data() + from, m_buf.data() + m_len)) {
        m_unsure = true;
        return false;
    }
    return true;
}

OdfTableScanner::Event OdfTableScanner::markUnsure()
{
    m_unsure = true;
    return Event::Unsure;
}

bool OdfTableScanner::start()
{
    while (!m_eof && !m_unsure && m_len < qsizetype(m_buf.size()) - kPad)
        fill();
    if (m_unsure)
        return false;
    const char* b = m_buf.data();
    const char* end = b + m_len;
    const char* p = b;
    if (m_len >= 3 && std::memcmp(b, "\xEF\xBB\xBF", 3) == 0)
        p += 3;
    if (end - p >= 6 && std::memcmp(p, "<?xml", 5) == 0 && blank(p[5])) {
        const char* e = find(p, end, "?>", 2);
        if (!e)
            return false;
        const QByteArrayView decl(p, e - p);
        const qsizetype k = decl.indexOf("encoding");
        if (k >= 0) {
            qsizetype q = k + 8;
            while (q < decl.size() && (blank(decl[q]) || decl[q] == '='))
                ++q;
            if (q >= decl.size() || (decl[q] != '"' && decl[q] != '\''))
                return false;
            const qsizetype close = decl.indexOf(decl[q], q + 1);
            if (close < 0 ||
                decl.sliced(q + 1, close - q - 1).compare("utf-8", Qt::CaseInsensitive) != 0)
                return false;
        }
        p = e + 2;
    }
    for (;;) {
        while (p < end && blank(*p))
            ++p;
        if (end - p < 2 || *p != '<')
            return false;
        if (end - p >= 4 && std::memcmp(p, "<!--", 4) == 0) {
            const char* e = find(p + 4, end, "-->", 3);
            if (!e)
                return false;
            p = e + 3;
        } else if (p[1] == '?') {
            const char* e = find(p + 2, end, "?>", 2);
            if (!e)
                return false;
            p = e + 2;
        } else if (p[1] == '!') {
            return false; // a document type: its entities are the parser's business
        } else {
            return rootTag(p - b);
        }
    }
}

bool OdfTableScanner::rootTag(qsizetype at)
{
    const char* b = m_buf.data();
    qsizetype i = at + 1;
    while (i < m_len && !endsName(b[i]))
        ++i;
    const QByteArray name(b + at + 1, i - at - 1);
    if (name.isEmpty())
        return false;
    QByteArray prefix;
    bool empty = false;
    for (;;) {
        while (i < m_len && blank(b[i]))
            ++i;
        if (i >= m_len)
            return false;
        if (b[i] == '>')
            break;
        if (b[i] == '/') {
            if (i + 1 >= m_len || b[i + 1] != '>')
                return false;
            empty = true;
            ++i;
            break;
        }
        const qsizetype nameAt = i;
        while (i < m_len && !blank(b[i]) && b[i] != '=' && b[i] != '>' && b[i] != '/')
            ++i;
        const QByteArrayView attr(b + nameAt, i - nameAt);
        while (i < m_len && blank(b[i]))
            ++i;
        if (i >= m_len || b[i] != '=')
            return false;
        ++i;
        while (i < m_len && blank(b[i]))
            ++i;
        if (i >= m_len || (b[i] != '"' && b[i] != '\''))
            return false;
        const char* close = find(b + i + 1, b + m_len, b[i]);
        if (!close)
            return false;
        const QByteArrayView value(b + i + 1, close - b - i - 1);
        i = close - b + 1;
        if (value.contains('&') || value.contains('<'))
            return false;
        if (attr == "xmlns" && value == kTableUri)
            return false; // unprefixed tables
        if (attr.startsWith("xmlns:") && value == kTableUri) {
            if (!prefix.isEmpty())
                return false; // two prefixes for tables
            prefix = attr.sliced(6).toByteArray();
        }
    }
    if (prefix.isEmpty() || prefix.size() + 9 > kPad)
        return false;
    m_tableTag = prefix + ":table";
    m_header = QByteArray(b, i + 1);
    m_trailer = "</" + name + ">";
    m_rootEnded = empty;
    m_pos = m_token = i + 1;
    return declaresNothing(m_pos);
}

OdfTableScanner::Event OdfTableScanner::step()
{
    const char* b = m_buf.data();
    const char* end = b + m_len;
    m_token = m_pos;
    if (m_mode != Mode::Markup) {
        // Nothing inside a comment, CDATA section or processing instruction is markup.
        const bool comment = m_mode == Mode::Comment;
        const char* stop = comment ? "--" : m_mode == Mode::CData ? "]]>" : "?>";
        const qsizetype length = qsizetype(std::strlen(stop));
        const char* e = find(b + m_pos, end, stop, std::size_t(length));
        if (!e) {
            m_pos = m_token = qMax(m_pos, m_len - length + 1);
            return Event::More;
        }
        if (comment) {
            if (end - e < 3) {
                m_pos = m_token = e - b;
                return Event::More;
            }
            if (e[2] != '>')
                return markUnsure(); // "--" only ends a comment
            ++e;
        }
        m_pos = e - b + length;
        m_mode = Mode::Markup;
        return Event::None;
    }
    // Outside those, every "<" starts markup: no text or attribute value holds one. A table
    // being fed goes a tag at a time, so that the bytes not yet fed never fill what is held;
    // and once the root has ended, any markup but a comment or an instruction is news.
    const char* lt = m_rootEnded || m_fed >= 0 ? firstOf(b + m_pos, end, '<', '<', '<', '<')
                                               : nextToken(b + m_pos, end);
    if (lt == end)
        lt = nullptr;
    if (!lt) {
        if (m_rootEnded && !allBlank(b + m_pos, end))
            return markUnsure(); // text after the root
        m_pos = m_token = m_len;
        return Event::More;
    }
    const qsizetype at = lt - b;
    m_pos = m_token = at;
    const qsizetype tag = m_tableTag.size();
    // At the end of the part the zeros after it match nothing.
    if (m_len - at < qMax<qsizetype>(9, tag + 3) && !m_eof)
        return Event::More;
    switch (lt[1]) {
    case '!':
        if (std::memcmp(lt, "<!--", 4) == 0) {
            m_mode = Mode::Comment;
            m_pos = at + 4;
            return Event::None;
        }
        if (std::memcmp(lt, "<![CDATA[", 9) != 0)
            return markUnsure(); // a declaration where none may stand
        m_mode = Mode::CData;
        m_pos = at + 9;
        return Event::None;
    case '?':
        if ((lt[2] | 0x20) == 'x' && (lt[3] | 0x20) == 'm' && (lt[4] | 0x20) == 'l' &&
            (blank(lt[5]) || lt[5] == '?'))
            return markUnsure(); // a declaration where none may stand
        m_mode = Mode::Pi;
        m_pos = at + 2;
        return Event::None;
    case '/':
        return endTag();
    default:
        if (m_rootEnded)
            return markUnsure(); // a second root
        // The byte after the name first: it rules out the rows and cells at once.
        if (endsName(lt[1 + tag]) &&
            std::memcmp(lt + 1, m_tableTag.constData(), std::size_t(tag)) == 0)
            return tableTag();
        m_pos = at + 1;
        return Event::None;
    }
}

const char* OdfTableScanner::nextToken(const char* from, const char* end) const
{
    // The tag of a row, a cell or a paragraph changes nothing here, and a sheet has millions:
    // only a "<" whose name could end where a table's or the root's does is looked at. Near
    // the end of the bytes held every "<" is, and step() asks for more where it must.
    const qsizetype tag = m_tableTag.size();
    const qsizetype root = m_trailer.size() - 3;
    const qsizetype reach = 2 + qMax(tag, root);
    const auto matters = [&](const char* p) {
        if (end - p <= reach)
            return true;
        switch (p[1]) {
        case '!':
        case '?':
            return true;
        case '/':
            return endsName(p[2 + tag]) || endsName(p[2 + root]);
        default:
            return endsName(p[1 + tag]);
        }
    };
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<');
    for (; end - from >= 16; from += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        for (unsigned mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, lt))); mask;
             mask &= mask - 1)
            if (matters(from + __builtin_ctz(mask)))
                return from + __builtin_ctz(mask);
    }
#endif
    for (; from < end; ++from)
        if (*from == '<' && matters(from))
            return from;
    return end;
}

OdfTableScanner::Event OdfTableScanner::endTag()
{
    const char* b = m_buf.data();
    const char* name = b + m_pos + 2;
    const qsizetype tag = m_tableTag.size();
    const bool table = (name[tag] == '>' || blank(name[tag])) &&
                       std::memcmp(name, m_tableTag.constData(), std::size_t(tag)) == 0;
    // The root's end tag: only blanks, comments and instructions may follow it. One cut by
    // the end of the bytes held is waited for, not passed over.
    const qsizetype root = m_trailer.size() - 3;
    if (!table && m_len - m_pos < root + 3 && !m_eof)
        return Event::More;
    const bool rootEnd = !table && m_len - m_pos >= root + 3 &&
                         (name[root] == '>' || blank(name[root])) &&
                         std::memcmp(name, m_trailer.constData() + 2, std::size_t(root)) == 0;
    if (!table && !rootEnd) {
        m_pos += 2;
        return Event::None;
    }
    const qsizetype length = table ? tag : root;
    const char* gt = find(name + length, b + m_len, '>');
    if (!gt)
        return Event::More;
    if (!allBlank(name + length, gt))
        return markUnsure();
    m_pos = gt - b + 1;
    if (rootEnd) {
        if (m_tables != 0)
            return markUnsure();
        m_rootEnded = true;
        return Event::None;
    }
    if (m_tables == 0)
        return markUnsure(); // no table is open
    return --m_tables == 0 ? Event::Close : Event::None;
}

OdfTableScanner::Event OdfTableScanner::tableTag()
{
    const char* b = m_buf.data();
    const char* end = b + m_len;
    const char* p = b + m_pos + 1 + m_tableTag.size();
    // To the tag's end: a ">" in a quoted value does not end it, and no value holds a "<".
    for (;;) {
        p = firstOf(p, end, '>', '"', '\'', '<');
        if (p == end)
            return Event::More;
        if (*p == '>')
            break;
        if (*p == '<')
            return markUnsure();
        const char* close = firstOf(p + 1, end, *p, *p, '<', '<');
        if (close == end)
            return Event::More;
        if (*close == '<')
            return markUnsure();
        p = close + 1;
    }
    const bool empty = p[-1] == '/';
    m_pos = p - b + 1;
    const bool first = m_tables == 0;
    m_nested = m_nested || !first;
    if (!empty)
        ++m_tables;
    return first ? Event::Open : Event::None;
}

OdfTableScanner::Event OdfTableScanner::next()
{
    for (;;) {
        const Event e = step();
        if (e != Event::More)
            return e;
        if (m_eof) {
            // The end of the part: whole only where the root has ended.
            if (m_mode == Mode::Markup && m_pos == m_len && m_rootEnded) {
                m_finished = true;
                return Event::End;
            }
            return markUnsure();
        }
        if (!fill() && m_unsure)
            return Event::Unsure;
    }
}

bool OdfTableScanner::nextTable()
{
    m_fed = -1;
    m_tableEnd = -1;
    m_nested = false;
    for (;;) {
        const Event e = next();
        if (e == Event::Open) {
            m_fed = m_token;
            m_headerSent = m_trailerSent = 0;
            if (m_tables == 0)
                m_tableEnd = m_pos; // <table/>
            return true;
        }
        if (e == Event::End || e == Event::Unsure)
            return false;
    }
}

QByteArray OdfTableScanner::tableStartDocument() const
{
    if (m_fed < 0 || m_pos <= m_fed)
        return {};
    QByteArray tag(m_buf.data() + m_fed, m_pos - m_fed);
    if (!tag.endsWith("/>")) {
        tag.chop(1);
        tag += "/>";
    }
    return m_header + tag + m_trailer;
}

bool OdfTableScanner::skipTable()
{
    const bool ended = m_tableEnd >= 0;
    m_fed = -1;
    m_tableEnd = -1;
    if (ended)
        return true;
    for (;;) {
        const Event e = next();
        if (e == Event::Close)
            return true;
        if (e == Event::End || e == Event::Unsure)
            return false;
    }
}

qint64 OdfTableScanner::feed(char* buffer, qint64 size)
{
    if (m_unsure || m_fed < 0)
        return -1;
    qint64 n = 0;
    const auto give = [&](const char* from, qint64 count) {
        count = qMin(count, size - n);
        std::memcpy(buffer + n, from, std::size_t(count));
        n += count;
        return qsizetype(count);
    };
    if (m_headerSent < m_header.size())
        m_headerSent += give(m_header.constData() + m_headerSent, m_header.size() - m_headerSent);
    while (n < size) {
        const qsizetype limit = m_tableEnd >= 0 ? m_tableEnd : m_pos;
        if (m_fed < limit) {
            m_fed += give(m_buf.data() + m_fed, limit - m_fed);
            continue;
        }
        if (m_tableEnd >= 0) {
            if (m_trailerSent < m_trailer.size())
                m_trailerSent +=
                    give(m_trailer.constData() + m_trailerSent, m_trailer.size() - m_trailerSent);
            break;
        }
        const Event e = next();
        if (e == Event::Close)
            m_tableEnd = m_pos;
        else if (e == Event::End || e == Event::Unsure)
            return -1;
    }
    return n;
}

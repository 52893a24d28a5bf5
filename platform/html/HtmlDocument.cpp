#include "platform/html/HtmlDocument.h"

#include "platform/codepage/CodePage.h"
#include "platform/xml/AttributeLimit.h"

#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <memory>
#include <stdexcept>

namespace html {

namespace {

bool isValidUtf8(const QByteArray& bytes)
{
    // Bad sequences decode to U+FFFD and so do not survive the way back.
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

bool nameIs(const xmlNode* n, const char* name)
{
    return n && n->type == XML_ELEMENT_NODE && n->name &&
           xmlStrcasecmp(n->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

bool isOneOf(const xmlNode* n, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (nameIs(n, name))
            return true;
    return false;
}

bool isBlock(const xmlNode* n)
{
    return isOneOf(n, {"p",          "div",    "li",      "ul",    "ol",      "dl",       "dt",
                       "dd",         "h1",     "h2",      "h3",    "h4",      "h5",       "h6",
                       "blockquote", "pre",    "table",   "tr",    "caption", "section",  "article",
                       "header",     "footer", "address", "hr",    "form",    "fieldset", "nav",
                       "center",     "thead",  "tbody",   "tfoot", "aside",   "figure",   "main"});
}

bool isHidden(const xmlNode* n)
{
    return isOneOf(n, {"script", "style", "head", "title", "noscript", "template"});
}

bool isCollapsible(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Builds the on-screen text of an element: runs of white space become one space, line breaks
// come from <br> and block boundaries, spaces next to a line break disappear.
class TextBuilder
{
public:
    void text(const QString& s, bool preformatted)
    {
        for (QChar c : s) {
            if (preformatted) {
                if (c == u'\r')
                    continue;
                flush();
                out += c;
            } else if (isCollapsible(c)) {
                if (!out.isEmpty() && sep < Space)
                    sep = Space;
            } else {
                flush();
                out += c;
            }
        }
    }
    void lineBreak()
    {
        if (sep == Break)
            out += u'\n';
        sep = None;
        out += u'\n';
    }
    void blockEdge()
    {
        if (!out.isEmpty())
            sep = Break;
    }
    void cellEdge()
    {
        if (!out.isEmpty() && sep < Tab)
            sep = Tab;
    }
    QString result()
    {
        // No-break spaces are kept inside the text but trimmed at both ends with the rest.
        qsizetype b = 0, e = out.size();
        while (b < e && (out.at(b).isSpace() || out.at(b) == QChar(0xA0)))
            ++b;
        while (e > b && (out.at(e - 1).isSpace() || out.at(e - 1) == QChar(0xA0)))
            --e;
        return out.mid(b, e - b);
    }

private:
    enum Sep { None, Space, Tab, Break };
    void flush()
    {
        if (!out.isEmpty() && !out.endsWith(u'\n')) {
            if (sep == Break)
                out += u'\n';
            else if (sep == Tab)
                out += u'\t';
            else if (sep == Space)
                out += u' ';
        }
        sep = None;
    }
    QString out;
    Sep sep = None;
};

void collectText(const xmlNode* n, TextBuilder& tb, bool pre, int depth)
{
    if (depth > 200) // libxml2 bounds nesting too; this keeps our recursion bounded anyway
        return;
    for (const xmlNode* c = n->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
            tb.text(QString::fromUtf8(reinterpret_cast<const char*>(c->content)), pre);
        } else if (c->type == XML_ELEMENT_NODE) {
            if (isHidden(c))
                continue;
            if (nameIs(c, "br")) {
                tb.lineBreak();
                continue;
            }
            const bool block = isBlock(c);
            const bool cell = isOneOf(c, {"td", "th"});
            if (block)
                tb.blockEdge();
            if (cell)
                tb.cellEdge();
            collectText(c, tb, pre || nameIs(c, "pre"), depth + 1);
            if (block)
                tb.blockEdge();
        }
    }
}

QString cellText(const xmlNode* cell)
{
    TextBuilder tb;
    collectText(cell, tb, false, 0);
    return tb.result();
}

QStringList rowCells(const xmlNode* tr)
{
    QStringList cells;
    for (const xmlNode* c = tr->children; c; c = c->next)
        if (isOneOf(c, {"td", "th"}))
            cells.append(cellText(c));
    return cells;
}

Table tableOf(const xmlNode* table)
{
    std::vector<QStringList> head, body, foot;
    for (const xmlNode* c = table->children; c; c = c->next) {
        if (nameIs(c, "tr")) {
            body.push_back(rowCells(c));
        } else if (isOneOf(c, {"thead", "tbody", "tfoot"})) {
            auto& target = nameIs(c, "thead") ? head : nameIs(c, "tfoot") ? foot : body;
            for (const xmlNode* r = c->children; r; r = r->next)
                if (nameIs(r, "tr"))
                    target.push_back(rowCells(r));
        }
    }
    Table t;
    t.rows = std::move(head);
    t.rows.insert(t.rows.end(), body.begin(), body.end());
    t.rows.insert(t.rows.end(), foot.begin(), foot.end());
    return t;
}

void collectTables(const xmlNode* n, std::vector<Table>& out)
{
    // Iterative pre-order walk: deep documents must not exhaust the stack.
    std::vector<const xmlNode*> stack;
    for (const xmlNode* c = n; c; c = c->next)
        stack.push_back(c);
    std::reverse(stack.begin(), stack.end());
    while (!stack.empty()) {
        const xmlNode* c = stack.back();
        stack.pop_back();
        if (c->type != XML_ELEMENT_NODE && c->type != XML_DOCUMENT_NODE &&
            c->type != XML_HTML_DOCUMENT_NODE)
            continue;
        if (nameIs(c, "table"))
            out.push_back(tableOf(c));
        const size_t mark = stack.size();
        for (const xmlNode* k = c->children; k; k = k->next)
            stack.push_back(k);
        std::reverse(stack.begin() + qsizetype(mark), stack.end());
    }
}

struct DocFree
{
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};

} // namespace

int codePageOfCharset(const QByteArray& label)
{
    const QByteArray l = label.trimmed().toLower();
    if (l == "utf-8" || l == "utf8" || l == "unicode-1-1-utf-8")
        return codepage::Utf8;
    if (l == "utf-16" || l == "utf-16le")
        return codepage::Utf16LE;
    if (l == "utf-16be")
        return codepage::Utf16BE;
    static const QRegularExpression win(QStringLiteral("^(?:windows|cp|x-cp)-?(\\d{3,4})$"));
    static const QRegularExpression iso(QStringLiteral("^iso[-_]?8859[-_](\\d{1,2})$"));
    const QString s = QString::fromLatin1(l);
    if (auto m = win.match(s); m.hasMatch())
        return m.captured(1).toInt();
    if (auto m = iso.match(s); m.hasMatch())
        return 28590 + m.captured(1).toInt();
    if (l == "iso-8859-1" || l == "latin1" || l == "us-ascii" || l == "ascii")
        return 1252; // as browsers read them
    if (l == "koi8-r")
        return 20866;
    if (l == "koi8-u")
        return 21866;
    if (l == "ibm866")
        return 866;
    if (l == "big5")
        return 950;
    if (l == "gbk" || l == "gb2312")
        return 936;
    if (l == "shift_jis" || l == "sjis")
        return 932;
    if (l == "euc-kr")
        return 949;
    return 0;
}

QString decodePage(const QByteArray& bytes, int* codePage)
{
    int cp = 0;
    qsizetype skip = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        cp = codepage::Utf8;
        skip = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        cp = codepage::Utf16LE;
        skip = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        cp = codepage::Utf16BE;
        skip = 2;
    }
    if (cp == 0) {
        // A meta charset, in <meta charset=...> or http-equiv content, in any letter case.
        static const QRegularExpression meta(
            QStringLiteral("<meta[^>]*?charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_:.\\-]+)"),
            QRegularExpression::CaseInsensitiveOption);
        const QString head = QString::fromLatin1(bytes.left(65536));
        if (auto m = meta.match(head); m.hasMatch()) {
            cp = codePageOfCharset(m.captured(1).toLatin1());
            // A page saying UTF-16 in its bytes is ASCII-compatible, so it cannot be.
            if (cp == codepage::Utf16LE || cp == codepage::Utf16BE)
                cp = 0;
            if (cp && !codepage::isSupported(cp))
                cp = 0;
        }
    }
    if (cp == 0)
        cp = isValidUtf8(bytes) ? codepage::Utf8 : codepage::SystemAnsi;
    if (codePage)
        *codePage = cp;
    return codepage::decode(cp, QByteArrayView(bytes).sliced(skip));
}

std::vector<Table> parseTables(const QString& page)
{
    // The parser takes a NUL for the end of the page in some places and not in others; a
    // browser drops it.
    QString text = page;
    text.remove(QChar(0));
    const QByteArray utf8 = text.toUtf8();
    if (xml::AttributeLimit limit("UTF-8", xml::kMaxAttributes, xml::kMaxNames, xml::Markup::Html);
        !limit.scan(utf8))
        throw std::runtime_error(limit.message().toStdString());
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                        HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC | HTML_PARSE_NOIMPLIED;
    std::unique_ptr<xmlDoc, DocFree> doc(htmlReadMemory(
        utf8.constData(), int(qMin<qsizetype>(utf8.size(), INT_MAX)), nullptr, "UTF-8", options));
    std::vector<Table> tables;
    if (doc)
        collectTables(reinterpret_cast<const xmlNode*>(doc.get()), tables);
    return tables;
}

} // namespace html

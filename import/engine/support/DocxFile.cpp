#include "import/engine/support/DocxFile.h"

#include "platform/xml/Xml.h"

namespace {

constexpr const char* kW[] = {"http://schemas.openxmlformats.org/wordprocessingml/2006/main",
                              "http://purl.oclc.org/ooxml/wordprocessingml/main"};
constexpr const char* kMc = "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr const char* kPackageRel = "http://schemas.openxmlformats.org/package/2006/relationships";

bool isW(const xml::Node& n, const char* local)
{
    return n.is(kW[0], local) || n.is(kW[1], local);
}

// Parts of a paragraph that are not its text: nested tables, text boxes, and the fallback copy
// of alternate content.
bool isSkipped(const xml::Node& n)
{
    return isW(n, "tbl") || isW(n, "txbxContent") || n.is(kMc, "Fallback");
}

void runText(const xml::Node& node, QString& out, int depth)
{
    if (depth > 256)
        return;
    for (xml::Node c = node.firstChildElement(); c; c = c.nextSiblingElement()) {
        if (isSkipped(c))
            continue;
        if (isW(c, "t"))
            out += c.text();
        else if (isW(c, "tab"))
            out += u'\t';
        else if (isW(c, "br") || isW(c, "cr"))
            out += u'\n';
        else
            runText(c, out, depth + 1);
    }
}

// The cell's paragraphs joined by carriage returns; empty paragraphs add no line.
void cellParagraphs(const xml::Node& node, QString& out, int depth)
{
    if (depth > 256)
        return;
    for (xml::Node c = node.firstChildElement(); c; c = c.nextSiblingElement()) {
        if (isSkipped(c))
            continue;
        if (isW(c, "p")) {
            QString text;
            runText(c, text, depth + 1);
            if (text.isEmpty())
                continue;
            if (!out.isEmpty())
                out += u'\r';
            out += text;
        } else {
            cellParagraphs(c, out, depth + 1); // content controls and the like
        }
    }
}

xml::Node wChild(const xml::Node& n, const char* local)
{
    const xml::Node c = n.childElement(kW[0], local);
    return c ? c : n.childElement(kW[1], local);
}

QString wVal(const xml::Node& n)
{
    const QString v = n.attributeNs(kW[0], "val");
    return v.isEmpty() ? n.attributeNs(kW[1], "val") : v;
}

int gridSpan(const xml::Node& tc)
{
    const xml::Node span = wChild(wChild(tc, "tcPr"), "gridSpan");
    bool ok = false;
    const int n = span ? wVal(span).toInt(&ok) : 1;
    return ok && n >= 2 ? qMin(n, 64) : 1; // a table has at most 63 grid columns
}

bool continuesVerticalMerge(const xml::Node& tc)
{
    const xml::Node merge = wChild(wChild(tc, "tcPr"), "vMerge");
    return merge && (wVal(merge).isEmpty() || wVal(merge) == QLatin1String("continue"));
}

TDocxTable readTable(const xml::Node& tbl, bool fill)
{
    TDocxTable table;
    for (xml::Node tr = tbl.firstChildElement(); tr; tr = tr.nextSiblingElement()) {
        if (!isW(tr, "tr"))
            continue;
        QStringList cols;
        for (xml::Node tc = tr.firstChildElement(); tc; tc = tc.nextSiblingElement()) {
            if (!isW(tc, "tc"))
                continue;
            QString text;
            cellParagraphs(tc, text, 0);
            const qsizetype k = cols.size();
            if (fill && continuesVerticalMerge(tc)) {
                // In the first row, or under a shorter row, there is nothing to continue.
                const QStringList* above = table.Rows.empty() ? nullptr : &table.Rows.back();
                text = above && k < above->size() ? above->at(k) : QString();
            }
            cols.append(text);
            const int span = gridSpan(tc);
            for (int i = 1; i < span; ++i)
                cols.append(fill ? text : QString());
        }
        table.Rows.push_back(std::move(cols));
    }
    return table;
}

void collectTables(const xml::Node& root, bool fill, std::vector<TDocxTable>& out)
{
    // Pre-order, iterative: nested tables follow their outer table.
    std::vector<xml::Node> stack{root};
    while (!stack.empty()) {
        const xml::Node n = stack.back();
        stack.pop_back();
        if (n.is(kMc, "Fallback") || isW(n, "txbxContent"))
            continue;
        if (isW(n, "tbl"))
            out.push_back(readTable(n, fill));
        std::vector<xml::Node> kids;
        for (xml::Node c = n.firstChildElement(); c; c = c.nextSiblingElement())
            kids.push_back(c);
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
}

QString documentPart(TMiniZip& zip)
{
    if (zip.Contains(QStringLiteral("_rels/.rels"))) {
        auto rels = xml::Document::parse(zip.ReadEntry(QStringLiteral("_rels/.rels")));
        for (xml::Node r = rels->root().firstChildElement(); r; r = r.nextSiblingElement())
            if (r.is(kPackageRel, "Relationship") &&
                r.attribute(QStringLiteral("Type")).endsWith(QLatin1String("/officeDocument"))) {
                QString target = r.attribute(QStringLiteral("Target"));
                while (target.startsWith(u'/'))
                    target.remove(0, 1);
                if (zip.Contains(target))
                    return target;
            }
    }
    return QStringLiteral("word/document.xml");
}

} // namespace

void TDocxFile::Parse(TMiniZip& Zip)
{
    Tables.clear();
    const QString part = documentPart(Zip);
    if (!Zip.Contains(part))
        return;
    xml::ParseSettings settings;
    settings.name = part;
    auto doc = xml::Document::parse(Zip.ReadEntry(part), settings);
    collectTables(doc->root(), NeedFillMerge, Tables);
}

#include "import/engine/support/DocxFile.h"

#include "platform/xml/Xml.h"

namespace {

constexpr const char* kW[] = {"http://schemas.openxmlformats.org/wordprocessingml/2006/main",
                              "http://purl.oclc.org/ooxml/wordprocessingml/main"};
constexpr const char* kMc = "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr const char* kPackageRel = "http://schemas.openxmlformats.org/package/2006/relationships";

// The document is streamed: tables are listed as their start tags come (nested ones after
// their outer table), rows and cells are their table's and row's own children.
class Walker
{
public:
    Walker(xml::Reader& r, bool fill, std::vector<TDocxTable>& tables, const QString& part)
        : m_r(r), m_fill(fill), m_tables(tables), m_part(part)
    {}

    // Which tables keep their rows, and how many.
    void setPreview(int onlyTable, int rows, int maxTables)
    {
        m_only = onlyTable;
        m_rows = rows;
        m_max = maxTables;
    }

    void document()
    {
        bool more = m_r.read();
        while (more) {
            if (m_r.isElement() && isSkipped()) {
                more = m_r.skipSubtree();
                continue;
            }
            if (m_r.isElement() && isW("tbl"))
                table();
            more = m_r.read();
        }
    }

private:
    bool isW(const char* local) const { return m_r.is(kW[0], local) || m_r.is(kW[1], local); }
    // Text boxes and the fallback copy of alternate content are not the cell's text.
    bool isSkipped() const { return isW("txbxContent") || m_r.is(kMc, "Fallback"); }

    QString wVal() const
    {
        const QByteArrayView v = m_r.attributeNsUtf8(kW[0], "val");
        return QString::fromUtf8(v.isNull() ? m_r.attributeNsUtf8(kW[1], "val") : v);
    }

    void count(qint64 cells)
    {
        m_cells += cells;
        if (m_cells > TDocxFile::MaxCells)
            throw EZipError(QStringLiteral("%1: its tables hold more than %2 cells")
                                .arg(m_part)
                                .arg(TDocxFile::MaxCells));
    }

    // Reads the element the reader stands on to its end, calling Child for every element
    // inside it (Child reads that element to its end or leaves it to be walked into).
    template <typename F> void walk(F&& child)
    {
        if (m_r.isEmptyElement())
            return;
        const int depth = m_r.depth();
        bool more = m_r.read();
        while (more) {
            if (m_r.isEndElement() && m_r.depth() == depth)
                return;
            if (m_r.isElement() && isSkipped()) {
                more = m_r.skipSubtree();
                continue;
            }
            if (m_r.isElement()) {
                if (isW("tbl"))
                    table();
                else
                    child(m_r.depth() - depth);
            }
            more = m_r.read();
        }
    }

    void table()
    {
        const std::size_t index = m_tables.size();
        if (m_max > 0 && index >= std::size_t(m_max)) {
            overLimit = true;
            throw EZipError(QStringLiteral("%1 holds more than %2 tables").arg(m_part).arg(m_max));
        }
        m_tables.emplace_back();
        const bool kept = m_only == 0 || index + 1 == std::size_t(m_only);
        walk([&](int level) {
            // Rows not kept are still walked, for the tables nested in them.
            if (level == 1 && isW("tr") && kept &&
                (m_rows == 0 || m_tables[index].RowCount() < m_rows))
                row(index);
        });
    }

    void row(std::size_t table)
    {
        count(2); // a row's own list costs about two cells
        QStringList cols;
        walk([&](int level) {
            if (level == 1 && isW("tc"))
                cell(table, cols);
        });
        m_tables[table].Rows.push_back(std::move(cols));
    }

    void cell(std::size_t table, QStringList& cols)
    {
        QString text;
        int span = 1;
        bool spanSeen = false, mergeSeen = false, continues = false;
        walk([&](int level) {
            if (level == 1 && isW("tcPr")) {
                walk([&](int inner) {
                    if (inner != 1)
                        return;
                    if (!spanSeen && isW("gridSpan")) {
                        spanSeen = true;
                        bool ok = false;
                        const int n = wVal().toInt(&ok);
                        span = ok && n >= 2 ? qMin(n, 64) : 1; // at most 63 grid columns
                    } else if (!mergeSeen && isW("vMerge")) {
                        mergeSeen = true;
                        const QString v = wVal();
                        continues = v.isEmpty() || v == QLatin1String("continue");
                    }
                });
            } else if (isW("p")) {
                // Empty paragraphs add no line.
                const QString p = paragraph();
                if (!p.isEmpty()) {
                    if (!text.isEmpty())
                        text += u'\r';
                    text += p;
                }
            }
        });
        count(span);
        const qsizetype k = cols.size();
        if (m_fill && continues) {
            // In the first row, or under a shorter row, there is nothing to continue.
            const std::vector<QStringList>& rows = m_tables[table].Rows;
            text = !rows.empty() && k < rows.back().size() ? rows.back().at(k) : QString();
        }
        cols.append(text);
        for (int i = 1; i < span; ++i)
            cols.append(m_fill ? text : QString());
    }

    // The reader stands on a paragraph; its runs' texts, tabs and breaks.
    QString paragraph()
    {
        QString out;
        walk([&](int) {
            if (isW("t"))
                out += m_r.readElementText();
            else if (isW("tab"))
                out += u'\t';
            else if (isW("br") || isW("cr"))
                out += u'\n';
        });
        return out;
    }

    xml::Reader& m_r;
    bool m_fill;
    std::vector<TDocxTable>& m_tables;
    QString m_part;
    qint64 m_cells = 0;
    int m_only = 0;
    int m_rows = 0;
    int m_max = 0;

public:
    bool overLimit = false;
};

QString documentPart(TMiniZip& zip)
{
    const QString rels = QStringLiteral("_rels/.rels");
    if (zip.Contains(rels)) {
        xml::ParseSettings settings;
        settings.name = rels;
        auto doc = xml::Document::parse(zip.ReadSmallEntry(rels), settings);
        for (xml::Node r = doc->root().firstChildElement(); r; r = r.nextSiblingElement())
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
    FOverLimit = false;
    const QString part = documentPart(Zip);
    if (!Zip.Contains(part))
        return;
    auto stream = Zip.OpenEntry(part);
    xml::ParseSettings settings;
    settings.name = part;
    auto reader = xml::Reader::fromFunction(
        [&stream](char* buf, qint64 size) { return stream->read(buf, size); }, settings);
    Walker walker(*reader, NeedFillMerge, Tables, part);
    walker.setPreview(FOnlyTable, FPreviewRows, FMaxTables);
    try {
        walker.document();
    } catch (...) {
        FOverLimit = walker.overLimit;
        Tables.clear();
        throw;
    }
}

#include "import/engine/support/XlsxFile.h"

#include "import/engine/support/DurvelUtils.h"
#include "platform/xml/Xml.h"

#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Transitional and strict namespaces of the same elements.
constexpr const char* kMain[] = {"http://schemas.openxmlformats.org/spreadsheetml/2006/main",
                                 "http://purl.oclc.org/ooxml/spreadsheetml/main"};
constexpr const char* kRel[] = {
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "http://purl.oclc.org/ooxml/officeDocument/relationships"};
constexpr const char* kPackageRel = "http://schemas.openxmlformats.org/package/2006/relationships";

constexpr int kMaxRows = 1048576;
constexpr int kMaxCols = 16384;
// Empty cell elements remembered for filling merged ranges (8 bytes each).
constexpr std::size_t kMaxEmptyCells = 8u << 20;

bool isMain(const xml::Reader& r, const char* local)
{
    return r.is(kMain[0], local) || r.is(kMain[1], local);
}

bool isMain(const xml::Node& n, const char* local)
{
    return n.is(kMain[0], local) || n.is(kMain[1], local);
}

QString relId(const xml::Node& n)
{
    QString id = n.attributeNs(kRel[0], "id");
    return id.isEmpty() ? n.attributeNs(kRel[1], "id") : id;
}

[[noreturn]] void damaged(const QString& file, const QString& detail)
{
    throw EZipError(
        QStringLiteral("The workbook %1 is damaged: %2.").arg(QFileInfo(file).fileName(), detail));
}

std::unique_ptr<xml::Document> loadPart(TMiniZip& zip, const QString& part)
{
    if (part.isEmpty() || !zip.Contains(part))
        return {};
    xml::ParseSettings settings;
    settings.name = part;
    return xml::Document::parse(zip.ReadEntry(part), settings);
}

// Where a relationship points, by the package rules: absolute from the package root, else
// relative to the folder of the part that owns the relationships.
QString resolveTarget(const QString& sourcePart, QString target)
{
    target.replace(u'\\', u'/');
    QStringList parts;
    if (!target.startsWith(u'/')) {
        const qsizetype slash = sourcePart.lastIndexOf(u'/');
        if (slash > 0)
            parts = sourcePart.left(slash).split(u'/');
    }
    for (const QString& p : target.split(u'/', Qt::SkipEmptyParts)) {
        if (p == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (p != QLatin1String(".")) {
            parts.append(p);
        }
    }
    return parts.join(u'/');
}

QString relsPartOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

struct Relationship
{
    QString type;
    QString target; // resolved
};

QHash<QString, Relationship> relationshipsOf(TMiniZip& zip, const QString& part)
{
    QHash<QString, Relationship> out;
    auto doc = loadPart(zip, relsPartOf(part));
    if (!doc)
        return out;
    for (xml::Node n = doc->root().firstChildElement(); n; n = n.nextSiblingElement()) {
        if (!n.is(kPackageRel, "Relationship"))
            continue;
        const QString id = n.attribute(QStringLiteral("Id"));
        if (id.isEmpty() || out.contains(id))
            continue;
        if (n.attribute(QStringLiteral("TargetMode")) == QLatin1String("External"))
            continue;
        out.insert(id, {n.attribute(QStringLiteral("Type")),
                        resolveTarget(part, n.attribute(QStringLiteral("Target")))});
    }
    return out;
}

QString targetOfType(const QHash<QString, Relationship>& rels, const char* typeSuffix)
{
    for (const Relationship& r : rels)
        if (r.type.endsWith(QLatin1String(typeSuffix)))
            return r.target;
    return {};
}

// The text of the element the reader stands on, as UTF-8, read to its end tag.
void readElementUtf8(xml::Reader& r, QByteArray& out)
{
    out.resize(0); // keeps the buffer
    if (!r.isElement() || r.isEmptyElement())
        return;
    const int depth = r.depth();
    while (r.read()) {
        switch (r.nodeType()) {
        case xml::Reader::NodeType::Text:
        case xml::Reader::NodeType::CData:
        case xml::Reader::NodeType::Whitespace:
            out += r.valueUtf8();
            break;
        case xml::Reader::NodeType::EndElement:
            if (r.depth() == depth)
                return;
            break;
        default:
            break;
        }
    }
}

// The texts of the string items, streamed: each item's runs' texts, phonetic guides left out.
QStringList loadSharedStrings(TMiniZip& zip, const QString& part)
{
    QStringList out;
    if (part.isEmpty() || !zip.Contains(part))
        return out;
    auto stream = zip.OpenEntry(part);
    xml::ParseSettings settings;
    settings.name = part;
    auto r = xml::Reader::fromFunction(
        [&stream](char* buf, qint64 size) { return stream->Read(buf, size); }, settings);
    QByteArray item, t;
    bool more = r->read();
    while (more) {
        if (!r->isElement() || r->depth() != 1 || !isMain(*r, "si")) {
            more = r->read();
            continue;
        }
        item.resize(0);
        if (!r->isEmptyElement()) {
            const int depth = r->depth();
            more = r->read();
            while (more && !(r->isEndElement() && r->depth() == depth)) {
                if (r->isElement() && r->depth() == depth + 1 && isMain(*r, "t")) {
                    readElementUtf8(*r, t);
                    item += t;
                } else if (r->isElement() && r->depth() == depth + 2 && isMain(*r, "t")) {
                    // a run's text (a phonetic guide's runs are skipped whole below)
                    readElementUtf8(*r, t);
                    item += t;
                } else if (r->isElement() && r->depth() == depth + 1 && !isMain(*r, "r")) {
                    more = r->skipSubtree();
                    continue;
                } else if (r->isElement() && r->depth() == depth + 2) {
                    more = r->skipSubtree();
                    continue;
                }
                more = r->read();
            }
        }
        out.append(QString::fromUtf8(item));
        more = r->read();
    }
    return out;
}

// "B12" into column 2, row 12; false when it is no cell reference within the sheet's bounds.
bool parseCellRef(QByteArrayView ref, int& col, int& row)
{
    qsizetype i = 0;
    col = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && i < 3)
        col = col * 26 + (ref[i++] - 'A' + 1);
    if (i == 0 || i == ref.size())
        return false;
    row = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9' || row > kMaxRows)
            return false;
        row = row * 10 + (ref[i] - '0');
    }
    return col <= kMaxCols && row >= 1 && row <= kMaxRows;
}

bool parseRange(QByteArrayView ref, TXlsxMerge& m)
{
    const qsizetype colon = ref.indexOf(':');
    if (colon < 0)
        return false;
    if (!parseCellRef(ref.first(colon), m.Col1, m.Row1) ||
        !parseCellRef(ref.sliced(colon + 1), m.Col2, m.Row2))
        return false;
    if (m.Col1 > m.Col2)
        std::swap(m.Col1, m.Col2);
    if (m.Row1 > m.Row2)
        std::swap(m.Row1, m.Row2);
    return true;
}

double toDouble(QByteArrayView text, bool* ok)
{
    // Sheet XML always writes "." whatever the locale.
    return QString::fromUtf8(text).trimmed().toDouble(ok);
}

// A whole number as written, blanks around allowed; false for anything else.
bool toInt(QByteArrayView text, int& value)
{
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    if (text.isEmpty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

enum class CellType { Number, Shared, Str, Error, Inline, Bool, Date, Other };

CellType cellType(QByteArrayView t)
{
    if (t.isEmpty() || t == "n")
        return CellType::Number;
    if (t == "s")
        return CellType::Shared;
    if (t == "str")
        return CellType::Str;
    if (t == "e")
        return CellType::Error;
    if (t == "inlineStr")
        return CellType::Inline;
    if (t == "b")
        return CellType::Bool;
    if (t == "d")
        return CellType::Date;
    return CellType::Other;
}

struct Styles
{
    std::vector<int> xfNumFmt;
    QHash<int, QString> numFmts;

    enum Kind { Plain, Date, Percent };
    std::vector<Kind> xfKind;
};

Styles loadStyles(TMiniZip& zip, const QString& part)
{
    Styles s;
    auto doc = loadPart(zip, part);
    if (!doc)
        return s;
    for (xml::Node n = doc->root().firstChildElement(); n; n = n.nextSiblingElement()) {
        if (isMain(n, "numFmts")) {
            for (xml::Node f = n.firstChildElement(); f; f = f.nextSiblingElement())
                if (isMain(f, "numFmt"))
                    s.numFmts.insert(f.attribute(QStringLiteral("numFmtId")).toInt(),
                                     f.attribute(QStringLiteral("formatCode")));
        } else if (isMain(n, "cellXfs")) {
            for (xml::Node f = n.firstChildElement(); f; f = f.nextSiblingElement())
                if (isMain(f, "xf"))
                    s.xfNumFmt.push_back(f.attribute(QStringLiteral("numFmtId")).toInt());
        }
    }
    for (int id : s.xfNumFmt) {
        const auto custom = s.numFmts.constFind(id);
        if (custom != s.numFmts.constEnd())
            s.xfKind.push_back(IsDateFormatText(*custom) ? Styles::Date : Styles::Plain);
        else if (IsBuiltinDateFormat(id))
            s.xfKind.push_back(Styles::Date);
        else
            s.xfKind.push_back(id == 10 ? Styles::Percent : Styles::Plain);
    }
    return s;
}

// 0.1234 as "12.34%": the number times 100, two decimals.
QString percentText(double value, QChar decimal)
{
    const double scaled = std::nearbyint(value * 10000.0) / 100.0;
    QString s = QString::number(scaled, 'f', 2);
    if (decimal != u'.')
        s.replace(u'.', decimal);
    return s + u'%';
}

class SheetLoader
{
public:
    SheetLoader(const TXlsxWorkbook& book, const Styles& styles, TXlsxWorkSheet& sheet,
                const QString& file)
        : m_book(book), m_styles(styles), m_sheet(sheet), m_file(file)
    {}

    void load(TMiniZip& zip)
    {
        m_sheet.Cells.SetColCount(0);
        m_sheet.Cells.SetRowCount(0);
        m_sheet.Cells.ClearCells();
        m_sheet.Merges.clear();
        if (m_sheet.PartName.isEmpty() || !zip.Contains(m_sheet.PartName)) {
            m_sheet.Loaded = true;
            return;
        }
        auto stream = zip.OpenEntry(m_sheet.PartName);
        xml::ParseSettings settings;
        settings.name = m_sheet.PartName;
        auto reader = xml::Reader::fromFunction(
            [&stream](char* buf, qint64 size) { return stream->Read(buf, size); }, settings);
        while (reader->read()) {
            if (!reader->isElement())
                continue;
            if (isMain(*reader, "row")) {
                row(*reader);
            } else if (isMain(*reader, "c")) {
                cell(*reader);
            } else if (isMain(*reader, "mergeCell")) {
                TXlsxMerge m;
                if (parseRange(reader->attributeUtf8("ref"), m))
                    m_sheet.Merges.push_back(m);
            }
        }
        // Cells stored beyond the extents (none hold values there) do not count.
        m_sheet.Cells.SetColCount(m_sheet.ColCount);
        m_sheet.Cells.SetRowCount(m_sheet.RowCount);
        if (m_book.NeedFillMerge)
            fillMerges();
        m_sheet.Loaded = true;
    }

private:
    void row(xml::Reader& r)
    {
        int n = 0;
        m_row = toInt(r.attributeUtf8("r"), n) && n >= 1 ? n : m_row + 1;
        if (m_row > kMaxRows)
            damaged(m_file, QStringLiteral("a row lies beyond row %1").arg(kMaxRows));
        m_col = 0;
    }

    void cell(xml::Reader& r)
    {
        int col = 0, row = 0;
        if (parseCellRef(r.attributeUtf8("r"), col, row)) {
            m_col = col;
            m_row = row;
        } else {
            // A cell without a reference follows the one before it.
            m_col += 1;
            if (m_row == 0)
                m_row = 1;
        }
        if (m_col > kMaxCols)
            damaged(m_file, QStringLiteral("a cell lies beyond column %1").arg(kMaxCols));
        // Taken before reading on: the attributes live as long as the element.
        const CellType type = cellType(r.attributeUtf8("t"));
        int style = -1;
        if (!toInt(r.attributeUtf8("s"), style))
            style = -1;
        m_v.resize(0);
        QString inlineText;
        bool hasValue = false;
        if (!r.isEmptyElement()) {
            const int depth = r.depth();
            while (r.read()) {
                if (r.isEndElement() && r.depth() == depth)
                    break;
                if (!r.isElement())
                    continue;
                if (isMain(r, "v")) {
                    readElementUtf8(r, m_v);
                    hasValue = true;
                } else if (isMain(r, "is")) {
                    inlineText += inlineString(r);
                    hasValue = true;
                }
            }
        }
        const QString text = hasValue ? value(type, style, m_v, inlineText) : QString();
        if (text.isEmpty()) {
            // A merged range's positions are filled where the sheet has cell elements.
            if (m_book.NeedFillMerge && m_emptyCells.size() < kMaxEmptyCells)
                m_emptyCells.push_back(qint64(m_row - 1) * kMaxCols + (m_col - 1));
            return;
        }
        m_sheet.Cells.SetCell(m_col - 1, m_row - 1, text);
        m_sheet.ColCount = qMax(m_sheet.ColCount, m_col);
        m_sheet.RowCount = qMax(m_sheet.RowCount, m_row);
    }

    QString inlineString(xml::Reader& r)
    {
        QString out;
        if (r.isEmptyElement())
            return out;
        const int depth = r.depth();
        while (r.read()) {
            if (r.isEndElement() && r.depth() == depth)
                break;
            if (r.isElement() && isMain(r, "rPh")) {
                r.skipSubtree();
                if (r.isEndElement() && r.depth() == depth)
                    break;
            }
            if (r.isElement() && isMain(r, "t"))
                out += r.readElementText();
        }
        return out;
    }

    QString value(CellType type, int style, QByteArrayView v, const QString& inlineText) const
    {
        const TSheetTextFormat& fmt = m_book.TextFormat;
        switch (type) {
        case CellType::Number: {
            if (v.isEmpty())
                return {};
            const Styles::Kind kind = style >= 0 && style < int(m_styles.xfKind.size())
                                          ? m_styles.xfKind[std::size_t(style)]
                                          : Styles::Plain;
            if (kind == Styles::Plain) {
                QString text;
                return fmt.XmlNumberText(v, text) ? text : QString::fromUtf8(v);
            }
            bool ok = false;
            const double d = toDouble(v, &ok);
            if (!ok)
                return QString::fromUtf8(v);
            return kind == Styles::Date ? fmt.SerialText(d, m_book.Date1904)
                                        : percentText(d, fmt.DecimalSeparator);
        }
        case CellType::Shared: {
            int n = -1;
            if (!toInt(v, n) || n < 0 || n >= m_book.SharedStrings.size())
                damaged(m_file, QStringLiteral("cell %1 refers to a shared string %2 that does "
                                               "not exist")
                                    .arg(cellName(), QString::fromUtf8(v)));
            return m_book.SharedStrings.at(n);
        }
        case CellType::Str:
        case CellType::Error:
        case CellType::Other:
            return QString::fromUtf8(v);
        case CellType::Inline:
            return inlineText.isEmpty() ? QString::fromUtf8(v) : inlineText;
        case CellType::Bool: {
            const QByteArrayView t = v.trimmed();
            if (t.isEmpty())
                return {};
            return (t == "1" ||
                    QString::fromUtf8(t).compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                       ? QStringLiteral("True")
                       : QStringLiteral("False");
        }
        case CellType::Date:
            return isoDateText(QString::fromUtf8(v));
        }
        return QString::fromUtf8(v);
    }

    QString isoDateText(const QString& v) const
    {
        QDateTime dt = QDateTime::fromString(v.trimmed(), Qt::ISODateWithMs);
        TSheetDateKind kind = TSheetDateKind::DateTime;
        if (!dt.isValid()) {
            const QTime t = QTime::fromString(v.trimmed(), Qt::ISODateWithMs);
            if (!t.isValid())
                return v;
            dt = QDateTime(QDate(1899, 12, 30), t, Qt::UTC);
            kind = TSheetDateKind::Time;
        } else if (dt.time() == QTime(0, 0)) {
            kind = TSheetDateKind::Date;
        }
        const TSheetTextFormat& fmt = m_book.TextFormat;
        if (fmt.DateText)
            return fmt.DateText(dt, kind);
        switch (kind) {
        case TSheetDateKind::Date:
            return dt.date().toString(QStringLiteral("yyyy/MM/dd"));
        case TSheetDateKind::Time:
            return dt.time().toString(QStringLiteral("HH:mm:ss"));
        default:
            return dt.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        }
    }

    QString cellName() const
    {
        QString letters;
        for (int c = m_col; c > 0; c = (c - 1) / 26)
            letters.prepend(QChar(u'A' + (c - 1) % 26));
        return letters + QString::number(m_row);
    }

    // Every cell element of a merged range but its top-left one takes the top-left text: the
    // stored cells of the range and the recorded empty elements (in sheet order, so sorted).
    void fillMerges()
    {
        TKobSparseCells& cells = m_sheet.Cells;
        for (const TXlsxMerge& m : m_sheet.Merges) {
            const QString text = cells.Cell(m.Col1 - 1, m.Row1 - 1);
            if (text.isEmpty())
                continue;
            const auto inRange = [&m](int r, int c) {
                return r >= m.Row1 && r <= m.Row2 && c >= m.Col1 && c <= m.Col2 &&
                       (r != m.Row1 || c != m.Col1);
            };
            std::vector<std::pair<int, int>> targets;
            for (int r = m.Row1; r <= qMin(m.Row2, m_sheet.RowCount); ++r)
                if (const TKobWideStringSparseList* row = cells.RowList(r - 1))
                    row->ForEach([&](int c, const QString&, void*) {
                        if (inRange(r, c + 1))
                            targets.emplace_back(r, c + 1);
                    });
            auto it = std::lower_bound(m_emptyCells.begin(), m_emptyCells.end(),
                                       qint64(m.Row1 - 1) * kMaxCols);
            for (; it != m_emptyCells.end() && *it / kMaxCols < m.Row2; ++it) {
                const int r = int(*it / kMaxCols) + 1, c = int(*it % kMaxCols) + 1;
                if (inRange(r, c))
                    targets.emplace_back(r, c);
            }
            for (const auto& [r, c] : targets) {
                cells.SetCell(c - 1, r - 1, text);
                m_sheet.ColCount = qMax(m_sheet.ColCount, c);
                m_sheet.RowCount = qMax(m_sheet.RowCount, r);
            }
        }
        cells.SetColCount(m_sheet.ColCount);
        cells.SetRowCount(m_sheet.RowCount);
    }

    const TXlsxWorkbook& m_book;
    const Styles& m_styles;
    TXlsxWorkSheet& m_sheet;
    QString m_file;
    std::vector<qint64> m_emptyCells;
    QByteArray m_v;
    int m_row = 0;
    int m_col = 0;
};

} // namespace

bool TXlsxWorkbook::SameSheetName(const QString& A, const QString& B)
{
    if (A.size() != B.size())
        return false;
    for (qsizetype i = 0; i < A.size(); ++i) {
        QChar a = A[i], b = B[i];
        if (a >= u'a' && a <= u'z')
            a = QChar(a.unicode() - 32);
        if (b >= u'a' && b <= u'z')
            b = QChar(b.unicode() - 32);
        if (a != b)
            return false;
    }
    return true;
}

TXlsxWorkSheet* TXlsxWorkbook::GetFirstSheet() const
{
    if (WorkSheets.empty())
        throw EZipError(QStringLiteral("Sheets Count must be > 0!"));
    return WorkSheets.front().get();
}

TXlsxWorkSheet* TXlsxWorkbook::GetSheetByName(const QString& Name) const
{
    if (Name.isEmpty())
        return GetFirstSheet();
    for (const auto& s : WorkSheets)
        if (SameSheetName(s->Name, Name))
            return s.get();
    return nullptr;
}

void TXlsxFile::Parse(TMiniZip& Zip)
{
    TXlsxWorkbook& book = Workbook;
    book.WorkSheets.clear();
    book.SharedStrings.clear();
    book.Date1904 = false;

    const auto packageRels = relationshipsOf(Zip, QString());
    QString workbookPart = targetOfType(packageRels, "/officeDocument");
    if (workbookPart.isEmpty())
        workbookPart = QStringLiteral("xl/workbook.xml");
    auto workbookDoc = loadPart(Zip, workbookPart);
    if (!workbookDoc)
        return; // no workbook part: no sheets
    const auto rels = relationshipsOf(Zip, workbookPart);
    const QString folder = workbookPart.left(workbookPart.lastIndexOf(u'/') + 1);

    QString stringsPart = targetOfType(rels, "/sharedStrings");
    if (stringsPart.isEmpty())
        stringsPart = folder + QStringLiteral("sharedStrings.xml");
    book.SharedStrings = loadSharedStrings(Zip, stringsPart);

    QString stylesPart = targetOfType(rels, "/styles");
    if (stylesPart.isEmpty())
        stylesPart = folder + QStringLiteral("styles.xml");
    const Styles styles = loadStyles(Zip, stylesPart);

    for (xml::Node n = workbookDoc->root().firstChildElement(); n; n = n.nextSiblingElement()) {
        if (isMain(n, "workbookPr")) {
            const QString v = n.attribute(QStringLiteral("date1904"));
            book.Date1904 = v == QLatin1String("1") || v == QLatin1String("true");
        } else if (isMain(n, "sheets")) {
            for (xml::Node s = n.firstChildElement(); s; s = s.nextSiblingElement()) {
                if (!isMain(s, "sheet") || !s.hasAttribute(QStringLiteral("name")))
                    continue;
                const QString state = s.attribute(QStringLiteral("state"));
                const bool hidden =
                    state == QLatin1String("hidden") || state == QLatin1String("veryHidden");
                if (hidden && !book.LoadHiddenSheet)
                    continue;
                auto sheet = std::make_unique<TXlsxWorkSheet>();
                sheet->Name = s.attribute(QStringLiteral("name"));
                sheet->Hidden = hidden;
                const auto rel = rels.constFind(relId(s));
                if (rel != rels.constEnd())
                    sheet->PartName = rel->target;
                book.WorkSheets.push_back(std::move(sheet));
            }
        }
    }

    TXlsxWorkSheet* only = nullptr;
    if (FOnlySheetSet) {
        only = book.GetSheetByName(FOnlySheet);
        if (!only)
            return; // the caller reports the missing sheet by its name
    }
    for (const auto& sheet : book.WorkSheets)
        if (!only || sheet.get() == only)
            SheetLoader(book, styles, *sheet, FileName()).load(Zip);
}

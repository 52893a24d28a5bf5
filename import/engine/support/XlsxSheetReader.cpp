#include "import/engine/support/XlsxSheetReader.h"

#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/XlsxFile.h"
#include "import/engine/support/XlsxParts.h"

#include <QDateTime>
#include <algorithm>
#include <climits>
#include <cmath>

using namespace xlsx;

namespace {

// Positions a whole sheet's merged ranges may fill in a cell store (a preview fills at most
// its own 256 x 256).
constexpr qint64 kFillLimit = qint64(1) << 20;

// "B12" into column 2, row 12; false when it is no cell reference within the sheet's bounds.
bool parseCellRef(QByteArrayView ref, int& col, int& row)
{
    qsizetype i = 0;
    col = 0;
    while (i < ref.size() && i < 4) {
        const char c = ref[i];
        if (c >= 'A' && c <= 'Z')
            col = col * 26 + (c - 'A' + 1);
        else if (c >= 'a' && c <= 'z')
            col = col * 26 + (c - 'a' + 1);
        else
            break;
        ++i;
    }
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

enum CellType { ctNumber, ctShared, ctStr, ctError, ctInline, ctBool, ctDate, ctOther };

int cellType(QByteArrayView t)
{
    if (t.isEmpty())
        return ctNumber;
    if (t.size() == 1) {
        switch (t[0]) {
        case 'n':
            return ctNumber;
        case 's':
            return ctShared;
        case 'e':
            return ctError;
        case 'b':
            return ctBool;
        case 'd':
            return ctDate;
        default:
            return ctOther;
        }
    }
    if (t == "str")
        return ctStr;
    if (t == "inlineStr")
        return ctInline;
    return ctOther;
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

QString isoDateText(const TSheetTextFormat& fmt, const QString& v)
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

QString cellName(int col, int row)
{
    QString letters;
    for (int c = col; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

// The text of a column in cells sorted by column; empty when absent.
QString textIn(const std::vector<std::pair<int, QString>>& cells, int col)
{
    const auto it = std::lower_bound(cells.begin(), cells.end(), col,
                                     [](const auto& c, int v) { return c.first < v; });
    return it != cells.end() && it->first == col ? it->second : QString();
}

// Cells in column order, the last of a column kept.
void sortCells(std::vector<std::pair<int, QString>>& cells)
{
    std::stable_sort(cells.begin(), cells.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<int, QString>> out;
    out.reserve(cells.size());
    for (auto& c : cells) {
        if (!out.empty() && out.back().first == c.first)
            out.back().second = std::move(c.second);
        else
            out.push_back(std::move(c));
    }
    cells.swap(out);
}

} // namespace

QString XlsxRow::text(int Col) const
{
    return textIn(cells, Col);
}

XlsxSheetReader::XlsxSheetReader(TMiniZip& Zip, const TXlsxWorkbook& Book,
                                   const TXlsxWorkSheet& Sheet, const QString& FileName,
                                   Options Options)
    : m_zip(Zip), m_book(Book), m_sheet(Sheet), m_file(FileName), m_options(std::move(Options)),
      m_wantedBits(std::size_t(kMaxCols), false), m_fill(Book.NeedFillMerge)
{
    m_options.colLimit = qBound(0, m_options.colLimit, kMaxCols);
    if (m_options.columns.empty()) {
        for (int c = 0; c < m_options.colLimit; ++c)
            m_columns.push_back(c);
    } else {
        for (int c : m_options.columns)
            if (c >= 0 && c < kMaxCols)
                m_columns.push_back(c);
        std::sort(m_columns.begin(), m_columns.end());
        m_columns.erase(std::unique(m_columns.begin(), m_columns.end()), m_columns.end());
    }
    for (int c : m_columns)
        m_wantedBits[std::size_t(c)] = true;
    if (m_sheet.PartName.isEmpty() || !m_zip.Contains(m_sheet.PartName))
        fail(QStringLiteral("the part of its sheet \"%1\" is missing").arg(m_sheet.Name));
    if (m_fill) {
        m_active.resize(m_columns.size());
        readMerges();
    }
    open();
}

XlsxSheetReader::~XlsxSheetReader() = default;

void XlsxSheetReader::fail(const QString& Detail) const
{
    damaged(m_file, Detail);
}

bool XlsxSheetReader::wanted(int Col) const
{
    return m_wantedBits[std::size_t(Col)];
}

void XlsxSheetReader::readMerges()
{
    {
        std::unique_ptr<ZipReadAhead> stream;
        const auto r = streamedPart(m_zip, m_sheet.PartName, stream);
        bool more = r->read();
        while (more) {
            if (r->isElement() && r->depth() == 1 && isMain(*r, "sheetData")) {
                more = r->skipSubtree();
                continue;
            }
            if (r->isElement() && r->depth() == 2 && isMain(*r, "mergeCell")) {
                const QByteArrayView ref = r->attributeUtf8("ref");
                TXlsxMerge m;
                if (!parseRange(ref, m))
                    fail(QStringLiteral("its merged range %1 lies outside the sheet's "
                                           "A1:XFD1048576 or is not one")
                                .arg(QString::fromUtf8(ref)));
                if (m_merges.size() >= std::size_t(MaxMerges))
                    fail(QStringLiteral("its sheet \"%1\" has more than %2 merged ranges")
                                .arg(m_sheet.Name)
                                .arg(MaxMerges));
                m_merges.push_back(m);
            }
            more = r->read();
        }
    }
    m_byCorner.resize(m_merges.size());
    for (std::size_t i = 0; i < m_merges.size(); ++i)
        m_byCorner[i] = int(i);
    std::stable_sort(m_byCorner.begin(), m_byCorner.end(), [this](int a, int b) {
        const TXlsxMerge &x = m_merges[std::size_t(a)], &y = m_merges[std::size_t(b)];
        return x.Row1 != y.Row1 ? x.Row1 < y.Row1 : x.Col1 < y.Col1;
    });
    m_mergeText.resize(m_merges.size());
}

void XlsxSheetReader::open()
{
    m_xml = streamedPart(m_zip, m_sheet.PartName, m_stream);
    // Up to the sheet's data; what comes before it tells the sheet's extent.
    while (m_xml->read()) {
        if (!m_xml->isElement() || m_xml->depth() != 1)
            continue;
        if (isMain(*m_xml, "dimension")) {
            const QByteArrayView ref = m_xml->attributeUtf8("ref");
            const qsizetype colon = ref.indexOf(':');
            int col = 0, row = 0;
            if (parseCellRef(colon < 0 ? ref : ref.sliced(colon + 1), col, row))
                m_declaredRows = row;
        } else if (isMain(*m_xml, "sheetData")) {
            if (m_xml->isEmptyElement())
                break;
            return;
        }
    }
    m_atEnd = true; // no rows
}

bool XlsxSheetReader::parseRow(Pending& P)
{
    P.row = -1;
    P.cells.clear();
    P.corners.clear();
    xml::Reader& r = *m_xml;
    for (;;) {
        if (!r.read() || r.depth() < 2) {
            // The end of the sheet's data: what follows it is not read.
            m_atEnd = true;
            m_xml.reset();
            m_stream.reset();
            return false;
        }
        if (r.isElement() && r.depth() == 2 && isMain(r, m_rowName, m_mainKey))
            break;
    }
    const QByteArrayView at = r.attributeUtf8("r");
    int row = -1;
    if (!at.isEmpty()) {
        int n = 0;
        if (!toInt(at, n) || n < 1 || n > kMaxRows)
            fail(QStringLiteral("its row number %1 lies outside 1 to %2")
                        .arg(QString::fromUtf8(at))
                        .arg(kMaxRows));
        row = n - 1;
    }
    if (!r.isEmptyElement()) {
        const int depth = r.depth();
        int col = 0;
        bool sorted = true;
        while (r.read()) {
            if (r.isEndElement() && r.depth() == depth)
                break;
            if (!r.isElement() || r.depth() != depth + 1 || !isMain(r, m_cellName, m_mainKey))
                continue;
            const int before = col;
            parseCell(row, col, P);
            if (col <= before)
                sorted = false;
            if (P.cells.size() > std::size_t(kMaxCols) ||
                P.corners.size() > std::size_t(kMaxCols)) {
                sortCells(P.cells);
                sortCells(P.corners);
            }
        }
        if (!sorted) {
            sortCells(P.cells);
            sortCells(P.corners);
        }
    }
    if (row < 0)
        row = m_lastParsed + 1;
    if (row <= m_lastParsed)
        fail(QStringLiteral("its row %1 comes after row %2").arg(row + 1).arg(m_lastParsed + 1));
    if (row >= kMaxRows)
        fail(QStringLiteral("a row lies beyond row %1").arg(kMaxRows));
    m_lastParsed = row;
    P.row = row;
    return true;
}

void XlsxSheetReader::parseCell(int& Row, int& Col, Pending& Out)
{
    xml::Reader& r = *m_xml;
    // The cell's attributes in one pass: r, t and s of no namespace, the first of each.
    QByteArrayView ref, typeName, styleText;
    for (int i = 0, n = r.attributeCount(); i < n; ++i) {
        const xml::Reader::AttributeRef a = r.attributeAt(i);
        if (a.namespaceKey || !a.localName[0] || a.localName[1])
            continue;
        QByteArrayView* slot = a.localName[0] == 'r'   ? &ref
                               : a.localName[0] == 't' ? &typeName
                               : a.localName[0] == 's' ? &styleText
                                                       : nullptr;
        if (slot && slot->isNull())
            *slot = a.value;
    }
    if (!ref.isEmpty()) {
        int row = 0;
        if (!parseCellRef(ref, Col, row))
            fail(QStringLiteral("its cell reference %1 lies outside the sheet's "
                                   "A1:XFD1048576 or is not one")
                        .arg(QString::fromUtf8(ref)));
        if (Row < 0) {
            if (row - 1 <= m_lastParsed)
                fail(
                    QStringLiteral("its row %1 comes after row %2").arg(row).arg(m_lastParsed + 1));
            Row = row - 1;
        } else if (row - 1 != Row) {
            fail(QStringLiteral("its cell %1 lies outside its row %2")
                        .arg(QString::fromUtf8(ref))
                        .arg(Row + 1));
        }
    } else {
        // A cell without a reference follows the one before it.
        if (++Col > kMaxCols)
            fail(QStringLiteral("a cell lies beyond column %1").arg(kMaxCols));
        if (Row < 0)
            Row = m_lastParsed + 1;
    }
    if (m_fill && m_cornerRow != Row)
        enterRow(Row);
    // Taken before reading on: the attributes live as long as the element.
    const int type = cellType(typeName);
    int style = -1;
    if (!toInt(styleText, style))
        style = -1;
    m_v.clear();
    QString inlineText;
    if (!r.isEmptyElement()) {
        const int depth = r.depth();
        while (r.read()) {
            if (r.isEndElement() && r.depth() == depth)
                break;
            if (!r.isElement())
                continue;
            if (isMain(r, m_valueName, m_mainKey)) {
                if (!readElementUtf8(r, m_v))
                    tooLong(m_file, m_sheet.PartName);
            } else if (isMain(r, m_inlineName, m_mainKey)) {
                inlineText += inlineString();
                if (inlineText.size() > kMaxTextBytes)
                    tooLong(m_file, m_sheet.PartName);
            }
        }
    }
    const QByteArrayView v(m_v.data(), qsizetype(m_v.size()));
    if (!hasText(type, v, inlineText, Row + 1, Col))
        return;
    Out.maxCol = qMax(Out.maxCol, Col);
    if (wanted(Col - 1))
        Out.cells.emplace_back(Col - 1, value(type, style, v, inlineText));
    else if (m_fill && std::binary_search(m_cornerCols.begin(), m_cornerCols.end(), Col - 1))
        Out.corners.emplace_back(Col - 1, value(type, style, v, inlineText));
}

QString XlsxSheetReader::inlineString()
{
    xml::Reader& r = *m_xml;
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
        if (r.isElement() && isMain(r, "t")) {
            out += r.readElementText();
            if (out.size() > kMaxTextBytes)
                tooLong(m_file, m_sheet.PartName);
        }
    }
    return out;
}

bool XlsxSheetReader::hasText(int Type, QByteArrayView V, const QString& Inline, int Row,
                               int Col) const
{
    switch (Type) {
    case ctShared: {
        if (V.trimmed().isEmpty())
            return false; // <v></v>: nothing stored
        int n = -1;
        if (!toInt(V, n) || !m_book.SharedStrings.Has(n))
            fail(QStringLiteral("cell %1 refers to a shared string %2 that does not exist")
                        .arg(cellName(Col, Row), QString::fromUtf8(V)));
        return !m_book.SharedStrings.IsEmpty(n);
    }
    case ctInline:
        return !Inline.isEmpty() || !V.isEmpty();
    case ctBool:
        return !V.trimmed().isEmpty();
    default:
        return !V.isEmpty();
    }
}

QString XlsxSheetReader::value(int Type, int Style, QByteArrayView V, const QString& Inline) const
{
    const TSheetTextFormat& fmt = m_book.TextFormat;
    switch (Type) {
    case ctNumber: {
        const auto kind = Style >= 0 && Style < int(m_book.NumberKinds.size())
                              ? m_book.NumberKinds[std::size_t(Style)]
                              : TXlsxWorkbook::nkPlain;
        if (kind == TXlsxWorkbook::nkPlain) {
            QString text;
            return fmt.XmlNumberText(V, text) ? text : QString::fromUtf8(V);
        }
        bool ok = false;
        const double d = toDouble(V, &ok);
        if (!ok)
            return QString::fromUtf8(V);
        return kind == TXlsxWorkbook::nkDate ? fmt.SerialText(d, m_book.Date1904)
                                             : percentText(d, fmt.DecimalSeparator);
    }
    case ctShared: {
        int n = -1;
        toInt(V, n); // checked by HasText
        return m_book.SharedStrings.Text(n);
    }
    case ctInline:
        return Inline.isEmpty() ? QString::fromUtf8(V) : Inline;
    case ctBool: {
        const QByteArrayView t = V.trimmed();
        return (t == "1" ||
                QString::fromUtf8(t).compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                   ? QStringLiteral("True")
                   : QStringLiteral("False");
    }
    case ctDate:
        return isoDateText(fmt, QString::fromUtf8(V));
    default:
        return QString::fromUtf8(V);
    }
}

void XlsxSheetReader::enterRow(int Row)
{
    // Merges whose top-left row passed without a cell there never fill anything.
    m_cornerRow = Row;
    m_cornerCols.clear();
    while (m_nextCorner < m_byCorner.size() &&
           m_merges[std::size_t(m_byCorner[m_nextCorner])].Row1 - 1 < Row)
        ++m_nextCorner;
    m_cornerEnd = m_nextCorner;
    while (m_cornerEnd < m_byCorner.size() &&
           m_merges[std::size_t(m_byCorner[m_cornerEnd])].Row1 - 1 == Row) {
        const int c = m_merges[std::size_t(m_byCorner[m_cornerEnd])].Col1 - 1;
        if (m_cornerCols.empty() || m_cornerCols.back() != c)
            m_cornerCols.push_back(c);
        ++m_cornerEnd;
    }
}

void XlsxSheetReader::activate(int Row, const Pending& Parsed)
{
    if (m_cornerRow != Row)
        enterRow(Row);
    for (std::size_t k = m_nextCorner; k < m_cornerEnd; ++k) {
        const int m = m_byCorner[k];
        const TXlsxMerge& g = m_merges[std::size_t(m)];
        QString text = wanted(g.Col1 - 1) ? textIn(Parsed.cells, g.Col1 - 1)
                                          : textIn(Parsed.corners, g.Col1 - 1);
        if (text.isEmpty())
            continue;
        m_mergeText[std::size_t(m)] = std::move(text);
        m_fillUntil = qMax(m_fillUntil, g.Row2 - 1);
        if (g.Col2 > g.Col1 || g.Row2 > g.Row1)
            m_colCount = qMax(m_colCount, g.Col2);
        const auto first = std::lower_bound(m_columns.begin(), m_columns.end(), g.Col1 - 1);
        const auto last = std::upper_bound(first, m_columns.end(), g.Col2 - 1);
        if (first == last)
            continue;
        for (auto it = first; it != last; ++it) {
            const int p = int(it - m_columns.begin());
            m_active[std::size_t(p)].insert(m);
            m_activeCols.insert(p);
        }
        m_expiry.insert({g.Row2 - 1, m});
    }
    m_nextCorner = m_cornerEnd;
}

void XlsxSheetReader::expire(int Row)
{
    while (!m_expiry.empty() && m_expiry.begin()->first < Row) {
        const int m = m_expiry.begin()->second;
        m_expiry.erase(m_expiry.begin());
        const TXlsxMerge& g = m_merges[std::size_t(m)];
        const auto first = std::lower_bound(m_columns.begin(), m_columns.end(), g.Col1 - 1);
        const auto last = std::upper_bound(first, m_columns.end(), g.Col2 - 1);
        for (auto it = first; it != last; ++it) {
            const int p = int(it - m_columns.begin());
            std::set<int>& active = m_active[std::size_t(p)];
            active.erase(m);
            if (active.empty())
                m_activeCols.erase(p);
        }
        m_mergeText[std::size_t(m)] = QString();
    }
}

void XlsxSheetReader::fill(int Row, std::vector<std::pair<int, QString>>& Cells)
{
    if (m_activeCols.empty())
        return;
    // The last range in the sheet's order that covers a position wins, a range's own top-left
    // cell keeping its text.
    std::vector<std::pair<int, QString>> fills;
    for (int p : m_activeCols) {
        const int col = m_columns[std::size_t(p)];
        const std::set<int>& active = m_active[std::size_t(p)];
        for (auto it = active.rbegin(); it != active.rend(); ++it) {
            const TXlsxMerge& g = m_merges[std::size_t(*it)];
            if (g.Row1 - 1 == Row && g.Col1 - 1 == col)
                continue;
            fills.emplace_back(col, m_mergeText[std::size_t(*it)]);
            break;
        }
    }
    if (fills.empty())
        return;
    m_filled += qint64(fills.size());
    if (m_options.columns.empty() && m_filled > kFillLimit)
        fail(QStringLiteral("its merged ranges cover more than %1 cells").arg(kFillLimit));
    std::vector<std::pair<int, QString>> out;
    out.reserve(Cells.size() + fills.size());
    auto a = Cells.begin();
    for (auto& f : fills) {
        while (a != Cells.end() && a->first < f.first)
            out.push_back(std::move(*a++));
        if (a != Cells.end() && a->first == f.first)
            ++a;
        out.push_back(std::move(f));
    }
    while (a != Cells.end())
        out.push_back(std::move(*a++));
    Cells.swap(out);
}

bool XlsxSheetReader::next(XlsxRow& Row)
{
    for (;;) {
        if (!m_havePending && !m_atEnd)
            m_havePending = parseRow(m_pending);
        int next = m_havePending ? m_pending.row : INT_MAX;
        if (m_fillUntil > m_lastRow)
            next = qMin(next, m_lastRow + 1);
        if (next == INT_MAX)
            return false;
        if (m_options.rowLimit > 0 && next >= m_options.rowLimit) {
            m_havePending = false;
            m_atEnd = true;
            m_fillUntil = -1;
            m_xml.reset();
            m_stream.reset();
            return false;
        }
        Row.row = next;
        Row.cells.clear();
        bool text = false;
        if (m_fill)
            expire(next);
        if (m_havePending && m_pending.row == next) {
            m_havePending = false;
            text = m_pending.maxCol > 0;
            m_colCount = qMax(m_colCount, m_pending.maxCol);
            if (m_fill)
                activate(next, m_pending);
            Row.cells.swap(m_pending.cells);
            m_pending.maxCol = 0;
        }
        if (m_fill)
            fill(next, Row.cells);
        m_lastRow = next;
        if (!text && next > m_fillUntil)
            continue; // empty cells alone
        m_rowCount = next + 1;
        return true;
    }
}


#include "import/engine/support/OpenDocumentFile.h"

#include "import/engine/support/OdfTableScanner.h"
#include "import/engine/support/XlsxFile.h"
#include "platform/xml/Xml.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

constexpr const char* kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr const char* kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr const char* kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";

// Counts beyond every bound of a table read as this, and positions stop at kFar: whatever a
// file says, their sums stay far from overflowing, and text past them is refused.
constexpr qint64 kFarCount = qint64(1) << 31;
constexpr qint64 kFar = qint64(1) << 40;

// A repeat or span count; absent or not a number counts 1.
qint64 countOf(const xml::Reader& r, const char* local, const char* ns = kTable)
{
    const QByteArrayView v = r.attributeNsUtf8(ns, local);
    if (v.isEmpty())
        return 1;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok && !v.isEmpty() && v.front() != '-' &&
        std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return kFarCount; // digits too many for any integer
    return ok && n >= 1 ? qMin(n, kFarCount) : 1;
}

// Position + Count, stopping at kFar.
qint64 past(qint64 position, qint64 count)
{
    return qMin(position + count, kFar);
}

bool isSubTable(const xml::Reader& r)
{
    return r.attributeNsUtf8(kTable, "is-sub-table") == QByteArrayView("true");
}

struct CellContent
{
    QString text;
    std::unique_ptr<TODSSpreadSheet> subTable;
};

class Walker
{
public:
    Walker(xml::Reader* r, bool text, bool notExpand, const TSheetTextFormat& format,
           const QString& file, std::vector<std::unique_ptr<TODSSpreadSheet>>& sheets,
           int previewRows, std::function<TODSSpreadSheet&(const QString&)> add)
        : m_r(r), m_text(text), m_notExpand(notExpand), m_format(format), m_file(file),
          m_sheets(sheets), m_preview(previewRows), m_add(std::move(add))
    {}

    // A preview stops at the first row it does not show: the read ends there when the tables
    // are all named elsewhere, or the scanner skips the rest of the table.
    void stopAtPreview() { m_stopAtPreview = true; }
    // A text table's rows past the preview are walked for the tables nested in them; the
    // scanner skips them where it found none.
    void stopTextAtPreview() { m_textStops = true; }
    bool stopped() const { return m_stopped; }
    // Reads the next table from R, whatever stopped the last one.
    void resume(xml::Reader* r)
    {
        m_r = r;
        m_stopped = false;
    }

    // What the cell store may take for a file of FileSize bytes, in cells of kCellBytes: a
    // floor, and a multiple of the file that real sheets stay well below (a zip of repeated
    // rows can describe far more).
    void setBudget(qint64 fileSize)
    {
        m_budget = ((qint64(128) << 20) + 30 * fileSize) / kCellBytes;
    }

    // The reader stands on a table element: the table is listed (before the tables nested in
    // it) and read to its end.
    void listTable(int depthGuard = 0)
    {
        TODSSpreadSheet& sheet = m_add(m_r->attributeNs(kTable, "name"));
        table(sheet, depthGuard);
        sheet.Cells.SetColCount(sheet.ColCount);
        sheet.Cells.SetRowCount(sheet.RowCount);
    }

    // The reader stands on a table element; reads it to its end.
    void table(TODSSpreadSheet& sheet, int depthGuard = 0)
    {
        if (depthGuard > 16)
            refuse(QStringLiteral("its tables are nested too deeply"));
        const int depth = m_r->depth();
        if (m_r->isEmptyElement())
            return;
        qint64 row = -1;
        qint64 floorRow = 0; // rows a laid-in sub-table took
        bool more = m_r->read();
        while (more) {
            if (m_r->isEndElement() && m_r->depth() == depth)
                return;
            if (!m_r->isElement()) {
                more = m_r->read();
                continue;
            }
            if (m_r->is(kTable, "table-row")) {
                // The rows a preview does not show; a text table's rows are still walked, for
                // the tables nested in them and for what makes the table complex.
                if ((!m_text || m_textStops) && beyondPreview(qMax(row + 1, floorRow))) {
                    if (m_stopAtPreview) {
                        m_stopped = true;
                        return;
                    }
                    more = m_r->skipSubtree();
                    continue;
                }
                row = qMax(row + 1, floorRow);
                const qint64 repeat = countOf(*m_r, "number-rows-repeated");
                floorRow = tableRow(sheet, row, repeat, depthGuard, floorRow);
                row = past(row, repeat - 1);
                more = m_r->read();
            } else if (m_r->is(kTable, "table-column") || m_r->is(kTable, "table-columns") ||
                       m_r->is(kTable, "table-source") || m_r->is(kOffice, "annotation") ||
                       m_r->is(kTable, "table")) {
                more = m_r->skipSubtree();
            } else {
                more = m_r->read(); // header rows, row groups: their rows count as any other
            }
        }
    }

private:
    bool beyondPreview(qint64 row) const { return m_preview > 0 && row >= m_preview; }

    [[noreturn]] void refuse(const QString& why) const
    {
        throw EZipError(QStringLiteral("The document %1 cannot be read: %2.")
                            .arg(QFileInfo(m_file).fileName(), why));
    }

    void checkBounds(const TODSSpreadSheet& sheet, qint64 lastRow, qint64 lastCol) const
    {
        if (lastRow >= TOpenDocumentFile::MaxRows || lastCol >= TOpenDocumentFile::MaxCols)
            refuse(QStringLiteral("table \"%1\" holds text beyond row %2 or column %3")
                       .arg(sheet.Name)
                       .arg(TOpenDocumentFile::MaxRows)
                       .arg(TOpenDocumentFile::MaxCols));
    }

    // Each product is taken of factors at most the bound, so none can overflow.
    void checkCells(qint64 a, qint64 b, qint64 c) const
    {
        constexpr qint64 max = TOpenDocumentFile::MaxCells;
        if (a > max || b > max || c > max || a * b > max || a * b * c > max ||
            m_cells + a * b * c > max)
            refuse(QStringLiteral("it holds more than %1 cells").arg(max));
    }

    void put(TODSSpreadSheet& sheet, qint64 row, qint64 col, const QString& text)
    {
        if (beyondPreview(row))
            return;
        checkBounds(sheet, row, col);
        const int r = int(row), c = int(col);
        if (m_text) {
            const QString old = sheet.Cells.Cell(c, r);
            if (!old.isEmpty()) {
                sheet.Cells.SetCell(c, r, old + u'\r' + text);
                return;
            }
        }
        checkCells(1, 1, 1);
        ++m_cells;
        m_cost += storeCost(sheet, r, c);
        if (m_cost > m_budget)
            refuse(QStringLiteral("holding its cells would take more than %1 MB of memory")
                       .arg(m_budget * kCellBytes >> 20));
        sheet.Cells.SetCell(c, r, interned(text));
        sheet.ColCount = qMax(sheet.ColCount, c + 1);
        sheet.RowCount = qMax(sheet.RowCount, r + 1);
    }

    static constexpr qint64 kCellBytes = 48;

    // What storing a cell costs the cell store, in cells of about 48 bytes: its record, a row's
    // own lists for its first cell, and the directory a row grows to reach the column (a row's
    // first cell in column 16,000 takes kilobytes).
    static qint64 storeCost(const TODSSpreadSheet& sheet, int row, int col)
    {
        const TKobWideStringSparseList* list = sheet.Cells.RowList(row);
        const int reach = list ? list->Count() : 0;
        qint64 cost = list ? 1 : 9;
        // Leaves of 16 columns, the first one inside the row's list.
        const int last = reach > 0 ? (reach - 1) / 16 : 0;
        const int leaf = col / 16;
        if (leaf > last || (leaf > 0 && reach == 0))
            cost += (leaf - last) / 6 + 3;
        return cost;
    }

    // Cells of equal short text share one copy: sheets repeat their values (and a small
    // archive can only describe many cells by repeating them).
    QString interned(const QString& text)
    {
        if (text.size() > 64)
            return text;
        if (const auto it = m_texts.constFind(text); it != m_texts.constEnd())
            return *it;
        if (m_texts.size() >= 65536)
            m_texts.clear();
        m_texts.insert(text, text);
        return text;
    }

    // Reads one row element standing for Repeat rows from Row on; returns the first row a
    // following row may take.
    qint64 tableRow(TODSSpreadSheet& sheet, qint64 row, qint64 repeat, int depthGuard,
                    qint64 floorRow)
    {
        if (m_r->isEmptyElement())
            return floorRow;
        const int depth = m_r->depth();
        qint64 col = -1;
        bool afterSubTable = false;
        bool more = m_r->read();
        while (more) {
            if (m_r->isEndElement() && m_r->depth() == depth)
                break;
            if (!m_r->isElement()) {
                more = m_r->read();
                continue;
            }
            if (m_r->is(kTable, "covered-table-cell")) {
                if (!(m_text && afterSubTable))
                    col = past(col, m_text ? 1 : countOf(*m_r, "number-columns-repeated"));
                more = m_r->skipSubtree();
                continue;
            }
            if (!m_r->is(kTable, "table-cell")) {
                more = m_r->read();
                continue;
            }
            afterSubTable = false;
            col += 1;
            const qint64 cols = countOf(*m_r, "number-columns-repeated");
            const qint64 spanRows = countOf(*m_r, "number-rows-spanned");
            const qint64 spanCols = countOf(*m_r, "number-columns-spanned");
            CellContent content = cell(depthGuard);
            if (content.subTable) {
                const TODSSpreadSheet& sub = *content.subTable;
                sheet.ComplexTable = true;
                for (int r = 0; r < sub.RowCount; ++r)
                    if (const TKobWideStringSparseList* list = sub.Cells.RowList(r))
                        list->ForEach([&](int c, const QString& t, void*) {
                            if (!t.isEmpty())
                                put(sheet, row + r, col + c, t);
                        });
                floorRow = qMax(floorRow, row + sub.RowCount);
                col += qMax(sub.ColCount, 1) - 1;
                afterSubTable = true;
                more = m_r->read();
                continue;
            }
            if (!content.text.isEmpty()) {
                const bool spanned = spanRows > 1 || spanCols > 1;
                const bool fillBlock = spanned && !m_text && !m_notExpand;
                const qint64 blockRows = fillBlock ? spanRows : 1;
                const qint64 blockCols = fillBlock ? spanCols : 1;
                // Checked before anything is stored: repeats can describe billions of cells.
                checkBounds(sheet, row + repeat - 1 + blockRows - 1,
                            col + cols - 1 + blockCols - 1);
                checkCells(repeat, cols, blockRows * blockCols);
                for (qint64 k = 0; k < repeat && !beyondPreview(row + k); ++k)
                    for (qint64 c = 0; c < cols; ++c)
                        for (qint64 sr = 0; sr < blockRows; ++sr)
                            for (qint64 sc = 0; sc < blockCols; ++sc)
                                put(sheet, row + k + sr, col + c + sc, content.text);
            }
            col = past(col, cols - 1);
            more = m_r->read();
        }
        return floorRow;
    }

    // The reader stands on a table-cell element; reads it to its end.
    CellContent cell(int depthGuard)
    {
        CellContent out;
        const QString typed = typedValue(m_r->attributeNsUtf8(kOffice, "value-type"));
        if (m_r->isEmptyElement()) {
            out.text = typed;
            return out;
        }
        const int depth = m_r->depth();
        QStringList paragraphs;
        bool more = m_r->read();
        while (more) {
            if (m_r->isEndElement() && m_r->depth() == depth)
                break;
            if (m_r->isElement() && (m_r->is(kText, "p") || m_r->is(kText, "h"))) {
                const QString p = paragraph();
                if (!p.isEmpty())
                    paragraphs << p;
                more = m_r->read();
            } else if (m_r->isElement() && m_r->is(kTable, "table")) {
                if (m_text && !isSubTable(*m_r)) {
                    // A table in a cell as word processors write it is a table of its own;
                    // the cell keeps its text.
                    listTable(depthGuard + 1);
                    more = m_r->read();
                } else if (m_text && !out.subTable) {
                    auto sub = std::make_unique<TODSSpreadSheet>();
                    table(*sub, depthGuard + 1);
                    out.subTable = std::move(sub);
                    more = m_r->read();
                } else {
                    more = m_r->skipSubtree();
                }
            } else if (m_r->isElement() && m_r->is(kOffice, "annotation")) {
                more = m_r->skipSubtree();
            } else {
                more = m_r->read();
            }
        }
        out.text = typed.isEmpty() ? paragraphs.join(u'\r') : typed;
        return out;
    }

    // The reader stands on a paragraph element; its text, read to its end.
    QString paragraph()
    {
        QString out;
        if (m_r->isEmptyElement())
            return out;
        const int depth = m_r->depth();
        bool more = m_r->read();
        while (more) {
            if (m_r->isEndElement() && m_r->depth() == depth)
                break;
            switch (m_r->nodeType()) {
            case xml::Reader::NodeType::Text:
            case xml::Reader::NodeType::CData:
            case xml::Reader::NodeType::Whitespace:
                out += m_r->value();
                break;
            case xml::Reader::NodeType::Element:
                if (m_r->is(kText, "s")) {
                    out += QString(int(qMin<qint64>(countOf(*m_r, "c", kText), 4096)), u' ');
                } else if (m_r->is(kText, "tab")) {
                    out += u'\t';
                } else if (m_r->is(kText, "line-break")) {
                    out += u'\n';
                } else if (m_r->is(kOffice, "annotation") || m_r->is(kText, "note") ||
                           m_r->is(kOffice, "annotation-end")) {
                    more = m_r->skipSubtree();
                    continue;
                }
                break;
            default:
                break;
            }
            more = m_r->read();
        }
        return out;
    }

    // Spreadsheet cells carry their value apart from its display: numbers and dates are read
    // from it, so a displayed rounding or grouping does not reach the import.
    QString typedValue(QByteArrayView type) const
    {
        if (m_text || type.isEmpty() || type == "string")
            return {};
        if (type == "float" || type == "currency" || type == "percentage") {
            QString text;
            return m_format.XmlNumberText(m_r->attributeNsUtf8(kOffice, "value"), text) ? text
                                                                                        : QString();
        }
        if (type == "boolean") {
            const QByteArrayView v = m_r->attributeNsUtf8(kOffice, "boolean-value");
            return v == "true" || v == "1" ? QStringLiteral("True") : QStringLiteral("False");
        }
        if (type == "date")
            return dateText(m_r->attributeNsUtf8(kOffice, "date-value"));
        if (type == "time")
            return timeText(m_r->attributeNs(kOffice, "time-value"));
        return {};
    }

    QString dateText(QByteArrayView iso) const
    {
        QDateTime dt = QDateTime::fromString(QString::fromUtf8(iso), Qt::ISODateWithMs);
        if (!dt.isValid())
            return {};
        dt.setTimeSpec(Qt::UTC);
        const TSheetDateKind kind =
            dt.time() == QTime(0, 0) ? TSheetDateKind::Date : TSheetDateKind::DateTime;
        return m_format.DateText ? m_format.DateText(dt, kind)
                                 : dt.toString(kind == TSheetDateKind::Date
                                                   ? QStringLiteral("yyyy/MM/dd")
                                                   : QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    }

    // "PT12H30M05S" (hours may exceed a day).
    QString timeText(const QString& duration) const
    {
        static const QRegularExpression re(
            QStringLiteral("^-?P(?:(\\d+)D)?T(?:(\\d+)H)?(?:(\\d+)M)?(?:(\\d+(?:\\.\\d+)?)S)?$"));
        const auto m = re.match(duration);
        if (!m.hasMatch())
            return {};
        // Only the time of day is shown, but the parts may be any size: a duration past what
        // 64 bits hold is no time, and the cell's displayed text stands.
        const double seconds = m.captured(4).toDouble();
        const auto part = [&](int i) {
            bool ok = false;
            const qint64 n = m.captured(i).toLongLong(&ok);
            return ok || m.captured(i).isEmpty() ? n : -1;
        };
        const qint64 days = part(1), hours = part(2), minutes = part(3);
        qint64 ms = 0;
        if (days < 0 || hours < 0 || minutes < 0 || !(seconds < 1e15) ||
            qMulOverflow(days, qint64(24), &ms) || qAddOverflow(ms, hours, &ms) ||
            qMulOverflow(ms, qint64(60), &ms) || qAddOverflow(ms, minutes, &ms) ||
            qMulOverflow(ms, qint64(60000), &ms) ||
            qAddOverflow(ms, qint64(seconds * 1000.0 + 0.5), &ms))
            return {};
        const QDateTime dt(QDate(1899, 12, 30), QTime::fromMSecsSinceStartOfDay(int(ms % 86400000)),
                           Qt::UTC);
        return m_format.DateText ? m_format.DateText(dt, TSheetDateKind::Time)
                                 : dt.time().toString(QStringLiteral("HH:mm:ss"));
    }

    xml::Reader* m_r;
    bool m_text;
    bool m_notExpand;
    const TSheetTextFormat& m_format;
    QString m_file;
    std::vector<std::unique_ptr<TODSSpreadSheet>>& m_sheets;
    int m_preview;
    std::function<TODSSpreadSheet&(const QString&)> m_add;
    bool m_stopAtPreview = false;
    bool m_textStops = false;
    bool m_stopped = false;
    qint64 m_cells = 0;
    qint64 m_cost = 0;
    qint64 m_budget = std::numeric_limits<qint64>::max();
    QHash<QString, QString> m_texts;
};

constexpr const char* kConfig = "urn:oasis:names:tc:opendocument:xmlns:config:1.0";

// The sheets' names as the spreadsheet program keeps them in its settings, in order; empty
// when it keeps none (or the part cannot be read: the content then tells the names).
QStringList settingsSheetNames(TMiniZip& zip)
{
    const QString part = QStringLiteral("settings.xml");
    QStringList names;
    if (!zip.Contains(part))
        return names;
    try {
        xml::ParseSettings settings;
        settings.name = part;
        auto r = xml::Reader::fromMemory(zip.ReadSmallEntry(part), settings);
        int tables = -1; // depth of the map of tables while inside it
        while (r->read()) {
            if (r->isEndElement() && r->depth() == tables)
                break;
            if (!r->isElement())
                continue;
            if (tables < 0 && r->is(kConfig, "config-item-map-named") &&
                r->attributeNs(kConfig, "name") == QLatin1String("Tables"))
                tables = r->depth();
            else if (tables >= 0 && r->depth() == tables + 1 &&
                     r->is(kConfig, "config-item-map-entry"))
                names << r->attributeNs(kConfig, "name");
        }
    } catch (const std::runtime_error&) {
        names.clear();
    }
    return names;
}

constexpr const char* kManifest = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0";

// Whether the manifest says the content is encrypted (the document was saved with a password):
// its bytes would otherwise be taken for damage. A manifest that cannot be read says nothing.
bool contentEncrypted(TMiniZip& zip)
{
    const QString part = QStringLiteral("META-INF/manifest.xml");
    if (!zip.Contains(part))
        return false;
    try {
        xml::ParseSettings settings;
        settings.name = part;
        auto r = xml::Reader::fromMemory(zip.ReadSmallEntry(part, qint64(1) << 20), settings);
        int entry = -1; // depth of the content's entry while inside it
        while (r->read()) {
            if (r->isEndElement() && r->depth() == entry)
                return false;
            if (!r->isElement())
                continue;
            if (entry < 0 && r->is(kManifest, "file-entry") &&
                TMiniZip::NormalizedName(r->attributeNs(kManifest, "full-path"))
                        .compare(QLatin1String("content.xml"), Qt::CaseInsensitive) == 0)
                entry = r->isEmptyElement() ? -1 : r->depth();
            else if (entry >= 0 && r->is(kManifest, "encryption-data"))
                return true;
        }
    } catch (const std::runtime_error&) {
    }
    return false;
}

// The content inflated ahead while the scanner goes through the bytes, as fast as they are
// inflated: the checksum is counted on a thread of its own between the two.
std::unique_ptr<ZipReadAhead> contentAhead(TMiniZip& zip)
{
    return zip.ReadAhead(QStringLiteral("content.xml"), ZipReadAhead::DefaultBlock, {},
                         ZipReadAhead::Checksum::Apart);
}

// The name and sub-table mark of the table the scanner stands on, from its start tag alone;
// false when the tag does not read as a table.
bool startTag(const OdfTableScanner& scanner, const xml::ParseSettings& settings, QString& name,
              bool& sub)
{
    const auto r = xml::Reader::fromMemory(scanner.tableStartDocument(), settings);
    bool more = r->read();
    while (more && !(r->isElement() && r->depth() == 1))
        more = r->read();
    if (!more || !r->is(kTable, "table"))
        return false;
    name = r->attributeNs(kTable, "name");
    sub = isSubTable(*r);
    return true;
}

} // namespace

TODSSpreadSheet* TOpenDocumentFile::GetSheetByName(const QString& Name) const
{
    if (Name.isEmpty())
        return SpreadSheets.empty() ? nullptr : SpreadSheets.front().get();
    for (const auto& s : SpreadSheets)
        if (TXlsxWorkbook::SameSheetName(s->Name, Name))
            return s.get();
    return nullptr;
}

void TOpenDocumentFile::Parse(TMiniZip& Zip)
{
    SpreadSheets.clear();
    FSkippedByScanning = false;
    FOverLimit = false;
    const bool text = FKind == Kind::Text;
    const QString none = text ? QStringLiteral("No tables were found")
                              : QStringLiteral("No spreadsheets were found");
    if (!Zip.Contains(QStringLiteral("content.xml")))
        throw EZipError(none);
    if (contentEncrypted(Zip))
        Zip.RaiseProtected();
    if (FListOnly && FOnlySheet.isEmpty()) {
        if (listBySkipping(Zip, text ? QStringList() : settingsSheetNames(Zip)))
            return;
        SpreadSheets.clear(); // the parse lists them, and says what is wrong
    }
    // A spreadsheet's preview need not read past a long sheet when the settings name every
    // sheet: those after it are listed unread.
    const bool preview = FPreviewRows > 0 && !text && FOnlySheet.isEmpty();
    const QStringList named = preview ? settingsSheetNames(Zip) : QStringList();
    if (FPreviewRows > 0 && (text || named.isEmpty() || !FOnlySheet.isEmpty()) &&
        FSkipByScanning) {
        if (previewBySkipping(Zip))
            return;
        SpreadSheets.clear(); // parsed again from the start, as the parse alone reads it
    }
    auto stream = Zip.OpenEntry(QStringLiteral("content.xml"));
    xml::ParseSettings settings;
    settings.name = QStringLiteral("content.xml");
    auto reader = xml::Reader::fromFunction(
        [&stream](char* buf, qint64 size) { return stream->read(buf, size); }, settings);
    Walker walker(reader.get(), text, FNotExpandMergedValue, TextFormat, FileName(), SpreadSheets,
                  FPreviewRows, [this](const QString& name) -> TODSSpreadSheet& {
                      return addTable(name);
                  });
    walker.setBudget(QFileInfo(FileName()).size());
    if (!named.isEmpty() || (FPreviewRows > 0 && !FOnlySheet.isEmpty()))
        walker.stopAtPreview();
    bool more = reader->read();
    while (more && !walker.stopped()) {
        if (reader->isElement() && reader->is(kTable, "table")) {
            if (isSubTable(*reader) ||
                (!FOnlySheet.isEmpty() &&
                 !TXlsxWorkbook::SameSheetName(reader->attributeNs(kTable, "name"), FOnlySheet))) {
                more = reader->skipSubtree();
                continue;
            }
            walker.listTable();
            if (!FOnlySheet.isEmpty())
                break;
        }
        more = reader->read();
    }
    if (walker.stopped() && FOnlySheet.isEmpty()) {
        listNamedAfterLast(named);
    }
    if (SpreadSheets.empty())
        throw EZipError(none);
}

// Each table's preview rows are parsed (or only those of the one sheet asked for); the rest of
// the part is only scanned for the tables' ends and starts. False when the scanner could not
// be sure of the part, or the part is damaged: the caller parses it and says what is wrong.
bool TOpenDocumentFile::previewBySkipping(TMiniZip& Zip)
{
    return scanned([&] {
        const std::unique_ptr<ZipReadAhead> stream = contentAhead(Zip);
        OdfTableScanner scanner(
            [&stream](char* buf, qint64 size) { return stream->read(buf, size); },
            qBound<qint64>(4096, stream->declaredSize() + 1, OdfTableScanner::DefaultBlock));
        if (!scanner.start())
            return false;
        xml::ParseSettings settings;
        settings.name = QStringLiteral("content.xml");
        // Each table is read only to its preview rows: parsed as it is read, with no thread
        // started per table.
        settings.parseAhead = false;
        const bool text = FKind == Kind::Text;
        Walker walker(nullptr, text, FNotExpandMergedValue, TextFormat, FileName(), SpreadSheets,
                      FPreviewRows, [this](const QString& name) -> TODSSpreadSheet& {
                          return addTable(name);
                      });
        walker.setBudget(QFileInfo(FileName()).size());
        walker.stopAtPreview();
        if (text)
            walker.stopTextAtPreview();
        bool found = false; // the only sheet to read
        while (!found && scanner.nextTable()) {
            // The table's name and kind from its start tag alone: a table not read costs no
            // reader of its own.
            QString name;
            bool sub = false;
            if (!startTag(scanner, settings, name, sub))
                return false;
            found = !FOnlySheet.isEmpty() && TXlsxWorkbook::SameSheetName(name, FOnlySheet);
            if (!sub && (FOnlySheet.isEmpty() || found)) {
                auto reader = xml::Reader::fromFunction(
                    [&scanner](char* buf, qint64 size) { return scanner.feed(buf, size); },
                    settings);
                walker.resume(reader.get());
                bool more = reader->read();
                while (more && !reader->isElement())
                    more = reader->read(); // the prolog's comments
                more = more && reader->read();
                if (!more || !reader->isElement() || reader->depth() != 1 ||
                    !reader->is(kTable, "table"))
                    return false;
                walker.listTable();
                if (!walker.stopped())
                    while (reader->read()) {
                    }
                reader.reset(); // it stops feeding before the scanner goes on
            } else {
                found = false;
            }
            // The one sheet asked for ends the scan, but a text table is gone through to its
            // end unless the listing did so already: one that nests another is read by the
            // parse.
            if ((!found || (text && !FListedByScanning)) && !scanner.skipTable())
                return false;
            // Tables nested in a text table are tables of their own, or make it complex.
            if (text && scanner.nested())
                return false;
        }
        // Without the only sheet asked for, the parse says what is wrong.
        return (FOnlySheet.isEmpty() ? scanner.finished() : found) && !SpreadSheets.empty();
    });
}

bool TOpenDocumentFile::scanned(const std::function<bool()>& Scan)
{
    try {
        if (!Scan())
            return false;
    } catch (const EZipError&) {
        if (FOverLimit)
            throw;
        return false;
    } catch (const std::exception&) {
        return false;
    }
    FSkippedByScanning = true;
    return true;
}

void TOpenDocumentFile::listNamedAfterLast(const QStringList& Named)
{
    const qsizetype last = Named.lastIndexOf(SpreadSheets.back()->Name);
    for (qsizetype i = last + 1; i < Named.size(); ++i)
        if (!GetSheetByName(Named[i]) || Named[i].isEmpty())
            addTable(Named[i]).Unread = true;
}

TODSSpreadSheet& TOpenDocumentFile::addTable(const QString& Name)
{
    if (FMaxTables > 0 && SpreadSheets.size() >= std::size_t(FMaxTables)) {
        FOverLimit = true;
        throw EZipError(QStringLiteral("The document %1 holds more than %2 tables")
                            .arg(QFileInfo(FileName()).fileName())
                            .arg(FMaxTables));
    }
    SpreadSheets.push_back(std::make_unique<TODSSpreadSheet>());
    SpreadSheets.back()->Name = Name;
    return *SpreadSheets.back();
}

// Every top-level table's name, from the start tags the scanner finds; nothing of their
// contents is parsed. When the settings name the sheets (Named), the first is found in the
// content and those the settings name after it are taken from there, unread. False when the
// scanner is unsure or a table nests another in a text document (the parse lists those).
bool TOpenDocumentFile::listBySkipping(TMiniZip& Zip, const QStringList& Named)
{
    return scanned([&] {
        // With the sheets named only the start of the content is read: in small pieces, on
        // this thread. Else the whole is read ahead.
        std::unique_ptr<ZipEntryStream> start;
        std::unique_ptr<ZipReadAhead> whole;
        if (Named.isEmpty())
            whole = contentAhead(Zip);
        else
            start = Zip.OpenEntry(QStringLiteral("content.xml"));
        const qint64 declared = whole ? whole->declaredSize() : start->declaredSize();
        OdfTableScanner scanner(
            [&](char* buf, qint64 size) {
                return whole ? whole->read(buf, size) : start->read(buf, size);
            },
            qBound<qint64>(4096, declared + 1,
                           whole ? OdfTableScanner::DefaultBlock : qsizetype(64) << 10));
        if (!scanner.start())
            return false;
        xml::ParseSettings settings;
        settings.name = QStringLiteral("content.xml");
        const bool text = FKind == Kind::Text;
        while (scanner.nextTable()) {
            QString name;
            bool sub = false;
            if (!startTag(scanner, settings, name, sub))
                return false;
            if (!sub) {
                addTable(name).Unread = true;
                if (!Named.isEmpty()) {
                    listNamedAfterLast(Named);
                    return true;
                }
            }
            if (!scanner.skipTable() || (text && scanner.nested()))
                return false;
        }
        return scanner.finished() && !SpreadSheets.empty();
    });
}

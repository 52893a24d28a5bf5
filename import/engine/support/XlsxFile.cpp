#include "import/engine/support/XlsxFile.h"

#include "import/engine/support/DurvelUtils.h"
#include "platform/xml/Xml.h"

#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Transitional and strict namespaces of the same elements.
constexpr const char* kMain[] = {"http://schemas.openxmlformats.org/spreadsheetml/2006/main",
                                 "http://purl.oclc.org/ooxml/spreadsheetml/main"};
constexpr const char* kRel[] = {
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "http://purl.oclc.org/ooxml/officeDocument/relationships"};
constexpr const char* kPackageRel = "http://schemas.openxmlformats.org/package/2006/relationships";

constexpr int kMaxRows = TXlsxSheetReader::MaxRows;
constexpr int kMaxCols = TXlsxSheetReader::MaxCols;
// Parts read whole: real ones stay far below these.
constexpr qint64 kWorkbookCap = qint64(8) << 20;
constexpr qint64 kRelationshipsCap = qint64(4) << 20;
constexpr qint64 kStylesCap = qint64(16) << 20;
// One text of a part (a cell's value, a string item's run): a cell holds at most 32,767
// characters, so more is damage, not a text to gather whole.
constexpr qint64 kMaxTextBytes = qint64(1) << 20;
// Blocks of a part inflated ahead: small enough that the parse starts at once.
constexpr qsizetype kInflateBlock = 256 * 1024;
// Texts a sheet's cell store may hold.
constexpr qint64 kStoreBudget = qint64(256) << 20;
// Positions a whole sheet's merged ranges may fill in a cell store (a preview fills at most
// its own 256 x 256).
constexpr qint64 kFillLimit = qint64(1) << 20;

bool isMain(const xml::Reader& r, const char* local)
{
    return r.is(kMain[0], local) || r.is(kMain[1], local);
}

// isMain for the sheet's many elements: the namespace matched once, then by its pointer.
bool isMain(const xml::Reader& r, const char* local, const char*& key)
{
    if (!r.localNameIs(local))
        return false;
    const char* k = r.namespaceKey();
    if (k && k == key)
        return true;
    if (!isMain(r, local))
        return false;
    key = k;
    return true;
}

// isMain for the sheet's hot elements: the local name too matched once, then by its pointer.
bool isMain(const xml::Reader& r, TXlsxName& name, const char*& key)
{
    const char* local = r.localNameKey();
    if (!local)
        return false;
    if (local == name.Key) {
        const char* k = r.namespaceKey();
        if (k && k == key)
            return true;
    }
    if (!isMain(r, name.Local, key))
        return false;
    name.Key = local;
    return true;
}

QString relId(const xml::Reader& r)
{
    QString id = r.attributeNs(kRel[0], "id");
    return id.isEmpty() ? r.attributeNs(kRel[1], "id") : id;
}

[[noreturn]] void damaged(const QString& file, const QString& detail)
{
    throw EZipError(
        QStringLiteral("The workbook %1 is damaged: %2.").arg(QFileInfo(file).fileName(), detail));
}

// A part read whole, up to its cap, as a stream of nodes; nullptr when the archive lacks it.
std::unique_ptr<xml::Reader> smallPart(TMiniZip& zip, const QString& part, qint64 cap)
{
    if (part.isEmpty() || !zip.Contains(part))
        return {};
    xml::ParseSettings settings;
    settings.name = part;
    return xml::Reader::fromMemory(zip.ReadSmallEntry(part, cap), settings);
}

} // namespace

namespace {

// A large part as a stream of nodes, inflated and parsed ahead of the caller.
// Inflating, parsing and the caller's work overlap: the part is inflated a few blocks ahead of
// the parser, itself a thread ahead of the caller.
std::unique_ptr<xml::Reader> streamedPart(TZipReadAhead& stream, const QString& part)
{
    xml::ParseSettings settings;
    settings.name = part;
    settings.maxTextBytes = kMaxTextBytes;
    return xml::Reader::fromFunction(
        [&stream](char* buf, qint64 size) { return stream.Read(buf, size); }, settings);
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
    auto r = smallPart(zip, relsPartOf(part), kRelationshipsCap);
    if (!r)
        return out;
    while (r->read()) {
        if (!r->isElement() || r->depth() != 1 || !r->is(kPackageRel, "Relationship"))
            continue;
        const QString id = r->attribute("Id");
        if (id.isEmpty() || out.contains(id))
            continue;
        if (r->attribute("TargetMode") == QLatin1String("External"))
            continue;
        out.insert(id, {r->attribute("Type"), resolveTarget(part, r->attribute("Target"))});
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

[[noreturn]] void tooLong(const QString& file, const QString& part)
{
    damaged(file, QStringLiteral("a text of its part %1 is longer than %2 bytes")
                      .arg(part)
                      .arg(kMaxTextBytes));
}

// The text of the element the reader stands on, as UTF-8, read to its end tag; false when it
// grows longer than one text may be.
bool readElementUtf8(xml::Reader& r, std::string& out)
{
    out.clear(); // keeps the buffer
    if (!r.isElement() || r.isEmptyElement())
        return true;
    const int depth = r.depth();
    while (r.read()) {
        switch (r.nodeType()) {
        case xml::Reader::NodeType::Text:
        case xml::Reader::NodeType::CData:
        case xml::Reader::NodeType::Whitespace: {
            const QByteArrayView v = r.valueUtf8();
            out.append(v.data(), std::size_t(v.size()));
            if (qint64(out.size()) > kMaxTextBytes)
                return false;
            break;
        }
        case xml::Reader::NodeType::EndElement:
            if (r.depth() == depth)
                return true;
            break;
        default:
            break;
        }
    }
    return true;
}

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

// A whole number as written, blanks around allowed; false for anything else.
bool toInt(QByteArrayView text, int& value)
{
    // Plain digits, as nearly every writer puts them, without trimming or a parse.
    if (text.size() > 0 && text.size() <= 9) {
        int v = 0;
        qsizetype i = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            v = v * 10 + (text[i] - '0');
        if (i == text.size()) {
            value = v;
            return true;
        }
    }
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    if (text.isEmpty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
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

std::vector<TXlsxWorkbook::TNumberKind> loadStyles(TMiniZip& zip, const QString& part)
{
    std::vector<TXlsxWorkbook::TNumberKind> kinds;
    auto r = smallPart(zip, part, kStylesCap);
    if (!r)
        return kinds;
    std::vector<int> xfNumFmt;
    QHash<int, QString> numFmts;
    bool inFormats = false, inXfs = false;
    while (r->read()) {
        if (!r->isElement())
            continue;
        if (r->depth() == 1) {
            inFormats = isMain(*r, "numFmts");
            inXfs = isMain(*r, "cellXfs");
        } else if (r->depth() == 2 && inFormats && isMain(*r, "numFmt")) {
            numFmts.insert(r->attribute("numFmtId").toInt(), r->attribute("formatCode"));
        } else if (r->depth() == 2 && inXfs && isMain(*r, "xf")) {
            xfNumFmt.push_back(r->attribute("numFmtId").toInt());
        }
    }
    kinds.reserve(xfNumFmt.size());
    for (int id : xfNumFmt) {
        const auto custom = numFmts.constFind(id);
        if (custom != numFmts.constEnd())
            kinds.push_back(IsDateFormatText(*custom) ? TXlsxWorkbook::nkDate
                                                      : TXlsxWorkbook::nkPlain);
        else if (IsBuiltinDateFormat(id))
            kinds.push_back(TXlsxWorkbook::nkDate);
        else
            kinds.push_back(id == 10 ? TXlsxWorkbook::nkPercent : TXlsxWorkbook::nkPlain);
    }
    return kinds;
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

// The string items read one at a time from their own handle on the archive (the sheet's part
// streams meanwhile): each item's runs' texts, phonetic guides left out.
struct TXlsxSharedStrings::TSource
{
    QString File, Part;
    std::unique_ptr<TMiniZip> Zip;
    std::unique_ptr<TZipReadAhead> Stream;
    std::unique_ptr<xml::Reader> Xml;
    bool More = true;
    std::string Item, T;
    TXlsxName SiName{"si"}, TName{"t"}, RName{"r"};
    const char* MainKey = nullptr;
    std::vector<QString> Batch; // being handed out
    std::size_t Index = 0;
    // Last: its thread stops before the parts it reads go.
    std::unique_ptr<queue::ReadAhead<std::vector<QString>>> Ahead;

    // The next item's text, the items read on a thread of their own a few batches ahead (the
    // sheet's rows are made meanwhile); false after the last.
    bool Take(QString& Text)
    {
        while (Index >= Batch.size()) {
            if (!Ahead)
                Ahead = std::make_unique<queue::ReadAhead<std::vector<QString>>>(
                    [this](std::vector<QString>& batch, const queue::StopFlag& stop) {
                        return Fill(batch, stop);
                    },
                    4);
            if (!Ahead->take(Batch))
                return false;
            Index = 0;
        }
        Text = std::move(Batch[Index++]);
        return true;
    }

    bool Fill(std::vector<QString>& Out, const queue::StopFlag& Stop)
    {
        Out.clear();
        qsizetype bytes = 0;
        QString text;
        while (Out.size() < 1024 && bytes < (qsizetype(1) << 20)) {
            Stop.check();
            if (!Next(text))
                return false;
            bytes += text.size() * 2;
            Out.push_back(std::move(text));
        }
        return true;
    }

    // The next item's text; false after the last.
    bool Next(QString& Text)
    {
        if (!Xml) {
            if (!More)
                return false;
            Zip = std::make_unique<TMiniZip>(File);
            Zip->Open();
            if (!Zip->Contains(Part)) {
                More = false;
                return false;
            }
            Stream = Zip->ReadAhead(Part, kInflateBlock);
            Xml = streamedPart(*Stream, Part);
            More = Xml->read();
        }
        xml::Reader& r = *Xml;
        while (More && (!r.isElement() || r.depth() != 1 || !isMain(r, SiName, MainKey)))
            More = r.read();
        if (!More) {
            Xml.reset();
            Stream.reset();
            Zip.reset();
            return false;
        }
        Item.clear();
        if (!r.isEmptyElement()) {
            const int depth = r.depth();
            More = r.read();
            while (More && !(r.isEndElement() && r.depth() == depth)) {
                if (r.isElement() && (r.depth() == depth + 1 || r.depth() == depth + 2) &&
                    isMain(r, TName, MainKey)) {
                    // the item's text or a run's (a phonetic guide's runs are skipped whole)
                    if (!readElementUtf8(r, T) || qint64(Item.size() + T.size()) > kMaxTextBytes)
                        tooLong(File, Part);
                    Item += T;
                } else if (r.isElement() && r.depth() == depth + 1 && !isMain(r, RName, MainKey)) {
                    More = r.skipSubtree();
                    continue;
                } else if (r.isElement() && r.depth() == depth + 2) {
                    More = r.skipSubtree();
                    continue;
                }
                More = r.read();
            }
        }
        if (More)
            More = r.read();
        Text = QString::fromUtf8(Item.data(), qsizetype(Item.size()));
        return true;
    }
};

TXlsxSharedStrings::TXlsxSharedStrings() = default;
TXlsxSharedStrings::~TXlsxSharedStrings() = default;

void TXlsxSharedStrings::SetSource(const QString& FileName, const QString& Part)
{
    Clear();
    if (Part.isEmpty())
        return;
    FSource = std::make_unique<TSource>();
    FSource->File = FileName;
    FSource->Part = Part;
}

bool TXlsxSharedStrings::Has(int Index) const
{
    if (Index < 0)
        return false;
    QString text;
    while (Index >= Count() && FSource) {
        if (!FSource->Take(text)) {
            FSource.reset();
            FItems.shrink_to_fit();
            break;
        }
        if (!Append(text))
            damaged(FSource->File,
                    QStringLiteral("its shared strings take more than %1 MiB").arg(Budget >> 20));
    }
    return Index < Count();
}

QString TXlsxSharedStrings::Text(int Index) const
{
    const TItem& item = FItems[std::size_t(Index)];
    return FBuffers[item.Buffer].mid(item.Offset, item.Length);
}

void TXlsxSharedStrings::Clear()
{
    FSource.reset();
    FBuffers.clear();
    FItems.clear();
    FBufferBytes = 0;
}

bool TXlsxSharedStrings::Append(QStringView Text) const
{
    if (FBuffers.empty() || FBuffers.back().size() + Text.size() > FBuffers.back().capacity()) {
        const qsizetype last = FBuffers.empty() ? 0 : FBuffers.back().capacity();
        const qsizetype chars =
            qMax(qBound(kFirstBufferChars, 2 * last, kBufferChars), Text.size());
        if (FBufferBytes + qint64(chars) * 2 + qint64(FItems.size() + 1) * 12 > Budget)
            return false;
        FBuffers.emplace_back().reserve(chars);
        FBufferBytes += qint64(FBuffers.back().capacity()) * 2;
    }
    if (FBufferBytes + qint64(FItems.size() + 1) * 12 > Budget)
        return false;
    QString& buffer = FBuffers.back();
    FItems.push_back({quint32(FBuffers.size() - 1), quint32(buffer.size()), quint32(Text.size())});
    buffer.append(Text);
    return true;
}

QString TXlsxRow::Text(int Col) const
{
    return textIn(Cells, Col);
}

TXlsxSheetReader::TXlsxSheetReader(TMiniZip& Zip, const TXlsxWorkbook& Book,
                                   const TXlsxWorkSheet& Sheet, const QString& FileName,
                                   TOptions Options)
    : FZip(Zip), FBook(Book), FSheet(Sheet), FFile(FileName), FOptions(std::move(Options)),
      FWantedBits(std::size_t(kMaxCols), false), FFill(Book.NeedFillMerge)
{
    FOptions.ColLimit = qBound(0, FOptions.ColLimit, kMaxCols);
    if (FOptions.Columns.empty()) {
        for (int c = 0; c < FOptions.ColLimit; ++c)
            FColumns.push_back(c);
    } else {
        for (int c : FOptions.Columns)
            if (c >= 0 && c < kMaxCols)
                FColumns.push_back(c);
        std::sort(FColumns.begin(), FColumns.end());
        FColumns.erase(std::unique(FColumns.begin(), FColumns.end()), FColumns.end());
    }
    for (int c : FColumns)
        FWantedBits[std::size_t(c)] = true;
    if (FSheet.PartName.isEmpty() || !FZip.Contains(FSheet.PartName))
        Damaged(QStringLiteral("the part of its sheet \"%1\" is missing").arg(FSheet.Name));
    if (FFill) {
        FActive.resize(FColumns.size());
        ReadMerges();
    }
    Open();
}

TXlsxSheetReader::~TXlsxSheetReader() = default;

void TXlsxSheetReader::Damaged(const QString& Detail) const
{
    damaged(FFile, Detail);
}

bool TXlsxSheetReader::Wanted(int Col) const
{
    return FWantedBits[std::size_t(Col)];
}

void TXlsxSheetReader::ReadMerges()
{
    {
        const std::unique_ptr<TZipReadAhead> stream =
            FZip.ReadAhead(FSheet.PartName, kInflateBlock);
        auto r = streamedPart(*stream, FSheet.PartName);
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
                    Damaged(QStringLiteral("its merged range %1 lies outside the sheet's "
                                           "A1:XFD1048576 or is not one")
                                .arg(QString::fromUtf8(ref)));
                if (FMerges.size() >= std::size_t(MaxMerges))
                    Damaged(QStringLiteral("its sheet \"%1\" has more than %2 merged ranges")
                                .arg(FSheet.Name)
                                .arg(MaxMerges));
                FMerges.push_back(m);
            }
            more = r->read();
        }
    }
    FByCorner.resize(FMerges.size());
    for (std::size_t i = 0; i < FMerges.size(); ++i)
        FByCorner[i] = int(i);
    std::stable_sort(FByCorner.begin(), FByCorner.end(), [this](int a, int b) {
        const TXlsxMerge &x = FMerges[std::size_t(a)], &y = FMerges[std::size_t(b)];
        return x.Row1 != y.Row1 ? x.Row1 < y.Row1 : x.Col1 < y.Col1;
    });
    FMergeText.resize(FMerges.size());
}

void TXlsxSheetReader::Open()
{
    FStream = FZip.ReadAhead(FSheet.PartName, kInflateBlock);
    FXml = streamedPart(*FStream, FSheet.PartName);
    // Up to the sheet's data; what comes before it tells the sheet's extent.
    while (FXml->read()) {
        if (!FXml->isElement() || FXml->depth() != 1)
            continue;
        if (isMain(*FXml, "dimension")) {
            const QByteArrayView ref = FXml->attributeUtf8("ref");
            const qsizetype colon = ref.indexOf(':');
            int col = 0, row = 0;
            if (parseCellRef(colon < 0 ? ref : ref.sliced(colon + 1), col, row))
                FDeclaredRows = row;
        } else if (isMain(*FXml, "sheetData")) {
            if (FXml->isEmptyElement())
                break;
            return;
        }
    }
    FAtEnd = true; // no rows
}

bool TXlsxSheetReader::ParseRow(TPending& P)
{
    P.Row = -1;
    P.Cells.clear();
    P.Corners.clear();
    xml::Reader& r = *FXml;
    for (;;) {
        if (!r.read() || r.depth() < 2) {
            // The end of the sheet's data: what follows it is not read.
            FAtEnd = true;
            FXml.reset();
            FStream.reset();
            return false;
        }
        if (r.isElement() && r.depth() == 2 && isMain(r, FRowName, FMainKey))
            break;
    }
    const QByteArrayView at = r.attributeUtf8("r");
    int row = -1;
    if (!at.isEmpty()) {
        int n = 0;
        if (!toInt(at, n) || n < 1 || n > kMaxRows)
            Damaged(QStringLiteral("its row number %1 lies outside 1 to %2")
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
            if (!r.isElement() || r.depth() != depth + 1 || !isMain(r, FCellName, FMainKey))
                continue;
            const int before = col;
            ParseCell(row, col, P);
            if (col <= before)
                sorted = false;
            if (P.Cells.size() > std::size_t(kMaxCols) ||
                P.Corners.size() > std::size_t(kMaxCols)) {
                sortCells(P.Cells);
                sortCells(P.Corners);
            }
        }
        if (!sorted) {
            sortCells(P.Cells);
            sortCells(P.Corners);
        }
    }
    if (row < 0)
        row = FLastParsed + 1;
    if (row <= FLastParsed)
        Damaged(QStringLiteral("its row %1 comes after row %2").arg(row + 1).arg(FLastParsed + 1));
    if (row >= kMaxRows)
        Damaged(QStringLiteral("a row lies beyond row %1").arg(kMaxRows));
    FLastParsed = row;
    P.Row = row;
    return true;
}

void TXlsxSheetReader::ParseCell(int& Row, int& Col, TPending& Out)
{
    xml::Reader& r = *FXml;
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
            Damaged(QStringLiteral("its cell reference %1 lies outside the sheet's "
                                   "A1:XFD1048576 or is not one")
                        .arg(QString::fromUtf8(ref)));
        if (Row < 0) {
            if (row - 1 <= FLastParsed)
                Damaged(
                    QStringLiteral("its row %1 comes after row %2").arg(row).arg(FLastParsed + 1));
            Row = row - 1;
        } else if (row - 1 != Row) {
            Damaged(QStringLiteral("its cell %1 lies outside its row %2")
                        .arg(QString::fromUtf8(ref))
                        .arg(Row + 1));
        }
    } else {
        // A cell without a reference follows the one before it.
        if (++Col > kMaxCols)
            Damaged(QStringLiteral("a cell lies beyond column %1").arg(kMaxCols));
        if (Row < 0)
            Row = FLastParsed + 1;
    }
    if (FFill && FCornerRow != Row)
        EnterRow(Row);
    // Taken before reading on: the attributes live as long as the element.
    const int type = cellType(typeName);
    int style = -1;
    if (!toInt(styleText, style))
        style = -1;
    FV.clear();
    QString inlineText;
    if (!r.isEmptyElement()) {
        const int depth = r.depth();
        while (r.read()) {
            if (r.isEndElement() && r.depth() == depth)
                break;
            if (!r.isElement())
                continue;
            if (isMain(r, FValueName, FMainKey)) {
                if (!readElementUtf8(r, FV))
                    tooLong(FFile, FSheet.PartName);
            } else if (isMain(r, FInlineName, FMainKey)) {
                inlineText += InlineString();
                if (inlineText.size() > kMaxTextBytes)
                    tooLong(FFile, FSheet.PartName);
            }
        }
    }
    const QByteArrayView v(FV.data(), qsizetype(FV.size()));
    if (!HasText(type, v, inlineText, Row + 1, Col))
        return;
    Out.MaxCol = qMax(Out.MaxCol, Col);
    if (Wanted(Col - 1))
        Out.Cells.emplace_back(Col - 1, Value(type, style, v, inlineText));
    else if (FFill && std::binary_search(FCornerCols.begin(), FCornerCols.end(), Col - 1))
        Out.Corners.emplace_back(Col - 1, Value(type, style, v, inlineText));
}

QString TXlsxSheetReader::InlineString()
{
    xml::Reader& r = *FXml;
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
                tooLong(FFile, FSheet.PartName);
        }
    }
    return out;
}

bool TXlsxSheetReader::HasText(int Type, QByteArrayView V, const QString& Inline, int Row,
                               int Col) const
{
    switch (Type) {
    case ctShared: {
        if (V.trimmed().isEmpty())
            return false; // <v></v>: nothing stored
        int n = -1;
        if (!toInt(V, n) || !FBook.SharedStrings.Has(n))
            Damaged(QStringLiteral("cell %1 refers to a shared string %2 that does not exist")
                        .arg(cellName(Col, Row), QString::fromUtf8(V)));
        return !FBook.SharedStrings.IsEmpty(n);
    }
    case ctInline:
        return !Inline.isEmpty() || !V.isEmpty();
    case ctBool:
        return !V.trimmed().isEmpty();
    default:
        return !V.isEmpty();
    }
}

QString TXlsxSheetReader::Value(int Type, int Style, QByteArrayView V, const QString& Inline) const
{
    const TSheetTextFormat& fmt = FBook.TextFormat;
    switch (Type) {
    case ctNumber: {
        const auto kind = Style >= 0 && Style < int(FBook.NumberKinds.size())
                              ? FBook.NumberKinds[std::size_t(Style)]
                              : TXlsxWorkbook::nkPlain;
        if (kind == TXlsxWorkbook::nkPlain) {
            QString text;
            return fmt.XmlNumberText(V, text) ? text : QString::fromUtf8(V);
        }
        bool ok = false;
        const double d = toDouble(V, &ok);
        if (!ok)
            return QString::fromUtf8(V);
        return kind == TXlsxWorkbook::nkDate ? fmt.SerialText(d, FBook.Date1904)
                                             : percentText(d, fmt.DecimalSeparator);
    }
    case ctShared: {
        int n = -1;
        toInt(V, n); // checked by HasText
        return FBook.SharedStrings.Text(n);
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

void TXlsxSheetReader::EnterRow(int Row)
{
    // Merges whose top-left row passed without a cell there never fill anything.
    FCornerRow = Row;
    FCornerCols.clear();
    while (FNextCorner < FByCorner.size() &&
           FMerges[std::size_t(FByCorner[FNextCorner])].Row1 - 1 < Row)
        ++FNextCorner;
    FCornerEnd = FNextCorner;
    while (FCornerEnd < FByCorner.size() &&
           FMerges[std::size_t(FByCorner[FCornerEnd])].Row1 - 1 == Row) {
        const int c = FMerges[std::size_t(FByCorner[FCornerEnd])].Col1 - 1;
        if (FCornerCols.empty() || FCornerCols.back() != c)
            FCornerCols.push_back(c);
        ++FCornerEnd;
    }
}

void TXlsxSheetReader::Activate(int Row, const TPending& Parsed)
{
    if (FCornerRow != Row)
        EnterRow(Row);
    for (std::size_t k = FNextCorner; k < FCornerEnd; ++k) {
        const int m = FByCorner[k];
        const TXlsxMerge& g = FMerges[std::size_t(m)];
        QString text = Wanted(g.Col1 - 1) ? textIn(Parsed.Cells, g.Col1 - 1)
                                          : textIn(Parsed.Corners, g.Col1 - 1);
        if (text.isEmpty())
            continue;
        FMergeText[std::size_t(m)] = std::move(text);
        FFillUntil = qMax(FFillUntil, g.Row2 - 1);
        if (g.Col2 > g.Col1 || g.Row2 > g.Row1)
            FColCount = qMax(FColCount, g.Col2);
        const auto first = std::lower_bound(FColumns.begin(), FColumns.end(), g.Col1 - 1);
        const auto last = std::upper_bound(first, FColumns.end(), g.Col2 - 1);
        if (first == last)
            continue;
        for (auto it = first; it != last; ++it) {
            const int p = int(it - FColumns.begin());
            FActive[std::size_t(p)].insert(m);
            FActiveCols.insert(p);
        }
        FExpiry.insert({g.Row2 - 1, m});
    }
    FNextCorner = FCornerEnd;
}

void TXlsxSheetReader::Expire(int Row)
{
    while (!FExpiry.empty() && FExpiry.begin()->first < Row) {
        const int m = FExpiry.begin()->second;
        FExpiry.erase(FExpiry.begin());
        const TXlsxMerge& g = FMerges[std::size_t(m)];
        const auto first = std::lower_bound(FColumns.begin(), FColumns.end(), g.Col1 - 1);
        const auto last = std::upper_bound(first, FColumns.end(), g.Col2 - 1);
        for (auto it = first; it != last; ++it) {
            const int p = int(it - FColumns.begin());
            std::set<int>& active = FActive[std::size_t(p)];
            active.erase(m);
            if (active.empty())
                FActiveCols.erase(p);
        }
        FMergeText[std::size_t(m)] = QString();
    }
}

void TXlsxSheetReader::Fill(int Row, std::vector<std::pair<int, QString>>& Cells)
{
    if (FActiveCols.empty())
        return;
    // The last range in the sheet's order that covers a position wins, a range's own top-left
    // cell keeping its text.
    std::vector<std::pair<int, QString>> fills;
    for (int p : FActiveCols) {
        const int col = FColumns[std::size_t(p)];
        const std::set<int>& active = FActive[std::size_t(p)];
        for (auto it = active.rbegin(); it != active.rend(); ++it) {
            const TXlsxMerge& g = FMerges[std::size_t(*it)];
            if (g.Row1 - 1 == Row && g.Col1 - 1 == col)
                continue;
            fills.emplace_back(col, FMergeText[std::size_t(*it)]);
            break;
        }
    }
    if (fills.empty())
        return;
    FFilled += qint64(fills.size());
    if (FOptions.Columns.empty() && FFilled > kFillLimit)
        Damaged(QStringLiteral("its merged ranges cover more than %1 cells").arg(kFillLimit));
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

bool TXlsxSheetReader::Next(TXlsxRow& Row)
{
    for (;;) {
        if (!FHavePending && !FAtEnd)
            FHavePending = ParseRow(FPending);
        int next = FHavePending ? FPending.Row : INT_MAX;
        if (FFillUntil > FLastRow)
            next = qMin(next, FLastRow + 1);
        if (next == INT_MAX)
            return false;
        if (FOptions.RowLimit > 0 && next >= FOptions.RowLimit) {
            FHavePending = false;
            FAtEnd = true;
            FFillUntil = -1;
            FXml.reset();
            FStream.reset();
            return false;
        }
        Row.Row = next;
        Row.Cells.clear();
        bool text = false;
        if (FFill)
            Expire(next);
        if (FHavePending && FPending.Row == next) {
            FHavePending = false;
            text = FPending.MaxCol > 0;
            FColCount = qMax(FColCount, FPending.MaxCol);
            if (FFill)
                Activate(next, FPending);
            Row.Cells.swap(FPending.Cells);
            FPending.MaxCol = 0;
        }
        if (FFill)
            Fill(next, Row.Cells);
        FLastRow = next;
        if (!text && next > FFillUntil)
            continue; // empty cells alone
        FRowCount = next + 1;
        return true;
    }
}

TXlsxRowsAhead::TXlsxRowsAhead(std::unique_ptr<TXlsxSheetReader> Reader)
    : FReader(std::move(Reader)),
      FAhead([this](std::vector<TXlsxRow>& batch,
                    const queue::StopFlag& stop) { return Fill(batch, stop); },
             kBatches)
{}

bool TXlsxRowsAhead::Fill(std::vector<TXlsxRow>& Batch, const queue::StopFlag& Stop)
{
    // A batch ends at so many rows, cells or bytes, so that wide or long rows keep it small.
    // Its rows are filled again in place: a row costs no allocation of its own once the first
    // batches went round.
    std::size_t rows = 0, cells = 0, bytes = 0;
    bool more = true;
    try {
        Batch.reserve(kBatchRows);
        while (rows < kBatchRows && cells < kBatchCells && bytes < kBatchBytes) {
            Stop.check();
            if (rows == Batch.size())
                Batch.emplace_back();
            TXlsxRow& row = Batch[rows];
            if (!(more = FReader->Next(row)))
                break;
            cells += row.Cells.size() + 1;
            for (const auto& cell : row.Cells)
                bytes += std::size_t(cell.second.size()) * 2;
            ++rows;
        }
    } catch (...) {
        // The rows before the failure still go first.
        Batch.resize(rows);
        throw;
    }
    Batch.resize(rows);
    return more;
}

bool TXlsxRowsAhead::Next(TXlsxRow& Row)
{
    while (FIndex >= FBatch.size()) {
        if (!FAhead.take(FBatch))
            return false;
        FIndex = 0;
    }
    // The caller's last row goes back with the batch, to be filled again.
    std::swap(Row, FBatch[FIndex++]);
    return true;
}

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

TXlsxFile::~TXlsxFile() = default;

void TXlsxFile::ReadWorkbook(TMiniZip& Zip)
{
    TXlsxWorkbook& book = Workbook;
    book.WorkSheets.clear();
    book.SharedStrings.Clear();
    book.NumberKinds.clear();
    book.Date1904 = false;

    const auto packageRels = relationshipsOf(Zip, QString());
    QString workbookPart = targetOfType(packageRels, "/officeDocument");
    if (workbookPart.isEmpty())
        workbookPart = QStringLiteral("xl/workbook.xml");
    auto r = smallPart(Zip, workbookPart, kWorkbookCap);
    if (!r)
        return; // no workbook part: no sheets
    const auto rels = relationshipsOf(Zip, workbookPart);
    bool inSheets = false;
    while (r->read()) {
        if (!r->isElement())
            continue;
        if (r->depth() == 1) {
            inSheets = isMain(*r, "sheets");
            if (isMain(*r, "workbookPr")) {
                const QString v = r->attribute("date1904");
                book.Date1904 = v == QLatin1String("1") || v == QLatin1String("true");
            }
            continue;
        }
        if (r->depth() != 2 || !inSheets || !isMain(*r, "sheet") || !r->hasAttribute("name"))
            continue;
        const QString state = r->attribute("state");
        const bool hidden =
            state == QLatin1String("hidden") || state == QLatin1String("veryHidden");
        if (hidden && !book.LoadHiddenSheet)
            continue;
        auto sheet = std::make_unique<TXlsxWorkSheet>();
        sheet->Name = r->attribute("name");
        sheet->Hidden = hidden;
        const auto rel = rels.constFind(relId(*r));
        if (rel != rels.constEnd())
            sheet->PartName = rel->target;
        book.WorkSheets.push_back(std::move(sheet));
    }
    r.reset();

    const QString folder = workbookPart.left(workbookPart.lastIndexOf(u'/') + 1);
    QString stringsPart = targetOfType(rels, "/sharedStrings");
    if (stringsPart.isEmpty())
        stringsPart = folder + QStringLiteral("sharedStrings.xml");
    book.SharedStrings.SetSource(FileName(), Zip.Contains(stringsPart) ? stringsPart : QString());

    QString stylesPart = targetOfType(rels, "/styles");
    if (stylesPart.isEmpty())
        stylesPart = folder + QStringLiteral("styles.xml");
    book.NumberKinds = loadStyles(Zip, stylesPart);
}

void TXlsxFile::LoadCells(TMiniZip& Zip, TXlsxWorkSheet& Sheet)
{
    Sheet.Cells.SetColCount(0);
    Sheet.Cells.SetRowCount(0);
    Sheet.Cells.ClearCells();
    Sheet.ColCount = Sheet.RowCount = 0;
    if (Sheet.PartName.isEmpty() || !Zip.Contains(Sheet.PartName)) {
        // A sheet whose part is missing shows empty beside the others; an import of it is
        // refused when it opens the sheet.
        Sheet.Loaded = true;
        return;
    }
    TXlsxSheetReader::TOptions options;
    if (FColLimit > 0)
        options.ColLimit = FColLimit;
    options.RowLimit = FRowLimit;
    auto reader =
        std::make_unique<TXlsxSheetReader>(Zip, Workbook, Sheet, FileName(), std::move(options));
    // The rows are made on a thread of their own while this one stores them.
    TXlsxRowsAhead rows(std::move(reader));
    TXlsxRow row;
    qint64 bytes = 0;
    while (rows.Next(row))
        for (const auto& [col, text] : row.Cells) {
            bytes += qint64(text.size()) * 2;
            if (bytes > kStoreBudget)
                damaged(FileName(),
                        QStringLiteral("the texts of its sheet \"%1\" take more than %2 MiB")
                            .arg(Sheet.Name)
                            .arg(kStoreBudget >> 20));
            Sheet.Cells.SetCell(col, row.Row, text);
        }
    Sheet.ColCount = rows.Reader().ColCount();
    Sheet.RowCount = rows.Reader().RowCount();
    Sheet.Cells.SetColCount(Sheet.ColCount);
    Sheet.Cells.SetRowCount(Sheet.RowCount);
    Sheet.Loaded = true;
}

void TXlsxFile::Parse(TMiniZip& Zip)
{
    ReadWorkbook(Zip);
    for (const auto& sheet : Workbook.WorkSheets)
        LoadCells(Zip, *sheet);
}

void TXlsxFile::OpenWorkbook()
{
    Close();
    auto zip = std::make_unique<TMiniZip>(FileName());
    zip->Open();
    ReadWorkbook(*zip);
    FZip = std::move(zip);
}

std::unique_ptr<TXlsxSheetReader> TXlsxFile::OpenSheet(const TXlsxWorkSheet& Sheet,
                                                       TXlsxSheetReader::TOptions Options)
{
    if (!FZip)
        throw EZipError(
            QStringLiteral("The workbook %1 is not open").arg(QFileInfo(FileName()).fileName()));
    return std::make_unique<TXlsxSheetReader>(*FZip, Workbook, Sheet, FileName(),
                                              std::move(Options));
}

void TXlsxFile::Close()
{
    FZip.reset();
}

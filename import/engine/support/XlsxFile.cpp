#include "import/engine/support/XlsxFile.h"

#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/XlsxParts.h"
#include "import/engine/support/XlsxRowsAhead.h"

#include <QFileInfo>

using namespace xlsx;

namespace {

constexpr const char* kRel[] = {
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "http://purl.oclc.org/ooxml/officeDocument/relationships"};
constexpr const char* kPackageRel = "http://schemas.openxmlformats.org/package/2006/relationships";

// Parts read whole: real ones stay far below these.
constexpr qint64 kWorkbookCap = qint64(8) << 20;
constexpr qint64 kRelationshipsCap = qint64(4) << 20;
constexpr qint64 kStylesCap = qint64(16) << 20;
// Texts a sheet's cell store may hold.
constexpr qint64 kStoreBudget = qint64(256) << 20;
QString relId(const xml::Reader& r)
{
    QString id = r.attributeNs(kRel[0], "id");
    return id.isEmpty() ? r.attributeNs(kRel[1], "id") : id;
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
    XlsxSheetReader::Options options;
    if (FColLimit > 0)
        options.colLimit = FColLimit;
    options.rowLimit = FRowLimit;
    auto reader =
        std::make_unique<XlsxSheetReader>(Zip, Workbook, Sheet, FileName(), std::move(options));
    // The rows are made on a thread of their own while this one stores them.
    XlsxRowsAhead rows(std::move(reader));
    XlsxRow row;
    qint64 bytes = 0;
    while (rows.next(row))
        for (const auto& [col, text] : row.cells) {
            bytes += qint64(text.size()) * 2;
            if (bytes > kStoreBudget)
                damaged(FileName(),
                        QStringLiteral("the texts of its sheet \"%1\" take more than %2 MiB")
                            .arg(Sheet.Name)
                            .arg(kStoreBudget >> 20));
            Sheet.Cells.SetCell(col, row.row, text);
        }
    Sheet.ColCount = rows.reader().colCount();
    Sheet.RowCount = rows.reader().rowCount();
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

std::unique_ptr<XlsxSheetReader> TXlsxFile::OpenSheet(const TXlsxWorkSheet& Sheet,
                                                       XlsxSheetReader::Options Options)
{
    if (!FZip)
        throw EZipError(
            QStringLiteral("The workbook %1 is not open").arg(QFileInfo(FileName()).fileName()));
    return std::make_unique<XlsxSheetReader>(*FZip, Workbook, Sheet, FileName(),
                                              std::move(Options));
}

void TXlsxFile::Close()
{
    FZip.reset();
}

// Loads a document whose content part is the input (up to a NUL byte; after it the settings
// part, and after another the manifest) as an ODS spreadsheet (merged blocks expanded or not) and
// as an ODT text document, whole and as a page's preview: repeats and spans must stay within the
// bounds, a preview within its rows, and errors must be designed ones. A preview that skips rows by
// scanning must read as the one that parses them wherever the content is well-formed.
#include "FuzzZip.h"

#include "import/engine/support/OpenDocumentFile.h"
#include "platform/xml/Xml.h"

namespace {

// The sheets read, or the error met.
QString load(TOpenDocumentFile& file, const QString& path, int preview = 0,
             const QString& only = {})
{
    QString out;
    try {
        file.SetPreviewRows(preview);
        file.SetOnlySheet(only);
        file.SetFileName(path);
        file.Load();
        for (const auto& sheet : file.SpreadSheets) {
            fuzz::check(sheet->RowCount <= TOpenDocumentFile::MaxRows &&
                            sheet->ColCount <= TOpenDocumentFile::MaxCols &&
                            sheet->Cells.StoredCellCount() <= TOpenDocumentFile::MaxCells,
                        "a table beyond the bounds");
            fuzz::check(preview == 0 || sheet->RowCount <= preview, "a preview beyond its rows");
            fuzz::check(!sheet->Unread || sheet->Cells.StoredCellCount() == 0,
                        "an unread sheet with cells");
            out += QStringLiteral("%1 %2x%3 %4|")
                       .arg(sheet->Name)
                       .arg(sheet->ColCount)
                       .arg(sheet->RowCount)
                       .arg(sheet->Unread);
            for (int r = 0; r < sheet->RowCount; ++r)
                for (int c = 0; c < sheet->ColCount; ++c)
                    out += sheet->Cells.Cell(c, r) + u'|';
        }
    } catch (const EZipError& e) {
        out = QStringLiteral("error ") + e.message();
    } catch (const xml::XmlError& e) {
        out = QStringLiteral("error ") + e.message();
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
        out = QStringLiteral("error ") + QString::fromUtf8(e.what());
    }
    return out;
}

bool wellFormed(const QByteArray& content)
{
    try {
        auto reader = xml::Reader::fromMemory(content);
        while (reader->read()) {
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QList<QByteArray> parts = fuzz::splitParts(data, size, 3);
    QList<std::pair<QByteArray, QByteArray>> members{{"content.xml", parts[0]}};
    if (!parts[1].isEmpty())
        members.append({"settings.xml", parts[1]});
    if (!parts[2].isEmpty())
        members.append({"META-INF/manifest.xml", parts[2]});
    const QString path = fuzz::writeZip("in.ods", members);
    TODSFile ods;
    ods.SetNotExpandMergedValue(size % 2 == 0);
    load(ods, path);
    TODTFile odt;
    load(odt, path);
    const int preview = 1 + int(size % 4);
    // Every sheet's preview, then the last sheet's alone (as a tab listed unread is read).
    for (int round = 0; round < 2; ++round) {
        TODSFile odsPreview;
        const QString only =
            round == 0 || ods.SpreadSheets.empty() ? QString() : ods.SpreadSheets.back()->Name;
        if (round == 1 && only.isEmpty())
            break;
        const QString skipped = load(odsPreview, path, preview, only);
        TODSFile odsParsed;
        odsParsed.SetSkipByScanning(false);
        const QString parsed = load(odsParsed, path, preview, only);
        // Damage the scanner does not look for (a mismatched end tag in a skipped row) is
        // met by the import, which reads every row.
        fuzz::check(skipped == parsed ||
                        (parsed.startsWith(QLatin1String("error ")) && !wellFormed(parts[0])),
                    "a preview that skips rows reads otherwise than one that parses them");
    }
    TODTFile odtPreview, odtParsed;
    odtParsed.SetSkipByScanning(false);
    const QString skipped = load(odtPreview, path, preview);
    const QString parsed = load(odtParsed, path, preview);
    fuzz::check(skipped == parsed ||
                    (parsed.startsWith(QLatin1String("error ")) && !wellFormed(parts[0])),
                "a text preview that skips rows reads otherwise than one that parses them");
    return 0;
}

// Loads a document whose content part is the input (up to a NUL byte; after it the settings
// part) as an ODS spreadsheet (merged blocks expanded or not) and as an ODT text document,
// whole and as a page's preview: repeats and spans must stay within the bounds, a preview
// within its rows, and errors must be designed ones.
#include "FuzzZip.h"

#include "import/engine/support/OpenDocumentFile.h"
#include "platform/xml/Xml.h"

namespace {

void load(TOpenDocumentFile& file, const QString& path, int preview = 0)
{
    try {
        file.SetPreviewRows(preview);
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
        }
    } catch (const EZipError&) {
    } catch (const xml::XmlError&) {
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QList<QByteArray> parts = fuzz::splitParts(data, size, 2);
    QList<std::pair<QByteArray, QByteArray>> members{{"content.xml", parts[0]}};
    if (!parts[1].isEmpty())
        members.append({"settings.xml", parts[1]});
    const QString path = fuzz::writeZip("in.ods", members);
    TODSFile ods;
    ods.SetNotExpandMergedValue(size % 2 == 0);
    load(ods, path);
    TODTFile odt;
    load(odt, path);
    const int preview = 1 + int(size % 4);
    TODSFile odsPreview;
    load(odsPreview, path, preview);
    TODTFile odtPreview;
    load(odtPreview, path, preview);
    return 0;
}

// Loads a document whose content part is the input as an ODS spreadsheet (merged blocks
// expanded or not) and as an ODT text document: repeats and spans must stay within the bounds,
// and errors must be designed ones.
#include "FuzzZip.h"

#include "import/engine/support/OpenDocumentFile.h"
#include "platform/xml/Xml.h"

namespace {

void load(TOpenDocumentFile& file, const QString& path)
{
    try {
        file.SetFileName(path);
        file.Load();
        for (const auto& sheet : file.SpreadSheets)
            fuzz::check(sheet->RowCount <= TOpenDocumentFile::MaxRows &&
                            sheet->ColCount <= TOpenDocumentFile::MaxCols &&
                            sheet->Cells.StoredCellCount() <= TOpenDocumentFile::MaxCells,
                        "a table beyond the bounds");
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
    const QString path = fuzz::writeZip(
        "in.ods",
        {{"content.xml", QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))}});
    TODSFile ods;
    ods.SetNotExpandMergedValue(size % 2 == 0);
    load(ods, path);
    TODTFile odt;
    load(odt, path);
    return 0;
}

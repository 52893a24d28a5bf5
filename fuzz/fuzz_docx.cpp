// Loads a DOCX document whose main part is the input, and reads its tables with and without
// merge filling.
#include "FuzzZip.h"

#include "import/engine/support/DocxFile.h"
#include "platform/xml/Xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QString path = fuzz::writeZip(
        "in.docx",
        {{"word/document.xml", QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))}});
    for (const bool fill : {false, true}) {
        try {
            TDocxFile file;
            file.SetNeedFillMerge(fill);
            file.SetFileName(path);
            file.Load();
        } catch (const EZipError&) {
        } catch (const xml::XmlError&) {
        } catch (const std::exception& e) {
            fuzz::expectedError(e);
        }
    }
    return 0;
}

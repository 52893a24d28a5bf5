// Loads a DOCX document from the input's parts (separated by NUL bytes): the package
// relationships, which name the main part, then the main part word/document.xml; reads its tables
// with and without merge filling.
#include "FuzzZip.h"

#include "import/engine/support/DocxFile.h"
#include "platform/xml/Xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QList<QByteArray> parts = fuzz::splitParts(data, size, 2);
    QList<std::pair<QByteArray, QByteArray>> members{{"word/document.xml", parts[1]}};
    if (!parts[0].isEmpty())
        members.append({"_rels/.rels", parts[0]});
    const QString path = fuzz::writeZip("in.docx", members);
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

// The input's first line is an XPath, the rest an XML document: loading, selecting and building
// the node table must end well or in a designed error, and the table must be rectangular.
#include "FuzzSupport.h"

#include "import/engine/support/SparseCells.h"
#include "import/engine/support/XMLDocFile.h"
#include "platform/xml/Xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nl = bytes.indexOf('\n');
    const QString xpath = QString::fromUtf8(nl < 0 ? bytes : bytes.left(nl));
    const QString path = fuzz::writeFile("in.xml", nl < 0 ? QByteArray() : bytes.mid(nl + 1));
    for (const TXMLDataLocation location : {tlAttributes, tlSubNodes}) {
        try {
            TXMLDocFile file;
            file.SetFileName(path);
            file.DataLocation = location;
            file.Load();
            file.SetXPath(xpath);
            fuzz::check(file.ColCount() >= 2 && file.RowCount() >= 1, "no header row");
            TKobSparseCells cells;
            FillXMLDocGrid(cells, file);
            fuzz::check(cells.RowCount() <= 30, "the preview holds more than 30 rows");
        } catch (const xml::XmlError&) {
        } catch (const std::exception& e) {
            fuzz::expectedError(e);
        }
    }
    return 0;
}

#include "import/engine/support/ZipXmlPart.h"

#include "platform/xml/AttributeLimit.h"

std::unique_ptr<xml::Reader> openZipXml(TMiniZip& Zip, const QString& Part,
                                        xml::ParseSettings Settings,
                                        std::unique_ptr<ZipReadAhead>& Stream, qsizetype Block)
{
    auto limit = std::make_shared<xml::AttributeLimit>(Settings.encoding);
    Stream = Zip.ReadAhead(Part, Block, [limit](const char* data, qint64 size) {
        if (!limit->scan(QByteArrayView(data, qsizetype(size))))
            throw EZipError(limit->message());
    });
    Settings.scannedBySource = true;
    ZipReadAhead* stream = Stream.get();
    return xml::Reader::fromFunction(
        [stream](char* buffer, qint64 size) { return stream->read(buffer, size); }, Settings);
}

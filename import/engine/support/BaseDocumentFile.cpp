#include "import/engine/support/BaseDocumentFile.h"

#include "platform/xml/Xml.h"

void TBaseDocumentFile::SetFileName(const QString& Value)
{
    FFileName = Value;
    FLoaded = false;
}

void TBaseDocumentFile::Load()
{
    if (FLoaded)
        return;
    TMiniZip zip(FFileName);
    zip.Open();
    try {
        Parse(zip);
    } catch (const xml::XmlError& e) {
        // A part that is not well-formed is damage of the document, told as such.
        throw EZipError(e.message());
    }
    FLoaded = true;
}

#include "import/engine/support/BaseDocumentFile.h"

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
    Parse(zip);
    FLoaded = true;
}

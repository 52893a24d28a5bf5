#pragma once
// The base of the zipped office documents (XLSX, DOCX, ODS, ODT): a file name, a loaded flag,
// and one load that opens the archive and hands it to the descendant's parse. Nothing is
// unpacked to disk.

#include "import/engine/support/MiniZip.h"

#include <QString>

class TBaseDocumentFile
{
public:
    TBaseDocumentFile() = default;
    virtual ~TBaseDocumentFile() = default;
    TBaseDocumentFile(const TBaseDocumentFile&) = delete;
    TBaseDocumentFile& operator=(const TBaseDocumentFile&) = delete;

    QString FileName() const { return FFileName; }
    // Any name, the same one included, marks the document unloaded.
    void SetFileName(const QString& Value);
    bool Loaded() const { return FLoaded; }

    // Parses the document once. Raises EZipError for an empty name, a missing file or a
    // damaged archive; errors of the parse propagate, and the document stays unloaded.
    void Load();

protected:
    virtual void Parse(TMiniZip& Zip) = 0;

private:
    QString FFileName;
    bool FLoaded = false;
};

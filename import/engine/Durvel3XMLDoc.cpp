#include "import/engine/Durvel3XMLDoc.h"

#include "platform/ini/IniFile.h"
#include "platform/xml/Xml.h"

namespace {
const QString kOptions = QStringLiteral("XML_OPTIONS");
}

TDurvel3XMLDoc::TDurvel3XMLDoc() : TDurvel3TableReader(TMapForm::Numbers)
{
    // The node table's header row names the columns; it would import as a row of names.
    LeadingRows = 1;
}
TDurvel3XMLDoc::~TDurvel3XMLDoc() = default;

void TDurvel3XMLDoc::PrepareImport()
{
    // Read before the base takes any state, so a bad file leaves nothing behind.
    auto file = std::make_unique<TXMLDocFile>();
    file->SetFileName(FileName());
    try {
        file->Load();
        file->DataLocation = DataLocation;
        file->SetXPath(XPath);
    } catch (const xml::XmlError& e) {
        throw EDurvelError(e.message());
    }
    FFile = std::move(file);
    SetRowTotal(FFile->RowCount());
    TDurvel3::PrepareImport();
}

QString TDurvel3XMLDoc::CellText(int Row, int Col) const
{
    return FFile ? FFile->Cell(Col, Row) : QString();
}

void TDurvel3XMLDoc::EndImport()
{
    TDurvel3TableReader::EndImport();
    FFile.reset();
}

void TDurvel3XMLDoc::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
}

void TDurvel3XMLDoc::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    SkipFirstRows = Ini.readCount(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
}

#include "import/engine/Durvel3ODT.h"

#include "import/engine/support/OpenDocumentFile.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("ODT_OPTIONS");
}

TDurvel3ODT::TDurvel3ODT() = default;
TDurvel3ODT::~TDurvel3ODT() = default;

void TDurvel3ODT::PrepareImport()
{
    // Read before the base takes any state, so a bad file leaves nothing behind.
    auto file = std::make_unique<TODTFile>();
    file->SetFileName(FileName());
    try {
        file->Load();
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    }
    const TODSSpreadSheet* table = file->GetSheetByName(SheetName);
    if (!table)
        throw EDurvelError(QStringLiteral("The document %1 has no table named \"%2\"")
                               .arg(QFileInfo(FileName()).fileName(), SheetName));
    FFile = std::move(file);
    FTable = table;
    HeaderRows = UseHeader ? 1 : 0;
    SetSource(&table->Cells, table->RowCount);
    TDurvel3::PrepareImport();
}

void TDurvel3ODT::OpenSource()
{
    if (FTable && FTable->ComplexTable && !UseComplexTables)
        throw EDurvelError(QStringLiteral("Trying to convert complex tables"));
    TDurvel3SheetGrid::OpenSource();
}

void TDurvel3ODT::EndImport()
{
    TDurvel3SheetGrid::EndImport();
    FTable = nullptr;
    FFile.reset();
}

void TDurvel3ODT::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    Ini.writeString(kOptions, QStringLiteral("SheetName"), SheetName);
    Ini.writeBool(kOptions, QStringLiteral("UseHeader"), UseHeader);
    Ini.writeBool(kOptions, QStringLiteral("ComplexTable"), UseComplexTables);
}

void TDurvel3ODT::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    SkipFirstRows = Ini.readCount(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    SetSheetName(Ini.readString(kOptions, QStringLiteral("SheetName"), SheetName));
    UseHeader = Ini.readBool(kOptions, QStringLiteral("UseHeader"), UseHeader);
    UseComplexTables = Ini.readBool(kOptions, QStringLiteral("ComplexTable"), UseComplexTables);
}

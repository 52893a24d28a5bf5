#include "import/engine/Durvel3ODS.h"

#include "import/engine/DurvelSheetText.h"
#include "import/engine/support/OpenDocumentFile.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("ODS_OPTIONS");
}

TDurvel3ODS::TDurvel3ODS() = default;
TDurvel3ODS::~TDurvel3ODS() = default;

void TDurvel3ODS::PrepareImport()
{
    // Read before the base takes any state, so a bad file leaves nothing behind.
    auto file = std::make_unique<TODSFile>();
    file->SetNotExpandMergedValue(NotExpandMergedValue);
    file->TextFormat = SheetTextFormatOf(Formats());
    file->SetFileName(FileName());
    try {
        file->Load();
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    }
    const TODSSpreadSheet* sheet = file->GetSheetByName(SheetName);
    if (!sheet)
        throw EDurvelError(QStringLiteral("The spreadsheet %1 has no sheet named \"%2\"")
                               .arg(QFileInfo(FileName()).fileName(), SheetName));
    FFile = std::move(file);
    SetSource(&sheet->Cells, sheet->RowCount);
    TDurvel3::PrepareImport();
}

void TDurvel3ODS::EndImport()
{
    TDurvel3SheetGrid::EndImport();
    FFile.reset();
}

void TDurvel3ODS::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    Ini.writeString(kOptions, QStringLiteral("SheetName"), SheetName);
    Ini.writeBool(kOptions, QStringLiteral("NotExpandMergedValue"), NotExpandMergedValue);
}

void TDurvel3ODS::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    SkipFirstRows = Ini.readCount(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    SetSheetName(Ini.readString(kOptions, QStringLiteral("SheetName"), SheetName));
    SetNotExpandMergedValue(
        Ini.readBool(kOptions, QStringLiteral("NotExpandMergedValue"), NotExpandMergedValue));
}

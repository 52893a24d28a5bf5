#include "import/engine/Durvel3Xlsx.h"

#include "import/engine/DurvelSheetText.h"
#include "import/engine/support/XlsxFile.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>

namespace {
const QString kOptions = QStringLiteral("XLSX_OPTIONS");
}

TDurvel3Xlsx::TDurvel3Xlsx() = default;
TDurvel3Xlsx::~TDurvel3Xlsx() = default;

void TDurvel3Xlsx::PrepareImport()
{
    // The workbook is read before the base takes any state, so a bad file leaves nothing behind.
    auto file = std::make_unique<TXlsxFile>();
    file->Workbook.LoadHiddenSheet = LoadHiddenSheet;
    file->Workbook.NeedFillMerge = NeedFillMerge;
    file->Workbook.TextFormat = SheetTextFormatOf(Formats());
    file->SetOnlySheet(SheetName);
    file->SetFileName(FileName());
    try {
        file->Load();
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    }
    const TXlsxWorkSheet* sheet = file->Workbook.GetSheetByName(SheetName);
    if (!sheet)
        throw EDurvelError(QStringLiteral("The workbook %1 has no sheet named \"%2\"")
                               .arg(QFileInfo(FileName()).fileName(), SheetName));
    FFile = std::move(file);
    SetSource(&sheet->Cells, sheet->RowCount);
    TDurvel3::PrepareImport();
}

void TDurvel3Xlsx::EndImport()
{
    TDurvel3SheetGrid::EndImport();
    FFile.reset();
}

void TDurvel3Xlsx::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    Ini.writeString(kOptions, QStringLiteral("SheetName"), SheetName);
    Ini.writeBool(kOptions, QStringLiteral("LoadHiddenSheet"), LoadHiddenSheet);
    Ini.writeBool(kOptions, QStringLiteral("NeedFillMerge"), NeedFillMerge);
}

void TDurvel3Xlsx::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    SkipFirstRows = Ini.readCount(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    SetSheetName(Ini.readString(kOptions, QStringLiteral("SheetName"), SheetName));
    SetLoadHiddenSheet(Ini.readBool(kOptions, QStringLiteral("LoadHiddenSheet"), LoadHiddenSheet));
    SetNeedFillMerge(Ini.readBool(kOptions, QStringLiteral("NeedFillMerge"), NeedFillMerge));
}

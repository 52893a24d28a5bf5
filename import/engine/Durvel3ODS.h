#pragma once
// Reader of OpenDocument spreadsheets: the rows of one sheet, map values are column letters.

#include "import/engine/Durvel3TableReader.h"

#include <memory>

class TODSFile;

class TDurvel3ODS : public TDurvel3SheetGrid
{
public:
    TDurvel3ODS();
    ~TDurvel3ODS() override;

    // Found without regard to letter case; empty: the first sheet.
    QString SheetName;
    // Only the top-left position of a merged block holds its text.
    bool NotExpandMergedValue = true;
    void SetSheetName(const QString& Value) { SheetName = Value; }
    void SetNotExpandMergedValue(bool Value) { NotExpandMergedValue = Value; }

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    void PrepareImport() override;
    void EndImport() override;

private:
    std::unique_ptr<TODSFile> FFile;
};

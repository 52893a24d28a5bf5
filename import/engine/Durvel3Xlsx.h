#pragma once
// Reader of XLSX workbooks: the rows of one sheet, map values are column letters.

#include "import/engine/Durvel3TableReader.h"

#include <memory>

class TXlsxFile;

class TDurvel3Xlsx : public TDurvel3SheetGrid
{
public:
    TDurvel3Xlsx();
    ~TDurvel3Xlsx() override;

    // Found without regard to letter case; empty: the first sheet.
    QString SheetName;
    bool LoadHiddenSheet = false;
    bool NeedFillMerge = false;

    void SetSheetName(const QString& Value) { SheetName = Value; }
    void SetLoadHiddenSheet(bool Value) { LoadHiddenSheet = Value; }
    void SetNeedFillMerge(bool Value) { NeedFillMerge = Value; }

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    void PrepareImport() override;
    void EndImport() override;

private:
    std::unique_ptr<TXlsxFile> FFile;
};

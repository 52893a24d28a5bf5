#pragma once
// Reader of the tables of OpenDocument text documents: the rows of one table, chosen by its
// name, map values are column letters. A table holding another table is complex and is read
// only when allowed.

#include "import/engine/Durvel3TableReader.h"

#include <memory>

class TODTFile;
class TODSSpreadSheet;

class TDurvel3ODT : public TDurvel3SheetGrid
{
public:
    TDurvel3ODT();
    ~TDurvel3ODT() override;

    // The table's name, found without regard to letter case; empty: the first table.
    QString SheetName;
    // The table's first row is a header and is not imported.
    bool UseHeader = false;
    bool UseComplexTables = true;
    void SetSheetName(const QString& Value) { SheetName = Value; }

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    void PrepareImport() override;
    void OpenSource() override;
    void EndImport() override;

private:
    std::unique_ptr<TODTFile> FFile;
    const TODSSpreadSheet* FTable = nullptr;
};

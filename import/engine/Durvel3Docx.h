#pragma once
// Reader of the tables of a DOCX document: one table, chosen by its 1-based number, map values
// are 1-based column numbers.

#include "import/engine/Durvel3TableReader.h"

#include <memory>

class TDocxFile;
struct TDocxTable;

class TDurvel3Docx : public TDurvel3TableReader
{
public:
    TDurvel3Docx();
    ~TDurvel3Docx() override;

    // 1-based; 0 imports nothing.
    int TableNumber = 0;
    bool NeedFillMerge = false;
    void SetTableNumber(int Value) { TableNumber = Value; }
    void SetNeedFillMerge(bool Value) { NeedFillMerge = Value; }

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    void PrepareImport() override;
    void EndImport() override;
    QString CellText(int Row, int Col) const override;

private:
    std::unique_ptr<TDocxFile> FFile;
    const TDocxTable* FTable = nullptr;
};

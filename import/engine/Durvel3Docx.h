#pragma once
// Reader of the tables of a DOCX document: one table, chosen by its 1-based number, map values
// are 1-based column numbers.

#include "import/engine/Durvel3.h"

#include <memory>
#include <vector>

class TDocxFile;
struct TDocxTable;

class TDurvel3Docx : public TDurvel3
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
    bool CheckProperties() override;
    void PrepareImport() override;
    void OpenSource() override;
    bool HasMoreRows() override;
    bool SkipRow() override;
    void ReadRow() override;
    void NextRow() override;
    void EndImport() override;

private:
    struct Column
    {
        QString Name;
        int Col = 0; // 0-based
        int Position = -1;
    };
    std::unique_ptr<TDocxFile> FFile;
    const TDocxTable* FTable = nullptr;
    std::vector<Column> FColumns;
    quint64 FColumnsGeneration = ~quint64(0);
    int FCurrent = 0;
};

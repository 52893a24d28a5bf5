#pragma once
// Reader of XLSX workbooks: the rows of one sheet, map values are column letters.

#include "import/engine/Durvel3.h"

#include <memory>
#include <vector>

class TXlsxFile;
class TXlsxWorkSheet;

class TDurvel3Xlsx : public TDurvel3
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

    std::unique_ptr<TXlsxFile> FFile;
    TXlsxWorkSheet* FSheet = nullptr;
    std::vector<Column> FColumns;
    quint64 FColumnsGeneration = ~quint64(0);
    int FCurrent = 0;
};

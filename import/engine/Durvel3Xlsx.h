#pragma once
// Reader of XLSX workbooks: the rows of one sheet, map values are column letters. The rows go
// to the destination as the sheet's XML is parsed; the sheet is never held whole.

#include "import/engine/Durvel3TableReader.h"
#include "import/engine/support/XlsxFile.h"
#include "import/engine/support/XlsxRowsAhead.h"

#include <memory>

class TDurvel3Xlsx : public TDurvel3TableReader
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
    bool HasMoreRows() override;
    QString CellText(int Row, int Col) const override;
    void EndImport() override;

private:
    std::unique_ptr<TXlsxFile> FFile;
    std::unique_ptr<XlsxRowsAhead> FRows;
    // The row read last: rows between it and the one before are empty.
    XlsxRow FRow;
};

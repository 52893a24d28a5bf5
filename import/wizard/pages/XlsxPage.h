#pragma once
// The XLSX page: a tab per worksheet with the sheet's top-left 256 x 256 cells under column
// letters and row numbers; fields take column letters.

#include "import/engine/Durvel3Xlsx.h"
#include "import/wizard/pages/SheetTabsPage.h"

#include <memory>

namespace Ui {
class tsXlsxOptions;
}

class TXlsxFile;

class XlsxPage : public SheetTabsPage
{
    Q_OBJECT
public:
    explicit XlsxPage(TDurvel3WizardF* Form);
    ~XlsxPage() override;

    // Columns and rows of a sheet that a tab shows.
    static constexpr int PreviewSize = 256;

    std::unique_ptr<Ui::tsXlsxOptions> ui;

    TDurvel3* Reader() override { return FReader.get(); }
    void CopyOptions(TDurvel3& Reader) const override;
    void SourceChanged() override;

    // Shows the sheet of that name when the workbook has one; the run imports it.
    void SetXlsxSheetName(const QString& Name);
    bool LoadHiddenSheet() const { return FLoadHiddenSheet; }
    bool NeedFillMerge() const { return FNeedFillMerge; }
    void SetLoadHiddenSheet(bool Value);
    void SetNeedFillMerge(bool Value);

protected:
    void LoadFile() override;
    void FillTab(int Index, TKobWideStringGrid* Grid) override;
    void SaveOptions(IniFile& Ini) const override;
    void LoadOptions(const IniFile& Ini) override;

private:
    // The workbook with its sheets listed, none read; open while the page reads it.
    std::unique_ptr<TXlsxFile> OpenBook() const;
    std::unique_ptr<TDurvel3Xlsx> FReader;
    std::unique_ptr<TXlsxFile> FBook;
    bool FLoadHiddenSheet = false;
    bool FNeedFillMerge = false;
};

#pragma once
// The ODS page: a tab per sheet with the sheet's top-left 256 x 256 cells under column
// letters and row numbers; fields take column letters.

#include "import/engine/Durvel3ODS.h"
#include "import/wizard/pages/SheetTabsPage.h"

class TODSFile;

#include <memory>
#include <vector>

namespace Ui {
class tsODSOptions;
}

class OdsPage : public SheetTabsPage
{
    Q_OBJECT
public:
    explicit OdsPage(TDurvel3WizardF* Form);
    ~OdsPage() override;

    // Columns and rows of a sheet that a tab shows; the widest column a text widens.
    static constexpr int PreviewSize = 256;
    static constexpr int MaxColWidth = 130;

    std::unique_ptr<Ui::tsODSOptions> ui;

    TDurvel3* Reader() override { return FReader.get(); }
    void CopyOptions(TDurvel3& Reader) const override;

    // Shows the sheet of that name when the workbook has one; the run imports it.
    void SetODSSheetName(const QString& Name);

protected:
    void LoadFile() override;
    void FillTab(int Index, TKobWideStringGrid* Grid) override;
    void SaveOptions(IniFile& Ini) const override;
    void LoadOptions(const IniFile& Ini) override;

private:
    // Reads the preview of the page's file (of one sheet when OnlySheet is given).
    void ReadPreview(TODSFile& File, const QString& OnlySheet = {});

    std::unique_ptr<TDurvel3ODS> FReader;
};

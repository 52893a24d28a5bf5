#pragma once
// The ODT page: a tab per top-level table of the document, shown as a sheet; fields take
// column letters. The first row may be a header; a table holding another table is complex and
// is imported only when the user agrees.

#include "import/engine/Durvel3ODT.h"
#include "import/wizard/pages/SheetTabsPage.h"

#include <memory>
#include <vector>

namespace Ui {
class tsODTOptions;
}

class OdtPage : public SheetTabsPage
{
    Q_OBJECT
public:
    explicit OdtPage(TDurvel3WizardF* Form);
    ~OdtPage() override;

    std::unique_ptr<Ui::tsODTOptions> ui;

    TDurvel3* Reader() override { return FReader.get(); }
    void CopyOptions(TDurvel3& Reader) const override;
    // Before a complex table is imported the user is asked; No keeps the step.
    bool ConfirmLeave() override;

    void SetODTSheetName(const QString& Name);
    bool UseHeader() const { return FUseHeader; }
    // The tables shown are read again with the option, the current one kept.
    void SetUseHeader(bool Value);
    // The current table holds another table.
    bool ComplexTable() const { return FComplexTable; }

protected:
    void LoadFile() override;
    void FillTab(int Index, TKobWideStringGrid* Grid) override;
    bool SourceChosen() const override { return TabCount() > 0; }
    // A template's jump past a complex table asks first, as Next does.
    bool JumpAllowed() override { return ConfirmLeave(); }
    void TabChanged(int Index) override;
    void SaveOptions(IniFile& Ini) const override;
    void LoadOptions(const IniFile& Ini) override;

private:
    // Reads the document's tables (only OnlyTable's rows, when it is given).
    void ReadTables(TODTFile& File, const QString& OnlyTable = {});
    std::unique_ptr<TDurvel3ODT> FReader;
    bool FUseHeader = false;
    std::vector<bool> FComplex; // per tab
    bool FListedByScanning = false; // the last listing scanned the whole content
    bool FComplexTable = false;
};

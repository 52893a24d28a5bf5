#pragma once
// The DOCX page: a tab per table of the document ("Table 1" ...) with its first rows; fields
// take 1-based column numbers.

#include "import/engine/Durvel3Docx.h"
#include "import/engine/support/DocxFile.h"
#include "import/wizard/pages/GridMapPage.h"

#include <memory>

namespace Ui {
class tsDocxOptions;
}

class DocxPage : public GridMapPage
{
    Q_OBJECT
public:
    explicit DocxPage(TDurvel3WizardF* Form);
    ~DocxPage() override;

    // Rows of a table that a tab shows.
    static constexpr int PreviewRows = 30;

    std::unique_ptr<Ui::tsDocxOptions> ui;

    TDurvel3* Reader() override { return FReader.get(); }
    void CopyOptions(TDurvel3& Reader) const override;

    // 1-based; 0 = none.
    int DocxTableNumber() const { return FTableNumber; }
    // Shows the table of that number when the document has one; the run imports it.
    void SetDocxTableNumber(int Number);

protected:
    void LoadFile() override;
    void FillTab(int Index, TKobWideStringGrid* Grid) override;
    bool SourceChosen() const override { return TabCount() > 0; }
    void TabChanged(int Index) override;
    QString ChoiceName() const override;
    void SaveOptions(IniFile& Ini) const override;
    void LoadOptions(const IniFile& Ini) override;

private:
    // Reads the document for its tables, keeping table Number's top rows.
    void ReadTables(TDocxFile& File, int Number);
    std::unique_ptr<TDurvel3Docx> FReader;
    // The table read last, for its tab.
    struct ShownTable
    {
        int Number = 0;
        TDocxTable Table;
    };
    ShownTable FShown;
    int FTableNumber = 0;
};

#pragma once
// The HTML page: the tables of the page, one previewed at a time; fields take the number of a
// cell in the row.

#include "import/engine/Durvel3HTML.h"
#include "import/wizard/pages/GridMapPage.h"

#include <memory>

namespace Ui {
class tsHTMLOptions;
}

class HtmlPage : public GridMapPage
{
    Q_OBJECT
public:
    explicit HtmlPage(TDurvel3WizardF* Form);
    ~HtmlPage() override;

    // The most rows a preview shows.
    static constexpr int PreviewRows = 30;

    std::unique_ptr<Ui::tsHTMLOptions> ui;
    TKobWideStringGrid* Grid = nullptr;

    TDurvel3* Reader() override { return FReader.get(); }
    void CopyOptions(TDurvel3& Reader) const override;
    void SourceChanged() override;

    // The chosen table, from 1, whether the page was read or not.
    int TableNumber() const { return FWantedTable; }
    // Chooses a table by its number and previews it.
    void SetTableNumber(int Number);
    const THTMLFile& HTMLFile() const { return FFile; }

protected:
    void LoadFile() override;
    bool SourceChosen() const override;
    QString ChoiceName() const override;
    void SaveOptions(IniFile& Ini) const override;
    void LoadOptions(const IniFile& Ini) override;
    void Forget() override;

private:
    void ShowTable();
    void FillTable();
    void EmptyGrid();

    THTMLFile FFile;
    std::unique_ptr<TDurvel3HTML> FReader;
    // The chosen table; one a template asked for is looked for once the page is read.
    int FWantedTable = 1;
};

#pragma once
// The delimited text page: the first lines split into columns in a grid; each destination
// field gets a column number.

#include "import/wizard/pages/SourcePage.h"

#include <memory>

namespace Ui {
class tsCSVOptions;
}
class TKobWideStringGrid;
class TDurvel3WizardF;

class CsvPage : public SourcePage
{
    Q_OBJECT
public:
    explicit CsvPage(TDurvel3WizardF* Form);
    ~CsvPage() override;

    // The most lines a preview reads, whatever the wizard asks.
    static constexpr int MaxPreviewLines = 65536;

    std::unique_ptr<Ui::tsCSVOptions> ui;
    TKobWideStringGrid* Grid = nullptr;

    void FillCSVFields(const QStringList& Columns);
    // Reads the first lines of the file into the grid.
    void LoadPreview();
    bool CSVMapReady() const;

    void ShowStep(int Index, int Total) override;
    bool StepComplete(int) const override { return CSVMapReady(); }
    void FillFields(const QStringList& Columns) override { FillCSVFields(Columns); }
    TDurvel3* Reader() override;
    void CopyOptions(TDurvel3& Reader) const override;
    QList<QPair<QString, QString>> MapLines() const override;
    void SaveTemplate(IniFile& Ini) const override;
    void LoadTemplate(const IniFile& Ini) override;
    void PrepareJump() override;
    // Every field's column number is emptied and the first field selected.
    void ClearColumns();

    int CSVSkipLines() const { return FCSVSkipLines; }
    void SetCSVSkipLines(int Value);
    // Lines and columns of the last preview.
    int PreviewLines() const { return FPreviewLines; }
    int PreviewColumns() const { return FPreviewColumns; }

    // A click on grid column Column (from 0): maps the selected field to it, or unmaps it
    // when it is already there.
    void ColumnClicked(int Column);
    void AutoFillClick();
    void ClearClick();

protected:
    void Forget() override;
    void ForgetMap() override;

private:
    void ReadPreview();
    void DrawCell(int ACol, int ARow, const QRect& Rect, int State);
    int SelectedColumn() const;
    void FieldChanged();
    void ColNumberChosen(int Index);

    int FCSVSkipLines = -1;
    int FPreviewLines = 0;
    int FPreviewColumns = 0;
};

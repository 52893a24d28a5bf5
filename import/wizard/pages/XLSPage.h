#pragma once
// The binary spreadsheet page: the workbook shown sheet by sheet, and every destination field
// given a list of cell ranges, with the range editor, by marking cells, columns and rows in a
// preview with Shift or Ctrl held and pressing Enter, or by the auto-fill buttons.

#include "import/engine/DurvelFormats.h"
#include "import/engine/support/MapRange.h"
#include "import/engine/support/XlsFile.h"
#include "import/wizard/pages/SourcePage.h"

#include <memory>
#include <vector>

namespace Ui {
class tsExcelOptions;
}
class QTreeWidget;
class QTreeWidgetItem;
class TDurvel3XLS;
class TKobCustomGrid;
class TKobWideStringGrid;

class XlsPage : public SourcePage
{
    Q_OBJECT
public:
    explicit XlsPage(TDurvel3WizardF* Form);
    ~XlsPage() override;

    std::unique_ptr<Ui::tsExcelOptions> ui;

    // The grids' tag, by which a tab's preview is told from other children.
    static constexpr int GridTag = 1000;
    // A workbook shown stays up at least this long (milliseconds); tests set 0.
    static int MinimumLoadTime;

    void ShowStep(int Index, int Total) override;
    bool StepComplete(int) const override { return XLSMapReady(); }
    void FillFields(const QStringList& Columns) override;
    void SourceChanged() override;
    TDurvel3* Reader() override;
    void CopyOptions(TDurvel3& Reader) const override;
    QList<QPair<QString, QString>> MapLines() const override;
    void SaveTemplate(IniFile& Ini) const override;
    void LoadTemplate(const IniFile& Ini) override;

    // Reads the workbook into one tab and grid per sheet; a missing file leaves no tab.
    void LoadWorkbook();
    TxlsFile& XLSFile() { return FXLSFile; }
    TKobWideStringGrid* XLSActiveGrid() const;
    TKobWideStringGrid* Grid(int Sheet) const;

    // Some field holds a range.
    bool XLSMapReady() const;
    int XLSSkipCols() const { return FXLSSkipCols; }
    int XLSSkipRows() const { return FXLSSkipRows; }
    void SetXLSSkipCols(int Value);
    void SetXLSSkipRows(int Value);

    // The map row of field Index (list order), and of the focused field (or nullptr).
    TMapRow* FieldRow(int Index) const;
    TMapRow* CurrentField() const;
    // The focused range's index in the field's row, -1 without one.
    int CurrentRange() const;

    bool XLSSelecting() const { return FXLSSelecting; }
    const TMapRow& XLSSelection() const { return FXLSSelection; }
    // The cells a painted cell is marked with: the field's ranges while the field list has the
    // focus, else the focused range alone.
    const TMapRow* XLSHighlight();

    // Range toolbar and utilities.
    void AddRangeClick();
    void EditRangeClick();
    void DelRangeClick();
    void MoveRangeClick(int Step);
    void AutoFillClick(bool Columns);
    void ClearFieldRangesClick();
    void ClearAllRangesClick();

    // The selection gestures. The grid's handlers call these; the modifiers are the keys held.
    void CellMoving(int FromCol, int FromRow, int ToCol, int ToRow,
                    Qt::KeyboardModifiers Modifiers);
    void HeaderClicked(int Col, int Row, Qt::KeyboardModifiers Modifiers);
    // Enter: the selection's ranges go to the field; Escape and leaving the grid drop it.
    void ApplySelection();
    void EndSelection();

    // The range buttons' states, as the window's TuneButtons asks them.
    void TuneRangeButtons();

    void PrepareJump() override;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void Forget() override;
    void ForgetMap() override;

private:
    void ReadWorkbook();
    void ClearTabs();
    // The formats page's separators and short date and time formats.
    TDurvelFormats PreviewFormats() const;
    TKobWideStringGrid* NewSheetGrid(const QString& Caption);
    void DrawCell(TKobWideStringGrid* Grid, int ACol, int ARow, const QRect& Rect, int State);
    void GridKeyDown(TKobWideStringGrid* Grid, int& Key, Qt::KeyboardModifiers Shift);
    QString ActiveSheetName() const;
    int ActiveSheetNumber() const;
    void BeginSelecting();
    void SelectionChanged();
    void ShowField();
    void RangeChanged();
    void FillRangeItems(QTreeWidget* List, const TMapRow& Row);
    void RepaintGrid();
    void ClearFieldRows();
    static QString CellRef(const QString& Sheet, int Col, int Row);

    std::unique_ptr<TDurvel3XLS> impXLS;
    TxlsFile FXLSFile;
    int FXLSSkipCols = -1;
    int FXLSSkipRows = -1;
    bool FXLSSelecting = false;
    TMapRow FXLSSelection;
    TMapRow FXLSHighlight;
    // One map row per field, in list order.
    std::vector<std::unique_ptr<TMapRow>> FFieldRows;
    // The keys held at the last input to a grid: the Shift or Ctrl of a selection gesture.
    Qt::KeyboardModifiers FXLSKey;
    // A header click moves the focus cell without the cell-selection handler.
    bool FMovingByHeader = false;
    bool FFilling = false;
};

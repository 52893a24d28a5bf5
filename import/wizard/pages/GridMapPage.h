#pragma once
// What the pages that map fields onto the columns of a previewed table share (HTML, XML
// document, XLSX, DOCX, ODS, ODT): the field list with one column value per field, the preview
// grid or one grid per sheet tab, a click on a column that maps or unmaps the selected field,
// auto fill, clear, the rows to skip, the loading window, completeness, the column map and the
// template's map section with SkipLines. A kind adds how its file is read and previewed and
// its own options.

#include "import/wizard/pages/SourcePage.h"

#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TBaseDocumentFile;
class TKobWideStringGrid;

class GridMapPage : public SourcePage
{
    Q_OBJECT
public:
    // How a field names its column: the grid column + 1 as a number, or the grid column's
    // letters (the spreadsheet grids' column 1 is "A").
    enum class TColumnForm { Numbers, Letters };

    ~GridMapPage() override;

    // SourcePage
    void ShowStep(int Index, int Total) override;
    bool StepComplete(int Index) const override;
    void FillFields(const QStringList& Columns) override;
    void SourceChanged() override;
    QList<QPair<QString, QString>> MapLines() const override;
    void SaveTemplate(IniFile& Ini) const override;
    void LoadTemplate(const IniFile& Ini) override;
    void PrepareJump() override;

    QTreeWidget* FieldList() const { return C.Fields; }
    // The grid the clicks map onto; nullptr while a tabbed page has no sheet.
    TKobWideStringGrid* CurrentGrid() const;
    TColumnForm ColumnForm() const { return FColumnForm; }

    int SkipRows() const { return FSkipRows; }
    void SetSkipRows(int Value);

    // A press on grid column Column (-1 outside the cells) with a field selected: maps the field
    // to that column, or unmaps it when it is there already.
    void ColumnClicked(int Column);
    void AutoFill();
    void Clear();
    // The selected field's column value; a column-number list entry puts its text here.
    void SetSelectedValue(const QString& Value);
    // The grid column a value names; -1 for none.
    int GridColumnOf(const QString& Value) const;
    QString ValueOfGridColumn(int Column) const;

    // Reads the source under the loading window when it must be read again.
    void LoadSource();

protected:
    struct Controls
    {
        QTreeWidget* Fields = nullptr;
        QLineEdit* SkipEdit = nullptr;
        QAbstractButton* AutoFillButton = nullptr;
        QAbstractButton* ClearButton = nullptr;
        QLabel* StepLabel = nullptr;
        QComboBox* ColNumber = nullptr; // the number kinds' column list, may be absent
        QTabWidget* Tabs = nullptr;     // one tab per sheet or table, may be absent
        int FieldWidth = 96;            // the field list's two columns
        int ValueWidth = 40;
    };

    GridMapPage(TDurvel3WizardF* Form, int Kind, TColumnForm ColumnForm, QString MapSection,
                QString OptionsSection);
    // After the derived page has built its controls.
    void Bind(const Controls& C);

    // Reads the file and fills the preview; runs under the loading window, only when the file
    // exists unless ReadsMissingFiles. Errors pass to the caller.
    virtual void LoadFile() = 0;
    virtual bool ReadsMissingFiles() const { return false; }
    // The tabs and the column-number list go; a kind adds its own preview and lists.
    void Forget() override;
    void ForgetMap() override;
    // The kind's source choice is made (a table exists, ...).
    virtual bool SourceChosen() const { return true; }
    // The chosen sheet or table (a template's, say) is not in the file and another is shown:
    // the choice stays (a run stops naming it), the page is not complete and tells it, until
    // the clerk picks one or another file is chosen.
    bool FChoiceMissing = false;
    // "sheet "Staff"", "table 3": the choice as the page names it when it is missing.
    virtual QString ChoiceName() const { return QString(); }
    // Asked before a template jumps past the page (the ODT page's complex-table question).
    virtual bool JumpAllowed() { return true; }
    // The kind's options after SkipLines in the options section.
    virtual void SaveOptions(IniFile& /*Ini*/) const {}
    virtual void LoadOptions(const IniFile& /*Ini*/) {}
    // The current sheet or table changed to the tab at Index (-1: none).
    virtual void TabChanged(int /*Index*/) {}

    // A preview grid: Courier New -11, row height 16, the page's drawing and clicks.
    TKobWideStringGrid* MakeGrid(QWidget* Parent);
    void SetCurrentGrid(TKobWideStringGrid* Grid);
    // Tabs of the sheets or tables, all sharing one preview grid that shows the chosen one.
    // They are made in one pass: each tab added to a shown tab bar lays out all the others.
    void ClearTabs();
    // More than MaxPreviewTabs is refused with a message (What: "sheets" or "tables").
    void SetTabs(const QStringList& Captions, const QList<int>& Tags, const QString& What);
    // Fills the preview grid (reset to one empty cell) with the sheet or table of the tab at
    // Index; runs when that tab is shown. Errors pass to the caller.
    virtual void FillTab(int /*Index*/, TKobWideStringGrid* /*Grid*/) {}
    // The tab whose sheet the grid shows will be read again when next shown.
    void TabsChanged() { FFilledTab = -1; }
    int TabCount() const;
    QString TabCaption(int Index) const;
    int TabTag(int Index) const;
    int CurrentTab() const;
    TKobWideStringGrid* TabGrid(int Index) const;
    void ActivateTab(int Index);
    // The first tab of that caption or tag; -1 for none.
    int TabOf(const QString& Caption) const;
    int TabOfTag(int Tag) const;
    // After a load: the tab of the chosen sheet or table, or the first when the file lacks it
    // (Index -1); a choice that was asked for (Asked) and is missing holds a template's jump.
    void ShowChosenTab(int Index, bool Asked);
    // Loads a zipped office document; a damaged archive is told as the reader tells it.
    static void LoadDocument(TBaseDocumentFile& File);
    // Loads a document whose tables become the tabs, at most MaxPreviewTabs of them: a file
    // holding more is refused with a message (What: "sheets" or "tables").
    template <class TFile> void LoadTabs(TFile& File, const QString& What)
    {
        File.SetMaxTables(TabLimit());
        LoadTabs(File, What, [&File] { return File.OverTableLimit(); });
    }
    // Refills the column-number list with an empty entry and "1" .. Count.
    void FillColNumbers(int Count);
    // The clerk chose a sheet or table: a missing one is forgotten.
    void ChoiceMade();
    QString MissingText() const;
    // Repaints the preview and tunes the wizard's buttons after a field or value change.
    void FieldShown();
    const QString FOptionsSection;

private:
    void DrawCell(TKobWideStringGrid* Grid, int ACol, int ARow, const QRect& Rect, int State);
    int SelectedGridColumn() const;
    bool ValueMapped(const QString& Value) const;
    void ColNumberChosen(int Index);
    static int TabLimit();
    void LoadTabs(TBaseDocumentFile& File, const QString& What,
                  const std::function<bool()>& OverLimit);

    TColumnForm FColumnForm;
    QString FMapSection;
    Controls C;
    QPointer<TKobWideStringGrid> FGrid;
    // Shows the tab at Index in the shared grid: the grid moves onto its page and is filled.
    void ShowTab(int Index);
    QPointer<TKobWideStringGrid> FTabsGrid;
    int FFilledTab = -1;
    int FSkipRows = -1;
    bool FJumpRefused = false;
};

#pragma once
// The range editor: one range of a spreadsheet map (a column run, a row run or one cell, with
// its ends, direction and sheet) edited in a working copy. OK reads every box into a second
// copy first, so a box that does not parse leaves the range as it was and the dialog open.

#include "import/engine/support/MapRange.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TfmDurvel3XLSRangeEdit;
}
class TSheetWorkbook;

class TfmDurvel3XLSRangeEdit : public QDialog
{
    Q_OBJECT
public:
    explicit TfmDurvel3XLSRangeEdit(QWidget* Parent = nullptr);
    ~TfmDurvel3XLSRangeEdit() override;

    std::unique_ptr<Ui::TfmDurvel3XLSRangeEdit> ui;

    // The working copy.
    TMapRange Range;

    // The sheet lists: "1" .. the sheet count, and the names in workbook order.
    void FillSheets(const TSheetWorkbook* Workbook);
    // The boxes from the working copy.
    void LoadControls();
    // The boxes into the working copy, all or nothing; raises EMapRangeError.
    void ApplyControls();
    // Captions and enabled states after the range type or a choice changed.
    void UpdateControls();

public slots:
    // Applies the boxes and closes with OK; a box that does not parse shows its message and
    // keeps the dialog open.
    void accept() override;

private:
    int RangeType() const;
};

// Edits Range in the dialog; true (and the range changed) on OK, false (and the range as it
// was) on Cancel. The workbook gives the sheet lists; it may be nullptr.
bool EditRange(TMapRange& Range, const TSheetWorkbook* Workbook, QWidget* Parent = nullptr);

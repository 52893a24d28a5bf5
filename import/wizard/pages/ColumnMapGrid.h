#pragma once
// The column-map previews' drawing (the CSV page and the grid pages): fields map to whole
// columns of the grid, and the selected field's column is highlighted.

#include <QRect>
#include <functional>

class TDurvel3WizardF;
class TKobWideStringGrid;

// A left press on a column of the grid runs Pressed with the column (-1 outside the cells),
// inside the window's guard; a press that starts sizing a column picks none.
void OnColumnPressed(TKobWideStringGrid* Grid, TDurvel3WizardF* Form,
                     std::function<void(int Column)> Pressed);

// One cell: a fixed cell as a button, its text bold in row 0 over the mapped column; the mapped
// column's cells in the highlight; the others as text read from the left.
void DrawColumnMapCell(TKobWideStringGrid* Grid, int ACol, int ARow, const QRect& Rect, int State,
                       bool Fixed, bool Mapped);

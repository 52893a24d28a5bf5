#pragma once
// The column-map previews' drawing (the CSV page and the grid pages): fields map to whole
// columns of the grid, and the selected field's column is highlighted.

#include <QRect>

class TKobWideStringGrid;

// One cell: a fixed cell as a button, its text bold in row 0 over the mapped column; the mapped
// column's cells in the highlight; the others as text read from the left.
void DrawColumnMapCell(TKobWideStringGrid* Grid, int ACol, int ARow, const QRect& Rect, int State,
                       bool Fixed, bool Mapped);

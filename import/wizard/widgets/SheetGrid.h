#pragma once
// The spreadsheet previews' grid routines, shared by every spreadsheet page: headers in the
// sheet's own terms, and a cell drawn with the outline of the ranges it belongs to.

#include "import/wizard/widgets/Durvel3WideStringGrid.h"

class TKobSparseCells;
class TMapRow;

// Column letters along row 0 (1 = "A"), row numbers down column 0, column 0 25 pixels wide.
void FillSheetGridHeaders(TKobWideStringGrid* Grid);

// A sheet preview: Size columns and rows of the store's top-left cells under letters and row
// numbers, sheet cell (c, r) at grid cell (c + 1, r + RowOffset); RowOffset 0 puts the sheet's
// first row where the letters stand. Columns widen to their text up to MaxWidth (0: they keep
// the default width).
void FillSheetGridCells(TKobWideStringGrid* Grid, const TKobSparseCells& Cells, int Size,
                        int RowOffset, int MaxWidth);

// Each column of a table preview (no header row of letters) as wide as its widest text + 10,
// never narrower than the grid's default width nor wider than MaxWidth (0: unbounded).
void FitGridColumns(TKobWideStringGrid* Grid, int MaxWidth);

// Owner drawing of one preview cell (grid row and column are the sheet's 1-based row and
// column). Selection is what the user is marking (drawn while Selecting); MapRow the ranges of
// the field shown, left unmarked in the first SkipRows rows and SkipCols columns.
void DrawSheetGridCell(TKobWideStringGrid* Grid, const QString& SheetName, int SheetNumber,
                       const TMapRow* Selection, bool Selecting, int SkipRows, int SkipCols,
                       const TMapRow* MapRow, TGridDrawState State, const QRect& Rect, int ARow,
                       int ACol);

// Colours of the marks (as the screen shows them).
namespace SheetGridColors {
inline const QColor Mapped{0xC0, 0xDC, 0xC0};
inline const QColor MappedEdge{0x00, 0x80, 0x00};
inline const QColor Selected{0xF0, 0xFB, 0xFF};
inline const QColor SelectedEdge{0x00, 0x00, 0xFF};
} // namespace SheetGridColors

#include "import/wizard/widgets/SheetGrid.h"

#include "import/engine/support/MapRange.h"
#include "import/engine/support/SparseCells.h"

#include <QPainter>

void FillSheetGridHeaders(TKobWideStringGrid* Grid)
{
    Grid->SetColWidths(0, 25);
    Grid->BeginUpdate();
    for (int c = 1; c < Grid->ColCount(); ++c)
        Grid->SetCells(c, 0, MapColIndexToLetters(c));
    for (int r = 1; r < Grid->RowCount(); ++r)
        Grid->SetCells(0, r, QString::number(r));
    Grid->EndUpdate();
}

void FillSheetGridCells(TKobWideStringGrid* Grid, const TKobSparseCells& Cells, int Size,
                        int RowOffset, int MaxWidth)
{
    Grid->BeginUpdate();
    Grid->SetColCount(Size + 1);
    Grid->SetRowCount(Size + 1);
    Grid->SetFixedCols(1);
    Grid->SetFixedRows(1);
    Grid->SetDefaultColWidth(64);
    FillSheetGridHeaders(Grid);
    Grid->SetColWidths(0, 30);
    if (RowOffset == 0)
        for (int c = 1; c <= Size; ++c)
            Grid->SetCells(c, 0, QString());
    // Only what the grid shows: a sheet may hold a million rows.
    const int rows = qMin(Cells.RowCount(), Size + 1 - RowOffset);
    std::vector<int> widths(std::size_t(Size + 1), 64);
    widths[0] = 30;
    for (int r = 0; r < rows; ++r) {
        const TKobWideStringSparseList* cells = Cells.RowList(r);
        if (!cells)
            continue;
        cells->ForEach([&](int c, const QString& Text, void*) {
            if (c >= Size || Text.isEmpty())
                return;
            Grid->SetCells(c + 1, r + RowOffset, Text);
            if (MaxWidth > 0) {
                const int wanted = qMin(MaxWidth, Grid->Canvas()->TextWidth(Text) + 10);
                int& width = widths[std::size_t(c + 1)];
                width = qMax(width, wanted);
            }
        });
    }
    Grid->setColumnWidths(widths);
    Grid->EndUpdate();
}

void FitGridColumns(TKobWideStringGrid* Grid, int MaxWidth)
{
    std::vector<int> widths(std::size_t(Grid->ColCount()), 0);
    for (int c = 0; c < Grid->ColCount(); ++c) {
        int widest = 0;
        for (int r = 0; r < Grid->RowCount(); ++r) {
            const QString text = Grid->Cells(c, r);
            if (!text.isEmpty())
                widest = qMax(widest, Grid->Canvas()->TextWidth(text));
        }
        int width = widest + 10;
        if (MaxWidth > 0)
            width = qMin(width, MaxWidth);
        widths[std::size_t(c)] = qMax(width, Grid->DefaultColWidth());
    }
    // One pass: a width set per column lays the scroll bars out again each time.
    Grid->setColumnWidths(widths);
}

namespace {

enum Edge { Left = 1, Right = 2, Top = 4, Bottom = 8 };

void fillAndText(TKobWideStringGrid* Grid, QPainter& p, const QRect& Rect, const QColor& fill,
                 int ARow, int ACol)
{
    p.fillRect(Rect, fill);
    TKobWideStringCanvas* canvas = Grid->Canvas();
    canvas->Brush = QBrush(Qt::NoBrush);
    canvas->FontColor = Grid->palette().color(QPalette::Text);
    const QString text = Grid->Cells(ACol, ARow);
    const int x = Grid->layoutDirection() == Qt::RightToLeft
                      ? Rect.right() + 1 - 2 - canvas->TextWidth(text)
                      : Rect.left() + 2;
    canvas->TextRect(Rect, x, Rect.top() + 2, text);
}

void focusRect(QPainter& p, const QRect& Rect)
{
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(Rect.adjusted(0, 0, -1, -1));
}

// Edges are drawn inside the cell, on the side of the grid (the layout may be mirrored).
void drawEdges(QPainter& p, const QRect& r, int edges, const QColor& colour, bool mirrored)
{
    if (mirrored)
        edges =
            (edges & ~(Left | Right)) | ((edges & Left) ? Right : 0) | ((edges & Right) ? Left : 0);
    const int w = 3;
    if (edges & Left)
        p.fillRect(QRect(r.left(), r.top(), w, r.height()), colour);
    if (edges & Right)
        p.fillRect(QRect(r.right() + 1 - w, r.top(), w, r.height()), colour);
    if (edges & Top)
        p.fillRect(QRect(r.left(), r.top(), r.width(), w), colour);
    if (edges & Bottom)
        p.fillRect(QRect(r.left(), r.bottom() + 1 - w, r.width(), w), colour);
}

// The outline a range gives the cell: the sides of a run, its ends, all four of a single cell.
int rangeEdges(const TMapRange& range, int ARow, int ACol)
{
    const auto ends = [](int a, int b, int at, int lowEdge, int highEdge) {
        int e = 0;
        const int lo = a && b ? std::min(a, b) : a ? a : b;
        const int hi = a && b ? std::max(a, b) : a ? a : b;
        if (lo && at == lo && (a && b))
            e |= lowEdge;
        if (hi && at == hi && (a && b))
            e |= highEdge;
        return e;
    };
    switch (range.Kind()) {
    case TMapRange::rkColumn:
        return Left | Right | ends(range.StartRow, range.FinishRow, ARow, Top, Bottom);
    case TMapRange::rkRow:
        return Top | Bottom | ends(range.StartCol, range.FinishCol, ACol, Left, Right);
    case TMapRange::rkCell:
        return Left | Right | Top | Bottom;
    default:
        return 0;
    }
}

int neighbourEdges(int flags)
{
    int e = 0;
    if (flags & TMapRow::nbLeft)
        e |= Left;
    if (flags & TMapRow::nbRight)
        e |= Right;
    if (flags & TMapRow::nbAbove)
        e |= Top;
    if (flags & TMapRow::nbBelow)
        e |= Bottom;
    return e;
}

} // namespace

void DrawSheetGridCell(TKobWideStringGrid* Grid, const QString& SheetName, int SheetNumber,
                       const TMapRow* Selection, bool Selecting, int SkipRows, int SkipCols,
                       const TMapRow* MapRow, TGridDrawState State, const QRect& Rect, int ARow,
                       int ACol)
{
    QPainter* painter = Grid->Canvas()->Painter();
    if (!painter)
        return;
    QPainter& p = *painter;
    const QPalette pal = Grid->palette();
    TKobWideStringCanvas* canvas = Grid->Canvas();
    const bool mirrored = Grid->layoutDirection() == Qt::RightToLeft;

    if (State & gdFixed) {
        const bool current =
            (ARow == 0 && ACol == Grid->Col()) || (ACol == 0 && ARow == Grid->Row());
        QFont font = Grid->font();
        font.setBold(current);
        canvas->Font = font;
        p.fillRect(Rect, pal.color(current ? QPalette::Dark : QPalette::Button));
        canvas->Brush = QBrush(Qt::NoBrush);
        canvas->FontColor = pal.color(current ? QPalette::HighlightedText : QPalette::ButtonText);
        const QString text = Grid->Cells(ACol, ARow);
        const QSize size = canvas->TextExtent(text);
        canvas->TextRect(Rect, Rect.left() + (Rect.width() - size.width()) / 2,
                         Rect.top() + (Rect.height() - size.height()) / 2 + 1, text);
        canvas->Font = Grid->font();
        return;
    }

    const bool selectedUnfocused = (State & gdSelected) && !(State & gdFocused);
    fillAndText(Grid, p, Rect, pal.color(QPalette::Base), ARow, ACol);
    if (selectedUnfocused)
        focusRect(p, Rect);

    if (Selecting) {
        if (Selection && Selection->ContainsCell(SheetName, SheetNumber, ARow, ACol)) {
            fillAndText(Grid, p, Rect, SheetGridColors::Selected, ARow, ACol);
            const int inside =
                neighbourEdges(Selection->NeighbourFlags(SheetName, SheetNumber, ARow, ACol));
            drawEdges(p, Rect, (Left | Right | Top | Bottom) & ~inside,
                      SheetGridColors::SelectedEdge, mirrored);
        }
        return;
    }
    if (!MapRow || (SkipRows > 0 && ARow <= SkipRows) || (SkipCols > 0 && ACol <= SkipCols))
        return;
    const int inside = neighbourEdges(MapRow->NeighbourFlags(SheetName, SheetNumber, ARow, ACol));
    for (int i = 0; i < MapRow->Count(); ++i) {
        const TMapRange& range = *MapRow->GetItem(i);
        if (!range.ContainsCell(SheetName, SheetNumber, ARow, ACol))
            continue;
        fillAndText(Grid, p, Rect, SheetGridColors::Mapped, ARow, ACol);
        if (selectedUnfocused)
            focusRect(p, Rect);
        drawEdges(p, Rect, rangeEdges(range, ARow, ACol) & ~inside, SheetGridColors::MappedEdge,
                  mirrored);
    }
}

// The grid's painting: cells, fixed lines and grid lines, the marks of sizing and moving, the
// string grid's cell text and the previews' look.

#include "import/wizard/widgets/PreviewFont.h"
#include "import/wizard/widgets/WideStringGridPrivate.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

using namespace GridPrivate;

void TKobCustomGrid::InvalidateCell(int ACol, int ARow)
{
    const QRect r = CellRect(ACol, ARow);
    if (!r.isEmpty())
        viewport()->update(r.adjusted(0, 0, FGridLineWidth, FGridLineWidth));
}

void TKobCustomGrid::InvalidateGrid()
{
    viewport()->update();
}

// -- painting

void TKobCustomGrid::DrawCell(int ACol, int ARow, const QRect& Rect, TGridDrawState State)
{
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, Rect, State);
}

void TKobCustomGrid::Paint()
{
    QPainter& p = *Canvas()->Painter();
    const Axis h = calcAxis(true);
    const Axis v = calcAxis(false);
    p.fillRect(viewport()->rect(), FColor);
    const bool focused = hasFocus() || (FInplaceEdit && FInplaceEdit->hasFocus());
    const TGridRect sel = Selection();
    const QColor lineScroll =
        FColor == QColor(0xC0, 0xC0, 0xC0) ? QColor(0x80, 0x80, 0x80) : QColor(0xC0, 0xC0, 0xC0);
    std::vector<int> cols;
    std::vector<int> rows;
    for (int i = 0; i < h.FixedCount; ++i)
        cols.push_back(i);
    for (int i = h.First; i <= h.LastVisibleCell; ++i)
        cols.push_back(i);
    for (int i = 0; i < v.FixedCount; ++i)
        rows.push_back(i);
    for (int i = v.First; i <= v.LastVisibleCell; ++i)
        rows.push_back(i);
    const QPalette pal = palette();
    for (int r : rows) {
        const int y = linePos(v, false, r);
        const int rh = RowHeights(r);
        for (int c : cols) {
            const int x = linePos(h, true, c);
            const int cw = ColWidths(c);
            const QRect logical(x, y, cw, rh);
            const QRect where = mirrorRect(logical);
            const bool fixed = isFixedCell(c, r);
            TGridDrawState state;
            if (fixed)
                state |= gdFixed;
            const bool isCurrent = c == FCurrent.X && r == FCurrent.Y;
            if (!fixed && focused && isCurrent)
                state |= gdFocused;
            if (!fixed && sel.Contains(c, r) &&
                (!(state & gdFocused) || (FOptions & (goDrawFocusSelected | goRowSelect))))
                state |= gdSelected;
            if (!fixed && (FOptions & goRowSelect) && r == FCurrent.Y)
                state |= gdSelected;
            const bool editing = isCurrent && showsEditor();
            if (!editing) {
                TKobWideStringCanvas* canvas = Canvas();
                canvas->Font = font();
                QColor fill = fixed ? FFixedColor : FColor;
                QColor text = pal.color(QPalette::Text);
                if (!fixed && (state & gdSelected)) {
                    fill = pal.color(QPalette::Highlight);
                    text = pal.color(QPalette::HighlightedText);
                }
                canvas->Brush = QBrush(fill);
                canvas->FontColor = text;
                if (FDefaultDrawing)
                    p.fillRect(where, fill);
                p.save();
                p.setClipRect(where);
                DrawCell(c, r, where, state);
                p.restore();
                if (FDefaultDrawing && fixed && FGridLineWidth > 0) {
                    p.setPen(pal.color(QPalette::Light));
                    p.drawLine(where.topLeft(), where.topRight());
                    p.drawLine(where.topLeft(), where.bottomLeft());
                    p.setPen(pal.color(QPalette::Dark));
                    p.drawLine(where.bottomLeft(), where.bottomRight());
                    p.drawLine(where.topRight(), where.bottomRight());
                }
                if (FDefaultDrawing && (state & gdFocused) && !(FOptions & goRowSelect)) {
                    QPen pen(pal.color(QPalette::Text), 1, Qt::DotLine);
                    p.setPen(pen);
                    p.setBrush(Qt::NoBrush);
                    p.drawRect(where.adjusted(0, 0, -1, -1));
                }
            }
            // Grid lines: black in the fixed area, silver among the scrollable cells.
            const QColor lineColor = fixed ? Qt::black : lineScroll;
            const bool vert = (FOptions & (fixed ? goFixedVertLine : goVertLine)) && h.LineWidth;
            const bool horz = (FOptions & (fixed ? goFixedHorzLine : goHorzLine)) && v.LineWidth;
            if (vert)
                p.fillRect(mirrorRect(QRect(x + cw, y, h.LineWidth, rh + v.LineWidth)), lineColor);
            if (horz)
                p.fillRect(mirrorRect(QRect(x, y + rh, cw + h.LineWidth, v.LineWidth)), lineColor);
        }
    }
    drawMovePos(p);
}

void TKobCustomGrid::drawMovePos(QPainter& P)
{
    const int w = viewport()->width();
    const int hgt = viewport()->height();
    P.save();
    P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    if (FGridState == gsColSizing || FGridState == gsRowSizing) {
        P.setPen(QPen(Qt::white, 1, Qt::DotLine));
        if (FGridState == gsColSizing) {
            const int x = mirror(FSizingPos);
            P.drawLine(x, 0, x, hgt);
        } else {
            P.drawLine(0, FSizingPos, w, FSizingPos);
        }
    } else if ((FGridState == gsColMoving || FGridState == gsRowMoving) && FMovePos >= 0) {
        const bool horz = FGridState == gsColMoving;
        const Axis a = calcAxis(horz);
        const int start = linePos(a, horz, FMovePos);
        if (start != Hidden) {
            // At the far edge when moving forward, at the near edge when moving back.
            const int pos = FMovePos > FMoveIndex ? start + Extent(horz, FMovePos) : start;
            P.setPen(QPen(Qt::white, 5, Qt::DotLine));
            if (horz)
                P.drawLine(mirror(pos), 0, mirror(pos), hgt);
            else
                P.drawLine(0, pos, w, pos);
        }
    }
    P.restore();
}

void TKobWideStringGrid::SetPreviewLook()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(11);
    setFont(previewFont(font));
    FPreviewLook = true;
    fitRowsToFont();
}

void TKobWideStringGrid::fitRowsToFont()
{
    // A cell's text starts two pixels down, and keeps two below it, in whatever face draws it.
    SetDefaultRowHeight(qMax(16, textLineExtent(font()).Height() + 4));
}

void TKobWideStringGrid::changeEvent(QEvent* Event)
{
    TKobDrawGrid::changeEvent(Event);
    // The rows grow and shrink with the font.
    if (Event->type() == QEvent::FontChange && FPreviewLook)
        fitRowsToFont();
}

void TKobWideStringGrid::DrawCell(int ACol, int ARow, const QRect& Rect, TGridDrawState State)
{
    if (DefaultDrawing()) {
        TKobWideStringCanvas* canvas = Canvas();
        const QString text = Cells(ACol, ARow);
        const int x = layoutDirection() == Qt::RightToLeft
                          ? Rect.right() + 1 - 2 - canvas->TextWidth(text)
                          : Rect.left() + 2;
        canvas->TextRect(Rect, x, Rect.top() + 2, text);
    }
    TKobDrawGrid::DrawCell(ACol, ARow, Rect, State);
}

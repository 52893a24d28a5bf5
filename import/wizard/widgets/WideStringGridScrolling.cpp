// The grid's scrolling: the scroll bars' ranges, the first cell shown, keeping a cell in view.

#include "import/wizard/widgets/WideStringGridPrivate.h"

#include <QFontMetrics>
#include <QScrollBar>

using namespace GridPrivate;

// -- scrolling

void TKobCustomGrid::UpdateScrollRange()
{
    FSyncingScroll = true;
    setHorizontalScrollBarPolicy(FScrollBars == ssHorizontal || FScrollBars == ssBoth
                                     ? Qt::ScrollBarAsNeeded
                                     : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(FScrollBars == ssVertical || FScrollBars == ssBoth
                                   ? Qt::ScrollBarAsNeeded
                                   : Qt::ScrollBarAlwaysOff);
    QScrollBar* hb = horizontalScrollBar();
    QScrollBar* vb = verticalScrollBar();
    if (FColCount == 1) {
        // One column scrolls by pixels, a "0" at a time.
        const int range = qMax(0, ColWidths(0) - viewport()->width());
        FHorzOffset = qBound(0, FHorzOffset, range);
        hb->setRange(0, range);
        hb->setSingleStep(qMax(1, fontMetrics().horizontalAdvance(QLatin1Char('0'))));
        hb->setPageStep(qMax(1, viewport()->width()));
        hb->setValue(FHorzOffset);
    } else {
        FHorzOffset = 0;
        hb->setRange(0, qMax(0, maxTopLeft(true) - FFixedCols));
        hb->setSingleStep(1);
        hb->setPageStep(VisibleColCount());
        hb->setValue(FTopLeft.X - FFixedCols);
    }
    vb->setRange(0, qMax(0, maxTopLeft(false) - FFixedRows));
    vb->setSingleStep(1);
    vb->setPageStep(VisibleRowCount());
    vb->setValue(FTopLeft.Y - FFixedRows);
    FSyncingScroll = false;
}

void TKobCustomGrid::scrollContentsBy(int, int)
{
    if (FSyncingScroll)
        return;
    if (FColCount == 1) {
        const int off = horizontalScrollBar()->value();
        if (off != FHorzOffset) {
            FHorzOffset = off;
            viewport()->update();
            UpdateEditor();
        }
    }
    setTopLeftTo(FColCount == 1 ? FTopLeft.X : horizontalScrollBar()->value() + FFixedCols,
                 verticalScrollBar()->value() + FFixedRows);
}

void TKobCustomGrid::setTopLeftTo(int ACol, int ARow)
{
    const TGridCoord tl{qBound(FFixedCols, ACol, qMax(FFixedCols, maxTopLeft(true))),
                        qBound(FFixedRows, ARow, qMax(FFixedRows, maxTopLeft(false)))};
    if (tl == FTopLeft)
        return;
    FTopLeft = tl;
    UpdateScrollRange();
    viewport()->update();
    UpdateEditor();
    TopLeftChanged();
}

void TKobCustomGrid::TopLeftChanged()
{
    if (OnTopLeftChanged)
        OnTopLeftChanged(this);
}

void TKobCustomGrid::ClampInView(const TGridCoord& Coord)
{
    TGridCoord tl = FTopLeft;
    for (bool horz : {true, false}) {
        if (horz && FColCount == 1)
            continue;
        const Axis a = calcAxis(horz);
        const int c = horz ? Coord.X : Coord.Y;
        int& first = horz ? tl.X : tl.Y;
        if (c < a.FixedCount)
            continue;
        if (c < a.First) {
            first = c;
        } else if (c > a.LastFullVisibleCell || a.LastVisibleCell < a.First) {
            // Scroll until the cell is the last one wholly shown.
            const int avail = a.Extent - a.FixedBoundary;
            int i = c;
            int used = Extent(horz, i) + a.LineWidth;
            while (i > a.FixedCount) {
                const int e = Extent(horz, i - 1) + a.LineWidth;
                if (used + e > avail)
                    break;
                used += e;
                --i;
            }
            first = qMax(first, i);
            if (c < first)
                first = c;
        }
    }
    setTopLeftTo(tl.X, tl.Y);
}

void TKobCustomGrid::resizeEvent(QResizeEvent* Event)
{
    TKobCustomControl::resizeEvent(Event);
    UpdateScrollRange();
    UpdateEditor();
}

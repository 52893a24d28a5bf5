#include "import/wizard/widgets/Durvel3TXTView.h"

#include "import/engine/DurvelStrings.h"
#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/VoTextFile.h"
#include "import/wizard/widgets/PreviewFont.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr int kRulerHeight = 16;
constexpr int kArrowReach = 3; // pixels either side of an arrow that pick it

bool strongRightToLeft(QChar c)
{
    const QChar::Direction d = c.direction();
    return d == QChar::DirR || d == QChar::DirAL;
}

} // namespace

// ---- arrows -------------------------------------------------------------------------------------

TViewArrow* TViewArrows::Add(int Column)
{
    FItems.push_back(std::make_unique<TViewArrow>());
    FItems.back()->Column = Column;
    return FItems.back().get();
}

void TViewArrows::Delete(TViewArrow* Arrow)
{
    for (auto it = FItems.begin(); it != FItems.end(); ++it) {
        if (it->get() == Arrow) {
            FItems.erase(it);
            return;
        }
    }
}

TViewArrow* TViewArrows::ArrowAt(int Column, const TViewArrow* Except) const
{
    for (const auto& a : FItems)
        if (a.get() != Except && a->Column == Column)
            return a.get();
    return nullptr;
}

TViewArrow* TViewArrows::NearestLeft(int Column) const
{
    TViewArrow* best = nullptr;
    for (const auto& a : FItems)
        if (a->Column < Column && (!best || a->Column > best->Column))
            best = a.get();
    return best;
}

TViewArrow* TViewArrows::NearestRight(int Column) const
{
    TViewArrow* best = nullptr;
    for (const auto& a : FItems)
        if (a->Column > Column && (!best || a->Column < best->Column))
            best = a.get();
    return best;
}

// ---- rulers -------------------------------------------------------------------------------------

TViewRuler::TViewRuler(TDurvel3TXTViewer* Viewer, TOrientation Orientation)
    : QWidget(Viewer->viewport()), FOrientation(Orientation)
{
    resize(kRulerHeight, kRulerHeight);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TViewRuler::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    const int h = height();
    p.fillRect(rect(), palette().color(QPalette::Button));
    const QColor dark = Qt::black;
    const QColor light = Qt::white;
    if (FOrientation == roTop) {
        p.setPen(light);
        p.drawLine(0, 0, w - 1, 0);
        p.drawLine(0, 0, 0, h - 1);
        p.setPen(dark);
        p.drawLine(0, h - 1, w - 1, h - 1);
        p.drawLine(w - 1, 0, w - 1, h - 1);
    } else {
        p.setPen(dark);
        p.drawLine(0, 0, w - 1, 0);
        p.drawLine(0, h - 1, w - 1, h - 1);
        p.drawLine(w - 1, 0, w - 1, h - 1);
        p.setPen(light);
        p.drawLine(0, 1, w - 2, 1);
        p.drawLine(0, 1, 0, h - 2);
    }
    if (Step < 1)
        return;
    for (int i = 1; i <= (2 * w - 1) / Step; ++i) {
        const int x = Step * i;
        if (x >= w)
            break;
        // A long tick every five columns of the text.
        const bool longTick = (FirstColumn + i - 1) % 5 == 0;
        const int len = longTick ? h - 5 : (h - 5) / 2;
        const int y0 = FOrientation == roTop ? h - 3 - len : 2;
        p.setPen(dark);
        p.drawLine(x, y0, x, y0 + len);
        p.setPen(light);
        p.drawLine(x + 1, y0, x + 1, y0 + len);
    }
}

// ---- viewer -------------------------------------------------------------------------------------

TDurvel3TXTViewer::TDurvel3TXTViewer(QWidget* Parent) : TKobCustomControl(Parent)
{
    FTopRuler = new TViewRuler(this, TViewRuler::roTop);
    FBottomRuler = new TViewRuler(this, TViewRuler::roBottom);
    setFont(previewFont(QFont(QStringLiteral("Courier New"), 10)));
    UpdateRunFont();
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(pal);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The text never mirrors: columns run left to right as the reader counts them.
    setLayoutDirection(Qt::LeftToRight);
    resize(240, 120);
    PlaceRulers();
}

TDurvel3TXTViewer::~TDurvel3TXTViewer() = default;

int TDurvel3TXTViewer::CharWidth() const
{
    if (FCharWidth == 0)
        FCharWidth = QFontMetrics(font()).horizontalAdvance(QLatin1Char('A'));
    return FCharWidth;
}

// A line as tall as the faces that draw it reach: the font's and the Persian runs'.
int TDurvel3TXTViewer::CharHeight() const
{
    if (FCharHeight == 0) {
        const TextLineExtent text = textLineExtent(font());
        const TextLineExtent runs = textLineExtent(FRunFont);
        FLineAscent = qMax(text.Ascent, runs.Ascent);
        FCharHeight = FLineAscent + qMax(text.Descent, runs.Descent);
    }
    return FCharHeight;
}

int TDurvel3TXTViewer::LineAscent() const
{
    CharHeight();
    return FLineAscent;
}

void TDurvel3TXTViewer::changeEvent(QEvent* Event)
{
    if (Event->type() == QEvent::FontChange) {
        FCharWidth = FCharHeight = 0;
        UpdateRunFont();
        UpdateScrollBars();
    }
    TKobCustomControl::changeEvent(Event);
}

void TDurvel3TXTViewer::UpdateRunFont()
{
    // Named outright: the faces the desktop would add to the fixed-pitch font may be fixed-pitch.
    // A font that names faces after its first (the previews' font does) has chosen them.
    FRunFont = font();
    const QStringList named = font().families().mid(1);
    const QStringList faces = named.isEmpty() ? arabicScriptFaces(font()) : named;
    if (!faces.isEmpty())
        FRunFont.setFamilies(faces);
    FCharHeight = 0;
}

int TDurvel3TXTViewer::HorzOffset() const
{
    return -horizontalScrollBar()->value() * CharWidth();
}

int TDurvel3TXTViewer::VertOffset() const
{
    return -verticalScrollBar()->value() * (CharHeight() + 1);
}

int TDurvel3TXTViewer::ColumnX(int Column) const
{
    return (Column + 1) * CharWidth() + HorzOffset();
}

int TDurvel3TXTViewer::SnapColumn(int X) const
{
    const int w = CharWidth();
    if (w < 1)
        return -1;
    const int x = X - HorzOffset();
    if (x < 1)
        return -1;
    const int snapped = x / w + (x % w > w / 2 ? 1 : 0);
    return snapped - 1;
}

int TDurvel3TXTViewer::LineY(int Line) const
{
    return kRulerHeight + VertOffset() + 3 + Line * (CharHeight() + 1);
}

QList<TViewRun> TDurvel3TXTViewer::RightToLeftRuns(const QString& Line, const QList<int>& Cuts)
{
    QList<TViewRun> runs;
    const int n = int(Line.size());
    int i = 0;
    while (i < n) {
        if (!strongRightToLeft(Line.at(i))) {
            ++i;
            continue;
        }
        int end = i + 1;
        for (int j = i + 1; j < n && !Cuts.contains(j); ++j) {
            const QChar c = Line.at(j);
            const QChar::Direction d = c.direction();
            if (d == QChar::DirL || (c.isSpace() && j + 1 < n && Line.at(j + 1).isSpace()))
                break;
            // Marks and joiners belong to the letter before them.
            if (strongRightToLeft(c) || ((d == QChar::DirNSM || d == QChar::DirBN) && end == j))
                end = j + 1;
        }
        runs.append({i, end - i});
        i = end;
    }
    return runs;
}

void TDurvel3TXTViewer::LoadFromFile(const QString& FileName)
{
    if (FileName.isEmpty())
        RaiseImportError(DurvelStr::FileNameNotSpecified);
    if (!QFileInfo(FileName).isFile())
        RaiseImportError(DurvelStr::FileNotExists, FileName);
    TVoTextFile file(FileName, TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    file.Reset(FCodePage == 0 ? TVoTextFile::tfDetectUnicode : 0, 0, 0);
    if (FCodePage > 0)
        file.SetCodepage(FCodePage);
    else if (FCodePage == -1)
        FCodePage = file.Codepage();
    FLoadedCodePage = file.Codepage();
    // Read into a fresh list so that a read error leaves the shown lines in place.
    QStringList lines;
    int longest = 0;
    QString line;
    while (!file.EndOfFile() && (FLineLimit < 1 || lines.size() < FLineLimit)) {
        file.ReadLine(line);
        ExpandTabs(line); // as the fixed-width reader does, so the columns agree
        longest = qMax(longest, int(line.size()));
        lines.append(line);
    }
    file.Close();
    FLines.Assign(lines);
    FRuns.clear();
    FLongest = longest;
    UpdateScrollBars();
    viewport()->update();
}

void TDurvel3TXTViewer::AddArrow(int Column)
{
    if (Column < 0 || FArrows.ArrowAt(Column))
        return;
    FArrows.Add(Column);
    viewport()->update();
}

void TDurvel3TXTViewer::ClearArrows()
{
    FSelLeft = FSelRight = nullptr;
    FDragged = nullptr;
    FArrows.Clear();
    viewport()->update();
}

void TDurvel3TXTViewer::SetSelection(int Start, int Size)
{
    TViewArrow* left = FArrows.ArrowAt(Start);
    TViewArrow* right = FArrows.ArrowAt(Start + Size);
    if (left && right && left != right)
        SetSelectionArrows(left, right, false);
    else
        SetSelectionArrows(nullptr, nullptr, false);
}

void TDurvel3TXTViewer::GetSelection(int& Start, int& Size) const
{
    if (!FSelLeft || !FSelRight) {
        Start = -1;
        Size = -1;
        return;
    }
    Start = qMin(FSelLeft->Column, FSelRight->Column);
    Size = qAbs(FSelRight->Column - FSelLeft->Column);
}

void TDurvel3TXTViewer::SetSelectionArrows(TViewArrow* Left, TViewArrow* Right, bool Notify)
{
    const bool changed = Left != FSelLeft || Right != FSelRight;
    FSelLeft = Left;
    FSelRight = Right;
    viewport()->update();
    if (Notify && changed)
        emit SelectionChanged();
}

TViewArrow* TDurvel3TXTViewer::ArrowNear(int X) const
{
    TViewArrow* best = nullptr;
    int bestDistance = kArrowReach + 1;
    for (int i = 0; i < FArrows.Count(); ++i) {
        TViewArrow* a = FArrows.Items(i);
        const int d = qAbs(ColumnX(a->Column) - X);
        if (d < bestDistance) {
            best = a;
            bestDistance = d;
        }
    }
    return best;
}

void TDurvel3TXTViewer::mouseDoubleClickEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::LeftButton)
        return;
    const int x = int(Event->position().x());
    if (TViewArrow* a = ArrowNear(x)) {
        const int column = a->Column;
        if (a == FSelLeft || a == FSelRight)
            SetSelectionArrows(nullptr, nullptr, true);
        FDragged = nullptr;
        FArrows.Delete(a);
        viewport()->unsetCursor();
        viewport()->update();
        emit ArrowRemoved(column);
        return;
    }
    const int column = SnapColumn(x);
    if (column < 0)
        return;
    FArrows.Add(column);
    if (FSelLeft && FSelRight && qMin(FSelLeft->Column, FSelRight->Column) < column &&
        qMax(FSelLeft->Column, FSelRight->Column) > column)
        SetSelectionArrows(nullptr, nullptr, true);
    viewport()->update();
}

void TDurvel3TXTViewer::mousePressEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::LeftButton)
        return;
    const int x = int(Event->position().x());
    if (TViewArrow* a = ArrowNear(x)) {
        FDragged = a;
        return;
    }
    // The column under the mouse, and the field between its neighbouring arrows.
    const int w = CharWidth();
    if (w < 1)
        return;
    const int column = (x - HorzOffset()) / w - 1;
    TViewArrow* left = FArrows.NearestLeft(column + 1);
    TViewArrow* right = FArrows.NearestRight(column);
    if (!left || !right)
        return;
    // A second click in the selected field deselects it.
    const bool same = left == FSelLeft || right == FSelRight;
    SetSelectionArrows(same ? nullptr : left, same ? nullptr : right, true);
}

void TDurvel3TXTViewer::mouseMoveEvent(QMouseEvent* Event)
{
    const int x = int(Event->position().x());
    if (!FDragged) {
        if (ArrowNear(x))
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
        return;
    }
    if (!(Event->buttons() & Qt::LeftButton))
        return;
    const int column = SnapColumn(x);
    if (column < 0 || column == FDragged->Column)
        return;
    const int old = FDragged->Column;
    FDragged->Column = column;
    emit ArrowMoved(old, column);
    if (FArrows.ArrowAt(column, FDragged)) {
        SetSelectionArrows(nullptr, nullptr, true);
        emit ArrowMerged(column);
    } else if (FDragged == FSelLeft || FDragged == FSelRight) {
        emit SelectionChanged();
    }
    viewport()->update();
}

void TDurvel3TXTViewer::mouseReleaseEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::LeftButton || !FDragged)
        return;
    TViewArrow* dragged = FDragged;
    FDragged = nullptr;
    // Dropped onto another arrow: the two are one now.
    if (FArrows.ArrowAt(dragged->Column, dragged)) {
        if (dragged == FSelLeft || dragged == FSelRight)
            SetSelectionArrows(nullptr, nullptr, true);
        FArrows.Delete(dragged);
    }
    viewport()->update();
}

void TDurvel3TXTViewer::scrollContentsBy(int, int)
{
    FTopRuler->FirstColumn = horizontalScrollBar()->value();
    FBottomRuler->FirstColumn = horizontalScrollBar()->value();
    FTopRuler->update();
    FBottomRuler->update();
    viewport()->update();
}

void TDurvel3TXTViewer::resizeEvent(QResizeEvent* Event)
{
    TKobCustomControl::resizeEvent(Event);
    PlaceRulers();
    UpdateScrollBars();
}

void TDurvel3TXTViewer::PlaceRulers()
{
    const QRect r = viewport()->rect();
    FTopRuler->setGeometry(0, 0, r.width(), kRulerHeight);
    FBottomRuler->setGeometry(0, r.height() - kRulerHeight, r.width(), kRulerHeight);
    FTopRuler->Step = FBottomRuler->Step = CharWidth();
}

void TDurvel3TXTViewer::UpdateScrollBars()
{
    const int cw = CharWidth();
    const int textWidth = FLongest * cw;
    const int area = viewport()->width() - cw; // the first column starts one width in
    horizontalScrollBar()->setRange(0, textWidth > area && cw > 0 ? FLongest - 1 : 0);
    horizontalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setPageStep(10);
    const int textHeight = FLines.Count() * (CharHeight() + 1);
    const int areaHeight = viewport()->height() - 2 * kRulerHeight - 3;
    verticalScrollBar()->setRange(0, textHeight > areaHeight ? FLines.Count() - 1 : 0);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(10);
    FTopRuler->Step = FBottomRuler->Step = cw;
}

// A run of right-to-left script shaped as one text, its first character on the right, fitted
// a pixel inside its columns and clipped to them, so that no glyph (a final yeh's tail, say)
// spills over a neighbour or an arrow. A run wider than its columns first takes Spare pixels of
// the blanks after it, from its first column on, before it is narrowed: a short word of wide
// letters ("شمس") stays readable.
void TDurvel3TXTViewer::DrawRun(QPainter& P, const QString& Text, const QRect& Box, int Spare,
                                int Baseline)
{
    const qreal width = QFontMetricsF(FRunFont, P.device()).horizontalAdvance(Text);
    const qreal room = Box.width() - 2;
    if (width <= 0 || room <= 0)
        return;
    QRect box = Box;
    qreal scale = qMin<qreal>(room / width, 2.0);
    qreal x = Box.left() + 1 + room - scale * width;
    if (width > room && Spare > 0) {
        box.setWidth(Box.width() + Spare);
        scale = qMin<qreal>((box.width() - 2) / width, 1.0);
        x = Box.left() + 1;
    }
    P.save();
    P.setClipRect(box, Qt::IntersectClip);
    P.setLayoutDirection(Qt::RightToLeft);
    P.translate(x, 0);
    P.scale(scale, 1);
    P.setFont(FRunFont);
    P.drawText(QPointF(0, Baseline), Text);
    P.restore();
}

void TDurvel3TXTViewer::Paint()
{
    QPainter& p = *Canvas()->Painter();
    const int cw = CharWidth();
    const int ch = CharHeight();
    const int top = kRulerHeight;
    const int bottom = viewport()->height() - kRulerHeight;
    const int hoff = HorzOffset();
    p.setClipRect(QRect(0, top, viewport()->width(), bottom - top));
    // The selected field first, so the text stays readable on it.
    if (FSelLeft && FSelRight) {
        const int x1 =
            qBound(0, ColumnX(qMin(FSelLeft->Column, FSelRight->Column)), viewport()->width());
        const int x2 =
            qBound(0, ColumnX(qMax(FSelLeft->Column, FSelRight->Column)), viewport()->width());
        p.fillRect(QRect(x1, top, x2 - x1, bottom - top), palette().color(QPalette::Highlight));
    }
    p.setFont(font());
    const QFontMetrics fm(font());
    const int ascent = LineAscent();
    const int firstColumn = qMax(0, -hoff / qMax(1, cw));
    const int lastColumn = firstColumn + viewport()->width() / qMax(1, cw) + 1;
    QList<int> cuts;
    for (int i = 0; i < FArrows.Count(); ++i)
        cuts.append(FArrows.Items(i)->Column);
    std::sort(cuts.begin(), cuts.end());
    // The runs are found once for the lines and arrows, not at every scroll: a line may be long.
    if (cuts != FRunCuts || int(FRuns.size()) != FLines.Count()) {
        FRunCuts = cuts;
        FRuns.clear();
        for (int i = 0; i < FLines.Count(); ++i)
            FRuns.push_back(RightToLeftRuns(FLines.Get(i), cuts));
    }
    const auto selected = [this](int Column) {
        return FSelLeft && FSelRight && Column >= qMin(FSelLeft->Column, FSelRight->Column) &&
               Column < qMax(FSelLeft->Column, FSelRight->Column);
    };
    for (int i = 0; i < FLines.Count(); ++i) {
        const int y = LineY(i);
        if (y + ch <= top)
            continue;
        if (y >= bottom)
            break;
        const QString line = FLines.Get(i);
        const QList<TViewRun>& runs = FRuns[std::size_t(i)];
        // From the first run that reaches into view; one crossing its left edge is drawn whole.
        int run = int(std::partition_point(runs.begin(), runs.end(),
                                           [firstColumn](const TViewRun& r) {
                                               return r.Start + r.Length <= firstColumn;
                                           }) -
                      runs.begin());
        int c = firstColumn;
        if (run < runs.size() && runs.at(run).Start < c)
            c = runs.at(run).Start;
        while (c < qMin(int(line.size()), lastColumn)) {
            // Arrows cut runs, so a run lies wholly inside or outside the selected field.
            p.setPen(palette().color(selected(c) ? QPalette::HighlightedText : QPalette::Text));
            if (run < runs.size() && runs.at(run).Start == c) {
                const TViewRun r = runs.at(run++);
                // The blanks after the run in its own field, less one that keeps it off the text
                // after them.
                int blank = c + r.Length;
                while (blank < line.size() && line.at(blank) == u' ' && !cuts.contains(blank))
                    ++blank;
                const bool field = blank == line.size() || cuts.contains(blank);
                const int spare = qMax(0, blank - (c + r.Length) - (field ? 0 : 1)) * cw;
                DrawRun(p, line.mid(c, r.Length), QRect(ColumnX(c), y, r.Length * cw, ch), spare,
                        y + ascent);
                c += r.Length;
                continue;
            }
            // Other characters one per column in stored order: the columns are the reader's.
            QString glyph(line.at(c));
            if (line.at(c).isHighSurrogate() && c + 1 < line.size())
                glyph += line.at(c + 1);
            if (!line.at(c).isLowSurrogate()) {
                const int x = ColumnX(c);
                const int gw = fm.horizontalAdvance(glyph);
                const int gx = gw == cw ? x : x + (cw - gw) / 2; // centre a glyph of another width
                p.drawText(QPoint(gx, y + ascent), glyph);
            }
            ++c;
        }
    }
    p.setClipping(false);
    // Arrows: a line across the text with a mark on each ruler.
    const QColor arrowColor(0x00, 0x00, 0x80);
    for (int i = 0; i < FArrows.Count(); ++i) {
        const int x = ColumnX(FArrows.Items(i)->Column);
        if (x < 0 || x >= viewport()->width())
            continue;
        p.setPen(QPen(arrowColor, 1));
        p.drawLine(x, top, x, bottom - 1);
        const QPolygon down({QPoint(x - 3, top), QPoint(x + 3, top), QPoint(x, top + 4)});
        const QPolygon up(
            {QPoint(x - 3, bottom - 1), QPoint(x + 3, bottom - 1), QPoint(x, bottom - 5)});
        p.setBrush(arrowColor);
        p.drawPolygon(down);
        p.drawPolygon(up);
    }
}

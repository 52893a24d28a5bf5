#include "import/wizard/widgets/KobWideStringCanvas.h"

#include "import/wizard/widgets/PreviewFont.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

TKobWideStringCanvas::TKobWideStringCanvas(QWidget* Control) : FControl(Control)
{
    if (Control)
        Font = Control->font();
}

void TKobWideStringCanvas::SetPainter(QPainter* Painter)
{
    FPainter = Painter;
}

void TKobWideStringCanvas::Prepare() const
{
    FPainter->setFont(Font);
    FPainter->setPen(FontColor);
    FPainter->setLayoutDirection(RightToLeftReading ? Qt::RightToLeft : Qt::LeftToRight);
}

QSize TKobWideStringCanvas::TextExtent(const QString& Text) const
{
    // As tall as the faces that draw the text reach, not the first face alone.
    return {QFontMetrics(Font).horizontalAdvance(Text), textLineExtent(Font).Height()};
}

void TKobWideStringCanvas::Changing()
{
    if (OnChanging)
        OnChanging();
}

void TKobWideStringCanvas::Changed()
{
    if (OnChange)
        OnChange();
}

void TKobWideStringCanvas::DrawAt(int X, int Y, const QString& Text)
{
    if (!FPainter || Text.isEmpty())
        return;
    Prepare();
    FPainter->drawText(QPoint(X, Y + textLineExtent(Font).Ascent), Text);
}

void TKobWideStringCanvas::TextOut(int X, int Y, const QString& Text)
{
    Changing();
    const int w = TextWidth(Text);
    if (CanvasOrientation == coRightToLeft)
        X += w + 1;
    DrawAt(X, Y, Text);
    FPenPos = QPoint(X + w, Y);
    Changed();
}

void TKobWideStringCanvas::TextRect(const QRect& Rect, int X, int Y, const QString& Text)
{
    Changing();
    if (RightToLeftReading && CanvasOrientation == coRightToLeft)
        X += TextWidth(Text) + 1;
    if (FPainter) {
        FPainter->save();
        FPainter->setClipRect(Rect, Qt::IntersectClip);
        if (Brush.style() != Qt::NoBrush)
            FPainter->fillRect(Rect, Brush);
        DrawAt(X, Y, Text);
        FPainter->restore();
    }
    Changed();
}

void TKobWideStringCanvas::FillRect(const QRect& Rect)
{
    Changing();
    if (FPainter && Brush.style() != Qt::NoBrush)
        FPainter->fillRect(Rect, Brush);
    Changed();
}

TKobCustomControl::TKobCustomControl(QWidget* Parent) : QAbstractScrollArea(Parent), FCanvas(this)
{
    FCanvas.RightToLeftReading = layoutDirection() == Qt::RightToLeft;
}

TKobCustomControl::~TKobCustomControl() = default;

void TKobCustomControl::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    FCanvas.RightToLeftReading = layoutDirection() == Qt::RightToLeft;
    FCanvas.SetPainter(&painter);
    Paint();
    FCanvas.SetPainter(nullptr);
}

void TKobCustomControl::changeEvent(QEvent* Event)
{
    if (Event->type() == QEvent::FontChange)
        FCanvas.Font = font();
    QAbstractScrollArea::changeEvent(Event);
}

#include "import/wizard/widgets/Durvel3InfoPanel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

// The panel's two pictures: an information sign, in colour or in grey.
QPixmap makePicture(bool Enabled)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = Enabled ? QColor(0x1E, 0x5A, 0xC8) : QColor(0xA0, 0xA0, 0xA0);
    p.setBrush(fill);
    p.setPen(Enabled ? fill.darker(130) : QColor(0x80, 0x80, 0x80));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 3, 2.2, 2.2));
    p.drawRect(QRectF(7, 6.5, 2.2, 6.5));
    return pm;
}

} // namespace

TInfoPanel::TInfoPanel(QWidget* Parent) : QWidget(Parent)
{
    FBkColor = palette().color(QPalette::ToolTipBase);
    FColor = palette().color(QPalette::Window);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(185, 41);
    AdjustBounds();
}

QPixmap TInfoPanel::Picture() const
{
    static const QPixmap enabled = makePicture(true);
    static const QPixmap disabled = makePicture(false);
    return isEnabled() ? enabled : disabled;
}

int TInfoPanel::TextFlags() const
{
    return Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs |
           (FWordWrap ? Qt::TextWordWrap : Qt::TextSingleLine);
}

QRect TInfoPanel::TextRect() const
{
    QRect r(0, 0, width(), height());
    r.setLeft(Picture().width() + FGapBitmap + FGapText);
    const QString text = FCaption.isEmpty() ? QStringLiteral(" ") : FCaption;
    const QRect measured = QFontMetrics(font()).boundingRect(r, TextFlags(), text);
    r.setWidth(FWordWrap ? r.width() : measured.width());
    r.setHeight(measured.height());
    return r;
}

void TInfoPanel::AdjustBounds()
{
    if (!FAutoSize || FAdjusting)
        return;
    FAdjusting = true;
    const QRect t = TextRect();
    const int h = t.height() + 2 * FGapVertical;
    const int w =
        FAlign == alNone ? Picture().width() + 2 * FGapBitmap + FGapText + t.width() : width();
    resize(w, h);
    FAdjusting = false;
}

void TInfoPanel::SetAutoSize(bool Value)
{
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    AdjustBounds();
    update();
}

void TInfoPanel::SetBkColor(const QColor& Value)
{
    if (Value == FBkColor)
        return;
    FBkColor = Value;
    update();
}

void TInfoPanel::SetGapBitmap(int Value)
{
    if (Value < 0 || Value == FGapBitmap)
        return;
    FGapBitmap = Value;
    AdjustBounds();
    update();
}

void TInfoPanel::SetGapText(int Value)
{
    if (Value < 0 || Value == FGapText)
        return;
    FGapText = Value;
    AdjustBounds();
    update();
}

void TInfoPanel::SetGapVertical(int Value)
{
    if (Value < 0 || Value == FGapVertical)
        return;
    FGapVertical = Value;
    AdjustBounds();
    update();
}

void TInfoPanel::SetRadius(int Value)
{
    if (Value < 0 || Value == FRadius)
        return;
    FRadius = Value;
    update();
}

void TInfoPanel::SetShadow(bool Value)
{
    if (Value == FShadow)
        return;
    FShadow = Value;
    update();
}

void TInfoPanel::SetShadowDepth(int Value)
{
    if (Value < 0 || Value == FShadowDepth)
        return;
    FShadowDepth = Value;
    update();
}

void TInfoPanel::SetTransparent(bool Value)
{
    if (Value == FTransparent)
        return;
    FTransparent = Value;
    setAttribute(Qt::WA_OpaquePaintEvent, !Value);
    update();
}

void TInfoPanel::SetWordWrap(bool Value)
{
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    AdjustBounds();
    update();
}

void TInfoPanel::SetCaption(const QString& Value)
{
    if (Value == FCaption)
        return;
    FCaption = Value;
    AdjustBounds();
    update();
}

void TInfoPanel::SetColor(const QColor& Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    update();
}

void TInfoPanel::SetAlign(TAlign Value)
{
    if (Value == FAlign)
        return;
    FAlign = Value;
    AdjustBounds();
}

void TInfoPanel::changeEvent(QEvent* Event)
{
    if (Event->type() == QEvent::FontChange)
        AdjustBounds();
    if (Event->type() == QEvent::EnabledChange || Event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(Event);
}

void TInfoPanel::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    if (FAlign != alNone)
        AdjustBounds();
}

void TInfoPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!FTransparent)
        p.fillRect(rect(), FColor);
    const bool enabled = isEnabled();
    const QColor textColor = enabled ? palette().color(QPalette::WindowText)
                                     : palette().color(QPalette::Disabled, QPalette::WindowText);
    const QColor outline = enabled ? QColor(Qt::black) : textColor;
    const QRect t = TextRect();
    int top = (height() - t.height()) / 2;
    if (FShadow) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x80, 0x80, 0x80));
        p.drawRoundedRect(QRectF(FShadowDepth, FShadowDepth, width() - FShadowDepth - 0.5,
                                 height() - FShadowDepth - 0.5),
                          FRadius / 2.0, FRadius / 2.0);
        p.setPen(Qt::black);
        p.setBrush(FBkColor);
        p.drawRoundedRect(QRectF(0.5, 0.5, width() - FShadowDepth - 1, height() - FShadowDepth - 1),
                          FRadius / 2.0, FRadius / 2.0);
        top -= FShadowDepth / 2;
    } else {
        p.setPen(outline);
        p.setBrush(FBkColor);
        p.drawRoundedRect(QRectF(0.5, 0.5, width() - 1, height() - 1), FRadius / 2.0,
                          FRadius / 2.0);
    }
    p.drawPixmap(FGapBitmap, qMax(0, top - 2), Picture());
    p.setPen(textColor);
    p.setFont(font());
    p.setLayoutDirection(layoutDirection());
    QRect textRect = t;
    textRect.moveTop(top);
    if (FWordWrap)
        textRect.setRight(width() - 1 - (FShadow ? FShadowDepth : 0));
    const int align = layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    p.drawText(textRect, (TextFlags() & ~Qt::AlignLeft) | align,
               FCaption.isEmpty() ? QString() : FCaption);
}

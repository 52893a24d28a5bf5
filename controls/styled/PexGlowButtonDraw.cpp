#include "controls/styled/PexGlowButton.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace pex {

namespace {

constexpr int kCornerRadius = 3;

} // namespace

struct TPexGlowButton::ColorSet
{
    enum Kind { Normal, Hot, Down, Checked, Disabled };
    Kind kind = Normal;
    TColor from = clNone, to = clNone, mirrorFrom = clNone, mirrorTo = clNone, border = clNone;
    TGDIPGradient gradient = ggVertical, gradientMirror = ggVertical;
    bool focusLook = false;
};

struct TPexGlowButton::Content
{
    QSize picture;
    QSize caption;
    QSize notes;
    QSize total;
};

// ---------------------------------------------------------------------------------------------
// Drawing

TPexGlowButton::ColorSet TPexGlowButton::currentColors() const
{
    const TGlowButtonAppearance* a = m_appearance;
    const int state = m_drawState;
    const bool checkedLook = state == dsExclusive || (state == dsDown && m_style == bsCheck);
    auto normal = [a] {
        return ColorSet{ColorSet::Normal,   a->Color(),       a->ColorTo(),  a->ColorMirror(),
                        a->ColorMirrorTo(), a->BorderColor(), a->Gradient(), a->GradientMirror()};
    };
    auto hot = [a] {
        return ColorSet{ColorSet::Hot,       a->ColorHot(),         a->ColorHotTo(),
                        a->ColorMirrorHot(), a->ColorMirrorHotTo(), a->BorderColorHot(),
                        a->GradientHot(),    a->GradientMirrorHot()};
    };
    auto down = [a] {
        return ColorSet{ColorSet::Down,       a->ColorDown(),         a->ColorDownTo(),
                        a->ColorMirrorDown(), a->ColorMirrorDownTo(), a->BorderColorDown(),
                        a->GradientDown(),    a->GradientMirrorDown()};
    };
    auto checked = [a, this] {
        const TColor border =
            m_mouseInside && a->BorderColorCheckedHot() != clNone && !m_mouseDownOnButton
                ? a->BorderColorCheckedHot()
                : a->BorderColorChecked();
        return ColorSet{ColorSet::Checked,       a->ColorChecked(),         a->ColorCheckedTo(),
                        a->ColorMirrorChecked(), a->ColorMirrorCheckedTo(), border,
                        a->GradientChecked(),    a->GradientMirrorChecked()};
    };

    ColorSet c;
    const bool disabled = (state == dsDisabled || !isEnabled()) && m_showDisabled;
    if (disabled) {
        c = {ColorSet::Disabled,       a->ColorDisabled(),         a->ColorDisabledTo(),
             a->ColorMirrorDisabled(), a->ColorMirrorDisabledTo(), a->BorderColorDisabled(),
             a->GradientDisabled(),    a->GradientMirrorDisabled()};
    } else if (state == dsDown && m_style != bsCheck) {
        c = down();
    } else if (checkedLook) {
        c = checked();
    } else if (m_hot) {
        c = hot();
    } else if (hasFocus() && (m_focusType == ftHot || m_focusType == ftHotBorder) && !m_pressed) {
        c = hot();
        c.focusLook = true;
    } else {
        c = normal();
    }

    if (m_fadeTimer && !disabled) {
        auto mix = [](const ColorSet& x, const ColorSet& y, int p, bool withBorder) {
            ColorSet r = x;
            r.from = blend(x.from, y.from, p);
            r.to = blend(x.to, y.to, p);
            r.mirrorFrom = blend(x.mirrorFrom, y.mirrorFrom, p);
            r.mirrorTo = blend(x.mirrorTo, y.mirrorTo, p);
            if (withBorder)
                r.border = blend(x.border, y.border, p);
            return r;
        };
        if (checkedLook) {
            const ColorSet ch = checked();
            ColorSet r = m_mouseInside ? mix(ch, down(), m_downPercent, false)
                                       : mix(down(), ch, m_downPercent, false);
            r.kind = c.kind;
            r.border = c.border;
            r.gradient = c.gradient;
            r.gradientMirror = c.gradientMirror;
            c = r;
        } else if (!m_pressed && !(m_transparent && a->PassTransparency)) {
            ColorSet r = mix(hot(), normal(), m_hotPercent, true);
            r.kind = c.kind;
            r.gradient = c.gradient;
            r.gradientMirror = c.gradientMirror;
            c = r;
        } else if (m_pressed) {
            ColorSet r = mix(down(), hot(), m_downPercent, true);
            r.kind = c.kind;
            r.gradient = c.gradient;
            r.gradientMirror = c.gradientMirror;
            c = r;
        }
    }

    if (c.mirrorFrom == clNone)
        c.mirrorFrom = c.from;
    if (m_position != bpStandalone && m_mouseDownOnButton)
        c.border = a->BorderColor();
    return c;
}

TColor TPexGlowButton::textColor() const
{
    const TGlowButtonAppearance* a = m_appearance;
    if (!isEnabled() || m_drawState == dsDisabled)
        return a->TextColorDisabled();
    if ((m_style == bsCheck && m_drawState == dsDown) ||
        (m_drawState == dsExclusive && m_groupIndex > 0))
        return a->TextColorChecked();
    if (m_drawState == dsDown)
        return a->TextColorDown();
    if (m_hot)
        return a->TextColorHot();
    // The caption belongs to the button's own fills, never to the desktop's palette.
    return m_fontColor == clNone ? clWindowText : m_fontColor;
}

QFont TPexGlowButton::captionFont() const
{
    QFont f = font();
    if (m_appearance->SystemFont())
        f.setFamilies({GetDefaultUIFont(), font().family()});
    return f;
}

QString TPexGlowButton::captionText() const
{
    if (!m_showCaption || m_sizeState == bsGlyph)
        return {};
    QString t = text();
    t.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return t;
}

int TPexGlowButton::textFlags() const
{
    int flags = 0;
    if (m_wordWrap)
        flags |= Qt::TextWordWrap;
    const bool showAccel =
        m_alwaysShowAccel || style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this);
    flags |= showAccel ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
    return flags;
}

QSize TPexGlowButton::pictureSize(const Glyph& glyph) const
{
    if (glyph.isEmpty())
        return {};
    if (m_sizeState < bsLarge)
        return {16, 16};
    if (m_pictureWidth > 0 && m_pictureHeight > 0)
        return {m_pictureWidth, m_pictureHeight};
    const QSize n = glyph.natural();
    if (m_pictureWidth == 0 && m_pictureHeight == 0 && n.height() > 0) {
        const int h = std::max(1, height() - 8);
        return {int(std::lround(double(n.width()) * h / n.height())), h};
    }
    return n;
}

namespace {

bool verticalLayout(TButtonLayout l)
{
    return l == blGlyphTop || l == blGlyphBottom || l == blGlyphTopAdjusted ||
           l == blGlyphBottomAdjusted;
}

QString joinedNotes(const QStringList& notes)
{
    return notes.join(QLatin1Char('\n'));
}

} // namespace

TPexGlowButton::Content TPexGlowButton::measure(const QRect& box) const
{
    Content c;
    c.picture = pictureSize(currentPicture());
    const bool vertical = verticalLayout(m_layout);
    int textWidth = box.width();
    if (!vertical && !c.picture.isEmpty())
        textWidth -= c.picture.width() + m_spacing;
    textWidth = std::max(1, textWidth);
    const QString caption = captionText();
    if (!caption.isEmpty()) {
        const QFontMetrics fm(captionFont());
        c.caption = fm.boundingRect(QRect(0, 0, textWidth, 1 << 20), textFlags(), caption).size();
    }
    if (!m_notes.isEmpty()) {
        const QFontMetrics fm(m_notesFont);
        c.notes = fm.boundingRect(QRect(0, 0, textWidth, 1 << 20),
                                  m_wordWrap ? Qt::TextWordWrap : 0, joinedNotes(m_notes))
                      .size();
    }
    const int tw = std::max(c.caption.width(), c.notes.width());
    const int th = c.caption.height() + c.notes.height();
    const int gap = (!c.picture.isEmpty() && th > 0) ? m_spacing : 0;
    if (vertical)
        c.total = {std::max(c.picture.width(), tw), c.picture.height() + gap + th};
    else
        c.total = {c.picture.width() + gap + tw, std::max(c.picture.height(), th)};
    return c;
}

QSize TPexGlowButton::autoSize() const
{
    QRect box = rect();
    if (m_autoSizeDirection == asVertical)
        box.setHeight(box.height() + 4096);
    else
        box.setWidth(box.width() + 4096);
    const Content c = measure(box);
    int w = !captionText().isEmpty() ? m_spacing * 3 + c.total.width() + 2 + m_marginHorz * 2
                                     : c.total.width() - 1 + m_marginHorz * 2;
    int h = verticalLayout(m_layout) ? c.total.height() + m_marginVert * 2
                                     : m_spacing * 2 + c.total.height() + m_marginVert * 2;
    if (m_dropDownButton) {
        if (m_dropDownPosition == dpRight)
            w += GetDropDownWidth();
        else
            h += GetDropDownWidth();
    }
    return {std::max(1, w), std::max(1, h)};
}

QSize TPexGlowButton::sizeHint() const
{
    if (m_autoSize)
        return autoSize();
    QSize s = QPushButton::sizeHint();
    const QSize pic = pictureSize(currentPicture());
    if (!pic.isEmpty()) {
        if (verticalLayout(m_layout))
            s.setHeight(s.height() + pic.height() + m_spacing);
        else
            s = QSize(s.width() + pic.width() + m_spacing, std::max(s.height(), pic.height() + 8));
    }
    if (m_dropDownButton) {
        if (m_dropDownPosition == dpRight)
            s.setWidth(s.width() + GetDropDownWidth());
        else
            s.setHeight(s.height() + GetDropDownWidth());
    }
    return s;
}

QSize TPexGlowButton::minimumSizeHint() const
{
    return m_autoSize ? autoSize() : QPushButton::minimumSizeHint();
}

namespace {

// The outline of a button: quarter arcs of radius 3 at the rounded corners.
QPainterPath outline(const QRectF& r, bool tl, bool tr, bool br, bool bl,
                     double radius = kCornerRadius)
{
    const double d = 2 * radius;
    QPainterPath p;
    // Starting mid-edge keeps every corner a proper join.
    p.moveTo(r.center().x(), r.top());
    if (tr) {
        p.lineTo(r.right() - radius, r.top());
        p.arcTo(QRectF(r.right() - d, r.top(), d, d), 90, -90);
    } else {
        p.lineTo(r.right(), r.top());
    }
    if (br) {
        p.lineTo(r.right(), r.bottom() - radius);
        p.arcTo(QRectF(r.right() - d, r.bottom() - d, d, d), 0, -90);
    } else {
        p.lineTo(r.right(), r.bottom());
    }
    if (bl) {
        p.lineTo(r.left() + radius, r.bottom());
        p.arcTo(QRectF(r.left(), r.bottom() - d, d, d), 270, -90);
    } else {
        p.lineTo(r.left(), r.bottom());
    }
    if (tl) {
        p.lineTo(r.left(), r.top() + radius);
        p.arcTo(QRectF(r.left(), r.top(), d, d), 180, -90);
    } else {
        p.lineTo(r.left(), r.top());
    }
    p.lineTo(r.center().x(), r.top());
    p.closeSubpath();
    return p;
}

void fillHalf(QPainter& p, const QRect& r, TColor from, TColor to, TGDIPGradient g, bool mirror,
              const QPalette& pal)
{
    if (r.isEmpty())
        return;
    if (from == clNone)
        from = to;
    if (to == clNone)
        to = from;
    if (from == clNone)
        return;
    const QColor cf = MakeColor(from, 255, &pal);
    const QColor ct = MakeColor(to, 255, &pal);
    const QRectF rf(r);
    p.fillRect(r, cf);
    if (from == to)
        return;
    if (g == ggRadial) {
        const double rx = rf.width() / 2;
        const double ry = rf.height() / 2;
        const double cx = rf.center().x();
        // The upper half's ellipse sits 2 pixels below its top edge, glowing from the top
        // middle; the mirror's is its own, glowing from the bottom middle.
        const double cy = mirror ? rf.center().y() : rf.top() + 2;
        const double fy = mirror ? rf.bottom() : rf.top();
        QRadialGradient grad(QPointF(0, 0), 1.0, QPointF(0, ry > 0 ? (fy - cy) / ry : 0));
        grad.setColorAt(0, ct);
        grad.setColorAt(1, cf);
        QBrush brush(grad);
        brush.setTransform(
            QTransform::fromTranslate(cx, cy).scale(std::max(rx, 0.5), std::max(ry, 0.5)));
        p.fillRect(r, brush);
        return;
    }
    QPointF a, b;
    switch (g) {
    case ggDiagonalForward:
        a = rf.topLeft();
        b = rf.bottomRight();
        break;
    case ggDiagonalBackward:
        a = rf.topRight();
        b = rf.bottomLeft();
        break;
    default:
        a = rf.topLeft();
        b = rf.bottomLeft();
        break;
    }
    QLinearGradient grad(a, b);
    // The mirror runs from its "to" colour at the middle line to its "from" colour.
    grad.setColorAt(0, mirror ? ct : cf);
    grad.setColorAt(1, mirror ? cf : ct);
    p.fillRect(r, grad);
}

struct Fill
{
    TColor from, to, mirrorFrom, mirrorTo;
    TGDIPGradient g, gm;
};

void fillBoth(QPainter& p, const QRect& r, const Fill& f, const QPalette& pal)
{
    const int h = r.height() / 2;
    fillHalf(p, QRect(r.left(), r.top() + h - 1, r.width(), r.height() - h + 1), f.mirrorFrom,
             f.mirrorTo, f.gm, true, pal);
    fillHalf(p, QRect(r.left(), r.top(), r.width(), r.height() - h), f.from, f.to, f.g, false, pal);
}

Fill darkened(Fill f)
{
    f.from = Darker(f.from, 90);
    f.to = Darker(f.to, 90);
    f.mirrorFrom = Darker(f.mirrorFrom, 90);
    f.mirrorTo = Darker(f.mirrorTo, 90);
    return f;
}

} // namespace

void TPexGlowButton::drawButton(QPainter& p, const QRect& r, const ColorSet& c)
{
    const QPalette& pal = StyledPalette();
    const bool left = m_position == bpStandalone || m_position == bpLeft;
    const bool right = m_position == bpStandalone || m_position == bpRight;
    const bool round = m_rounded;
    // The fills stay inside the outline; the corners outside it show the parent.
    const QPainterPath clip =
        outline(QRectF(r), round && left, round && right, round && right, round && left);
    const Fill fill{c.from, c.to, c.mirrorFrom, c.mirrorTo, c.gradient, c.gradientMirror};

    p.save();
    p.setClipPath(clip);
    const bool splitLook = m_dropDownButton && m_dropDownSplit &&
                           (c.kind == ColorSet::Hot || c.kind == ColorSet::Down || c.focusLook);
    QRect buttonPart = r;
    QRect dropPart;
    if (m_dropDownButton) {
        const int dw = GetDropDownWidth();
        if (m_dropDownPosition == dpRight) {
            buttonPart.setWidth(r.width() - dw);
            dropPart = QRect(buttonPart.right() + 1, r.top(), dw, r.height());
        } else {
            buttonPart.setHeight(r.height() - dw);
            dropPart = QRect(r.left(), buttonPart.bottom() + 1, r.width(), dw);
        }
    }
    if (splitLook) {
        const bool overButtonPart = m_mouseInside && !m_overDropDown;
        fillBoth(p, buttonPart, overButtonPart ? fill : darkened(fill), pal);
        fillBoth(p, dropPart, overButtonPart ? darkened(fill) : fill, pal);
    } else {
        fillBoth(p, r, fill, pal);
    }
    p.restore();

    p.setRenderHint(QPainter::Antialiasing, true);
    if (m_borderStyle != bsNone && c.border != clNone) {
        const QColor border = MakeColor(c.border, 255, &pal);
        // A one-pixel ring between the outline and the outline one pixel in: straight edges
        // cover whole pixels, the arcs of radius 3 are smoothed.
        QPainterPath ring = clip;
        ring.addPath(outline(QRectF(r).adjusted(1, 1, -1, -1), round && left, round && right,
                             round && right, round && left, kCornerRadius - 1));
        ring.setFillRule(Qt::OddEvenFill);
        p.fillPath(ring, border);
        if (m_position != bpStandalone) {
            // Where buttons of a row join: a line in the border colour and one a shade darker
            // (white a shade darker beside a neighbour that is not pressed).
            const QColor inner = MakeColor(
                m_drawState == dsDown ? Darker(c.border, 95) : Darker(clWhite, 90), 255, &pal);
            p.setRenderHint(QPainter::Antialiasing, false);
            if (m_position == bpLeft || m_position == bpMiddle) {
                p.setPen(border);
                p.drawLine(r.right(), r.top(), r.right(), r.bottom());
                p.setPen(inner);
                p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
            }
            if (m_position == bpRight || m_position == bpMiddle) {
                p.setPen(inner);
                p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
            }
            p.setRenderHint(QPainter::Antialiasing, true);
        }
    }

    if (hasFocus() && (m_focusType == ftBorder || m_focusType == ftHotBorder)) {
        const QRectF solid = QRectF(r.adjusted(1, 1, -3, -3)).adjusted(0.5, 0.5, 0.5, 0.5);
        p.setPen(QPen(MakeColor(m_appearance->BorderColorFocused(), 255, &pal), 1));
        p.drawRoundedRect(solid, kCornerRadius, kCornerRadius);
        QPen dots(MakeColor(0x808080, 255, &pal), 1, Qt::DotLine);
        p.setPen(dots);
        const QRectF dotted = QRectF(r.adjusted(2, 2, -5, -5)).adjusted(0.5, 0.5, 0.5, 0.5);
        p.drawRoundedRect(dotted, kCornerRadius, kCornerRadius);
    }

    // Content: picture, caption and notes inside the margins, beside the drop-down part.
    QRect box = (m_dropDownButton ? buttonPart : r)
                    .adjusted(m_marginHorz, m_marginVert, -m_marginHorz, -m_marginVert);
    const Content content = measure(box);
    const Glyph pic = currentPicture();
    const QSize ps = content.picture;
    QRect picRect;
    QRect textBox = box;
    int hAlign = Qt::AlignHCenter;
    int vAlign = Qt::AlignVCenter;
    const int blockH = content.caption.height() + content.notes.height();
    const int blockW = std::max(content.caption.width(), content.notes.width());
    if (!ps.isEmpty()) {
        const int picTop = box.top() + std::max(0, (box.height() - ps.height()) / 2);
        switch (m_layout) {
        case blGlyphLeft: {
            textBox.setLeft(box.left() + 2 + ps.width());
            const int textLeft = textBox.left() + (textBox.width() - blockW) / 2;
            picRect = QRect(
                QPoint(std::max(box.left() + 2, textLeft - m_spacing - ps.width()), picTop), ps);
            break;
        }
        case blGlyphRight: {
            textBox = QRect(box.left() + 2, box.top(), box.width() - 4 - ps.width(), box.height());
            const int tw = std::min(blockW, textBox.width());
            const int x = std::min(box.left() + std::max(0, (textBox.width() - tw) / 2) + tw + 4,
                                   box.right() + 1 - ps.width() - 2);
            picRect = QRect(QPoint(x, picTop), ps);
            break;
        }
        case blGlyphLeftAdjusted:
            picRect = QRect(QPoint(box.left() + 2, picTop), ps);
            textBox.setLeft(picRect.right() + 1 + m_spacing);
            hAlign = Qt::AlignLeft;
            break;
        case blGlyphRightAdjusted:
            picRect = QRect(QPoint(box.right() + 1 - ps.width() - 2, picTop), ps);
            textBox.setRight(picRect.left() - 1 - m_spacing);
            hAlign = Qt::AlignRight;
            break;
        case blGlyphTop:
        case blGlyphBottom: {
            const int total = ps.height() + (blockH > 0 ? m_spacing + blockH : 0);
            const int top = box.top() + std::max(0, (box.height() - total) / 2);
            const int x = box.left() + (box.width() - ps.width()) / 2;
            if (m_layout == blGlyphTop) {
                picRect = QRect(QPoint(x, top), ps);
                textBox = QRect(box.left(), picRect.bottom() + 1 + m_spacing, box.width(), blockH);
            } else {
                textBox = QRect(box.left(), top, box.width(), blockH);
                picRect = QRect(QPoint(x, top + blockH + m_spacing), ps);
            }
            break;
        }
        case blGlyphTopAdjusted:
            picRect = QRect(QPoint(box.left() + (box.width() - ps.width()) / 2, box.top() + 2), ps);
            textBox.setTop(picRect.bottom() + 1 + m_spacing);
            vAlign = Qt::AlignTop;
            break;
        case blGlyphBottomAdjusted:
            picRect = QRect(QPoint(box.left() + (box.width() - ps.width()) / 2,
                                   box.bottom() + 1 - ps.height() - 2),
                            ps);
            textBox.setBottom(picRect.top() - 1 - m_spacing);
            vAlign = Qt::AlignBottom;
            break;
        }
        pic.draw(p, picRect);
    } else if (m_layout == blGlyphLeftAdjusted) {
        hAlign = Qt::AlignLeft;
    } else if (m_layout == blGlyphRightAdjusted) {
        hAlign = Qt::AlignRight;
    } else if (m_layout == blGlyphTopAdjusted) {
        vAlign = Qt::AlignTop;
    } else if (m_layout == blGlyphBottomAdjusted) {
        vAlign = Qt::AlignBottom;
    }

    const QString caption = captionText();
    if (blockH > 0) {
        const int visualH = int(QStyle::visualAlignment(layoutDirection(), Qt::Alignment(hAlign)));
        int top = textBox.top();
        if (vAlign == Qt::AlignVCenter)
            top += (textBox.height() - blockH) / 2;
        else if (vAlign == Qt::AlignBottom)
            top = textBox.bottom() + 1 - blockH;
        p.setRenderHint(QPainter::TextAntialiasing, m_antiAlias != aaNone);
        const QColor ink = MakeColor(textColor(), 255, &pal);
        if (!caption.isEmpty()) {
            QFont f = captionFont();
            if (m_antiAlias == aaNone)
                f.setStyleStrategy(QFont::NoAntialias);
            p.setFont(f);
            p.setPen(ink);
            QString shown = caption;
            if (m_trimming != StringTrimmingNone && !m_wordWrap) {
                const Qt::TextElideMode mode =
                    m_trimming == StringTrimmingEllipsisPath ? Qt::ElideMiddle : Qt::ElideRight;
                if (m_trimming >= StringTrimmingEllipsisCharacter)
                    shown = QFontMetrics(f).elidedText(caption, mode, textBox.width());
            }
            p.drawText(QRect(textBox.left(), top, textBox.width(), content.caption.height()),
                       visualH | Qt::AlignVCenter | textFlags(), shown);
        }
        if (!m_notes.isEmpty()) {
            p.setFont(m_notesFont);
            p.setPen(ink);
            p.drawText(QRect(textBox.left(), top + content.caption.height(), textBox.width(),
                             content.notes.height()),
                       visualH | Qt::AlignTop | (m_wordWrap ? Qt::TextWordWrap : 0),
                       joinedNotes(m_notes));
        }
    }

    if (m_dropDownButton && !dropPart.isEmpty()) {
        // A small downward triangle drawn as rows of lines.
        const double scale = GetCanvasScaleFactor(this);
        const int n = int(std::lround(3 * scale));
        const int x = dropPart.left() + (dropPart.width() - n) / 2;
        const int y = dropPart.top() + (dropPart.height() - 3) / 2 + 1;
        QColor arrow = isEnabled() ? MakeColor(textColor(), 200, &pal) : MakeColor(0x808080, 200);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(arrow);
        for (int i = 0; i < n; ++i)
            p.drawLine(x - n + 3 + i, y - n + 3 + i, x + n + 2 - i, y - n + 3 + i);
    }
}

void TPexGlowButton::paintEvent(QPaintEvent*)
{
    if (m_autoSize && !m_resizing) {
        const QSize s = autoSize();
        if (s != size()) {
            m_resizing = true;
            resize(s);
            updateGeometry();
            m_resizing = false;
        }
    }
    if (!isEnabled()) {
        m_drawState = dsDisabled;
        m_pressingWithMouse = false;
    } else if (m_drawState == dsDisabled) {
        m_drawState = (m_down && m_groupIndex > 0) ? dsExclusive : dsUp;
    }
    if (m_style == bsCheck && m_down)
        m_drawState = dsDown;

    QPainter p(this);
    const QRect r = rect();
    drawButton(p, r, currentColors());
    if (OnDrawButton) {
        const int state = m_drawState == dsDown ? 2 : (m_hot ? 1 : 0);
        OnDrawButton(this, p, state, r);
    }
}

} // namespace pex

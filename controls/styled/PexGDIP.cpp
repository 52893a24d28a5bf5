#include "controls/styled/PexGDIP.h"

#include <QGuiApplication>

namespace pex {

namespace {

// The palette role that stands for each system colour index; the roles a Windows palette
// has and Qt's does not fall back to the nearest meaning.
QColor systemColor(int index, const QPalette& p)
{
    switch (index) {
    case 5: // window
        return p.color(QPalette::Base);
    case 6: // window frame
        return p.color(QPalette::Shadow);
    case 8: // window text
        return p.color(QPalette::Text);
    case 13: // highlight
        return p.color(QPalette::Highlight);
    case 14: // highlight text
        return p.color(QPalette::HighlightedText);
    case 15: // button face
        return p.color(QPalette::Button);
    case 16: // button shadow
        return p.color(QPalette::Mid);
    case 17: // grey text
        return p.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return p.color(QPalette::ButtonText);
    case 20: // button highlight
        return p.color(QPalette::Light);
    case 21: // 3D dark shadow
        return p.color(QPalette::Shadow);
    case 22: // 3D light
        return p.color(QPalette::Midlight);
    case 23: // info text
        return p.color(QPalette::ToolTipText);
    case 24: // info background
        return p.color(QPalette::ToolTipBase);
    default:
        return p.color(QPalette::Window);
    }
}

} // namespace

const QPalette& StyledPalette()
{
    static const QPalette palette = [] {
        QPalette p(QColor(0xF0, 0xF0, 0xF0));
        const auto set = [&p](QPalette::ColorRole role, QColor c) {
            p.setColor(QPalette::All, role, c);
        };
        set(QPalette::Base, Qt::white);
        set(QPalette::Text, Qt::black);
        set(QPalette::WindowText, Qt::black);
        set(QPalette::ButtonText, Qt::black);
        set(QPalette::Button, QColor(0xF0, 0xF0, 0xF0));
        set(QPalette::Window, QColor(0xF0, 0xF0, 0xF0));
        set(QPalette::Highlight, QColor(0x00, 0x78, 0xD7));
        set(QPalette::HighlightedText, Qt::white);
        set(QPalette::Mid, QColor(0xA0, 0xA0, 0xA0));
        set(QPalette::Shadow, QColor(0x69, 0x69, 0x69));
        set(QPalette::Light, Qt::white);
        set(QPalette::Midlight, QColor(0xE3, 0xE3, 0xE3));
        set(QPalette::ToolTipText, Qt::black);
        set(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
        p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6D, 0x6D, 0x6D));
        return p;
    }();
    return palette;
}

TColor ColorToRGB(TColor c, const QPalette* palette)
{
    if (c == clNone)
        return clNone;
    if (!isSystemColor(c))
        return c & 0xFFFFFF;
    const QPalette p = palette ? *palette : QGuiApplication::palette();
    return FromQColorRgb(systemColor(int(c & 0xFF), p).rgb());
}

QColor MakeColor(TColor c, int alpha, const QPalette* palette)
{
    if (c == clNone)
        return QColor(0, 0, 0, 0);
    const TColor rgb = ColorToRGB(c, palette);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), alpha);
}

} // namespace pex

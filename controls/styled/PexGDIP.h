#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

// Colours of the styled controls are kept as the numbers their form resources and colour tables
// use: $00BBGGRR, a system colour $FF0000nn that the palette resolves, or clNone.
namespace pex {

using TColor = quint32;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;

// System colours by their index, as the colour tables name them.
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clGrayText = clSystemColor | 17;

enum TAntiAlias { aaNone, aaClearType, aaAntiAlias };

enum StringTrimming {
    StringTrimmingNone,
    StringTrimmingCharacter,
    StringTrimmingWord,
    StringTrimmingEllipsisCharacter,
    StringTrimmingEllipsisWord,
    StringTrimmingEllipsisPath
};

enum TGDIPGradient { ggRadial, ggVertical, ggDiagonalForward, ggDiagonalBackward };

constexpr bool isSystemColor(TColor c)
{
    return (c & 0xFF000000u) == clSystemColor;
}

// The $00BBGGRR value of a colour, system colours looked up in the palette (the application's
// when none is given). clNone stays clNone.
TColor ColorToRGB(TColor c, const QPalette* palette = nullptr);

constexpr int GetRValue(TColor c)
{
    return int(c & 0xFF);
}
constexpr int GetGValue(TColor c)
{
    return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(TColor c)
{
    return int((c >> 16) & 0xFF);
}
constexpr TColor RGB(int r, int g, int b)
{
    return TColor(r & 0xFF) | TColor(g & 0xFF) << 8 | TColor(b & 0xFF) << 16;
}

// The system colours of the classic light desktop that the styled looks were made for. The
// styled controls resolve their system colours here, so a dark desktop palette never puts
// light text on their light fills.
const QPalette& StyledPalette();

// The colour for painting, with the given alpha; clNone is fully transparent.
QColor MakeColor(TColor c, int alpha = 255, const QPalette* palette = nullptr);

// Back from a painted colour to $00BBGGRR (alpha dropped).
constexpr TColor FromQColorRgb(QRgb rgb)
{
    return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

} // namespace pex

#pragma once

#include "controls/styled/PexGDIP.h"

#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace pex {

// The looks every styled control knows; tsCustom keeps a control's own colours.
enum TPexStyle {
    tsOffice2003Blue,
    tsOffice2003Silver,
    tsOffice2003Olive,
    tsOffice2003Classic,
    tsOffice2007Luna,
    tsOffice2007Obsidian,
    tsWindowsXP,
    tsWhidbey,
    tsCustom,
    tsOffice2007Silver,
    tsWindowsVista,
    tsWindows7,
    tsTerminal,
    tsOffice2010Blue,
    tsOffice2010Silver,
    tsOffice2010Black,
    tsWindows8,
    tsOffice2013White,
    tsOffice2013LightGray,
    tsOffice2013Gray,
    tsWindows10,
    tsOffice2016White,
    tsOffice2016Gray,
    tsOffice2016Black,
    tsOffice2019White,
    tsOffice2019Gray,
    tsOffice2019Black
};

constexpr int PexStyleCount = tsOffice2019Black + 1;

// Colour arithmetic. Every channel result that falls exactly between two whole numbers is
// rounded to the even one, so the same inputs always give the same colours.
int RoundHalfEven(qint64 numerator, qint64 denominator);

// Each channel with its own percentage: a non-zero channel x becomes
// round(x * min(100, 100 + p) / 100), a zero channel max(0, p).
TColor tone(TColor c, int r, int g, int b);
// The same with one percentage for all three channels.
TColor Lighter(TColor c, int percent);
// Each channel times factor/100 (0.9 is Darker(c, 90)).
TColor Darker(TColor c, int factor);
// a with weight p/100 and b with the rest; p >= 100 gives a, p <= 0 or a = clNone gives b,
// b = clNone gives a.
TColor blend(TColor a, TColor b, int p);

struct TColorTone
{
    TColor Color = clNone;
    TColor BorderColor = clNone;
    TColor TextColor = clNone;
    bool operator==(const TColorTone&) const = default;
};

// A look in single colours: the argument of ApplyColorTones.
struct TColorTones
{
    TColorTone Background;
    TColorTone Foreground;
    TColorTone Selected;
    TColorTone Hover;
    TColorTone Disabled;
    bool operator==(const TColorTones&) const = default;
};

enum TMetroStyle { msLight, msDark };

TColorTones DefaultColorTones();
TColorTones ClearColorTones();
TColorTones CreateMetroTones(TMetroStyle style, TColor metroColor);

// How a styler reaches a control: a control takes a style, a style with the styler's
// application colour, or a colour-tone set. One that has the second is served through it.
class IPexStyle
{
public:
    virtual ~IPexStyle() = default;
    virtual void SetStyle(TPexStyle style) = 0;
};

class IPexStyleAndColor
{
public:
    virtual ~IPexStyleAndColor() = default;
    virtual void SetStyleAndAppColor(TPexStyle style, TColor appColor) = 0;
};

class IPexToneStyle
{
public:
    virtual ~IPexToneStyle() = default;
    virtual void SetColorTones(const TColorTones& tones) = 0;
};

// Style choices offered in a combo box, in order: their display names and styles.
struct StyleName
{
    QString name;
    TPexStyle style;
};
const QList<StyleName>& StyleDisplayNames();

// Where theme detection looks. On Windows these were the current user's registry values and
// the system's version; here a source answers what the desktop has.
class ThemeSettingsSource
{
public:
    virtual ~ThemeSettingsSource() = default;
    // Whether a key exists, and an integer value under it (nullopt when the key or the value
    // is missing).
    virtual bool keyExists(const QString& key) const = 0;
    virtual std::optional<int> intValue(const QString& key, const QString& name) const = 0;
    // The system version as major and minor numbers.
    virtual int majorVersion() const = 0;
    virtual int minorVersion() const = 0;
    // For the classic branch: the common-controls major version, whether visual themes are on
    // and the colour-scheme name.
    virtual int commonControlsVersion() const { return 0; }
    virtual bool themeActive() const { return false; }
    virtual QString themeColorName() const { return {}; }
};

// The first source that answers wins: the installed Office's theme (16.0, 15.0, 14.0, 12.0),
// then the system version. withClassicThemes takes the classic colour-scheme branch in place
// of the version step.
TPexStyle DetectStyle(const ThemeSettingsSource& source, bool withClassicThemes = false);

// This desktop: no Office settings, reported as the current system version with the
// light/dark preference read from the lightness of the application palette.
class DesktopThemeSource : public ThemeSettingsSource
{
public:
    bool keyExists(const QString& key) const override;
    std::optional<int> intValue(const QString& key, const QString& name) const override;
    int majorVersion() const override { return 10; }
    int minorVersion() const override { return 0; }
};

TPexStyle CurrentWindowsStyle();

// The family of the desktop's general font, as this system has it installed.
QString GetDefaultUIFont();

// The vertical resolution of a paint device (the screen's when none) over 96; 1.0 when that
// is not a positive number.
double GetCanvasScaleFactor(const QWidget* widget = nullptr);
// The scale of a form: the width of "0" in a 9-point font at the form's resolution over its
// width at 96 pixels per inch; 1.0 when not a positive number.
double GetFormScaleFactor(const QWidget* widget = nullptr);

// Switches Qt's own menu animation off for this process. Nothing outside the process changes.
void SwitchMenuAnimationOff();

} // namespace pex

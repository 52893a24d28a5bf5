#include "controls/styled/PexStyleIF.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace pex {

int RoundHalfEven(qint64 numerator, qint64 denominator)
{
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    qint64 q = numerator / denominator;
    qint64 r = numerator % denominator;
    if (r < 0) {
        r += denominator;
        --q;
    }
    if (2 * r > denominator || (2 * r == denominator && (q & 1)))
        ++q;
    return int(q);
}

namespace {

int toneChannel(int x, int p)
{
    if (x == 0)
        return std::max(0, p);
    return std::clamp(RoundHalfEven(qint64(x) * std::min(100, 100 + p), 100), 0, 255);
}

} // namespace

TColor tone(TColor c, int r, int g, int b)
{
    if (c == clNone)
        return clNone;
    const TColor v = ColorToRGB(c);
    return RGB(std::min(255, toneChannel(GetRValue(v), r)),
               std::min(255, toneChannel(GetGValue(v), g)),
               std::min(255, toneChannel(GetBValue(v), b)));
}

TColor Lighter(TColor c, int percent)
{
    return tone(c, percent, percent, percent);
}

TColor Darker(TColor c, int factor)
{
    if (c == clNone)
        return clNone;
    const TColor v = ColorToRGB(c);
    auto ch = [factor](int x) {
        return std::clamp(RoundHalfEven(qint64(x) * factor, 100), 0, 255);
    };
    return RGB(ch(GetRValue(v)), ch(GetGValue(v)), ch(GetBValue(v)));
}

TColor blend(TColor a, TColor b, int p)
{
    if (p >= 100)
        return a;
    if (p <= 0 || a == clNone)
        return b;
    if (b == clNone)
        return a;
    const TColor va = ColorToRGB(a);
    const TColor vb = ColorToRGB(b);
    auto ch = [p](int x, int y) {
        return std::min(255, RoundHalfEven(qint64(x) * p + qint64(y) * (100 - p), 100));
    };
    return RGB(ch(GetRValue(va), GetRValue(vb)), ch(GetGValue(va), GetGValue(vb)),
               ch(GetBValue(va), GetBValue(vb)));
}

TColorTones DefaultColorTones()
{
    TColorTones t;
    t.Background = {clWindow, clHighlight, clWindowText};
    t.Foreground = {0xC0C0C0, 0xC0C0C0, 0x000000};
    t.Selected = {clHighlight, clHighlight, clHighlightText};
    t.Hover = {0x808080, 0x808080, 0xFFFFFF};
    t.Disabled = {clWindow, 0xC0C0C0, 0xC0C0C0};
    return t;
}

TColorTones ClearColorTones()
{
    return TColorTones{};
}

TColorTones CreateMetroTones(TMetroStyle style, TColor metroColor)
{
    const TColor m = metroColor;
    const TColor v = ColorToRGB(m);
    auto ch = [](int x) { return std::clamp(RoundHalfEven(qint64(x) * 8, 10), 0, 255); };
    const TColor d =
        m == clNone ? clNone : RGB(ch(GetRValue(v)), ch(GetGValue(v)), ch(GetBValue(v)));
    TColorTones t;
    if (style == msLight)
        t.Background = {clWhite, m, clBlack};
    else
        t.Background = {clBlack, m, clWhite};
    t.Foreground = {0xC0C0C0, 0xC0C0C0, 0x000000};
    t.Selected = {m, m, 0xFFFFFF};
    t.Hover = {d, d, 0xFFFFFF};
    t.Disabled = {0xC0C0C0, 0x808080, 0x808080};
    return t;
}

const QList<StyleName>& StyleDisplayNames()
{
    static const QList<StyleName> names = {
        {QStringLiteral("Office 2003 Blue"), tsOffice2003Blue},
        {QStringLiteral("Office 2003 Silver"), tsOffice2003Silver},
        {QStringLiteral("Office 2003 Olive"), tsOffice2003Olive},
        {QStringLiteral("Office 2003 Classic"), tsOffice2003Classic},
        {QStringLiteral("Office 2007 Blue"), tsOffice2007Luna},
        {QStringLiteral("Office 2007 Silver"), tsOffice2007Silver},
        {QStringLiteral("Office 2007 Black"), tsOffice2007Obsidian},
        {QStringLiteral("Windows XP"), tsWindowsXP},
        {QStringLiteral("Windows Vista"), tsWindowsVista},
        {QStringLiteral("Windows 7"), tsWindows7},
        {QStringLiteral("Windows 8"), tsWindows8},
        {QStringLiteral("Windows 10"), tsWindows10},
        {QStringLiteral("Terminal"), tsTerminal},
        {QStringLiteral("Office 2010 Blue"), tsOffice2010Blue},
        {QStringLiteral("Office 2010 Silver"), tsOffice2010Silver},
        {QStringLiteral("Office 2010 Black"), tsOffice2010Black},
        {QStringLiteral("Office 2013 White"), tsOffice2013White},
        {QStringLiteral("Office 2013 Light gray"), tsOffice2013LightGray},
        {QStringLiteral("Office 2013 Gray"), tsOffice2013Gray},
        {QStringLiteral("Office 2016 White"), tsOffice2016White},
        {QStringLiteral("Office 2016 Gray"), tsOffice2016Gray},
        {QStringLiteral("Office 2016 Black"), tsOffice2016Black},
        {QStringLiteral("Office 2019 White"), tsOffice2019White},
        {QStringLiteral("Office 2019 Gray"), tsOffice2019Gray},
        {QStringLiteral("Office 2019 Black"), tsOffice2019Black},
        {QStringLiteral("Custom"), tsCustom},
    };
    return names;
}

namespace {

const QString kOffice = QStringLiteral("Software\\Microsoft\\Office\\%1\\Common");
const QString kPersonalize =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize");

TPexStyle classicStyle(const ThemeSettingsSource& s)
{
    const bool xpOrLater = s.majorVersion() > 5 || (s.majorVersion() == 5 && s.minorVersion() >= 1);
    if (!xpOrLater || s.commonControlsVersion() <= 5 || !s.themeActive())
        return tsOffice2003Classic;
    const QString name = s.themeColorName();
    if (name == QLatin1String("NormalColor"))
        return tsOffice2003Blue;
    if (name == QLatin1String("HomeStead"))
        return tsOffice2003Olive;
    if (name == QLatin1String("Metallic"))
        return tsOffice2003Silver;
    return tsOffice2003Classic;
}

} // namespace

TPexStyle DetectStyle(const ThemeSettingsSource& s, bool withClassicThemes)
{
    const QString k16 = kOffice.arg(QLatin1String("16.0"));
    if (s.keyExists(k16)) {
        switch (s.intValue(k16, QStringLiteral("UI Theme")).value_or(0)) {
        case 3:
            return tsOffice2019Gray;
        case 4:
            return tsOffice2019Black;
        default:
            return tsOffice2019White;
        }
    }
    const QString k15 = kOffice.arg(QLatin1String("15.0"));
    if (s.keyExists(k15)) {
        switch (s.intValue(k15, QStringLiteral("UI Theme")).value_or(0)) {
        case 0:
            return tsOffice2013White;
        case 1:
            return tsOffice2013LightGray;
        case 2:
            return tsOffice2013Gray;
        default:
            return tsCustom;
        }
    }
    const QString k14 = kOffice.arg(QLatin1String("14.0"));
    if (const auto v = s.intValue(k14, QStringLiteral("Theme"))) {
        switch (*v) {
        case 1:
            return tsOffice2010Blue;
        case 2:
            return tsOffice2010Silver;
        case 3:
            return tsOffice2010Black;
        default:
            return tsCustom;
        }
    }
    const QString k12 = kOffice.arg(QLatin1String("12.0"));
    if (const auto v = s.intValue(k12, QStringLiteral("Theme"))) {
        switch (*v) {
        case 1:
            return tsOffice2007Luna;
        case 2:
            return tsOffice2007Silver;
        case 3:
            return tsOffice2007Obsidian;
        default:
            return tsCustom;
        }
    }
    if (withClassicThemes)
        return classicStyle(s);
    const int major = s.majorVersion();
    const int minor = s.minorVersion();
    if (major == 6 && (minor == 2 || minor == 3))
        return tsWindows8;
    if ((major == 6 && minor == 4) || major == 10) {
        const auto light = s.intValue(kPersonalize, QStringLiteral("AppsUseLightTheme"));
        return light && *light == 0 ? tsOffice2019Black : tsWindows10;
    }
    return tsWindows7;
}

bool DesktopThemeSource::keyExists(const QString& key) const
{
    return key == kPersonalize;
}

std::optional<int> DesktopThemeSource::intValue(const QString& key, const QString& name) const
{
    if (key != kPersonalize || name != QLatin1String("AppsUseLightTheme"))
        return std::nullopt;
    // The desktop's preference shows in the palette it gives the program.
    const QPalette p = QGuiApplication::palette();
    const bool dark =
        p.color(QPalette::Window).lightness() < p.color(QPalette::WindowText).lightness();
    return dark ? 0 : 1;
}

TPexStyle CurrentWindowsStyle()
{
    return DetectStyle(DesktopThemeSource());
}

QString GetDefaultUIFont()
{
    // The family the desktop's general font resolves to, not an alias such as "Sans Serif".
    return QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
}

double GetCanvasScaleFactor(const QWidget* widget)
{
    double dpi = 0;
    if (widget)
        dpi = widget->logicalDpiY();
    else if (QScreen* s = QGuiApplication::primaryScreen())
        dpi = s->logicalDotsPerInchX();
    const double f = dpi / 96.0;
    return f > 0 && std::isfinite(f) ? f : 1.0;
}

double GetFormScaleFactor(const QWidget* widget)
{
    double dpi = 96;
    if (widget)
        dpi = widget->logicalDpiX();
    else if (QScreen* s = QGuiApplication::primaryScreen())
        dpi = s->logicalDotsPerInchX();
    if (qFuzzyCompare(dpi, 96.0))
        return 1.0;
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(9);
    auto zeroWidth = [&font](double resolution) {
        QImage device(1, 1, QImage::Format_ARGB32);
        const int dpm = int(std::lround(resolution / 0.0254));
        device.setDotsPerMeterX(dpm);
        device.setDotsPerMeterY(dpm);
        return QFontMetricsF(font, &device).horizontalAdvance(QLatin1Char('0'));
    };
    const double base = zeroWidth(96);
    const double f = base > 0 ? zeroWidth(dpi) / base : 0;
    return f > 0 && std::isfinite(f) ? f : 1.0;
}

void SwitchMenuAnimationOff()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false);
}

} // namespace pex

#include "controls/styled/PexAppStyler.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QWidget>

namespace pex {

// ---------------------------------------------------------------------------------------------
// Theme notifier

TThemeNotifierWindow::TThemeNotifierWindow(QObject* parent) : QObject(parent)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

bool TThemeNotifierWindow::eventFilter(QObject* watched, QEvent* event)
{
    const bool paletteChange = event->type() == QEvent::ApplicationPaletteChange &&
                               watched == QCoreApplication::instance();
    const bool themeChange = event->type() == QEvent::ThemeChange;
    if ((paletteChange || themeChange) && !m_pending) {
        // One notification for the many windows that hear of the same change.
        m_pending = true;
        QTimer::singleShot(0, this, [this] {
            m_pending = false;
            if (OnThemeChange)
                OnThemeChange();
        });
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Form styler

namespace {

TColor formColor(TPexStyle s)
{
    switch (s) {
    case tsOffice2013White:
    case tsOffice2016White:
    case tsOffice2019White:
        return clWhite;
    case tsOffice2013LightGray:
        return 0xC0C0C0;
    case tsOffice2013Gray:
    case tsOffice2016Gray:
        return 0x808080;
    case tsOffice2016Black:
    case tsOffice2019Black:
        return clBlack;
    case tsOffice2019Gray:
        return 0x666666;
    default:
        return clBtnFace;
    }
}

} // namespace

TPexFormStyler::TPexFormStyler(QWidget* form)
    : QObject(form), m_form(form), m_tones(DefaultColorTones()),
      m_source(std::make_shared<DesktopThemeSource>()), m_notifier(new TThemeNotifierWindow(this))
{
    m_metroColor = m_tones.Selected.Color;
    m_notifier->OnThemeChange = [this] { ThemeChanged(); };
}

TPexFormStyler::~TPexFormStyler()
{
    if (m_appStyle)
        m_appStyle->UnregisterFormStyler(this);
}

QString TPexFormStyler::Version()
{
    return QStringLiteral("1.0.0.0");
}

void TPexFormStyler::setThemeSource(std::shared_ptr<ThemeSettingsSource> source)
{
    if (source)
        m_source = std::move(source);
}

void TPexFormStyler::setStyle(TPexStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    selectInCombo();
    if (style != tsCustom)
        ApplyStyle();
}

void TPexFormStyler::setAppColor(TColor color)
{
    if (color == m_appColor)
        return;
    m_appColor = color;
    if (m_style != tsCustom)
        ApplyStyle();
}

void TPexFormStyler::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (on && m_style != tsCustom)
        ApplyStyle();
}

void TPexFormStyler::setAutoThemeAdapt(bool on)
{
    m_autoThemeAdapt = on;
    ThemeChanged();
}

void TPexFormStyler::applyMetroIfActive()
{
    m_tones = CreateMetroTones(m_metroStyle, m_metroColor);
    if (m_style == tsCustom && m_metro)
        ApplyColorTones(m_tones);
}

void TPexFormStyler::setMetro(bool on)
{
    if (on == m_metro)
        return;
    m_metro = on;
    if (on)
        applyMetroIfActive();
}

void TPexFormStyler::setMetroColor(TColor c)
{
    if (c == m_metroColor)
        return;
    m_metroColor = c;
    applyMetroIfActive();
}

void TPexFormStyler::setMetroTextColor(TColor c)
{
    if (c == m_metroTextColor)
        return;
    m_metroTextColor = c;
    applyMetroIfActive();
}

void TPexFormStyler::setMetroStyle(TMetroStyle s)
{
    if (s == m_metroStyle)
        return;
    m_metroStyle = s;
    applyMetroIfActive();
}

void TPexFormStyler::setAppStyle(TPexAppStyler* styler)
{
    if (m_appStyle == styler)
        return;
    if (m_appStyle)
        m_appStyle->UnregisterFormStyler(this);
    m_appStyle = styler;
    if (styler) {
        setStyle(styler->Style());
        styler->RegisterFormStyler(this);
    }
}

void TPexFormStyler::setComboBox(QComboBox* combo)
{
    if (m_comboBox == combo)
        return;
    if (m_comboBox)
        m_comboBox->disconnect(this);
    m_comboBox = combo;
    if (!combo)
        return;
    combo->clear();
    combo->setEditable(false);
    for (const StyleName& n : StyleDisplayNames())
        combo->addItem(n.name, int(n.style));
    selectInCombo();
    connect(combo, &QComboBox::activated, this, [this](int index) {
        if (!m_comboBox || index < 0)
            return;
        setStyle(TPexStyle(m_comboBox->itemData(index).toInt()));
    });
}

void TPexFormStyler::selectInCombo()
{
    if (!m_comboBox)
        return;
    const int i = m_comboBox->findData(int(m_style));
    if (i >= 0)
        m_comboBox->setCurrentIndex(i);
}

void TPexFormStyler::Loaded()
{
    if (m_appStyle) {
        setStyle(m_appStyle->Style());
        m_tones = m_appStyle->ColorTones();
        m_metro = m_appStyle->Metro();
        m_metroStyle = m_appStyle->MetroStyle();
        m_metroTextColor = m_appStyle->MetroTextColor();
        m_metroColor = m_appStyle->MetroColor();
    } else if (m_style != tsCustom) {
        ApplyStyle();
    }
    if (m_metro)
        ApplyColorTones(m_tones);
    ThemeChanged();
}

void TPexFormStyler::Assign(const TPexFormStyler* source)
{
    if (!source || source == this)
        return;
    m_autoThemeAdapt = source->m_autoThemeAdapt;
    setStyle(source->m_style);
}

void TPexFormStyler::walk(QObject* container, const std::function<void(QObject*)>& visit)
{
    for (QObject* child : container->children()) {
        visit(child);
        walk(child, visit);
    }
}

void TPexFormStyler::serve(QObject* component)
{
    if (auto* withColor = dynamic_cast<IPexStyleAndColor*>(component)) {
        bool allow = true;
        emit OnApplyStyle(component, &allow);
        if (!allow)
            return;
        withColor->SetStyleAndAppColor(m_style, m_appColor);
        emit OnAppliedStyle(component);
    } else if (auto* styled = dynamic_cast<IPexStyle*>(component)) {
        bool allow = true;
        emit OnApplyStyle(component, &allow);
        if (!allow)
            return;
        styled->SetStyle(m_style);
        emit OnAppliedStyle(component);
    }
}

void TPexFormStyler::ApplyStyle()
{
    if (!m_enabled || !m_form)
        return;
    if (m_form->isWindow()) {
        QPalette p = m_form->palette();
        p.setColor(QPalette::Window, MakeColor(formColor(m_style)));
        m_form->setPalette(p);
        m_form->setAutoFillBackground(true);
    }
    serve(m_form);
    walk(m_form, [this](QObject* o) { serve(o); });
    emit OnChange();
}

void TPexFormStyler::serveTones(QObject* component, const TColorTones& tones)
{
    auto* target = dynamic_cast<IPexToneStyle*>(component);
    if (!target)
        return;
    bool allow = true;
    emit OnApplyColorTones(component, &allow);
    if (!allow)
        return;
    target->SetColorTones(tones);
    emit OnAppliedColorTones(component);
}

void TPexFormStyler::ApplyColorTones(const TColorTones& tones)
{
    m_metro = true;
    m_style = tsCustom;
    selectInCombo();
    if (!m_form)
        return;
    serveTones(m_form, tones);
    walk(m_form, [this, &tones](QObject* o) { serveTones(o, tones); });
}

void TPexFormStyler::ThemeChanged()
{
    if (m_autoThemeAdapt)
        setStyle(DetectStyle(*m_source));
}

// ---------------------------------------------------------------------------------------------
// Application styler

TPexAppStyler::TPexAppStyler(QObject* parent)
    : QObject(parent), m_tones(DefaultColorTones()),
      m_source(std::make_shared<DesktopThemeSource>()), m_notifier(new TThemeNotifierWindow(this))
{
    m_metroColor = m_tones.Selected.Color;
    m_notifier->OnThemeChange = [this] { ThemeChanged(); };
}

TPexAppStyler::~TPexAppStyler()
{
    for (const QPointer<TPexFormStyler>& s : std::as_const(m_stylers))
        if (s)
            s->m_appStyle = nullptr;
}

void TPexAppStyler::setThemeSource(std::shared_ptr<ThemeSettingsSource> source)
{
    if (source)
        m_source = std::move(source);
}

QList<TPexFormStyler*> TPexAppStyler::FormStylers() const
{
    QList<TPexFormStyler*> out;
    for (const QPointer<TPexFormStyler>& s : m_stylers)
        if (s)
            out << s.data();
    return out;
}

void TPexAppStyler::RegisterFormStyler(TPexFormStyler* styler)
{
    if (!styler || FormStylers().contains(styler))
        return;
    m_stylers << styler;
}

void TPexAppStyler::UnregisterFormStyler(TPexFormStyler* styler)
{
    m_stylers.removeIf([styler](const QPointer<TPexFormStyler>& s) { return !s || s == styler; });
}

void TPexAppStyler::setStyle(TPexStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    for (TPexFormStyler* s : FormStylers()) {
        s->setMetro(m_metro);
        s->setMetroStyle(m_metroStyle);
        s->setMetroColor(m_metroColor);
        s->setMetroTextColor(m_metroTextColor);
        s->setAppColor(m_appColor);
        s->setStyle(m_style);
        s->setAppColor(m_appColor);
    }
    emit OnChange();
}

void TPexAppStyler::setAppColor(TColor color)
{
    if (color == m_appColor)
        return;
    m_appColor = color;
    for (TPexFormStyler* s : FormStylers()) {
        s->setStyle(m_style);
        s->setAppColor(m_appColor);
    }
}

void TPexAppStyler::rebuildMetro()
{
    m_tones = CreateMetroTones(m_metroStyle, m_metroColor);
    if (m_style == tsCustom && m_metro)
        for (TPexFormStyler* s : FormStylers())
            s->ApplyColorTones(m_tones);
}

void TPexAppStyler::setMetro(bool on)
{
    if (on == m_metro)
        return;
    m_metro = on;
    rebuildMetro();
}

void TPexAppStyler::setMetroColor(TColor c)
{
    if (c == m_metroColor)
        return;
    m_metroColor = c;
    rebuildMetro();
}

void TPexAppStyler::setMetroTextColor(TColor c)
{
    if (c == m_metroTextColor)
        return;
    m_metroTextColor = c;
    rebuildMetro();
}

void TPexAppStyler::setMetroStyle(TMetroStyle s)
{
    if (s == m_metroStyle)
        return;
    m_metroStyle = s;
    rebuildMetro();
}

void TPexAppStyler::setAutoThemeAdapt(bool on)
{
    m_autoThemeAdapt = on;
    ThemeChanged();
}

void TPexAppStyler::Loaded()
{
    ThemeChanged();
}

void TPexAppStyler::ThemeChanged()
{
    if (m_autoThemeAdapt)
        setStyle(DetectStyle(*m_source));
}

TPexStyle GetOwnerFormStyle(const QWidget* widget, TPexStyle defaultStyle)
{
    if (!widget)
        return defaultStyle;
    const QWidget* form = widget->window();
    for (TPexFormStyler* s : form->findChildren<TPexFormStyler*>())
        if (s->Enabled() && s->Style() != tsCustom)
            return s->Style();
    return defaultStyle;
}

} // namespace pex

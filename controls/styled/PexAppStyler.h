#pragma once

#include "controls/styled/PexStyleIF.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

#include <QComboBox>
class QWidget;

namespace pex {

class TPexAppStyler;

// Calls its notification when the desktop's theme or the application palette changes.
class TThemeNotifierWindow : public QObject
{
    Q_OBJECT

public:
    explicit TThemeNotifierWindow(QObject* parent = nullptr);
    std::function<void()> OnThemeChange;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_pending = false;
};

// Gives every styled control of its form, nested containers included, one look: a style, or
// single colours (Metro).
class TPexFormStyler : public QObject
{
    Q_OBJECT

public:
    explicit TPexFormStyler(QWidget* form);
    ~TPexFormStyler() override;

    QWidget* Form() const { return m_form; }

    TPexStyle Style() const { return m_style; }
    void setStyle(TPexStyle style);
    TColor AppColor() const { return m_appColor; }
    void setAppColor(TColor color);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    bool AutoThemeAdapt() const { return m_autoThemeAdapt; }
    void setAutoThemeAdapt(bool on);
    bool Metro() const { return m_metro; }
    void setMetro(bool on);
    TColor MetroColor() const { return m_metroColor; }
    void setMetroColor(TColor c);
    TColor MetroTextColor() const { return m_metroTextColor; }
    void setMetroTextColor(TColor c);
    TMetroStyle MetroStyle() const { return m_metroStyle; }
    void setMetroStyle(TMetroStyle s);
    TPexAppStyler* AppStyle() const { return m_appStyle; }
    void setAppStyle(TPexAppStyler* styler);
    QComboBox* ComboBox() const { return m_comboBox; }
    void setComboBox(QComboBox* combo);
    const TColorTones& ColorTones() const { return m_tones; }
    void setColorTones(const TColorTones& tones) { m_tones = tones; }

    // Where theme detection looks; the desktop unless replaced.
    void setThemeSource(std::shared_ptr<ThemeSettingsSource> source);

    // After the styler's settings are made: takes the application styler's look, or applies
    // its own, then follows the theme when asked.
    void Loaded();
    void Assign(const TPexFormStyler* source);

    // The look applied to the form and every styled control in it.
    void ApplyStyle();
    void ApplyColorTones(const TColorTones& tones);
    void ThemeChanged();

    static QString Version();

signals:
    // A component is about to be styled; setting *allow to false keeps its look.
    void OnApplyStyle(QObject* component, bool* allow);
    void OnAppliedStyle(QObject* component);
    void OnApplyColorTones(QObject* component, bool* allow);
    void OnAppliedColorTones(QObject* component);
    void OnChange();

private:
    friend class TPexAppStyler;
    void applyMetroIfActive();
    void serve(QObject* component);
    void serveTones(QObject* component, const TColorTones& tones);
    void walk(QObject* container, const std::function<void(QObject*)>& visit);
    void selectInCombo();

    QPointer<QWidget> m_form;
    TPexStyle m_style = tsCustom;
    TColor m_appColor = 0;
    bool m_enabled = true;
    bool m_autoThemeAdapt = false;
    bool m_metro = false;
    TColor m_metroColor;
    TColor m_metroTextColor = 0;
    TMetroStyle m_metroStyle = msLight;
    QPointer<TPexAppStyler> m_appStyle;
    QPointer<QComboBox> m_comboBox;
    TColorTones m_tones;
    std::shared_ptr<ThemeSettingsSource> m_source;
    TThemeNotifierWindow* m_notifier;
};

// Pushes one look to every form styler registered with it.
class TPexAppStyler : public QObject
{
    Q_OBJECT

public:
    explicit TPexAppStyler(QObject* parent = nullptr);
    ~TPexAppStyler() override;

    TPexStyle Style() const { return m_style; }
    void setStyle(TPexStyle style);
    TColor AppColor() const { return m_appColor; }
    void setAppColor(TColor color);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    bool AutoThemeAdapt() const { return m_autoThemeAdapt; }
    void setAutoThemeAdapt(bool on);
    bool Metro() const { return m_metro; }
    void setMetro(bool on);
    TColor MetroColor() const { return m_metroColor; }
    void setMetroColor(TColor c);
    TColor MetroTextColor() const { return m_metroTextColor; }
    void setMetroTextColor(TColor c);
    TMetroStyle MetroStyle() const { return m_metroStyle; }
    void setMetroStyle(TMetroStyle s);
    const TColorTones& ColorTones() const { return m_tones; }

    void setThemeSource(std::shared_ptr<ThemeSettingsSource> source);
    void Loaded();
    void ThemeChanged();

    void RegisterFormStyler(TPexFormStyler* styler);
    void UnregisterFormStyler(TPexFormStyler* styler);
    QList<TPexFormStyler*> FormStylers() const;

    static QString Version() { return TPexFormStyler::Version(); }

signals:
    void OnChange();

private:
    void rebuildMetro();

    TPexStyle m_style = tsCustom;
    TColor m_appColor = clNone;
    bool m_enabled = true;
    bool m_autoThemeAdapt = false;
    bool m_metro = false;
    TColor m_metroColor;
    TColor m_metroTextColor = 0;
    TMetroStyle m_metroStyle = msLight;
    TColorTones m_tones;
    QList<QPointer<TPexFormStyler>> m_stylers;
    std::shared_ptr<ThemeSettingsSource> m_source;
    TThemeNotifierWindow* m_notifier;
};

// The style of the first enabled form styler of the widget's window whose style is not
// tsCustom, else the given default.
TPexStyle GetOwnerFormStyle(const QWidget* widget, TPexStyle defaultStyle);

} // namespace pex

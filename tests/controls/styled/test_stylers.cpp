#include "controls/styled/PexAppStyler.h"
#include "controls/styled/PexGlowButton.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QMap>
#include <QSignalSpy>
#include <QtTest>

using namespace pex;

Q_DECLARE_METATYPE(pex::TPexStyle)

namespace {

const QString kCommon = QStringLiteral("Software\\Microsoft\\Office\\%1\\Common");
const QString kPersonalize =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize");

// Settings written as "key|value=number" or "key" (a key without values), plus a version.
class FakeSource : public ThemeSettingsSource
{
public:
    QSet<QString> keys;
    QMap<QString, int> values;
    int major = 10, minor = 0;
    int comctl = 6;
    bool active = true;
    QString scheme;

    bool keyExists(const QString& key) const override { return keys.contains(key); }
    std::optional<int> intValue(const QString& key, const QString& name) const override
    {
        const auto it = values.find(key + QLatin1Char('|') + name);
        if (it == values.end())
            return std::nullopt;
        return *it;
    }
    int majorVersion() const override { return major; }
    int minorVersion() const override { return minor; }
    int commonControlsVersion() const override { return comctl; }
    bool themeActive() const override { return active; }
    QString themeColorName() const override { return scheme; }

    void set(const QString& version, const QString& name, int v)
    {
        const QString key = kCommon.arg(version);
        keys << key;
        values[key + QLatin1Char('|') + name] = v;
    }
};

// A fake styled control that only counts what reaches it.
class Probe : public QWidget, public IPexStyle, public IPexToneStyle
{
public:
    using QWidget::QWidget;
    QList<TPexStyle> styles;
    int tones = 0;
    void SetStyle(TPexStyle s) override { styles << s; }
    void SetColorTones(const TColorTones&) override { ++tones; }
};

class ColorProbe : public QWidget, public IPexStyle, public IPexStyleAndColor
{
public:
    using QWidget::QWidget;
    int plain = 0;
    TColor color = 0;
    void SetStyle(TPexStyle) override { ++plain; }
    void SetStyleAndAppColor(TPexStyle, TColor c) override { color = c; }
};

} // namespace

class TestStylers : public QObject
{
    Q_OBJECT

private slots:
    void detection_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<TPexStyle>("expected");
        QTest::newRow("16 without value") << "16:-" << tsOffice2019White;
        QTest::newRow("16 colourful") << "16:0" << tsOffice2019White;
        QTest::newRow("16 dark grey") << "16:3" << tsOffice2019Gray;
        QTest::newRow("16 black") << "16:4" << tsOffice2019Black;
        QTest::newRow("16 other") << "16:9" << tsOffice2019White;
        QTest::newRow("16 wins over 15") << "16:4 15:1" << tsOffice2019Black;
        QTest::newRow("15 without value") << "15:-" << tsOffice2013White;
        QTest::newRow("15 white") << "15:0" << tsOffice2013White;
        QTest::newRow("15 light grey") << "15:1" << tsOffice2013LightGray;
        QTest::newRow("15 grey") << "15:2" << tsOffice2013Gray;
        QTest::newRow("15 unknown") << "15:7" << tsCustom;
        QTest::newRow("14 blue") << "14:1" << tsOffice2010Blue;
        QTest::newRow("14 silver") << "14:2" << tsOffice2010Silver;
        QTest::newRow("14 black") << "14:3" << tsOffice2010Black;
        QTest::newRow("14 unknown") << "14:0" << tsCustom;
        QTest::newRow("14 key only moves on to 12") << "14:- 12:3" << tsOffice2007Obsidian;
        QTest::newRow("12 blue") << "12:1" << tsOffice2007Luna;
        QTest::newRow("12 silver") << "12:2" << tsOffice2007Silver;
        QTest::newRow("12 unknown") << "12:5" << tsCustom;
        QTest::newRow("14 and 12 keys only go to windows") << "14:- 12:- v10" << tsWindows10;
        QTest::newRow("windows 8") << "v6.2" << tsWindows8;
        QTest::newRow("windows 8.1") << "v6.3" << tsWindows8;
        QTest::newRow("windows 6.4 light") << "v6.4 light:1" << tsWindows10;
        QTest::newRow("windows 10 dark") << "v10 light:0" << tsOffice2019Black;
        QTest::newRow("windows 10 light") << "v10 light:1" << tsWindows10;
        QTest::newRow("windows 10 no preference") << "v10" << tsWindows10;
        QTest::newRow("windows 7") << "v6.1" << tsWindows7;
        QTest::newRow("vista") << "v6.0" << tsWindows7;
        QTest::newRow("xp") << "v5.1" << tsWindows7;
    }
    void detection()
    {
        QFETCH(QString, setup);
        QFETCH(TPexStyle, expected);
        FakeSource s;
        for (const QString& part : setup.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (part.startsWith(QLatin1Char('v'))) {
                const QStringList v = part.mid(1).split(QLatin1Char('.'));
                s.major = v[0].toInt();
                s.minor = v.size() > 1 ? v[1].toInt() : 0;
            } else if (part.startsWith(QLatin1String("light:"))) {
                s.values[kPersonalize + QLatin1String("|AppsUseLightTheme")] = part.mid(6).toInt();
            } else {
                const QString version = part.section(QLatin1Char(':'), 0, 0) + QLatin1String(".0");
                const QString value = part.section(QLatin1Char(':'), 1);
                const QString name = version.startsWith(QLatin1String("1")) &&
                                             (version == "16.0" || version == "15.0")
                                         ? QStringLiteral("UI Theme")
                                         : QStringLiteral("Theme");
                if (value == QLatin1String("-"))
                    s.keys << kCommon.arg(version);
                else
                    s.set(version, name, value.toInt());
            }
        }
        QCOMPARE(DetectStyle(s), expected);
    }

    void classicBranch_data()
    {
        QTest::addColumn<int>("comctl");
        QTest::addColumn<bool>("active");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<TPexStyle>("expected");
        QTest::newRow("blue") << 6 << true << "NormalColor" << tsOffice2003Blue;
        QTest::newRow("olive") << 6 << true << "HomeStead" << tsOffice2003Olive;
        QTest::newRow("silver") << 6 << true << "Metallic" << tsOffice2003Silver;
        QTest::newRow("other scheme") << 6 << true << "Royale" << tsOffice2003Classic;
        QTest::newRow("unthemed") << 6 << false << "NormalColor" << tsOffice2003Classic;
        QTest::newRow("old controls") << 5 << true << "NormalColor" << tsOffice2003Classic;
    }
    void classicBranch()
    {
        QFETCH(int, comctl);
        QFETCH(bool, active);
        QFETCH(QString, scheme);
        QFETCH(TPexStyle, expected);
        FakeSource s;
        s.major = 5;
        s.minor = 1;
        s.comctl = comctl;
        s.active = active;
        s.scheme = scheme;
        QCOMPARE(DetectStyle(s, true), expected);
        QCOMPARE(DetectStyle(s, false), tsWindows7);
    }

    void desktopAnswersFromThePalette()
    {
        const QPalette old = QApplication::palette();
        QPalette dark = old;
        dark.setColor(QPalette::Window, QColor(30, 30, 30));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        QApplication::setPalette(dark);
        QCOMPARE(CurrentWindowsStyle(), tsOffice2019Black);
        QPalette light = old;
        light.setColor(QPalette::Window, QColor(240, 240, 240));
        light.setColor(QPalette::WindowText, QColor(0, 0, 0));
        QApplication::setPalette(light);
        QCOMPARE(CurrentWindowsStyle(), tsWindows10);
        // Nothing claims an office suite's settings here.
        DesktopThemeSource d;
        QVERIFY(!d.keyExists(kCommon.arg(QLatin1String("16.0"))));
        QApplication::setPalette(old);
    }

    void formStylerReachesNestedButtonsAndHonoursAVeto()
    {
        QWidget form;
        auto* top = new TPexGlowButton(&form);
        auto* frame = new QFrame(&form);
        auto* inner = new QWidget(frame);
        auto* nested = new TPexGlowButton(inner);
        auto* vetoed = new TPexGlowButton(inner);
        vetoed->Appearance()->setColor(0x010203);
        TPexFormStyler styler(&form);
        QList<QObject*> applied;
        connect(&styler, &TPexFormStyler::OnApplyStyle, this,
                [vetoed](QObject* c, bool* allow) { *allow = c != vetoed; });
        connect(&styler, &TPexFormStyler::OnAppliedStyle, this,
                [&applied](QObject* c) { applied << c; });
        QSignalSpy changes(&styler, &TPexFormStyler::OnChange);
        styler.setStyle(tsOffice2019Black);
        QCOMPARE(top->UIStyle(), tsOffice2019Black);
        QCOMPARE(nested->UIStyle(), tsOffice2019Black);
        QCOMPARE(nested->Appearance()->Color(), TColor(0x303132));
        QCOMPARE(vetoed->UIStyle(), tsCustom);
        QCOMPARE(vetoed->Appearance()->Color(), TColor(0x010203));
        QCOMPARE(applied, (QList<QObject*>{top, nested}));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(form.palette().color(QPalette::Window), QColor(0, 0, 0));
    }

    void styleWithColourGoesThroughItsOwnInterface()
    {
        QWidget form;
        auto* probe = new ColorProbe(&form);
        TPexFormStyler styler(&form);
        styler.setAppColor(0x445566);
        styler.setStyle(tsOffice2016Gray);
        QCOMPARE(probe->color, TColor(0x445566));
        QCOMPARE(probe->plain, 0);
    }

    void customStyleAppliesNothing()
    {
        QWidget form;
        auto* probe = new Probe(&form);
        TPexFormStyler styler(&form);
        styler.setStyle(tsWindows7);
        styler.setStyle(tsCustom);
        QCOMPARE(probe->styles, QList<TPexStyle>{tsWindows7});
        styler.setEnabled(false);
        styler.setStyle(tsWindows8);
        QCOMPARE(probe->styles.size(), 1);
        styler.setEnabled(true);
        QCOMPARE(probe->styles.last(), tsWindows8);
    }

    void metroGivesTonesAndVeto()
    {
        QWidget form;
        auto* a = new Probe(&form);
        auto* b = new Probe(new QWidget(&form));
        TPexFormStyler styler(&form);
        connect(&styler, &TPexFormStyler::OnApplyColorTones, this,
                [b](QObject* c, bool* allow) { *allow = c != b; });
        styler.setMetroColor(0x336699);
        QCOMPARE(a->tones, 0); // not Metro yet
        styler.setMetro(true);
        QCOMPARE(a->tones, 1);
        QCOMPARE(b->tones, 0);
        QCOMPARE(styler.Style(), tsCustom);
        const TColorTones t = styler.ColorTones();
        QCOMPARE(t.Background.Color, clWhite);
        QCOMPARE(t.Selected.Color, TColor(0x336699));
        styler.setMetroStyle(msDark);
        QCOMPARE(a->tones, 2);
        QCOMPARE(styler.ColorTones().Background.Color, clBlack);
    }

    void appStylerPushesToItsFormStylers()
    {
        QWidget f1, f2;
        auto* p1 = new Probe(&f1);
        auto* p2 = new Probe(&f2);
        TPexAppStyler app;
        auto* s1 = new TPexFormStyler(&f1);
        auto* s2 = new TPexFormStyler(&f2);
        s1->setAppStyle(&app);
        s2->setAppStyle(&app);
        s2->setAppStyle(&app);
        QCOMPARE(app.FormStylers().size(), 2);
        QSignalSpy changes(&app, &TPexAppStyler::OnChange);
        app.setStyle(tsOffice2013Gray);
        QCOMPARE(p1->styles.last(), tsOffice2013Gray);
        QCOMPARE(p2->styles.last(), tsOffice2013Gray);
        QCOMPARE(changes.count(), 1);
        delete s1;
        QCOMPARE(app.FormStylers().size(), 1);
        app.setStyle(tsWindows7);
        QCOMPARE(p2->styles.last(), tsWindows7);
    }

    void autoThemeFollowsTheSource()
    {
        QWidget form;
        auto* b = new TPexGlowButton(&form);
        TPexFormStyler styler(&form);
        auto source = std::make_shared<FakeSource>();
        source->set(QStringLiteral("15.0"), QStringLiteral("UI Theme"), 2);
        styler.setThemeSource(source);
        styler.setAutoThemeAdapt(true);
        QCOMPARE(b->UIStyle(), tsOffice2013Gray);
        source->values[kCommon.arg(QLatin1String("15.0")) + QLatin1String("|UI Theme")] = 1;
        // A palette change is a theme change here.
        QApplication::setPalette(QApplication::palette());
        QPalette p = QApplication::palette();
        p.setColor(QPalette::Window, QColor(1, 2, 3));
        QApplication::setPalette(p);
        QTRY_COMPARE(b->UIStyle(), tsOffice2013LightGray);
        QApplication::setPalette(QPalette());
    }

    void comboOffersTheStyles()
    {
        QWidget form;
        auto* combo = new QComboBox(&form);
        auto* probe = new Probe(&form);
        TPexFormStyler styler(&form);
        styler.setStyle(tsWindows7);
        styler.setComboBox(combo);
        QCOMPARE(combo->count(), 26);
        QCOMPARE(combo->currentText(), QStringLiteral("Windows 7"));
        QVERIFY(!combo->isEditable());
        const int i = combo->findText(QStringLiteral("Office 2016 Black"));
        combo->setCurrentIndex(i);
        emit combo->activated(i);
        QCOMPARE(styler.Style(), tsOffice2016Black);
        QCOMPARE(probe->styles.last(), tsOffice2016Black);
    }

    void ownerFormStyle()
    {
        QWidget form;
        auto* b = new TPexGlowButton(&form);
        QCOMPARE(GetOwnerFormStyle(b, tsOffice2019White), tsOffice2019White);
        TPexFormStyler styler(&form);
        styler.setStyle(tsWindows8);
        QCOMPARE(GetOwnerFormStyle(b, tsOffice2019White), tsWindows8);
        styler.setEnabled(false);
        QCOMPARE(GetOwnerFormStyle(b, tsOffice2019White), tsOffice2019White);
    }

    // The default font is one this system has: the family the desktop's general font
    // resolves to, which a font built from the name gets back unchanged.
    void defaultFontIsInstalled()
    {
        const QString family = GetDefaultUIFont();
        QVERIFY(!family.isEmpty());
        QVERIFY2(QFontDatabase::families().contains(family), qPrintable(family));
        QCOMPARE(QFontInfo(QFont(family)).family(), family);
        QCOMPARE(family, QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family());
    }

    void menuAnimationIsOffForThisProcessOnly()
    {
        QApplication::setEffectEnabled(Qt::UI_AnimateMenu, true);
        TPexGlowButton b;
        // Qt keeps the flag per process; nothing outside it is touched.
        QVERIFY(!QApplication::isEffectEnabled(Qt::UI_AnimateMenu));
    }
};

QTEST_MAIN(TestStylers)
#include "test_stylers.moc"

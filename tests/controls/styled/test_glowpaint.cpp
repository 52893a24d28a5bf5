#include "controls/styled/PexGlowButton.h"
#include "helper_events.h"
#include "tests/support/DarkPalette.h"

#include <QBuffer>
#include <QtTest>

using namespace pex;

namespace {

constexpr TColor kParent = 0x00FF00; // green, behind the buttons
const QPoint kAt(10, 10);

QColor qc(TColor c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// A button on a plain green parent, with solid colours in every state so that pixels are exact.
struct Scene
{
    QWidget parent;
    TPexGlowButton* b;

    Scene()
    {
        parent.resize(140, 80);
        QPalette p = parent.palette();
        p.setColor(QPalette::Window, qc(kParent));
        parent.setPalette(p);
        parent.setAutoFillBackground(true);
        b = new TPexGlowButton(&parent);
        b->setGeometry(QRect(kAt, QSize(100, 40)));
        b->setShowCaption(false);
        TGlowButtonAppearance* a = b->Appearance();
        solid(a, &TGlowButtonAppearance::setColor, &TGlowButtonAppearance::setColorTo,
              &TGlowButtonAppearance::setColorMirror, &TGlowButtonAppearance::setColorMirrorTo,
              0x2040A0, 0x104080);
        a->setBorderColor(0x0000FF);
        solid(a, &TGlowButtonAppearance::setColorHot, &TGlowButtonAppearance::setColorHotTo,
              &TGlowButtonAppearance::setColorMirrorHot,
              &TGlowButtonAppearance::setColorMirrorHotTo, 0xC86432, 0x64C832);
        a->setBorderColorHot(0x00FFFF);
        solid(a, &TGlowButtonAppearance::setColorDown, &TGlowButtonAppearance::setColorDownTo,
              &TGlowButtonAppearance::setColorMirrorDown,
              &TGlowButtonAppearance::setColorMirrorDownTo, 0x303030, 0x606060);
        a->setBorderColorDown(0xFF00FF);
        solid(a, &TGlowButtonAppearance::setColorChecked, &TGlowButtonAppearance::setColorCheckedTo,
              &TGlowButtonAppearance::setColorMirrorChecked,
              &TGlowButtonAppearance::setColorMirrorCheckedTo, 0x0A141E, 0x28323C);
        a->setBorderColorChecked(0x00AAAA);
        solid(a, &TGlowButtonAppearance::setColorDisabled,
              &TGlowButtonAppearance::setColorDisabledTo,
              &TGlowButtonAppearance::setColorMirrorDisabled,
              &TGlowButtonAppearance::setColorMirrorDisabledTo, 0xDDDDDD, 0xBBBBBB);
        a->setBorderColorDisabled(0x777777);
    }

    template <typename S>
    static void solid(TGlowButtonAppearance* a, S from, S to, S mirrorFrom, S mirrorTo, TColor top,
                      TColor bottom)
    {
        (a->*from)(top);
        (a->*to)(top);
        (a->*mirrorFrom)(bottom);
        (a->*mirrorTo)(bottom);
    }

    // A pixel of the button, in its own coordinates.
    QColor at(int x, int y)
    {
        const QImage img = parent.grab().toImage();
        return img.pixelColor(kAt + QPoint(x, y));
    }
    QImage buttonImage() { return parent.grab().toImage().copy(QRect(kAt, b->size())); }
};

QByteArray bmpBytes(const QImage& img)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return bytes;
}

} // namespace

class TestGlowPaint : public QObject
{
    Q_OBJECT

private slots:
    void init() { TPexGlowButton::setFadeInterval(0); }
    void cleanup() { TPexGlowButton::setFadeInterval(20); }

    void stateFills_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<uint>("top");
        QTest::addColumn<uint>("bottom");
        QTest::addColumn<uint>("border");
        QTest::newRow("normal") << "normal" << 0x2040A0u << 0x104080u << 0x0000FFu;
        QTest::newRow("hot") << "hot" << 0xC86432u << 0x64C832u << 0x00FFFFu;
        QTest::newRow("down") << "down" << 0x303030u << 0x606060u << 0xFF00FFu;
        QTest::newRow("grouped down") << "exclusive" << 0x0A141Eu << 0x28323Cu << 0x00AAAAu;
        QTest::newRow("checked") << "check" << 0x0A141Eu << 0x28323Cu << 0x00AAAAu;
        QTest::newRow("disabled") << "disabled" << 0xDDDDDDu << 0xBBBBBBu << 0x777777u;
        QTest::newRow("disabled without its look")
            << "plain disabled" << 0x2040A0u << 0x104080u << 0x0000FFu;
    }
    void stateFills()
    {
        QFETCH(QString, state);
        QFETCH(uint, top);
        QFETCH(uint, bottom);
        QFETCH(uint, border);
        Scene s;
        TPexGlowButton* b = s.b;
        if (state == "hot") {
            events::enter(b, {50, 20});
        } else if (state == "down") {
            events::enter(b, {50, 20});
            events::press(b, {50, 20});
        } else if (state == "exclusive") {
            b->setGroupIndex(1);
            b->setDown(true);
        } else if (state == "check") {
            b->setStyle(bsCheck);
            b->setDown(true);
        } else if (state == "disabled") {
            b->setEnabled(false);
        } else if (state == "plain disabled") {
            b->setShowDisabled(false);
            b->setEnabled(false);
        }
        // Upper and lower halves, and the border in the middle of each edge.
        QCOMPARE(s.at(50, 5), qc(top));
        QCOMPARE(s.at(50, 34), qc(bottom));
        QCOMPARE(s.at(50, 0), qc(border));
        QCOMPARE(s.at(0, 20), qc(border));
        QCOMPARE(s.at(99, 20), qc(border));
        QCOMPARE(s.at(50, 39), qc(border));
    }

    void halvesMeetAtTheMiddle()
    {
        Scene s;
        // 40 rows: the upper half covers rows 0 to 19, the mirror the rest.
        QCOMPARE(s.at(50, 19), qc(0x2040A0));
        QCOMPARE(s.at(50, 20), qc(0x104080));
    }

    void office2003BlueIsBlue()
    {
        Scene s;
        s.b->ApplyUIStyle(tsOffice2003Blue);
        const QColor c = s.at(50, 10);
        // $00BBGGRR 0xEEDBC8: blue 0xEE, red 0xC8. Swapped channels would show the opposite.
        QVERIFY2(c.blue() > c.red(), qPrintable(c.name()));
        QVERIFY(near(c, QColor(0xC8, 0xDB, 0xEE), 6));
    }

    void roundedCornersShowTheParent_data()
    {
        QTest::addColumn<bool>("rounded");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("leftRound");
        QTest::addColumn<bool>("rightRound");
        QTest::newRow("standalone") << true << int(bpStandalone) << true << true;
        QTest::newRow("square") << false << int(bpStandalone) << false << false;
        QTest::newRow("row left") << true << int(bpLeft) << true << false;
        QTest::newRow("row middle") << true << int(bpMiddle) << false << false;
        QTest::newRow("row right") << true << int(bpRight) << false << true;
    }
    void roundedCornersShowTheParent()
    {
        QFETCH(bool, rounded);
        QFETCH(int, position);
        QFETCH(bool, leftRound);
        QFETCH(bool, rightRound);
        Scene s;
        s.b->setRounded(rounded);
        s.b->setPosition(TButtonPosition(position));
        // A rounded corner pixel is the parent's, but for the arc's smoothed edge.
        auto check = [&s](int x, int y, bool round) {
            const QColor c = s.at(x, y);
            return round ? near(c, qc(kParent), 16) : c == qc(0x0000FF);
        };
        QVERIFY(check(0, 0, leftRound));
        QVERIFY(check(0, 39, leftRound));
        QVERIFY(check(99, 0, rightRound));
        QVERIFY(check(99, 39, rightRound));
        // The arc stays inside: a pixel in from the corner is no longer the parent.
        QVERIFY(s.at(2, 2) != qc(kParent));
    }

    void rowJoinDrawsTwoLines()
    {
        Scene s;
        s.b->setPosition(bpLeft);
        QCOMPARE(s.at(99, 20), qc(0x0000FF));
        // White a shade darker beside a neighbour that is not pressed.
        QCOMPARE(s.at(98, 20), qc(0xE6E6E6));
    }

    void mirrorWithoutColoursTakesTheTopColour()
    {
        Scene s;
        s.b->Appearance()->setColorMirror(clNone);
        s.b->Appearance()->setColorMirrorTo(clNone);
        QCOMPARE(s.at(50, 34), qc(0x2040A0));
    }

    void fadeStepsBlendHotIntoNormal_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<uint>("expected");
        // Normal black, hot 0xC86432: 20 percent per tick.
        QTest::newRow("one tick") << 1 << 0x28140Au;
        QTest::newRow("two ticks") << 2 << 0x502814u;
        QTest::newRow("four ticks") << 4 << 0xA05028u;
    }
    void fadeStepsBlendHotIntoNormal()
    {
        QFETCH(int, ticks);
        QFETCH(uint, expected);
        TPexGlowButton::setFadeInterval(20);
        Scene s;
        Scene::solid(s.b->Appearance(), &TGlowButtonAppearance::setColor,
                     &TGlowButtonAppearance::setColorTo, &TGlowButtonAppearance::setColorMirror,
                     &TGlowButtonAppearance::setColorMirrorTo, 0x000000, 0x000000);
        events::enter(s.b, {50, 20});
        QVERIFY(s.b->Fading());
        for (int i = 0; i < ticks; ++i)
            s.b->FadeTick();
        QCOMPARE(s.b->HotPercent(), 20 * ticks);
        QCOMPARE(s.at(50, 5), qc(expected));
    }

    // A transparent button glows in and out like any other unless its style passes the
    // transparency on to the drawing.
    void transparentFadesUnlessTheStylePassesIt_data()
    {
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<uint>("expected");
        QTest::newRow("opaque") << false << true << 0x28140Au;
        QTest::newRow("transparent, style keeps it") << true << false << 0x28140Au;
        QTest::newRow("transparent, style passes it") << true << true << 0xC86432u;
    }
    void transparentFadesUnlessTheStylePassesIt()
    {
        QFETCH(bool, transparent);
        QFETCH(bool, passes);
        QFETCH(uint, expected);
        TPexGlowButton::setFadeInterval(20);
        Scene s;
        Scene::solid(s.b->Appearance(), &TGlowButtonAppearance::setColor,
                     &TGlowButtonAppearance::setColorTo, &TGlowButtonAppearance::setColorMirror,
                     &TGlowButtonAppearance::setColorMirrorTo, 0x000000, 0x000000);
        s.b->setTransparent(transparent);
        s.b->Appearance()->PassTransparency = passes;
        events::enter(s.b, {50, 20});
        QVERIFY(s.b->Fading());
        s.b->FadeTick();
        QCOMPARE(s.b->HotPercent(), 20);
        QCOMPARE(s.at(50, 5), qc(expected));
    }

    // A release fades the pressed colour into the hot one from the level the press had reached,
    // a tenth of the way a tick at most.
    void releaseFadesFromTheDownLevel_data()
    {
        QTest::addColumn<int>("pressTicks");
        QTest::newRow("quick click") << 1;
        QTest::newRow("half way") << 3;
        QTest::newRow("held to the end") << 7;
    }
    void releaseFadesFromTheDownLevel()
    {
        QFETCH(int, pressTicks);
        TPexGlowButton::setFadeInterval(20);
        Scene s;
        const TColor down = 0x303030, hot = 0xC86432;
        events::enter(s.b, {50, 20});
        for (int i = 0; i < 6; ++i)
            s.b->FadeTick();
        events::press(s.b, {50, 20});
        for (int i = 0; i < pressTicks; ++i)
            s.b->FadeTick();
        const int level = s.b->DownPercent();
        events::release(s.b, {50, 20});
        QColor last = s.at(50, 5);
        QVERIFY(near(last, qc(blend(down, hot, level)), 1));
        for (int ticks = 0; s.b->Fading() && ticks < 20; ++ticks) {
            s.b->FadeTick();
            const QColor now = s.at(50, 5);
            QVERIFY(std::abs(now.blue() - last.blue()) <= 0x98 / 10 + 1);
            last = now;
        }
        QCOMPARE(s.at(50, 5), qc(hot));
        QVERIFY(s.b->IsHot() && !s.b->IsPressed());
    }

    void fadeOutAtHalfIsTheAverage()
    {
        TPexGlowButton::setFadeInterval(20);
        Scene s;
        Scene::solid(s.b->Appearance(), &TGlowButtonAppearance::setColor,
                     &TGlowButtonAppearance::setColorTo, &TGlowButtonAppearance::setColorMirror,
                     &TGlowButtonAppearance::setColorMirrorTo, 0x0A0A0A, 0x000000);
        events::enter(s.b, {50, 20});
        events::leave(s.b); // from 100 percent down by 20 a tick
        s.b->FadeTick();
        s.b->FadeTick();
        s.b->FadeTick();
        QCOMPARE(s.b->HotPercent(), 40);
        // 0.4 * 0xC8 + 0.6 * 0x0A = 86, 0.4 * 0x64 + 0.6 * 0x0A = 46, 0.4 * 0x32 + 6 = 26.
        QCOMPARE(s.at(50, 5), QColor(26, 46, 86));
    }

    void dropDownSplitDarkensThePartNotUnderTheMouse_data()
    {
        QTest::addColumn<QPoint>("mouse");
        QTest::addColumn<bool>("buttonDark");
        QTest::newRow("over the button part") << QPoint(30, 20) << false;
        QTest::newRow("over the drop-down part") << QPoint(95, 20) << true;
    }
    void dropDownSplitDarkensThePartNotUnderTheMouse()
    {
        QFETCH(QPoint, mouse);
        QFETCH(bool, buttonDark);
        Scene s;
        s.b->setDropDownButton(true);
        events::enter(s.b, mouse);
        events::move(s.b, mouse);
        const QColor hot = qc(0xC86432);
        // Each channel times 0.9: 0x32 -> 45, 0x64 -> 90, 0xC8 -> 180.
        const QColor dark(45, 90, 180);
        QCOMPARE(s.at(30, 8), buttonDark ? dark : hot);
        QCOMPARE(s.at(93, 4), buttonDark ? hot : dark);
        // The arrow sits in the drop-down part.
        const QImage img = s.buttonImage();
        bool arrow = false;
        for (int y = 15; y < 25; ++y)
            for (int x = 86; x < 99; ++x)
                arrow |= img.pixelColor(x, y).lightness() < 60;
        QVERIFY(arrow);
    }

    void normalLookHasNoSplit()
    {
        Scene s;
        s.b->setDropDownButton(true);
        QCOMPARE(s.at(30, 8), qc(0x2040A0));
        QCOMPARE(s.at(93, 4), qc(0x2040A0));
    }

    void gradientsRunFromTheirFirstColour()
    {
        Scene s;
        TGlowButtonAppearance* a = s.b->Appearance();
        a->setColor(0x000000);
        a->setColorTo(0xFFFFFF);
        a->setGradient(ggVertical);
        a->setColorMirror(0x000000);
        a->setColorMirrorTo(0xFFFFFF);
        a->setGradientMirror(ggVertical);
        // Upper half dark to light; the mirror starts light at the middle line.
        QVERIFY(near(s.at(50, 1), QColor(0, 0, 0), 24));
        QVERIFY(near(s.at(50, 18), QColor(255, 255, 255), 40));
        QVERIFY(near(s.at(50, 21), QColor(255, 255, 255), 40));
        QVERIFY(near(s.at(50, 38), QColor(0, 0, 0), 40));
        QVERIFY(s.at(50, 10).lightness() > s.at(50, 3).lightness());

        a->setGradient(ggRadial);
        // The glow's centre is the top middle, in the "to" colour; the sides keep the first.
        QVERIFY(near(s.at(50, 1), QColor(255, 255, 255), 40));
        QVERIFY(near(s.at(3, 18), QColor(0, 0, 0), 24));
    }

    void focusBorderInsideTheButton()
    {
        Scene s;
        s.parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.parent));
        s.b->setTabStop(true);
        s.b->setFocus();
        QTRY_VERIFY(s.b->hasFocus());
        QCOMPARE(s.at(1, 10), qc(0xE4AD89));
        const QImage shot = s.buttonImage();
        int dots = 0;
        for (int y = 5; y < 30; ++y)
            dots += shot.pixelColor(2, y) == qc(0x808080);
        QVERIFY(dots >= 5); // the dotted one
        s.b->setFocusType(ftNone);
        QCOMPARE(s.at(1, 10), qc(0x2040A0));
    }

    void bitmapPictureDropsItsBottomLeftColour()
    {
        Scene s;
        QImage img(8, 8, QImage::Format_RGB32);
        img.fill(QColor(255, 0, 255));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                img.setPixelColor(x, y, QColor(0, 0, 255));
        s.b->Picture()->ReadData(bmpBytes(img));
        s.b->setPictureWidth(16);
        s.b->setPictureHeight(16);
        const QImage shot = s.buttonImage();
        int blue = 0, magenta = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                blue += c == QColor(0, 0, 255);
                magenta += c == QColor(255, 0, 255);
            }
        QCOMPARE(blue, 64);
        QCOMPARE(magenta, 0);
    }

    void undecodablePictureDrawsNothing()
    {
        Scene s;
        const QImage before = s.buttonImage();
        s.b->Picture()->ReadData(QByteArray("BM not really a bitmap"));
        QVERIFY(s.b->Picture()->Empty());
        QCOMPARE(s.buttonImage(), before);
    }

    // A dark desktop palette leaves the captions dark on the light fills they are drawn on.
    void captionStaysDarkUnderADarkPalette_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("parentFont");
        QTest::newRow("own colours") << int(tsCustom) << true;
        QTest::newRow("style, own font") << int(tsOffice2019White) << false;
        QTest::newRow("style, parent's font") << int(tsOffice2013White) << true;
        QTest::newRow("window text look") << int(tsWindows10) << false;
    }
    void captionStaysDarkUnderADarkPalette()
    {
        QFETCH(int, style);
        QFETCH(bool, parentFont);
        DarkPalette dark;
        QWidget parent;
        parent.resize(140, 60);
        auto* b = new TPexGlowButton(QStringLiteral("ثبت ثبت"), &parent);
        b->setGeometry(10, 10, 100, 40);
        b->setParentFont(parentFont);
        b->ApplyUIStyle(TPexStyle(style));
        const QImage shot = parent.grab().toImage().copy(14, 14, 92, 32);
        int darkest = 255;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                darkest = std::min(darkest, qGray(shot.pixel(x, y)));
        QVERIFY2(darkest < 80, qPrintable(QString::number(darkest)));
    }

    void captionUsesItsTextColourAndDirection()
    {
        Scene s;
        s.b->setShowCaption(true);
        s.b->setText(QStringLiteral("ثبت"));
        s.b->setFontColor(0xFFFFFF);
        QImage shot = s.buttonImage();
        bool white = false;
        for (int y = 5; y < 35; ++y)
            for (int x = 5; x < 95; ++x)
                white |= shot.pixelColor(x, y).lightness() > 200;
        QVERIFY(white);
        s.b->setEnabled(false);
        s.b->Appearance()->setTextColorDisabled(0x0000FF);
        shot = s.buttonImage();
        bool red = false;
        for (int y = 5; y < 35; ++y)
            for (int x = 5; x < 95; ++x) {
                const QColor c = shot.pixelColor(x, y);
                red |= c.red() > 150 && c.green() < 100 && c.blue() < 100;
            }
        QVERIFY(red);
    }
};

QTEST_MAIN(TestGlowPaint)
#include "test_glowpaint.moc"

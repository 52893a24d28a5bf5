#include "controls/styled/PexGlowButton.h"
#include "controls/styled/PexStyleIF.h"

#include <QApplication>
#include <QtTest>

using namespace pex;

Q_DECLARE_METATYPE(pex::TPexStyle)

class TestColours : public QObject
{
    Q_OBJECT

private slots:
    void roundsHalfToEven_data()
    {
        QTest::addColumn<int>("num");
        QTest::addColumn<int>("den");
        QTest::addColumn<int>("expected");
        QTest::newRow("below half") << 249 << 100 << 2;
        QTest::newRow("half to even down") << 250 << 100 << 2;
        QTest::newRow("half to even up") << 350 << 100 << 4;
        QTest::newRow("above half") << 251 << 100 << 3;
        QTest::newRow("whole") << 300 << 100 << 3;
        QTest::newRow("zero") << 0 << 100 << 0;
    }
    void roundsHalfToEven()
    {
        QFETCH(int, num);
        QFETCH(int, den);
        QFETCH(int, expected);
        QCOMPARE(RoundHalfEven(num, den), expected);
    }

    void toneAtItsEdges_data()
    {
        QTest::addColumn<uint>("colour");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::addColumn<uint>("expected");
        QTest::newRow("zero channels take the percentage")
            << 0x000000u << 10 << 10 << 10 << 0x0A0A0Au;
        QTest::newRow("no brightening") << 0x808080u << 10 << 10 << 10 << 0x808080u;
        QTest::newRow("zero channel, negative") << 0x000000u << -10 << -10 << -10 << 0x000000u;
        QTest::newRow("darken 5") << 0xFFFFFFu << -5 << -5 << -5 << 0xF2F2F2u;
        QTest::newRow("darken silver 5") << 0xC0C0C0u << -5 << -5 << -5 << 0xB6B6B6u;
        // 225 * 0.9 = 202.5 and 245 * 0.9 = 220.5: both halves go to the even neighbour.
        QTest::newRow("halves to even") << 0x00F5E1u << -10 << -10 << 0 << 0x00DCCAu;
        QTest::newRow("channels apart") << 0x102030u << -50 << 0 << -100 << 0x002018u;
        QTest::newRow("all the way down") << 0xFFFFFFu << -100 << -100 << -100 << 0x000000u;
        QTest::newRow("past all the way") << 0xFFFFFFu << -150 << -150 << -150 << 0x000000u;
        QTest::newRow("zero channel, above 255") << 0x000000u << 300 << 0 << 0 << 0x0000FFu;
    }
    void toneAtItsEdges()
    {
        QFETCH(uint, colour);
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        QFETCH(uint, expected);
        QCOMPARE(tone(colour, r, g, b), TColor(expected));
    }

    void blendAtItsEdges_data()
    {
        QTest::addColumn<uint>("a");
        QTest::addColumn<uint>("b");
        QTest::addColumn<int>("p");
        QTest::addColumn<uint>("expected");
        QTest::newRow("100 gives a") << 0x102030u << 0xF0E0D0u << 100 << 0x102030u;
        QTest::newRow("over 100 gives a") << 0x102030u << 0xF0E0D0u << 150 << 0x102030u;
        QTest::newRow("0 gives b") << 0x102030u << 0xF0E0D0u << 0 << 0xF0E0D0u;
        QTest::newRow("below 0 gives b") << 0x102030u << 0xF0E0D0u << -5 << 0xF0E0D0u;
        QTest::newRow("a none gives b") << uint(clNone) << 0xF0E0D0u << 50 << 0xF0E0D0u;
        QTest::newRow("b none gives a") << 0x102030u << uint(clNone) << 50 << 0x102030u;
        QTest::newRow("half is the average") << 0x000000u << 0xFEFCFAu << 50 << 0x7F7E7Du;
        // 0.5 * 1 = 0.5 rounds to 0; 0.5 * 3 = 1.5 rounds to 2.
        QTest::newRow("half of odd goes to even") << 0x000301u << 0x000000u << 50 << 0x000200u;
        QTest::newRow("quarter") << 0xFF0000u << 0x0000FFu << 25 << 0x4000BFu;
    }
    void blendAtItsEdges()
    {
        QFETCH(uint, a);
        QFETCH(uint, b);
        QFETCH(int, p);
        QFETCH(uint, expected);
        QCOMPARE(blend(a, b, p), TColor(expected));
    }

    void systemColoursResolveBeforeArithmetic()
    {
        QPalette p = QApplication::palette();
        p.setColor(QPalette::Button, QColor(0x10, 0x20, 0x30));
        QApplication::setPalette(p);
        QCOMPARE(ColorToRGB(clBtnFace), RGB(0x10, 0x20, 0x30));
        QCOMPARE(blend(clBtnFace, 0x000000, 50), RGB(0x08, 0x10, 0x18));
        QCOMPARE(ColorToRGB(clNone), clNone);
        QApplication::setPalette(QPalette());
    }

    // Each style's rows as the colour tables give them: normal five, then hot, down and checked
    // (top-from and border), Rounded.
    void everyStyleWritesItsTable_data()
    {
        QTest::addColumn<TPexStyle>("style");
        QTest::addColumn<QList<uint>>("normal");
        QTest::addColumn<QList<uint>>("sets");
        QTest::addColumn<bool>("rounded");
        const uint N = clNone;
        const uint K = 0xC0C0C0; // a border the style keeps: the constructor's
        const uint H = clHighlight;
        const QList<uint> o2003 = {0xEBFDFF, 0x99CEDB, 0x76AFF1, 0x45667B, 0xB5DBFB, 0xFF0000};
        const QList<uint> o2007 = {0xEBFDFF, 0x99CEDB, 0x76AFF1, 0x45667B, 0xB5DBFB, 0x45667B};
        const QList<uint> win = {0xF7EFE8, 0xF9CEA4, 0xF7E0C9, 0xE4A262, 0xDAA026, 0xDAA026};
        const QList<uint> o2010 = {0x8AE3FD, 0x58CAF1, 0x6CD0FF, 0x308AC2, 0xD9F9FD, 0x308AC2};
        const QList<uint> o2013 = {0xFCF0E4, 0xEAB47E, 0xFCE2C8, 0xE59D56, 0xFF9933, 0xFF9933};
        const QList<uint> o2016 = {0xF2E1D5, 0xF2E1D5, 0xE3BDA3, 0xE3BDA3, 0xF2D5C2, 0xF2D5C2};
        auto row = [](const char* n, TPexStyle s, QList<uint> normal, QList<uint> sets, bool r) {
            QTest::newRow(n) << s << normal << sets << r;
        };
        row("2003 blue", tsOffice2003Blue, {0xEEDBC8, 0xF6DDC9, 0xEDD4C0, 0xF7E1D0, 0xE0B99B},
            o2003, true);
        row("2003 silver", tsOffice2003Silver, {0xE6E9E2, 0xE6D8D8, 0xE6E9E2, 0xC8B2B3, 0x927476},
            o2003, true);
        row("2003 olive", tsOffice2003Olive, {0xCFF0EA, 0xCFF0EA, 0xCFF0EA, 0x8CC0B1, 0x8CC0B1},
            o2003, true);
        row("2003 classic", tsOffice2003Classic, {0xFFFFFF, 0xC9D1D5, 0xFFFFFF, 0xC9D1D5, 0x000000},
            o2003, true);
        row("2007 luna", tsOffice2007Luna, {0xEEDBC8, 0xF6DDC9, 0xEDD4C0, 0xF7E1D0, 0xE0B99B},
            o2007, true);
        row("2007 obsidian", tsOffice2007Obsidian,
            {0xDFDED6, 0xE4E2DB, 0xD7D5CE, 0xE7E5E0, 0xC0BCB2}, o2007, true);
        row("xp", tsWindowsXP, {0xFFFFFF, 0xB9D8DC, 0xB9D8DC, 0xB9D8DC, 0xB9D8DC},
            {0xEFD3C6, H, 0xB59284, H, 0xB9D8DC, 0x000000}, true);
        row("whidbey", tsWhidbey, {0xFFFFFF, 0xDFEDF0, 0xDFEDF0, 0xDFEDF0, 0x99A8AC}, o2003, true);
        row("2007 silver", tsOffice2007Silver, {0xF3F3F1, 0xF5F5F3, 0xEEEAE7, 0xF8F7F6, 0xCCCAC9},
            o2007, true);
        row("vista", tsWindowsVista, {0xFDF8F1, 0xFDF8F1, 0xFCEFD5, 0xFDF8F1, 0xFDDE99},
            {N, 0xFCF2DA, 0xFCEFD5, 0xFEDF9A, 0xFCEFD5, 0xFEDF9A}, true);
        row("7", tsWindows7, {0xFCEBDC, 0xFCDBC1, 0xFCDBC1, 0xFCDBC1, 0xCEA27D},
            {0xFDFBFA, 0xFBD6B8, 0xFCEBDC, 0xCEA27D, 0xFDFBFA, H}, true);
        row("terminal", tsTerminal, {clBtnFace, clBtnFace, clBtnFace, clBtnFace, K},
            {0xC0C0C0, 0x808080, H, H, 0x808080, 0x808080}, true);
        row("2010 blue", tsOffice2010Blue, {0xFDF6EF, 0xF0DAC7, 0xF0DAC7, 0xF0DAC7, 0xC7B29F},
            o2010, true);
        row("2010 silver", tsOffice2010Silver, {0xFFFFFF, 0xEDE5E0, 0xEDE5E0, 0xEDE5E0, 0xD2CDC8},
            o2010, true);
        row("2010 black", tsOffice2010Black, {0xBFBFBF, 0x919191, 0x919191, 0x919191, 0x6D6D6D},
            o2010, true);
        row("8", tsWindows8, {0xF7F6F5, N, 0xF7F6F5, N, 0xE4E3E2}, win, false);
        row("2013 white", tsOffice2013White, {0xFFFFFF, N, 0xFFFFFF, N, 0xD4D4D4}, o2013, false);
        row("2013 light grey", tsOffice2013LightGray, {0xF6F6F6, N, 0xF6F6F6, N, 0xC6C6C6}, o2013,
            false);
        row("2013 grey", tsOffice2013Gray, {0xE5E5E5, N, 0xE5E5E5, N, 0xABABAB}, o2013, false);
        row("10", tsWindows10, {0xF7F6F5, N, 0xF7F6F5, N, 0xE4E3E2}, win, false);
        row("2016 white", tsOffice2016White, {0xFFFFFF, N, 0xFFFFFF, N, 0xD4D4D4}, o2016, false);
        row("2016 grey", tsOffice2016Gray, {0xB2B2B2, N, 0xB2B2B2, N, 0x444444}, o2016, false);
        row("2016 black", tsOffice2016Black, {0x363636, 0x363636, 0x363636, 0x363636, 0x444444},
            {0x6A6A6A, 0x6A6A6A, 0x444444, 0x444444, 0x575757, 0x575757}, false);
        row("2019 white", tsOffice2019White, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xADB0B3},
            {0xFAECE3, 0xB0784A, 0xB0784A, 0xB0784A, 0xD1B9A5, 0xD1B9A5}, false);
        row("2019 grey", tsOffice2019Gray, {0xB8BBBE, 0xB8BBBE, 0xB8BBBE, 0xB8BBBE, 0x444648},
            {0x939597, 0x86888A, 0x86888A, 0x86888A, 0x939597, 0x939597}, false);
        row("2019 black", tsOffice2019Black, {0x303132, 0x303132, 0x303132, 0x303132, 0x666666},
            {0x444648, 0x5C5E60, 0x5C5E60, 0x5C5E60, 0x444648, 0x444648}, false);
    }
    void everyStyleWritesItsTable()
    {
        QFETCH(TPexStyle, style);
        QFETCH(QList<uint>, normal);
        QFETCH(QList<uint>, sets);
        QFETCH(bool, rounded);
        TPexGlowButton b;
        b.setRounded(!rounded);
        b.ApplyUIStyle(style);
        const TGlowButtonAppearance* a = b.Appearance();
        QCOMPARE(b.UIStyle(), style);
        const QList<uint> gotNormal = {a->Color(), a->ColorTo(), a->ColorMirror(),
                                       a->ColorMirrorTo(), a->BorderColor()};
        QCOMPARE(gotNormal, normal);
        const QList<uint> gotSets = {a->ColorHot(),     a->BorderColorHot(),
                                     a->ColorDown(),    a->BorderColorDown(),
                                     a->ColorChecked(), a->BorderColorChecked()};
        QCOMPARE(gotSets, sets);
        QCOMPARE(b.Rounded(), rounded);
        QCOMPARE(a->Gradient(), ggVertical);
        QCOMPARE(a->GradientMirrorHot(), ggVertical);
        QCOMPARE(a->GradientChecked(), ggVertical);
    }

    void newerStylesWriteTheirExtras_data()
    {
        QTest::addColumn<TPexStyle>("style");
        // disabled from, disabled to, border disabled, font, text hot, text checked,
        // border checked-hot, text disabled
        QTest::addColumn<QList<uint>>("expected");
        const uint N = clNone;
        QTest::newRow("8") << tsWindows8 << QList<uint>{0xF7F7F7, N,        0x808080, clWindowText,
                                                        0,        0xFFFFFF, N,        0x808080};
        QTest::newRow("10") << tsWindows10 << QList<uint>{0xF7F7F7, N, 0x808080, clWindowText, 0,
                                                          0xFFFFFF, N, 0x808080};
        QTest::newRow("2013") << tsOffice2013Gray
                              << QList<uint>{0xEEEEEE, N,        0xACACAC, clWindowText,
                                             0,        0xFFFFFF, N,        0x808080};
        QTest::newRow("2016 white")
            << tsOffice2016White
            << QList<uint>{0xFFFFFF, N, 0xD4D4D4, 0x505050, 0x505050, 0x505050, 0xE3BDA3, 0x808080};
        QTest::newRow("2016 grey")
            << tsOffice2016Gray
            << QList<uint>{0xB2B2B2, N, 0x444444, 0x424242, 0x424242, 0x424242, 0xE3BDA3, 0x808080};
        QTest::newRow("2016 black")
            << tsOffice2016Black
            << QList<uint>{0x363636, N, 0x444444, 0xA6A6A6, 0xA6A6A6, 0xC8C8C8, N, 0x808080};
        QTest::newRow("2019 white")
            << tsOffice2019White
            << QList<uint>{0xFFFFFF, N, 0xD4D4D4, clWindowText, 0x232425, 0x393A3B, N, 0xD4D4D4};
        QTest::newRow("2019 grey")
            << tsOffice2019Gray << QList<uint>{0xB8BBBE, 0xB8BBBE, 0xD4D4D4, 0x232425,
                                               0x232425, 0x232425, 0x5C5E60, 0xD4D4D4};
        QTest::newRow("2019 black")
            << tsOffice2019Black << QList<uint>{0x303132, 0x303132, 0x505050, 0xFFFFFF,
                                                0xFFFFFF, 0xFFFFFF, 0x86888A, 0x505050};
        QTest::newRow("2003 blue: step 2 only")
            << tsOffice2003Blue
            << QList<uint>{0xF2F2F2, 0xF2F2F2, 0x808080, clWindowText, 0, 0, N, 0x808080};
    }
    void newerStylesWriteTheirExtras()
    {
        QFETCH(TPexStyle, style);
        QFETCH(QList<uint>, expected);
        TPexGlowButton b;
        b.setParentFont(false);
        b.Appearance()->setBorderColorCheckedHot(0x123456);
        b.ApplyUIStyle(style);
        const TGlowButtonAppearance* a = b.Appearance();
        const QList<uint> got = {a->ColorDisabled(),         a->ColorDisabledTo(),
                                 a->BorderColorDisabled(),   b.FontColor(),
                                 a->TextColorHot(),          a->TextColorChecked(),
                                 a->BorderColorCheckedHot(), a->TextColorDisabled()};
        QCOMPARE(got, expected);
        QCOMPARE(a->ColorMirrorDisabled(),
                 expected[0] == 0xF2F2F2u ? TColor(0xB6B6B6) : expected[0]);
        QCOMPARE(a->TextColorDown(), a->TextColorHot());
    }

    // The hot, down, checked and disabled sets (from, to, mirror from, mirror to, border) of a
    // gradient look and of flat ones, applied over another look so that no value shows through.
    void everyStyleWritesItsStateSets_data()
    {
        QTest::addColumn<TPexStyle>("style");
        QTest::addColumn<QList<uint>>("hot");
        QTest::addColumn<QList<uint>>("down");
        QTest::addColumn<QList<uint>>("checked");
        QTest::addColumn<QList<uint>>("disabled");
        const uint N = clNone;
        auto one = [](uint c, uint border) { return QList<uint>{c, c, c, c, border}; };
        const QList<uint> step2 = {0xF2F2F2, 0xF2F2F2, 0xB6B6B6, 0xF2F2F2, 0x808080};
        // The Office 2003 looks keep the constructor's checked border.
        QTest::newRow("2003 blue")
            << tsOffice2003Blue << QList<uint>{0xEBFDFF, 0xACECFF, 0x59DAFF, 0xA4E9FF, 0x99CEDB}
            << QList<uint>{0x76AFF1, 0x4190F3, 0x0E72F1, 0x4C9FFD, 0x45667B}
            << QList<uint>{0xB5DBFB, 0x78C7FE, 0x9FEBFD, 0x56B4FE, 0xFF0000} << step2;
        for (auto [name, style] : {std::pair{"8", tsWindows8}, {"10", tsWindows10}})
            QTest::newRow(name) << style << QList<uint>{0xF7EFE8, N, 0xF7EFE8, N, 0xF9CEA4}
                                << QList<uint>{0xF7E0C9, N, 0xF7E0C9, N, 0xE4A262}
                                << QList<uint>{0xDAA026, N, 0xDAA026, N, 0xDAA026}
                                << QList<uint>{0xF7F7F7, N, 0xF7F7F7, N, 0x808080};
        QTest::newRow("2019 grey")
            << tsOffice2019Gray << one(0x939597, 0x86888A) << one(0x86888A, 0x86888A)
            << one(0x939597, 0x939597) << one(0xB8BBBE, 0xD4D4D4);
    }
    void everyStyleWritesItsStateSets()
    {
        QFETCH(TPexStyle, style);
        QFETCH(QList<uint>, hot);
        QFETCH(QList<uint>, down);
        QFETCH(QList<uint>, checked);
        QFETCH(QList<uint>, disabled);
        TPexGlowButton fresh, b;
        fresh.ApplyUIStyle(style);
        b.ApplyUIStyle(tsOffice2016Black);
        b.ApplyUIStyle(style);
        for (const TGlowButtonAppearance* a : {fresh.Appearance(), b.Appearance()}) {
            QCOMPARE((QList<uint>{a->ColorHot(), a->ColorHotTo(), a->ColorMirrorHot(),
                                  a->ColorMirrorHotTo(), a->BorderColorHot()}),
                     hot);
            QCOMPARE((QList<uint>{a->ColorDown(), a->ColorDownTo(), a->ColorMirrorDown(),
                                  a->ColorMirrorDownTo(), a->BorderColorDown()}),
                     down);
            QCOMPARE(
                (QList<uint>{a->ColorDisabled(), a->ColorDisabledTo(), a->ColorMirrorDisabled(),
                             a->ColorMirrorDisabledTo(), a->BorderColorDisabled()}),
                disabled);
        }
        // The checked border is the constructor's where a look leaves it.
        const TGlowButtonAppearance* a = fresh.Appearance();
        QCOMPARE((QList<uint>{a->ColorChecked(), a->ColorCheckedTo(), a->ColorMirrorChecked(),
                              a->ColorMirrorCheckedTo(), a->BorderColorChecked()}),
                 checked);
        a = b.Appearance();
        QCOMPARE((QList<uint>{a->ColorChecked(), a->ColorCheckedTo(), a->ColorMirrorChecked(),
                              a->ColorMirrorCheckedTo()}),
                 checked.mid(0, 4));
    }

    void fontColourStaysWithTheParentFont()
    {
        TPexGlowButton b;
        b.setFontColor(0x112233);
        b.ApplyUIStyle(tsOffice2019Black);
        QCOMPARE(b.FontColor(), TColor(0x112233));
    }

    void customChangesNothingButTheStyle()
    {
        TPexGlowButton b;
        b.ApplyUIStyle(tsOffice2010Blue);
        b.Appearance()->setColor(0x010203);
        b.setRounded(true);
        b.ApplyUIStyle(tsCustom);
        QCOMPARE(b.UIStyle(), tsCustom);
        QCOMPARE(b.Appearance()->Color(), TColor(0x010203));
        QCOMPARE(b.Appearance()->ColorHot(), TColor(0x8AE3FD));
        QVERIFY(b.Rounded());
    }

    void windows10IsWindows8()
    {
        TPexGlowButton b8, b10;
        b8.ApplyUIStyle(tsWindows8);
        b10.ApplyUIStyle(tsWindows10);
        TGlowButtonAppearance copy;
        copy.Assign(b10.Appearance());
        copy.DrawStyle = tsWindows8;
        const TGlowButtonAppearance* a = b8.Appearance();
        QCOMPARE(copy.ColorMirrorCheckedTo(), a->ColorMirrorCheckedTo());
        QCOMPARE(copy.BorderColorFocused(), a->BorderColorFocused());
        QCOMPARE(copy.TextColorChecked(), a->TextColorChecked());
        QCOMPARE(copy.ColorDisabledTo(), a->ColorDisabledTo());
    }

    void colourTonesMakeAFlatLookThatDoesNotFade()
    {
        const int before = TPexGlowButton::FadeInterval();
        TPexGlowButton b;
        b.setParentFont(false);
        TColorTones t = CreateMetroTones(msDark, 0x0080FF);
        b.ApplyColorTones(t);
        const TGlowButtonAppearance* a = b.Appearance();
        QCOMPARE(a->Color(), clBlack);
        QCOMPARE(a->ColorTo(), clNone);
        QCOMPARE(a->ColorMirrorTo(), clBlack);
        QCOMPARE(a->BorderColor(), TColor(0x0080FF));
        // The hover colour is the metro colour times 0.8: 0x80 * 0.8 = 102.4, 0xFF * 0.8 = 204.
        QCOMPARE(a->ColorHot(), TColor(0x0066CC));
        QCOMPARE(a->ColorMirrorCheckedTo(), TColor(0x0080FF));
        QCOMPARE(a->BorderColorDisabled(), TColor(0x808080));
        // The disabled text equals its border colour here, not its fill, so it is kept.
        QCOMPARE(a->TextColorDisabled(), TColor(0x808080));
        QCOMPARE(b.FontColor(), clWhite);
        QCOMPARE(b.font().family(), GetDefaultUIFont());
        QVERIFY(!b.Rounded());
        QCOMPARE(TPexGlowButton::FadeInterval(), 0);
        TPexGlowButton::setFadeInterval(before);
    }

    void disabledTextEqualToItsFillTurnsGrey()
    {
        TPexGlowButton b;
        TColorTones t = DefaultColorTones();
        t.Disabled = {0x123456, 0x654321, 0x123456};
        b.ApplyColorTones(t);
        QCOMPARE(b.Appearance()->TextColorDisabled(), TColor(0x808080));
        TPexGlowButton::setFadeInterval(20);
    }

    void constructorLook()
    {
        TPexGlowButton b;
        const TGlowButtonAppearance* a = b.Appearance();
        // The down colours are the hot ones with red and green 10 percent darker.
        QCOMPARE(a->ColorDown(), TColor(0xF5D8CA));
        QCOMPARE(a->ColorMirrorDownTo(), TColor(0xFFDFDC));
        QCOMPARE(a->ColorChecked(), a->ColorDown());
        QCOMPARE(a->ColorMirrorDisabled(), TColor(0xB6B6B6));
        QCOMPARE(a->GradientMirrorChecked(), ggVertical);
        QCOMPARE(a->GradientChecked(), ggRadial);
    }

    void styleNamesInOrder()
    {
        const QList<StyleName>& names = StyleDisplayNames();
        QCOMPARE(names.size(), 26);
        QCOMPARE(names.first().name, QStringLiteral("Office 2003 Blue"));
        QCOMPARE(names[4].style, tsOffice2007Luna);
        QCOMPARE(names[5].style, tsOffice2007Silver);
        QCOMPARE(names[6].style, tsOffice2007Obsidian);
        QCOMPARE(names[17].name, QStringLiteral("Office 2013 Light gray"));
        QCOMPARE(names.last().style, tsCustom);
        for (const StyleName& n : names)
            QVERIFY(n.style != tsWhidbey);
    }
};

QTEST_MAIN(TestColours)
#include "test_colours.moc"

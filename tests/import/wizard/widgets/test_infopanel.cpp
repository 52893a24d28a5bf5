#include "import/wizard/widgets/Durvel3InfoPanel.h"

#include <QFontMetrics>
#include <QTest>

class TestInfoPanel : public QObject
{
    Q_OBJECT

private slots:
    void emptyCaptionStillOneLineHigh()
    {
        TInfoPanel p;
        p.SetCaption("x");
        p.SetCaption(QString());
        QCOMPARE(p.height(), QFontMetrics(p.font()).height() + 2 * p.GapVertical());
    }

    void negativeValuesRefused_data()
    {
        QTest::addColumn<QString>("property");
        QTest::newRow("Radius") << "Radius";
        QTest::newRow("GapBitmap") << "GapBitmap";
        QTest::newRow("GapText") << "GapText";
        QTest::newRow("GapVertical") << "GapVertical";
        QTest::newRow("ShadowDepth") << "ShadowDepth";
    }
    void negativeValuesRefused()
    {
        QFETCH(QString, property);
        TInfoPanel p;
        const auto get = [&] {
            return property == "Radius"        ? p.Radius()
                   : property == "GapBitmap"   ? p.GapBitmap()
                   : property == "GapText"     ? p.GapText()
                   : property == "GapVertical" ? p.GapVertical()
                                               : p.ShadowDepth();
        };
        const auto set = [&](int v) {
            if (property == "Radius")
                p.SetRadius(v);
            else if (property == "GapBitmap")
                p.SetGapBitmap(v);
            else if (property == "GapText")
                p.SetGapText(v);
            else if (property == "GapVertical")
                p.SetGapVertical(v);
            else
                p.SetShadowDepth(v);
        };
        set(7);
        set(-1);
        QCOMPARE(get(), 7);
    }

    void disabledPanelShowsItsOwnPicture()
    {
        TInfoPanel p;
        p.SetCaption("Tip");
        const QImage on = p.Picture().toImage();
        p.setEnabled(false);
        QVERIFY(p.Picture().toImage() != on);
        p.setEnabled(true);
        QCOMPARE(p.Picture().toImage(), on);
    }

    // An aligned panel keeps its width and takes the height of its wrapped text.
    void alignedPanelWrapsIntoItsWidth()
    {
        TInfoPanel p;
        p.SetWordWrap(true);
        p.SetAlign(TInfoPanel::alTop);
        p.resize(200, 10);
        p.show();
        p.SetCaption(QString("برای افزودن یا برداشتن جداکننده دو بار کلیک کنید. ").repeated(3));
        QCOMPARE(p.width(), 200);
        const int narrow = p.height();
        QVERIFY(narrow > QFontMetrics(p.font()).height() + 2 * p.GapVertical()); // wrapped
        p.resize(900, narrow);
        QVERIFY(p.height() < narrow);
        QCOMPARE(p.width(), 900);
    }

    void autoSizeOffKeepsBounds()
    {
        TInfoPanel p;
        p.SetAutoSize(false);
        p.setGeometry(6, 21, 557, 39);
        p.SetWordWrap(true);
        p.SetCaption("Double click to add or remove column separators.");
        QCOMPARE(p.geometry(), QRect(6, 21, 557, 39));
    }
};

QTEST_MAIN(TestInfoPanel)
#include "test_infopanel.moc"

#include "import/wizard/widgets/ButtonPicture.h"
#include "platform/imagelist/ImageList.h"

#include <QPushButton>
#include <QtTest>

class TestButtonPicture : public QObject
{
    Q_OBJECT

private slots:
    // The wizard's images: one size, the button pictures in their places, the disabled ones
    // without colour.
    void wizardImagesInTheirPlaces_data()
    {
        QTest::addColumn<int>("enabled");
        QTest::addColumn<int>("disabled");
        QTest::newRow("add") << 4 << 12;
        QTest::newRow("remove") << 6 << 14;
        QTest::newRow("clear") << 7 << 15;
        QTest::newRow("auto fill") << 9 << 17;
    }
    void wizardImagesInTheirPlaces()
    {
        QFETCH(int, enabled);
        QFETCH(int, disabled);
        const TImageList& list = ilWizard();
        QCOMPARE(list.Count(), 18);
        QCOMPARE(QSize(list.Width(), list.Height()), QSize(16, 16));
        auto inked = [](const QImage& img, bool coloured) {
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QColor c = img.pixelColor(x, y);
                    if (c.alpha() > 200 && (coloured ? c.saturation() > 60 : c.saturation() == 0))
                        ++n;
                }
            return n;
        };
        QVERIFY(inked(list.Image(enabled), enabled != 7) > 10);
        QVERIFY(inked(list.Image(disabled), false) > 10);
        QCOMPARE(inked(list.Image(disabled), true), 0);
        QVERIFY(list.Image(enabled) != list.Image(enabled == 4 ? 6 : 4));
    }

    // The box draws the enabled or the disabled image over the button, and sinks one pixel
    // while the button is held.
    void boxFollowsTheButton()
    {
        QWidget parent;
        parent.resize(200, 80);
        auto* button = new QPushButton(QStringLiteral("Add"), &parent);
        button->setGeometry(20, 20, 80, 26);
        TButtonPicture box(button, ilWizard(), 4, 12);
        parent.show();
        const QPoint at = box.pos();
        // Inside the button, centred in its height, clear of the caption's ink.
        QVERIFY(button->geometry().contains(box.geometry()));
        QCOMPARE(at.y(), 25);
        // The button keeps room for the picture beside its caption.
        QCOMPARE(button->iconSize(), QSize(16, 16));
        auto centre = [&] { return parent.grab().toImage().pixelColor(box.pos() + QPoint(8, 8)); };
        QCOMPARE(centre(), ilWizard().Image(4).pixelColor(8, 8));
        button->setEnabled(false);
        QCOMPARE(centre(), ilWizard().Image(12).pixelColor(8, 8));
        button->setEnabled(true);
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(box.pos(), at + QPoint(1, 1));
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(box.pos(), at);
        QVERIFY(box.testAttribute(Qt::WA_TransparentForMouseEvents));
        button->move(40, 30);
        QCOMPARE(box.pos(), at + QPoint(20, 10));
        button->hide();
        QVERIFY(!box.isVisible());
    }
};

QTEST_MAIN(TestButtonPicture)
#include "test_buttonpicture.moc"

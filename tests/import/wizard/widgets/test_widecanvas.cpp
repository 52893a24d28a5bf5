#include "import/wizard/widgets/KobWideStringCanvas.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

const QString kText = QStringLiteral("HHH");

// The leftmost column with ink, -1 on a blank image.
int inkLeft(const QImage& img)
{
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y)
            if (qGray(img.pixel(x, y)) < 128)
                return x;
    return -1;
}

struct Drawing
{
    QImage image{300, 40, QImage::Format_RGB32};
    QPainter painter;
    TKobWideStringCanvas canvas{nullptr};

    Drawing()
    {
        image.fill(Qt::white);
        painter.begin(&image);
        canvas.SetPainter(&painter);
        canvas.Brush = Qt::NoBrush;
    }
    QImage done()
    {
        canvas.SetPainter(nullptr);
        painter.end();
        return image;
    }
};

} // namespace

class TestWideCanvas : public QObject
{
    Q_OBJECT

private slots:
    // Where the text lands and where the pen stands afterwards, by orientation and reading;
    // empty text draws nothing and only moves the pen.
    void rightToLeftPlacement_data()
    {
        QTest::addColumn<bool>("rect");
        QTest::addColumn<bool>("rtlCanvas");
        QTest::addColumn<bool>("rtlReading");
        QTest::addColumn<bool>("shifted");
        QTest::newRow("text out, left to right") << false << false << false << false;
        QTest::newRow("text out, right-to-left canvas") << false << true << false << true;
        QTest::newRow("text out, rtl canvas and reading") << false << true << true << true;
        QTest::newRow("text out, rtl reading only") << false << false << true << false;
        QTest::newRow("text rect, left to right") << true << false << false << false;
        QTest::newRow("text rect, rtl canvas only") << true << true << false << false;
        QTest::newRow("text rect, rtl canvas and reading") << true << true << true << true;
        QTest::newRow("text rect, rtl reading only") << true << false << true << false;
    }
    void rightToLeftPlacement()
    {
        QFETCH(bool, rect);
        QFETCH(bool, rtlCanvas);
        QFETCH(bool, rtlReading);
        QFETCH(bool, shifted);
        Drawing plain;
        plain.canvas.TextOut(20, 5, kText);
        const int base = inkLeft(plain.done());
        QVERIFY(base >= 0);

        Drawing d;
        d.canvas.CanvasOrientation =
            rtlCanvas ? TKobWideStringCanvas::coRightToLeft : TKobWideStringCanvas::coLeftToRight;
        d.canvas.RightToLeftReading = rtlReading;
        const int w = d.canvas.TextWidth(kText);
        d.canvas.TextOut(7, 9, QString());
        QCOMPARE(d.canvas.PenPos(), QPoint(rtlCanvas ? 8 : 7, 9));
        const QPoint penBefore = d.canvas.PenPos();
        if (rect)
            d.canvas.TextRect(QRect(0, 0, 300, 40), 20, 5, kText);
        else
            d.canvas.TextOut(20, 5, kText);
        const int shift = shifted ? w + 1 : 0;
        QCOMPARE(inkLeft(d.done()), base + shift);
        QCOMPARE(d.canvas.PenPos(), rect ? penBefore : QPoint(20 + shift + w, 5));
    }

    // Every drawing is told before anything is drawn and after it is; measuring is not drawing.
    void drawingIsBracketedByNotifications_data()
    {
        QTest::addColumn<int>("op");
        QTest::newRow("text out") << 0;
        QTest::newRow("text rect") << 1;
        QTest::newRow("fill") << 2;
    }
    void drawingIsBracketedByNotifications()
    {
        QFETCH(int, op);
        Drawing d;
        d.canvas.Brush = QBrush(Qt::black);
        QStringList told;
        d.canvas.OnChanging = [&] { told << QStringLiteral("changing:%1").arg(inkLeft(d.image)); };
        d.canvas.OnChange = [&] { told << QStringLiteral("changed"); };
        d.canvas.TextExtent(kText);
        if (op == 0)
            d.canvas.TextOut(10, 5, kText);
        else if (op == 1)
            d.canvas.TextRect(QRect(10, 5, 50, 20), 10, 5, kText);
        else
            d.canvas.FillRect(QRect(10, 5, 50, 20));
        QCOMPARE(told, (QStringList{QStringLiteral("changing:-1"), QStringLiteral("changed")}));
        QVERIFY(inkLeft(d.done()) >= 0);
    }
};

QTEST_MAIN(TestWideCanvas)
#include "test_widecanvas.moc"

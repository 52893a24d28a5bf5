#include "platform/imagelist/ImageList.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QImage filled(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(c);
    return img;
}

} // namespace

class TestImageList : public QObject
{
    Q_OBJECT

private slots:
    // Every way in gives an image of the list's size and is told once; what cannot be read
    // adds nothing.
    void imagesComeInAtTheListsSize_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("index");
        QTest::newRow("same size") << "16" << 0;
        QTest::newRow("larger image is scaled") << "40" << 0;
        QTest::newRow("file") << "pic.png" << 0;
        QTest::newRow("unreadable file") << "bad.png" << -1;
        QTest::newRow("missing resource") << ":/no/such/image.png" << -1;
    }
    void imagesComeInAtTheListsSize()
    {
        QFETCH(QString, way);
        QFETCH(int, index);
        QTemporaryDir dir;
        QVERIFY(filled(24, 12, Qt::red).save(dir.filePath("pic.png")));
        QFile bad(dir.filePath("bad.png"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not an image") > 0);
        bad.close();
        TImageList list(16, 16);
        QSignalSpy changed(&list, &TImageList::Changed);
        const int side = way.toInt();
        const int got = side ? list.Add(filled(side, side, Qt::red))
                             : list.AddFromFile(way.startsWith(':') ? way : dir.filePath(way));
        QCOMPARE(got, index);
        QCOMPARE(list.Count(), index + 1);
        QCOMPARE(changed.count(), index + 1);
        if (index >= 0) {
            QCOMPARE(list.Image(index).size(), QSize(16, 16));
            QCOMPARE(QColor(list.Image(index).pixel(8, 8)), QColor(Qt::red));
        }
    }

    // Each change is told once; a replace outside the list and a clear of an empty one are none.
    void changesAreTold()
    {
        TImageList list(8, 8);
        list.Add(filled(8, 8, Qt::red));
        list.Add(filled(8, 8, Qt::blue));
        QSignalSpy changed(&list, &TImageList::Changed);
        list.Replace(0, filled(8, 8, Qt::green));
        QCOMPARE(QColor(list.Image(0).pixel(1, 1)), QColor(Qt::green));
        list.Replace(5, filled(8, 8, Qt::green));
        list.Delete(0);
        QCOMPARE(QColor(list.Image(0).pixel(1, 1)), QColor(Qt::blue));
        list.Clear();
        list.Clear();
        QCOMPARE(changed.count(), 3);
        QVERIFY(list.Image(0).isNull());
    }

    // A disabled image is drawn in grey at its own lightness, its transparency kept; an index
    // outside the list draws nothing.
    void disabledImagesAreDrawnGrey()
    {
        TImageList list(10, 10);
        QImage img = filled(10, 10, Qt::red);
        img.setPixelColor(0, 0, Qt::transparent);
        list.Add(img);
        QImage canvas = filled(40, 20, Qt::white);
        {
            QPainter p(&canvas);
            list.Draw(p, 0, 0, 0, true);
            list.Draw(p, 20, 0, 0, false);
            list.Draw(p, 0, 10, 7, false);
        }
        QCOMPARE(canvas.pixelColor(5, 5), QColor(Qt::red));
        const int grey = qGray(qRgb(255, 0, 0)); // 87, not the average of the channels
        QCOMPARE(canvas.pixelColor(25, 5), QColor(grey, grey, grey));
        QCOMPARE(canvas.pixelColor(20, 0), QColor(Qt::white));
        QCOMPARE(canvas.pixelColor(5, 15), QColor(Qt::white));
    }
};

QTEST_MAIN(TestImageList)
#include "test_imagelist.moc"

#include "platform/imagelist/ImageList.h"

#include <QAction>
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
    // Every way in gives an image of the list's size, and each change is told once.
    void imagesComeInAtTheListsSize_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("index");
        QTest::newRow("same size") << "image 16" << 0;
        QTest::newRow("larger image is scaled") << "image 40" << 0;
        QTest::newRow("png file") << "file png" << 0;
        QTest::newRow("bmp file") << "file bmp" << 0;
        QTest::newRow("unreadable file") << "file bad" << -1;
        QTest::newRow("missing resource") << "resource" << -1;
    }
    void imagesComeInAtTheListsSize()
    {
        QFETCH(QString, way);
        QFETCH(int, index);
        QTemporaryDir dir;
        TImageList list(16, 16);
        QSignalSpy changed(&list, &TImageList::Changed);
        int got = -2;
        if (way.startsWith("image")) {
            const int side = way.mid(6).toInt();
            got = list.Add(filled(side, side, Qt::red));
        } else if (way == "file bad") {
            const QString name = dir.filePath("bad.png");
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not an image");
            f.close();
            got = list.AddFromFile(name);
        } else if (way.startsWith("file")) {
            const QString name = dir.filePath("pic." + way.mid(5));
            QVERIFY(filled(24, 12, Qt::red).save(name));
            got = list.AddFromFile(name);
        } else {
            got = list.AddFromFile(":/no/such/image.png");
        }
        QCOMPARE(got, index);
        QCOMPARE(list.Count(), index + 1);
        QCOMPARE(changed.count(), index + 1);
        if (index >= 0) {
            QCOMPARE(list.Image(index).size(), QSize(16, 16));
            QCOMPARE(QColor(list.Image(index).pixel(8, 8)), QColor(Qt::red));
        }
    }

    void changesAreTold()
    {
        TImageList list(8, 8);
        list.Add(filled(8, 8, Qt::red));
        list.Add(filled(8, 8, Qt::blue));
        QSignalSpy changed(&list, &TImageList::Changed);
        list.Replace(0, filled(8, 8, Qt::green));
        QCOMPARE(QColor(list.Image(0).pixel(1, 1)), QColor(Qt::green));
        list.Replace(5, filled(8, 8, Qt::green)); // outside: nothing
        list.Delete(0);
        QCOMPARE(QColor(list.Image(0).pixel(1, 1)), QColor(Qt::blue));
        list.Clear();
        list.Clear();
        QCOMPARE(changed.count(), 3);
        QVERIFY(list.Image(0).isNull());
    }

    void disabledImagesAreDrawnGrey_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QColor>("expected");
        // Pure red has the lightness qGray gives it: (11 * 255 + 16 * 0 + 5 * 0) / 32 = 87.
        QTest::newRow("enabled") << true << QColor(Qt::red);
        QTest::newRow("disabled") << false << QColor(87, 87, 87);
    }
    void disabledImagesAreDrawnGrey()
    {
        QFETCH(bool, enabled);
        QFETCH(QColor, expected);
        TImageList list(10, 10);
        QImage img = filled(10, 10, Qt::red);
        img.setPixelColor(0, 0, Qt::transparent);
        list.Add(img);
        QImage canvas = filled(30, 30, Qt::white);
        {
            QPainter p(&canvas);
            list.Draw(p, 5, 5, 0, enabled);
            list.Draw(p, 5, 5, 7, enabled); // no such image: nothing
        }
        QCOMPARE(canvas.pixelColor(10, 10), expected);
        QCOMPARE(canvas.pixelColor(5, 5), QColor(Qt::white)); // transparency kept
        QCOMPARE(canvas.pixelColor(20, 20), QColor(Qt::white));
    }

    void actionsTakeTheirOwnersList()
    {
        TImageList images;
        TActionList owner;
        auto* inList = new QAction(&owner);
        QAction loose;
        QCOMPARE(TActionList::ImagesOf(inList), nullptr);
        owner.SetImages(&images);
        QCOMPARE(TActionList::ImagesOf(inList), &images);
        QCOMPARE(TActionList::ImagesOf(&loose), nullptr);
        QCOMPARE(TActionList::ImageIndex(inList), -1);
        TActionList::SetImageIndex(inList, 3);
        QCOMPARE(TActionList::ImageIndex(inList), 3);
    }
};

QTEST_MAIN(TestImageList)
#include "test_imagelist.moc"

#include "controls/styled/GDIPicture.h"
#include "controls/styled/PexHintInfo.h"

#include <QBuffer>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

using namespace pex;

namespace {

QByteArray encode(const QImage& img, const char* format)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

QImage sample(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(10, 20, 30));
    img.setPixelColor(0, h - 1, QColor(200, 0, 0));
    return img;
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void readsTheSizeOfEachFormat_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("bitmap");
        QTest::newRow("png") << encode(sample(13, 7), "PNG") << QSize(13, 7) << false;
        QTest::newRow("bmp") << encode(sample(5, 9), "BMP") << QSize(5, 9) << true;
        QTest::newRow("jpeg") << encode(sample(16, 8), "JPG") << QSize(16, 8) << false;
        QTest::newRow("garbage") << QByteArray("\x89PNG\r\n\x1a\n broken", 16) << QSize(0, 0)
                                 << false;
        QTest::newRow("nothing") << QByteArray() << QSize(0, 0) << false;
        QByteArray cut = encode(sample(20, 20), "PNG");
        cut.truncate(cut.size() / 2);
        QTest::newRow("cut short") << cut << QSize(0, 0) << false;
    }
    void readsTheSizeOfEachFormat()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(bool, bitmap);
        TGDIPPicture p;
        p.ReadData(bytes);
        QCOMPARE(QSize(p.Width(), p.Height()), size);
        QCOMPARE(p.Empty(), size.isEmpty());
        QCOMPARE(p.IsBitmap(), bitmap);
        // Saving writes exactly what was loaded, decodable or not.
        QByteArray out;
        QBuffer buf(&out);
        buf.open(QIODevice::WriteOnly);
        p.SaveToStream(&buf);
        QCOMPARE(out, bytes);
    }

    void emptyPictureDrawsNothing()
    {
        TGDIPPicture p;
        p.ReadData(QByteArray("not an image"));
        QImage canvas(10, 10, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        p.Draw(painter, QRect(0, 0, 10, 10));
        painter.end();
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                QCOMPARE(canvas.pixelColor(x, y), QColor(Qt::white));
    }

    void bitmapBottomLeftColourIsTransparent()
    {
        TGDIPPicture p;
        p.ReadData(encode(sample(4, 4), "BMP"));
        const QImage drawn = p.DrawnImage();
        QCOMPARE(qAlpha(drawn.pixel(0, 3)), 0);
        QCOMPARE(qAlpha(drawn.pixel(1, 1)), 255);
        p.setTransparent(false);
        QCOMPARE(qAlpha(p.DrawnImage().pixel(0, 3)), 255);
        // Other formats keep every pixel.
        TGDIPPicture png;
        png.ReadData(encode(sample(4, 4), "PNG"));
        QCOMPARE(qAlpha(png.DrawnImage().pixel(0, 3)), 255);
    }

    void rotatesAboutTheCentre()
    {
        QImage img(20, 2, QImage::Format_RGB32);
        img.fill(Qt::blue);
        TGDIPPicture p;
        p.ReadData(encode(img, "PNG"));
        p.setRotation(90);
        QImage canvas(20, 20, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        p.Draw(painter, QRect(0, 9, 20, 2));
        painter.end();
        QCOMPARE(canvas.pixelColor(10, 1), QColor(Qt::blue));
        QCOMPARE(canvas.pixelColor(1, 10), QColor(Qt::white));
    }

    void clearingNotifiesChangeThenClear()
    {
        TGDIPPicture p;
        p.ReadData(encode(sample(3, 3), "PNG"));
        QStringList order;
        connect(&p, &TGDIPPicture::Changed, this, [&order] { order << "changed"; });
        connect(&p, &TGDIPPicture::OnClear, this, [&order] { order << "clear"; });
        p.Assign(static_cast<const TGDIPPicture*>(nullptr));
        QCOMPARE(order, (QStringList{"changed", "clear"}));
        QVERIFY(p.Empty());
        QVERIFY(p.Data().isEmpty());
    }

    void assignCopiesBytesAndTakesBitmaps()
    {
        TGDIPPicture a, b;
        a.ReadData(encode(sample(6, 2), "BMP"));
        QSignalSpy changed(&b, &TGDIPPicture::Changed);
        b.Assign(&a);
        QCOMPARE(b.Data(), a.Data());
        QCOMPARE(changed.count(), 1);
        b.Assign(sample(7, 3));
        QCOMPARE(QSize(b.Width(), b.Height()), QSize(7, 3));
        QVERIFY(!b.IsBitmap());
    }

    void loadsFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.png"));
        QVERIFY(sample(4, 5).save(path));
        TGDIPPicture p;
        QVERIFY(p.LoadFromFile(path));
        QCOMPARE(p.FileName(), path);
        QCOMPARE(p.Height(), 5);
        QVERIFY(!p.LoadFromFile(dir.filePath(QStringLiteral("missing.png"))));
        QCOMPARE(p.Height(), 5);
    }

    void hintCopiesEverything()
    {
        TPexHintInfo a, b;
        a.Title = QStringLiteral("t");
        a.Notes = QStringList{QStringLiteral("n1"), QStringLiteral("n2")};
        a.ShowHelp = true;
        a.WideTitle = QStringLiteral("wt");
        a.Picture()->ReadData(encode(sample(2, 2), "PNG"));
        b.Assign(&a);
        QCOMPARE(b.Title, a.Title);
        QCOMPARE(b.Notes, a.Notes);
        QVERIFY(b.ShowHelp);
        QCOMPARE(b.WideTitle, a.WideTitle);
        QCOMPARE(b.Picture()->Data(), a.Picture()->Data());
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"

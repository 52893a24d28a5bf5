// Reads the input as the bytes of a button picture: its size, the drawn image (a bitmap's
// bottom-left colour made transparent) and drawing it rotated into a small canvas. The bytes
// are kept exactly, and an empty picture is one without a size.
#include "FuzzSupport.h"

#include "controls/styled/GDIPicture.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    static int argc = 1;
    static char name[] = "fuzz_picture";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    pex::TGDIPPicture picture;
    picture.ReadData(bytes);
    fuzz::check(picture.Data() == bytes, "the bytes are not kept");
    fuzz::check(picture.Empty() == (picture.Width() == 0 || picture.Height() == 0),
                "an empty picture with a size, or a sized one that is empty");

    QByteArray saved;
    QBuffer out(&saved);
    out.open(QIODevice::WriteOnly);
    picture.SaveToStream(&out);
    fuzz::check(saved == bytes, "saving changes the bytes");

    const QImage drawn = picture.DrawnImage();
    fuzz::check(drawn.isNull() == picture.Empty(), "a drawn image for an empty picture");
    if (!drawn.isNull())
        fuzz::check(drawn.size() == QSize(picture.Width(), picture.Height()),
                    "the drawn image has another size");

    QImage canvas(24, 24, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    picture.Draw(painter, QRect(2, 2, 20, 20));
    picture.setRotation(size % 360);
    picture.Draw(painter, QRect(0, 4, 24, 16));
    painter.end();
    return 0;
}

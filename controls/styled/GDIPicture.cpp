#include "controls/styled/GDIPicture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace pex {

TGDIPPicture::TGDIPPicture(QObject* parent) : QObject(parent) {}

void TGDIPPicture::setBytes(const QByteArray& bytes)
{
    m_data = bytes;
    m_image = QImage();
    m_isBitmap = false;
    if (m_data.isEmpty())
        return;
    QBuffer buffer(&m_data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    m_isBitmap = reader.format() == "bmp";
    QImage image;
    if (reader.read(&image))
        m_image = image.convertToFormat(QImage::Format_ARGB32);
}

void TGDIPPicture::Assign(const TGDIPPicture* source)
{
    if (!source) {
        setBytes({});
        emit Changed();
        emit OnClear();
        return;
    }
    if (source == this)
        return;
    setBytes(source->m_data);
    emit Changed();
}

void TGDIPPicture::Assign(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.isNull())
        image.save(&buffer, "PNG");
    setBytes(bytes);
    emit Changed();
}

void TGDIPPicture::Assign(const QPixmap& pixmap)
{
    Assign(pixmap.toImage());
}

bool TGDIPPicture::LoadFromFile(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    setBytes(f.readAll());
    m_fileName = fileName;
    emit OnClear();
    emit Changed();
    return true;
}

void TGDIPPicture::LoadFromStream(QIODevice* stream)
{
    if (!stream)
        return;
    setBytes(stream->readAll());
    emit Changed();
}

void TGDIPPicture::ReadData(const QByteArray& bytes)
{
    setBytes(bytes);
}

void TGDIPPicture::SaveToStream(QIODevice* stream) const
{
    if (stream)
        stream->write(m_data);
}

QImage TGDIPPicture::DrawnImage() const
{
    if (Empty())
        return {};
    if (!(m_isBitmap && m_transparent))
        return m_image;
    QImage img = m_image;
    const QRgb key = img.pixel(0, img.height() - 1) | 0xFF000000u;
    for (int y = 0; y < img.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] | 0xFF000000u) == key)
                line[x] = 0;
    }
    return img;
}

void TGDIPPicture::Draw(QPainter& painter, const QRect& rect) const
{
    if (Empty() || rect.isEmpty())
        return;
    painter.save();
    // A bitmap stretches pixel for pixel, as a bitmap blit does; other images are smoothed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !m_isBitmap);
    if (m_rotation != 0 && !(m_isBitmap && m_transparent)) {
        const QPointF c = QRectF(rect).center();
        painter.translate(c);
        painter.rotate(m_rotation);
        painter.translate(-c);
    }
    painter.drawImage(rect, DrawnImage());
    painter.restore();
}

} // namespace pex

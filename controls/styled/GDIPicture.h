#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>

class QIODevice;
class QPainter;
class QPixmap;
class QRect;

namespace pex {

// A picture that keeps the bytes of an image file exactly as they were loaded and draws them.
// Bytes that do not decode make an empty picture (0 x 0) that draws nothing; they are still
// kept and saved unchanged.
class TGDIPPicture : public QObject
{
    Q_OBJECT

public:
    explicit TGDIPPicture(QObject* parent = nullptr);

    // Copies the bytes of another picture; nullptr clears (Changed, then OnClear).
    void Assign(const TGDIPPicture* source);
    // Takes a bitmap as PNG bytes.
    void Assign(const QImage& image);
    void Assign(const QPixmap& pixmap);

    // The whole file; false (and nothing changed) when it cannot be read.
    bool LoadFromFile(const QString& fileName);
    // The rest of the stream; nothing happens for a missing stream.
    void LoadFromStream(QIODevice* stream);
    // The stored form: the image file's bytes, taken without notifications.
    void ReadData(const QByteArray& bytes);
    void SaveToStream(QIODevice* stream) const;
    const QByteArray& Data() const { return m_data; }

    bool Empty() const { return m_data.isEmpty() || m_image.isNull(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    QString FileName() const { return m_fileName; }
    // Whether the file is a BMP.
    bool IsBitmap() const { return m_isBitmap; }

    // A BMP is drawn with the colour of its bottom-left pixel transparent while this is on.
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on) { m_transparent = on; }
    // Degrees, about the centre of the target rectangle.
    double Rotation() const { return m_rotation; }
    void setRotation(double degrees) { m_rotation = degrees; }

    // Scaled into the rectangle; nothing for an empty picture.
    void Draw(QPainter& painter, const QRect& rect) const;
    // The image as it is drawn (transparent colour applied); null when empty.
    QImage DrawnImage() const;

signals:
    void Changed();
    void OnClear();

private:
    void setBytes(const QByteArray& bytes);

    QByteArray m_data;
    QImage m_image;
    bool m_isBitmap = false;
    bool m_transparent = true;
    double m_rotation = 0;
    QString m_fileName;
};

} // namespace pex

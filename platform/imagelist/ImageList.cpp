#include "platform/imagelist/ImageList.h"

#include <QAction>
#include <QPainter>

namespace {

// Where an action keeps its image index: Qt's actions have no such field of their own.
constexpr const char* kImageIndex = "ImageIndex";

} // namespace

TImageList::TImageList(int Width, int Height, QObject* Parent)
    : QObject(Parent), FWidth(qMax(1, Width)), FHeight(qMax(1, Height))
{}

QImage TImageList::Fit(const QImage& Image) const
{
    QImage img = Image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (img.width() != FWidth || img.height() != FHeight)
        img = img.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return img;
}

int TImageList::Add(const QImage& Image)
{
    FImages.append(Image.isNull() ? QImage() : Fit(Image));
    if (FImages.last().isNull()) {
        // An empty slot keeps the numbering of the images after it.
        QImage blank(FWidth, FHeight, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::transparent);
        FImages.last() = blank;
    }
    emit Changed();
    return Count() - 1;
}

int TImageList::AddFromFile(const QString& FileName)
{
    const QImage img(FileName);
    if (img.isNull())
        return -1;
    return Add(img);
}

void TImageList::Replace(int Index, const QImage& Image)
{
    if (!HasImage(Index) || Image.isNull())
        return;
    FImages[Index] = Fit(Image);
    emit Changed();
}

void TImageList::Delete(int Index)
{
    if (!HasImage(Index))
        return;
    FImages.removeAt(Index);
    emit Changed();
}

void TImageList::Clear()
{
    if (FImages.isEmpty())
        return;
    FImages.clear();
    emit Changed();
}

QImage TImageList::Image(int Index) const
{
    return HasImage(Index) ? FImages.at(Index) : QImage();
}

void TImageList::Draw(QPainter& Painter, int X, int Y, int Index, bool Enabled) const
{
    if (!HasImage(Index))
        return;
    Painter.drawImage(QPoint(X, Y), Enabled ? FImages.at(Index) : Desaturated(FImages.at(Index)));
}

QImage TImageList::Desaturated(const QImage& Image)
{
    QImage img = Image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int g = qGray(line[x]);
            line[x] = qRgba(g, g, g, qAlpha(line[x]));
        }
    }
    return img;
}

TActionList::TActionList(QObject* Parent) : QObject(Parent) {}

void TActionList::SetImages(TImageList* Images)
{
    if (FImages == Images)
        return;
    FImages = Images;
    emit ImagesChanged();
}

TImageList* TActionList::ImagesOf(const QAction* Action)
{
    const auto* list = Action ? qobject_cast<const TActionList*>(Action->parent()) : nullptr;
    return list ? list->Images() : nullptr;
}

int TActionList::ImageIndex(const QAction* Action)
{
    if (!Action)
        return -1;
    const QVariant v = Action->property(kImageIndex);
    return v.isValid() ? v.toInt() : -1;
}

void TActionList::SetImageIndex(QAction* Action, int Index)
{
    if (Action && ImageIndex(Action) != Index)
        Action->setProperty(kImageIndex, Index);
}

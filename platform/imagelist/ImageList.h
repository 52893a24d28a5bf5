#pragma once
// Image lists: numbered images of one size for buttons and actions, and the action list that
// hands its actions one such list.

#include <QImage>
#include <QObject>
#include <QPointer>

class QAction;
class QPainter;

// Images of one size, added from images, image files or resources; an image of another size
// is scaled to the list's. Every change is told through Changed.
class TImageList : public QObject
{
    Q_OBJECT

public:
    explicit TImageList(int Width = 16, int Height = 16, QObject* Parent = nullptr);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }
    bool HasImage(int Index) const { return Index >= 0 && Index < Count(); }

    // The index of the new image.
    int Add(const QImage& Image);
    // A file or a resource (":/..."); -1, and nothing added, when it cannot be read.
    int AddFromFile(const QString& FileName);
    void Replace(int Index, const QImage& Image);
    void Delete(int Index);
    void Clear();

    // Null outside the list.
    QImage Image(int Index) const;
    // At X, Y in the list's size; a disabled image is drawn without its colours.
    void Draw(QPainter& Painter, int X, int Y, int Index, bool Enabled = true) const;
    // The same pixels in grey, each at its own lightness, transparency kept.
    static QImage Desaturated(const QImage& Image);

signals:
    void Changed();

private:
    QImage Fit(const QImage& Image) const;

    int FWidth;
    int FHeight;
    QList<QImage> FImages;
};

// The owner of actions that gives them their images: an action's image is the image of its
// list at the action's image index.
class TActionList : public QObject
{
    Q_OBJECT

public:
    explicit TActionList(QObject* Parent = nullptr);

    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* Images);

    // The list that the action's owner gives, or none.
    static TImageList* ImagesOf(const QAction* Action);
    // The action's index into that list; -1 when it has none.
    static int ImageIndex(const QAction* Action);
    static void SetImageIndex(QAction* Action, int Index);

signals:
    void ImagesChanged();

private:
    QPointer<TImageList> FImages;
};

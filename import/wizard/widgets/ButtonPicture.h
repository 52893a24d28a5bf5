#pragma once
// The wizard's pictures on its buttons: a small box over a button that draws the button's
// image from the wizard's image list, its enabled or its disabled one, and sinks one pixel
// while the button is held down.

#include <QPointer>
#include <QWidget>

class QAbstractButton;
class TImageList;

// The wizard's own images, 16 x 16, drawn by the program itself: 4 add, 6 remove, 7 clear,
// 9 auto fill, and each one's disabled look eight places on.
const TImageList& ilWizard();

class TButtonPicture : public QWidget
{
    Q_OBJECT

public:
    // Stands over Button (a sibling above it) where the button's style puts an icon, beside
    // the caption.
    TButtonPicture(QAbstractButton* Button, const TImageList& Images, int EnabledIndex,
                   int DisabledIndex);

    int ImageIndex() const;

protected:
    void paintEvent(QPaintEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Place();
    // The button, or null once it is gone or being destroyed (its button part already ended).
    QAbstractButton* Button() const;

    // Held as a plain object: the button is only looked at as one while it still is one.
    QPointer<QObject> FButton;
    const TImageList& FImages;
    int FEnabledIndex;
    int FDisabledIndex;
    bool FSunk = false;
};

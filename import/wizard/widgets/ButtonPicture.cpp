#include "import/wizard/widgets/ButtonPicture.h"

#include "platform/imagelist/ImageList.h"

#include <QAbstractButton>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

enum class Glyph { Plus, Minus, Cross, Forward };

QImage drawGlyph(Glyph g, QColor ink)
{
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(ink, 3, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    switch (g) {
    case Glyph::Plus:
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    case Glyph::Minus:
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    case Glyph::Cross:
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case Glyph::Forward: {
        // Two arrow heads: fill the rest in one go.
        pen.setWidthF(2.5);
        p.setPen(pen);
        for (double x : {2.0, 8.0}) {
            QPainterPath head;
            head.moveTo(x, 3);
            head.lineTo(x + 5, 8);
            head.lineTo(x, 13);
            p.drawPath(head);
        }
        break;
    }
    }
    return img;
}

TImageList* makeWizardImages()
{
    auto* list = new TImageList(16, 16);
    list->setObjectName(QStringLiteral("ilWizard"));
    const QColor grey(0xA0, 0xA0, 0xA0);
    const struct
    {
        int index;
        Glyph glyph;
        QColor ink;
    } pictures[] = {
        {4, Glyph::Plus, QColor(0x1E, 0x8C, 0x2D)},
        {6, Glyph::Minus, QColor(0xC0, 0x28, 0x28)},
        {7, Glyph::Cross, QColor(0x50, 0x50, 0x50)},
        {9, Glyph::Forward, QColor(0x1E, 0x5A, 0xC8)},
    };
    for (int i = 0; i < 18; ++i)
        list->Add(QImage()); // an empty place keeps the numbers of the pictures
    for (const auto& pic : pictures) {
        list->Replace(pic.index, drawGlyph(pic.glyph, pic.ink));
        list->Replace(pic.index + 8, drawGlyph(pic.glyph, grey));
    }
    return list;
}

} // namespace

const TImageList& ilWizard()
{
    static const TImageList* list = makeWizardImages();
    return *list;
}

TButtonPicture::TButtonPicture(QAbstractButton* Button, const TImageList& Images, int EnabledIndex,
                               int DisabledIndex)
    : QWidget(Button->parentWidget()), FButton(Button), FImages(Images),
      FEnabledIndex(EnabledIndex), FDisabledIndex(DisabledIndex)
{
    // Clicks go through to the button underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(Button, &QAbstractButton::pressed, this, [this] {
        FSunk = true;
        Place();
    });
    connect(Button, &QAbstractButton::released, this, [this] {
        FSunk = false;
        Place();
    });
    Button->installEventFilter(this);
    if (Button->icon().isNull()) {
        // A clear icon of the picture's size makes the button lay its caption out beside the
        // picture instead of under it.
        QPixmap clear(Images.Width(), Images.Height());
        clear.fill(Qt::transparent);
        Button->setIcon(QIcon(clear));
        Button->setIconSize(clear.size());
    }
    Place();
}

int TButtonPicture::ImageIndex() const
{
    const QAbstractButton* button = Button();
    return button && button->isEnabled() ? FEnabledIndex : FDisabledIndex;
}

QAbstractButton* TButtonPicture::Button() const
{
    // qobject_cast asks the object what it is now: a button whose destructor has run as far as
    // its widget part is no button any more, where a static cast would take it for one.
    return qobject_cast<QAbstractButton*>(FButton.data());
}

void TButtonPicture::Place()
{
    QAbstractButton* button = Button();
    if (!button)
        return;
    const QRect b = button->geometry();
    const int side = FImages.Height();
    const int sink = FSunk ? 1 : 0;
    // Where the button's style puts its icon: icon, a gap of 4 and the caption, centred in
    // the contents.
    int left = 4;
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        QStyleOptionButton opt;
        opt.initFrom(push);
        opt.text = push->text();
        const QRect contents =
            push->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, push);
        QString caption = push->text();
        caption.remove(u'&');
        const int label = FImages.Width() + 4 + push->fontMetrics().horizontalAdvance(caption);
        left = qMax(2, contents.left() + (contents.width() - label) / 2);
    }
    setGeometry(b.left() + left + sink, b.top() + (b.height() - side) / 2 + sink, FImages.Width(),
                side);
    setVisible(button->isVisibleTo(parentWidget()));
    raise();
}

bool TButtonPicture::eventFilter(QObject* Watched, QEvent* Event)
{
    // Compared as objects: the button may be in its destructor here.
    if (Watched == FButton.data()) {
        switch (Event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::FontChange:
            Place();
            break;
        case QEvent::EnabledChange:
            update();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void TButtonPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    FImages.Draw(p, 0, 0, ImageIndex());
}

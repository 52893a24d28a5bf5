#include "controls/styled/PexGlowButton.h"

#include <QPainter>

namespace pex {

// ---------------------------------------------------------------------------------------------
// Image lists: the button's own three, or its action's, and the picture drawn from them

void TPexGlowButton::linkList(QPointer<TImageList>& slot, TImageList* list)
{
    if (slot == list)
        return;
    if (slot)
        slot->disconnect(this);
    slot = list;
    if (list) {
        connect(list, &TImageList::Changed, this, &TPexGlowButton::afterPictureChange);
        // The pointer clears itself; the button still has to re-measure and redraw.
        connect(list, &QObject::destroyed, this, &TPexGlowButton::afterPictureChange,
                Qt::QueuedConnection);
    }
    requestResize();
    update();
}

void TPexGlowButton::setImages(TImageList* list)
{
    linkList(m_images, list);
}

void TPexGlowButton::setHotImages(TImageList* list)
{
    linkList(m_hotImages, list);
}

void TPexGlowButton::setDisabledImages(TImageList* list)
{
    linkList(m_disabledImages, list);
}

QSize TPexGlowButton::Glyph::natural() const
{
    if (list)
        return {list->Width(), list->Height()};
    if (picture)
        return {picture->Width(), picture->Height()};
    return {};
}

void TPexGlowButton::Glyph::draw(QPainter& p, const QRect& r) const
{
    if (picture) {
        picture->Draw(p, r);
        return;
    }
    if (!list)
        return;
    const QImage img = list->Image(index);
    p.drawImage(r, grey ? TImageList::Desaturated(img) : img);
}

TPexGlowButton::Glyph TPexGlowButton::currentPicture() const
{
    auto fromList = [this](const TImageList* list, int index, bool grey) -> Glyph {
        if (list && list->HasImage(index))
            return {nullptr, list, index, grey};
        return {};
    };
    auto fromPicture = [](const TGDIPPicture* pic) -> Glyph {
        return pic->Empty() ? Glyph{} : Glyph{pic};
    };
    const bool disabled = !isEnabled() || m_drawState == dsDisabled;
    Glyph g;
    if (disabled) {
        g = fromList(m_disabledImages, m_imageIndex, false);
        if (g.isEmpty())
            g = fromPicture(m_disabledPicture);
    } else if (m_hot) {
        g = fromList(m_hotImages, m_imageIndex, false);
        if (g.isEmpty())
            g = fromPicture(m_hotPicture);
    }
    if (g.isEmpty() && !disabled &&
        (m_drawState == dsDown || (m_drawState == dsExclusive && m_down)))
        g = fromPicture(m_downPicture);
    if (!g.isEmpty())
        return g;
    // The normal images: the action's own, or the button's list, greyed while disabled.
    if (m_imageListType == ipActionList && Action()) {
        g = fromList(TActionList::ImagesOf(Action()), TActionList::ImageIndex(Action()), disabled);
        if (!g.isEmpty())
            return g;
    }
    g = fromList(m_images, m_imageIndex, disabled);
    return g.isEmpty() ? fromPicture(m_picture) : g;
}

} // namespace pex

#include "controls/styled/PexGlowButton.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QHash>

namespace pex {

// ---------------------------------------------------------------------------------------------
// Action link

namespace {

// Buttons know groups by number; each action group gets one of its own.
QHash<const QActionGroup*, int>& groupNumbers()
{
    static QHash<const QActionGroup*, int> numbers;
    return numbers;
}

} // namespace

TPexGlowButtonActionLink::TPexGlowButtonActionLink(TPexGlowButton* Client, QAction* Action)
    : QObject(Client), FClient(Client), FAction(Action)
{
    connect(Action, &QAction::changed, this, [this] { Update(true); });
    // The image index is kept on the action as a property, which tells through an event.
    Action->installEventFilter(this);
    connect(Action, &QObject::destroyed, this, [this] { FClient->update(); });
}

int TPexGlowButtonActionLink::GroupIndexOf(const QActionGroup* Group)
{
    if (!Group)
        return 0;
    auto& numbers = groupNumbers();
    auto it = numbers.find(Group);
    if (it != numbers.end())
        return *it;
    // Far above what a form would number its own groups.
    static int next = 0x10000;
    const int n = next++;
    numbers.insert(Group, n);
    connect(Group, &QObject::destroyed, [Group] { groupNumbers().remove(Group); });
    return n;
}

bool TPexGlowButtonActionLink::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FAction && Event->type() == QEvent::DynamicPropertyChange)
        Update(true);
    return QObject::eventFilter(Watched, Event);
}

void TPexGlowButtonActionLink::Update(bool fromAction)
{
    QAction* a = FAction;
    if (!a)
        return;
    TPexGlowButton* b = FClient;
    b->setText(a->text());
    b->setEnabled(a->isEnabled());
    b->setToolTip(a->toolTip());
    b->setWhatsThis(a->whatsThis());
    if (fromAction || b->GroupIndex() == 0)
        b->setGroupIndex(GroupIndexOf(a->actionGroup()));
    if (TActionList::ImagesOf(a))
        b->setImageIndex(TActionList::ImageIndex(a));
    b->followChecked(a->isChecked());
    // A button of its own is no window: it is only ever hidden here.
    if (b->isHidden() == a->isVisible() && (b->parentWidget() || !a->isVisible()))
        b->setVisible(a->isVisible());
    if (b->AutoSize())
        b->requestResize();
    b->update();
}

QAction* TPexGlowButton::Action() const
{
    return m_actionLink ? m_actionLink->Action() : nullptr;
}

void TPexGlowButton::setAction(QAction* action)
{
    if (action == Action())
        return;
    delete m_actionLink;
    m_actionLink = nullptr;
    if (action) {
        m_actionLink = new TPexGlowButtonActionLink(this, action);
        m_actionLink->Update(false);
    }
    update();
}

void TPexGlowButton::followChecked(bool checked)
{
    if (checked == m_down)
        return;
    if (!checked && m_style == bsButton && m_groupIndex > 0) {
        // The action group already chose another: this one goes up whatever AllowAllUp says.
        m_down = false;
        m_drawState = dsUp;
        update();
        return;
    }
    setDown(checked);
}

} // namespace pex

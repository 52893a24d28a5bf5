#include "controls/styled/PexGlowButton.h"

#include <QAction>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <cmath>

namespace pex {

// ---------------------------------------------------------------------------------------------
// Mouse

bool TPexGlowButton::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

int TPexGlowButton::GetDropDownWidth() const
{
    return int(std::lround(m_dropDownWidth * GetFormScaleFactor(this)));
}

bool TPexGlowButton::dropDownInUse() const
{
    return m_dropDownButton;
}

bool TPexGlowButton::wholeButtonDropDown() const
{
    return m_dropDownButton && !m_dropDownSplit && m_style == bsButton && m_groupIndex == 0;
}

bool TPexGlowButton::overDropDownPart(const QPoint& pos) const
{
    if (!m_dropDownButton)
        return false;
    if (m_dropDownPosition == dpRight)
        return pos.x() > width() - GetDropDownWidth();
    return pos.y() > height() - GetDropDownWidth();
}

void TPexGlowButton::mousePressEvent(QMouseEvent* e)
{
    m_downAtPress = m_down;
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    e->accept();
    if (m_repeatClick) {
        if (!m_repeatTimer) {
            m_repeatTimer = new QTimer(this);
            connect(m_repeatTimer, &QTimer::timeout, this, &TPexGlowButton::TimerExpired);
        }
        m_repeatTimer->setInterval(m_initRepeatPause);
        m_repeatTimer->start();
    }
    m_pressed = true;
    m_mouseDownOnButton = true;
    if (TabStop())
        setFocus(Qt::MouseFocusReason);
    startFadeTimer();
    m_fadeStep = 20;
    m_fadeKind = fkDown;

    const bool onPart = overDropDownPart(e->position().toPoint());
    if (!(onPart && m_dropDownSplit && m_dropDownButton) &&
        (!m_dropDownButton || m_dropDownSplit || m_style == bsCheck || m_groupIndex > 0)) {
        if (!m_down) {
            m_drawState = dsDown;
            update();
        }
        if (m_style == bsCheck) {
            m_drawState = dsDown;
            repaint();
        }
        m_pressingWithMouse = true;
        m_clickArmed = true;
        emit pressed();
        return;
    }
    m_clickArmed = false;
    DoDropDown();
}

void TPexGlowButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    e->accept();
    // The repeat stops with the release, so the next press starts from the first pause.
    stopRepeat();
    const QPoint pos = e->position().toPoint();
    const bool inside = rect().contains(pos);
    m_fadeStep = -10;
    if (inside && m_style == bsButton && m_groupIndex == 0 && m_pressed) {
        // The pressed look fades into the hot one from wherever the press had got to; a
        // quick click must not hold the full pressed colour and then jump.
        m_fadeKind = fkDown;
        m_hot = true;
        m_mouseInside = true;
        startFadeTimer();
        if (!m_fadeTimer)
            m_pressed = false;
    } else if (inside) {
        m_downPercent = 100;
        m_fadeKind = fkHot;
        m_hot = true;
        m_mouseInside = true;
    } else {
        m_downPercent = 100;
        m_fadeKind = fkNone;
        m_hot = false;
        m_mouseInside = false;
        m_mouseDownOnButton = false;
        m_overDropDown = false;
    }
    m_mouseDownOnButton = false;
    m_pressedAtLeave = false;

    if (m_style == bsCheck && inside) {
        // With an action the click below may already have set Down through Checked.
        if (!Action() || m_down == m_downAtPress)
            setDown(!m_down);
        m_downPercent = 0;
    }

    if (!wholeButtonDropDown() && m_pressingWithMouse) {
        m_pressingWithMouse = false;
        const bool in = pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
        if (m_groupIndex > 0) {
            if (in) {
                setDown(!m_down);
            } else if (m_down) {
                m_drawState = dsExclusive;
            }
        } else {
            m_drawState = (m_style == bsCheck && m_down) ? dsDown : dsUp;
        }
        update();
        checkMousePosition(pos);
    }

    const bool armed = m_clickArmed;
    m_clickArmed = false;
    emit released();
    if (armed && inside && !m_dropDownOpen)
        Click();
    update();
}

void TPexGlowButton::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    const QPoint pos = e->position().toPoint();
    checkMousePosition(pos);
    const bool over = overDropDownPart(pos) && rect().contains(pos);
    if (over != m_overDropDown) {
        m_overDropDown = over;
        update();
    }
    if (m_pressingWithMouse) {
        int state = m_down ? dsExclusive : dsUp;
        if (rect().contains(pos))
            state = m_down ? dsExclusive : dsDown;
        if (m_style == bsCheck && m_down)
            state = dsDown;
        if (state != m_drawState) {
            m_drawState = state;
            update();
        }
    }
}

void TPexGlowButton::checkMousePosition(const QPoint& pos)
{
    if (!isVisible())
        return;
    const bool notUnder = !rect().contains(pos);
    if (notUnder == m_notUnderCursor)
        return;
    m_notUnderCursor = notUnder;
    if (notUnder)
        MouseLeaveNotice();
    else
        MouseEnterNotice();
}

void TPexGlowButton::enterEvent(QEnterEvent* e)
{
    QWidget::enterEvent(e);
    m_notUnderCursor = false;
    MouseEnterNotice();
}

void TPexGlowButton::leaveEvent(QEvent* e)
{
    QWidget::leaveEvent(e);
    m_notUnderCursor = true;
    MouseLeaveNotice();
}

// ---------------------------------------------------------------------------------------------
// Drop-down

QPoint TPexGlowButton::DropDownPoint() const
{
    QPoint p;
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    if (m_dropDownDirection == ddRight)
        p = QPoint(rtl ? 0 : width(), 0);
    else
        p = QPoint(rtl ? width() : 0, height());
    return mapToGlobal(p);
}

void TPexGlowButton::DoDropDown()
{
    if (OnDropDown)
        OnDropDown(this);
    if (!m_dropDownMenu)
        return;
    m_pressed = !m_dropDownSplit;
    m_dropDownOpen = true;
    update();
    connect(m_dropDownMenu, &QMenu::aboutToHide, this, &TPexGlowButton::dropDownClosed,
            Qt::SingleShotConnection);
    m_dropDownMenu->popup(DropDownPoint());
}

void TPexGlowButton::dropDownClosed()
{
    m_pressed = false;
    m_dropDownOpen = false;
    m_hot = false;
    m_mouseInside = false;
    m_overDropDown = false;
    m_pressingWithMouse = false;
    if (m_drawState == dsDown && !m_down)
        m_drawState = dsUp;
    update();
}

// ---------------------------------------------------------------------------------------------
// Keyboard

namespace {

bool isClickKey(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

void TPexGlowButton::keyPressEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (isClickKey(key) && e->isAutoRepeat()) {
        // A held key clicks once.
        e->accept();
        return;
    }
    m_keyDownOnButton = true;
    if (key == Qt::Key_F4 && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        e->accept();
        if (m_dropDownButton && m_dropDownMenu) {
            m_drawState = dsDown;
            DoDropDown();
        }
        return;
    }
    if (!isClickKey(key)) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    if (m_groupIndex == 0)
        m_pressed = true;
    repaint();
    if (m_groupIndex == 0)
        Click();
}

void TPexGlowButton::keyReleaseEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (e->isAutoRepeat()) {
        e->accept();
        return;
    }
    if (!isClickKey(key)) {
        m_keyDownOnButton = false;
        update();
        QWidget::keyReleaseEvent(e);
        return;
    }
    e->accept();
    if (m_keyDownOnButton) {
        if (m_groupIndex > 0) {
            setDown(!m_down);
            m_drawState = m_down ? dsExclusive : dsUp;
            Click();
        } else {
            m_pressed = false;
            m_drawState = (m_style == bsCheck && m_down) ? dsDown : dsUp;
        }
    }
    m_keyDownOnButton = false;
    update();
}

bool TPexGlowButton::canFocusChain() const
{
    return isVisible() && isEnabled();
}

void TPexGlowButton::keyboardClick()
{
    if (m_dropDownButton && !m_dropDownSplit) {
        DoDropDown();
        return;
    }
    if (m_style == bsCheck)
        setDown(!m_down);
    Click();
}

void TPexGlowButton::watchWindow()
{
    QWidget* w = window();
    if (w == this || w == m_watchedWindow)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = w;
    if (w)
        w->installEventFilter(this);
}

bool TPexGlowButton::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_watchedWindow && e->type() == QEvent::KeyPress && (m_default || m_cancel)) {
        auto* k = static_cast<QKeyEvent*>(e);
        const bool plain = (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        const bool esc = k->key() == Qt::Key_Escape;
        if (plain && canFocusChain() && ((enter && m_activeDefault) || (esc && m_cancel))) {
            if (k->isAutoRepeat())
                return true;
            if (enter && m_groupIndex > 0) {
                setDown(!m_down);
                m_drawState = m_down ? dsExclusive : dsUp;
            } else {
                m_drawState = dsUp;
            }
            keyboardClick();
            return true;
        }
    }
    return QPushButton::eventFilter(watched, e);
}

void TPexGlowButton::onFocusChanged(QWidget*, QWidget* now)
{
    if (!now || now->window() != window())
        return;
    if (now == this)
        m_activeDefault = true;
    else if (!qobject_cast<TPexGlowButton*>(now))
        m_activeDefault = m_default;
    else
        m_activeDefault = false;
}

void TPexGlowButton::focusInEvent(QFocusEvent* e)
{
    m_focused = true;
    QPushButton::focusInEvent(e);
}

void TPexGlowButton::focusOutEvent(QFocusEvent* e)
{
    m_focused = false;
    QPushButton::focusOutEvent(e);
}

bool TPexGlowButton::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::Shortcut:
        // The caption's accelerator.
        if (canFocusChain()) {
            if (m_dropDownButton && !m_dropDownSplit)
                DoDropDown();
            else
                Click();
        }
        return true;
    case QEvent::ParentChange:
        if (m_default || m_cancel)
            watchWindow();
        break;
    default:
        break;
    }
    return QPushButton::event(e);
}

void TPexGlowButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange) {
        m_pressed = false;
        m_drawState = dsDisabled;
        if (!isEnabled())
            stopRepeat();
        update();
    } else if (e->type() == QEvent::FontChange) {
        requestResize();
    }
    QPushButton::changeEvent(e);
}

void TPexGlowButton::showEvent(QShowEvent* e)
{
    if (m_default || m_cancel)
        watchWindow();
    updateHintShortcut();
    QPushButton::showEvent(e);
}

void TPexGlowButton::Click()
{
    const QPointer<TPexGlowButton> guard(this);
    emit clicked(false);
    if (!guard)
        return;
    if (QAction* action = Action()) {
        action->trigger();
        if (!guard)
            return;
    }
    if (m_modalResult == 0)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(window()))
        dialog->done(m_modalResult);
}

} // namespace pex

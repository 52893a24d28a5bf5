#pragma once

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

// Mouse and key events sent straight to a widget, so that tests need no window manager and
// no waiting.
namespace events {

inline void enter(QWidget* w, QPoint pos)
{
    QEnterEvent e(pos, w->mapToGlobal(pos), w->mapToGlobal(pos));
    QApplication::sendEvent(w, &e);
}

inline void leave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

inline void mouse(QWidget* w, QEvent::Type type, QPoint pos,
                  Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                      ? Qt::MouseButtons()
                                      : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                  type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void press(QWidget* w, QPoint pos)
{
    mouse(w, QEvent::MouseButtonPress, pos);
}
inline void release(QWidget* w, QPoint pos)
{
    mouse(w, QEvent::MouseButtonRelease, pos);
}
inline void move(QWidget* w, QPoint pos)
{
    mouse(w, QEvent::MouseMove, pos);
}

inline void key(QWidget* w, QEvent::Type type, int key, bool autoRepeat = false,
                Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent e(type, key, mods, QString(), autoRepeat);
    QApplication::sendEvent(w, &e);
}

} // namespace events

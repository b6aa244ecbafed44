#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

namespace quillon::testing {

// Runs the event loop for a while, so that timers and posted events are handled.
inline void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Handles what is posted now, without waiting for timers.
inline void HandlePosted() {
    QCoreApplication::processEvents();
}

inline bool PressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                     const QString& text = QString(), bool autoRepeat = false) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text, autoRepeat);
    return QCoreApplication::sendEvent(target, &event);
}

inline bool ReleaseKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                       bool autoRepeat = false) {
    QKeyEvent event(QEvent::KeyRelease, key, modifiers, QString(), autoRepeat);
    return QCoreApplication::sendEvent(target, &event);
}

inline bool SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier, QPoint at = {5, 5}) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held, modifiers);
    return QCoreApplication::sendEvent(target, &event);
}

}  // namespace quillon::testing

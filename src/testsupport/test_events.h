#pragma once
// Synthetic input for the window tests: events sent straight to a widget, the way Qt delivers
// them, without a window system.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace varnel::test {

inline void SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint pos) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), button, held, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

inline void Press(QWidget* target, Qt::MouseButton button, QPoint pos) {
  SendMouse(target, QEvent::MouseButtonPress, button, pos);
}

inline void ClickAt(QWidget* target, Qt::MouseButton button, QPoint pos) {
  SendMouse(target, QEvent::MouseButtonPress, button, pos);
  SendMouse(target, QEvent::MouseButtonRelease, button, pos);
}

// Press, release, the second press (as Qt reports it) and release.
inline void DoubleClickAt(QWidget* target, Qt::MouseButton button, QPoint pos) {
  ClickAt(target, button, pos);
  SendMouse(target, QEvent::MouseButtonDblClick, button, pos);
  SendMouse(target, QEvent::MouseButtonRelease, button, pos);
}

inline void SendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent event(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(target, &event);
}

}  // namespace varnel::test

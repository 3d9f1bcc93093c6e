#pragma once
// Synthetic input for the window tests: events sent straight to a widget, the way Qt delivers
// them, without a window system.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <vector>

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

// A key pressed and released: a check box, like a button, acts on Space's release.
inline void TypeKey(QWidget* target, int key) {
  SendKey(target, key);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

// The focus arriving by the Tab key, as the window system reports it to an active window.
inline void SendTabFocusIn(QWidget* target) {
  QFocusEvent event(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(target, &event);
}

// A shortcut key (Ctrl+Z) as the user presses it on a control: its window shown and active, the
// key through Qt's shortcut map.
inline void PressShortcut(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* window = target->window();
  window->show();
  QApplication::setActiveWindow(window);
  QTest::keyClick(target, key, modifiers);
}

inline void SendKeys(QWidget* target, std::initializer_list<int> keys) {
  for (int key : keys) SendKey(target, key);
}

// The controls the Tab key visits from the window's focus, in order, until it comes back.
inline std::vector<QWidget*> TabVisits(QWidget* window) {
  std::vector<QWidget*> visits;
  QWidget* const start = window->focusWidget();
  for (int i = 0; i < 100 && window->focusWidget(); ++i) {
    SendKey(window->focusWidget(), Qt::Key_Tab);
    visits.push_back(window->focusWidget());
    if (window->focusWidget() == start) break;
  }
  return visits;
}

}  // namespace varnel::test

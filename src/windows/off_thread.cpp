#include "windows/off_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QWidget>
#include <thread>

#include "windows/ansi_text.h"

namespace varnel {
namespace {

// While the work runs, keyboard and mouse input and attempts to close a window are dropped: a
// click meant for the window as it was must not act on it afterwards, and a close would start
// the program's closing step, with its own writes, in the middle of this one.
class InputHold : public QObject {
 public:
  InputHold() { QCoreApplication::instance()->installEventFilter(this); }
  ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel: return true;
      case QEvent::Close: event->ignore(); return true;
      default: return false;
    }
  }
};

}  // namespace

Status RunOffWindowThread(QWidget* window, const std::string& doing, const std::function<Status()>& work) {
  const QString caption = window ? window->windowTitle() : QString();
  if (window) {
    window->setWindowTitle(caption + QStringLiteral(" - ") + FromAnsi(doing));
    window->setCursor(Qt::WaitCursor);
  }
  const InputHold hold;
  QEventLoop loop;
  Status result;
  std::thread worker([&] {
    result = work();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
  worker.join();
  if (window) {
    window->unsetCursor();
    window->setWindowTitle(caption);
  }
  return result;
}

}  // namespace varnel

#include "windows/off_thread.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <thread>

namespace varnel {
namespace {

class KeyCounter : public QWidget {
 public:
  int keys = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++keys; }
};

// The work runs on another thread while timers still fire and the caption says what is going
// on; a key pressed or a close meanwhile is dropped.
TEST(RunOffWindowThread, KeepsTheWindowThreadRunningButHoldsInputBack) {
  KeyCounter window;
  window.setWindowTitle("Varnel");
  window.show();
  std::atomic<bool> inputSent = false;  // the key and the close were handled by the window thread
  bool closed = true;
  QString captionDuring;
  QTimer::singleShot(0, &window, [&] {
    captionDuring = window.windowTitle();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&window, &key);
    closed = window.close();
    inputSent = true;
  });
  const std::thread::id windowThread = std::this_thread::get_id();
  std::thread::id workThread;
  int keysDuringWork = -1;
  const Status result = RunOffWindowThread(&window, "writing through Wine", [&] {
    workThread = std::this_thread::get_id();
    while (!inputSent) std::this_thread::yield();
    keysDuringWork = window.keys;
    return Status::Error(errc::kDeviceIo, "from the work");
  });
  EXPECT_EQ(result.message, "from the work");
  EXPECT_NE(workThread, windowThread);
  EXPECT_EQ(captionDuring, "Varnel - writing through Wine");
  EXPECT_EQ(window.windowTitle(), "Varnel");
  EXPECT_EQ(keysDuringWork, 0);
  EXPECT_FALSE(closed);
  EXPECT_TRUE(window.isVisible());
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(&window, &key);
  EXPECT_EQ(window.keys, 1);
}

}  // namespace
}  // namespace varnel

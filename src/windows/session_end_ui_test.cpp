#include "windows/session_end_ui.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>

namespace varnel {
namespace {

void ProcessEventsUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

TEST(SessionEndTest, ATerminationSignalRunsTheCloseStepOnceFromTheEventLoop) {
  int closes = 0;
  {
    SessionEndWatcher watcher([&closes] { ++closes; });
    std::raise(SIGTERM);
    EXPECT_EQ(closes, 0);  // not inside the signal handler
    ProcessEventsUntil([&] { return closes > 0; });
    EXPECT_EQ(closes, 1);
  }
  // The watcher is gone and the default handling back: the handler above no longer runs.
  struct sigaction current {};
  sigaction(SIGTERM, nullptr, &current);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
}

TEST(SessionEndTest, SignalsArrivingTogetherCloseOnce) {
  int closes = 0;
  SessionEndWatcher watcher([&closes] { ++closes; });
  std::raise(SIGHUP);
  std::raise(SIGINT);
  ProcessEventsUntil([&] { return closes > 0; });
  QCoreApplication::processEvents();
  EXPECT_EQ(closes, 1);
}

}  // namespace
}  // namespace varnel

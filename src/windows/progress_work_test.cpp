#include "windows/progress_work.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QWidget>
#include <thread>

namespace varnel {
namespace {

// The work runs off the window thread; what it reports moves the window's bar there, and the
// bar is gone with the work.
TEST(RunWithProgressBar, TheWorkReportsFromItsThreadAndTheBarFollowsOnTheWindowThread) {
  QWidget window;
  window.show();
  const std::thread::id windowThread = std::this_thread::get_id();
  int seenMaximum = -1;
  const Status status = RunWithProgressBar(&window, "reading the favorites", [&](const WorkProgress& progress) {
    EXPECT_NE(std::this_thread::get_id(), windowThread);
    for (std::size_t done = 0; done <= 256; ++done) progress(done, 256);
    // The bar's moves are the window thread's, in the order posted: a look queued after them
    // sees the last one.
    QMetaObject::invokeMethod(
        &window,
        [&] {
          if (auto* bar = window.findChild<QProgressDialog*>()) seenMaximum = bar->maximum();
        },
        Qt::BlockingQueuedConnection);
    return Status::Error(errc::kFileNotFound, "gone");
  });
  EXPECT_EQ(status.code, errc::kFileNotFound);  // the work's own result
  EXPECT_EQ(seenMaximum, 256);
  EXPECT_EQ(window.findChild<QProgressDialog*>(), nullptr);
}

}  // namespace
}  // namespace varnel

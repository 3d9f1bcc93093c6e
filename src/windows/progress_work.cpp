#include "windows/progress_work.h"

#include <QProgressDialog>

#include "windows/ansi_text.h"
#include "windows/off_thread.h"

namespace varnel {
namespace {

// The bar is shown when the work looks like lasting longer than this, and moved every so many
// entries, not on each.
constexpr int kShownAfterMilliseconds = 400;
constexpr std::size_t kStep = 64;

}  // namespace

Status RunWithProgressBar(QWidget* window, const std::string& doing,
                          const std::function<Status(const WorkProgress& progress)>& work) {
  QProgressDialog bar(FromAnsi(doing), QString(), 0, 0, window);
  bar.setWindowTitle(QStringLiteral("Varnel"));
  bar.setCancelButton(nullptr);  // the work is read only: it is let finish
  bar.setWindowModality(Qt::WindowModal);
  bar.setMinimumDuration(kShownAfterMilliseconds);
  bar.setAutoClose(false);
  bar.setValue(0);
  const WorkProgress progress = [&bar](std::size_t done, std::size_t total) {
    if (done % kStep != 0 && done != total) return;
    // On the window thread: a call still queued when the bar is gone is dropped with it.
    QMetaObject::invokeMethod(
        &bar,
        [&bar, done, total] {
          bar.setMaximum(static_cast<int>(total));  // 0: a bar that only moves
          if (total != 0) bar.setValue(static_cast<int>(done));
        },
        Qt::QueuedConnection);
  };
  return RunOffWindowThread(window, doing, [&] { return work(progress); });
}

}  // namespace varnel

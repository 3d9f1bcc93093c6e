#include "windows/session_end_ui.h"

#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <csignal>

namespace varnel {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
int wakePipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe the event loop watches.
void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t written = ::write(wakePipe[1], &byte, 1);
}

void RestoreDefaultHandling() {
  for (int signal : kSignals) std::signal(signal, SIG_DFL);
}

}  // namespace

SessionEndWatcher::SessionEndWatcher(std::function<void()> closeStep) : closeStep_(std::move(closeStep)) {
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::commitDataRequest, this, [this] { RunCloseStep(); });
  }
  if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(wakePipe[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    while (::read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
    RunCloseStep();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

SessionEndWatcher::~SessionEndWatcher() {
  if (!notifier_) return;
  RestoreDefaultHandling();
  notifier_.reset();
  ::close(wakePipe[0]);
  ::close(wakePipe[1]);
  wakePipe[0] = wakePipe[1] = -1;
}

void SessionEndWatcher::RunCloseStep() {
  if (ran_) return;
  ran_ = true;
  RestoreDefaultHandling();  // a second signal ends at once
  closeStep_();
}

}  // namespace varnel

#pragma once
// The end of the desktop session counts as closing the main window, so the remembered
// directories are stored then too: the session manager's request to save, and the termination
// signals a logout or shutdown sends (SIGTERM, SIGHUP, SIGINT), run the given close step once,
// from the event loop. Destroying the watcher restores the signals' default handling.
#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace varnel {

class SessionEndWatcher : public QObject {
  Q_OBJECT

 public:
  explicit SessionEndWatcher(std::function<void()> closeStep);
  ~SessionEndWatcher() override;

 private:
  void RunCloseStep();

  std::function<void()> closeStep_;
  bool ran_ = false;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace varnel

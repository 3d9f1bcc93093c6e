#include "winenv/write_watch.h"

#include <utility>

namespace varnel {
namespace {

thread_local WriteWatcher watcher;
thread_local bool watching = false;  // inside the watcher: its own writes are not watched

}  // namespace

WatchWrites::WatchWrites(WriteWatcher w) : previous_(watcher) {
  if (w) watcher = std::move(w);
}

WatchWrites::~WatchWrites() { watcher = std::move(previous_); }

Status WriteAboutToLand(const LandingWrite& write) {
  if (!watcher || watching) return Status::Ok();
  watching = true;
  const Status status = watcher(write);
  watching = false;
  return status;
}

}  // namespace varnel

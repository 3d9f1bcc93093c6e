#pragma once
// A look at every write right before it lands: a file's new contents about to be renamed into
// place, or the registry about to be saved (with its new values in memory). The change journal
// watches there to record what a change is about to make before it makes it, so that a change
// killed right after its write can be told from an outside edit. A watcher's failure stops the
// write. One watcher per thread; a write made by the watcher itself is not watched.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/status.h"

namespace varnel {

struct LandingWrite {
  std::string native;                             // the file, as its writer names it; "" for the registry
  const std::vector<std::string_view>* contents;  // a file's new contents; none for the registry
};

using WriteWatcher = std::function<Status(const LandingWrite& write)>;

// Watches this thread's writes while it lives (an empty watcher leaves the current one).
class WatchWrites {
 public:
  explicit WatchWrites(WriteWatcher watcher);
  ~WatchWrites();
  WatchWrites(const WatchWrites&) = delete;
  WatchWrites& operator=(const WatchWrites&) = delete;

 private:
  WriteWatcher previous_;
};

// Called by the writers right before the write lands.
[[nodiscard]] Status WriteAboutToLand(const LandingWrite& write);

}  // namespace varnel

#pragma once
// Keeping a wineserver from starting for a prefix while Varnel replaces its hive files. A
// starting server takes a lock on the file "lock" in the server folder of its prefix and ends at
// once when another holds it; the Wine program that started it then tries again a moment later,
// for some seconds, so a short hold only delays it. Without the hold, a server that starts
// between Varnel's look for one and the rename loads the old hive and writes it back when it ends.
//
// The server folder is where a Wine program of this environment would start one:
//  - Debian's Wine: /run/user/<uid>/wine/server-<device>-<inode> when /run/user/<uid> exists,
//    else <TMPDIR or /tmp>/<name>/server-..., <name> read from the prefix's file "wineserver";
//  - upstream Wine: /tmp/.wine-<uid>/server-..., where that folder exists.
// Missing folders are made as Wine makes them (private to the user). The hold is an open file
// description lock, which a server's lock conflicts with and which no other descriptor of this
// process can drop; a lock seen by its process id is a server's (see FindWineServer).
#include <string>
#include <vector>

namespace varnel {

// The server folders a wineserver for the prefix would work in, for this environment; with
// `make`, the folders they lie in are made when missing.
std::vector<std::string> ServerStartFolders(const std::string& prefix, bool make);

class WineStartBlock {
 public:
  WineStartBlock() = default;
  ~WineStartBlock() { Release(); }
  WineStartBlock(const WineStartBlock&) = delete;
  WineStartBlock& operator=(const WineStartBlock&) = delete;

  // Takes the lock in each of the prefix's server folders; false when a server holds one, that
  // is, one runs or is starting (nothing is held then). True at once while already held.
  bool Hold(const std::string& prefix);
  void Release();
  bool held() const { return held_; }

 private:
  std::vector<int> fds_;
  bool held_ = false;
};

}  // namespace varnel

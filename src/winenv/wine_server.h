#pragma once
// Finding the wineserver that serves a prefix. It works in a folder "server-<device>-<inode>"
// named after the prefix and keeps its "lock" file there locked. Upstream Wine puts that folder in
// /tmp/.wine-<uid>/; Debian's Wine puts it in a private "wine-XXXXXX" folder under the server's
// own TMPDIR, which need not be ours. Every Wine command run for the prefix must then be given
// that TMPDIR, or it would start a second server for the same prefix.
#include <optional>
#include <string>
#include <vector>

namespace varnel {

struct WineServer {
  std::string folder;                 // the server-<device>-<inode> folder
  std::optional<std::string> tmpdir;  // the TMPDIR its Wine commands need, when not the default
  // The environment settings for a Wine command on this prefix and server.
  std::vector<std::string> Environment(const std::string& prefix) const;
};

// "server-<device>-<inode>", the name of the prefix's server folder; "" when the prefix cannot be
// examined.
std::string ServerFolderName(const std::string& prefix);

// The wineserver serving the prefix now, if any: found by its locked lock file in a place where
// one starts for this environment (ServerStartFolders), else as a process of this user named
// wineserver* working in a server folder of the prefix's name (one started with another TMPDIR).
std::optional<WineServer> FindWineServer(const std::string& prefix);

// The same for many prefixes: the processes are looked at once, when made.
class WineServers {
 public:
  static WineServers Running();
  std::optional<WineServer> Serving(const std::string& prefix) const;

 private:
  std::vector<std::string> folders_;  // where each running wineserver of this user works
};

}  // namespace varnel

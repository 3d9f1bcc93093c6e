#include "winenv/wine_server.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>

#include "winenv/wine_start_block.h"

namespace varnel {
namespace {

// The target of a symbolic link, "" when it cannot be read.
std::string ReadLinkText(const std::string& link) {
  char target[4096];
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
  return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

// True when the wineserver lock file exists and a process holds a lock on it: a server's. The
// open file description lock with which Varnel keeps a server from starting has no process.
bool LockHeld(const std::string& lockPath) {
  int fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK && probe.l_pid > 0;
  ::close(fd);
  return locked;
}

// The working folders of the processes of this user named wineserver* that hold the server's
// lock there; with a `serverFolder` name, only the first that works in a folder of that name.
std::vector<std::string> ServerProcessFolders(const std::optional<std::string>& serverFolder) {
  std::vector<std::string> found;
  DIR* proc = ::opendir("/proc");
  if (!proc) return found;
  while (dirent* entry = ::readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    const std::string base = std::string("/proc/") + entry->d_name;
    const std::string exe = ReadLinkText(base + "/exe");  // another user's cannot be read
    const std::size_t exeName = exe.rfind('/');
    if (exeName == std::string::npos || exe.compare(exeName + 1, 10, "wineserver") != 0) continue;
    const std::string cwd = ReadLinkText(base + "/cwd");
    const std::size_t cwdName = cwd.rfind('/');
    if (cwdName == std::string::npos || (serverFolder && cwd.substr(cwdName + 1) != *serverFolder)) continue;
    if (!LockHeld(cwd + "/lock")) continue;
    found.push_back(cwd);
    if (serverFolder) break;
  }
  ::closedir(proc);
  return found;
}

// A server found working in `folder`: .../<TMPDIR>/wine-XXXXXX/server-..., the TMPDIR two levels up.
WineServer ServerWorkingIn(const std::string& folder) {
  const std::string parent = folder.substr(0, folder.rfind('/'));
  const std::size_t slash = parent.rfind('/');
  if (parent.compare(slash + 1, 5, "wine-") != 0) return WineServer{folder, std::nullopt};
  return WineServer{folder, slash == 0 ? std::string("/") : parent.substr(0, slash)};
}

// The server that holds the lock of a folder where one for the prefix starts in this environment.
// While it loads or saves the hives it works in the prefix, not in its folder.
std::optional<WineServer> ServerByLock(const std::string& prefix) {
  for (const std::string& folder : ServerStartFolders(prefix, false)) {
    if (LockHeld(folder + "/lock")) return ServerWorkingIn(folder);
  }
  return std::nullopt;
}

}  // namespace

std::string ServerFolderName(const std::string& prefix) {
  struct stat st {};
  if (::stat(prefix.c_str(), &st) != 0) return "";
  char server[96];
  std::snprintf(server, sizeof server, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return server;
}

std::vector<std::string> WineServer::Environment(const std::string& prefix) const {
  std::vector<std::string> settings = {"WINEPREFIX=" + prefix, "WINEDEBUG=-all"};
  if (tmpdir) settings.push_back("TMPDIR=" + *tmpdir);
  return settings;
}

std::optional<WineServer> FindWineServer(const std::string& prefix) {
  const std::string server = ServerFolderName(prefix);
  if (server.empty()) return std::nullopt;
  if (std::optional<WineServer> locked = ServerByLock(prefix)) return locked;
  const std::vector<std::string> folders = ServerProcessFolders(server);
  if (folders.empty()) return std::nullopt;
  return ServerWorkingIn(folders.front());
}

WineServers WineServers::Running() {
  WineServers servers;
  servers.folders_ = ServerProcessFolders(std::nullopt);
  return servers;
}

std::optional<WineServer> WineServers::Serving(const std::string& prefix) const {
  const std::string server = ServerFolderName(prefix);
  if (server.empty()) return std::nullopt;
  if (std::optional<WineServer> locked = ServerByLock(prefix)) return locked;
  for (const std::string& folder : folders_) {
    if (folder.substr(folder.rfind('/') + 1) == server) return ServerWorkingIn(folder);
  }
  return std::nullopt;
}

}  // namespace varnel

#include "winenv/wine_server.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>

namespace varnel {
namespace {

// The target of a symbolic link, "" when it cannot be read.
std::string ReadLinkText(const std::string& link) {
  char target[4096];
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
  return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

// True when the wineserver lock file exists and a process holds a lock on it.
bool LockHeld(const std::string& lockPath) {
  int fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  ::close(fd);
  return locked;
}

// The working folder of a process of this user named wineserver* that works in a folder of that
// name and holds the server's lock there.
std::optional<std::string> ServerProcessIn(const std::string& serverFolder) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* entry = ::readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    const std::string base = std::string("/proc/") + entry->d_name;
    const std::string exe = ReadLinkText(base + "/exe");  // another user's cannot be read
    const std::size_t exeName = exe.rfind('/');
    if (exeName == std::string::npos || exe.compare(exeName + 1, 10, "wineserver") != 0) continue;
    const std::string cwd = ReadLinkText(base + "/cwd");
    const std::size_t cwdName = cwd.rfind('/');
    if (cwdName == std::string::npos || cwd.substr(cwdName + 1) != serverFolder) continue;
    if (LockHeld(cwd + "/lock")) {
      found = cwd;
      break;
    }
  }
  ::closedir(proc);
  return found;
}

}  // namespace

std::vector<std::string> WineServer::Environment(const std::string& prefix) const {
  std::vector<std::string> settings = {"WINEPREFIX=" + prefix, "WINEDEBUG=-all"};
  if (tmpdir) settings.push_back("TMPDIR=" + *tmpdir);
  return settings;
}

std::optional<WineServer> FindWineServer(const std::string& prefix) {
  struct stat st {};
  if (::stat(prefix.c_str(), &st) != 0) return std::nullopt;
  char server[96];
  std::snprintf(server, sizeof server, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  const std::string classic = "/tmp/.wine-" + std::to_string(::getuid()) + "/" + server;
  if (LockHeld(classic + "/lock")) return WineServer{classic, std::nullopt};
  const std::optional<std::string> folder = ServerProcessIn(server);
  if (!folder) return std::nullopt;
  // .../<TMPDIR>/wine-XXXXXX/server-...: the TMPDIR is two levels up.
  const std::string parent = folder->substr(0, folder->rfind('/'));
  const std::size_t slash = parent.rfind('/');
  if (parent.compare(slash + 1, 5, "wine-") != 0) return WineServer{*folder, std::nullopt};
  return WineServer{*folder, slash == 0 ? std::string("/") : parent.substr(0, slash)};
}

}  // namespace varnel

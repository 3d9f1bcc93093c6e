#include "winenv/wine_start_block.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "winenv/wine_server.h"

namespace varnel {
namespace {

bool IsOurFolder(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

// Makes the folder when missing (with `make`), private to the user as Wine makes it; true when
// it is then a folder of ours (not a link).
bool PrivateFolder(const std::string& path, bool make = true) {
  if (make && ::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return IsOurFolder(path);
}

// The name Debian's Wine keeps in <prefix>/wineserver: its folder under TMPDIR; "" when there is
// none or it is not a plain name.
std::string TmpFolderNamed(const std::string& prefix) {
  const int fd = ::open((prefix + "/wineserver").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return "";
  char text[256];
  const ssize_t length = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (length <= 0) return "";
  std::string name(text, static_cast<std::size_t>(length));
  name = name.substr(0, name.find('\n'));
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return "";
  return name;
}

bool FolderOpens(const std::string& path) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  ::closedir(dir);
  return true;
}

// Debian's Wine: the folder holding server folders, made when missing; "" when it has none for
// this prefix.
std::string DebianServerRoot(const std::string& prefix, bool make) {
  const std::string runtime = "/run/user/" + std::to_string(::getuid());
  if (FolderOpens(runtime)) return PrivateFolder(runtime + "/wine", make) ? runtime + "/wine" : "";
  const std::string name = TmpFolderNamed(prefix);
  if (name.empty()) return "";
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string root = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/" + name;
  return PrivateFolder(root, make) ? root : "";
}

// Takes the lock a starting server takes: 1 held, 0 a server holds it, -1 it cannot be taken
// here (no folder, or a file system without locks, where Wine does without them too).
int LockServerFolder(const std::string& folder, std::vector<int>& fds) {
  if (!PrivateFolder(folder)) return -1;
  const int fd = ::open((folder + "/lock").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return -1;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 1;
  if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
    fds.push_back(fd);
    return 1;
  }
  const int error = errno;
  ::close(fd);
  return error == EAGAIN || error == EACCES ? 0 : -1;
}

}  // namespace

std::vector<std::string> ServerStartFolders(const std::string& prefix, bool make) {
  std::vector<std::string> folders;
  const std::string server = ServerFolderName(prefix);
  if (server.empty()) return folders;
  const std::string debian = DebianServerRoot(prefix, make);
  if (!debian.empty()) folders.push_back(debian + "/" + server);
  const std::string classic = "/tmp/.wine-" + std::to_string(::getuid());
  if (IsOurFolder(classic)) folders.push_back(classic + "/" + server);
  return folders;
}

bool WineStartBlock::Hold(const std::string& prefix) {
  if (held_) return true;
  for (const std::string& folder : ServerStartFolders(prefix, true)) {
    if (LockServerFolder(folder, fds_) == 0) {
      Release();
      return false;
    }
  }
  held_ = true;
  return true;
}

void WineStartBlock::Release() {
  for (const int fd : fds_) ::close(fd);
  fds_.clear();
  held_ = false;
}

}  // namespace varnel

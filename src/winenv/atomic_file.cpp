#include "winenv/atomic_file.h"
#include "winenv/write_watch.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <new>
#include <optional>

#include "winenv/file_identity.h"
#include "winenv/posix_file.h"

namespace varnel {
namespace {

// Linux gives up on a chain of more links than this (ELOOP); so do we.
constexpr int kMaxLinkDepth = 40;

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name of a replacement being written for `target`, before its six random characters.
std::string TemporaryPrefix(const std::string& target) {
  return DirectoryOf(target) + "/." + NameOf(target) + ".varnel-";
}

std::optional<std::string> ReadLink(const std::string& path) {
  std::string target(PATH_MAX, '\0');
  const ssize_t length = readlink(path.c_str(), target.data(), target.size());
  if (length < 0) return std::nullopt;
  target.resize(static_cast<std::size_t>(length));
  return target;
}

// The file a write to `path` really changes: the end of its chain of symbolic links. A link
// whose target does not exist yet names the file that will be created.
Status ResolveTarget(const std::string& path, std::string& resolved) {
  if (char* real = realpath(path.c_str(), nullptr)) {
    resolved = real;
    free(real);
    return Status::Ok();
  }
  std::string current = path;
  for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
    const std::optional<std::string> target = ReadLink(current);
    if (!target) {
      resolved = current;
      return Status::Ok();
    }
    current = target->starts_with('/') ? *target : DirectoryOf(current) + "/" + *target;
  }
  return StatusFromErrno(ELOOP, path);
}

// 0666 less the umask, the bits a newly created file gets. /proc shows the umask without the
// race of setting it and putting it back.
mode_t NewFileMode() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "Umask:") {
      std::string octal;
      status >> octal;
      return 0666 & ~static_cast<mode_t>(std::strtoul(octal.c_str(), nullptr, 8));
    }
  }
  const mode_t mask = umask(022);
  umask(mask);
  return 0666 & ~mask;
}

// Gives the temporary file the target's permission bits (and owner, where allowed), or the
// bits of a new file when there is no target yet.
Status SetModeAndOwner(int fd, const std::string& target, const std::string& what) {
  struct stat info {};
  if (stat(target.c_str(), &info) != 0) {
    if (fchmod(fd, NewFileMode()) != 0) return StatusFromErrno(errno, what);
    return Status::Ok();
  }
  if (S_ISDIR(info.st_mode)) return StatusFromErrno(EISDIR, target);
  if (info.st_uid != geteuid() || info.st_gid != getegid()) {
    [[maybe_unused]] const int ignored = fchown(fd, info.st_uid, info.st_gid);  // best effort
  }
  if (fchmod(fd, info.st_mode & 07777) != 0) return StatusFromErrno(errno, what);
  return Status::Ok();
}

// Fills the temporary file completely and puts it on disk; the caller renames or removes it.
Status FillTemporary(FileDescriptor& temp, const std::vector<std::string_view>& pieces, const std::string& target,
                     const std::string& tempPath) {
  Status status;
  for (std::string_view piece : pieces) {
    if (status.ok()) status = WriteAll(temp.get(), piece, tempPath);
  }
  if (status.ok() && fsync(temp.get()) != 0) status = StatusFromErrno(errno, tempPath);
  if (status.ok()) status = SetModeAndOwner(temp.get(), target, tempPath);
  const int closeError = temp.Close();
  if (status.ok() && closeError != 0) status = StatusFromErrno(closeError, tempPath);
  return status;
}

// The link-resolved target, unless it is a file the user made read-only: that stays as it is, as
// a copy over it fails on Windows (no write permission for us, or no write bit at all: Wine's
// read-only attribute, which binds root too).
Status ResolveReplaceable(const std::string& nativePath, std::string& target) {
  Status status = ResolveTarget(nativePath, target);
  if (!status.ok()) return status;
  struct stat existing {};
  if (stat(target.c_str(), &existing) == 0 && ((existing.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0)) {
    return StatusFromErrno(EACCES, nativePath);
  }
  return Status::Ok();
}

// The replacement itself; with `expected`, only while the target is still that file (`changed`
// otherwise), looked at before anything is written and once more right before the rename; with
// `beforeRename`, only when it succeeds, called once the new contents are on disk.
Status Replace(const std::string& nativePath, const std::vector<std::string_view>& pieces, const FileIdentity* expected,
               const Status* changed, const BeforeRename* beforeRename) {
  const auto stillExpected = [&] { return expected == nullptr || IdentityOf(nativePath) == *expected; };
  if (!stillExpected()) return *changed;
  std::string target;
  Status status = ResolveReplaceable(nativePath, target);
  if (!status.ok()) return status;
  const std::string directory = DirectoryOf(target);
  std::string tempPath = TemporaryPrefix(target) + "XXXXXX";
  FileDescriptor temp(mkostemp(tempPath.data(), O_CLOEXEC));
  if (!temp.valid()) return StatusFromErrno(errno, nativePath);

  status = FillTemporary(temp, pieces, target, tempPath);
  if (status.ok()) status = WriteAboutToLand({nativePath, &pieces});
  if (status.ok() && beforeRename) status = (*beforeRename)();
  if (status.ok() && !stillExpected()) status = *changed;
  if (status.ok() && rename(tempPath.c_str(), target.c_str()) != 0) status = StatusFromErrno(errno, nativePath);
  if (!status.ok()) {
    unlink(tempPath.c_str());
    return status;
  }
  (void)SyncFolder(directory);  // the rename is done; a folder that cannot be flushed is no failure of it
  return Status::Ok();
}

}  // namespace

Status ReadWholeFile(const std::string& nativePath, std::string& bytes) {
  bytes.clear();
  int fd = -1;
  off_t size = 0;
  const Status opened = OpenRegularFile(nativePath, fd, size);
  if (!opened.ok()) return opened;
  const FileDescriptor file(fd);
  try {
    if (size > 0) bytes.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = read(file.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        bytes.clear();
        return StatusFromErrno(errno, nativePath);
      }
      if (n == 0) return Status::Ok();
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    std::string().swap(bytes);
    return Status::Error(errc::kOutOfMemory, nativePath + ": too large for the memory available");
  }
}

Status ReplaceFileContents(const std::string& nativePath, std::string_view bytes) {
  return ReplaceFileContents(nativePath, std::vector<std::string_view>{bytes});
}

Status CheckReplaceable(const std::string& nativePath) {
  std::string target;
  return ResolveReplaceable(nativePath, target);
}

Status ReplaceFileContents(const std::string& nativePath, const std::vector<std::string_view>& pieces) {
  return Replace(nativePath, pieces, nullptr, nullptr, nullptr);
}

Status ReplaceFileContents(const std::string& nativePath, const std::vector<std::string_view>& pieces,
                           const BeforeRename& beforeRename) {
  return Replace(nativePath, pieces, nullptr, nullptr, &beforeRename);
}

Status ReplaceFileContentsIfUnchanged(const std::string& nativePath, const std::vector<std::string_view>& pieces,
                                      const FileIdentity& expected, const Status& changed) {
  return Replace(nativePath, pieces, &expected, &changed, nullptr);
}

Status ResolveReplaceTarget(const std::string& nativePath, std::string& target) {
  return ResolveTarget(nativePath, target);
}

void RemoveLeftoverTemporaries(const std::string& nativePath) {
  std::string target;
  if (!ResolveTarget(nativePath, target).ok()) return;
  const std::string prefix = TemporaryPrefix(target);
  const std::string directory = DirectoryOf(target);
  const std::string namePrefix = prefix.substr(directory.size() + 1);
  DIR* dir = opendir(directory.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() != namePrefix.size() + 6 || !name.starts_with(namePrefix)) continue;
    const std::string path = directory + "/" + name;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid()) unlink(path.c_str());
  }
  closedir(dir);
}

Status CopyFileOver(const std::string& sourceNative, const std::string& targetNative) {
  std::string bytes;
  Status status = ReadWholeFile(sourceNative, bytes);
  if (!status.ok()) return status;
  return ReplaceFileContents(targetNative, bytes);
}

}  // namespace varnel

#include "winenv/guarded_replace.h"

#include <sys/stat.h>
#include <unistd.h>

#include "winenv/atomic_file.h"

namespace varnel {

namespace {

// Varnel's lock folder, made on first use; "" when it cannot be made or is not the user's own.
std::string LockFolder() {
  const std::string folder = "/tmp/varnel-locks-" + std::to_string(::getuid());
  ::mkdir(folder.c_str(), 0700);
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
      (info.st_mode & 077) != 0) {
    return "";
  }
  return folder;
}

}  // namespace

std::string ReplaceLockFor(const std::string& folder) {
  static const std::string locks = LockFolder();
  struct stat info {};
  if (locks.empty() || ::stat(folder.c_str(), &info) != 0) return folder + "/" + std::string(kReplaceLockName);
  return locks + "/" + std::to_string(info.st_dev) + "-" + std::to_string(info.st_ino) + ".lock";
}

Status ReplaceGuard::Lock(const std::string& nativePath) {
  Unlock();
  path_ = nativePath;
  std::string target;
  Status status = ResolveReplaceTarget(nativePath, target);
  if (!status.ok()) return status;
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  status = lock_.Acquire(ReplaceLockFor(folder));
  if (!status.ok()) return status;
  RemoveLeftoverTemporaries(nativePath);  // of a replacement that was killed; none can be under way now
  return Status::Ok();
}

Status ReplaceGuard::Replace(const FileIdentity& expected, const std::vector<std::string_view>& pieces,
                             const Status& changed) const {
  if (!locked()) return Status::Error(errc::kPathFileAccess, path_ + ": replaced without holding its lock");
  return ReplaceFileContentsIfUnchanged(path_, pieces, expected, changed);
}

}  // namespace varnel

#include "winenv/guarded_replace.h"

#include "winenv/atomic_file.h"

namespace varnel {

Status ReplaceGuard::Lock(const std::string& nativePath) {
  Unlock();
  path_ = nativePath;
  std::string target;
  Status status = ResolveReplaceTarget(nativePath, target);
  if (!status.ok()) return status;
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  status = lock_.Acquire(folder + "/" + std::string(kReplaceLockName));
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

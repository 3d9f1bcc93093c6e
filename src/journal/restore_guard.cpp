#include "journal/restore_guard.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "winenv/atomic_file.h"
#include "winenv/guarded_replace.h"

namespace varnel {

namespace {

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

bool Inside(const std::string& path, const std::string& root) {
  return !root.empty() && (path == root || path.starts_with(root == "/" ? root : root + "/"));
}

// An absolute path of plain names: no "." or "..", no empty name.
bool PlainPath(const std::string& path) {
  if (!path.starts_with("/") || path.size() < 2) return false;
  for (std::size_t at = 1; at <= path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string_view name(path.data() + at, end - at);
    if (name.empty() || name == "." || name == "..") return false;
    at = end + 1;
  }
  return true;
}

// The folder a change was made in, natively: its "where" (before "; ", which may name a
// registry key after it), the folder itself or the folder of the file it names.
std::string WhereFolder(const ChangeRecord& record, const DriveMap& drives) {
  const std::string where = record.where.substr(0, record.where.find("; "));
  const std::string native = drives.ToNative(where);
  if (native.empty()) return "";
  struct stat st {};
  return RealPath(::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? native : FolderOf(native));
}

std::string UntrustedFile(const ChangeItem& item, const ItemState& before, const DriveMap& drives,
                          const std::vector<std::string>& roots) {
  if (!PlainPath(item.native) || drives.ToNative(item.shown) != item.native)
    return item.native + " is not " + item.shown;
  std::string target;
  if (!ResolveReplaceTarget(item.native, target).ok()) return item.native + " cannot be followed";
  const std::string folder = RealPath(FolderOf(target));
  if (std::none_of(roots.begin(), roots.end(), [&](const std::string& root) { return Inside(folder, root); })) {
    return item.native + " leads out of the folders the change was made in";
  }
  if (item.kind == ItemKind::File && before.exists && ((before.mode & ~0777u) != 0 || (before.mode & 0600u) != 0600u)) {
    return item.native + " has the odd permission bits " + std::to_string(before.mode);
  }
  return "";
}

}  // namespace

std::string UntrustedFileItems(const ChangeRecord& record, const DriveMap& drives, const std::string& prefix) {
  const std::vector<std::string> roots = {RealPath(prefix), WhereFolder(record, drives)};
  for (std::size_t i = 0; i < record.items.size() && i < record.before.size(); ++i) {
    if (InRegistry(record.items[i].kind)) continue;
    std::string why = UntrustedFile(record.items[i], record.before[i], drives, roots);
    if (!why.empty()) return why;
  }
  return "";
}

Status RestoreGuard::Lock(const std::vector<std::string>& natives) {
  std::map<std::string, std::string> folderOf;  // file -> its folder, whose locks are taken in order
  for (const std::string& native : natives) {
    std::string target;
    const Status resolved = ResolveReplaceTarget(native, target);
    if (!resolved.ok()) return resolved;
    folderOf[native] = FolderOf(target);
  }
  std::map<std::string, bool> folders;
  for (const auto& [native, folder] : folderOf) folders[folder] = true;
  for (const auto& [folder, unused] : folders) {
    if (::access(folder.c_str(), F_OK) != 0) continue;  // a folder not there yet: nothing to take turns on
    const Status taken = folders_[folder].Acquire(ReplaceLockFor(folder));
    if (!taken.ok()) return taken;
  }
  for (const auto& [native, folder] : folderOf) {
    if (folders_.count(folder)) RemoveLeftoverTemporaries(native);
    identities_[native] = IdentityOf(native);
  }
  return Status::Ok();
}

Status RestoreGuard::Restore(const ChangeItem& item, const ItemState& state) {
  const Status restored = RestoreFile(item, state);
  if (restored.ok()) identities_[item.native] = IdentityOf(item.native);  // an older change of it comes next
  return restored;
}

Status RestoreGuard::RestoreFile(const ChangeItem& item, const ItemState& state) const {
  const auto known = identities_.find(item.native);
  const FileIdentity expected = known == identities_.end() ? IdentityOf(item.native) : known->second;
  const Status changed = Status::Error(errc::kPathFileAccess, item.shown + " was changed by another program meanwhile");
  if (!state.exists) {
    if (!(IdentityOf(item.native) == expected)) return changed;
    if (::unlink(item.native.c_str()) != 0 && errno != ENOENT) return StatusFromErrno(errno, item.shown);
    return Status::Ok();
  }
  const Status written = ReplaceFileContentsIfUnchanged(item.native, {state.bytes}, expected, changed);
  if (!written.ok())
    return written.code == changed.code && written.message == changed.message
               ? written
               : Status::Error(written.code, item.shown + ": " + written.message);
  if (::chmod(item.native.c_str(), static_cast<mode_t>(state.mode)) != 0) return StatusFromErrno(errno, item.shown);
  return Status::Ok();
}

}  // namespace varnel

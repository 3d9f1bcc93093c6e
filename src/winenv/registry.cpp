#include "winenv/registry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "winenv/atomic_file.h"
#include "winenv/code_page.h"
#include "winenv/file_identity.h"
#include "winenv/prefix.h"

namespace varnel {

namespace {

// Keys are given with backslashes; a leading or trailing one is ignored, as Windows does.
std::u16string KeyInHive(Hive hive, std::string_view keyPath) {
  while (!keyPath.empty() && keyPath.front() == '\\') keyPath.remove_prefix(1);
  while (!keyPath.empty() && keyPath.back() == '\\') keyPath.remove_suffix(1);
  std::u16string key = Utf16FromAnsi(keyPath);
  if (hive == Hive::ClassesRoot) return key.empty() ? u"Software\\Classes" : u"Software\\Classes\\" + key;
  return key;
}

// Holds the prefix-wide advisory lock that serialises registry saves between processes.
class SaveLock {
 public:
  explicit SaveLock(const std::string& prefix) {
    fd_ = ::open((prefix + "/.varnel-registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~SaveLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

struct Registry::HiveState {
  std::string path;
  std::string rootComment;
  HiveFile file;
  FileIdentity identity;
  bool loaded = false;
  bool valid = false;
  std::string error;
};

struct Registry::PendingWrite {
  Hive hive;
  std::u16string key;
  std::u16string name;
  std::optional<RegValue> value;  // none: delete the key
};

Registry::Registry(std::string prefixPath)
    : prefix_(std::move(prefixPath)), system_(std::make_unique<HiveState>()), user_(std::make_unique<HiveState>()) {
  system_->path = SystemHivePath(prefix_);
  system_->rootComment = "\\\\Registry\\\\Machine";
  user_->path = UserHivePath(prefix_);
  user_->rootComment = "\\\\Registry\\\\User\\\\S-1-5-21-0-0-0-1000";
}

Registry::~Registry() = default;

Registry::HiveState& Registry::StateFor(Hive hive) { return hive == Hive::CurrentUser ? *user_ : *system_; }

// Reads and parses the hive file; a file too large for memory is a failure like any other.
void Registry::Load(HiveState& state) {
  std::string text;
  const Status read = ReadWholeFile(state.path, text);
  if (!read.ok()) {
    state.valid = false;
    state.error = read.message;
    return;
  }
  std::string parseError;
  try {
    state.valid = HiveFile::Parse(text, state.file, parseError);
  } catch (const std::bad_alloc&) {
    state.valid = false;
    parseError = "too large for the memory available";
  }
  if (!state.valid) state.error = state.path + ": " + parseError;
}

// Makes the in-memory hive match the file on disk, then lays the writes of an open batch
// over it again, so a reload never drops them.
bool Registry::Refresh(HiveState& state) {
  FileIdentity now = IdentityOf(state.path);
  if (state.loaded && now == state.identity) return state.valid;

  state.loaded = true;
  state.identity = now;
  state.error.clear();
  if (!now.exists && now.error == ENOENT) {
    state.file = HiveFile::Empty(state.rootComment);  // only a hive that is not there is empty
    state.valid = true;
  } else if (!now.exists) {
    state.valid = false;
    state.error = StatusFromErrno(now.error, state.path).message;
  } else {
    Load(state);
  }
  if (!state.valid) {
    state.file = HiveFile();
    return false;
  }
  std::int64_t stamp = std::time(nullptr);
  for (const PendingWrite& w : pending_) {
    if (&StateFor(w.hive) == &state) Apply(w, state.file, stamp);
  }
  return true;
}

bool Registry::Apply(const PendingWrite& write, HiveFile& file, std::int64_t now) {
  if (write.value) {
    file.SetValue(write.key, write.name, *write.value, now);
    return true;
  }
  return file.DeleteKey(write.key);
}

std::optional<RegValue> Registry::QueryValue(Hive hive, std::string_view keyPath, std::string_view name) {
  HiveState& state = StateFor(hive);
  if (!Refresh(state)) {
    lastError_ = state.error;
    return std::nullopt;
  }
  return state.file.GetValue(KeyInHive(hive, keyPath), Utf16FromAnsi(name));
}

bool Registry::KeyExists(Hive hive, std::string_view keyPath) {
  HiveState& state = StateFor(hive);
  if (!Refresh(state)) {
    lastError_ = state.error;
    return false;
  }
  return state.file.KeyExists(KeyInHive(hive, keyPath));
}

bool Registry::SetValue(Hive hive, std::string_view keyPath, std::string_view name, const RegValue& value) {
  return Write(PendingWrite{hive, KeyInHive(hive, keyPath), Utf16FromAnsi(name), value});
}

bool Registry::DeleteKey(Hive hive, std::string_view keyPath) {
  return Write(PendingWrite{hive, KeyInHive(hive, keyPath), u"", std::nullopt});
}

bool Registry::Write(PendingWrite write) {
  HiveState& state = StateFor(write.hive);
  if (!Refresh(state)) {
    lastError_ = state.error;
    if (batchDepth_ > 0) batchFailed_ = true;
    return false;
  }
  if (!Apply(write, state.file, std::time(nullptr))) return false;  // a delete that found nothing to do
  pending_.push_back(std::move(write));
  if (batchDepth_ > 0) return true;
  std::vector<PendingWrite> writes = std::move(pending_);
  pending_.clear();
  return Save(writes);
}

// Saves every hive that the writes touched, inside the prefix-wide lock. A hive that changed
// on disk meanwhile is reloaded first and the writes are laid over the fresh content.
bool Registry::Save(const std::vector<PendingWrite>& writes) {
  std::vector<HiveState*> touched;
  for (const PendingWrite& w : writes) {
    HiveState* s = &StateFor(w.hive);
    if (std::find(touched.begin(), touched.end(), s) == touched.end()) touched.push_back(s);
  }
  auto discard = [&](const std::string& error) {
    lastError_ = error;
    for (HiveState* s : touched) s->loaded = false;  // drop the unsaved edits
    return false;
  };

  SaveLock lock(prefix_);
  if (!lock.held()) return discard("cannot lock the registry of " + prefix_ + ": " + std::strerror(errno));

  for (HiveState* s : touched) {
    if (IdentityOf(s->path) == s->identity) continue;
    pending_ = writes;  // replayed by Refresh over the file's new content
    s->loaded = false;
    bool ok = Refresh(*s);
    pending_.clear();
    if (!ok) return discard(s->error);
  }
  for (HiveState* s : touched) {
    RemoveLeftoverTemporaries(s->path);  // of a save that was killed; none can be under way now
    Status saved = ReplaceFileContents(s->path, s->file.Serialize());
    if (!saved.ok()) return discard(saved.message);
    s->identity = IdentityOf(s->path);
  }
  return true;
}

Status Registry::CheckHives() {
  for (HiveState* s : {system_.get(), user_.get()}) {
    if (!Refresh(*s)) return Status::Error(errc::kPathFileAccess, s->error);
  }
  return Status::Ok();
}

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

// Whether a process of this user named wineserver* has a folder of that name as its working
// folder, with the server's lock held there.
bool ServerProcessIn(const std::string& serverFolder) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  bool found = false;
  while (dirent* entry = ::readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    const std::string base = std::string("/proc/") + entry->d_name;
    const std::string exe = ReadLinkText(base + "/exe");
    const std::string cwd = ReadLinkText(base + "/cwd");
    const std::size_t exeName = exe.rfind('/');
    const std::size_t cwdName = cwd.rfind('/');
    if (exeName == std::string::npos || cwdName == std::string::npos) continue;
    if (exe.compare(exeName + 1, 10, "wineserver") != 0 || cwd.substr(cwdName + 1) != serverFolder) continue;
    if (LockHeld(cwd + "/lock")) {
      found = true;
      break;
    }
  }
  ::closedir(proc);
  return found;
}

}  // namespace

// A wineserver serving this prefix works in a folder "server-<device>-<inode>" named after the
// prefix, and keeps its "lock" file there locked. The folder is /tmp/.wine-<uid>/..., or, as
// Debian's Wine does it, inside a private "wine-XXXXXX" folder under the server's own TMPDIR,
// which need not be ours: the server is then found as a process of this user whose working
// folder is that server folder.
bool Registry::WineServerRunning() const {
  struct stat st {};
  if (::stat(prefix_.c_str(), &st) != 0) return false;
  char server[96];
  std::snprintf(server, sizeof server, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  const std::string classic = "/tmp/.wine-" + std::to_string(::getuid()) + "/" + server + "/lock";
  return LockHeld(classic) || ServerProcessIn(server);
}

Registry::Batch::Batch(Registry& registry) : registry_(registry) { ++registry_.batchDepth_; }

Registry::Batch::~Batch() {
  if (!done_) Commit();
}

bool Registry::Batch::Commit() {
  if (done_) return true;
  done_ = true;
  if (--registry_.batchDepth_ > 0) return true;
  std::vector<PendingWrite> writes = std::move(registry_.pending_);
  registry_.pending_.clear();
  bool failed = std::exchange(registry_.batchFailed_, false);
  if (failed) {
    // All or nothing: forget the writes that did apply in memory.
    for (const PendingWrite& w : writes) registry_.StateFor(w.hive).loaded = false;
    return false;
  }
  if (writes.empty()) return true;
  return registry_.Save(writes);
}

}  // namespace varnel

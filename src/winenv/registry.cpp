#include "winenv/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "winenv/atomic_file.h"
#include "winenv/code_page.h"
#include "winenv/file_identity.h"
#include "winenv/file_lock.h"
#include "winenv/prefix.h"
#include "winenv/wine_server.h"
#include "winenv/wine_start_block.h"
#include "winenv/write_watch.h"

namespace varnel {

struct Registry::HiveState {
  Hive hive;  // CurrentUser or LocalMachine
  std::string path;
  std::string rootComment;
  HiveFile file;
  FileIdentity identity;
  bool loaded = false;
  bool valid = false;
  std::string error;
};

Registry::Registry(std::string prefixPath)
    : prefix_(std::move(prefixPath)), system_(std::make_unique<HiveState>()), user_(std::make_unique<HiveState>()) {
  system_->hive = Hive::LocalMachine;
  system_->path = SystemHivePath(prefix_);
  system_->rootComment = "\\\\Registry\\\\Machine";
  user_->hive = Hive::CurrentUser;
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
  Status parsed;
  try {
    parsed = HiveFile::Parse(std::move(text), state.file);
  } catch (const std::bad_alloc&) {
    parsed = Status::Error(errc::kOutOfMemory, "too large for the memory available");
  }
  state.valid = parsed.ok();
  if (!state.valid) state.error = state.path + ": " + parsed.message;
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
  // Wine saves its registry only now and then: what it was found to hold and what was written
  // through it this run are laid over the files again, then the writes of a batch still open.
  std::int64_t stamp = std::time(nullptr);
  wine_.LayOver(state.hive, state.file, stamp);
  for (const RegistryEdit& edit : pending_) {
    if (edit.at.hive == state.hive) edit.ApplyTo(state.file, stamp);
  }
  return true;
}

std::optional<RegValue> Registry::QueryValue(Hive hive, std::string_view keyPath, std::string_view name) {
  return QueryValueAt(RegistryLocation::Of(hive, keyPath, name));
}

std::optional<RegValue> Registry::QueryValueAt(const RegistryLocation& at) {
  HiveState& state = StateFor(at.hive);
  if (!Refresh(state)) {
    return std::nullopt;
  }
  return state.file.GetValue(at.key, at.name);
}

void Registry::LayOverLoaded(const RegistryEdit& edit, std::int64_t now) {
  HiveState& state = StateFor(edit.at.hive);
  if (state.loaded && state.valid) edit.ApplyTo(state.file, now);
}

bool Registry::KeyExists(Hive hive, std::string_view keyPath) {
  HiveState& state = StateFor(hive);
  if (!Refresh(state)) {
    return false;
  }
  return state.file.KeyExists(KeyInHive(hive, keyPath));
}

Status Registry::SetValue(Hive hive, std::string_view keyPath, std::string_view name, const RegValue& value) {
  return Write(RegistryEdit::SetValue(hive, keyPath, name, value));
}

Status Registry::DeleteKey(Hive hive, std::string_view keyPath) {
  return Write(RegistryEdit::DeleteKey(hive, keyPath));
}

Status Registry::DeleteEmptyKey(Hive hive, std::string_view keyPath) {
  return Write(RegistryEdit::DeleteKey(hive, keyPath), true);
}

Status Registry::DeleteValue(Hive hive, std::string_view keyPath, std::string_view name) {
  if (!QueryValue(hive, keyPath, name)) {
    HiveState& state = StateFor(hive);
    if (state.valid) return Status::Ok();
    return Status::Error(errc::kPathFileAccess, state.error);
  }
  return Write(RegistryEdit::DeleteValue(hive, keyPath, name));
}

std::vector<std::string> Registry::ValueNames(Hive hive, std::string_view keyPath) {
  std::vector<std::string> names;
  HiveState& state = StateFor(hive);
  if (!Refresh(state)) {
    return names;
  }
  for (const std::u16string& name : state.file.ValueNames(KeyInHive(hive, keyPath)))
    names.push_back(AnsiFromUtf16(name));
  return names;
}

// A key delete with `keyMayBeMissing` holds also for a key the files do not hold.
Status Registry::Write(RegistryEdit write, bool keyMayBeMissing) {
  HiveState& state = StateFor(write.at.hive);
  if (!Refresh(state)) {
    const Status failed = Status::Error(errc::kPathFileAccess, state.error);
    if (batchDepth_ > 0 && batchFailure_.ok()) batchFailure_ = failed;
    return failed;
  }
  const bool applied = write.ApplyTo(state.file, std::time(nullptr));
  if (!applied && !(keyMayBeMissing && !state.file.KeyExists(write.at.key))) {
    return Status::Error(errc::kFileNotFound, "there is no key " + AnsiFromUtf16(write.at.key) + " without sub-keys");
  }
  pending_.push_back(std::move(write));
  if (batchDepth_ > 0) return Status::Ok();
  std::vector<RegistryEdit> writes = std::move(pending_);
  pending_.clear();
  return Save(writes);
}

// Forgets writes that were applied in memory but will not be saved.
void Registry::Drop(const std::vector<RegistryEdit>& writes) {
  for (const RegistryEdit& w : writes) StateFor(w.at.hive).loaded = false;
}

// Saves every hive that the writes touched, inside the prefix-wide lock. A hive that changed
// on disk meanwhile is reloaded first and the writes are laid over the fresh content. With Wine
// running the writes go through it; else the hives are renamed into place while no wineserver
// can start, and a server that started (or ended, saving the hives) since the look for one
// sends the save round again.
Status Registry::Save(const std::vector<RegistryEdit>& writes) {
  std::vector<HiveState*> touched;
  for (const RegistryEdit& w : writes) {
    HiveState* s = &StateFor(w.at.hive);
    if (std::find(touched.begin(), touched.end(), s) == touched.end()) touched.push_back(s);
  }
  auto discard = [&](const Status& failure) {
    Drop(writes);
    return failure;
  };

  // The prefix-wide advisory lock that serialises registry saves between processes.
  FileLock lock;
  const Status locked = lock.Acquire(prefix_ + "/.varnel-registry.lock");
  if (!locked.ok()) return discard(locked);
  pending_ = writes;  // laid over again should the watcher's reads find a hive changed on disk
  const Status watched = WriteAboutToLand({"", nullptr});
  pending_.clear();
  if (!watched.ok()) return discard(watched);
  for (int round = 0;; ++round) {
    if (const std::optional<WineServer> wine = FindWineServer(prefix_)) {
      const Status through = wine_.Write(*wine, writes);
      return through.ok() ? through : discard(through);
    }
    for (HiveState* s : touched) {
      if (IdentityOf(s->path) == s->identity) continue;
      pending_ = writes;  // replayed by Refresh over the file's new content
      s->loaded = false;
      bool ok = Refresh(*s);
      pending_.clear();
      if (!ok) return discard(Status::Error(errc::kPathFileAccess, s->error));
    }
    bool wineMoved = false;
    const Status saved = SaveHives(touched, wineMoved);
    if (saved.ok()) return saved;
    if (!wineMoved || round == 3) return discard(saved);
  }
}

// Renames each touched hive into place. Before the first rename no wineserver may start and the
// hives must be as last read; `wineMoved` says when one was starting or had saved them.
Status Registry::SaveHives(const std::vector<HiveState*>& touched, bool& wineMoved) {
  WineStartBlock block;  // held from the first rename to the last
  const BeforeRename holdWineOff = [&]() -> Status {
    if (block.held()) return Status::Ok();
    const bool unchanged = block.Hold(prefix_) && std::all_of(touched.begin(), touched.end(), [](const HiveState* s) {
                             return IdentityOf(s->path) == s->identity;
                           });
    if (unchanged) return Status::Ok();
    wineMoved = true;
    return Status::Error(errc::kPathFileAccess, "Wine started or stopped while the registry was being saved");
  };
  for (HiveState* s : touched) {
    RemoveLeftoverTemporaries(s->path);  // of a save that was killed; none can be under way now
    Status saved = ReplaceFileContents(s->path, s->file.Pieces(), holdWineOff);
    if (!saved.ok()) return saved;
    s->identity = IdentityOf(s->path);
  }
  return Status::Ok();
}

Status Registry::CheckHive(Hive hive) {
  HiveState& state = StateFor(hive);
  return Refresh(state) ? Status::Ok() : Status::Error(errc::kPathFileAccess, state.error);
}

Status Registry::CheckHives() {
  Status system = CheckHive(Hive::LocalMachine);
  return system.ok() ? CheckHive(Hive::CurrentUser) : system;
}

Registry::Batch::Batch(Registry& registry) : registry_(registry) { ++registry_.batchDepth_; }

// A batch that ends without Commit saves nothing: its writes are forgotten, and an enclosing
// batch then fails as a whole.
Registry::Batch::~Batch() {
  if (done_) return;
  done_ = true;
  if (registry_.batchFailure_.ok())
    registry_.batchFailure_ = Status::Error(errc::kPathFileAccess, "a batch was abandoned");
  if (--registry_.batchDepth_ > 0) return;
  registry_.Drop(std::exchange(registry_.pending_, {}));
  registry_.batchFailure_ = Status::Ok();
}

Status Registry::Batch::Commit() {
  if (done_) return Status::Ok();
  done_ = true;
  if (--registry_.batchDepth_ > 0) return Status::Ok();
  std::vector<RegistryEdit> writes = std::exchange(registry_.pending_, {});
  const Status failure = std::exchange(registry_.batchFailure_, Status::Ok());
  if (!failure.ok()) {
    registry_.Drop(writes);  // all or nothing
    return failure;
  }
  if (writes.empty()) return Status::Ok();
  return registry_.Save(writes);
}

}  // namespace varnel

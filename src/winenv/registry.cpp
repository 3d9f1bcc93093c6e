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
#include "winenv/wine_registry.h"
#include "winenv/wine_server.h"
#include "winenv/wine_start_block.h"
#include "winenv/write_watch.h"

namespace varnel {

// Keys are given with backslashes; a leading or trailing one is ignored, as Windows does.
std::u16string KeyInHive(Hive hive, std::string_view keyPath) {
  while (!keyPath.empty() && keyPath.front() == '\\') keyPath.remove_prefix(1);
  while (!keyPath.empty() && keyPath.back() == '\\') keyPath.remove_suffix(1);
  std::u16string key = Utf16FromAnsi(keyPath);
  if (hive == Hive::ClassesRoot) return key.empty() ? u"Software\\Classes" : u"Software\\Classes\\" + key;
  return key;
}

namespace {

// An expected state as the edit that would make it: the value set, the value deleted, or the
// key deleted.
RegistryEdit EditOf(const ExpectedRegistryState& e) {
  return {e.hive == Hive::CurrentUser, KeyInHive(e.hive, e.key), Utf16FromAnsi(e.name), e.value,
          !e.keyAbsent && !e.value};
}

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
  std::optional<RegValue> value;  // none: delete the key, or only the value `name`
  bool deletesValue = false;
  bool evenIfAbsent = false;  // a key delete that holds also for a key not in the files
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
  for (const std::vector<PendingWrite>* writes : {&fromWine_, &throughWine_, &pending_}) {
    for (const PendingWrite& w : *writes) {
      if (&StateFor(w.hive) == &state) Apply(w, state.file, stamp);
    }
  }
  return true;
}

bool Registry::Apply(const PendingWrite& write, HiveFile& file, std::int64_t now) {
  if (write.value) {
    file.SetValue(write.key, write.name, *write.value, now);
    return true;
  }
  if (write.deletesValue) {
    file.DeleteValue(write.key, write.name, now);
    return true;
  }
  return file.DeleteKey(write.key) || (write.evenIfAbsent && !file.KeyExists(write.key));
}

std::optional<RegValue> Registry::QueryValue(Hive hive, std::string_view keyPath, std::string_view name) {
  HiveState& state = StateFor(hive);
  if (!Refresh(state)) {
    return std::nullopt;
  }
  return state.file.GetValue(KeyInHive(hive, keyPath), Utf16FromAnsi(name));
}

bool Registry::KeyExists(Hive hive, std::string_view keyPath) {
  HiveState& state = StateFor(hive);
  if (!Refresh(state)) {
    return false;
  }
  return state.file.KeyExists(KeyInHive(hive, keyPath));
}

Status Registry::SetValue(Hive hive, std::string_view keyPath, std::string_view name, const RegValue& value) {
  return Write(PendingWrite{hive, KeyInHive(hive, keyPath), Utf16FromAnsi(name), value});
}

Status Registry::DeleteKey(Hive hive, std::string_view keyPath) {
  return Write(PendingWrite{hive, KeyInHive(hive, keyPath), u"", std::nullopt});
}

Status Registry::DeleteEmptyKey(Hive hive, std::string_view keyPath) {
  return Write(PendingWrite{hive, KeyInHive(hive, keyPath), u"", std::nullopt, false, true});
}

Status Registry::DeleteValue(Hive hive, std::string_view keyPath, std::string_view name) {
  if (!QueryValue(hive, keyPath, name)) {
    HiveState& state = StateFor(hive);
    if (state.valid) return Status::Ok();
    return Status::Error(errc::kPathFileAccess, state.error);
  }
  return Write(PendingWrite{hive, KeyInHive(hive, keyPath), Utf16FromAnsi(name), std::nullopt, true});
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

Status Registry::Write(PendingWrite write) {
  HiveState& state = StateFor(write.hive);
  if (!Refresh(state)) {
    const Status failed = Status::Error(errc::kPathFileAccess, state.error);
    if (batchDepth_ > 0 && batchFailure_.ok()) batchFailure_ = failed;
    return failed;
  }
  if (!Apply(write, state.file, std::time(nullptr))) {
    return Status::Error(errc::kFileNotFound, "there is no key " + AnsiFromUtf16(write.key) + " without sub-keys");
  }
  pending_.push_back(std::move(write));
  if (batchDepth_ > 0) return Status::Ok();
  std::vector<PendingWrite> writes = std::move(pending_);
  pending_.clear();
  return Save(writes);
}

// Forgets writes that were applied in memory but will not be saved.
void Registry::Drop(const std::vector<PendingWrite>& writes) {
  for (const PendingWrite& w : writes) StateFor(w.hive).loaded = false;
}

// Saves every hive that the writes touched, inside the prefix-wide lock. A hive that changed
// on disk meanwhile is reloaded first and the writes are laid over the fresh content. With Wine
// running the writes go through it; else the hives are renamed into place while no wineserver
// can start, and a server that started (or ended, saving the hives) since the look for one
// sends the save round again.
Status Registry::Save(const std::vector<PendingWrite>& writes) {
  std::vector<HiveState*> touched;
  for (const PendingWrite& w : writes) {
    HiveState* s = &StateFor(w.hive);
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
      const Status through = SaveThroughWine(*wine, writes);
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

// Wine holds the registry: the writes go to it, and the hive files are left to Wine.
Status Registry::SaveThroughWine(const WineServer& wine, const std::vector<PendingWrite>& writes) {
  std::vector<RegistryEdit> edits;
  for (const PendingWrite& w : writes)
    edits.push_back({w.hive == Hive::CurrentUser, w.key, w.name, w.value, w.deletesValue});
  const auto write = [&] { return WriteThroughWine(prefix_, wine, edits, wineSession_.get()); };
  const Status written = wineWait_ ? wineWait_(write) : write();
  if (written.ok()) throughWine_.insert(throughWine_.end(), writes.begin(), writes.end());
  return written;
}

Status Registry::CheckHive(Hive hive) {
  HiveState& state = StateFor(hive);
  return Refresh(state) ? Status::Ok() : Status::Error(errc::kPathFileAccess, state.error);
}

Status Registry::CheckHives() {
  Status system = CheckHive(Hive::LocalMachine);
  return system.ok() ? CheckHive(Hive::CurrentUser) : system;
}

Status Registry::AskWine(const std::vector<ExpectedRegistryState>& expected, std::vector<bool>& held) {
  const std::optional<WineServer> wine = FindWineServer(prefix_);
  if (!wine) return Status::Error(errc::kFileNotFound, "Wine is not running in this prefix");
  std::vector<RegistryEdit> edits;
  for (const ExpectedRegistryState& e : expected) edits.push_back(EditOf(e));
  const auto ask = [&] { return AskWineWhatItHolds(prefix_, *wine, edits, wineSession_.get(), held); };
  return wineWait_ ? wineWait_(ask) : ask();
}

Status Registry::ReadLatestFromWine(const std::vector<ExpectedRegistryState>& values) {
  const std::optional<WineServer> wine = FindWineServer(prefix_);
  if (!wine) return Status::Ok();
  wineSession_ = std::make_unique<WineSession>(prefix_, *wine);
  const Status status = ReadFromWineSession(values, true);
  if (!status.ok()) wineSession_.reset();
  return status;
}

Status Registry::ReadMoreFromWine(const std::vector<ExpectedRegistryState>& values) {
  return wineSession_ ? ReadFromWineSession(values, false) : Status::Ok();
}

Status Registry::ReadFromWineSession(const std::vector<ExpectedRegistryState>& values, bool start) {
  std::vector<RegistryEdit> where;
  for (const ExpectedRegistryState& v : values) where.push_back(EditOf({v.hive, v.key, v.name, std::nullopt, false}));
  std::vector<WineString> found;
  const auto read = [&] { return start ? wineSession_->Start(where, found) : wineSession_->Read(where, found); };
  const Status status = wineWait_ ? wineWait_(read) : read();
  if (!status.ok()) return status;
  std::vector<ExpectedRegistryState> differing;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const ExpectedRegistryState& v = values[i];
    const std::optional<RegValue> inFiles = QueryValue(v.hive, v.key, v.name);
    if (found[i].kind == WineString::Kind::Unknown || (inFiles && inFiles->type == kRegExpandSz)) continue;
    readFromWine_.push_back({v.hive, where[i].key, where[i].name, std::nullopt, false});
    if (found[i].kind == WineString::Kind::None) {
      if (inFiles) differing.push_back({v.hive, v.key, v.name, std::nullopt, false});
      continue;
    }
    RegValue held = RegValue::String(found[i].text);
    if (!inFiles || *inFiles != held) differing.push_back({v.hive, v.key, v.name, std::move(held), false});
  }
  if (!differing.empty()) TakeFromWine(differing);
  return Status::Ok();
}

void Registry::EndWineSession() {
  if (wineSession_) wineSession_->End(true);
  wineSession_.reset();
}

bool Registry::ReadFromWine(Hive hive, std::string_view keyPath, std::string_view name) const {
  const std::u16string key = KeyInHive(hive, keyPath);
  const std::u16string valueName = Utf16FromAnsi(name);
  const bool inUser = hive == Hive::CurrentUser;
  return std::any_of(readFromWine_.begin(), readFromWine_.end(), [&](const PendingWrite& read) {
    return (read.hive == Hive::CurrentUser) == inUser && EqualNoCase(read.key, key) &&
           EqualNoCase(read.name, valueName);
  });
}

void Registry::TakeFromWine(const std::vector<ExpectedRegistryState>& held) {
  const std::int64_t stamp = std::time(nullptr);
  for (const ExpectedRegistryState& e : held) {
    const RegistryEdit edit = EditOf(e);
    fromWine_.push_back({e.hive, edit.key, edit.name, edit.value, edit.deletesValue});
    HiveState& state = StateFor(e.hive);
    if (state.loaded && state.valid) Apply(fromWine_.back(), state.file, stamp);  // a reload lays it over again
  }
}

bool Registry::WineServerRunning() const { return FindWineServer(prefix_).has_value(); }

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
  std::vector<PendingWrite> writes = std::exchange(registry_.pending_, {});
  const Status failure = std::exchange(registry_.batchFailure_, Status::Ok());
  if (!failure.ok()) {
    registry_.Drop(writes);  // all or nothing
    return failure;
  }
  if (writes.empty()) return Status::Ok();
  return registry_.Save(writes);
}

}  // namespace varnel

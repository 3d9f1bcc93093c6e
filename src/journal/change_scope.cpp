#include "journal/change_scope.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <ctime>

#include "journal/wine_state.h"
#include "winenv/atomic_file.h"

namespace varnel {

namespace {

Status CaptureFile(const ChangeItem& item, ItemState& state) {
  struct stat st {};
  if (::stat(item.native.c_str(), &st) != 0) {
    if (errno == ENOENT) return Status::Ok();  // absent: undo removes it again
    return StatusFromErrno(errno, item.shown);
  }
  if (!S_ISREG(st.st_mode)) return Status::Error(errc::kPathFileAccess, item.shown + ": not a regular file");
  if (static_cast<std::uint64_t>(st.st_size) > kJournalMaxBytes) {
    return Status::Error(errc::kDiskFull, item.shown + ": larger than the journal keeps");
  }
  state.exists = true;
  state.mode = st.st_mode & 07777;
  const Status read = ReadWholeFile(item.native, state.bytes);
  return read.ok() ? read : Status::Error(read.code, item.shown + ": " + read.message);
}

// The outermost key on the way to `key` that does not exist: what a write there creates.
std::string MissingKey(Registry& registry, Hive hive, const std::string& key) {
  for (std::size_t end = key.find('\\');; end = key.find('\\', end + 1)) {
    const std::string path = key.substr(0, end);
    if (!registry.KeyExists(hive, path)) return path;
    if (end == std::string::npos) return "";
  }
}

// Removes the keys a write created on the way to the item, deepest first, while they are empty.
// A key emptied of every sub-key may be gone from the files' view while a running Wine still
// holds it (the files name only the keys that hold something): it is deleted all the same.
void RemoveCreatedKeys(const ChangeItem& item, const ItemState& state, Registry& registry) {
  if (state.missingKey.empty()) return;
  for (std::string path = item.key; path.size() >= state.missingKey.size();) {
    if (!registry.ValueNames(item.hive, path).empty()) return;
    if (!registry.DeleteEmptyKey(item.hive, path).ok()) return;  // it has sub-keys
    const std::size_t separator = path.rfind('\\');
    if (separator == std::string::npos) return;
    path.resize(separator);
  }
}

void CaptureRegistry(const ChangeItem& item, Registry& registry, ItemState& state) {
  state.missingKey = MissingKey(registry, item.hive, item.key);
  if (item.kind == ItemKind::Value) {
    if (std::optional<RegValue> value = registry.QueryValue(item.hive, item.key, item.name)) {
      state.values.push_back({item.name, std::move(*value)});
    }
    state.exists = !state.values.empty();
    return;
  }
  state.exists = registry.KeyExists(item.hive, item.key);
  for (const std::string& name : registry.ValueNames(item.hive, item.key)) {
    if (std::optional<RegValue> value = registry.QueryValue(item.hive, item.key, name)) {
      state.values.push_back({name, std::move(*value)});
    }
  }
}

void RestoreRegistryItem(const ChangeItem& item, const ItemState& state, Registry& registry) {
  if (item.kind == ItemKind::Value) {
    if (state.values.empty())
      (void)registry.DeleteValue(item.hive, item.key, item.name);
    else
      (void)registry.SetValue(item.hive, item.key, item.name, state.values.front().value);
    RemoveCreatedKeys(item, state, registry);
    return;
  }
  for (const std::string& name : registry.ValueNames(item.hive, item.key)) {
    if (!HasValueNamed(state.values, name)) (void)registry.DeleteValue(item.hive, item.key, name);
  }
  for (const NamedValue& v : state.values) (void)registry.SetValue(item.hive, item.key, v.name, v.value);
  RemoveCreatedKeys(item, state, registry);
}

Status RestoreFolder(const ChangeItem& item, bool there) {
  if (there) {
    if (::mkdir(item.native.c_str(), 0755) != 0 && errno != EEXIST) return StatusFromErrno(errno, item.shown);
    return Status::Ok();
  }
  if (::rmdir(item.native.c_str()) != 0 && errno != ENOENT && errno != ENOTEMPTY && errno != EEXIST) {
    return StatusFromErrno(errno, item.shown);
  }
  return Status::Ok();
}

}  // namespace

Status CaptureState(const ChangeItem& item, Registry& registry, ItemState& state) {
  state = ItemState{};
  if (item.kind == ItemKind::File) return CaptureFile(item, state);
  if (item.kind == ItemKind::Folder) {
    struct stat st {};
    state.exists = ::lstat(item.native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return Status::Ok();
  }
  CaptureRegistry(item, registry, state);
  return Status::Ok();
}

Status RestoreStates(const std::vector<ChangeItem>& items, const std::vector<ItemState>& states, Registry& registry,
                     RestoreGuard& files) {
  Registry::Batch batch(registry);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (InRegistry(items[i].kind)) RestoreRegistryItem(items[i], states[i], registry);
  }
  Status status = batch.Commit();
  if (!status.ok()) return status;
  // Folders that were there first (parents before children), then the files, then the folders
  // that were not, children first, each only when it is empty again.
  for (std::size_t i = 0; i < items.size() && status.ok(); ++i) {
    if (items[i].kind == ItemKind::Folder && states[i].exists) status = RestoreFolder(items[i], true);
  }
  for (std::size_t i = 0; i < items.size() && status.ok(); ++i) {
    if (items[i].kind == ItemKind::File) status = files.Restore(items[i], states[i]);
  }
  for (std::size_t i = items.size(); i-- > 0 && status.ok();) {
    if (items[i].kind == ItemKind::Folder && !states[i].exists) status = RestoreFolder(items[i], false);
  }
  return status;
}

ChangeScope::ChangeScope(Journal* journal, Registry& registry, std::string what, std::string where)
    : journal_(journal), registry_(registry) {
  record_.what = std::move(what);
  record_.where = std::move(where);
}

ChangeScope::~ChangeScope() = default;

void ChangeScope::AddOnDisk(ItemKind kind, std::string native, std::string shown) {
  ChangeItem item;
  item.kind = kind;
  item.native = std::move(native);
  item.shown = std::move(shown);
  AddItem(std::move(item));
}

void ChangeScope::AddValue(Hive hive, std::string key, std::string name) {
  ChangeItem item;
  item.kind = ItemKind::Value;
  item.hive = hive;
  item.shown = RegistryPathText(hive, key, name, true);
  item.key = std::move(key);
  item.name = std::move(name);
  AddItem(std::move(item));
}

void ChangeScope::AddKey(Hive hive, std::string key) {
  ChangeItem item;
  item.kind = ItemKind::Key;
  item.hive = hive;
  item.shown = RegistryPathText(hive, key, "", false);
  item.key = std::move(key);
  AddItem(std::move(item));
}

void ChangeScope::NotRecorded(const std::string& reason) {
  journal_->Report("varnel: " + record_.what + ": not recorded for undo (" + reason + ")");
}

bool ChangeScope::Begin() {
  if (!journal_) return false;
  record_.time = std::time(nullptr);
  record_.before.clear();
  for (const ChangeItem& item : record_.items) {
    ItemState state;
    const Status captured = CaptureState(item, registry_, state);
    if (!captured.ok()) {
      NotRecorded(captured.message);
      return false;
    }
    record_.before.push_back(std::move(state));
  }
  const bool touchesRegistry = std::any_of(record_.items.begin(), record_.items.end(),
                                           [](const ChangeItem& item) { return InRegistry(item.kind); });
  if (touchesRegistry && registry_.wine().Running()) {
    const Status caught = CatchUpWithWine(*journal_, registry_, record_.items, record_.before);
    if (!caught.ok()) {
      NotRecorded(caught.message);
      return false;
    }
  }
  const Status begun = journal_->Begin(record_, number_, underWay_);
  if (!begun.ok()) {
    number_ = 0;
    NotRecorded("the journal " + journal_->folder() + " cannot be written: " + begun.message);
  }
  return begun.ok();
}

void ChangeScope::Finish() {
  if (!journal_ || number_ == 0) return;
  std::vector<ItemState> after;
  bool unchanged = true;
  for (std::size_t i = 0; i < record_.items.size(); ++i) {
    ItemState state;
    if (!CaptureState(record_.items[i], registry_, state).ok()) state.exists = false;
    const ItemState before = Fingerprint(record_.before[i]);
    after.push_back(Fingerprint(std::move(state)));
    unchanged = unchanged && after.back() == before;
  }
  if (unchanged) {
    Fail();
    return;
  }
  const Status finished = journal_->Finish(number_, after);
  if (!finished.ok())
    journal_->Report("varnel: " + record_.what + ": the journal could not mark the change finished (" +
                     finished.message + ")");
  underWay_.Release();
  journal_->Prune(number_);
}

void ChangeScope::Fail() {
  if (!journal_ || number_ == 0) return;
  journal_->Forget(number_);
  underWay_.Release();
  number_ = 0;
}

// A change of many files (an export) plans none: one record per file would cost a flush each.
constexpr std::size_t kMostPlannedItems = 64;

Status ChangeScope::Plan(const LandingWrite& write) {
  bool touched = false;
  for (std::size_t i = 0; i < record_.items.size(); ++i) {
    const ChangeItem& item = record_.items[i];
    if (write.contents && item.kind == ItemKind::File && item.native == write.native) {
      planned_[i] = FileFingerprint(*write.contents);
      touched = true;
    } else if (!write.contents && InRegistry(item.kind)) {
      ItemState state;
      (void)CaptureState(item, registry_, state);  // the registry holds the save's values by now
      planned_[i] = Fingerprint(std::move(state));
      touched = true;
    }
  }
  if (!touched) return Status::Ok();
  const Status planned = journal_->Plan(number_, planned_);
  // Unplanned, an interrupted change is undone only where things are as it found them.
  if (!planned.ok())
    journal_->Report("varnel: " + record_.what + ": the journal could not record the planned state (" +
                     planned.message + ")");
  return Status::Ok();
}

WatchWrites ChangeScope::PlanWrites() {
  planned_.clear();
  if (!journal_ || number_ == 0 || record_.items.size() > kMostPlannedItems) return WatchWrites(nullptr);
  for (std::size_t i = 0; i < record_.items.size(); ++i) {
    ItemState planned = Fingerprint(record_.before[i]);
    if (record_.items[i].kind == ItemKind::Folder) planned.exists = true;  // made by the write
    planned_.push_back(std::move(planned));
  }
  return WatchWrites([this](const LandingWrite& landing) { return Plan(landing); });
}

Status ChangeScope::Run(const std::function<Status()>& write) {
  Begin();
  Status written;
  {
    const WatchWrites planning = PlanWrites();
    written = write();
  }
  if (written.ok())
    Finish();
  else
    Fail();
  return written;
}

}  // namespace varnel

#pragma once
// How a writer records its change: name what it will touch, then Run() the write: the old state
// is read and recorded (flushed to disk) before it; right before each file or registry save of
// the write lands, the state it is about to leave is recorded too (the plan: an interrupted
// change is undone without a question only where things are as it found or planned them); after
// the write the change is marked finished
// with the new state's fingerprint, or, when the write failed, dropped (a failed write leaves
// things as they were). While the write runs the change is marked under way by a lock this
// process holds. Without a journal, or when the journal cannot be written, the scope does
// nothing but say so through the journal's reporter; the write goes ahead either way.
//
//   ChangeScope scope(journal, registry, "default browser set to Internet Explorer", where);
//   scope.AddValue(Hive::ClassesRoot, "http\\shell\\open\\command", "");
//   return scope.Run([&] { return MakeDefault(registry, browser); });
#include <functional>
#include <string>
#include <vector>

#include "journal/change_record.h"
#include "journal/journal.h"
#include "journal/restore_guard.h"
#include "winenv/registry.h"
#include "winenv/write_watch.h"

namespace varnel {

// The state of an item now: a file's whole bytes and permission bits, or the registry's values.
// Fails for a file that cannot be read (not a regular file, unreadable, too large to keep).
[[nodiscard]] Status CaptureState(const ChangeItem& item, Registry& registry, ItemState& state);

// Puts the items back into the recorded states: the registry's in one batch, then the files,
// under the guard's locks.
[[nodiscard]] Status RestoreStates(const std::vector<ChangeItem>& items, const std::vector<ItemState>& states,
                                   Registry& registry, RestoreGuard& files);

class ChangeScope {
 public:
  ChangeScope(Journal* journal, Registry& registry, std::string what, std::string where);
  ~ChangeScope();
  ChangeScope(const ChangeScope&) = delete;
  ChangeScope& operator=(const ChangeScope&) = delete;

  void AddFile(std::string native, std::string shown) {
    AddOnDisk(ItemKind::File, std::move(native), std::move(shown));
  }
  void AddFolder(std::string native, std::string shown) {
    AddOnDisk(ItemKind::Folder, std::move(native), std::move(shown));
  }
  void AddValue(Hive hive, std::string key, std::string name);
  // All values of the key, for a write that deletes the key and writes it anew.
  void AddKey(Hive hive, std::string key);
  void AddItem(ChangeItem item) { record_.items.push_back(std::move(item)); }

  // Begin(), the write, then Finish() when it succeeded and Fail() when not; the write's outcome.
  [[nodiscard]] Status Run(const std::function<Status()>& write);

  // The steps of Run, for a test that stops between them as a kill would.
  // Records the old state. False when it is not recorded (the reason has been reported).
  bool Begin();
  // Records, while the returned watch lives, the state each of the write's saves is about to leave
  // (nothing for a change not recorded, or of very many items).
  [[nodiscard]] WatchWrites PlanWrites();
  // Records the new state; a change that left everything as it was is dropped again.
  void Finish();
  // Drops the change of a write that failed.
  void Fail();
  // The number of the recorded change, 0 when none.
  int number() const { return number_; }

 private:
  void AddOnDisk(ItemKind kind, std::string native, std::string shown);
  Status Plan(const LandingWrite& write);
  void NotRecorded(const std::string& reason);

  Journal* journal_;
  Registry& registry_;
  ChangeRecord record_;
  int number_ = 0;
  FileLock underWay_;
  std::vector<ItemState> planned_;  // one per item: the state the write is about to leave
};

}  // namespace varnel

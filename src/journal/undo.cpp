#include "journal/undo.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "journal/change_scope.h"
#include "journal/restore_guard.h"
#include "journal/wine_state.h"

namespace varnel {

namespace {

std::string ChangeName(const JournalEntry& change) {
  return "change " + std::to_string(change.number) + " (" + change.record.what + ")";
}

// Whether each item is still in the given state. The registry is asked of Wine while a wineserver
// runs (its files may be behind), else read from the files like every file item.
Status CheckStates(Registry& registry, const std::vector<ChangeItem>& items, const std::vector<ItemState>& states,
                   std::vector<bool>& unchanged) {
  const bool askWine = registry.wine().Running() &&
                       std::any_of(items.begin(), items.end(), [](const ChangeItem& i) { return InRegistry(i.kind); });
  if (askWine) {
    const Status asked = WineHoldsStates(registry, items, states, unchanged);
    if (!asked.ok()) return Status::Error(asked.code, "the registry could not be checked with Wine: " + asked.message);
  } else {
    unchanged.assign(items.size(), true);
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (askWine && InRegistry(items[i].kind)) continue;
    ItemState now;
    unchanged[i] = CaptureState(items[i], registry, now).ok() && Fingerprint(std::move(now)) == states[i];
  }
  return Status::Ok();
}

// A damaged record blocks only the undo of itself and the changes before it.
Status DamagedRefusal(const Journal& journal, const JournalEntry& damaged, int newest) {
  const std::string number = std::to_string(damaged.number);
  std::string text = "change " + number + " cannot be read (" + damaged.damage +
                     "), so neither it nor an earlier change "
                     "can be undone: nothing was undone. ";
  if (damaged.number < newest) text += "The changes after it can be: undo " + std::to_string(damaged.number + 1) + ". ";
  return Status::Error(errc::kPathFileAccess, text + "Deleting " + journal.RecordPath(damaged.number) +
                                                  " drops the damaged change from the journal");
}

// Whether the fresh plan undoes the same changes as the plan the user saw.
bool SameChanges(const UndoPlan& seen, const UndoPlan& fresh) {
  return std::equal(seen.changes.begin(), seen.changes.end(), fresh.changes.begin(), fresh.changes.end(),
                    [](const JournalEntry& a, const JournalEntry& b) { return a.number == b.number; });
}

// Every file the plan's changes restore, each once.
std::vector<std::string> FilesOf(const UndoPlan& plan) {
  std::set<std::string> files;
  for (const JournalEntry& change : plan.changes) {
    for (const ChangeItem& item : change.record.items) {
      if (item.kind == ItemKind::File) files.insert(item.native);
    }
  }
  return {files.begin(), files.end()};
}

// What a change was about, without the "undo of change N: " its own undo put before it.
std::string_view WithoutUndoOf(std::string_view what) {
  constexpr std::string_view kUndoOf = "undo of change ";
  while (what.substr(0, kUndoOf.size()) == kUndoOf) {
    const std::size_t digits = what.find_first_not_of("0123456789", kUndoOf.size());
    if (digits == kUndoOf.size() || digits == std::string_view::npos || what.substr(digits, 2) != ": ") break;
    what.remove_prefix(digits + 2);
  }
  return what;
}

}  // namespace

// An undo of an undo names the change it undid once, then what that change was about.
std::string UndoWhat(const JournalEntry& change) {
  return "undo of change " + std::to_string(change.number) + ": " + std::string(WithoutUndoOf(change.record.what));
}

std::string UndoQuestion(const JournalEntry& change) { return "Undo the last change, " + change.record.what + "?"; }

std::string MovedOnText(const UndoPlan& plan) {
  std::string text;
  for (const std::string& moved : plan.moved) text += (text.empty() ? "" : "; ") + moved;
  return text;
}

Status PlanUndo(const Journal& journal, Registry& registry, std::optional<int> from, UndoPlan& plan) {
  plan = UndoPlan{};
  plan.from = from;
  std::vector<JournalEntry> entries;
  const Status listed = journal.List(entries);
  if (!listed.ok()) return Status::Error(listed.code, listed.message + ": nothing was undone");
  if (entries.empty()) return Status::Error(errc::kFileNotFound, "there is no recorded change to undo");
  const int first = from.value_or(entries.front().number);
  if (std::none_of(entries.begin(), entries.end(), [&](const JournalEntry& e) { return e.number == first; })) {
    return Status::Error(errc::kFileNotFound, "there is no change " + std::to_string(first) + " in the journal");
  }
  const DriveMap drives(registry.prefix());
  for (JournalEntry& entry : entries) {
    if (entry.number < first) break;
    if (entry.damage.empty()) entry.damage = UntrustedFileItems(entry.record, drives, registry.prefix());
    if (!entry.damage.empty()) return DamagedRefusal(journal, entry, entries.front().number);
    if (entry.underWay) {
      return Status::Error(errc::kPathFileAccess, ChangeName(entry) +
                                                      " is under way in another run of Varnel: nothing "
                                                      "was undone; undo it once that run has finished");
    }
    plan.changes.push_back(std::move(entry));
  }
  // Each item is compared with the state the newest of the changes left it in; an item of an
  // interrupted change with the state it found or, when recorded, the one its write planned.
  std::set<std::string> seen;
  std::vector<ChangeItem> items;
  std::vector<ItemState> left, planned;
  std::vector<std::string> since;
  for (const JournalEntry& change : plan.changes) {
    if (!change.after) plan.unchecked.push_back(ChangeName(change));
    for (std::size_t i = 0; i < change.record.items.size(); ++i) {
      const ChangeItem& item = change.record.items[i];
      if (!seen.insert(ItemIdentity(item)).second) continue;
      items.push_back(item);
      if (change.after) {
        left.push_back((*change.after)[i]);
        planned.push_back(left.back());
        since.push_back(" changed since " + ChangeName(change));
        continue;
      }
      left.push_back(Fingerprint(change.record.before[i]));
      planned.push_back(change.planned ? (*change.planned)[i] : left.back());
      since.push_back(" is neither as " + ChangeName(change) +
                      " found it nor as it would have left it (it was "
                      "interrupted)");
    }
  }
  std::vector<bool> unchanged, asPlanned;
  Status checked = CheckStates(registry, items, left, unchanged);
  if (checked.ok() && planned != left) checked = CheckStates(registry, items, planned, asPlanned);
  if (!checked.ok()) return checked;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!unchanged[i] && !(i < asPlanned.size() && asPlanned[i])) plan.moved.push_back(items[i].shown + since[i]);
  }
  return Status::Ok();
}

Status CarryOutUndo(Journal& journal, Registry& registry, const UndoPlan& seen, bool force) {
  // Checked again under the undo's lock: another undo or change since the plan was made is
  // never undone unseen, and no other undo runs until this one is over.
  FileLock undoLock;
  Status status = journal.LockForUndo(undoLock);
  if (!status.ok())
    return Status::Error(status.code, "the journal cannot be locked (" + status.message + "): nothing was undone");
  // The files' writers take turns under their folders' locks: from the check to the restore
  // none of them writes.
  RestoreGuard files;
  status = files.Lock(FilesOf(seen));
  if (!status.ok()) return Status::Error(status.code, status.message + ": nothing was undone");
  UndoPlan plan;
  status = PlanUndo(journal, registry, seen.from, plan);
  if (!status.ok()) return status;
  if (!SameChanges(seen, plan)) {
    return Status::Error(errc::kPathFileAccess,
                         "the journal changed since the undo was planned (another run of Varnel "
                         "recorded or undid a change): nothing was undone");
  }
  if (!plan.moved.empty() && !force)
    return Status::Error(errc::kPathFileAccess, MovedOnText(plan) + "; nothing was undone");
  for (const JournalEntry& change : plan.changes) {
    ChangeScope scope(&journal, registry, UndoWhat(change), change.record.where);
    for (const ChangeItem& item : change.record.items) scope.AddItem(item);
    // Not Run(): a restore that stopped half-way has changed what it restored, and that stays
    // recorded as finished, so it can be undone in turn.
    scope.Begin();
    const Status restored = RestoreStates(change.record.items, change.record.before, registry, files);
    scope.Finish();
    if (!restored.ok()) {
      return Status::Error(restored.code,
                           "change " + std::to_string(change.number) + " was not undone: " + restored.message);
    }
  }
  return Status::Ok();
}

}  // namespace varnel

#include "journal/undo.h"

#include <algorithm>
#include <set>

#include "journal/change_scope.h"

namespace varnel {

namespace {

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// What an item is, whichever change names it: a file by its native path, a registry item by
// hive, key and name without case.
std::string Identity(const ChangeItem& item) {
  const std::string hive = std::to_string(static_cast<int>(item.hive));
  switch (item.kind) {
    case ItemKind::File: return "file " + item.native;
    case ItemKind::Value: return "value " + hive + Folded(item.key) + "\n" + Folded(item.name);
    case ItemKind::Key: return "key " + hive + Folded(item.key);
  }
  return "";
}

std::string ChangeName(const JournalEntry& change) {
  return "change " + std::to_string(change.number) + " (" + change.record.what + ")";
}

}  // namespace

std::string UndoWhat(const JournalEntry& change) {
  return "undo of change " + std::to_string(change.number) + ": " + change.record.what;
}

std::string UndoQuestion(const JournalEntry& change) {
  return "Undo the last change, " + change.record.what + "?";
}

std::string MovedOnText(const UndoPlan& plan) {
  std::string text;
  for (const std::string& moved : plan.moved) text += (text.empty() ? "" : "; ") + moved;
  return text;
}

Status PlanUndo(const Journal& journal, Registry& registry, std::optional<int> from, UndoPlan& plan) {
  plan = UndoPlan{};
  std::vector<JournalEntry> entries = journal.List();
  if (entries.empty()) return Status::Error(errc::kFileNotFound, "there is no recorded change to undo");
  const int first = from.value_or(entries.front().number);
  if (std::none_of(entries.begin(), entries.end(), [&](const JournalEntry& e) { return e.number == first; })) {
    return Status::Error(errc::kFileNotFound, "there is no change " + std::to_string(first) + " in the journal");
  }
  for (JournalEntry& entry : entries) {
    if (entry.number < first) break;
    if (!entry.damage.empty()) {
      return Status::Error(errc::kPathFileAccess, "change " + std::to_string(entry.number) + " cannot be read (" +
                                                      entry.damage + "): nothing was undone");
    }
    plan.changes.push_back(std::move(entry));
  }
  std::set<std::string> seen;
  for (const JournalEntry& change : plan.changes) {
    if (!change.after) plan.unchecked.push_back(ChangeName(change));
    for (std::size_t i = 0; i < change.record.items.size(); ++i) {
      const ChangeItem& item = change.record.items[i];
      if (!seen.insert(Identity(item)).second || !change.after) continue;
      ItemState now;
      const Status captured = CaptureState(item, registry, now);
      if (!captured.ok() || Fingerprint(std::move(now)) != (*change.after)[i]) {
        plan.moved.push_back(item.shown + " changed since " + ChangeName(change));
      }
    }
  }
  return Status::Ok();
}

Status CarryOutUndo(Journal& journal, Registry& registry, const UndoPlan& plan, bool force) {
  if (!plan.moved.empty() && !force) return Status::Error(errc::kPathFileAccess, MovedOnText(plan) + "; nothing was undone");
  for (const JournalEntry& change : plan.changes) {
    ChangeScope scope(&journal, registry, UndoWhat(change), change.record.where);
    for (const ChangeItem& item : change.record.items) scope.AddItem(item);
    scope.Begin();
    const Status restored = RestoreStates(change.record.items, change.record.before, registry);
    scope.Finish();
    if (!restored.ok()) {
      return Status::Error(restored.code, "change " + std::to_string(change.number) + " was not undone: " + restored.message);
    }
  }
  return Status::Ok();
}

}  // namespace varnel

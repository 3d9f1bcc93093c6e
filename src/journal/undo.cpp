#include "journal/undo.h"

#include <algorithm>
#include <set>

#include "journal/change_scope.h"
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
  const bool askWine = registry.WineServerRunning() &&
                       std::any_of(items.begin(), items.end(), [](const ChangeItem& i) { return i.kind != ItemKind::File; });
  if (askWine) {
    const Status asked = WineHoldsStates(registry, items, states, unchanged);
    if (!asked.ok()) return Status::Error(asked.code, "the registry could not be checked with Wine: " + asked.message);
  } else {
    unchanged.assign(items.size(), true);
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (askWine && items[i].kind != ItemKind::File) continue;
    ItemState now;
    unchanged[i] = CaptureState(items[i], registry, now).ok() && Fingerprint(std::move(now)) == states[i];
  }
  return Status::Ok();
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
  // Each item is compared with the state the newest of the changes left it in.
  std::set<std::string> seen;
  std::vector<ChangeItem> items;
  std::vector<ItemState> left;
  std::vector<std::string> since;
  for (const JournalEntry& change : plan.changes) {
    if (!change.after) plan.unchecked.push_back(ChangeName(change));
    for (std::size_t i = 0; i < change.record.items.size(); ++i) {
      const ChangeItem& item = change.record.items[i];
      if (!seen.insert(ItemIdentity(item)).second || !change.after) continue;
      items.push_back(item);
      left.push_back((*change.after)[i]);
      since.push_back(ChangeName(change));
    }
  }
  std::vector<bool> unchanged;
  const Status checked = CheckStates(registry, items, left, unchanged);
  if (!checked.ok()) return checked;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!unchanged[i]) plan.moved.push_back(items[i].shown + " changed since " + since[i]);
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

#include "journal/wine_state.h"

#include <algorithm>

namespace varnel {

namespace {

// The state a newer one replaces, said as expected states: the newer state's own, and for a key
// the values the older state has that the newer has not, as gone.
std::vector<RegistryEdit> Replacing(const ChangeItem& item, const ItemState& older, const ItemState& newer) {
  std::vector<RegistryEdit> expected = ExpectedStates(item, newer);
  if (item.kind != ItemKind::Key || !newer.exists) return expected;
  for (const NamedValue& v : older.values) {
    if (!HasValueNamed(newer.values, v.name))
      expected.push_back(RegistryEdit::DeleteValue(item.hive, item.key, v.name));
  }
  return expected;
}

// An old state read this run, in a value read from Wine itself at the run's start: it is what
// Wine holds, with nothing to ask.
bool ReadFromWine(Registry& registry, const ChangeItem& item) {
  return item.kind == ItemKind::Value && registry.wine().WasRead(item.hive, item.key, item.name);
}

// The state of the item that the newest finished change naming it left, if any.
std::optional<ItemState> LastRecordedState(const std::vector<JournalEntry>& entries, const ChangeItem& item) {
  const std::string identity = ItemIdentity(item);
  for (const JournalEntry& entry : entries) {
    if (!entry.after) continue;
    for (std::size_t i = 0; i < entry.record.items.size(); ++i) {
      if (ItemIdentity(entry.record.items[i]) == identity) return (*entry.after)[i];
    }
  }
  return std::nullopt;
}

// Asks Wine about groups of expected states at once: held[g] when every state of group g is held.
Status AskGroups(Registry& registry, const std::vector<std::vector<RegistryEdit>>& groups, std::vector<bool>& held) {
  std::vector<RegistryEdit> all;
  for (const auto& group : groups) all.insert(all.end(), group.begin(), group.end());
  std::vector<bool> each;
  if (!all.empty()) {
    const Status asked = registry.wine().AskHeld(all, each);
    if (!asked.ok()) return asked;
  }
  held.assign(groups.size(), true);
  std::size_t at = 0;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    for (std::size_t k = 0; k < groups[g].size(); ++k) held[g] = held[g] && each[at++];
  }
  return Status::Ok();
}

}  // namespace

std::vector<RegistryEdit> ExpectedStates(const ChangeItem& item, const ItemState& state) {
  if (OnDisk(item.kind)) return {};
  if (item.kind == ItemKind::Value) {
    std::optional<RegValue> value;
    if (!state.values.empty()) value = state.values.front().value;
    return {RegistryEdit::Leaving(item.hive, item.key, item.name, std::move(value))};
  }
  if (!state.exists) return {RegistryEdit::DeleteKey(item.hive, item.key)};
  std::vector<RegistryEdit> expected;
  for (const NamedValue& v : state.values)
    expected.push_back(RegistryEdit::SetValue(item.hive, item.key, v.name, v.value));
  return expected;
}

Status WineHoldsStates(Registry& registry, const std::vector<ChangeItem>& items, const std::vector<ItemState>& states,
                       std::vector<bool>& held) {
  std::vector<std::vector<RegistryEdit>> groups;
  for (std::size_t i = 0; i < items.size(); ++i) groups.push_back(ExpectedStates(items[i], states[i]));
  return AskGroups(registry, groups, held);
}

Status CatchUpWithWine(const Journal& journal, Registry& registry, const std::vector<ChangeItem>& items,
                       std::vector<ItemState>& states) {
  std::vector<ChangeItem> toAsk;
  std::vector<ItemState> asked;
  for (std::size_t i = 0; i < items.size(); ++i) {
    // A file, or a value read from Wine this run, has nothing to ask: an empty file item stands in.
    const bool nothingToAsk = OnDisk(items[i].kind) || ReadFromWine(registry, items[i]);
    toAsk.push_back(nothingToAsk ? ChangeItem{} : items[i]);
    asked.push_back(nothingToAsk ? ItemState{} : states[i]);
  }
  std::vector<bool> held;
  Status status = WineHoldsStates(registry, toAsk, asked, held);
  if (!status.ok()) return status;
  if (std::all_of(held.begin(), held.end(), [](bool h) { return h; })) return Status::Ok();
  std::vector<JournalEntry> entries;
  status = journal.List(entries);
  if (!status.ok()) return status;
  std::vector<std::size_t> behind;
  std::vector<ItemState> recorded;
  std::vector<std::vector<RegistryEdit>> groups;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (held[i]) continue;
    std::optional<ItemState> last = LastRecordedState(entries, items[i]);
    if (!last) return Status::Error(errc::kDeviceIo, items[i].shown + " is not in Wine's files as Wine holds it yet");
    behind.push_back(i);
    groups.push_back(Replacing(items[i], states[i], *last));
    recorded.push_back(std::move(*last));
  }
  status = AskGroups(registry, groups, held);
  if (!status.ok()) return status;
  std::vector<RegistryEdit> known;
  for (std::size_t k = 0; k < behind.size(); ++k) {
    if (!held[k])
      return Status::Error(errc::kDeviceIo, items[behind[k]].shown + " is not in Wine's files as Wine holds it yet");
    known.insert(known.end(), groups[k].begin(), groups[k].end());
    states[behind[k]] = std::move(recorded[k]);
  }
  registry.wine().TakeHeld(known);
  return Status::Ok();
}

}  // namespace varnel

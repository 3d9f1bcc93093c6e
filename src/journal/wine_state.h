#pragma once
// While a wineserver serves the prefix it holds the registry in memory and writes the hive files
// only now and then, so a new run of Varnel may read values the files have not caught up with.
// The states the journal records and compares are then checked with Wine itself.
#include <vector>

#include "journal/change_record.h"
#include "journal/journal.h"
#include "winenv/registry.h"

namespace varnel {

// What says that a registry item is in `state`, as the edits that would leave it so: each of its
// values as recorded, or that it is not there.
std::vector<RegistryEdit> ExpectedStates(const ChangeItem& item, const ItemState& state);

// For every item, whether Wine holds the state given for it (a file counts as held). Fails when
// Wine cannot be asked.
[[nodiscard]] Status WineHoldsStates(Registry& registry, const std::vector<ChangeItem>& items,
                                     const std::vector<ItemState>& states, std::vector<bool>& held);

// Brings old states read from the hive files up to what Wine holds: an item Wine does not hold as
// read is taken from the newest finished change that names it, when Wine holds that, and the
// registry reads it so for the rest of the run. Fails, naming the item, when Wine holds neither.
[[nodiscard]] Status CatchUpWithWine(const Journal& journal, Registry& registry, const std::vector<ChangeItem>& items,
                                     std::vector<ItemState>& states);

}  // namespace varnel

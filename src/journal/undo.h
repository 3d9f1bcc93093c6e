#pragma once
// Undoing recorded changes: the newest one, or one change and every later one, newest first.
// Before anything is touched every item is compared with the state the newest of those changes
// left it in; something changed since (the browser rewrote prefs.js, the user edited a value)
// stops the undo unless it is forced. A change that never finished has no such state to compare
// with: its recorded old state is restored as it is. Each undo is recorded as a change of its
// own, so it can be undone in turn.
#include <optional>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "winenv/registry.h"

namespace varnel {

struct UndoPlan {
  std::optional<int> from;             // as asked: none for the newest change
  std::vector<JournalEntry> changes;   // to undo, newest first
  std::vector<std::string> moved;      // "<item> changed since change N (<what>)"
  std::vector<std::string> unchecked;  // changes that never finished (checked against their old and planned states)
};

// The plan for undoing change `from` and every later one (the newest alone without it). Fails
// when there is nothing to undo, no such change, the journal cannot be read, a change among them
// cannot be read (saying what the user can do), or one is under way in another run of Varnel.
[[nodiscard]] Status PlanUndo(const Journal& journal, Registry& registry, std::optional<int> from, UndoPlan& plan);

// Undoes the plan's changes, newest first, each recorded as "undo of change N: <what change N was
// about>" (an undone undo is named once, its own "undo of change M: " left out). The plan is
// made again under the undo's lock; refused (code 75) when that finds other changes than the
// plan did, or (naming what changed) something moved on, unless `force`.
[[nodiscard]] Status CarryOutUndo(Journal& journal, Registry& registry, const UndoPlan& plan, bool force);

// The text of an undo's own change, and the question the windows ask before it.
std::string UndoWhat(const JournalEntry& change);
std::string UndoQuestion(const JournalEntry& change);
// "<item> changed since change N (<what>); ..."
std::string MovedOnText(const UndoPlan& plan);

}  // namespace varnel

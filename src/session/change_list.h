#pragma once
// The recorded changes as the user sees them, in the Changes dialog and from `varnel changes`:
// one line each, newest first, and the questions asked before an undo.
#include <cstdint>
#include <string>

#include "journal/journal.h"
#include "journal/undo.h"

namespace varnel {

// "2026-12-09 16:05:12", local time.
std::string ChangeTimeText(std::int64_t seconds);
// "12  2026-12-09 16:05:12  bookmark added: Home  (c:\netscape\jane\bookmark.htm)", with
// "  unfinished" after a change that never finished; "12  damaged record" for one that cannot be read.
std::string ChangeLine(const JournalEntry& entry);

// The first question before an undo: for the newest change alone "Undo the last change, <what>?",
// else it names the chosen change and how many later ones go with it.
std::string UndoPlanQuestion(const UndoPlan& plan);
// The second one, when something changed since: what would be lost. Its Yes is never the
// default answer.
std::string UndoOverwriteQuestion(const UndoPlan& plan);

}  // namespace varnel

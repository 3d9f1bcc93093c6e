#pragma once
// A journal's (or a session's) changes, newest first, for a test that expects the journal to be
// readable.
#include <vector>

#include "journal/journal.h"
#include "session/session.h"
#include "testsupport/expect_ok.h"

namespace varnel::test {

inline std::vector<JournalEntry> JournalEntries(const Journal& journal) {
  std::vector<JournalEntry> entries;
  ExpectOk(journal.List(entries));
  return entries;
}

inline std::vector<JournalEntry> JournalEntries(const Session& session) {
  std::vector<JournalEntry> entries;
  ExpectOk(session.ListChanges(entries));
  return entries;
}

}  // namespace varnel::test

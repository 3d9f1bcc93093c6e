#pragma once
// The change journal of one prefix: $XDG_STATE_HOME/varnel/<hash of the prefix's path>/ (default
// ~/.local/state/varnel/...), the prefix's path in the file "prefix" there. Each change is the
// file NNNNNN.change, written and flushed to disk (file and folder) before the write it
// describes, and NNNNNN.done once the write is over, holding the new state's fingerprint. A
// change without its .done was interrupted: it shows as unfinished. Before the write lands,
// NNNNNN.plan holds the fingerprint of the state the write is about to leave. Each file is written whole
// under a temporary name, flushed and then renamed, so a kill leaves a record whole or not at
// all. A number is chosen and its record written under the journal's lock (".lock"); while a
// change is under way its process holds the lock NNNNNN.lock, which the kernel drops when the
// process ends, so a killed change is told from a running one. Folders are 0700, files 0600.
// The journal keeps the newest 200 changes and no more than 50 MB; older ones are dropped. A
// record larger than that is damaged: it is never read, and it counts for no bound.
//
// A journal that cannot be written never stops the write it would describe: the caller tells
// the user the change is "not recorded for undo" and goes ahead.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "journal/change_record.h"
#include "winenv/file_lock.h"
#include "winenv/prefix.h"
#include "winenv/status.h"

namespace varnel {

inline constexpr std::size_t kJournalMaxChanges = 200;
inline constexpr std::uint64_t kJournalMaxBytes = 50ull * 1024 * 1024;
// Change numbers are written with six to nine digits; a file named otherwise is no change.
inline constexpr int kJournalMaxNumber = 999'999'999;

struct JournalEntry {
  int number = 0;
  ChangeRecord record;
  std::optional<std::vector<ItemState>> after;    // none: the change never finished
  std::optional<std::vector<ItemState>> planned;  // unfinished: the state its write was about to leave
  bool underWay = false;                          // unfinished, and its process still runs it
  std::string damage;                             // why the record cannot be read, "" when it can
  std::uint64_t bytes = 0;                        // on disk
};

class Journal {
 public:
  // The journal's folder for a prefix (its canonical path when it exists).
  static std::string FolderFor(const std::string& prefix, const EnvLookup& env);

  Journal(std::string folder, std::string prefix);

  // Problems the user should hear of (a damaged record, a journal that cannot be written): the
  // command line says them on stderr, the windows in a message box.
  using Reporter = std::function<void(const std::string& text)>;
  void SetReporter(Reporter reporter) { reporter_ = std::move(reporter); }
  void Report(const std::string& text) const;

  // Writes the record as the next change, whole and flushed; `number` receives its number and
  // `underWay` the change's lock, held until the change is marked finished or forgotten.
  [[nodiscard]] Status Begin(const ChangeRecord& record, int& number, FileLock& underWay);
  // Records, whole and flushed, the state the change's write is about to leave, before it lands:
  // an unfinished change is then undone only where things are as it found or as it would leave them.
  [[nodiscard]] Status Plan(int number, const std::vector<ItemState>& planned);
  // Marks the change finished with the state the write left.
  [[nodiscard]] Status Finish(int number, const std::vector<ItemState>& after);
  // Removes a change that turned out to change nothing, or whose write failed.
  void Forget(int number);
  // Every change, newest first; damaged records are listed with their damage. Fails when the
  // journal's folder is there but cannot be read.
  [[nodiscard]] Status List(std::vector<JournalEntry>& entries) const;
  // The undo's lock (".undo.lock"), held by an undo from its check to its last restore, so that
  // two undos never undo the same change.
  [[nodiscard]] Status LockForUndo(FileLock& lock) const;
  // The file a change is kept in.
  std::string RecordPath(int number) const { return PathOf(number, "change"); }
  // Drops the oldest changes beyond the bound (never `keep`, the change just made).
  void Prune(int keep);

  const std::string& folder() const { return folder_; }
  void SetBound(std::size_t maxChanges, std::uint64_t maxBytes) {
    maxChanges_ = maxChanges;
    maxBytes_ = maxBytes;
  }

 private:
  Status Prepare(FileLock& journalLock) const;
  std::string PathOf(int number, const char* extension) const;
  Status Numbers(std::vector<int>& numbers) const;
  // Whether a change is still under way in a process that holds its lock.
  bool UnderWay(int number) const;
  void RemoveTemporaries() const;

  std::string folder_;
  std::string prefix_;
  Reporter reporter_;
  std::size_t maxChanges_ = kJournalMaxChanges;
  std::uint64_t maxBytes_ = kJournalMaxBytes;
};

}  // namespace varnel

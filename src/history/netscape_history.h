#pragma once
// Netscape keeps the addresses typed into its location bar as preference lines of prefs.js in
// the user's profile directory:
//   user_pref("browser.url_history.URL_1", "http://www.example.com/");
//
// ReadNetscapeHistory splits prefs.js: each history line gives one item (the rest of the line
// after its first comma and the blank behind it, e.g. "http://www.example.com/");), every
// other line goes, in file order, into the working copy test.js beside prefs.js. The working
// copy stays open until WriteNetscapeHistory appends the items as history lines numbered from 1,
// closes it and copies it over prefs.js. So a save puts the whole history at the end of
// prefs.js, in list order, and keeps every other line where it was.
//
// prefs.js is replaced only by a working copy that a read completed since the program started,
// read back through the file the read created and holds open (whatever has test.js's name by then
// is never copied in), and only while prefs.js is still the file that read saw (a browser or
// another Varnel that rewrote it meanwhile would lose its changes). The replacement is atomic,
// under prefs.js's replacement lock (guarded_replace.h), follows a link at prefs.js and keeps its
// permission bits; on any failure prefs.js stays as it was.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/drive_map.h"
#include "winenv/file_identity.h"
#include "winenv/status.h"
#include "winenv/text_lines.h"

namespace varnel {

inline constexpr std::string_view kHistoryKey = "browser.url_history.URL_";
inline constexpr std::string_view kHistoryLineStart = "user_pref(\"browser.url_history.URL_";

// Receives each history item as soon as its line has been read.
using HistoryItemSink = std::function<void(const std::string& item)>;

// A history line holds the key text at 1-based position 12 or later (the first 11 characters,
// the length of `user_pref("`, are not searched); letter case counts.
bool IsHistoryLine(std::string_view line);
// The item of a history line: its last L - C - 1 characters, with L the line's length and C the
// 1-based position of its first comma (0 when it has none). A line whose first comma is its last
// character has no item: code 5.
Status CutHistoryItem(std::string_view line, std::string& item);
// `user_pref("browser.url_history.URL_<number>", <item>`.
std::string ComposeHistoryLine(std::size_t number, std::string_view item);

// The file names are the profile directory with "\prefs.js" or "\test.js" appended unchanged.
std::string PrefsFileName(std::string_view profileDirectory);
std::string WorkingCopyFileName(std::string_view profileDirectory);

// The program's one working copy (test.js). It exists from a read until the next write, the
// next read or CloseAll(); only a read that ran to the end of prefs.js makes it complete.
class NetscapeWorkingCopy {
 public:
  NetscapeWorkingCopy() = default;
  NetscapeWorkingCopy(const NetscapeWorkingCopy&) = delete;
  NetscapeWorkingCopy& operator=(const NetscapeWorkingCopy&) = delete;

  // Closes the working copy without writing anything more; it is then no longer usable.
  void CloseAll();
  bool HasCompleteWorkingCopy() const { return complete_ && file_.is_open(); }
  // Native paths of the files of the last read ("" before the first).
  const std::string& prefsPath() const { return prefsNative_; }
  const std::string& workingCopyPath() const { return file_.path(); }

 private:
  friend Status ReadNetscapeHistory(NetscapeWorkingCopy&, const DriveMap&, std::string_view, const HistoryItemSink&);
  friend Status WriteNetscapeHistory(NetscapeWorkingCopy&, const std::vector<std::string>&);

  TextLineWriter file_;
  std::string prefsNative_;
  FileIdentity prefsRead_;  // prefs.js as the completed read opened it
  bool complete_ = false;
};

// Closes the working copy, then reads prefs.js of the profile directory (a Windows path):
// items go to onItem, other lines into a fresh test.js, which stays open. Stops at the first
// failure, keeping what was done: code 53 when prefs.js does not exist, 5 for a history line
// that cannot be cut, a file-system code otherwise.
Status ReadNetscapeHistory(NetscapeWorkingCopy& workingCopy, const DriveMap& drives, std::string_view profileDirectory,
                           const HistoryItemSink& onItem);

// Appends one history line per item, numbered from 1, to the working copy, closes it and
// copies it over prefs.js of the directory it was read from. Refused (code 52) without a
// complete working copy, and (code 75) when prefs.js changed on disk after the read.
// Afterwards the working copy is closed, whatever the outcome; after success the new prefs.js
// is what the working copy holds (and test.js too, unless something was put in its place), after
// a failure prefs.js is unchanged.
Status WriteNetscapeHistory(NetscapeWorkingCopy& workingCopy, const std::vector<std::string>& items);

// Only lists the items of prefs.js, for looking without saving: no working copy is made.
Status ListNetscapeHistory(const DriveMap& drives, std::string_view profileDirectory, const HistoryItemSink& onItem);

}  // namespace varnel

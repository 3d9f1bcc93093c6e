#include "history/netscape_history.h"

#include "winenv/guarded_replace.h"

namespace varnel {
namespace {

// The key text is searched from the 12th character on: `user_pref("` is skipped.
constexpr std::size_t kKeySearchStart = 11;

using OtherLineSink = std::function<Status(const std::string& line)>;

Status WithContext(const Status& status, const std::string& context) {
  return Status::Error(status.code, context + ": " + status.message);
}

// Native path of a Windows file name; an unmapped drive means the file cannot be found.
Status MapToNative(const DriveMap& drives, const std::string& windowsPath, std::string& native) {
  native = drives.ToNative(windowsPath);
  if (!native.empty()) return Status::Ok();
  return Status::Error(errc::kPathNotFound, windowsPath + ": not a path on a drive of this Wine prefix");
}

// Reads prefs.js to its end, handing history items to onItem and every other line to
// onOtherLine, each as soon as it is read. Stops at the first failure.
Status SplitPrefsFile(TextLineReader& prefs, const HistoryItemSink& onItem, const OtherLineSink& onOtherLine) {
  std::string line;
  std::string item;
  while (prefs.ReadLine(line)) {
    if (!IsHistoryLine(line)) {
      Status kept = onOtherLine(line);
      if (!kept.ok()) return kept;
      continue;
    }
    // A line feed inside a history line means the file does not end its lines with CR (a
    // prefs.js from another system): cutting would swallow the lines that follow, so the read
    // stops there and the save is refused.
    if (line.find('\n') != std::string::npos) {
      return Status::Error(errc::kInvalidArgument,
                           "prefs.js ends its lines with line feeds only; its history lines cannot be told apart");
    }
    Status cut = CutHistoryItem(line, item);
    if (!cut.ok()) return cut;
    onItem(item);
  }
  return prefs.status();
}

Status OpenPrefs(const DriveMap& drives, std::string_view profileDirectory, TextLineReader& prefs,
                 std::string& prefsNative) {
  Status mapped = MapToNative(drives, PrefsFileName(profileDirectory), prefsNative);
  if (!mapped.ok()) return mapped;
  return prefs.Open(prefsNative);
}

}  // namespace

bool IsHistoryLine(std::string_view line) { return line.find(kHistoryKey, kKeySearchStart) != std::string_view::npos; }

Status CutHistoryItem(std::string_view line, std::string& item) {
  const std::size_t comma = line.find(',');
  const std::ptrdiff_t commaPosition = comma == std::string_view::npos ? 0 : static_cast<std::ptrdiff_t>(comma) + 1;
  const std::ptrdiff_t length = static_cast<std::ptrdiff_t>(line.size()) - commaPosition - 1;
  if (length < 0) {
    return Status::Error(errc::kInvalidArgument,
                         "A history line in prefs.js ends with its first comma: " + std::string(line));
  }
  item.assign(line.substr(line.size() - static_cast<std::size_t>(length)));
  return Status::Ok();
}

std::string ComposeHistoryLine(std::size_t number, std::string_view item) {
  std::string line(kHistoryLineStart);
  line += std::to_string(number);
  line += "\", ";
  line += item;
  return line;
}

std::string PrefsFileName(std::string_view profileDirectory) { return std::string(profileDirectory) + "\\prefs.js"; }

std::string WorkingCopyFileName(std::string_view profileDirectory) {
  return std::string(profileDirectory) + "\\test.js";
}

void NetscapeWorkingCopy::CloseAll() {
  file_.Abandon();
  complete_ = false;
}

Status ReadNetscapeHistory(NetscapeWorkingCopy& workingCopy, const DriveMap& drives, std::string_view profileDirectory,
                           const HistoryItemSink& onItem) {
  workingCopy.CloseAll();
  TextLineReader prefs;
  Status opened = OpenPrefs(drives, profileDirectory, prefs, workingCopy.prefsNative_);
  if (!opened.ok()) return opened;

  std::string workingNative;
  Status mapped = MapToNative(drives, WorkingCopyFileName(profileDirectory), workingNative);
  if (!mapped.ok()) return mapped;
  Status created = workingCopy.file_.Create(workingNative);
  if (!created.ok()) return WithContext(created, "Creating the working copy test.js");

  Status read =
      SplitPrefsFile(prefs, onItem, [&](const std::string& line) { return workingCopy.file_.WriteLine(line); });
  if (!read.ok()) return read;
  Status flushed = workingCopy.file_.Flush();
  if (!flushed.ok()) return WithContext(flushed, "Writing the working copy test.js");
  workingCopy.prefsRead_ = prefs.identity();
  workingCopy.complete_ = true;
  return Status::Ok();
}

Status WriteNetscapeHistory(NetscapeWorkingCopy& workingCopy, const std::vector<std::string>& items) {
  if (!workingCopy.HasCompleteWorkingCopy()) {
    workingCopy.CloseAll();
    return Status::Error(errc::kBadFileName,
                         "There is no complete working copy test.js to save from; open the Netscape MRU first");
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    Status written = workingCopy.file_.WriteLine(ComposeHistoryLine(i + 1, items[i]));
    if (!written.ok()) {
      workingCopy.CloseAll();
      return WithContext(written, "Writing the working copy test.js");
    }
  }
  // The save copies the working copy this program wrote, through the file it holds open: a file
  // or a link put in test.js's place since the open is never taken for it.
  std::string bytes;
  Status written = workingCopy.file_.ReadBack(bytes);
  const Status closed = workingCopy.file_.Close();
  workingCopy.complete_ = false;
  if (written.ok()) written = closed;
  if (!written.ok()) return WithContext(written, "Writing the working copy test.js");
  ReplaceGuard guard;
  Status locked = guard.Lock(workingCopy.prefsNative_);
  if (!locked.ok()) return WithContext(locked, "Copying test.js over prefs.js");
  const Status changed = Status::Error(errc::kPathFileAccess,
                                       "prefs.js was changed by another program after the Netscape MRU was opened; "
                                       "open it again and repeat your changes");
  const Status copied = guard.Replace(workingCopy.prefsRead_, {bytes}, changed);
  if (copied.ok() || copied.message == changed.message) return copied;
  return WithContext(copied, "Copying test.js over prefs.js");
}

Status ListNetscapeHistory(const DriveMap& drives, std::string_view profileDirectory, const HistoryItemSink& onItem) {
  TextLineReader prefs;
  std::string prefsNative;
  Status opened = OpenPrefs(drives, profileDirectory, prefs, prefsNative);
  if (!opened.ok()) return opened;
  return SplitPrefsFile(prefs, onItem, [](const std::string&) { return Status::Ok(); });
}

}  // namespace varnel

#include "bookmarks/transfers.h"

#include <algorithm>
#include <ctime>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/bookmark_markup.h"
#include "winenv/code_page.h"
#include "winenv/line_scanner.h"
#include "winenv/text_lines.h"

namespace varnel {

std::string FailureMessage(const Status& status) { return std::to_string(status.code) + " " + status.message; }

std::string takeOutSpecialChars(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (const char c : text) {
    const unsigned char code = static_cast<unsigned char>(c);
    // "|" too: Windows allows it in no file name, so a favorite named with it could not be opened.
    const bool dropped = (code >= 33 && code <= 47) || (code >= 58 && code <= 64) || c == '|';
    if (!dropped) kept += c;
  }
  return kept;
}

namespace {

bool IsDeviceName(std::string_view stem) {
  static constexpr std::string_view kDevices[] = {"con", "prn", "aux", "nul"};
  const std::string lower = LowerAnsi(stem);
  if (std::find(std::begin(kDevices), std::end(kDevices), lower) != std::end(kDevices)) return true;
  return lower.size() == 4 && (lower.starts_with("com") || lower.starts_with("lpt")) && lower[3] >= '1' &&
         lower[3] <= '9';
}

}  // namespace

std::string CollectionName(std::string_view title) {
  std::string name;
  name.reserve(title.size());
  for (const char c : title) {
    const bool dropped =
        static_cast<unsigned char>(c) < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    if (!dropped) name += c;
  }
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  const std::size_t dot = name.find('.');
  if (IsDeviceName(std::string_view(name).substr(0, dot)))
    name.insert(dot == std::string::npos ? name.size() : dot, "_");
  return name;
}

bool CutToBytes(std::string& name, std::size_t bytes) {
  if (name.size() <= bytes) return false;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;  // not inside a character
  name.resize(end);
  return true;
}

std::string FavoriteFileBytes(std::string_view address) {
  return "[InternetShortcut]\r\r\nURL=" + std::string(address) + "\r\r\n";
}

std::string FavoriteFileName(std::string_view title) { return takeOutSpecialChars(title) + ".url"; }

// Windows refuses control characters and "|" in a file name; the other characters it refuses
// are among those takeOutSpecialChars drops.
bool WindowsRefuses(std::string_view name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32 || c == '|') return true;
  }
  return false;
}

namespace {

// A failure of the file system told with the Windows path the user chose: the native path is
// UTF-8, which a message (1252 text) would show garbled. The system's description stays.
Status WithWindowsPath(const Status& failure, const std::string& windowsPath) {
  const std::size_t colon = failure.message.rfind(": ");
  const std::string reason = colon == std::string::npos ? failure.message : failure.message.substr(colon + 2);
  return Status::Error(failure.code, windowsPath + ": " + reason);
}

}  // namespace

Status FavoritePath(const DriveMap& drives, const std::string& favoritesDirectory, std::string_view title,
                    std::string& windowsPath, std::string& native) {
  const std::string name = FavoriteFileName(title);
  const std::string ansiName = AnsiFromUtf8(name);
  windowsPath = favoritesDirectory + "\\" + ansiName;
  if (Utf8FromAnsi(ansiName) == name) return drives.ToNativeFile(windowsPath, native);
  // A name the code page cannot spell is the file's real name in the directory.
  if (const Status mapped = drives.ToNativeFile(favoritesDirectory, native); !mapped.ok()) return mapped;
  std::string real = name;
  std::replace(real.begin(), real.end(), '\\', '/');  // a backslash names a sub-folder, as ever
  native += "/" + real;
  return Status::Ok();
}

Status WriteFavorite(const DriveMap& drives, const std::string& favoritesDirectory, std::string_view title,
                     std::string_view address, std::string& writtenPath) {
  std::string native;
  const Status mapped = FavoritePath(drives, favoritesDirectory, title, writtenPath, native);
  if (WindowsRefuses(FavoriteFileName(title))) {
    return Status::Error(errc::kBadFileName,
                         "Windows allows no control character and no \"|\" in a file name: " + writtenPath);
  }
  if (!mapped.ok()) return mapped;
  ReplaceGuard guard;
  const Status locked = guard.Lock(native);
  if (!locked.ok()) return locked;
  const Status written = guard.Replace(
      IdentityOf(native), {FavoriteFileBytes(address)},
      Status::Error(errc::kPathFileAccess, writtenPath + " was changed by another program while the favorite "
                                                         "was being written, so it was left as it is"));
  return written.ok() ? written : WithWindowsPath(written, writtenPath);
}

std::int64_t LocalClockSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<std::int64_t>(timegm(&local));  // the local fields counted as if they were UTC
}

std::string BookmarkLine(std::string_view address, std::string_view title, BookmarkCharset charset,
                         const std::function<std::int64_t()>& clock) {
  const std::string href = EncodeBookmarkText(address, charset, BookmarkField::Address);
  const std::string added = std::to_string(clock());
  const std::string visited = std::to_string(clock());
  const std::string modified = std::to_string(clock());
  return "\t<DT><A HREF=\"" + href + "\" ADD_DATE=\"" + added + "\" LAST_VISIT=\"" + visited + "\" LAST_MODIFIED=\"" +
         modified + "\">" + EncodeBookmarkText(title, charset, BookmarkField::Text) + "</A>";
}

std::string FolderHeaderLine(std::string_view name, BookmarkCharset charset,
                             const std::function<std::int64_t()>& clock) {
  return "\t<DT><H3 ADD_DATE=\"" + std::to_string(clock()) + "\">" +
         EncodeBookmarkText(name, charset, BookmarkField::Text) + "</H3>";
}

namespace {

constexpr std::string_view kHeadingEnd = "</H1>";

bool HoldsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// The name as a message shows it: a line break written \r or \n, so the message stays one line.
std::string VisibleName(std::string_view name) {
  std::string shown;
  for (const char c : name) {
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else {
      shown += c;
    }
  }
  return shown;
}

Status FavoriteRefused(int code, std::string_view title, std::string_view why) {
  return Status::Error(code, "The favorite \"" + VisibleName(title) + "\" was not added to bookmark.htm: " +
                                 std::string(why) + "; bookmark.htm was left as it is");
}

}  // namespace

Status CheckFavoriteForBookmarkLine(std::string_view address, std::string_view title) {
  if (HoldsLineBreak(title)) {
    return FavoriteRefused(errc::kBadFileName, title, "its name holds a line break, which would split its line");
  }
  if (HoldsLineBreak(address)) {
    return FavoriteRefused(errc::kInvalidArgument, title, "its address holds a line break, which would split its line");
  }
  return Status::Ok();
}

namespace {

// Writes a line to "tempfile" and to the copy held for bookmark.htm.
Status CopyLine(TextLineWriter& temp, std::string& bytes, std::string_view line) {
  bytes.append(line).append("\r\n");
  return temp.WriteLine(line);
}

}  // namespace

Status CopyBookmarksWithFavorite(const DriveMap& drives, const std::string& profileDirectory, std::string_view address,
                                 std::string_view title, const std::function<std::int64_t()>& clock,
                                 const std::string& tempNative, BookmarkCopy& copy) {
  copy = {};
  Status status = CheckFavoriteForBookmarkLine(address, title);
  if (!status.ok()) return status;
  const std::string fileName = BookmarkFileName(profileDirectory);
  status = drives.ToNativeFile(fileName, copy.bookmarkNative);
  if (!status.ok()) return status;
  const Status locked = copy.guard.Lock(copy.bookmarkNative);
  LineScanner bookmarks;
  status = bookmarks.Open(copy.bookmarkNative);
  if (!status.ok()) return status;  // a missing bookmark.htm is told as such, before a lock failure
  if (!locked.ok()) return locked;
  copy.readIdentity = bookmarks.identity();
  TextLineWriter temp;
  status = temp.Create(tempNative);
  if (!status.ok()) return status;
  // The line is made at the first heading, when the charset is known (declared before it).
  const auto makeLine = [&] {
    if (copy.insertedLine.empty()) copy.insertedLine = BookmarkLine(address, title, copy.charset, clock);
  };
  std::string_view line;
  while (status.ok() && bookmarks.Next(line)) {
    if (LineDeclaresUtf8(line, bookmarks.lineNumber() == 1)) copy.charset = BookmarkCharset::Utf8;
    status = CopyLine(temp, copy.bytes, line);
    if (status.ok() && line.find(kHeadingEnd) != std::string_view::npos) {
      makeLine();
      status = CopyLine(temp, copy.bytes, copy.insertedLine);
      ++copy.insertions;
    }
  }
  makeLine();
  if (status.ok()) status = bookmarks.status();
  const Status closed = temp.Close();
  return status.ok() ? closed : status;
}

Status ReplaceBookmarks(BookmarkCopy& copy) {
  const Status replaced = copy.guard.Replace(
      copy.readIdentity, {copy.bytes},
      Status::Error(errc::kPathFileAccess,
                    "bookmark.htm was changed by another program while the favorite was being added, so it was "
                    "left as it is; add the favorite again"));
  copy.guard.Unlock();
  return replaced;
}

std::vector<AnimationStep> BookmarkToFavoriteSteps() {
  std::vector<AnimationStep> steps;
  for (int x = 120; x <= 6000; x += 400) steps.push_back({x, 3000, x, 2800});
  for (int y = 3000; y >= 2000; y -= 10) steps.push_back({5720, y, 5720, y - 200});
  return steps;
}

std::vector<AnimationStep> FavoriteToBookmarkSteps() {
  std::vector<AnimationStep> steps;
  for (int x = 6720; x >= 300; x -= 400) steps.push_back({x, 2520, x, 3000});
  for (int y = 2520; y <= 3000; y += 10) steps.push_back({320, y, 320, y + 475});
  return steps;
}

}  // namespace varnel

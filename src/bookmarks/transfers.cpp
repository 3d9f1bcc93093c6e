#include "bookmarks/transfers.h"

#include <ctime>

#include "bookmarks/bookmark_load.h"
#include "winenv/atomic_file.h"
#include "winenv/line_scanner.h"
#include "winenv/text_lines.h"

namespace varnel {

std::string FailureMessage(const Status& status) { return std::to_string(status.code) + " " + status.message; }

std::string takeOutSpecialChars(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (const char c : text) {
    const unsigned char code = static_cast<unsigned char>(c);
    const bool dropped = (code >= 33 && code <= 47) || (code >= 58 && code <= 64);
    if (!dropped) kept += c;
  }
  return kept;
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

Status WriteFavorite(const DriveMap& drives, const std::string& favoritesDirectory, std::string_view title,
                     std::string_view address, std::string& writtenPath) {
  const std::string name = FavoriteFileName(title);
  writtenPath = favoritesDirectory + "\\" + name;
  if (WindowsRefuses(name)) {
    return Status::Error(errc::kBadFileName,
                         "Windows allows no control character and no \"|\" in a file name: " + writtenPath);
  }
  const std::string native = drives.ToNative(writtenPath);
  if (native.empty()) return Status::Error(errc::kPathNotFound, writtenPath + ": no drive maps this path");
  return ReplaceFileContents(native, FavoriteFileBytes(address));
}

std::int64_t LocalClockSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<std::int64_t>(timegm(&local));  // the local fields counted as if they were UTC
}

std::string BookmarkLine(std::string_view address, std::string_view title, const std::function<std::int64_t()>& clock) {
  std::string href;
  for (const char c : address) {
    if (c == '"') {
      href += "%22";
    } else {
      href += c;
    }
  }
  const std::string added = std::to_string(clock());
  const std::string visited = std::to_string(clock());
  const std::string modified = std::to_string(clock());
  return "\t<DT><A HREF=\"" + href + "\" ADD_DATE=\"" + added + "\" LAST_VISIT=\"" + visited + "\" LAST_MODIFIED=\"" +
         modified + "\">" + std::string(title) + "</A>";
}

std::string FolderHeaderLine(std::string_view name, const std::function<std::int64_t()>& clock) {
  return "\t<DT><H3 ADD_DATE=\"" + std::to_string(clock()) + "\">" + std::string(name) + "</H3>";
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
  const std::string fileName = BookmarkFileName(profileDirectory);
  copy.bookmarkNative = drives.ToNative(fileName);
  if (copy.bookmarkNative.empty()) return Status::Error(errc::kPathNotFound, fileName + ": no drive maps this path");
  LineScanner bookmarks;
  Status status = bookmarks.Open(copy.bookmarkNative);
  if (!status.ok()) return status;
  copy.readIdentity = bookmarks.identity();
  copy.insertedLine = BookmarkLine(address, title, clock);
  TextLineWriter temp;
  status = temp.Create(tempNative);
  if (!status.ok()) return status;
  std::string_view line;
  while (status.ok() && bookmarks.Next(line)) {
    status = CopyLine(temp, copy.bytes, line);
    if (status.ok() && line.find("</H1>") != std::string_view::npos) {
      status = CopyLine(temp, copy.bytes, copy.insertedLine);
      ++copy.insertions;
    }
  }
  if (status.ok()) status = bookmarks.status();
  const Status closed = temp.Close();
  return status.ok() ? closed : status;
}

Status ReplaceBookmarks(const BookmarkCopy& copy) {
  if (!(IdentityOf(copy.bookmarkNative) == copy.readIdentity)) {
    return Status::Error(errc::kPathFileAccess,
                         "bookmark.htm was changed by another program while the favorite was being added, so it was "
                         "left as it is; add the favorite again");
  }
  return ReplaceFileContents(copy.bookmarkNative, copy.bytes);
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

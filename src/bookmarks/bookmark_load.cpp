#include "bookmarks/bookmark_load.h"

#include "winenv/line_scanner.h"

namespace varnel {

std::string BookmarkFileName(const std::string& profileDirectory) { return profileDirectory + "\\bookmark.htm"; }

bool IsMissingFile(const Status& status) {
  return status.code == errc::kFileNotFound || status.code == errc::kPathNotFound;
}

BookmarkFileReading ReadBookmarkFile(const DriveMap& drives, const std::string& profileDirectory,
                                     BookmarkActions& tree) {
  BookmarkFileReading reading;
  const std::string fileName = BookmarkFileName(profileDirectory);
  std::string native;
  reading.status = drives.ToNativeFile(fileName, native);
  if (!reading.status.ok()) return reading;
  LineScanner scanner;
  reading.status = scanner.Open(native);
  if (!reading.status.ok()) return reading;
  reading.opened = true;
  BookmarkReader reader(tree);
  reader.Begin();
  std::string_view line;
  while (scanner.Next(line)) reader.Line(line);
  if (scanner.status().ok()) reader.End();
  reading.status = scanner.status();
  reading.linesRead = scanner.lineNumber();
  reading.unreadableLines = reader.unreadableLines();
  return reading;
}

namespace {

std::string ErrorText(const Status& status) {
  return "error number " + std::to_string(status.code) + ": " + status.message;
}

std::string UnreadableStatus(const std::vector<std::size_t>& lines) {
  const std::string count = lines.size() == 1 ? "an entry" : std::to_string(lines.size()) + " entries";
  return "STATUS: Bookmarks shown, but " + count + " of bookmark.htm could not be read (line " +
         std::to_string(lines.front()) + (lines.size() == 1 ? ")" : " and others)");
}

}  // namespace

void LoadBookmarks(const DriveMap& drives, const std::string& profileDirectory, BookmarkTree& tree, Prompt& prompt,
                   const BookmarkLoadUi& ui) {
  ui.setStatus(kLoadingBookmarksStatus);
  ui.setHourglass(true);
  ui.treeReplacing();
  tree.Clear();
  const BookmarkFileReading reading = ReadBookmarkFile(drives, profileDirectory, tree);
  ui.treeReplaced();
  if (!reading.opened && IsMissingFile(reading.status)) {
    prompt.Tell(std::string(kNoBookmarkFileMessage));
    ui.setHourglass(false);
    return;
  }
  if (!reading.opened) {
    ui.setStatus("STATUS: bookmark.htm could not be read, " + ErrorText(reading.status));
  } else if (!reading.status.ok()) {
    ui.setStatus("STATUS: Bookmarks shown up to line " + std::to_string(reading.linesRead) +
                 " of bookmark.htm; the rest could not be read, " + ErrorText(reading.status));
  } else if (!reading.unreadableLines.empty()) {
    ui.setStatus(UnreadableStatus(reading.unreadableLines));
    ui.refreshFavorites();
  } else {
    ui.setStatus(kReadyStatus);
    ui.refreshFavorites();
  }
  ui.setHourglass(false);
}

}  // namespace varnel

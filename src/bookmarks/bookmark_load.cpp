#include "bookmarks/bookmark_load.h"

#include <exception>
#include <functional>
#include <system_error>
#include <thread>

#include "bookmarks/entry_channel.h"
#include "winenv/line_scanner.h"

namespace varnel {

std::string BookmarkFileName(const std::string& profileDirectory) { return profileDirectory + "\\bookmark.htm"; }

bool IsMissingFile(const Status& status) {
  return status.code == errc::kFileNotFound || status.code == errc::kPathNotFound;
}

namespace {

// Reads the lines and their markup into the channel; on a thread of its own.
void ReadEntries(LineScanner& scanner, EntryChannel& channel, std::exception_ptr& failure) {
  ChannelEntries entries(channel);
  try {
    BookmarkMarkup markup(entries);
    std::string_view line;
    while (!entries.stopped() && scanner.Next(line)) markup.Line(line);
    if (!entries.stopped() && scanner.status().ok()) markup.End();
    entries.Flush();
  } catch (...) {
    failure = std::current_exception();
  }
  channel.Close();  // whatever happened: the taking side must not wait for more
}

// The file's lines and tags are read on a second thread while this one builds the tree from
// their entries, which halves the time a large file takes. Where no thread can be started, the
// whole reading is done here.
void ReadInto(BookmarkReader& reader, LineScanner& scanner) {
  EntryChannel channel;
  std::exception_ptr failure;
  std::thread thread;
  try {
    thread = std::thread(ReadEntries, std::ref(scanner), std::ref(channel), std::ref(failure));
  } catch (const std::system_error&) {
    std::string_view line;
    while (scanner.Next(line)) reader.Line(line);
    if (scanner.status().ok()) reader.End();
    return;
  }
  try {
    EntryBatch batch;
    while (channel.Take(batch)) batch.Replay(reader);
  } catch (...) {
    channel.Stop();
    thread.join();
    throw;
  }
  thread.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

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
  ReadInto(reader, scanner);
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

#include "bookmarks/bookmark_outline.h"

#include "bookmarks/bookmark_load.h"
#include "bookmarks/bookmark_reader.h"
#include "winenv/line_scanner.h"

namespace varnel {
namespace {

constexpr std::size_t kNowhere = std::string_view::npos;

// One list being read: the folder it belongs to, and whether it is that folder's own list (a
// list that follows no header only groups lines, and its end closes nothing).
struct OpenList {
  std::size_t folder;
  bool own;
};

Status Uncuttable(std::size_t lineIndex) {
  return Status::Error(errc::kInvalidArgument, "bookmark.htm line " + std::to_string(lineIndex + 1) +
                                                   " cannot be read as a bookmark or folder, so the file was "
                                                   "left as it is");
}

}  // namespace

Status OutlineBookmarkLines(std::vector<std::string> lines, BookmarkOutline& outline) {
  outline.lines = std::move(lines);
  outline.folders.assign(1, OutlineFolder{});
  outline.bookmarks.clear();
  outline.headingLine.reset();
  std::vector<OpenList> open;
  std::size_t header = kNowhere;  // a folder whose list has not started yet
  for (std::size_t i = 0; i < outline.lines.size(); ++i) {
    const std::string_view line = outline.lines[i];
    const std::size_t current = open.empty() ? 0 : open.back().folder;
    if (const std::size_t folder = line.find(kFolderMarker); folder != kNowhere) {
      const std::optional<std::string_view> name = CutFolderHeader(line, folder);
      if (!name) return Uncuttable(i);
      header = outline.folders.size();
      outline.folders.push_back({std::string(*name), current, {}, {}, std::nullopt});
      outline.folders[current].folders.push_back(header);
    } else if (const std::size_t bookmark = line.find(kBookmarkMarker); bookmark != kNowhere) {
      const std::optional<BookmarkLineFields> fields = CutBookmarkLine(line, bookmark);
      if (!fields) return Uncuttable(i);
      outline.folders[current].bookmarks.push_back(outline.bookmarks.size());
      outline.bookmarks.push_back({std::string(fields->address), std::string(fields->title), current});
    }
    if (line.find(kListStartMarker) != kNowhere) {
      open.push_back(header != kNowhere ? OpenList{header, true} : OpenList{current, open.empty()});
      header = kNowhere;
    }
    if (line.find(kListEndMarker) != kNowhere && !open.empty()) {
      if (open.back().own) outline.folders[open.back().folder].listEnd = i;
      open.pop_back();
    }
    if (!outline.headingLine && line.find(kHeadingEndMarker) != kNowhere) outline.headingLine = i;
  }
  return Status::Ok();
}

Status ReadBookmarkOutline(const DriveMap& drives, const std::string& profileDirectory, BookmarkOutline& outline) {
  const std::string fileName = BookmarkFileName(profileDirectory);
  if (const Status mapped = drives.ToNativeFile(fileName, outline.native); !mapped.ok()) return mapped;
  LineScanner scanner;
  Status status = scanner.Open(outline.native);
  if (!status.ok()) return status;
  outline.identity = scanner.identity();
  std::vector<std::string> lines;
  std::string_view line;
  while (scanner.Next(line)) lines.emplace_back(line);
  if (!scanner.status().ok()) return scanner.status();
  return OutlineBookmarkLines(std::move(lines), outline);
}

}  // namespace varnel

// Reads a bookmark file into the bookmark tree once and prints how many nodes it holds, so that a
// timing tool can set the whole read beside `wc -l` and Python's html.parser on the same file:
//   bench_bookmarks FILE
#include <cstdio>
#include <filesystem>
#include <string>

#include "bookmarks/bookmark_load.h"
#include "winenv/drive_map.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_bookmarks FILE\n");
    return 2;
  }
  // The file's own folder, reached through the drive Z: of a throwaway drive map onto "/".
  const std::filesystem::path file = std::filesystem::absolute(argv[1]);
  const std::string prefix = std::filesystem::temp_directory_path() / "varnel-bench-prefix";
  std::filesystem::create_directories(prefix + "/dosdevices");
  std::error_code ignored;
  std::filesystem::create_directory_symlink("/", prefix + "/dosdevices/z:", ignored);
  varnel::DriveMap drives(prefix);
  const std::optional<std::string> folder = drives.ToWindows(file.parent_path().string());
  if (!folder || file.filename() != "bookmark.htm") {
    std::fprintf(stderr, "bench_bookmarks: give a file named bookmark.htm\n");
    return 2;
  }
  varnel::BookmarkTree tree;
  const varnel::BookmarkFileReading reading = varnel::ReadBookmarkFile(drives, *folder, tree);
  if (!reading.status.ok() || !reading.unreadableLines.empty()) {
    std::fprintf(stderr, "bench_bookmarks: %s\n", reading.status.message.c_str());
    return 1;
  }
  std::printf("%zu nodes\n", tree.size());
  return 0;
}

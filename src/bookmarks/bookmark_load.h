#pragma once
// Reading a profile's bookmark.htm into the bookmark tree, and the bookmarks window's load
// (the "Refresh Bookmarks/ favorites" button) around it: status texts, hourglass, the message
// for a missing file and the refresh of the favorites list, in the window's order.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/bookmark_tree.h"
#include "winenv/drive_map.h"
#include "winenv/prompt.h"
#include "winenv/status.h"

namespace varnel {

inline constexpr std::string_view kLoadingBookmarksStatus = "STATUS: Loading Netscape bookmarks";
inline constexpr std::string_view kReadyStatus = "STATUS: Ready";
inline constexpr std::string_view kNoBookmarkFileMessage =
    "Please be aware that no Netscape bookmarks can be loaded unless you choose a valid user profile from startup "
    "screen";

// The profile directory's bookmark file, "<profile>\bookmark.htm".
std::string BookmarkFileName(const std::string& profileDirectory);

struct BookmarkFileReading {
  // Not Ok when the file could not be opened (53 or 76: it is not there) or a read failed.
  Status status;
  // The lines of entries that could not be read; every other entry is in the tree.
  std::vector<std::size_t> unreadableLines;
  std::size_t linesRead = 0;
  bool opened = false;
};

// Opens the profile's bookmark.htm and, when it opens, adds the root node and reads every line
// into the tree (which the caller has emptied), or hands the nodes to whatever takes them.
BookmarkFileReading ReadBookmarkFile(const DriveMap& drives, const std::string& profileDirectory,
                                     BookmarkActions& tree);

// What the load does to the window besides its message, which goes to a prompt.
struct BookmarkLoadUi {
  std::function<void(std::string_view)> setStatus;  // the status line, repainted at once
  std::function<void(bool)> setHourglass;
  std::function<void()> treeReplacing;  // the tree is about to be emptied and refilled
  std::function<void()> treeReplaced;   // the tree is complete again: show it
  std::function<void()> refreshFavorites;
};

// The load: empties the tree and reads the profile's bookmark file into it.
void LoadBookmarks(const DriveMap& drives, const std::string& profileDirectory, BookmarkTree& tree, Prompt& prompt,
                   const BookmarkLoadUi& ui);

// True when an open failed because the file (or its directory) is not there.
bool IsMissingFile(const Status& status);

}  // namespace varnel

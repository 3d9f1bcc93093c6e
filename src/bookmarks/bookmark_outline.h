#pragma once
// bookmark.htm as its folders nest, for the operations on a whole collection: read by the same
// markup reading and nesting as the bookmark tree (bookmark_markup.h), so both see the same
// folders, bookmarks and texts (UTF-8). Every line is kept, so that new lines can be put in a
// folder's place and the file written back whole.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/bookmark_markup.h"
#include "winenv/drive_map.h"
#include "winenv/file_identity.h"
#include "winenv/status.h"

namespace varnel {

struct OutlineFolder {
  std::string name;                    // the top level: ""
  std::size_t parent = 0;              // the top level is its own parent
  std::vector<std::size_t> folders;    // its sub-folders, in file order
  std::vector<std::size_t> bookmarks;  // its bookmarks, in file order
  // The line that closes its list, when new lines put before that line are inside the folder:
  // none when the list never closes, or when that line opens or closes another list before.
  std::optional<std::size_t> listEnd;
};

struct OutlineBookmark {
  std::string address;
  std::string title;
  std::size_t folder = 0;
};

struct BookmarkOutline {
  std::string native;     // bookmark.htm
  FileIdentity identity;  // the file the lines were read from
  std::vector<std::string> lines;
  std::vector<OutlineFolder> folders;  // [0] is the top level: loose bookmarks, top folders
  std::vector<OutlineBookmark> bookmarks;
  std::optional<std::size_t> headingLine;    // the first line holding "</H1>"
  std::vector<std::size_t> unreadableLines;  // lines (from 1) of entries that cannot be read
  BookmarkCharset charset = BookmarkCharset::CodePage;
};

// Builds the outline of the lines (native and identity are left to the caller).
void OutlineBookmarkLines(std::vector<std::string> lines, BookmarkOutline& outline);

// Reads the profile's bookmark.htm into an outline.
Status ReadBookmarkOutline(const DriveMap& drives, const std::string& profileDirectory, BookmarkOutline& outline);

}  // namespace varnel

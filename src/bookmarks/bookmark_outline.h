#pragma once
// bookmark.htm as Netscape nests it, for the operations on a whole collection: a folder header,
// then the folder's list between a "<DL><p>" line and its "</DL><p>" line, to any depth. The
// fields of each line are cut as the bookmark reader cuts them. Every line is kept, so that new
// lines can be put in a folder's place and the file written back whole.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/drive_map.h"
#include "winenv/file_identity.h"
#include "winenv/status.h"

namespace varnel {

inline constexpr std::string_view kListStartMarker = "<DL><p>";
inline constexpr std::string_view kHeadingEndMarker = "</H1>";

struct OutlineFolder {
  std::string name;                     // the top level: ""
  std::size_t parent = 0;               // the top level is its own parent
  std::vector<std::size_t> folders;     // its sub-folders, in file order
  std::vector<std::size_t> bookmarks;   // its bookmarks, in file order
  std::optional<std::size_t> listEnd;   // the line that closes its list (none: never closed)
};

struct OutlineBookmark {
  std::string address;
  std::string title;
  std::size_t folder = 0;
};

struct BookmarkOutline {
  std::string native;       // bookmark.htm
  FileIdentity identity;    // the file the lines were read from
  std::vector<std::string> lines;
  std::vector<OutlineFolder> folders;  // [0] is the top level: loose bookmarks, top folders
  std::vector<OutlineBookmark> bookmarks;
  std::optional<std::size_t> headingLine;  // the first line holding "</H1>"
};

// Builds the outline of the lines (native and identity are left to the caller). A line whose
// fields cannot be cut fails with code 5 and its number.
Status OutlineBookmarkLines(std::vector<std::string> lines, BookmarkOutline& outline);

// Reads the profile's bookmark.htm into an outline.
Status ReadBookmarkOutline(const DriveMap& drives, const std::string& profileDirectory, BookmarkOutline& outline);

}  // namespace varnel

#pragma once
// The reader of Netscape's bookmark.htm into the bookmark tree, folders nested as in the file.
// What it reads (bookmark_markup.h) becomes an ordered series of actions, "add a node" and "make
// the node just added visible", which a tree model applies (bookmark_tree.h).
//
// The tree begins with the root for loose bookmarks, "NoFolder". A folder header adds a folder
// node under the folder it stands in (at top level: no parent), keyed by its name, a blank and
// the number of folder headers read so far; the folder's list (<DL> to its </DL>) holds its
// bookmarks and folders, and its end returns to the enclosing folder. A header whose list has not
// started takes the bookmarks that follow it, as Netscape's files never need; a list that follows
// no header only groups lines. A bookmark outside every folder goes under "NoFolder". A bookmark
// is keyed by its title. A description is a node under the folder it describes (when it follows
// the folder's header) or stands in; at top level it is ignored. Every bookmark and description
// is made visible. A key already used is made unique with " (2)", " (3)", ...: every entry is
// shown, with its own text. Nothing is nested on the stack, so any depth is read.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bookmarks/bookmark_markup.h"

namespace varnel {

enum class BookmarkPicture { Bookmark = 1, Folder = 2 };

inline constexpr std::string_view kRootKey = "NoFolder";
inline constexpr std::string_view kRootText = "Bookmarks not In folders";

// One "add a node" action; the views are valid during the call only.
struct BookmarkNodeToAdd {
  std::optional<std::string_view> parentKey;  // none: top level
  std::string_view key;
  std::string_view text;
  BookmarkPicture picture;
  std::optional<std::string_view> address;  // bookmarks only
};

// Receives the actions in reading order.
class BookmarkActions {
 public:
  virtual ~BookmarkActions() = default;
  virtual bool HasKey(std::string_view key) const = 0;
  // Adds a node under a parent already added; false when the key is used (nothing is added).
  virtual bool AddNode(const BookmarkNodeToAdd& node) = 0;
  // Make the node just added visible.
  virtual void MakeVisible() = 0;
};

class BookmarkReader : public MarkupEntries {
 public:
  explicit BookmarkReader(BookmarkActions& actions) : actions_(actions), markup_(*this) {}

  // Adds the root for loose bookmarks; call once, before the first line.
  void Begin();
  // Reads one line, without its line end.
  void Line(std::string_view line) { markup_.Line(line); }
  // The end of the file.
  void End() { markup_.End(); }
  // Or, in place of Line and End, the entries of a markup reading of its own, in file order.
  void Entry(const MarkupEntry& entry) override;
  // The lines of entries that could not be read (skipped), in file order.
  const std::vector<std::size_t>& unreadableLines() const { return unreadable_; }

 private:
  void FolderHeader(std::string_view name);
  void Bookmark(std::string_view title, std::string_view address);
  void Description(std::string_view text);
  // The key of a folder; none for the top level.
  std::optional<std::string_view> KeyOf(std::size_t folder) const;
  // Adds a node under a key made unique from `key`; returns the key used (valid until the next).
  std::string_view AddUnique(std::optional<std::string_view> parent, std::string_view key, std::string_view text,
                             BookmarkPicture picture, std::optional<std::string_view> address);

  BookmarkActions& actions_;
  BookmarkMarkup markup_;
  FolderNesting nesting_;
  std::vector<std::string> folderKeys_{std::string()};  // by folder number; [0] is the top level
  // The folder a description describes: the one whose header was the last entry read.
  std::optional<std::size_t> describedFolder_;
  std::unordered_map<std::string, std::size_t> nextCopy_;  // the next " (n)" to try for a key
  std::string key_;
  std::vector<std::size_t> unreadable_;
};

}  // namespace varnel

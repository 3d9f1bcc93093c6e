#include <algorithm>
#include <ostream>
#include <vector>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/bookmark_tree.h"
#include "cli/bookmark_reading.h"

namespace varnel {
namespace {

using NodeId = BookmarkTree::NodeId;

// Each node's key is converted once and written again as the text when the text is the key (a
// bookmark's unique title); its parent's key is converted once for a run of siblings.
void PrintJson(OutputWriter& w, const std::string& profile, const BookmarkTree& tree,
               const std::vector<std::size_t>& unreadable) {
  w.Raw("{\"profile\": ").Json(profile).Raw(", \"nodes\": [");
  std::vector<char> keyRoom, parentRoom;
  std::string_view parentJson = "null";
  NodeId parentConverted = BookmarkTree::kNone;
  for (NodeId id = 0; id < static_cast<NodeId>(tree.size()); ++id) {
    const NodeId parent = tree.parent(id);
    if (parent != parentConverted) {
      parentJson = parent == BookmarkTree::kNone ? "null" : JsonUtf8TextIn(parentRoom, tree.key(parent));
      parentConverted = parent;
    }
    const std::string_view key = tree.key(id);
    const std::string_view text = tree.text(id);
    const std::string_view keyJson = JsonUtf8TextIn(keyRoom, key);
    w.Raw(id == 0 ? "{\"key\": " : ", {\"key\": ").Raw(keyJson).Raw(", \"parent\": ").Raw(parentJson);
    w.Raw(", \"text\": ");
    if (text == key)
      w.Raw(keyJson);
    else
      w.Utf8Json(text);
    w.Raw(", \"picture\": ").Number(static_cast<unsigned>(tree.picture(id))).Raw(", \"address\": ");
    if (const std::optional<std::string_view> address = tree.address(id))
      w.Utf8Json(*address);
    else
      w.Raw("null");
    w.Raw("}");
  }
  w.Raw("], \"unreadable_lines\": [");
  for (std::size_t i = 0; i < unreadable.size(); ++i) w.Raw(i == 0 ? "" : ", ").Number(unreadable[i]);
  w.Raw("]}\n");
}

// One node a line, two blanks a level; a bookmark's address follows its title in <>. The tree is
// walked with a stack of its own: a file may nest folders to any depth.
void PrintText(OutputWriter& w, const BookmarkTree& tree) {
  struct Level {
    NodeId parent;
    std::size_t next;
  };
  std::vector<Level> levels{{BookmarkTree::kNone, 0}};
  while (!levels.empty()) {
    Level& level = levels.back();
    const std::vector<NodeId>& children = tree.children(level.parent);
    if (level.next == children.size()) {
      levels.pop_back();
      continue;
    }
    const NodeId id = children[level.next++];
    w.Spaces(2 * (levels.size() - 1)).Utf8Text(tree.text(id));
    if (const std::optional<std::string_view> address = tree.address(id)) w.Raw(" <").Utf8Text(*address).Raw(">");
    w.Raw("\n");
    levels.push_back({id, 0});
  }
}

}  // namespace

bool ReadBookmarksFor(CommandContext& c, const std::string& profile, BookmarkTree& tree, BookmarkFileReading& reading) {
  reading = c.session.ReadBookmarks(profile, tree);
  if (reading.opened) return true;
  const std::string fileName = ForErr(c, BookmarkFileName(profile));
  if (IsMissingFile(reading.status)) {
    c.err << "varnel: there is no bookmark file " << fileName << "\n";
  } else {
    c.err << "varnel: cannot read " << fileName << " (error number " << reading.status.code
          << "): " << ForErr(c, reading.status.message) << "\n";
  }
  return false;
}

// Prints the tree the bookmarks window would show for the profile. Exit 0 when bookmark.htm was
// read whole, 1 when it could not be read at all (or a read failed), 3 when entries could not be
// read: every other entry is printed, and the lines of those are named.
int BookmarksCommand(CommandContext& c) {
  std::string profile;
  if (!ParseOptions(c, {{"--profile", &profile}})) return 2;
  if (!ResolveProfile(c, profile)) return 1;
  BookmarkTree tree;
  BookmarkFileReading reading;
  if (!ReadBookmarksFor(c, profile, tree, reading)) return 1;
  const std::string fileName = ForErr(c, BookmarkFileName(profile));
  {
    OutputWriter w = Output(c);
    if (c.json) {
      PrintJson(w, profile, tree, reading.unreadableLines);
    } else {
      PrintText(w, tree);
    }
  }
  if (!reading.status.ok()) {
    c.err << "varnel: reading " << fileName << " failed after line " << reading.linesRead << " (error number "
          << reading.status.code << "): " << ForErr(c, reading.status.message) << "\n";
    return 1;
  }
  constexpr std::size_t kLinesNamed = 20;
  for (std::size_t i = 0; i < std::min(kLinesNamed, reading.unreadableLines.size()); ++i) {
    c.err << "varnel: line " << reading.unreadableLines[i] << " of " << fileName
          << " could not be read as a bookmark; it was skipped\n";
  }
  if (reading.unreadableLines.size() > kLinesNamed) {
    c.err << "varnel: and " << reading.unreadableLines.size() - kLinesNamed << " more lines that could not be read\n";
  }
  return reading.unreadableLines.empty() ? 0 : 3;
}

}  // namespace varnel

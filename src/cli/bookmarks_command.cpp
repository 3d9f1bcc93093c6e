#include <ostream>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/bookmark_tree.h"
#include "cli/bookmark_reading.h"

namespace varnel {
namespace {

using NodeId = BookmarkTree::NodeId;

void PrintJson(CommandContext& c, const std::string& profile, const BookmarkTree& tree,
               const std::optional<std::size_t>& stoppedAt) {
  c.out << "{\"profile\": " << JsonString(profile) << ", \"nodes\": [";
  for (NodeId id = 0; id < static_cast<NodeId>(tree.size()); ++id) {
    const NodeId parent = tree.parent(id);
    const std::optional<std::string_view> address = tree.address(id);
    c.out << (id == 0 ? "" : ", ") << "{\"key\": " << JsonString(std::string(tree.key(id)))
          << ", \"parent\": " << (parent == BookmarkTree::kNone ? "null" : JsonString(std::string(tree.key(parent))))
          << ", \"text\": " << JsonString(std::string(tree.text(id)))
          << ", \"picture\": " << static_cast<int>(tree.picture(id))
          << ", \"address\": " << (address ? JsonString(std::string(*address)) : "null") << "}";
  }
  c.out << "], \"stopped_at_line\": " << (stoppedAt ? std::to_string(*stoppedAt) : "null") << "}\n";
}

// One node a line, two blanks a level; a bookmark's address follows its title in <>.
void PrintText(CommandContext& c, const BookmarkTree& tree, NodeId parent, int depth) {
  for (NodeId id : tree.children(parent)) {
    c.out << std::string(2 * depth, ' ') << ForTerminal(std::string(tree.text(id)));
    if (const std::optional<std::string_view> address = tree.address(id)) {
      c.out << " <" << ForTerminal(std::string(*address)) << ">";
    }
    c.out << "\n";
    PrintText(c, tree, id, depth + 1);
  }
}

}  // namespace

bool ReadBookmarksFor(CommandContext& c, const std::string& profile, BookmarkTree& tree, BookmarkFileReading& reading) {
  reading = ReadBookmarkFile(c.drives, profile, tree);
  if (reading.opened) return true;
  const std::string fileName = ForTerminal(BookmarkFileName(profile));
  if (IsMissingFile(reading.status)) {
    c.err << "varnel: there is no bookmark file " << fileName << "\n";
  } else {
    c.err << "varnel: cannot read " << fileName << " (error number " << reading.status.code
          << "): " << ForTerminal(reading.status.message) << "\n";
  }
  return false;
}

// Prints the tree the bookmarks window would show for the profile. Exit 0 when bookmark.htm was
// read whole, 1 when it could not be read at all (or a read failed), 3 when a line could not be
// cut: the bookmarks before that line are printed.
int BookmarksCommand(CommandContext& c) {
  std::string profile;
  if (!ParseOptions(c, {{"--profile", &profile}})) return 2;
  if (!ResolveProfile(c, profile)) return 1;
  BookmarkTree tree;
  BookmarkFileReading reading;
  if (!ReadBookmarksFor(c, profile, tree, reading)) return 1;
  const std::string fileName = ForTerminal(BookmarkFileName(profile));
  if (c.json) {
    PrintJson(c, profile, tree, reading.stoppedAtLine);
  } else {
    PrintText(c, tree, BookmarkTree::kNone, 0);
  }
  if (reading.stoppedAtLine) {
    c.err << "varnel: line " << *reading.stoppedAtLine << " of " << fileName
          << " could not be read; the bookmarks before it are shown\n";
    return 3;
  }
  if (!reading.status.ok()) {
    c.err << "varnel: reading " << fileName << " failed after line " << reading.linesRead << " (error number "
          << reading.status.code << "): " << ForTerminal(reading.status.message) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace varnel

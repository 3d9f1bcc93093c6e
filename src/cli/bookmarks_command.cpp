#include <ostream>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/bookmark_tree.h"
#include "cli/bookmark_reading.h"

namespace varnel {
namespace {

using NodeId = BookmarkTree::NodeId;

void PrintJson(OutputWriter& w, const std::string& profile, const BookmarkTree& tree,
               const std::optional<std::size_t>& stoppedAt) {
  w.Raw("{\"profile\": ").Json(profile).Raw(", \"nodes\": [");
  for (NodeId id = 0; id < static_cast<NodeId>(tree.size()); ++id) {
    const NodeId parent = tree.parent(id);
    const std::optional<std::string_view> address = tree.address(id);
    w.Raw(id == 0 ? "{\"key\": " : ", {\"key\": ").Json(tree.key(id)).Raw(", \"parent\": ");
    if (parent == BookmarkTree::kNone) w.Raw("null");
    else w.Json(tree.key(parent));
    w.Raw(", \"text\": ").Json(tree.text(id));
    w.Raw(", \"picture\": ").Number(static_cast<unsigned>(tree.picture(id))).Raw(", \"address\": ");
    if (address) w.Json(*address);
    else w.Raw("null");
    w.Raw("}");
  }
  w.Raw("], \"stopped_at_line\": ");
  if (stoppedAt) w.Number(*stoppedAt);
  else w.Raw("null");
  w.Raw("}\n");
}

// One node a line, two blanks a level; a bookmark's address follows its title in <>.
void PrintText(OutputWriter& w, const BookmarkTree& tree, NodeId parent, std::size_t depth) {
  for (NodeId id : tree.children(parent)) {
    w.Spaces(2 * depth).Text(tree.text(id));
    if (const std::optional<std::string_view> address = tree.address(id)) w.Raw(" <").Text(*address).Raw(">");
    w.Raw("\n");
    PrintText(w, tree, id, depth + 1);
  }
}

}  // namespace

bool ReadBookmarksFor(CommandContext& c, const std::string& profile, BookmarkTree& tree, BookmarkFileReading& reading) {
  reading = ReadBookmarkFile(c.session.drives(), profile, tree);
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
// read whole, 1 when it could not be read at all (or a read failed), 3 when a line could not be
// cut: the bookmarks before that line are printed.
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
      PrintJson(w, profile, tree, reading.stoppedAtLine);
    } else {
      PrintText(w, tree, BookmarkTree::kNone, 0);
    }
  }
  if (reading.stoppedAtLine) {
    c.err << "varnel: line " << *reading.stoppedAtLine << " of " << fileName
          << " could not be read; the bookmarks before it are shown\n";
    return 3;
  }
  if (!reading.status.ok()) {
    c.err << "varnel: reading " << fileName << " failed after line " << reading.linesRead << " (error number "
          << reading.status.code << "): " << ForErr(c, reading.status.message) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace varnel

#include <algorithm>
#include <ostream>
#include <vector>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/bookmark_tree.h"
#include "cli/bookmark_reading.h"

namespace varnel {
namespace {

using NodeId = BookmarkTree::NodeId;

// Writes the tree as JSON while it is read, node by node, keeping only the keys (to keep them
// unique, as the tree does): the same nodes in the same order as the tree read whole, at a
// fraction of the memory. Each key is converted once and written again as the text when the text
// is the key (a bookmark's unique title); a parent's key is converted once for a run of siblings.
class JsonTreeWriter : public BookmarkActions {
 public:
  JsonTreeWriter(OutputWriter& w, const std::string& profile) : w_(w), profile_(profile) {}

  bool HasKey(std::string_view key) const override { return keys_.Find(key).has_value(); }
  bool AddNode(const BookmarkNodeToAdd& node) override;
  void MakeVisible() override {}
  // The end, once the file has been read (when it could be opened).
  void Finish(const std::vector<std::size_t>& unreadable);

 private:
  OutputWriter& w_;
  const std::string& profile_;
  BookmarkKeys keys_;
  std::vector<char> keyRoom_, textRoom_, addressRoom_, parentRoom_;
  std::string_view parentJson_ = "null";
  std::optional<BookmarkKeys::Id> parentConverted_;
};

bool JsonTreeWriter::AddNode(const BookmarkNodeToAdd& node) {
  // The key's place in the index is looked up while the texts are converted.
  const BookmarkKeys::Prepared key = keys_.Prepare(node.key);
  std::optional<BookmarkKeys::Id> parent;
  if (node.parentKey && !(parent = keys_.FindParent(*node.parentKey))) return false;
  const std::string_view keyJson = JsonUtf8TextIn(keyRoom_, node.key);
  const std::string_view textJson = node.text == node.key ? keyJson : JsonUtf8TextIn(textRoom_, node.text);
  const std::string_view addressJson = node.address ? JsonUtf8TextIn(addressRoom_, *node.address) : "null";
  const std::optional<BookmarkKeys::Id> id = keys_.Add(key);
  if (!id) return false;
  if (*id == 0) w_.Raw("{\"profile\": ").Json(profile_).Raw(", \"nodes\": [");
  if (parent != parentConverted_) {
    parentJson_ = parent ? JsonUtf8TextIn(parentRoom_, *node.parentKey) : "null";
    parentConverted_ = parent;
  }
  w_.Raw(*id == 0 ? "{\"key\": " : ", {\"key\": ").Raw(keyJson).Raw(", \"parent\": ").Raw(parentJson_);
  w_.Raw(", \"text\": ").Raw(textJson).Raw(", \"picture\": ").Number(static_cast<unsigned>(node.picture));
  w_.Raw(", \"address\": ").Raw(addressJson).Raw("}");
  return true;
}

void JsonTreeWriter::Finish(const std::vector<std::size_t>& unreadable) {
  w_.Raw("], \"unreadable_lines\": [");
  for (std::size_t i = 0; i < unreadable.size(); ++i) w_.Raw(i == 0 ? "" : ", ").Number(unreadable[i]);
  w_.Raw("]}\n");
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

bool ReadBookmarksFor(CommandContext& c, const std::string& profile, BookmarkActions& tree,
                      BookmarkFileReading& reading) {
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
  BookmarkFileReading reading;
  {
    OutputWriter w = Output(c);
    if (c.json) {
      JsonTreeWriter json(w, profile);
      if (!ReadBookmarksFor(c, profile, json, reading)) return 1;
      json.Finish(reading.unreadableLines);
    } else {
      BookmarkTree tree;
      if (!ReadBookmarksFor(c, profile, tree, reading)) return 1;
      PrintText(w, tree);
    }
  }
  const std::string fileName = ForErr(c, BookmarkFileName(profile));
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

#pragma once
// The bookmark tree: nodes with a key unique in the whole tree (exact text, letter case counts),
// a text, a picture and, on bookmarks, an address. It applies the reader's actions: a node whose
// key is already used is refused and nothing else changes; "make visible" expands every ancestor
// of the node just added and makes it the node the view scrolls to. Nodes are kept flat, in the
// order added; each knows its parent and its row there, and each parent its children in order.
// The keys are kept by number (bookmark_keys.h); the nodes and their texts live in one arena,
// freed together.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/bookmark_keys.h"
#include "bookmarks/bookmark_reader.h"
#include "winenv/block_arena.h"

namespace varnel {

class BookmarkTree : public BookmarkActions {
 public:
  using NodeId = BookmarkKeys::Id;
  static constexpr NodeId kNone = -1;

  BookmarkTree() : nodes_(arena_) {}

  void Clear();
  // False when the key is already used (or the parent key is unknown): nothing was added.
  bool Add(const BookmarkNodeToAdd& node);

  // BookmarkActions
  bool HasKey(std::string_view key) const override { return Find(key).has_value(); }
  bool AddNode(const BookmarkNodeToAdd& node) override {
    const bool added = Add(node);
    lastAdded_ = added ? NodeId(size() - 1) : kNone;
    return added;
  }
  void MakeVisible() override;

  std::size_t size() const { return nodes_.size(); }
  std::optional<NodeId> Find(std::string_view key) const { return keys_.Find(key); }
  std::string_view key(NodeId id) const { return keys_.key(id); }
  std::string_view text(NodeId id) const;
  std::optional<std::string_view> address(NodeId id) const;
  BookmarkPicture picture(NodeId id) const { return At(id).picture; }
  NodeId parent(NodeId id) const { return At(id).parent; }
  // The node's position among its parent's children (or among the top-level nodes).
  int row(NodeId id) const { return At(id).row; }
  // The children of a node, or with kNone the top-level nodes.
  const std::vector<NodeId>& children(NodeId id) const;
  // Expanded: a node made visible lies below it.
  bool expanded(NodeId id) const { return At(id).expanded; }
  // The last node made visible (the view scrolls to it), kNone when none was.
  NodeId lastMadeVisible() const { return lastMadeVisible_; }

 private:
  struct Node {
    const char* data = nullptr;  // the text when it differs from the key, then the address
    std::size_t textLength = 0;  // 0 when the text is the key
    std::size_t addressLength = 0;
    NodeId parent = kNone;
    std::int32_t row = 0;
    std::int32_t childList = -1;  // index into childLists_, -1 when it has no children
    BookmarkPicture picture = BookmarkPicture::Folder;
    bool textIsKey = false;
    bool hasAddress = false;
    bool expanded = false;
  };
  Node& At(NodeId id) { return nodes_[static_cast<std::size_t>(id)]; }
  const Node& At(NodeId id) const { return nodes_[static_cast<std::size_t>(id)]; }
  std::vector<NodeId>& ChildrenOf(NodeId parent);

  BookmarkKeys keys_;
  BlockArena arena_;
  ArenaArray<Node> nodes_;
  std::vector<std::vector<NodeId>> childLists_;
  std::vector<NodeId> topLevel_;
  NodeId lastAdded_ = kNone;
  NodeId lastMadeVisible_ = kNone;
};

// The bookmarks (not folders or descriptions) whose text is `title`, in tree order.
std::vector<BookmarkTree::NodeId> BookmarksTitled(const BookmarkTree& tree, std::string_view title);
// The texts of a node's ancestors from the top, joined with "/": the folder path a bookmark is
// named by on the command line ("Bookmarks not In folders" for a loose one).
std::string FolderPath(const BookmarkTree& tree, BookmarkTree::NodeId id);

// What a node shows of its text (UTF-8). A title of megabytes would keep the view busy for a
// minute laying it out (and then draw nothing), so a text longer than kShownTextLength bytes
// shows as many as end on a character's boundary and an ellipsis; a control character shows as
// \xHH, as on the command line. The node's text itself stays whole: a transfer or launch uses
// all of it.
inline constexpr std::size_t kShownTextLength = 2000;
std::string ShownText(std::string_view text);

}  // namespace varnel

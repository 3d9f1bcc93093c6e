#pragma once
// The bookmark tree: nodes with a key unique in the whole tree (exact text, letter case counts),
// a text, a picture and, on bookmarks, an address. It applies the reader's actions: a node whose
// key is already used is refused and nothing else changes; "make visible" expands every ancestor
// of the node just added and makes it the node the view scrolls to. Nodes are kept flat, in the
// order added; each knows its parent and its row there, and each parent its children in order.
// The nodes, their texts and the key index live in one arena, freed together.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/bookmark_reader.h"
#include "winenv/block_arena.h"

namespace varnel {

class BookmarkTree : public BookmarkActions {
 public:
  using NodeId = std::int32_t;
  static constexpr NodeId kNone = -1;

  void Clear();
  // False when the key is already used (or the parent key is unknown): nothing was added.
  bool Add(const BookmarkNodeToAdd& node);

  // BookmarkActions
  bool HasKey(std::string_view key) const override { return Find(key).has_value(); }
  bool AddNode(const BookmarkNodeToAdd& node) override {
    const bool added = Add(node);
    lastAdded_ = added ? NodeId(size_ - 1) : kNone;
    return added;
  }
  void MakeVisible() override;

  std::size_t size() const { return size_; }
  std::optional<NodeId> Find(std::string_view key) const;
  std::string_view key(NodeId id) const;
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
  struct Node;
  // The nodes are kept in chunks of 2^kChunkBits, which never move.
  static constexpr int kChunkBits = 12;
  static constexpr std::size_t kChunkMask = (std::size_t{1} << kChunkBits) - 1;
  Node& At(NodeId id) {
    return chunks_[static_cast<std::size_t>(id) >> kChunkBits][static_cast<std::size_t>(id) & kChunkMask];
  }
  const Node& At(NodeId id) const {
    return chunks_[static_cast<std::size_t>(id) >> kChunkBits][static_cast<std::size_t>(id) & kChunkMask];
  }
  struct Node {
    const char* data = nullptr;  // the key, the text when it differs, the address
    std::size_t dataLength = 0;
    std::size_t keyLength = 0;
    std::size_t textStart = 0;  // 0: the text is the key
    std::size_t textLength = 0;
    NodeId parent = kNone;
    std::int32_t row = 0;
    std::int32_t childList = -1;  // index into childLists_, -1 when it has no children
    BookmarkPicture picture = BookmarkPicture::Folder;
    bool hasAddress = false;
    bool expanded = false;
  };

  std::optional<NodeId> Find(std::string_view key, std::uint32_t hash) const;
  std::optional<NodeId> FindParent(std::string_view key);
  Node& NewNode();
  std::vector<NodeId>& ChildrenOf(NodeId parent);
  void Place(NodeId id, std::uint32_t hash);
  void PlaceEntry(std::uint64_t entry);

  BlockArena arena_;
  std::vector<Node*> chunks_;
  std::size_t size_ = 0;
  std::vector<std::vector<NodeId>> childLists_;
  std::vector<NodeId> topLevel_;
  // Open addressing over the keys: each slot holds a key's hash (high half) and its node + 1
  // (low half); 0 is a free slot. At most half full.
  std::uint64_t* index_ = nullptr;
  std::size_t indexSize_ = 0;
  NodeId lastParent_ = kNone;
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

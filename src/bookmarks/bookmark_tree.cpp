#include "bookmarks/bookmark_tree.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

namespace varnel {
namespace {

const std::vector<BookmarkTree::NodeId> kNoChildren;

std::uint32_t HashKey(std::string_view key) {
  const std::size_t full = std::hash<std::string_view>{}(key);
  return static_cast<std::uint32_t>(full ^ (full >> 32));
}

std::uint64_t Slot(BookmarkTree::NodeId id, std::uint32_t hash) {
  return (std::uint64_t{hash} << 32) | static_cast<std::uint32_t>(id + 1);
}

}  // namespace

void BookmarkTree::Clear() {
  arena_.Clear();
  chunks_.clear();
  size_ = 0;
  childLists_.clear();
  topLevel_.clear();
  index_ = nullptr;
  indexSize_ = 0;
  lastParent_ = lastAdded_ = lastMadeVisible_ = kNone;
}

std::optional<BookmarkTree::NodeId> BookmarkTree::Find(std::string_view key) const { return Find(key, HashKey(key)); }

std::optional<BookmarkTree::NodeId> BookmarkTree::Find(std::string_view key, std::uint32_t hash) const {
  if (indexSize_ == 0) return std::nullopt;
  const std::size_t mask = indexSize_ - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const std::uint64_t entry = index_[slot];
    if (entry == 0) return std::nullopt;
    const NodeId id = static_cast<NodeId>(static_cast<std::uint32_t>(entry) - 1);
    if (entry >> 32 == hash && this->key(id) == key) return id;
  }
}

// Bookmarks come in runs under one parent: the last parent found is tried first.
std::optional<BookmarkTree::NodeId> BookmarkTree::FindParent(std::string_view key) {
  if (lastParent_ != kNone && this->key(lastParent_) == key) return lastParent_;
  const std::optional<NodeId> found = Find(key);
  if (found) lastParent_ = *found;
  return found;
}

bool BookmarkTree::Add(const BookmarkNodeToAdd& add) {
  const std::uint32_t hash = HashKey(add.key);
  if (Find(add.key, hash)) return false;
  NodeId parent = kNone;
  if (add.parentKey) {
    const std::optional<NodeId> found = FindParent(*add.parentKey);
    if (!found) return false;
    parent = *found;
  }
  const bool textIsKey = add.text == add.key;
  const std::size_t length =
      add.key.size() + (textIsKey ? 0 : add.text.size()) + (add.address ? add.address->size() : 0);
  char* data = static_cast<char*>(arena_.Allocate(length, 1));
  char* next = std::copy(add.key.begin(), add.key.end(), data);
  if (!textIsKey) next = std::copy(add.text.begin(), add.text.end(), next);
  if (add.address) std::copy(add.address->begin(), add.address->end(), next);

  const NodeId id = static_cast<NodeId>(size_);
  Node& node = NewNode();
  node.data = data;
  node.dataLength = length;
  node.keyLength = add.key.size();
  node.textStart = textIsKey ? 0 : add.key.size();
  node.textLength = add.text.size();
  node.hasAddress = add.address.has_value();
  node.picture = add.picture;
  node.parent = parent;
  std::vector<NodeId>& siblings = ChildrenOf(parent);
  node.row = static_cast<std::int32_t>(siblings.size());
  siblings.push_back(id);
  Place(id, hash);
  return true;
}

void BookmarkTree::MakeVisible() {
  if (lastAdded_ == kNone) return;
  // Every ancestor of an expanded node is expanded already, so the walk stops at the first one.
  for (NodeId up = At(lastAdded_).parent; up != kNone && !At(up).expanded; up = At(up).parent) {
    At(up).expanded = true;
  }
  lastMadeVisible_ = lastAdded_;
}

std::string_view BookmarkTree::key(NodeId id) const {
  const Node& node = At(id);
  return std::string_view(node.data, node.keyLength);
}

std::string_view BookmarkTree::text(NodeId id) const {
  const Node& node = At(id);
  return std::string_view(node.data + node.textStart, node.textLength);
}

std::optional<std::string_view> BookmarkTree::address(NodeId id) const {
  const Node& node = At(id);
  if (!node.hasAddress) return std::nullopt;
  const std::size_t start = node.textStart == 0 ? node.keyLength : node.textStart + node.textLength;
  return std::string_view(node.data + start, node.dataLength - start);
}

const std::vector<BookmarkTree::NodeId>& BookmarkTree::children(NodeId id) const {
  if (id == kNone) return topLevel_;
  const std::int32_t list = At(id).childList;
  return list < 0 ? kNoChildren : childLists_[static_cast<std::size_t>(list)];
}

BookmarkTree::Node& BookmarkTree::NewNode() {
  if ((size_ & kChunkMask) == 0) {
    constexpr std::size_t kChunkSize = sizeof(Node) << kChunkBits;
    chunks_.push_back(static_cast<Node*>(arena_.Allocate(kChunkSize, alignof(Node))));
  }
  Node* node = new (&chunks_.back()[size_ & kChunkMask]) Node();
  ++size_;
  return *node;
}

std::vector<BookmarkTree::NodeId>& BookmarkTree::ChildrenOf(NodeId parent) {
  if (parent == kNone) return topLevel_;
  Node& node = At(parent);
  if (node.childList < 0) {
    node.childList = static_cast<std::int32_t>(childLists_.size());
    childLists_.emplace_back();
  }
  return childLists_[static_cast<std::size_t>(node.childList)];
}

// Keeps the index at most half full: a larger table takes every entry again by its stored hash.
void BookmarkTree::Place(NodeId id, std::uint32_t hash) {
  if (size_ * 2 > indexSize_) {
    const std::uint64_t* old = index_;
    const std::size_t oldSize = indexSize_;
    indexSize_ = std::max<std::size_t>(64, oldSize * 2);
    index_ = static_cast<std::uint64_t*>(arena_.Allocate(indexSize_ * sizeof *index_, alignof(std::uint64_t)));
    std::fill_n(index_, indexSize_, 0);
    for (std::size_t i = 0; i < oldSize; ++i) {
      if (old[i] != 0) PlaceEntry(old[i]);
    }
  }
  PlaceEntry(Slot(id, hash));
}

void BookmarkTree::PlaceEntry(std::uint64_t entry) {
  const std::size_t mask = indexSize_ - 1;
  std::size_t slot = (entry >> 32) & mask;
  while (index_[slot] != 0) slot = (slot + 1) & mask;
  index_[slot] = entry;
}

std::vector<BookmarkTree::NodeId> BookmarksTitled(const BookmarkTree& tree, std::string_view title) {
  std::vector<BookmarkTree::NodeId> found;
  for (BookmarkTree::NodeId id = 0; id < static_cast<BookmarkTree::NodeId>(tree.size()); ++id) {
    if (tree.picture(id) == BookmarkPicture::Bookmark && tree.text(id) == title) found.push_back(id);
  }
  return found;
}

std::string FolderPath(const BookmarkTree& tree, BookmarkTree::NodeId id) {
  std::vector<std::string_view> names;
  for (BookmarkTree::NodeId up = tree.parent(id); up != BookmarkTree::kNone; up = tree.parent(up)) {
    names.push_back(tree.text(up));
  }
  std::string path;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (!path.empty()) path += '/';
    path.append(*name);
  }
  return path;
}

std::string ShownText(std::string_view text) {
  std::string shown;
  const std::size_t end = std::min(text.size(), kShownTextLength);
  std::size_t cut = end;
  while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
    --cut;  // not inside a character
  // Control characters (C0, DEL, and C1 in UTF-8) as \xHH, as the command line shows them: a
  // view would draw them as boxes, or not at all.
  constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t at = 0; at < cut; ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const bool c1 = byte == 0xC2 && at + 1 < cut && static_cast<unsigned char>(text[at + 1]) < 0xA0 &&
                    static_cast<unsigned char>(text[at + 1]) >= 0x80;
    if (byte < 0x20 || byte == 0x7F || c1) {
      const auto shownByte = c1 ? static_cast<unsigned char>(text[++at]) : byte;
      shown.append({'\\', 'x', kHex[shownByte >> 4], kHex[shownByte & 0xF]});
    } else {
      shown += text[at];
    }
  }
  if (cut < text.size()) shown += "\u2026";
  return shown;
}

}  // namespace varnel

#include "bookmarks/bookmark_tree.h"

#include <algorithm>
#include <functional>

namespace varnel {
namespace {

const std::vector<BookmarkTree::NodeId> kNoChildren;

std::size_t HashKey(std::string_view key) { return std::hash<std::string_view>{}(key); }

}  // namespace

void BookmarkTree::Clear() {
  nodes_.clear();
  childLists_.clear();
  topLevel_.clear();
  index_.clear();
  lastAdded_ = kNone;
  lastMadeVisible_ = kNone;
}

std::optional<BookmarkTree::NodeId> BookmarkTree::Find(std::string_view key) const {
  if (index_.empty()) return std::nullopt;
  const std::size_t mask = index_.size() - 1;
  for (std::size_t slot = HashKey(key) & mask;; slot = (slot + 1) & mask) {
    const NodeId id = index_[slot];
    if (id == kNone) return std::nullopt;
    if (this->key(id) == key) return id;
  }
}

bool BookmarkTree::Add(const BookmarkNodeToAdd& add) {
  if (Find(add.key)) return false;
  NodeId parent = kNone;
  if (add.parentKey) {
    const std::optional<NodeId> found = Find(*add.parentKey);
    if (!found) return false;
    parent = *found;
  }
  const NodeId id = static_cast<NodeId>(nodes_.size());
  Node& node = nodes_.emplace_back();
  const bool textIsKey = add.text == add.key;
  node.data.reserve(add.key.size() + (textIsKey ? 0 : add.text.size()) + (add.address ? add.address->size() : 0));
  node.data.append(add.key);
  node.keyLength = add.key.size();
  node.textStart = textIsKey ? 0 : node.data.size();
  node.textLength = add.text.size();
  if (!textIsKey) node.data.append(add.text);
  node.hasAddress = add.address.has_value();
  if (add.address) node.data.append(*add.address);
  node.picture = add.picture;
  node.parent = parent;
  std::vector<NodeId>& siblings = ChildrenOf(parent);
  node.row = static_cast<std::int32_t>(siblings.size());
  siblings.push_back(id);
  IndexKey(id);
  return true;
}

void BookmarkTree::MakeVisible() {
  if (lastAdded_ == kNone) return;
  // Every ancestor of an expanded node is expanded already, so the walk stops at the first one.
  for (NodeId up = nodes_[lastAdded_].parent; up != kNone && !nodes_[up].expanded; up = nodes_[up].parent) {
    nodes_[up].expanded = true;
  }
  lastMadeVisible_ = lastAdded_;
}

std::string_view BookmarkTree::key(NodeId id) const {
  const Node& node = nodes_[id];
  return std::string_view(node.data).substr(0, node.keyLength);
}

std::string_view BookmarkTree::text(NodeId id) const {
  const Node& node = nodes_[id];
  return std::string_view(node.data).substr(node.textStart, node.textLength);
}

std::optional<std::string_view> BookmarkTree::address(NodeId id) const {
  const Node& node = nodes_[id];
  if (!node.hasAddress) return std::nullopt;
  const std::size_t start = node.textStart == 0 ? node.keyLength : node.textStart + node.textLength;
  return std::string_view(node.data).substr(start);
}

const std::vector<BookmarkTree::NodeId>& BookmarkTree::children(NodeId id) const {
  if (id == kNone) return topLevel_;
  const std::int32_t list = nodes_[id].childList;
  return list < 0 ? kNoChildren : childLists_[list];
}

std::vector<BookmarkTree::NodeId>& BookmarkTree::ChildrenOf(NodeId parent) {
  if (parent == kNone) return topLevel_;
  Node& node = nodes_[parent];
  if (node.childList < 0) {
    node.childList = static_cast<std::int32_t>(childLists_.size());
    childLists_.emplace_back();
  }
  return childLists_[node.childList];
}

void BookmarkTree::IndexKey(NodeId id) {
  if (nodes_.size() * 2 > index_.size()) {
    // Keeps the index at most half full: a new table, every earlier node placed again.
    index_.assign(std::max<std::size_t>(64, index_.size() * 2), kNone);
    for (NodeId earlier = 0; earlier < id; ++earlier) Place(earlier);
  }
  Place(id);
}

void BookmarkTree::Place(NodeId id) {
  const std::size_t mask = index_.size() - 1;
  std::size_t slot = HashKey(key(id)) & mask;
  while (index_[slot] != kNone) slot = (slot + 1) & mask;
  index_[slot] = id;
}

}  // namespace varnel

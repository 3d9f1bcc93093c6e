#include "bookmarks/bookmark_tree.h"

#include <algorithm>
#include <cstring>

namespace varnel {
namespace {

const std::vector<BookmarkTree::NodeId> kNoChildren;

}  // namespace

void BookmarkTree::Clear() {
  keys_.Clear();
  nodes_.Clear();
  arena_.Clear();
  childLists_.clear();
  topLevel_.clear();
  lastAdded_ = lastMadeVisible_ = kNone;
}

bool BookmarkTree::Add(const BookmarkNodeToAdd& add) {
  NodeId parent = kNone;
  if (add.parentKey) {
    const std::optional<NodeId> found = keys_.FindParent(*add.parentKey);
    if (!found) return false;
    parent = *found;
  }
  const std::optional<NodeId> id = keys_.Add(add.key);
  if (!id) return false;
  const bool textIsKey = add.text == add.key;
  const std::string_view text = textIsKey ? std::string_view() : add.text;
  const std::string_view address = add.address.value_or(std::string_view());
  char* data = static_cast<char*>(arena_.Allocate(text.size() + address.size(), 1));
  std::copy(address.begin(), address.end(), std::copy(text.begin(), text.end(), data));

  Node& node = nodes_.Append();
  node.data = data;
  node.textLength = text.size();
  node.addressLength = address.size();
  node.textIsKey = textIsKey;
  node.hasAddress = add.address.has_value();
  node.picture = add.picture;
  node.parent = parent;
  std::vector<NodeId>& siblings = ChildrenOf(parent);
  node.row = static_cast<std::int32_t>(siblings.size());
  siblings.push_back(*id);
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

std::string_view BookmarkTree::text(NodeId id) const {
  const Node& node = At(id);
  return node.textIsKey ? key(id) : std::string_view(node.data, node.textLength);
}

std::optional<std::string_view> BookmarkTree::address(NodeId id) const {
  const Node& node = At(id);
  if (!node.hasAddress) return std::nullopt;
  return std::string_view(node.data + node.textLength, node.addressLength);
}

const std::vector<BookmarkTree::NodeId>& BookmarkTree::children(NodeId id) const {
  if (id == kNone) return topLevel_;
  const std::int32_t list = At(id).childList;
  return list < 0 ? kNoChildren : childLists_[static_cast<std::size_t>(list)];
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

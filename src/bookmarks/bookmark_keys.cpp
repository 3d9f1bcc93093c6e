#include "bookmarks/bookmark_keys.h"

#include <algorithm>
#include <functional>

namespace varnel {

std::uint32_t BookmarkKeys::Hash(std::string_view key) {
  const std::size_t full = std::hash<std::string_view>{}(key);
  return static_cast<std::uint32_t>(full ^ (full >> 32));
}

void BookmarkKeys::Clear() {
  keys_.Clear();
  arena_.Clear();
  index_ = nullptr;
  indexSize_ = 0;
  lastParent_.reset();
}

std::optional<BookmarkKeys::Id> BookmarkKeys::Find(std::string_view key, std::uint32_t hash) const {
  if (indexSize_ == 0) return std::nullopt;
  const std::size_t mask = indexSize_ - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const std::uint64_t entry = index_[slot];
    if (entry == 0) return std::nullopt;
    const Id id = static_cast<Id>(static_cast<std::uint32_t>(entry) - 1);
    if (entry >> 32 == hash && this->key(id) == key) return id;
  }
}

std::optional<BookmarkKeys::Id> BookmarkKeys::FindParent(std::string_view key) {
  if (lastParent_ && this->key(*lastParent_) == key) return lastParent_;
  const std::optional<Id> found = Find(key);
  if (found) lastParent_ = found;
  return found;
}

BookmarkKeys::Prepared BookmarkKeys::Prepare(std::string_view key) const {
  const std::uint32_t hash = Hash(key);
  if (indexSize_ != 0) __builtin_prefetch(&index_[hash & (indexSize_ - 1)]);
  return {key, hash};
}

std::optional<BookmarkKeys::Id> BookmarkKeys::Add(const Prepared& prepared) {
  const auto [key, hash] = prepared;
  if (Find(key, hash)) return std::nullopt;
  const Id id = static_cast<Id>(keys_.size());
  char* copy = static_cast<char*>(arena_.Allocate(key.size(), 1));
  std::copy(key.begin(), key.end(), copy);
  keys_.Append() = std::string_view(copy, key.size());
  // A larger table, when this one would be more than half full, takes every entry again by its
  // stored hash.
  if (keys_.size() * 2 > indexSize_) {
    const std::uint64_t* old = index_;
    const std::size_t oldSize = indexSize_;
    indexSize_ = std::max<std::size_t>(64, oldSize * 2);
    index_ = static_cast<std::uint64_t*>(arena_.Allocate(indexSize_ * sizeof *index_, alignof(std::uint64_t)));
    std::fill_n(index_, indexSize_, 0);
    for (std::size_t i = 0; i < oldSize; ++i) {
      if (old[i] != 0) Place(old[i]);
    }
  }
  Place((std::uint64_t{hash} << 32) | static_cast<std::uint32_t>(id + 1));
  return id;
}

void BookmarkKeys::Place(std::uint64_t entry) {
  const std::size_t mask = indexSize_ - 1;
  std::size_t slot = (entry >> 32) & mask;
  while (index_[slot] != 0) slot = (slot + 1) & mask;
  index_[slot] = entry;
}

}  // namespace varnel

#pragma once
// The keys of a bookmark tree's nodes: each key once (exact text, letter case counts), numbered
// in the order added, which is the order of the tree's nodes. The keys are copied into an arena
// of their own and found by open addressing over their hashes; everything is freed together.
// The tree keeps its nodes beside them (bookmark_tree.h); `bookmarks --json`, which writes each
// node as it is read, keeps only these.
#include <cstdint>
#include <optional>
#include <string_view>

#include "winenv/block_arena.h"

namespace varnel {

class BookmarkKeys {
 public:
  using Id = std::int32_t;

  BookmarkKeys() : keys_(arena_) {}
  BookmarkKeys(const BookmarkKeys&) = delete;
  BookmarkKeys& operator=(const BookmarkKeys&) = delete;

  void Clear();
  std::size_t size() const { return keys_.size(); }
  std::optional<Id> Find(std::string_view key) const { return Find(key, Hash(key)); }
  // The same for a parent's key: bookmarks come in runs under one parent, so the parent found
  // last is tried first.
  std::optional<Id> FindParent(std::string_view key);
  // Adds the key as number size(); when it is there already nothing changes and it gives none.
  std::optional<Id> Add(std::string_view key) { return Add(Prepare(key)); }
  // The same in two steps, for a caller with other work to do between them: Prepare hashes the
  // key and asks the memory for its place in the index, which a large index seldom has at hand.
  struct Prepared {
    std::string_view key;
    std::uint32_t hash;
  };
  Prepared Prepare(std::string_view key) const;
  std::optional<Id> Add(const Prepared& key);
  std::string_view key(Id id) const { return keys_[static_cast<std::size_t>(id)]; }

 private:
  static std::uint32_t Hash(std::string_view key);
  std::optional<Id> Find(std::string_view key, std::uint32_t hash) const;
  void Place(std::uint64_t entry);

  BlockArena arena_;
  ArenaArray<std::string_view> keys_;
  // Each slot holds a key's hash (high half) and its number + 1 (low half); 0 is a free slot.
  // At most half full.
  std::uint64_t* index_ = nullptr;
  std::size_t indexSize_ = 0;
  std::optional<Id> lastParent_;
};

}  // namespace varnel

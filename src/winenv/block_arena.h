#pragma once
// Memory for one large structure that is built once and freed whole (the bookmark tree of a
// file of 100,000 bookmarks): 2 MB blocks, aligned to 2 MB and marked for transparent huge pages.
// Where the kernel backs them so, a block costs one page fault instead of 512; on a virtual
// machine, where each fault is dear, that is most of the time a large read takes. Where it does
// not, the blocks are ordinary memory. Nothing is freed before Clear or the arena's end.
#include <cstddef>
#include <new>
#include <type_traits>
#include <vector>

namespace varnel {

class BlockArena {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{2} << 20;

  BlockArena() = default;
  ~BlockArena() { Clear(); }
  BlockArena(const BlockArena&) = delete;
  BlockArena& operator=(const BlockArena&) = delete;

  // `size` bytes aligned to `alignment` (a power of two, at most 4096), their contents unset.
  // Throws std::bad_alloc when the system has no memory to give.
  void* Allocate(std::size_t size, std::size_t alignment = alignof(std::max_align_t));
  // Frees every block.
  void Clear();

 private:
  struct Block {
    void* start;
    std::size_t size;
  };
  void NewBlock(std::size_t atLeast);

  std::vector<Block> blocks_;
  char* next_ = nullptr;  // the free part of the newest block
  char* end_ = nullptr;
};

// An array that only grows, kept in an arena in chunks of 4,096 elements that never move: an
// element stays where it is until Clear (call it with the arena's Clear), so growing copies
// nothing. T is a plain type: nothing is destroyed.
template <class T>
class ArenaArray {
  static_assert(std::is_trivially_destructible_v<T>);

 public:
  explicit ArenaArray(BlockArena& arena) : arena_(arena) {}

  // A new element at the end, value-initialised.
  T& Append() {
    if ((size_ & kChunkMask) == 0) {
      chunks_.reserve(chunks_.size() + 1);  // so that a chunk allocated is always recorded
      chunks_.push_back(static_cast<T*>(arena_.Allocate(sizeof(T) << kChunkBits, alignof(T))));
    }
    return *new (&chunks_.back()[size_++ & kChunkMask]) T();
  }
  T& operator[](std::size_t i) { return chunks_[i >> kChunkBits][i & kChunkMask]; }
  const T& operator[](std::size_t i) const { return chunks_[i >> kChunkBits][i & kChunkMask]; }
  std::size_t size() const { return size_; }
  void Clear() {
    chunks_.clear();
    size_ = 0;
  }

 private:
  static constexpr int kChunkBits = 12;
  static constexpr std::size_t kChunkMask = (std::size_t{1} << kChunkBits) - 1;

  BlockArena& arena_;
  std::vector<T*> chunks_;
  std::size_t size_ = 0;
};

}  // namespace varnel

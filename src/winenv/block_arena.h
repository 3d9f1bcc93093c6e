#pragma once
// Memory for one large structure that is built once and freed whole (the bookmark tree of a
// file of 100,000 bookmarks): 2 MB blocks, aligned to 2 MB and marked for transparent huge pages.
// Where the kernel backs them so, a block costs one page fault instead of 512; on a virtual
// machine, where each fault is dear, that is most of the time a large read takes. Where it does
// not, the blocks are ordinary memory. Nothing is freed before Clear or the arena's end.
#include <cstddef>
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

}  // namespace varnel

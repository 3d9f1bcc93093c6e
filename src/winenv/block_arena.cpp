#include "winenv/block_arena.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace varnel {
namespace {

std::size_t RoundUp(std::size_t size, std::size_t unit) { return (size + unit - 1) / unit * unit; }

}  // namespace

void* BlockArena::Allocate(std::size_t size, std::size_t alignment) {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(next_);
  const std::size_t padding = (alignment - at % alignment) % alignment;
  if (next_ == nullptr || size + padding > static_cast<std::size_t>(end_ - next_)) {
    NewBlock(size);  // a new block starts aligned to 2 MB, so to any smaller alignment too
    next_ += size;
    return next_ - size;
  }
  next_ += padding + size;
  return next_ - size;
}

// Maps one block aligned to 2 MB (a huge page covers only an aligned range): a range one block
// longer is mapped and the parts before and after the aligned block are given back.
void BlockArena::NewBlock(std::size_t atLeast) {
  if (atLeast > SIZE_MAX - 2 * kBlockSize) throw std::bad_alloc();
  blocks_.reserve(blocks_.size() + 1);  // so that recording the block cannot fail once it is mapped
  const std::size_t size = RoundUp(atLeast, kBlockSize);
  const std::size_t mapped = size + kBlockSize;
  void* range = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (range == MAP_FAILED) throw std::bad_alloc();
  char* const rangeStart = static_cast<char*>(range);
  char* const rangeEnd = rangeStart + mapped;
  char* const start = rangeStart + (RoundUp(reinterpret_cast<std::uintptr_t>(rangeStart), kBlockSize) -
                                    reinterpret_cast<std::uintptr_t>(rangeStart));
  char* const end = start + size;
  if (start > rangeStart) ::munmap(rangeStart, static_cast<std::size_t>(start - rangeStart));
  if (rangeEnd > end) ::munmap(end, static_cast<std::size_t>(rangeEnd - end));
#ifdef MADV_HUGEPAGE
  (void)::madvise(start, size, MADV_HUGEPAGE);  // advice only: without huge pages the block still works
#endif
  blocks_.push_back({start, size});
  next_ = start;
  end_ = end;
}

void BlockArena::Clear() {
  for (const Block& block : blocks_) ::munmap(block.start, block.size);
  blocks_.clear();
  next_ = end_ = nullptr;
}

}  // namespace varnel

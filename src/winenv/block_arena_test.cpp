#include "winenv/block_arena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace varnel {
namespace {

bool AlignedTo(const void* p, std::size_t alignment) { return reinterpret_cast<std::uintptr_t>(p) % alignment == 0; }

// Pieces of many sizes come back aligned as asked and never overlap, across block ends and for a
// piece larger than a block; after Clear the arena serves again.
TEST(BlockArena, AlignedPiecesThatNeverOverlap) {
  struct Piece {
    unsigned char* start;
    std::size_t size;
    unsigned char fill;
  };
  BlockArena arena;
  for (int round = 0; round < 2; ++round) {
    std::vector<Piece> pieces;
    std::size_t total = 0;
    for (std::size_t size = 1; total < 3 * BlockArena::kBlockSize; size = size * 3 % 70001 + 1) {
      const std::size_t alignment = std::size_t{1} << (size % 13);
      auto* start = static_cast<unsigned char*>(arena.Allocate(size, alignment));
      EXPECT_TRUE(AlignedTo(start, alignment)) << size;
      pieces.push_back({start, size, static_cast<unsigned char>(pieces.size())});
      std::memset(start, pieces.back().fill, size);
      total += size;
    }
    const std::size_t bigSize = BlockArena::kBlockSize * 2 + 3;
    auto* big = static_cast<unsigned char*>(arena.Allocate(bigSize, 8));
    std::memset(big, 0xEE, bigSize);
    for (const Piece& piece : pieces) {
      EXPECT_TRUE(std::all_of(piece.start, piece.start + piece.size, [&](unsigned char b) { return b == piece.fill; }));
    }
    arena.Clear();
  }
}

}  // namespace
}  // namespace varnel

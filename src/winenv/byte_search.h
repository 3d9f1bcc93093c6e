#pragma once
// Searches for the first byte of a kind in a text, sixteen bytes at a time: the readers and
// writers of large files use it where most bytes need nothing and a few need work.
//
// FirstWanted(text, at, marks, wanted) gives where the first byte that `wanted` holds for stands
// from `at` on (the text's size when none does). `marks` gives for sixteen bytes (SixteenBytes)
// a vector that is non-zero where `wanted` holds, so both must say the same. A text's last bytes
// are looked at in the sixteen that end it; a text shorter than sixteen bytes, and every text on
// a big-endian machine, goes byte by byte through `wanted`.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace varnel {

using SixteenBytes = std::uint8_t __attribute__((vector_size(16)));

namespace byte_search_detail {

// The first of the sixteen bytes at `bytes` that `marks` marks, from the `skip`th on; 16 when
// none is.
template <typename Marks>
std::size_t FirstMarked(const char* bytes, std::size_t skip, Marks marks) {
  SixteenBytes sixteen;
  std::memcpy(&sixteen, bytes, sizeof sixteen);
  const auto marked = marks(sixteen);
  std::uint64_t halves[2];
  static_assert(sizeof marked == sizeof halves);
  std::memcpy(halves, &marked, sizeof halves);
  if (skip >= 8) {
    halves[0] = 0;
    halves[1] &= ~std::uint64_t{0} << (8 * (skip - 8));
  } else {
    halves[0] &= ~std::uint64_t{0} << (8 * skip);
  }
  if (halves[0] != 0) return static_cast<std::size_t>(std::countr_zero(halves[0])) / 8;
  if (halves[1] != 0) return 8 + static_cast<std::size_t>(std::countr_zero(halves[1])) / 8;
  return sizeof sixteen;
}

}  // namespace byte_search_detail

template <typename Marks, typename Wanted>
std::size_t FirstWanted(std::string_view text, std::size_t at, Marks marks, Wanted wanted) {
  using byte_search_detail::FirstMarked;
  constexpr std::size_t kSixteen = sizeof(SixteenBytes);
  if constexpr (std::endian::native == std::endian::little) {
    if (text.size() >= kSixteen) {
      for (; at + kSixteen <= text.size(); at += kSixteen) {
        const std::size_t first = FirstMarked(text.data() + at, 0, marks);
        if (first < kSixteen) return at + first;
      }
      if (at >= text.size()) return text.size();
      const std::size_t last = text.size() - kSixteen;
      return last + FirstMarked(text.data() + last, at - last, marks);
    }
  }
  while (at < text.size() && !wanted(static_cast<unsigned char>(text[at]))) ++at;
  return at;
}

// Where byte `c` stands first from `at` on, npos when it does not: for the short distances
// between a file's markers, where a call of memchr costs more than the search.
inline std::size_t FindByte(std::string_view text, std::size_t at, char c) {
  const auto byte = static_cast<std::uint8_t>(c);
  const std::size_t found = FirstWanted(
      text, at, [byte](SixteenBytes b) { return b == byte; }, [byte](unsigned char other) { return other == byte; });
  return found < text.size() ? found : std::string_view::npos;
}

}  // namespace varnel

#pragma once
// Wine's order of key paths, compared straight from the hive's text: a key line's path is read
// one code unit at a time, its escapes decoded and folded, so that finding and ordering keys
// builds no decoded path.
//
// Wine keeps each key's sub-keys sorted by name without case (folded to lower case) and writes
// the tree depth-first. So in the file a path precedes another when, name by name, its first
// differing name sorts first, a name sorting before any longer name it begins; or when it is
// the other's ancestor. On folded paths that is one pass in which the separator ranks below
// every other character.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "winenv/code_page.h"
#include "winenv/hive_syntax.h"

namespace varnel::hive {

// The path of a key line that parses ("[escaped path] stamp"), unit by unit, folded; the text
// may go on past the line. Reading may start further in, at a whole character or escape.
class KeyLineUnits {
 public:
  explicit KeyLineUnits(std::string_view keyLine, std::size_t from = 0)
      : text_(keyLine), pos_(std::max(SkipSpaces(keyLine, 0) + 1, from)) {}

  bool Next(char16_t& unit) {
    if (pos_ >= text_.size() || text_[pos_] == ']') return false;
    char16_t c = static_cast<unsigned char>(text_[pos_++]);
    if (c == u'\\') DecodeEscape(text_, pos_, c);
    unit = FoldUnit(c);
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_;
};

// A decoded path as a caller gives it, unit by unit, folded.
class PathUnits {
 public:
  explicit PathUnits(std::u16string_view path) : path_(path) {}

  bool Next(char16_t& unit) {
    if (pos_ == path_.size()) return false;
    unit = FoldUnit(path_[pos_++]);
    return true;
  }

 private:
  std::u16string_view path_;
  std::size_t pos_ = 0;
};

// Where two texts first differ (the shorter one's length when it begins the other), comparing
// eight bytes at a time.
inline std::size_t FirstDifference(std::string_view a, std::string_view b) {
  const std::size_t limit = std::min(a.size(), b.size());
  std::size_t at = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; at + 8 <= limit; at += 8) {
      std::uint64_t x = 0, y = 0;
      std::memcpy(&x, a.data() + at, 8);
      std::memcpy(&y, b.data() + at, 8);
      if (x != y) return at + static_cast<std::size_t>(std::countr_zero(x ^ y)) / 8;
    }
  }
  while (at < limit && a[at] == b[at]) ++at;
  return at;
}

// How far two key lines spell their paths byte for byte, ending on a whole character or escape
// of the path: up to there the paths are the same, and a comparison may start there. Wine writes
// neighbouring keys with long paths in common, so this spares decoding most of them.
inline std::size_t SameSpelling(std::string_view a, std::string_view b) {
  std::size_t differ = FirstDifference(a, b);
  differ = std::min(differ, a.substr(0, differ).find(']'));  // where the path ends
  // Plain bytes are whole characters; an escape counts only when both spell it the same way in
  // full (they may read on differently, "\\x41" against "\\x4142").
  for (std::size_t escape = a.find('\\'); escape < differ; escape = a.find('\\', escape)) {
    if (a.substr(escape, 2) == "\\\\" && b.substr(escape, 2) == "\\\\") {  // a separator, the commonest escape
      escape += 2;
      continue;
    }
    std::size_t endA = escape + 1, endB = escape + 1;
    char16_t unit = 0;
    DecodeEscape(a, endA, unit);
    DecodeEscape(b, endB, unit);
    if (endA != endB || endA > differ) return escape;  // the same escape read on differently
    escape = endA;
  }
  return differ;
}

// Negative when a's path comes first in Wine's order, zero when they name the same key.
template <typename A, typename B>
int ComparePaths(A a, B b) {
  const auto rank = [](char16_t c) { return c == u'\\' ? 0u : c + 1u; };
  for (char16_t x = 0, y = 0;;) {
    const bool moreA = a.Next(x);
    const bool moreB = b.Next(y);
    if (!moreA || !moreB) return static_cast<int>(moreA) - static_cast<int>(moreB);
    if (x != y) return rank(x) < rank(y) ? -1 : 1;
  }
}

// Whether the path lies below `ancestor` (every path lies below the root, "").
template <typename A>
bool IsBelow(A path, std::u16string_view ancestor) {
  char16_t unit = 0;
  for (char16_t c : ancestor) {
    if (!path.Next(unit) || unit != FoldUnit(c)) return false;
  }
  return path.Next(unit) && (ancestor.empty() || unit == u'\\');
}

}  // namespace varnel::hive

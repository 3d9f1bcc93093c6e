#pragma once
// The one pass over a hive's text when it is loaded: every line is checked as Wine would read
// it, and where each key's line starts is noted. Key paths, strings and hex data are checked
// without being decoded; a value's name is hashed to find a name that appears twice in a key.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/hive_syntax.h"

namespace varnel::hive {

struct HiveScan {
  std::vector<std::uint32_t> keyStarts;  // where each key line starts, in file order
  std::string newline = "\n";            // the file's own line ending
  std::size_t line = 0;                  // the line of the problem, when there is one
};

// Where the first key line at or after `from` starts (a line beginning with "[" whose line
// before carries no hex data on: from there the rest reads the same on its own); the text's
// size when there is none.
std::size_t KeyLineFrom(std::string_view text, std::size_t from);

// Checks the lines from `from` (a key line's start, as KeyLineFrom finds one) up to `to` (the
// start of a line, or the end) as a load does.
Problem ScanHivePart(std::string_view text, std::size_t from, std::size_t to, HiveScan& scan);

// Texts from this size on are checked in two halves at once, on two threads.
inline constexpr std::size_t kScanInHalvesFrom = 4u << 20;

// The first problem of the text, or nullptr. Keys are found up to the line of the problem. The
// text must be shorter than 4 GiB. Whether a key appears twice is left to the caller, which
// orders the keys. The result does not depend on `inHalvesFrom` (tests compare).
Problem ScanHive(std::string_view text, HiveScan& scan, std::size_t inHalvesFrom = kScanInHalvesFrom);

}  // namespace varnel::hive

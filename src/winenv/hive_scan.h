#pragma once
// The one pass over a hive's text when it is loaded: every line is checked as Wine would read
// it, and where each key's line starts is noted. Names and strings are decoded only into
// working space reused from line to line; nothing of the values is kept.
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

// The first problem of the text, or nullptr. Keys are found up to the line of the problem. The
// text must be shorter than 4 GiB. Whether a key appears twice is left to the caller, which
// orders the keys.
Problem ScanHive(std::string_view text, HiveScan& scan);

}  // namespace varnel::hive

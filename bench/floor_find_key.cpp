// The floor of a read-only registry command: a process that reads a hive file whole and finds
// one key's line by scanning, then prints the value line that follows it. Nothing is decoded;
// the key line is matched as the file spells it.
//   floor_find_key HIVE_FILE '[Software\\\\Classes\\\\http]' '@='
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "floor_read.h"

using floor_programs::ReadAll;

namespace {

// The line that starts at `start`, without its ending.
std::string_view LineAt(std::string_view text, std::size_t start) {
  const std::size_t end = text.find('\n', start);
  return text.substr(start, (end == std::string_view::npos ? text.size() : end) - start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: floor_find_key HIVE_FILE KEY_LINE_START VALUE_LINE_START\n");
    return 2;
  }
  std::string text;
  if (!ReadAll(argv[1], text)) return 1;
  const std::string key = std::string("\n") + argv[2];
  const std::string_view value = argv[3];
  const std::size_t at = text.find(key);
  if (at == std::string::npos) return 1;
  for (std::size_t line = text.find('\n', at + 1) + 1; line != 0 && line < text.size();) {
    const std::string_view content = LineAt(text, line);
    if (content.starts_with('[')) break;
    if (content.starts_with(value)) {
      std::printf("%.*s\n", static_cast<int>(content.size()), content.data());
      return 0;
    }
    line += content.size() + 1;
  }
  return 1;
}

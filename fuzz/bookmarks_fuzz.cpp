// libFuzzer target: bookmark.htm and favorite lines (see bookmark_input.h).
#include <cstddef>
#include <cstdint>

#include "fuzz/bookmark_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnel::fuzz::ReadBookmarkInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

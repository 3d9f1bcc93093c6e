// libFuzzer target (see winenv_inputs.h).
#include <cstddef>
#include <cstdint>

#include "fuzz/winenv_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnel::fuzz::ReadWineOutputInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

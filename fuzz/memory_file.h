#pragma once
// A file in memory with a path the file readers can open, for the fuzz inputs.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace varnel::fuzz {

inline void Require(bool promise) {
  if (!promise) std::abort();
}

class MemoryFile {
 public:
  explicit MemoryFile(std::string_view bytes) : fd_(memfd_create("input", MFD_CLOEXEC)) {
    Require(fd_ >= 0);
    Require(write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  }
  ~MemoryFile() { close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

}  // namespace varnel::fuzz

#pragma once
// How both floor programs read a file: whole, in as few reads as the system allows, with nothing
// of Varnel's own code.
#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace floor_programs {

inline bool ReadAll(const std::string& path, std::string& text) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const off_t size = lseek(fd, 0, SEEK_END);
  lseek(fd, 0, SEEK_SET);
  text.resize(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = read(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  return done == text.size();
}

}  // namespace floor_programs

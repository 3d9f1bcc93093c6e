// The floor of a registry save: a process that reads a file whole and replaces it safely with
// the same bytes, as Varnel's save does: a new file beside it, written and flushed to the disk,
// renamed over the old one, and the folder flushed so that the rename survives a crash.
//   floor_safe_save FILE
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "floor_read.h"

using floor_programs::ReadAll;

namespace {

bool WriteAllAndSync(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool ok = done == text.size() && fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: floor_safe_save FILE\n");
    return 2;
  }
  const std::string path = argv[1];
  const std::string temporary = path + ".floor-tmp";
  std::string text;
  if (!ReadAll(path, text) || !WriteAllAndSync(temporary, text)) return 1;
  if (rename(temporary.c_str(), path.c_str()) != 0) return 1;
  const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return 1;
  fsync(folder);
  close(folder);
  return 0;
}

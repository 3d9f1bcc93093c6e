#pragma once
// The few POSIX file steps every writer needs, written once: a descriptor that closes itself,
// writing all of a text, a new file written whole, and putting a folder's entries on disk.
#include <sys/types.h>

#include <string>
#include <string_view>

#include "winenv/status.h"

namespace varnel {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // The error of close(), 0 when it succeeded (or nothing was open).
  int Close();

 private:
  int fd_;
};

// Writes all of `bytes` (on after a short write or a signal); a write that makes no progress is
// a full disk. `what` names the file in the failure.
[[nodiscard]] Status WriteAll(int fd, std::string_view bytes, const std::string& what);

// A new file at `path` (never an existing name, never through a link) holding `bytes`, with the
// permission bits `mode` less the umask, flushed to disk when asked. A file that could not be
// written whole is removed again. An existing name fails with EEXIST.
enum class Flush { No, ToDisk };
[[nodiscard]] Status WriteNewFile(const std::string& path, std::string_view bytes, mode_t mode, Flush flush);

// Puts a folder's entries (a new or renamed name in it) on disk.
[[nodiscard]] Status SyncFolder(const std::string& folder);

}  // namespace varnel

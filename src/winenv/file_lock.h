#pragma once
// An advisory lock (flock) on a lock file, the way Varnel's writers of one file take turns: held
// from Acquire until Release or destruction. The kernel drops it with the descriptor, so a killed
// holder never leaves it taken. Each FileLock is its own claim, between processes and between
// threads of one process alike.
#include <sys/types.h>
#include <string>

#include "winenv/status.h"

namespace varnel {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Creates the lock file when there is none (never through a link in its place; with `mode`
  // before the umask) and waits until the lock is ours.
  Status Acquire(const std::string& lockPath, mode_t mode = 0644);
  void Release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace varnel

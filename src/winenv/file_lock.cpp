#include "winenv/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace varnel {

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

Status FileLock::Acquire(const std::string& lockPath, mode_t mode) {
  Release();
  // Read-only is enough for flock, and works on a lock file another user created.
  const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return StatusFromErrno(errno, "cannot create the lock file " + lockPath);
  int result;
  do {
    result = ::flock(fd, LOCK_EX);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int error = errno;
    ::close(fd);
    return StatusFromErrno(error, "cannot lock " + lockPath);
  }
  fd_ = fd;
  return Status::Ok();
}

void FileLock::Release() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  fd_ = -1;
}

}  // namespace varnel

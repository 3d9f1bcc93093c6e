#include "winenv/posix_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace varnel {

int FileDescriptor::Close() {
  if (fd_ < 0) return 0;
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0 ? 0 : errno;
}

Status WriteAll(int fd, std::string_view bytes, const std::string& what) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return StatusFromErrno(n < 0 ? errno : ENOSPC, what);
    written += static_cast<std::size_t>(n);
  }
  return Status::Ok();
}

Status WriteNewFile(const std::string& path, std::string_view bytes, mode_t mode, Flush flush) {
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
  if (!file.valid()) return StatusFromErrno(errno, path);
  Status status = WriteAll(file.get(), bytes, path);
  if (status.ok() && flush == Flush::ToDisk && ::fsync(file.get()) != 0) status = StatusFromErrno(errno, path);
  if (const int error = file.Close(); error != 0 && status.ok()) status = StatusFromErrno(error, path);
  if (!status.ok()) ::unlink(path.c_str());
  return status;
}

Status SyncFolder(const std::string& folder) {
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.valid()) return StatusFromErrno(errno, folder);
  if (::fsync(dir.get()) != 0) return StatusFromErrno(errno, folder);
  return Status::Ok();
}

}  // namespace varnel

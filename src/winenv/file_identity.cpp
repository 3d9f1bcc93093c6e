#include "winenv/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace varnel {

namespace {

FileIdentity FromStat(const struct stat& st) {
  FileIdentity id;
  id.exists = true;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.modified = st.st_mtim;
  return id;
}

FileIdentity Failed() {
  FileIdentity id;
  id.error = errno;
  return id;
}

}  // namespace

FileIdentity IdentityOf(const std::string& nativePath) {
  struct stat st {};
  return ::stat(nativePath.c_str(), &st) == 0 ? FromStat(st) : Failed();
}

FileIdentity IdentityOf(int descriptor) {
  struct stat st {};
  return ::fstat(descriptor, &st) == 0 ? FromStat(st) : Failed();
}

Status OpenRegularFile(const std::string& nativePath, int& fd, off_t& size) {
  fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // no wait for a FIFO's writer
  if (fd < 0) return StatusFromErrno(errno, nativePath);
  struct stat info {};
  Status status;
  if (::fstat(fd, &info) != 0) {
    status = StatusFromErrno(errno, nativePath);
  } else if (S_ISDIR(info.st_mode)) {
    status = StatusFromErrno(EISDIR, nativePath);
  } else if (!S_ISREG(info.st_mode)) {
    status = Status::Error(errc::kPathFileAccess, nativePath + ": not a regular file");
  } else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    status = StatusFromErrno(errno, nativePath);
  }
  if (!status.ok()) {
    ::close(fd);
    fd = -1;
  }
  size = info.st_size;
  return status;
}

}  // namespace varnel

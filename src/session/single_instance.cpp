#include "session/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>

namespace varnel {

SingleInstance::SingleInstance(const std::string& prefix) {
  fd_ = ::open((prefix + "/.varnel-instance.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return;  // a lock file that cannot be made (a read-only prefix) stops no one
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    anotherCopy_ = errno == EWOULDBLOCK;
    ::close(fd_);
    fd_ = -1;
  }
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace varnel

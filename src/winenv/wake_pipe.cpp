#include "winenv/wake_pipe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace varnel {

Status WakePipe::Open(const std::string& path, std::chrono::milliseconds tick) {
  if (::mkfifo(path.c_str(), 0600) != 0) return StatusFromErrno(errno, path);
  path_ = path;
  // Read and write: the open does not wait for a reader, and what is written stays until read.
  fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return StatusFromErrno(errno, path);
  ticker_ = std::thread([this, tick] { Tick(tick); });
  return Status::Ok();
}

void WakePipe::Wake() const {
  if (fd_ < 0) return;
  const ssize_t written = ::write(fd_, "w\r\n", 3);
  static_cast<void>(written);  // a full pipe is woken already
}

void WakePipe::Tick(std::chrono::milliseconds tick) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopped_.wait_for(lock, tick, [this] { return stopping_; })) Wake();
}

WakePipe::~WakePipe() {
  if (ticker_.joinable()) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    stopped_.notify_all();
    ticker_.join();
  }
  if (fd_ >= 0) ::close(fd_);
  if (!path_.empty()) ::unlink(path_.c_str());
}

}  // namespace varnel

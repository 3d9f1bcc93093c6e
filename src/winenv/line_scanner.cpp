#include "winenv/line_scanner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "winenv/byte_search.h"

namespace varnel {
namespace {

constexpr std::size_t kChunk = 1 << 18;

}  // namespace

LineScanner::~LineScanner() { Close(); }

Status LineScanner::Open(const std::string& nativePath, std::size_t maxBytes) {
  Close();
  path_ = nativePath;
  maxBytes_ = maxBytes;
  bytesRead_ = 0;
  tooLarge_ = false;
  begin_ = end_ = 0;
  searched_ = 0;
  atEnd_ = skipLf_ = false;
  lineNumber_ = 0;
  off_t size = 0;
  status_ = OpenRegularFile(nativePath, fd_, size);
  if (status_.ok()) identity_ = IdentityOf(fd_);
  return status_;
}

void LineScanner::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

// Moves the unread bytes to the front, makes room (the buffer grows for a line longer than
// itself) and reads the next chunk. False at the end of the file or on a failure.
bool LineScanner::Fill() {
  if (atEnd_ || fd_ < 0) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    searched_ -= std::min(searched_, begin_);
    begin_ = 0;
  }
  try {
    if (buffer_.size() - end_ < kChunk) buffer_.resize(std::max(buffer_.size() * 2, end_ + kChunk));
  } catch (const std::bad_alloc&) {
    status_ = Status::Error(errc::kOutOfMemory, path_ + ": a line too long for the memory available");
    return false;
  }
  // One byte past the bound is asked for: that it comes tells a file larger than the bound.
  const std::size_t allowed = maxBytes_ == kNoLimit ? kNoLimit : maxBytes_ - bytesRead_ + 1;
  const std::size_t room = std::min(buffer_.size() - end_, allowed);
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data() + end_, room);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      status_ = StatusFromErrno(errno, path_);
      return false;
    }
    if (n == 0) {
      atEnd_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(n);
    bytesRead_ += static_cast<std::size_t>(n);
    if (bytesRead_ > maxBytes_) {
      tooLarge_ = true;
      status_ = Status::Error(errc::kPathFileAccess, path_ + ": larger than " + std::to_string(maxBytes_) + " bytes");
      return false;
    }
    return true;
  }
}

// The position of the next line end (a CR, or an LF when a lone LF ends a line) at or after
// begin_, end_ when the buffer holds none. Each byte is searched once: a line longer than a chunk
// is not searched again from its start after every read.
std::size_t LineScanner::NextLineEnd() {
  const std::string_view read(buffer_.data(), end_);
  const std::size_t from = std::max(begin_, searched_);
  searched_ = loneLfEndsLine_ ? FirstWanted(
                                    read, from, [](SixteenBytes b) { return (b == '\r') | (b == '\n'); },
                                    [](unsigned char c) { return c == '\r' || c == '\n'; })
                              : std::min(FindByte(read, from, '\r'), end_);
  return searched_;
}

bool LineScanner::Next(std::string_view& line) {
  if (!status_.ok() || fd_ < 0) return false;
  for (;;) {
    if (skipLf_ && begin_ < end_) {
      if (buffer_[begin_] == '\n') ++begin_;
      skipLf_ = false;
    }
    const std::size_t stop = NextLineEnd();
    if (stop < end_) {
      line = std::string_view(buffer_.data() + begin_, stop - begin_);
      begin_ = stop + 1;
      if (buffer_[stop] == '\r') {
        if (begin_ < end_) {
          if (buffer_[begin_] == '\n') ++begin_;
        } else {
          skipLf_ = true;  // the LF that may follow is in the next chunk
        }
      }
      ++lineNumber_;
      return true;
    }
    if (Fill()) continue;
    if (!status_.ok() || begin_ == end_) return false;
    line = std::string_view(buffer_.data() + begin_, end_ - begin_);  // the last line, without an end
    begin_ = end_;
    ++lineNumber_;
    return true;
  }
}

}  // namespace varnel

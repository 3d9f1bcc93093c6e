#include "winenv/text_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>

namespace varnel {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

std::vector<std::string> SplitTextLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t cr = bytes.find(kCr, start);
    if (cr == std::string_view::npos) {
      lines.emplace_back(bytes.substr(start));
      break;
    }
    lines.emplace_back(bytes.substr(start, cr - start));
    start = cr + 1;
    if (start < bytes.size() && bytes[start] == kLf) ++start;
  }
  return lines;
}

bool TextLineReader::ReadLine(std::string& line) {
  std::string_view next;
  if (!scanner_.Next(next)) {
    line.clear();
    return false;
  }
  line.assign(next);
  return true;
}

TextLineWriter::~TextLineWriter() { Abandon(); }

void TextLineWriter::Abandon() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

Status TextLineWriter::Create(const std::string& nativePath) {
  Abandon();
  path_ = nativePath;
  // A new file in place of whatever had the name: a link or a second name of another file
  // (prefs.js itself, say) is removed, never written through.
  if (::unlink(nativePath.c_str()) != 0 && errno != ENOENT) return StatusFromErrno(errno, nativePath);
  const int fd = ::open(nativePath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return StatusFromErrno(errno, nativePath);
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int error = errno;
    ::close(fd);
    return StatusFromErrno(error, nativePath);
  }
  std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
  return Status::Ok();
}

Status TextLineWriter::WriteLine(std::string_view line) {
  if (!file_) return Status::Error(errc::kPathFileAccess, "The file is not open for writing: " + path_);
  static constexpr char kLineEnd[] = {kCr, kLf};
  const bool written = std::fwrite(line.data(), 1, line.size(), file_) == line.size() &&
                       std::fwrite(kLineEnd, 1, sizeof kLineEnd, file_) == sizeof kLineEnd;
  if (!written) return StatusFromErrno(errno, path_);
  return Status::Ok();
}

Status TextLineWriter::Flush() {
  if (!file_) return Status::Ok();
  if (std::fflush(file_) != 0) return StatusFromErrno(errno, path_);
  return Status::Ok();
}

Status TextLineWriter::ReadBack(std::string& bytes) {
  bytes.clear();
  if (!file_) return Status::Error(errc::kPathFileAccess, "The file is not open: " + path_);
  Status flushed = Flush();
  if (!flushed.ok()) return flushed;
  const int fd = ::fileno(file_);
  struct stat info {};
  if (::fstat(fd, &info) != 0) return StatusFromErrno(errno, path_);
  try {
    bytes.resize(static_cast<std::size_t>(info.st_size));
  } catch (const std::bad_alloc&) {
    std::string().swap(bytes);
    return Status::Error(errc::kOutOfMemory, path_ + ": too large for the memory available");
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;  // shorter than its size: cut by someone else
      bytes.clear();
      return StatusFromErrno(error, path_);
    }
    done += static_cast<std::size_t>(n);
  }
  return Status::Ok();
}

Status TextLineWriter::Close() {
  if (!file_) return Status::Ok();
  const bool flushed = std::fflush(file_) == 0;
  const int flushError = errno;
  const bool closed = std::fclose(file_) == 0;
  const int closeError = errno;
  file_ = nullptr;
  if (!flushed) return StatusFromErrno(flushError, path_);
  if (!closed) return StatusFromErrno(closeError, path_);
  return Status::Ok();
}

}  // namespace varnel

#pragma once
// The one reader of text files. The browsers' own files (bookmark.htm, favorite files) end their
// lines at CR, CR LF or a lone LF: each of the three ends a line. Files read by the classic
// rule (prefs.js) end a line at CR only, and a lone LF is part of the line. In both, an LF right
// after a CR is consumed with it, the text of a line is otherwise unchanged, the last line may
// end at the end of the file, and an empty file has no lines.
//
// Lines come back as views into the scanner's buffer, valid until the next call, so a file of
// any size is read in one pass without a copy per line. The call that finds the end of the file
// leaves the last line's view valid (until Open or Close). Only regular files are read: a FIFO, a
// device or a directory is refused at once, without blocking. A read failure is a failure, never
// an end of file.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/file_identity.h"
#include "winenv/status.h"

namespace varnel {

enum class LineEnds { CrCrLfOrLf, CrOnly };

class LineScanner {
 public:
  explicit LineScanner(LineEnds ends = LineEnds::CrCrLfOrLf) : loneLfEndsLine_(ends == LineEnds::CrCrLfOrLf) {}
  ~LineScanner();
  LineScanner(const LineScanner&) = delete;
  LineScanner& operator=(const LineScanner&) = delete;

  // Opens a native file; code 53 when it does not exist. A file holding more than `maxBytes`
  // is read only that far: the read then fails (code 75) and tooLarge() says why.
  Status Open(const std::string& nativePath, std::size_t maxBytes = kNoLimit);
  static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);
  bool tooLarge() const { return tooLarge_; }
  // The next line; false at the end of the file or after a failure (see status()).
  bool Next(std::string_view& line);
  const Status& status() const { return status_; }
  bool is_open() const { return fd_ >= 0; }
  // The file being read, as it was when opened (not whatever has its name now).
  const FileIdentity& identity() const { return identity_; }
  // How many lines Next has returned.
  std::size_t lineNumber() const { return lineNumber_; }
  void Close();

 private:
  bool Fill();
  std::size_t NextLineEnd();

  bool loneLfEndsLine_;
  int fd_ = -1;
  Status status_;
  std::string path_;
  FileIdentity identity_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // the unread bytes are [begin_, end_)
  std::size_t end_ = 0;
  std::size_t searched_ = 0;  // [begin_, searched_) holds no line end
  bool atEnd_ = false;
  bool skipLf_ = false;  // the last line ended at a CR that was the buffer's last byte
  std::size_t lineNumber_ = 0;
  std::size_t maxBytes_ = kNoLimit;
  std::size_t bytesRead_ = 0;
  bool tooLarge_ = false;
};

}  // namespace varnel

#pragma once
// The one reader and the one writer of text files.
// Reading: a line ends at CR; an LF right after that CR is consumed with it; an LF without a CR
// before it is part of the line; the last line may end at the end of the file (an empty file
// has no lines; a file ending in CR has no empty last line). No length limit.
// Writing: every line is followed by CR LF.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/file_identity.h"
#include "winenv/line_scanner.h"
#include "winenv/status.h"

namespace varnel {

// Splits bytes into lines by the rule above.
std::vector<std::string> SplitTextLines(std::string_view bytes);

// Lines by the rule above, as strings, through the line scanner: only regular files are read,
// and a read failure is a failure (status()), never an end of file.
class TextLineReader {
 public:
  // Opens a native file for reading; code 53 when it does not exist.
  Status Open(const std::string& nativePath) { return scanner_.Open(nativePath); }
  // Reads the next line; false at the end of the file or on a read failure (see status()).
  bool ReadLine(std::string& line);
  const Status& status() const { return scanner_.status(); }
  bool is_open() const { return scanner_.is_open(); }
  // The file being read, as it was when opened (not whatever has its name now).
  const FileIdentity& identity() const { return scanner_.identity(); }
  void Close() { scanner_.Close(); }

 private:
  LineScanner scanner_{LineEnds::CrOnly};
};

class TextLineWriter {
 public:
  TextLineWriter() = default;
  ~TextLineWriter();
  TextLineWriter(const TextLineWriter&) = delete;
  TextLineWriter& operator=(const TextLineWriter&) = delete;

  // Creates a new, empty native file for writing. Whatever had the name before is removed
  // first, so a link there is replaced, never followed.
  Status Create(const std::string& nativePath);
  // Writes the line followed by CR LF.
  Status WriteLine(std::string_view line);
  // Hands what was written so far to the file system (the file stays open).
  Status Flush();
  // Everything written so far, read back through the open file itself: not whatever has the
  // file's name now (another file or a link put in its place).
  Status ReadBack(std::string& bytes);
  // Flushes and closes; reports a failure of either. Closing a closed writer is Ok.
  Status Close();
  // Closes a file whose content no longer matters (a working copy given up): nothing to report.
  void Abandon();
  bool is_open() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

}  // namespace varnel

#pragma once
// The result of an operation that can fail: a numbered code and a text for the user.
// Codes follow the classic runtime's file-error numbers, which the product's messages show:
//   5 invalid argument (a history line that cannot be cut), 7 out of memory, 52 bad file name, 53 file not found,
//   57 device I/O error, 61 disk full, 70 permission denied, 75 path/file access error,
//   76 path not found. 0 means success.
#include <string>
#include <utility>

namespace varnel {

struct [[nodiscard]] Status {
  int code = 0;
  std::string message;

  bool ok() const { return code == 0; }
  static Status Ok() { return {}; }
  static Status Error(int code, std::string message) { return Status{code, std::move(message)}; }
};

namespace errc {
inline constexpr int kInvalidArgument = 5;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kDeviceIo = 57;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
}  // namespace errc

// Turns a POSIX errno into the matching numbered failure, with the path in the message.
Status StatusFromErrno(int error, const std::string& what);

}  // namespace varnel

#pragma once
// Windows paths ("c:\program files\netscape") and the native files behind them in a Wine prefix.
// A drive letter resolves through <prefix>/dosdevices/<letter>: (a link, usually ../drive_c or /);
// each further component is matched against the real directory entries without regard to case
// (an exact match wins). Components that do not exist yet are kept as written, so a file about to
// be created has a native path too. Windows paths are 1252 text; native paths are UTF-8.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/folder_listing.h"
#include "winenv/status.h"

namespace varnel {

class DriveMap final : public FolderListing {
 public:
  explicit DriveMap(std::string prefixPath);

  const std::string& prefix() const { return prefix_; }

  // "" when the path has no drive letter or the drive is not mapped.
  std::string ToNative(std::string_view windowsPath) const override;
  // The same for a file about to be read or written: a path no drive maps fails (code 76),
  // naming the Windows path.
  [[nodiscard]] Status ToNativeFile(const std::string& windowsPath, std::string& native) const;
  // The Windows path of a native path, through the drive whose target holds it (the longest
  // target wins, so C: is preferred over Z: for files inside drive_c).
  std::optional<std::string> ToWindows(std::string_view nativePath) const;

  // A directory-listing query: true for a directory or a plain file of that name.
  bool Exists(std::string_view windowsPath) const;
  bool IsDirectory(std::string_view windowsPath) const override;
  // The last component's name as the file system spells it; "" when the path does not exist.
  // A drive root gives "".
  std::string ActualName(std::string_view windowsPath) const override;

  // Names (1252) of the sub-directories, sorted without case; hidden "." entries excluded.
  std::vector<std::string> SubDirectories(std::string_view windowsPath) const override;
  // Names of plain files matching a pattern like "*.url" (with * and ?), without case, sorted.
  std::vector<std::string> Files(std::string_view windowsPath, std::string_view pattern) const;
  // The same by their real names, as the file system spells them (UTF-8): names the code page
  // cannot spell are listed too.
  std::vector<std::string> RealFileNames(std::string_view windowsPath, std::string_view pattern) const override;
  // The Windows path of the process's working directory; "c:\" when no drive maps it.
  std::string WorkingDirectory() const override;
  // Mapped drive letters, lower case, in order.
  std::vector<char> Drives() const override;

 private:
  std::string prefix_;
};

// Windows path helpers (plain text, no file system).
// "c:\a\b" -> "c:\a"; "c:\a" -> "c:\"; "c:\" -> "c:\".
std::string WindowsParent(std::string_view windowsPath);
// Joins with one backslash between; "c:\" + "x" -> "c:\x".
std::string WindowsChild(std::string_view windowsPath, std::string_view name);
// Without a trailing backslash, except a drive root ("c:\").
std::string NormalizeWindowsPath(std::string_view windowsPath);
// "c:\a\b" -> {"c:\", "c:\a", "c:\a\b"}.
std::vector<std::string> WindowsAncestors(std::string_view windowsPath);

}  // namespace varnel

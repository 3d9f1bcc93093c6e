#pragma once
// The drives' folders and files as the classic folder controls list them, read only: what a
// drive list, a directory list and a file list show of the Windows environment, and nothing
// that changes it. Windows paths and names are 1252 text, real names and native paths UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

class FolderListing {
 public:
  // Mapped drive letters, lower case, in order.
  virtual std::vector<char> Drives() const = 0;
  // The native path of a Windows path; "" when no drive maps it.
  virtual std::string ToNative(std::string_view windowsPath) const = 0;
  virtual bool IsDirectory(std::string_view windowsPath) const = 0;
  // The last component's name as the file system spells it; "" when the path does not exist.
  virtual std::string ActualName(std::string_view windowsPath) const = 0;
  // Names (1252) of the sub-directories, sorted without case.
  virtual std::vector<std::string> SubDirectories(std::string_view windowsPath) const = 0;
  // Real names (UTF-8) of the plain files matching a pattern like "*.url", without case, sorted.
  virtual std::vector<std::string> RealFileNames(std::string_view windowsPath, std::string_view pattern) const = 0;
  // The Windows path of the process's working directory.
  virtual std::string WorkingDirectory() const = 0;

 protected:
  ~FolderListing() = default;
};

}  // namespace varnel

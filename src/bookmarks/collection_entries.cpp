#include "bookmarks/collection_entries.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>

#include "winenv/code_page.h"

namespace varnel {

Status ListFolder(const std::string& nativeFolder, std::vector<FolderEntry>& entries) {
  entries.clear();
  DIR* dir = opendir(nativeFolder.c_str());
  if (!dir) return StatusFromErrno(errno, nativeFolder);
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string native = entry->d_name;
    if (native == "." || native == ".." || IsStagingName(native)) continue;
    struct stat info {};
    const std::string path = nativeFolder + "/" + native;
    const bool folder = stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    const bool link = lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
    entries.push_back({native, AnsiFromUtf8(native), folder, link});
    errno = 0;
  }
  const int error = errno;
  closedir(dir);
  if (error != 0) return StatusFromErrno(error, nativeFolder);
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
    const int order = CompareNoCase(Utf16FromAnsi(a.name), Utf16FromAnsi(b.name));
    return order != 0 ? order < 0 : a.native < b.native;
  });
  return Status::Ok();
}

bool IsStagingName(std::string_view name) {
  constexpr std::size_t kLetters = 6;
  if (name.size() != kStagingPrefix.size() + kLetters || !name.starts_with(kStagingPrefix)) return false;
  return std::all_of(name.begin() + kStagingPrefix.size(), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

bool IsFavoriteFileName(std::string_view name) {
  return name.size() >= 4 && EqualNoCaseAnsi(name.substr(name.size() - 4), ".url");
}

bool HoldsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

bool NameTooLong(std::string_view ansiName) { return Utf8FromAnsi(ansiName).size() > NAME_MAX; }

}  // namespace varnel

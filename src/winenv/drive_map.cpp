#include "winenv/drive_map.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "winenv/code_page.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

constexpr char kSeparator = '\\';

// A Windows path taken apart: the drive letter (lower case) and the names after it.
struct WindowsPath {
  char drive = 0;
  std::vector<std::string> components;  // 1252
};

// The answer of walking a Windows path down the real directories.
struct Resolution {
  std::string native;     // UTF-8
  bool allFound = false;  // every component named an existing entry
  std::string lastName;   // the last component as the file system spells it (UTF-8)
};

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasDrive(std::string_view path) { return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':'; }

std::vector<std::string> SplitComponents(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(kSeparator, start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string JoinComponents(const std::vector<std::string>& parts, std::size_t count) {
  std::string joined;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) joined += kSeparator;
    joined += parts[i];
  }
  return joined;
}

std::string DriveRootText(char drive) { return std::string{drive, ':', kSeparator}; }

// A '/' or NUL in a name cannot be spelled natively, and a '/' there would name some other file.
bool IsNativeName(std::string_view name) {
  return name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// "." names the folder itself and ".." its parent, which never climbs above the drive root.
// Nothing when there is no drive letter or a name no native file can have.
std::optional<WindowsPath> ParseWindowsPath(std::string_view text) {
  if (!HasDrive(text)) return std::nullopt;
  WindowsPath path;
  path.drive = LowerAscii(text[0]);
  for (std::string& part : SplitComponents(text.substr(2))) {
    if (!IsNativeName(part)) return std::nullopt;
    if (part == ".") continue;
    if (part == "..") {
      if (!path.components.empty()) path.components.pop_back();
      continue;
    }
    path.components.push_back(std::move(part));
  }
  return path;
}

std::string JoinNative(const std::string& directory, const std::string& name) {
  if (directory.empty() || directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

bool EntryExists(const std::string& native) {
  struct stat info {};
  return lstat(native.c_str(), &info) == 0;
}

// The type of what a path leads to, links followed; 0 when it leads nowhere.
mode_t FileType(const std::string& native) {
  struct stat info {};
  if (native.empty() || stat(native.c_str(), &info) != 0) return 0;
  return info.st_mode & S_IFMT;
}

// Calls visit(name) for each entry of a native folder except "." and "..".
template <typename Visit>
void ForEachEntry(const std::string& directory, Visit visit) {
  DIR* dir = opendir(directory.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") visit(name);
  }
  closedir(dir);
}

// The 1252 form of a native name, or nothing when 1252 cannot spell it: such a name can never
// equal a component of a Windows path.
std::optional<std::string> AnsiNameOf(const std::string& utf8Name) {
  std::string ansi = AnsiFromUtf8(utf8Name);
  if (Utf8FromAnsi(ansi) != utf8Name) return std::nullopt;
  return ansi;
}

// The entry of `directory` that a 1252 component names: the exact spelling when it exists,
// else an entry equal without case (the first in byte order when several are).
std::optional<std::string> MatchEntry(const std::string& directory, const std::string& component) {
  const std::string exact = Utf8FromAnsi(component);
  if (EntryExists(JoinNative(directory, exact))) return exact;
  std::optional<std::string> match;
  ForEachEntry(directory, [&](const std::string& name) {
    const std::optional<std::string> ansi = AnsiNameOf(name);
    if (ansi && EqualNoCaseAnsi(*ansi, component) && (!match || name < *match)) match = name;
  });
  return match;
}

// Where a dosdevices entry leads, spelled from the prefix (so "../drive_c" gives
// "<prefix>/drive_c"), or nothing when the drive is not a folder.
std::optional<std::string> DriveRoot(const std::string& prefix, char drive) {
  const fs::path link = fs::path(prefix) / "dosdevices" / std::string{drive, ':'};
  std::error_code error;
  fs::path root = link;
  if (fs::is_symlink(fs::symlink_status(link, error))) {
    const fs::path target = fs::read_symlink(link, error);
    if (error) return std::nullopt;
    root = target.is_absolute() ? target : (link.parent_path() / target).lexically_normal();
  }
  std::string text = root.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  if (FileType(text) != S_IFDIR) return std::nullopt;
  return text;
}

Resolution Resolve(const std::string& root, const std::vector<std::string>& components) {
  Resolution result{root, true, ""};
  for (const std::string& component : components) {
    std::optional<std::string> match;
    if (result.allFound) match = MatchEntry(result.native, component);
    if (!match) result.allFound = false;
    result.lastName = match ? *match : Utf8FromAnsi(component);
    result.native = JoinNative(result.native, result.lastName);
  }
  return result;
}

bool WildcardMatch(std::string_view name, std::string_view pattern) {
  std::size_t n = 0, p = 0;
  std::size_t starPattern = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starPattern = p++;
      starName = n;
    } else if (starPattern != std::string_view::npos) {
      p = starPattern + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Patterns match like a Windows file list: without case, and "*.*" takes every name, even one
// without a dot.
bool MatchesPattern(const std::string& name, std::string_view pattern) {
  if (pattern == "*.*") return true;
  return WildcardMatch(LowerAnsi(name), LowerAnsi(pattern));
}

void SortRealNamesWithoutCase(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int order = CompareNoCase(Utf16FromUtf8(a), Utf16FromUtf8(b));
    return order != 0 ? order < 0 : a < b;
  });
}

void SortWithoutCase(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int order = CompareNoCase(Utf16FromAnsi(a), Utf16FromAnsi(b));
    return order != 0 ? order < 0 : a < b;
  });
}

// The names (1252, or real UTF-8 names) of a folder's entries whose type, links followed, is
// `type`.
enum class NameForm { CodePage, Real };
std::vector<std::string> EntriesOfType(const std::string& directory, mode_t type, std::string_view pattern = "*",
                                       NameForm form = NameForm::CodePage) {
  std::vector<std::string> names;
  if (directory.empty()) return names;
  ForEachEntry(directory, [&](const std::string& name) {
    if (FileType(JoinNative(directory, name)) != type) return;
    std::string ansi = AnsiFromUtf8(name);
    if (!MatchesPattern(ansi, pattern)) return;
    names.push_back(form == NameForm::Real ? name : std::move(ansi));
  });
  if (form == NameForm::Real) {
    SortRealNamesWithoutCase(names);
  } else {
    SortWithoutCase(names);
  }
  return names;
}

// Canonical form of a native path whose tail may not exist yet.
std::optional<std::string> CanonicalPath(const fs::path& native) {
  std::error_code error;
  const fs::path absolute = fs::absolute(native, error);
  if (error) return std::nullopt;
  std::string text = fs::weakly_canonical(absolute, error).string();
  if (error) return std::nullopt;
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool IsWithin(const std::string& path, const std::string& root) {
  if (root == "/") return true;
  return path.starts_with(root) && (path.size() == root.size() || path[root.size()] == '/');
}

std::string WindowsTail(const std::string& nativeTail) {
  std::string result;
  std::size_t start = 0;
  while (start < nativeTail.size()) {
    std::size_t end = nativeTail.find('/', start);
    if (end == std::string::npos) end = nativeTail.size();
    if (end > start) {
      if (!result.empty()) result += kSeparator;
      result += AnsiFromUtf8(nativeTail.substr(start, end - start));
    }
    start = end + 1;
  }
  return result;
}

}  // namespace

DriveMap::DriveMap(std::string prefixPath) : prefix_(std::move(prefixPath)) {}

Status DriveMap::ToNativeFile(const std::string& windowsPath, std::string& native) const {
  native = ToNative(windowsPath);
  if (native.empty()) return Status::Error(errc::kPathNotFound, windowsPath + ": no drive maps this path");
  return Status::Ok();
}

std::string DriveMap::ToNative(std::string_view windowsPath) const {
  const std::optional<WindowsPath> path = ParseWindowsPath(windowsPath);
  if (!path) return "";
  const std::optional<std::string> root = DriveRoot(prefix_, path->drive);
  if (!root) return "";
  return Resolve(*root, path->components).native;
}

std::optional<std::string> DriveMap::ToWindows(std::string_view nativePath) const {
  if (nativePath.empty()) return std::nullopt;
  const std::optional<std::string> path = CanonicalPath(std::string(nativePath));
  if (!path) return std::nullopt;
  std::optional<char> bestDrive;
  std::string bestRoot;
  for (char drive : Drives()) {
    const std::optional<std::string> root = DriveRoot(prefix_, drive);
    const std::optional<std::string> canonicalRoot = root ? CanonicalPath(*root) : std::nullopt;
    if (!canonicalRoot || !IsWithin(*path, *canonicalRoot)) continue;
    if (!bestDrive || canonicalRoot->size() > bestRoot.size()) bestDrive = drive, bestRoot = *canonicalRoot;
  }
  if (!bestDrive) return std::nullopt;
  const std::string tail = bestRoot == "/" ? *path : path->substr(bestRoot.size());
  return DriveRootText(*bestDrive) + WindowsTail(tail);
}

bool DriveMap::Exists(std::string_view windowsPath) const {
  const mode_t type = FileType(ToNative(windowsPath));
  return type == S_IFDIR || type == S_IFREG;
}

std::string DriveMap::WorkingDirectory() const {
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  if (error) return "c:\\";
  return ToWindows(here.string()).value_or("c:\\");
}

bool DriveMap::IsDirectory(std::string_view windowsPath) const { return FileType(ToNative(windowsPath)) == S_IFDIR; }

std::string DriveMap::ActualName(std::string_view windowsPath) const {
  const std::optional<WindowsPath> path = ParseWindowsPath(windowsPath);
  if (!path || path->components.empty()) return "";
  const std::optional<std::string> root = DriveRoot(prefix_, path->drive);
  if (!root) return "";
  const Resolution resolution = Resolve(*root, path->components);
  const mode_t type = FileType(resolution.native);
  if (!resolution.allFound || (type != S_IFDIR && type != S_IFREG)) return "";
  return AnsiFromUtf8(resolution.lastName);
}

std::vector<std::string> DriveMap::SubDirectories(std::string_view windowsPath) const {
  return EntriesOfType(ToNative(windowsPath), S_IFDIR);
}

std::vector<std::string> DriveMap::Files(std::string_view windowsPath, std::string_view pattern) const {
  return EntriesOfType(ToNative(windowsPath), S_IFREG, pattern);
}

std::vector<std::string> DriveMap::RealFileNames(std::string_view windowsPath, std::string_view pattern) const {
  return EntriesOfType(ToNative(windowsPath), S_IFREG, pattern, NameForm::Real);
}

std::vector<char> DriveMap::Drives() const {
  std::vector<char> drives;
  ForEachEntry(JoinNative(prefix_, "dosdevices"), [&](const std::string& name) {
    if (name.size() == 2 && HasDrive(name)) drives.push_back(LowerAscii(name[0]));
  });
  std::sort(drives.begin(), drives.end());
  drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
  return drives;
}

std::string NormalizeWindowsPath(std::string_view windowsPath) {
  if (HasDrive(windowsPath)) {
    const std::vector<std::string> parts = SplitComponents(windowsPath.substr(2));
    return std::string(windowsPath.substr(0, 2)) + kSeparator + JoinComponents(parts, parts.size());
  }
  std::string path(windowsPath);
  while (path.size() > 1 && path.back() == kSeparator) path.pop_back();
  return path;
}

std::string WindowsParent(std::string_view windowsPath) {
  const std::string path = NormalizeWindowsPath(windowsPath);
  const std::size_t last = path.rfind(kSeparator);
  if (last == std::string::npos) return "";
  const bool driveRoot = HasDrive(path) && last == 2;
  return path.substr(0, (driveRoot || last == 0) ? last + 1 : last);
}

std::string WindowsChild(std::string_view windowsPath, std::string_view name) {
  std::string path = NormalizeWindowsPath(windowsPath);
  if (name.empty()) return path;
  if (!path.empty() && path.back() != kSeparator) path += kSeparator;
  return path + std::string(name);
}

std::vector<std::string> WindowsAncestors(std::string_view windowsPath) {
  const std::string path = NormalizeWindowsPath(windowsPath);
  std::vector<std::string> ancestors;
  if (path.empty()) return ancestors;
  const bool drive = HasDrive(path);
  const std::vector<std::string> parts = SplitComponents(drive ? std::string_view(path).substr(3) : path);
  if (drive) ancestors.push_back(path.substr(0, 3));
  for (std::size_t count = 1; count <= parts.size(); ++count) {
    const std::string tail = JoinComponents(parts, count);
    ancestors.push_back(drive ? ancestors.front() + tail : tail);
  }
  return ancestors;
}

}  // namespace varnel

#include "winenv/prefix_discovery.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>
#include <utility>

#include "winenv/line_scanner.h"

namespace varnel {
namespace {

// A place holding prefixes: <home>/<folder>/*/<inside> ("" inside: the entry itself).
struct Place {
  const char* layout;
  const char* folder;
  const char* inside;
  bool everyEntry;  // a manager's folder: each entry is meant to be a prefix
};

constexpr Place kPlaces[] = {
    {"winetricks", ".local/share/wineprefixes", "", true},
    {"bottles", ".local/share/bottles/bottles", "", true},
    {"bottles-flatpak", ".var/app/com.usebottles.bottles/data/bottles/bottles", "", true},
    {"playonlinux", ".PlayOnLinux/wineprefix", "", true},
    {"lutris", "Games", "", false},
    {"steam", ".local/share/Steam/steamapps/compatdata", "pfx", true},
    {"steam", ".steam/steam/steamapps/compatdata", "pfx", true},
};
// Steam's two folder names, and a further library of its games (anywhere on the machine).
constexpr const char* kSteamFolders[] = {".local/share/Steam", ".steam/steam"};
constexpr Place kSteamLibrary = {"steam", "", "pfx", true};

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// Why a path that should be a folder cannot be used as one, or ok.
Status FolderProblem(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    const int error = errno;
    struct stat link {};
    if (error == ENOENT && lstat(path.c_str(), &link) == 0) {
      return Status::Error(errc::kPathNotFound, "it is a link to something that does not exist");
    }
    if (error == ELOOP) return Status::Error(errc::kPathFileAccess, "it is a link that leads round in a loop");
    if (error == EACCES) return Status::Error(errc::kPermissionDenied, "Varnel may not look into the folder above it");
    return Status::Error(errc::kPathFileAccess, std::string("it cannot be examined (") + std::strerror(error) + ")");
  }
  if (!S_ISDIR(info.st_mode)) return Status::Error(errc::kPathNotFound, "it is not a folder");
  if (access(path.c_str(), R_OK | X_OK) != 0) return Status::Error(errc::kPermissionDenied, "Varnel may not read it");
  return Status::Ok();
}

enum class Entry { Missing, Folder, RegularFile, Other, Unreadable };

Entry EntryKind(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return errno == ENOENT ? Entry::Missing : Entry::Unreadable;
  if (S_ISDIR(info.st_mode)) return Entry::Folder;
  return S_ISREG(info.st_mode) ? Entry::RegularFile : Entry::Other;
}

// The entries' names, in order, without "." and ".." and hidden ones; false when it cannot be read.
bool ListFolder(const std::string& path, std::vector<std::string>& names) {
  DIR* folder = opendir(path.c_str());
  if (!folder) return false;
  while (const dirent* entry = readdir(folder)) {
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  }
  closedir(folder);
  std::sort(names.begin(), names.end());
  return true;
}

// Anything of that name, even a dangling link or one we may not examine.
bool Present(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// Whether a Lutris game folder is worth listing: it shows a sign of a prefix, or we may not
// look into it to tell. Its other folders and files are the games'.
bool LooksLikePrefix(const std::string& path) {
  const Status folder = FolderProblem(path);
  if (!folder.ok()) return folder.code == errc::kPermissionDenied;
  return Present(Join(path, "system.reg")) || Present(Join(path, "user.reg")) || Present(Join(path, "drive_c"));
}

// The same folder reached by two names (a link) is listed once.
class Seen {
 public:
  bool First(const std::string& path) {
    char resolved[PATH_MAX];
    const std::string key = realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    return keys_.insert(key).second;
  }

 private:
  std::set<std::string> keys_;
};

void AddPrefix(std::vector<FoundPrefix>& found, Seen& seen, const std::string& path, const char* layout) {
  if (seen.First(path)) found.push_back({path, layout, ExaminePrefixFolder(path)});
}

// The place's folder is `folder` (place.folder is where it lies in the home).
void SearchPlace(std::vector<FoundPrefix>& found, Seen& seen, const std::string& folder, const Place& place) {
  if (!Present(folder)) return;
  std::vector<std::string> names;
  Status why = FolderProblem(folder);
  if (why.ok() && !ListFolder(folder, names)) why = Status::Error(errc::kPermissionDenied, "Varnel may not read it");
  if (!why.ok()) {
    if (seen.First(folder)) found.push_back({folder, place.layout, why});
    return;
  }
  for (const std::string& name : names) {
    const std::string entry = Join(folder, name);
    if (*place.inside) {
      // Steam's compatdata holds a folder per game with the prefix inside; its files are Steam's.
      const std::string prefix = Join(entry, place.inside);
      if (EntryKind(entry) == Entry::Folder && Present(prefix)) AddPrefix(found, seen, prefix, place.layout);
    } else if (place.everyEntry || LooksLikePrefix(entry)) {
      AddPrefix(found, seen, entry, place.layout);
    }
  }
}

// The second quoted string of a line `"path"  "/mnt/games/SteamLibrary"`, its \\ undone; "" if none.
std::string LibraryPath(std::string_view line) {
  const std::size_t key = line.find("\"path\"");
  if (key == std::string_view::npos || line.find_first_not_of(" \t") != key) return "";
  const std::size_t open = line.find('"', key + 6);
  std::string path;
  for (std::size_t i = open == std::string_view::npos ? line.size() : open + 1; i < line.size(); ++i) {
    if (line[i] == '"') return path;
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    path += line[i];
  }
  return "";  // no closing quote
}

// Adds the further Steam libraries that <steam>/steamapps/libraryfolders.vdf names (absolute
// paths only) to `libraries`, each path once. Steam's own list is a few hundred bytes: a file
// over 1 MiB is not it and is not read; a FIFO or a folder in its place is refused by the scanner
// without waiting.
void AddSteamLibraries(const std::string& steam, std::vector<std::string>& libraries, std::set<std::string>& named) {
  constexpr std::size_t kMaxListSize = 1 << 20;
  constexpr std::size_t kMaxLibraryLines = 10000;
  LineScanner scanner;
  if (!scanner.Open(Join(steam, "steamapps/libraryfolders.vdf"), kMaxListSize).ok()) return;
  std::vector<std::string> paths;
  std::string_view line;
  while (scanner.lineNumber() < kMaxLibraryLines && scanner.Next(line)) {
    std::string path = LibraryPath(line);
    if (!path.empty() && path.front() == '/') paths.push_back(std::move(path));
  }
  if (!scanner.status().ok()) return;  // too large to be Steam's, or unreadable
  for (std::string& path : paths) {
    if (libraries.size() < kMaxSteamLibraries && named.insert(path).second) libraries.push_back(std::move(path));
  }
}

}  // namespace

std::vector<std::string> SteamLibraries(const EnvLookup& env) {
  const std::string home = HomeDirectory(env);
  std::vector<std::string> libraries;
  std::set<std::string> named;
  for (const char* steam : kSteamFolders) AddSteamLibraries(Join(home, steam), libraries, named);
  return libraries;
}

Status ExaminePrefixFolder(const std::string& path) {
  Status folder = FolderProblem(path);
  if (!folder.ok()) return folder;
  const Entry hive = EntryKind(Join(path, "system.reg"));
  const Entry drive = EntryKind(Join(path, "drive_c"));
  if (hive == Entry::Missing && drive == Entry::Missing) {
    return Status::Error(errc::kFileNotFound,
                         "it holds neither system.reg nor drive_c (not made yet, or not a prefix)");
  }
  if (hive == Entry::Missing) return Status::Error(errc::kFileNotFound, "it has no system.reg (half made)");
  if (hive == Entry::Unreadable) return Status::Error(errc::kPermissionDenied, "its system.reg cannot be examined");
  if (hive != Entry::RegularFile) return Status::Error(errc::kPathFileAccess, "its system.reg is not a regular file");
  if (drive == Entry::Missing) return Status::Error(errc::kPathNotFound, "it has no drive_c folder (half made)");
  if (drive == Entry::Unreadable) return Status::Error(errc::kPathFileAccess, "its drive_c cannot be examined");
  if (drive != Entry::Folder) return Status::Error(errc::kPathNotFound, "its drive_c is not a folder");
  return Status::Ok();
}

std::vector<FoundPrefix> FindPrefixes(const EnvLookup& env) {
  const std::string home = HomeDirectory(env);
  std::vector<FoundPrefix> found;
  Seen seen;
  const std::string dotWine = Join(home, ".wine");
  if (Present(dotWine)) AddPrefix(found, seen, dotWine, "wine");
  // A place reached twice (Steam's two folder names, a library that is Steam's own folder or
  // is named again by another path) is searched once.
  Seen searched;
  for (const Place& place : kPlaces) {
    const std::string folder = Join(home, place.folder);
    if (searched.First(folder)) SearchPlace(found, seen, folder, place);
  }
  for (const std::string& library : SteamLibraries(env)) {
    const std::string folder = Join(library, "steamapps/compatdata");
    if (searched.First(folder)) SearchPlace(found, seen, folder, kSteamLibrary);
  }
  const std::string own = OwnPrefixPath(env);
  if (Present(own)) AddPrefix(found, seen, own, "varnel");
  return found;
}

}  // namespace varnel

#include "winenv/prefix.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "winenv/posix_file.h"

namespace varnel {
namespace {

// Empty hives as Wine writes them: the header line and the comment naming the hive's root.
constexpr std::string_view kSystemHiveText =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Registry\\\\Machine\n";
constexpr std::string_view kUserHiveText =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Registry\\\\User\\\\S-1-5-21-0-0-0-1000\n";

std::string JoinPath(const std::string& directory, std::string_view name) {
  if (directory.empty() || directory.back() == '/') return directory + std::string(name);
  return directory + "/" + std::string(name);
}

std::optional<std::string> NonEmpty(const std::optional<std::string>& value) {
  if (value && !value->empty()) return value;
  return std::nullopt;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool EntryExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// Writes a new file; an existing one (or anything else of that name) is left alone.
Status CreateFileIfMissing(const std::string& path, std::string_view text) {
  const Status written = WriteNewFile(path, text, 0666, Flush::No);
  return written.code == StatusFromErrno(EEXIST, path).code ? Status::Ok() : written;
}

Status CreateDirectoryIfMissing(const std::string& path) {
  if (mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsDirectory(path))) return Status::Ok();
  return StatusFromErrno(errno == EEXIST ? ENOTDIR : errno, path);
}

// A link is made only when nothing of that name exists, not even a dangling link.
Status CreateLinkIfMissing(const std::string& target, const std::string& linkPath) {
  if (EntryExists(linkPath)) return Status::Ok();
  if (symlink(target.c_str(), linkPath.c_str()) == 0 || errno == EEXIST) return Status::Ok();
  return StatusFromErrno(errno, linkPath);
}

Status CreatePrefixFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) return StatusFromErrno(error.value(), path);
  if (!IsDirectory(path)) return StatusFromErrno(ENOTDIR, path);
  return Status::Ok();
}

}  // namespace

std::string HomeDirectory(const EnvLookup& env) {
  if (auto home = NonEmpty(env("HOME"))) return *home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

std::string OwnPrefixPath(const EnvLookup& env) {
  // XDG asks for an absolute path; a relative one is ignored like an unset one.
  std::string dataHome = NonEmpty(env("XDG_DATA_HOME")).value_or("");
  if (dataHome.empty() || dataHome.front() != '/') dataHome = JoinPath(HomeDirectory(env), ".local/share");
  return JoinPath(dataHome, "varnel/prefix");
}

EnvLookup ProcessEnvironment() {
  return [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
  };
}

PrefixLocation ChoosePrefix(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env) {
  if (auto given = NonEmpty(commandLinePrefix)) return {*given, false};
  if (auto winePrefix = NonEmpty(env("WINEPREFIX"))) return {*winePrefix, false};
  const std::string dotWine = JoinPath(HomeDirectory(env), ".wine");
  if (IsDirectory(dotWine)) return {dotWine, false};
  return {OwnPrefixPath(env), true};
}

Status CreatePrefixLayout(const std::string& path) {
  Status status = CreatePrefixFolder(path);
  if (status.ok()) status = CreateFileIfMissing(SystemHivePath(path), kSystemHiveText);
  if (status.ok()) status = CreateFileIfMissing(UserHivePath(path), kUserHiveText);
  if (status.ok()) status = CreateDirectoryIfMissing(JoinPath(path, "drive_c"));
  const std::string devices = JoinPath(path, "dosdevices");
  if (status.ok()) status = CreateDirectoryIfMissing(devices);
  if (status.ok()) status = CreateLinkIfMissing("../drive_c", JoinPath(devices, "c:"));
  if (status.ok()) status = CreateLinkIfMissing("/", JoinPath(devices, "z:"));
  return status;
}

Status CheckPrefixDirectory(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return Status::Error(errc::kPathNotFound, "The Wine prefix folder " + path + " does not exist.");
  }
  if (!S_ISDIR(info.st_mode)) {
    return Status::Error(errc::kPathNotFound, "The Wine prefix " + path + " is not a folder.");
  }
  // Reading is enough: a read-only prefix still shows its settings and histories, and a write
  // there fails with its own message.
  if (access(path.c_str(), R_OK | X_OK) != 0) {
    return Status::Error(errc::kPermissionDenied, "Varnel may not read the Wine prefix folder " + path + ".");
  }
  return Status::Ok();
}

std::string SystemHivePath(const std::string& prefix) { return JoinPath(prefix, "system.reg"); }

std::string UserHivePath(const std::string& prefix) { return JoinPath(prefix, "user.reg"); }

}  // namespace varnel

#include "journal/journal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "winenv/atomic_file.h"

namespace varnel {

namespace {

std::string CanonicalPrefix(const std::string& prefix) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(prefix, error);
  return error ? prefix : canonical.string();
}

Status MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return StatusFromErrno(errno, path);
    if (!S_ISDIR(st.st_mode)) return Status::Error(errc::kPathFileAccess, path + ": not a folder");
    return Status::Ok();
  }
  return StatusFromErrno(errno, path);
}

Status SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return StatusFromErrno(errno, folder);
  const int synced = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  return synced == 0 ? Status::Ok() : StatusFromErrno(error, folder);
}

// Writes a new file (never an existing one: O_EXCL) of the user's only, flushed to disk.
Status WriteNewFile(const std::string& path, std::string_view bytes, bool* existed = nullptr) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (existed) *existed = fd < 0 && errno == EEXIST;
  if (fd < 0) return StatusFromErrno(errno, path);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const Status failed = StatusFromErrno(n < 0 ? errno : ENOSPC, path);
      ::close(fd);
      ::unlink(path.c_str());
      return failed;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const Status failed = StatusFromErrno(errno, path);
    ::unlink(path.c_str());
    return failed;
  }
  return Status::Ok();
}

std::uint64_t SizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

}  // namespace

std::string Journal::FolderFor(const std::string& prefix, const EnvLookup& env) {
  std::string state;
  if (const std::optional<std::string> xdg = env("XDG_STATE_HOME"); xdg && !xdg->empty() && xdg->front() == '/') {
    state = *xdg;
  } else {
    state = HomeDirectory(env) + "/.local/state";
  }
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(BytesHash(CanonicalPrefix(prefix))));
  return state + "/varnel/" + hash;
}

Journal::Journal(std::string folder, std::string prefix) : folder_(std::move(folder)), prefix_(CanonicalPrefix(prefix)) {}

void Journal::Report(const std::string& text) const {
  if (reporter_) reporter_(text);
}

// The folder and its "prefix" file; a folder that names another prefix is not ours to use.
Status Journal::Prepare() const {
  const std::filesystem::path folder(folder_);
  std::error_code error;
  std::filesystem::create_directories(folder.parent_path(), error);  // ~/.local/state: the user's own umask
  if (error) return Status::Error(errc::kPathFileAccess, folder.parent_path().string() + ": " + error.message());
  ::chmod(folder.parent_path().c_str(), 0700);
  Status made = MakeFolder(folder_);
  if (!made.ok()) return made;
  const std::string prefixFile = folder_ + "/prefix";
  std::string recorded;
  if (ReadWholeFile(prefixFile, recorded).ok()) {
    if (recorded == prefix_ + "\n") return Status::Ok();
    return Status::Error(errc::kPathFileAccess, folder_ + " holds the journal of another prefix");
  }
  bool existed = false;
  made = WriteNewFile(prefixFile, prefix_ + "\n", &existed);
  if (existed) return Status::Error(errc::kPathFileAccess, prefixFile + " cannot be read");
  return made.ok() ? SyncFolder(folder_) : made;
}

std::string Journal::PathOf(int number, const char* extension) const {
  char name[32];
  std::snprintf(name, sizeof name, "/%06d.%s", number, extension);
  return folder_ + name;
}

std::vector<int> Journal::Numbers() const {
  std::vector<int> numbers;
  DIR* dir = ::opendir(folder_.c_str());
  if (!dir) return numbers;
  while (const dirent* entry = ::readdir(dir)) {
    int number = 0;
    char tail[16] = {};
    if (std::sscanf(entry->d_name, "%d.%15s", &number, tail) == 2 && std::string_view(tail) == "change" && number > 0) {
      numbers.push_back(number);
    }
  }
  ::closedir(dir);
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

Status Journal::Begin(const ChangeRecord& record, int& number) {
  Status status = Prepare();
  if (!status.ok()) return status;
  const std::vector<int> numbers = Numbers();
  number = numbers.empty() ? 1 : numbers.back() + 1;
  const std::string text = SerializeRecord(record);
  bool taken = true;
  for (int attempt = 0; attempt < 100 && taken; ++attempt) {
    status = WriteNewFile(PathOf(number, "change"), text, &taken);
    if (taken) ++number;  // another Varnel took this number
  }
  return status.ok() ? SyncFolder(folder_) : status;
}

Status Journal::Finish(int number, const std::vector<ItemState>& after) {
  const std::string done = PathOf(number, "done");
  const std::string temporary = done + ".tmp";
  ::unlink(temporary.c_str());
  Status status = WriteNewFile(temporary, SerializeAfter(after));
  if (status.ok() && ::rename(temporary.c_str(), done.c_str()) != 0) {
    status = StatusFromErrno(errno, done);
    ::unlink(temporary.c_str());
  }
  return status.ok() ? SyncFolder(folder_) : status;
}

void Journal::Forget(int number) {
  ::unlink(PathOf(number, "done").c_str());
  ::unlink(PathOf(number, "change").c_str());
  (void)SyncFolder(folder_);
}

std::vector<JournalEntry> Journal::List() const {
  std::vector<JournalEntry> entries;
  const std::vector<int> numbers = Numbers();
  for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
    JournalEntry entry;
    entry.number = *it;
    std::string text;
    Status read = ReadWholeFile(PathOf(*it, "change"), text);
    if (read.ok()) read = ParseRecord(text, entry.record);
    if (!read.ok()) entry.damage = read.message;
    entry.bytes = text.size();
    std::string doneText;
    if (entry.damage.empty() && ReadWholeFile(PathOf(*it, "done"), doneText).ok()) {
      std::vector<ItemState> after;
      // A mark that does not read back, or does not match its record, counts as no mark.
      if (ParseAfter(doneText, after).ok() && after.size() == entry.record.items.size()) entry.after = std::move(after);
      entry.bytes += doneText.size();
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

void Journal::Prune(int keep) {
  const std::vector<int> numbers = Numbers();
  std::uint64_t total = 0;
  std::size_t kept = 0;
  bool full = false;
  // Newest first: from the first change past the bound on, every older one is dropped.
  for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
    const std::uint64_t size = SizeOf(PathOf(*it, "change")) + SizeOf(PathOf(*it, "done"));
    full = full || kept >= maxChanges_ || total + size > maxBytes_;
    if (!full || *it == keep) {
      total += size;
      ++kept;
      continue;
    }
    ::unlink(PathOf(*it, "done").c_str());
    ::unlink(PathOf(*it, "change").c_str());
  }
}

}  // namespace varnel

#include "journal/journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>

#include "winenv/atomic_file.h"
#include "winenv/posix_file.h"

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

// The temporary a record or mark is written under before it takes its name: hidden, so no
// listing takes it for a change.
std::string TemporaryFor(const std::string& folder, const std::string& path) {
  return folder + "/." + path.substr(path.rfind('/') + 1) + "." + std::to_string(::getpid()) + ".tmp";
}

// Writes the file whole under a temporary name and gives it its name only then: a kill leaves
// the file whole or not there. Never replaces a file of that name, unless `replace`: then a kill
// leaves the old file or the new one.
Status WriteWholeFile(const std::string& folder, const std::string& path, std::string_view bytes,
                      bool replace = false) {
  const std::string temporary = TemporaryFor(folder, path);
  ::unlink(temporary.c_str());
  Status status = WriteNewFile(temporary, bytes, 0600, Flush::ToDisk);
  const unsigned flags = replace ? 0 : RENAME_NOREPLACE;
  if (status.ok() && ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), flags) != 0) {
    status = StatusFromErrno(errno, path);
  }
  ::unlink(temporary.c_str());
  return status.ok() ? SyncFolder(folder) : status;
}

// Reads a journal file that is a regular file of at most `limit` bytes, never through a link.
Status ReadJournalFile(const std::string& path, std::uint64_t limit, std::string& text, std::uint64_t& size) {
  text.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return StatusFromErrno(errno, path);
  struct stat st {};
  Status status = Status::Ok();
  if (::fstat(fd, &st) != 0)
    status = StatusFromErrno(errno, path);
  else if (!S_ISREG(st.st_mode))
    status = Status::Error(errc::kPathFileAccess, "not a regular file");
  size = status.ok() ? static_cast<std::uint64_t>(st.st_size) : 0;
  if (status.ok() && size > limit) {
    status = Status::Error(errc::kPathFileAccess, "larger than the journal keeps (" + std::to_string(size) + " bytes)");
  }
  if (status.ok()) {
    text.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < text.size()) {
      const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    text.resize(got);
  }
  ::close(fd);
  return status;
}

// A change's number from its file's name: six to nine digits as the journal writes them (no
// other spelling of the number), then ".change".
std::optional<int> ChangeNumber(std::string_view name) {
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos || dot < 6 || dot > 9 || name.substr(dot) != ".change") return std::nullopt;
  int number = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + dot, number);
  if (error != std::errc() || end != name.data() + dot || number <= 0) return std::nullopt;
  char canonical[16];
  std::snprintf(canonical, sizeof canonical, "%06d", number);
  if (name.substr(0, dot) != canonical) return std::nullopt;
  return number;
}

// The size a change's files count for against the bound: none for a damaged one, which may be
// anything (a stray file of gigabytes must not push out the records that can be undone).
// Only the record's size and heading are looked at.
std::uint64_t CountedSize(const std::string& record, const std::string& done) {
  const int fd = ::open(record.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return 0;
  constexpr std::string_view kHeading = "varnel change ";
  char heading[kHeading.size()] = {};
  struct stat st {};
  const bool counted = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                       static_cast<std::uint64_t>(st.st_size) <= kJournalMaxBytes &&
                       ::read(fd, heading, sizeof heading) == static_cast<ssize_t>(sizeof heading) &&
                       std::string_view(heading, sizeof heading) == kHeading;
  ::close(fd);
  if (!counted) return 0;
  const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  return size + (::lstat(done.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0);
}

// The state an unfinished change's write was about to leave; none when it was not recorded or
// does not read back whole for the record's items.
std::optional<std::vector<ItemState>> ReadPlan(const std::string& path, std::size_t items) {
  std::string text;
  std::uint64_t size = 0;
  std::vector<ItemState> planned;
  if (!ReadJournalFile(path, kJournalMaxBytes, text, size).ok() || !ParseAfter(text, planned).ok() ||
      planned.size() != items) {
    return std::nullopt;
  }
  return planned;
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

Journal::Journal(std::string folder, std::string prefix)
    : folder_(std::move(folder)), prefix_(CanonicalPrefix(prefix)) {}

void Journal::Report(const std::string& text) const {
  if (reporter_) reporter_(text);
}

// The folder and its "prefix" file, with the journal's lock taken; a folder that names another
// prefix is not ours to use.
Status Journal::Prepare(FileLock& journalLock) const {
  const std::filesystem::path folder(folder_);
  std::error_code error;
  std::filesystem::create_directories(folder.parent_path(), error);  // ~/.local/state: the user's own umask
  if (error) return Status::Error(errc::kPathFileAccess, folder.parent_path().string() + ": " + error.message());
  // The user's only, but never through a link there: that folder is someone else's to set.
  const int parent = ::open(folder.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (parent >= 0) {
    (void)::fchmod(parent, 0700);
    ::close(parent);
  }
  Status status = MakeFolder(folder_);
  if (status.ok()) status = journalLock.Acquire(folder_ + "/.lock", 0600);
  if (!status.ok()) return status;
  RemoveTemporaries();
  const std::string prefixFile = folder_ + "/prefix";
  std::string recorded;
  std::uint64_t size = 0;
  status = ReadJournalFile(prefixFile, 1 << 16, recorded, size);
  if (!status.ok() && ::access(prefixFile.c_str(), F_OK) != 0 && errno == ENOENT) {
    status = WriteWholeFile(folder_, prefixFile, prefix_ + "\n");
    if (status.ok()) return status;
  }
  if (!status.ok()) return Status::Error(status.code, prefixFile + " cannot be read: " + status.message);
  if (recorded == prefix_ + "\n") return Status::Ok();
  return Status::Error(errc::kPathFileAccess, folder_ + " holds the journal of another prefix");
}

std::string Journal::PathOf(int number, const char* extension) const {
  char name[32];
  std::snprintf(name, sizeof name, "/%06d.%s", number, extension);
  return folder_ + name;
}

Status Journal::Numbers(std::vector<int>& numbers) const {
  numbers.clear();
  DIR* dir = ::opendir(folder_.c_str());
  if (!dir) {
    if (errno == ENOENT) return Status::Ok();  // nothing recorded yet
    return StatusFromErrno(errno, "the journal " + folder_ + " cannot be read");
  }
  while (const dirent* entry = ::readdir(dir)) {
    if (const std::optional<int> number = ChangeNumber(entry->d_name)) numbers.push_back(*number);
  }
  ::closedir(dir);
  std::sort(numbers.begin(), numbers.end());
  return Status::Ok();
}

// The temporaries of writes a kill stopped; only while the journal's lock is held, so none is
// being written.
void Journal::RemoveTemporaries() const {
  DIR* dir = ::opendir(folder_.c_str());
  if (!dir) return;
  std::vector<std::string> leftovers;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.starts_with(".") && name.ends_with(".tmp")) leftovers.push_back(folder_ + "/" + std::string(name));
  }
  ::closedir(dir);
  for (const std::string& leftover : leftovers) ::unlink(leftover.c_str());
}

Status Journal::Begin(const ChangeRecord& record, int& number, FileLock& underWay) {
  const std::string text = SerializeRecord(record);
  if (text.size() > kJournalMaxBytes)
    return Status::Error(errc::kDiskFull, "the change is larger than the journal keeps");
  FileLock journalLock;
  Status status = Prepare(journalLock);
  if (!status.ok()) return status;
  std::vector<int> numbers;
  status = Numbers(numbers);
  if (!status.ok()) return status;
  if (!numbers.empty() && numbers.back() >= kJournalMaxNumber) {
    return Status::Error(errc::kDiskFull, "the journal has no change number left");
  }
  number = numbers.empty() ? 1 : numbers.back() + 1;
  // The change's lock is taken before its record shows, so no undo takes it for a killed one.
  status = underWay.Acquire(PathOf(number, "lock"), 0600);
  if (status.ok()) status = WriteWholeFile(folder_, PathOf(number, "change"), text);
  if (!status.ok()) {
    underWay.Release();
    ::unlink(PathOf(number, "lock").c_str());
  }
  return status;
}

bool Journal::UnderWay(int number) const {
  const int fd = ::open(PathOf(number, "lock").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

Status Journal::LockForUndo(FileLock& lock) const {
  FileLock journalLock;
  const Status prepared = Prepare(journalLock);
  if (!prepared.ok()) return prepared;
  journalLock.Release();  // an undo under way needs it for its own record
  return lock.Acquire(folder_ + "/.undo.lock", 0600);
}

Status Journal::Finish(int number, const std::vector<ItemState>& after) {
  FileLock journalLock;
  const Status prepared = Prepare(journalLock);
  if (!prepared.ok()) return prepared;
  const std::string done = PathOf(number, "done");
  ::unlink(done.c_str());  // a mark of a number used before, left by a crash
  const Status status = WriteWholeFile(folder_, done, SerializeAfter(after));
  ::unlink(PathOf(number, "plan").c_str());
  ::unlink(PathOf(number, "lock").c_str());
  return status;
}

Status Journal::Plan(int number, const std::vector<ItemState>& planned) {
  FileLock journalLock;  // under which a killed write's temporaries are removed
  const Status prepared = Prepare(journalLock);
  if (!prepared.ok()) return prepared;
  return WriteWholeFile(folder_, PathOf(number, "plan"), SerializeAfter(planned), true);
}

void Journal::Forget(int number) {
  ::unlink(PathOf(number, "plan").c_str());
  ::unlink(PathOf(number, "done").c_str());
  ::unlink(PathOf(number, "change").c_str());
  ::unlink(PathOf(number, "lock").c_str());
  (void)SyncFolder(folder_);
}

Status Journal::List(std::vector<JournalEntry>& entries) const {
  entries.clear();
  std::vector<int> numbers;
  const Status listed = Numbers(numbers);
  if (!listed.ok()) return listed;
  for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
    JournalEntry entry;
    entry.number = *it;
    std::string text;
    Status read = ReadJournalFile(PathOf(*it, "change"), kJournalMaxBytes, text, entry.bytes);
    if (read.ok()) read = ParseRecord(text, entry.record);
    if (!read.ok()) entry.damage = read.message;
    // Asked before the mark is read: a change finishes by writing its mark, then letting go.
    entry.underWay = UnderWay(*it);
    std::string doneText;
    std::uint64_t doneSize = 0;
    if (entry.damage.empty() && ReadJournalFile(PathOf(*it, "done"), kJournalMaxBytes, doneText, doneSize).ok()) {
      std::vector<ItemState> after;
      // A mark that does not read back, or does not match its record, counts as no mark.
      if (ParseAfter(doneText, after).ok() && after.size() == entry.record.items.size()) {
        entry.after = std::move(after);
        entry.underWay = false;
      }
      entry.bytes += doneSize;
    }
    if (entry.damage.empty() && !entry.after) entry.planned = ReadPlan(PathOf(*it, "plan"), entry.record.items.size());
    entries.push_back(std::move(entry));
  }
  return Status::Ok();
}

void Journal::Prune(int keep) {
  std::vector<int> numbers;
  if (!Numbers(numbers).ok()) return;
  std::uint64_t total = 0;
  std::size_t kept = 0;
  bool full = false;
  // Newest first: from the first change past the bound on, every older one is dropped.
  for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
    const std::uint64_t size = CountedSize(PathOf(*it, "change"), PathOf(*it, "done"));
    if (size == 0 && !full) continue;  // damaged: counts for no bound
    full = full || kept >= maxChanges_ || total + size > maxBytes_;
    if (!full || *it == keep) {
      total += size;
      ++kept;
      continue;
    }
    if (UnderWay(*it)) continue;
    Forget(*it);
  }
}

}  // namespace varnel

// Bookmarks into the favorites directory (collections.h).
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "bookmarks/collection_entries.h"
#include "bookmarks/collections.h"
#include "bookmarks/favorites.h"
#include "bookmarks/transfers.h"
#include "winenv/code_page.h"
#include "winenv/file_lock.h"
#include "winenv/guarded_replace.h"
#include "winenv/posix_file.h"

namespace varnel {
namespace {

// A folder of the favorites that bookmarks go into: one there already, or one this export makes.
// Names are real names (UTF-8), compared without letter case as Windows compares them.
using FoldedName = std::u16string;
FoldedName Folded(std::string_view realName) {
  std::u16string folded = Utf16FromUtf8(realName);
  for (char16_t& c : folded) c = FoldCase(c);
  return folded;
}

struct Target {
  std::string path;  // native, relative to the favorites directory ("" for the directory itself)
  std::string windows;
  std::set<FoldedName> taken;                           // every name in it
  std::unordered_set<std::string> addresses;            // the addresses its favorites hold
  std::unordered_map<FoldedName, std::size_t> folders;  // folder name -> target
  std::unordered_map<FoldedName, int> nextCopy;         // file name -> the " (n)" to try next for it
};

// Room kept in a name for the " (n)" of a copy, so that a cut name stays in bounds when numbered.
constexpr std::size_t kCopyNumberRoom = 12;

std::string Child(const std::string& path, const std::string& nativeName) {
  return path.empty() ? nativeName : path + "/" + nativeName;
}

// " (2)", " (3)", ... before the extension, as Windows names a copy.
std::string NumberedName(const std::string& stem, const std::string& extension, int number) {
  return number == 1 ? stem + extension : stem + " (" + std::to_string(number) + ")" + extension;
}

class Exporter {
 public:
  Exporter(const BookmarkOutline& outline, const CollectionProgress& progress, ExportPlan& plan)
      : outline_(outline), progress_(progress), plan_(plan) {}

  Status ExportTop(const std::string& windows) {
    std::size_t top = 0;
    const Status status = LoadTarget("", windows, top);
    if (!status.ok()) return status;
    ExportFolder(0, top);
    return Status::Ok();
  }

 private:
  // Reads a folder that is there: its names, and the address of each favorite in it.
  Status LoadTarget(const std::string& path, const std::string& windows, std::size_t& index) {
    index = targets_.size();
    targets_.push_back({path, windows, {}, {}, {}, {}});
    const std::string native = Child(plan_.favoritesNative, path);
    std::vector<FolderEntry> entries;
    const Status listed = ListFolder(native, entries);
    if (!listed.ok()) return listed;
    for (const FolderEntry& entry : entries) {
      const FoldedName folded = Folded(entry.native);
      targets_[index].taken.insert(folded);
      if (entry.folder) {
        targets_[index].folders.emplace(folded, entry.link ? kLinked : kNotLoaded);
        loadedNames_[{index, folded}] = entry.native;
      } else if (IsFavoriteFileName(entry.name)) {
        std::optional<std::string> address;
        if (ReadFavoriteAddressNative(native + "/" + entry.native, address).ok() && address) {
          targets_[index].addresses.insert(*address);
        }
      }
    }
    return Status::Ok();
  }

  void Refuse(std::string entry, std::string reason) {
    plan_.summary.refused.push_back({std::move(entry), std::move(reason)});
  }

  void ExportFolder(std::size_t folder, std::size_t target) {
    for (const std::size_t b : outline_.folders[folder].bookmarks) ExportBookmark(outline_.bookmarks[b], target);
    for (const std::size_t f : outline_.folders[folder].folders) ExportSubfolder(f, target);
  }

  // A bookmark becomes a favorite file named by the collections' rule after its title (UTF-8),
  // cut to fit the file system when it must be, and numbered " (n)" when the name is taken.
  void ExportBookmark(const OutlineBookmark& bookmark, std::size_t index) {
    if (progress_) progress_(++done_, outline_.bookmarks.size());
    Target& target = targets_[index];
    const std::string entry = WindowsChild(target.windows, AnsiFromUtf8(bookmark.title));
    if (bookmark.address.empty()) return Refuse(entry, std::string(kNotAnAddressMessage));
    if (FavoriteFileBytes(AddressInCodePage(bookmark.address)).size() > kMaxFavoriteFileBytes) {
      return Refuse(entry, "the address is too long for a favorite file (1 MB at most)");
    }
    if (target.addresses.contains(bookmark.address)) {
      plan_.summary.alreadyThere.push_back(entry);
      return;
    }
    std::string stem = CollectionName(bookmark.title);
    const bool cut = CutToBytes(stem, NAME_MAX - 4 - kCopyNumberRoom);
    const std::string chosen = FreeName(target, stem, ".url");
    target.taken.insert(Folded(chosen));
    target.addresses.insert(bookmark.address);
    plan_.files.push_back({Child(target.path, chosen), FavoriteFileBytes(AddressInCodePage(bookmark.address))});
    plan_.summary.added.push_back(WindowsChild(target.windows, AnsiFromUtf8(chosen)));
    if (cut) plan_.summary.cut.push_back(plan_.summary.added.back());
  }

  // The name itself when it is free, else its first free " (n)" copy. The numbers tried for a
  // name are remembered (names are only ever added to a folder), so N bookmarks of one title
  // cost N tries, not N squared.
  static std::string FreeName(Target& target, const std::string& stem, const std::string& extension) {
    const std::string name = stem + extension;
    const FoldedName folded = Folded(name);
    if (!target.taken.contains(folded)) return name;
    int& number = target.nextCopy.try_emplace(folded, 2).first->second;
    std::string chosen = NumberedName(stem, extension, number);
    while (target.taken.contains(Folded(chosen))) chosen = NumberedName(stem, extension, ++number);
    ++number;
    return chosen;
  }

  std::size_t CountBookmarks(std::size_t folder) const {
    std::size_t count = outline_.folders[folder].bookmarks.size();
    for (const std::size_t f : outline_.folders[folder].folders) count += CountBookmarks(f);
    return count;
  }

  void RefuseFolder(std::size_t folder, const std::string& entry, const std::string& reason) {
    const std::size_t inside = CountBookmarks(folder);
    done_ += inside;
    Refuse(entry, reason + " (with the " + std::to_string(inside) + " bookmarks in it)");
  }

  // The sub-folder a bookmark folder goes into: named by the collections' rule; one of that name
  // is used again, and a file of that name makes it " (2)".
  void ExportSubfolder(std::size_t folder, std::size_t parent) {
    const std::string& folderName = outline_.folders[folder].name;
    const std::string entry = WindowsChild(targets_[parent].windows, AnsiFromUtf8(folderName));
    std::string name = CollectionName(folderName);
    if (name.empty()) return RefuseFolder(folder, entry, "no character of its name may stand in a folder name");
    const bool cut = CutToBytes(name, NAME_MAX - kCopyNumberRoom);
    std::string chosen = name;
    for (int number = 2;; ++number) {
      const FoldedName folded = Folded(chosen);
      const auto found = targets_[parent].folders.find(folded);
      if (found != targets_[parent].folders.end()) {
        std::size_t index = found->second;
        if (index == kLinked) {
          return RefuseFolder(folder, entry,
                              "its folder in the favorites is a link, which Varnel does not write through");
        }
        if (index == kNotLoaded) {
          const std::string& realName = loadedNames_[{parent, folded}];
          const std::string path = Child(targets_[parent].path, realName);
          const std::string windows = WindowsChild(targets_[parent].windows, AnsiFromUtf8(realName));
          const Status status = LoadTarget(path, windows, index);
          if (!status.ok()) return RefuseFolder(folder, entry, "its folder cannot be read: " + status.message);
          targets_[parent].folders[folded] = index;
        }
        return ExportFolder(folder, index);
      }
      if (!targets_[parent].taken.contains(folded)) break;
      chosen = NumberedName(name, "", number);
    }
    const std::size_t index = targets_.size();
    const std::string path = Child(targets_[parent].path, chosen);
    targets_.push_back({path, WindowsChild(targets_[parent].windows, AnsiFromUtf8(chosen)), {}, {}, {}, {}});
    targets_[parent].taken.insert(Folded(chosen));
    targets_[parent].folders[Folded(chosen)] = index;
    plan_.newDirectories.push_back(path);
    plan_.summary.foldersAdded.push_back(targets_[index].windows);
    if (cut) plan_.summary.cut.push_back(targets_[index].windows);
    ExportFolder(folder, index);
  }

  static constexpr std::size_t kNotLoaded = static_cast<std::size_t>(-1);
  static constexpr std::size_t kLinked = static_cast<std::size_t>(-2);  // a link: never written into

  const BookmarkOutline& outline_;
  const CollectionProgress& progress_;
  ExportPlan& plan_;
  std::deque<Target> targets_;
  std::map<std::pair<std::size_t, FoldedName>, std::string> loadedNames_;  // sub-folders there, by folded name
  std::size_t done_ = 0;
};

// Applying ------------------------------------------------------------------------------------

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

// Makes a folder and the folders above it inside the staging folder.
Status MakeStagingFolder(const std::string& staging, const std::string& path) {
  if (path.empty()) return Status::Ok();
  const std::string native = staging + "/" + path;
  if (mkdir(native.c_str(), 0777) == 0 || errno == EEXIST) return Status::Ok();
  if (errno != ENOENT) return StatusFromErrno(errno, native);
  const Status parent = MakeStagingFolder(staging, ParentOf(path));
  if (!parent.ok()) return parent;
  if (mkdir(native.c_str(), 0777) != 0 && errno != EEXIST) return StatusFromErrno(errno, native);
  return Status::Ok();
}

// Moves a staged entry to a name that must not exist: never over anything that is there.
int MoveToFreeName(const std::string& from, const std::string& to, bool folder) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the no-replace rename: a second name for a file refuses an existing
  // name the same way; a folder is renamed only when nothing has the name.
  if (!folder) {
    if (link(from.c_str(), to.c_str()) != 0) return errno;
    unlink(from.c_str());
    return 0;
  }
  struct stat info {};
  if (lstat(to.c_str(), &info) == 0) return EEXIST;
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

struct Move {
  std::string path;  // relative
  bool folder;
};

// The entries to move: each new folder or file whose folder is there already (what lies inside a
// new folder travels with it).
std::vector<Move> MovesOf(const ExportPlan& plan) {
  const std::set<std::string> fresh(plan.newDirectories.begin(), plan.newDirectories.end());
  std::vector<Move> moves;
  for (const ExportPlan::NewFile& file : plan.files) {
    if (!fresh.contains(ParentOf(file.path))) moves.push_back({file.path, false});
  }
  for (const std::string& folder : plan.newDirectories) {
    if (!fresh.contains(ParentOf(folder))) moves.push_back({folder, true});
  }
  return moves;
}

Status Stage(const ExportPlan& plan, const std::string& staging) {
  for (const std::string& folder : plan.newDirectories) {
    const Status made = MakeStagingFolder(staging, folder);
    if (!made.ok()) return made;
  }
  for (const ExportPlan::NewFile& file : plan.files) {
    Status status = MakeStagingFolder(staging, ParentOf(file.path));
    if (status.ok()) status = WriteNewFile(staging + "/" + file.path, file.bytes, 0666, Flush::No);
    if (!status.ok()) return status;
  }
  // Everything staged is on disk before any of it takes its name.
  const int fd = open(staging.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return StatusFromErrno(errno, staging);
  const int synced = syncfs(fd);
  const int error = errno;
  close(fd);
  if (synced != 0) return StatusFromErrno(error, staging);
  return Status::Ok();
}

// The staging folder of a running export is held locked (flock on the folder itself); the
// kernel drops the lock with the process. -1 when the folder cannot be opened or is locked.
int LockFolder(const std::string& native) {
  const int fd = open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// What a staging folder holds to show that Varnel made it: the folder's own identity, so that a
// folder of the user's of that name, or a copy of one of ours, is never taken for it. Once all
// is staged, the moves follow (each entry's kind, inode and path), then the line "moving":
// from then on a killed export is completed, or undone, by the next collection command.
constexpr const char* kStagingRecord = ".varnel-staging";
constexpr std::string_view kMovingLine = "moving";

std::string IdentityText(int folderFd) {
  struct stat info {};
  if (fstat(folderFd, &info) != 0) return "";
  return std::to_string(info.st_dev) + " " + std::to_string(info.st_ino) + "\n";
}

Status AppendToRecord(int folderFd, const std::string& staging, std::string_view text, int flags) {
  const int fd = openat(folderFd, kStagingRecord, O_WRONLY | O_NOFOLLOW | O_CLOEXEC | flags, 0600);
  if (fd < 0) return StatusFromErrno(errno, staging);
  const FileDescriptor record(fd);
  const Status written = WriteAll(fd, text, staging);
  if (!written.ok()) return written;
  return fsync(fd) == 0 ? Status::Ok() : StatusFromErrno(errno, staging);
}

struct RecordedMove {
  std::string path;  // relative
  bool folder;
  ino_t inode;
};

struct StagingRecord {
  std::vector<RecordedMove> moves;
  bool moving = false;  // the moves had begun
};

// The record of a staging folder that Varnel made; false for anything else.
bool ReadOurRecord(int folderFd, StagingRecord& record) {
  const int fd = openat(folderFd, kStagingRecord, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(fd);
  const std::string identity = IdentityText(folderFd);
  if (identity.empty() || !text.starts_with(identity)) return false;
  std::size_t at = identity.size();
  for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string_view line = std::string_view(text).substr(at, end - at);
    if (line == kMovingLine) {
      record.moving = true;
      break;
    }
    const std::size_t space = line.find(' ', 2);
    if (line.size() < 4 || space == std::string_view::npos) return true;  // cut short: no move began
    record.moves.push_back(
        {std::string(line.substr(space + 1)), line[0] == 'd',
         static_cast<ino_t>(std::strtoull(std::string(line.substr(2, space - 2)).c_str(), nullptr, 10))});
  }
  return true;
}

Status RecordMoves(int folderFd, const std::string& staging, const std::vector<RecordedMove>& moves) {
  std::string text;
  for (const RecordedMove& move : moves) {
    text += std::string(move.folder ? "d " : "f ") + std::to_string(move.inode) + " " + move.path + "\n";
  }
  text += std::string(kMovingLine) + "\n";
  return AppendToRecord(folderFd, staging, text, O_APPEND);
}

bool Present(const std::string& path, ino_t* inode = nullptr) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return false;
  if (inode) *inode = info.st_ino;
  return true;
}

// Finishes what a killed export left: its staged entries are moved in as it would have; when one
// cannot be (its name was taken since), every entry it moved goes back out. Either way the
// favorites are as before the export or as after it. False when that could not be done (the
// staging folder is then kept).
bool FinishKilledExport(const std::string& favoritesNative, const std::string& staging, const StagingRecord& record) {
  std::vector<const RecordedMove*> moved;
  bool complete = true;
  for (const RecordedMove& move : record.moves) {
    const std::string from = staging + "/" + move.path;
    if (Present(from) && MoveToFreeName(from, favoritesNative + "/" + move.path, move.folder) != 0) {
      complete = false;
      break;
    }
  }
  if (complete) return true;
  for (const RecordedMove& move : record.moves) {
    const std::string target = favoritesNative + "/" + move.path;
    ino_t inode = 0;
    if (Present(staging + "/" + move.path) || !Present(target, &inode) || inode != move.inode) continue;
    if (MoveToFreeName(target, staging + "/" + move.path, move.folder) != 0) return false;
  }
  return true;
}

// Deals with the staging folders of exports that were killed: those named and marked as Varnel
// makes them that no running export holds. What was all staged is completed (or undone, see
// FinishKilledExport); what was not is removed. Anything else of such a name is the user's.
void FinishKilledExports(const std::string& favoritesNative) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(favoritesNative, error)) {
    if (!IsStagingName(entry.path().filename().string())) continue;
    const int fd = LockFolder(entry.path().string());
    if (fd < 0) continue;
    StagingRecord record;
    std::error_code ignored;
    if (ReadOurRecord(fd, record) && (!record.moving || FinishKilledExport(favoritesNative, entry.path(), record))) {
      std::filesystem::remove_all(entry.path(), ignored);
      (void)SyncFolder(favoritesNative);
    }
    close(fd);
  }
}

// The moves with the inode of each staged entry, for the record.
std::vector<RecordedMove> RecordedMovesOf(const std::vector<Move>& moves, const std::string& staging) {
  std::vector<RecordedMove> recorded;
  for (const Move& move : moves) {
    ino_t inode = 0;
    Present(staging + "/" + move.path, &inode);
    recorded.push_back({move.path, move.folder, inode});
  }
  return recorded;
}

// A new staging folder in the favorites directory, locked as ours. Made under the folder's
// replacement lock, so that no other export's clean-up can take it between its making and its
// lock.
Status MakeStaging(const std::string& favoritesNative, std::string& staging, int& lock) {
  FileLock turn;
  Status status = turn.Acquire(ReplaceLockFor(favoritesNative));
  if (!status.ok()) return status;
  FinishKilledExports(favoritesNative);
  staging = favoritesNative + "/" + std::string(kStagingPrefix) + "XXXXXX";
  if (!mkdtemp(staging.data())) return StatusFromErrno(errno, favoritesNative);
  lock = LockFolder(staging);
  status =
      lock < 0 ? StatusFromErrno(errno, staging) : AppendToRecord(lock, staging, IdentityText(lock), O_CREAT | O_EXCL);
  if (!status.ok()) {
    std::error_code ignored;
    std::filesystem::remove_all(staging, ignored);
    if (lock >= 0) close(lock);
    lock = -1;
  }
  return status;
}

}  // namespace

Status FinishKilledExportsIn(const std::string& favoritesNative) {
  FileLock turn;
  const Status locked = turn.Acquire(ReplaceLockFor(favoritesNative));
  if (locked.ok()) FinishKilledExports(favoritesNative);
  return locked;
}

Status PlanExportBookmarks(const DriveMap& drives, const std::string& profileDirectory,
                           const std::string& favoritesDirectory, const CollectionProgress& progress,
                           ExportPlan& plan) {
  plan = {};
  plan.favoritesNative = drives.ToNative(favoritesDirectory);
  if (plan.favoritesNative.empty() || !drives.IsDirectory(favoritesDirectory)) {
    return Status::Error(errc::kPathNotFound, "the favorites directory " + favoritesDirectory + " does not exist");
  }
  if (const Status finished = FinishKilledExportsIn(plan.favoritesNative); !finished.ok()) return finished;
  BookmarkOutline outline;
  const Status status = ReadBookmarkOutline(drives, profileDirectory, outline);
  if (!status.ok()) return status;
  for (const std::size_t line : outline.unreadableLines) {
    plan.summary.refused.push_back({"bookmark.htm line " + std::to_string(line), "it cannot be read as a bookmark"});
  }
  return Exporter(outline, progress, plan).ExportTop(NormalizeWindowsPath(favoritesDirectory));
}

Status ApplyExportBookmarks(const ExportPlan& plan) {
  if (!plan.summary.changes()) return Status::Ok();
  std::string staging;
  int stagingLock = -1;
  Status status = MakeStaging(plan.favoritesNative, staging, stagingLock);
  if (!status.ok()) return status;
  const struct Unlock {
    int fd;
    ~Unlock() {
      if (fd >= 0) close(fd);
    }
  } unlock{stagingLock};
  std::error_code ignored;
  status = Stage(plan, staging);
  const std::vector<Move> moves = MovesOf(plan);
  if (status.ok()) status = RecordMoves(stagingLock, staging, RecordedMovesOf(moves, staging));
  std::vector<Move> moved;
  if (status.ok()) {
    for (const Move& move : moves) {
      const std::string target = plan.favoritesNative + "/" + move.path;
      if (const int error = MoveToFreeName(staging + "/" + move.path, target, move.folder); error != 0) {
        status = StatusFromErrno(error, target);
        break;
      }
      moved.push_back(move);
    }
  }
  if (!status.ok()) {
    std::string notMovedBack;
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
      const std::string target = plan.favoritesNative + "/" + it->path;
      if (MoveToFreeName(target, staging + "/" + it->path, it->folder) != 0) notMovedBack += " " + target;
    }
    if (notMovedBack.empty()) std::filesystem::remove_all(staging, ignored);
    status.message += notMovedBack.empty()
                          ? "; the favorites were left as they were"
                          : "; these could not be taken back out:" + notMovedBack + " (and " + staging + " was kept)";
    return status;
  }
  std::filesystem::remove_all(staging, ignored);
  std::set<std::string> parents;
  for (const Move& move : moved) {
    parents.insert(Child(plan.favoritesNative, ParentOf(move.path)));
  }
  for (const std::string& parent : parents) (void)SyncFolder(parent);  // the moves are done
  return Status::Ok();
}

}  // namespace varnel

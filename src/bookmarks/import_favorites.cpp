// Favorites into bookmark.htm (collections.h).
#include <sys/stat.h>

#include <set>
#include <unordered_set>
#include <utility>

#include "bookmarks/bookmark_markup.h"
#include "bookmarks/collection_entries.h"
#include "bookmarks/collections.h"
#include "bookmarks/favorites.h"
#include "bookmarks/transfers.h"
#include "winenv/code_page.h"

namespace varnel {
namespace {

// Deeper than this is a loop of some kind, or nothing a person made.
constexpr int kMaxDepth = 64;

// Where new lines of one folder go, and how far they are indented.
struct Sink {
  std::vector<std::string>* lines;
  std::string indent;
};

std::string IndentOf(std::string_view line) { return std::string(line.substr(0, line.find_first_not_of(" \t"))); }

class Importer {
 public:
  Importer(const std::function<std::int64_t()>& clock, const CollectionProgress& progress, ImportPlan& plan)
      : clock_(clock), progress_(progress), plan_(plan) {}

  // The favorites directory into the top level: loose favorites after the page heading, as the
  // single transfer puts them, new folders at the end of the top-level list.
  Status ImportTop(const std::string& native, const std::string& windows) {
    const BookmarkOutline& outline = plan_.outline;
    const std::optional<std::size_t> listEnd = outline.folders[0].listEnd;
    if (!outline.headingLine && !listEnd) {
      return Status::Error(errc::kPathFileAccess,
                           "bookmark.htm has no line holding \"</H1>\" and no bookmark list, so there is no place "
                           "for new bookmarks; it was left as it is");
    }
    const Sink bookmarks = outline.headingLine ? Sink{&plan_.insertions[*outline.headingLine + 1], ""}
                                               : Sink{&plan_.insertions[*listEnd], IndentOf(outline.lines[*listEnd])};
    const Sink folders = listEnd ? Sink{&plan_.insertions[*listEnd], IndentOf(outline.lines[*listEnd])} : bookmarks;
    if (!Visit(native)) return Status::Error(errc::kPathNotFound, windows + " cannot be examined");
    ImportFolder(native, windows, 0, bookmarks, folders, AddressesOf(0), 0);
    return Status::Ok();
  }

 private:
  std::unordered_set<std::string> AddressesOf(std::optional<std::size_t> folder) const {
    std::unordered_set<std::string> addresses;
    if (!folder) return addresses;
    for (const std::size_t b : plan_.outline.folders[*folder].bookmarks)
      addresses.insert(plan_.outline.bookmarks[b].address);
    return addresses;
  }

  // False when the folder (links followed) was read already: a link back up the tree.
  bool Visit(const std::string& native) {
    struct stat info {};
    if (stat(native.c_str(), &info) != 0) return false;
    return visited_.insert({info.st_dev, info.st_ino}).second;
  }

  void Refuse(std::string entry, std::string reason) {
    plan_.summary.refused.push_back({std::move(entry), std::move(reason)});
  }

  // One folder of favorites into bookmark folder `existing` (none: a new folder whose lines go
  // to the sinks). `addresses` are the bookmarks the folder holds.
  void ImportFolder(const std::string& native, const std::string& windows, std::optional<std::size_t> existing,
                    const Sink& bookmarks, const Sink& folders, std::unordered_set<std::string> addresses, int depth) {
    std::vector<FolderEntry> entries;
    if (const Status listed = ListFolder(native, entries); !listed.ok()) {
      Refuse(windows, "the folder cannot be read: " + listed.message);
      return;
    }
    for (const FolderEntry& entry : entries) {
      if (!entry.folder && IsFavoriteFileName(entry.name)) {
        ImportFavorite(native + "/" + entry.native, WindowsChild(windows, entry.name), entry.native, bookmarks,
                       addresses);
      }
    }
    for (const FolderEntry& entry : entries) {
      if (entry.folder)
        ImportSubfolder(native + "/" + entry.native, WindowsChild(windows, entry.name), entry.native, existing, folders,
                        depth + 1);
    }
  }

  // `fileName` and `name` below are real names (UTF-8): a title keeps its characters.
  void ImportFavorite(const std::string& native, const std::string& windows, const std::string& fileName,
                      const Sink& sink, std::unordered_set<std::string>& addresses) {
    if (progress_) progress_(++read_, 0);
    std::optional<std::string> address;
    const Status status = ReadFavoriteAddressNative(native, address);
    if (!status.ok()) return Refuse(windows, "cannot be read: " + FailureMessage(status));
    if (!address) return Refuse(windows, std::string(kCorruptedFavoriteMessage));
    if (address->empty()) return Refuse(windows, "its URL= line holds no address");
    const std::string title = FavoriteTitle(fileName);
    if (HoldsLineBreak(title))
      return Refuse(windows, "its name holds a line break, which would split the bookmark line");
    const std::string line = sink.indent + BookmarkLine(*address, title, plan_.outline.charset, clock_);
    // The address as bookmark.htm will hold it, read back from the line as the reader reads it.
    const std::vector<ReadBackEntry> written = ReadBack(line, plan_.outline.charset);
    if (written.size() != 1 || written[0].kind != MarkupEntry::Kind::Bookmark || written[0].text != title) {
      return Refuse(windows, "its bookmark line would not read back with the same title");
    }
    if (!addresses.insert(written[0].address).second) {
      plan_.summary.alreadyThere.push_back(windows);
      return;
    }
    sink.lines->push_back(line);
    plan_.summary.added.push_back(windows);
  }

  // The bookmark folder a sub-folder of the favorites goes into: one of that name at that place,
  // else one whose name the collections' naming rule turns into the sub-folder's (what the
  // export wrote).
  std::optional<std::size_t> MatchingFolder(std::optional<std::size_t> parent, const std::string& name) const {
    if (!parent) return std::nullopt;
    const BookmarkOutline& outline = plan_.outline;
    for (const std::size_t f : outline.folders[*parent].folders) {
      if (outline.folders[f].listEnd && outline.folders[f].name == name) return f;
    }
    const std::u16string folded = Utf16FromUtf8(name);
    for (const std::size_t f : outline.folders[*parent].folders) {
      if (outline.folders[f].listEnd && EqualNoCase(Utf16FromUtf8(CollectionName(outline.folders[f].name)), folded)) {
        return f;
      }
    }
    return std::nullopt;
  }

  void ImportSubfolder(const std::string& native, const std::string& windows, const std::string& name,
                       std::optional<std::size_t> parent, const Sink& parentSink, int depth) {
    if (depth > kMaxDepth) return Refuse(windows, "folders nested deeper than " + std::to_string(kMaxDepth));
    if (!Visit(native)) return Refuse(windows, "a link back to a folder already read");
    if (HoldsLineBreak(name)) return Refuse(windows, "its name holds a line break, which would split the folder line");
    if (const std::optional<std::size_t> existing = MatchingFolder(parent, name)) {
      const std::size_t listEnd = *plan_.outline.folders[*existing].listEnd;
      const Sink inside{&plan_.insertions[listEnd], IndentOf(plan_.outline.lines[listEnd])};
      ImportFolder(native, windows, existing, inside, inside, AddressesOf(existing), depth);
      return;
    }
    const std::string header = FolderHeaderLine(name, plan_.outline.charset, clock_);
    const std::vector<ReadBackEntry> readBack = ReadBack(header, plan_.outline.charset);
    if (readBack.size() != 1 || readBack[0].kind != MarkupEntry::Kind::FolderHeader || readBack[0].text != name) {
      return Refuse(windows, "its folder line would not read back with the same name");
    }
    std::vector<std::string> block;
    const Sink inside{&block, parentSink.indent + "\t"};
    ImportFolder(native, windows, std::nullopt, inside, inside, {}, depth);
    std::vector<std::string>& out = *parentSink.lines;
    out.push_back(parentSink.indent + header);
    out.push_back(parentSink.indent + std::string(kFolderListStartLine));
    for (std::string& line : block) out.push_back(std::move(line));
    out.push_back(parentSink.indent + std::string(kFolderListEndLine));
    plan_.summary.foldersAdded.push_back(windows);
  }

  const std::function<std::int64_t()>& clock_;
  const CollectionProgress& progress_;
  ImportPlan& plan_;
  std::set<std::pair<dev_t, ino_t>> visited_;
  std::size_t read_ = 0;
};

}  // namespace

Status PlanImportFavorites(const DriveMap& drives, const std::string& favoritesDirectory,
                           const std::string& profileDirectory, const std::function<std::int64_t()>& clock,
                           const CollectionProgress& progress, ImportPlan& plan) {
  plan = {};
  const std::string native = drives.ToNative(favoritesDirectory);
  if (native.empty() || !drives.IsDirectory(favoritesDirectory)) {
    return Status::Error(errc::kPathNotFound, "the favorites directory " + favoritesDirectory + " does not exist");
  }
  Status status = FinishKilledExportsIn(native);
  if (status.ok()) status = ReadBookmarkOutline(drives, profileDirectory, plan.outline);
  if (!status.ok()) return status;
  status = Importer(clock, progress, plan).ImportTop(native, NormalizeWindowsPath(favoritesDirectory));
  for (auto it = plan.insertions.begin(); it != plan.insertions.end();) {
    it = it->second.empty() ? plan.insertions.erase(it) : std::next(it);
  }
  return status;
}

Status ApplyImportFavorites(const ImportPlan& plan) {
  if (!plan.summary.changes()) return Status::Ok();
  BookmarkCopy copy;
  copy.bookmarkNative = plan.outline.native;
  copy.readIdentity = plan.outline.identity;
  // Under bookmark.htm's replacement lock; the file must still be the one the plan read.
  if (const Status locked = copy.guard.Lock(copy.bookmarkNative); !locked.ok()) return locked;
  const auto appendInsertions = [&](std::size_t before) {
    const auto found = plan.insertions.find(before);
    if (found == plan.insertions.end()) return;
    for (const std::string& line : found->second) copy.bytes.append(line).append("\r\n");
  };
  for (std::size_t i = 0; i < plan.outline.lines.size(); ++i) {
    appendInsertions(i);
    copy.bytes.append(plan.outline.lines[i]).append("\r\n");
  }
  appendInsertions(plan.outline.lines.size());
  return ReplaceBookmarks(copy);
}

}  // namespace varnel

#pragma once
// Whole collections across in one step, each in two steps: a plan (what would be added, what is
// already there, what is refused and why; nothing written) and its application. A second run
// right after the first finds everything already there and changes nothing.
//
// Favorites into bookmark.htm: every favorite under the favorites directory becomes a bookmark
// line of the single transfer's form in its folder's place; each sub-folder becomes a bookmark
// folder of the same name, nested as on disk (an existing folder of that name at that place is
// reused). A favorite whose address is already a bookmark of that folder is skipped. bookmark.htm
// is replaced once, whole, or not at all.
//
// Bookmarks into the favorites directory: every bookmark becomes a favorite file (the single
// transfer's bytes and name), each bookmark folder a sub-folder; a bookmark whose address a
// favorite of that folder already holds is skipped, and a name already taken by another address
// gets " (2)", " (3)", ... Everything is written into a staging folder first and then moved into
// place, name by name and never over an existing name; a failure moves back what was moved, so
// the favorites are as they were.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bookmarks/bookmark_outline.h"
#include "winenv/drive_map.h"
#include "winenv/status.h"

namespace varnel {

struct RefusedEntry {
  std::string entry;  // Windows path of a favorite, or a bookmark's folders and title
  std::string reason;
};

struct CollectionSummary {
  std::vector<std::string> added;         // favorites (import) or favorite files (export)
  std::vector<std::string> foldersAdded;  // bookmark folders (import) or sub-folders (export)
  std::vector<std::string> alreadyThere;
  std::vector<RefusedEntry> refused;
  std::vector<std::string> cut;  // added under a name cut to fit the file system (export)
  bool changes() const { return !added.empty() || !foldersAdded.empty(); }
};

// Called now and then while entries are read: how many so far, of how many (0: not known).
using CollectionProgress = std::function<void(std::size_t done, std::size_t total)>;

// Favorites into bookmark.htm ----------------------------------------------------------------

struct ImportPlan {
  BookmarkOutline outline;
  // New lines, without line ends, to stand before the line of that index (the number of lines:
  // at the end).
  std::map<std::size_t, std::vector<std::string>> insertions;
  CollectionSummary summary;
};

// Completes, or else undoes, what an export killed while moving its entries in left in the
// favorites directory (native), and removes what one killed before that left: the favorites are
// as before that export or as after it. Both plans do this first, also for a dry run.
Status FinishKilledExportsIn(const std::string& favoritesNative);

Status PlanImportFavorites(const DriveMap& drives, const std::string& favoritesDirectory,
                           const std::string& profileDirectory, const std::function<std::int64_t()>& clock,
                           const CollectionProgress& progress, ImportPlan& plan);

// Writes the planned lines into bookmark.htm with one atomic replace (every line then ends in
// CR LF), unless bookmark.htm changed since the plan read it. A plan without changes writes
// nothing.
Status ApplyImportFavorites(const ImportPlan& plan);

// Bookmarks into the favorites directory -----------------------------------------------------

struct ExportPlan {
  std::string favoritesNative;
  // Paths relative to the favorites directory (native, "/" between names).
  std::vector<std::string> newDirectories;  // parents before children
  struct NewFile {
    std::string path;
    std::string bytes;
  };
  std::vector<NewFile> files;
  CollectionSummary summary;
};

Status PlanExportBookmarks(const DriveMap& drives, const std::string& profileDirectory,
                           const std::string& favoritesDirectory, const CollectionProgress& progress, ExportPlan& plan);

Status ApplyExportBookmarks(const ExportPlan& plan);

}  // namespace varnel

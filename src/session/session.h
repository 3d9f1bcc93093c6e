#pragma once
// One Windows environment as the user works on it: the prefix with its registry, drive map and
// change journal, the chosen profile and favorites directories, the default browser, the two
// history lists, and every operation a user can start, once. The windows and the command line
// both call these; each writer is recorded in the journal before it writes.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/collections.h"
#include "bookmarks/favorites.h"
#include "bookmarks/transfers.h"
#include "defaultbrowser/default_browser.h"
#include "history/history_edit.h"
#include "history/history_lists.h"
#include "history/netscape_history.h"
#include "journal/journal.h"
#include "journal/undo.h"
#include "session/startup.h"
#include "settings/settings.h"
#include "setup/browser_directories.h"
#include "winenv/drive_map.h"
#include "winenv/folder_listing.h"
#include "winenv/prefix.h"
#include "winenv/registry.h"
#include "winenv/status.h"

namespace varnel {

class Session {
 public:
  // The prefix at `prefixPath`, whose registry OpenPrefix opened; the journal's folder follows
  // from the environment ($XDG_STATE_HOME).
  Session(std::unique_ptr<Registry> registry, const EnvLookup& env);
  // On a registry someone else keeps (the window tests keep theirs to look into).
  Session(Registry& registry, const EnvLookup& env);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const std::string& prefix() const { return registry_.prefix(); }
  // While Wine runs in the prefix its files may not show its latest values yet: the registry
  // values Varnel reads (the settings, the shell associations, the typed addresses) are then
  // read from Wine itself for the rest of the run. Nothing to do when Wine is not running.
  [[nodiscard]] Status ReadLatestFromWine();
  // What the user is told when that fails: the work goes on with the files' values.
  static std::string LatestFromWineFailure(const Status& failure);
  // Ends the Wine program that read those values (the windows end it once they have started).
  void EndWineSession() { registry_.wine().EndProgram(); }
  // How a write through a running Wine waits for Wine's programs (RunningWine::SetWait).
  void SetWineWait(RunningWine::Wait wait) { registry_.wine().SetWait(std::move(wait)); }

  // The windows' start routine (startup.h) on this prefix: the standard directories it stores
  // are recorded, each a change of its own. False when the program ended during it.
  bool RunStartup(const StartupWindows& windows, Prompt& prompt);

  // The drives' folders and files, read only, as the folder controls list them.
  const FolderListing& folders() const { return drives_; }

  // The Netscape profile directory (the main window's profile list, or --profile) and the
  // favorites directory (the bookmarks window's list, or --dir). The favorites directory is
  // unset until one is chosen: the closing step then leaves IEfav as stored.
  const std::string& profileDirectory() const { return profileDirectory_; }
  void SetProfileDirectory(std::string windowsPath) { profileDirectory_ = std::move(windowsPath); }
  const std::optional<std::string>& favoritesDirectory() const { return favoritesDirectory_; }
  void SetFavoritesDirectory(std::string windowsPath) { favoritesDirectory_ = std::move(windowsPath); }

  std::string Setting(varnel::Setting setting) { return ReadSetting(registry_, setting); }
  [[nodiscard]] Status SetSetting(varnel::Setting setting, std::string_view value);

  // The default browser as the shell associations name it, read again; then as switched.
  Browser DetectDefaultBrowser();
  Browser defaultBrowser() const { return defaultBrowser_; }
  [[nodiscard]] Status MakeDefault(Browser browser);

  // The history lists' edit buffer, open and save (the main window's, the command line's).
  HistoryLists& histories() { return histories_; }
  // The histories read as they are, without a working copy: a profile's Netscape history (its
  // items in order, then how the reading ended) and Internet Explorer's typed addresses.
  [[nodiscard]] Status ReadNetscapeHistory(std::string_view profileDirectory, const HistoryItemSink& onItem) const;
  void ReadTypedAddresses(const HistoryItemSink& onItem);
  // Entries taken out of the histories and saved in one step, with a working copy of its own.
  HistoryEditResult EditHistories(const HistoryEditRequest& request);

  // A profile's bookmark.htm read into a tree (or handed node by node to whatever else takes the
  // nodes); the favorite files of a directory by their real names (UTF-8), and the address of one.
  BookmarkFileReading ReadBookmarks(const std::string& profileDirectory, BookmarkActions& tree) const;
  // The bookmarks window's load of it (LoadBookmarks): its message to the prompt, the rest to `ui`.
  void LoadBookmarks(const std::string& profileDirectory, BookmarkTree& tree, Prompt& prompt,
                     const BookmarkLoadUi& ui) const;
  std::vector<std::string> FavoriteNames(std::string_view directory) const;
  [[nodiscard]] Status ReadFavoriteAddress(const std::string& directory, const std::string& realName,
                                           std::optional<std::string>& address) const;

  // A bookmark of the tree (title and address UTF-8, as the tree holds them) copied into the
  // favorites directory as a favorite file; `written` is its path.
  [[nodiscard]] Status CopyBookmarkToFavorite(std::string_view title, std::string_view address, std::string& written);
  // A favorite of the favorites directory (its real name and its address, both UTF-8) added to
  // the profile's bookmark.htm through "tempfile" in the working directory. `copied` runs between the copy and the
  // replacement (the window hides the tree's heading then). A bookmark.htm without a heading gains nothing: the window
  // rewrites it all the same, as the browser's own program did; `keepWithoutHeading` leaves it
  // as it is and fails instead, so that a failure changes nothing.
  [[nodiscard]] Status AddFavoriteToBookmarks(const std::string& file, const std::string& address,
                                              bool keepWithoutHeading, const std::function<void()>& copied,
                                              BookmarkCopy& copy);

  // Where the bookmarks window's favorites list starts: the remembered directory (IEfav), else
  // the standard one, or the message for the one that is not there (favorites.h).
  FavoritesDirectoryChoice ChooseFavoritesDirectory();
  // The favorites directory in use: the chosen one, else the standard one.
  std::string FavoritesDirectoryInUse() const;
  // The whole-collection plans, for the windows and `import-favorites` / `export-bookmarks` alike:
  // every favorite of the favorites directory in use into the profile's bookmark.htm, or every
  // bookmark of it into that directory. Nothing is written.
  [[nodiscard]] Status PlanImportFavorites(const CollectionProgress& progress, ImportPlan& plan);
  [[nodiscard]] Status PlanExportBookmarks(const CollectionProgress& progress, ExportPlan& plan);
  // A planned import of the favorites into the profile's bookmark.htm, or export of its bookmarks
  // into the favorites directory, carried out and recorded as one change (an undone export removes
  // the files it made, and the folders it made once they are empty again).
  [[nodiscard]] Status ImportFavorites(const ImportPlan& plan);
  [[nodiscard]] Status ExportBookmarks(const ExportPlan& plan);

  // Setup's save: both directories checked by name (the user may choose again), then stored.
  bool SaveBrowserDirectories(const std::string& netscapeDirectory, const std::string& ieDirectory,
                              const std::string& netscapeDrive, Prompt& prompt, const SetupSaveSteps& windows);

  // The recorded changes, newest first; the folder they are kept in; who is told of a change
  // that could not be recorded.
  [[nodiscard]] Status ListChanges(std::vector<JournalEntry>& entries) const { return journal_.List(entries); }
  const std::string& changesFolder() const { return journal_.folder(); }
  void SetChangeReporter(Journal::Reporter reporter) { journal_.SetReporter(std::move(reporter)); }
  // Whether a registry write of this run went through a running Wine (which then holds it).
  bool WroteThroughWine() const { return registry_.wine().WroteThroughWine(); }

  // The newest change (or change `from` and every later one) checked, then undone; afterwards
  // the default browser and the open history lists are as the undo left them.
  [[nodiscard]] Status PlanUndo(std::optional<int> from, UndoPlan& plan);
  [[nodiscard]] Status Undo(const UndoPlan& plan, bool force);

  // The closing step: NetLAU (and IEfav, when a favorites directory was chosen) stored, the
  // history working copy given up.
  [[nodiscard]] Status End();

 private:
  std::unique_ptr<Registry> owned_;
  Registry& registry_;
  DriveMap drives_;
  Journal journal_;
  HistoryLists histories_;
  std::string profileDirectory_;
  std::optional<std::string> favoritesDirectory_;
  Browser defaultBrowser_ = Browser::InternetExplorer;
};

}  // namespace varnel

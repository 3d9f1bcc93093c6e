#include "session/session.h"

#include <algorithm>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/favorites.h"
#include "history/typed_urls.h"
#include "journal/change_scope.h"
#include "session/journalled_writes.h"
#include "winenv/code_page.h"

namespace varnel {

namespace {

// The typed addresses asked of Wine at first: more than the 20 the history save writes; a longer
// list, as a browser may make it, is read on in batches of as many again.
constexpr std::size_t kTypedUrlsReadFromWine = 50;

std::vector<RegistryLocation> TypedUrlsAskedOfWine(std::size_t first, std::size_t count) {
  std::vector<RegistryLocation> values;
  for (std::size_t n = first; n < first + count; ++n) {
    values.push_back(RegistryLocation::Of(Hive::CurrentUser, kTypedUrlsKey, TypedUrlValueName(n)));
  }
  return values;
}

// Until a window hands in its own: no question is answered Yes, nothing is shown or launched.
class QuietPrompt : public Prompt {
 public:
  void Tell(const std::string&) override {}
  bool Ask(const std::string&, Answer) override { return false; }
};

Prompt& Quiet() {
  static QuietPrompt quiet;
  return quiet;
}

}  // namespace

Session::Session(std::unique_ptr<Registry> registry, const EnvLookup& env) : Session(*registry, env) {
  owned_ = std::move(registry);
}

Session::Session(Registry& registry, const EnvLookup& env)
    : registry_(registry),
      drives_(registry.prefix()),
      journal_(Journal::FolderFor(registry.prefix(), env), registry.prefix()),
      histories_(drives_, registry, Quiet()) {
  histories_.SetJournal(&journal_);
}

Status Session::ReadLatestFromWine() {
  std::vector<RegistryLocation> values;
  for (varnel::Setting setting : kAllSettings)
    values.push_back(RegistryLocation::Of(Hive::LocalMachine, SettingKey(setting), ""));
  for (const AssociationRow& row : IEAssociations(""))
    values.push_back(RegistryLocation::Of(Hive::ClassesRoot, row.key, ""));
  const std::vector<RegistryLocation> typed = TypedUrlsAskedOfWine(1, kTypedUrlsReadFromWine);
  values.insert(values.end(), typed.begin(), typed.end());
  Status status = registry_.wine().ReadLatest(values);
  // Every typed address Wine holds, up to the first missing one, as ReadTypedUrls reads them.
  const auto goesOn = [this](std::size_t last) {
    const std::string name = TypedUrlValueName(last);
    return registry_.wine().WasRead(Hive::CurrentUser, kTypedUrlsKey, name) &&
           registry_.QueryValue(Hive::CurrentUser, kTypedUrlsKey, name).has_value();
  };
  for (std::size_t asked = kTypedUrlsReadFromWine; status.ok() && goesOn(asked); asked += kTypedUrlsReadFromWine) {
    status = registry_.wine().ReadLatest(TypedUrlsAskedOfWine(asked + 1, kTypedUrlsReadFromWine));
  }
  return status;
}

std::string Session::LatestFromWineFailure(const Status& failure) {
  return "Wine is running in this prefix but could not be asked for its latest registry values (" + failure.message +
         "); the values in its files are used";
}

bool Session::RunStartup(const StartupWindows& windows, Prompt& prompt) {
  return Main(registry_, drives_, windows, prompt, &journal_);
}

Status Session::SetSetting(varnel::Setting setting, std::string_view value) {
  return WriteSettingRecorded(&journal_, registry_, setting, value);
}

Browser Session::DetectDefaultBrowser() { return defaultBrowser_ = varnel::DetectDefaultBrowser(registry_); }

Status Session::MakeDefault(Browser browser) {
  const Status made = MakeDefaultRecorded(&journal_, registry_, browser);
  if (made.ok()) defaultBrowser_ = browser;
  return made;
}

Status Session::CopyBookmarkToFavorite(std::string_view title, std::string_view address, std::string& written) {
  const std::string directory = FavoritesDirectoryInUse();
  // The tree's texts are UTF-8: the favorite takes the title's real characters for its name; its
  // address line is in the code page.
  return WriteFavoriteRecorded(&journal_, registry_, drives_, directory, title, AddressInCodePage(address), written);
}

Status Session::AddFavoriteToBookmarks(const std::string& file, const std::string& address, bool keepWithoutHeading,
                                       const std::function<void()>& copied, BookmarkCopy& copy) {
  const std::string title = FavoriteTitle(file);  // UTF-8, as the file's real name
  Status status = CopyBookmarksWithFavorite(drives_, profileDirectory_, address, title, LocalClockSeconds,
                                            std::string(kTempFileName), copy);
  if (!status.ok()) return status;
  if (keepWithoutHeading && copy.insertions == 0) {
    return Status::Error(errc::kPathFileAccess, BookmarkFileName(profileDirectory_) +
                                                    " has no line holding \"</H1>\", so no bookmark was added and the "
                                                    "file was left as it is");
  }
  if (copied) copied();
  return ReplaceBookmarksRecorded(&journal_, registry_, copy, AnsiFromUtf8(title), BookmarkFileName(profileDirectory_));
}

Status Session::ReadNetscapeHistory(std::string_view profileDirectory, const HistoryItemSink& onItem) const {
  return ListNetscapeHistory(drives_, profileDirectory, onItem);
}

void Session::ReadTypedAddresses(const HistoryItemSink& onItem) { ReadTypedUrls(registry_, onItem); }

HistoryEditResult Session::EditHistories(const HistoryEditRequest& request) {
  NetscapeWorkingCopy workingCopy;
  HistoryEditResult result = varnel::EditHistories(workingCopy, drives_, registry_, &journal_, request);
  workingCopy.CloseAll();
  return result;
}

BookmarkFileReading Session::ReadBookmarks(const std::string& profileDirectory, BookmarkActions& tree) const {
  return ReadBookmarkFile(drives_, profileDirectory, tree);
}

void Session::LoadBookmarks(const std::string& profileDirectory, BookmarkTree& tree, Prompt& prompt,
                            const BookmarkLoadUi& ui) const {
  varnel::LoadBookmarks(drives_, profileDirectory, tree, prompt, ui);
}

std::vector<std::string> Session::FavoriteNames(std::string_view directory) const {
  return drives_.RealFileNames(directory, kFavoritePattern);
}

Status Session::ReadFavoriteAddress(const std::string& directory, const std::string& realName,
                                    std::optional<std::string>& address) const {
  return varnel::ReadFavoriteAddress(drives_, directory, realName, address);
}

FavoritesDirectoryChoice Session::ChooseFavoritesDirectory() {
  return varnel::ChooseFavoritesDirectory(Setting(varnel::Setting::IEfav), drives_);
}

std::string Session::FavoritesDirectoryInUse() const {
  return favoritesDirectory_.value_or(std::string(kStandardFavoritesDirectory));
}

Status Session::PlanImportFavorites(const CollectionProgress& progress, ImportPlan& plan) {
  return varnel::PlanImportFavorites(drives_, FavoritesDirectoryInUse(), profileDirectory_, LocalClockSeconds, progress,
                                     plan);
}

Status Session::PlanExportBookmarks(const CollectionProgress& progress, ExportPlan& plan) {
  return varnel::PlanExportBookmarks(drives_, profileDirectory_, FavoritesDirectoryInUse(), progress, plan);
}

Status Session::ImportFavorites(const ImportPlan& plan) {
  if (!plan.summary.changes()) return Status::Ok();
  const std::string shown = BookmarkFileName(profileDirectory_);
  ChangeScope change(&journal_, registry_,
                     "favorites imported: " + std::to_string(plan.summary.added.size()) + " bookmarks added", shown);
  change.AddFile(plan.outline.native, shown);
  return change.Run([&] { return ApplyImportFavorites(plan); });
}

Status Session::ExportBookmarks(const ExportPlan& plan) {
  if (!plan.summary.changes()) return Status::Ok();
  const std::string directory = FavoritesDirectoryInUse();
  ChangeScope change(&journal_, registry_,
                     "bookmarks exported: " + std::to_string(plan.files.size()) + " favorites added", directory);
  const auto shown = [&](const std::string& path) {
    std::string text = directory + "\\" + path;
    std::replace(text.begin() + static_cast<std::ptrdiff_t>(directory.size()), text.end(), '/', '\\');
    return text;
  };
  for (const std::string& folder : plan.newDirectories)
    change.AddFolder(plan.favoritesNative + "/" + folder, shown(folder));
  for (const ExportPlan::NewFile& file : plan.files)
    change.AddFile(plan.favoritesNative + "/" + file.path, shown(file.path));
  return change.Run([&] { return ApplyExportBookmarks(plan); });
}

bool Session::SaveBrowserDirectories(const std::string& netscapeDirectory, const std::string& ieDirectory,
                                     const std::string& netscapeDrive, Prompt& prompt, const SetupSaveSteps& windows) {
  return SaveBrowserDirectoriesRecorded(&journal_, registry_, drives_, netscapeDirectory, ieDirectory, netscapeDrive,
                                        prompt, windows);
}

Status Session::PlanUndo(std::optional<int> from, UndoPlan& plan) {
  return varnel::PlanUndo(journal_, registry_, from, plan);
}

Status Session::Undo(const UndoPlan& plan, bool force) {
  const Status undone = CarryOutUndo(journal_, registry_, plan, force);
  // What was undone shows: the default browser, and history lists opened before are read again.
  DetectDefaultBrowser();
  histories_.ReadAgain();
  return undone;
}

Status Session::End() {
  histories_.CloseAll();
  return StoreRememberedDirectoriesRecorded(&journal_, registry_, profileDirectory_, favoritesDirectory_);
}

}  // namespace varnel

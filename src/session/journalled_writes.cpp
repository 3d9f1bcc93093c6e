#include "session/journalled_writes.h"

#include <sys/stat.h>

#include "journal/change_scope.h"
#include "winenv/code_page.h"

namespace varnel {

namespace {

const char* BrowserName(Browser browser) {
  return browser == Browser::InternetExplorer ? "Internet Explorer" : "Netscape";
}

void AddSetting(ChangeScope& change, Setting setting) { change.AddValue(Hive::LocalMachine, SettingKey(setting), ""); }

}  // namespace

Status WriteSettingRecorded(Journal* journal, Registry& registry, Setting setting, std::string_view value) {
  const std::string name(SettingName(setting));
  ChangeScope change(journal, registry, value.empty() ? name + " cleared" : name + " set to " + std::string(value),
                     RegistryPathText(Hive::LocalMachine, SettingKey(setting), "", false));
  AddSetting(change, setting);
  return change.Run([&] { return WriteSetting(registry, setting, value); });
}

std::string DefaultBrowserWhat(Browser browser) {
  return std::string("default browser set to ") + BrowserName(browser);
}

Status MakeDefaultRecorded(Journal* journal, Registry& registry, Browser browser) {
  ChangeScope change(journal, registry, DefaultBrowserWhat(browser), "HKEY_CLASSES_ROOT (the shell associations)");
  // Both tables name the same keys; the union keeps this true should they ever differ.
  std::vector<std::string> keys;
  for (const AssociationTable& table : {IEAssociations(""), NetscapeAssociations("")}) {
    for (const AssociationRow& row : table) {
      if (std::find(keys.begin(), keys.end(), row.key) == keys.end()) keys.push_back(row.key);
    }
  }
  for (const std::string& key : keys) change.AddValue(Hive::ClassesRoot, key, "");
  // A refusal (no directory set) writes nothing: no change is begun for it.
  if (ReadSetting(registry, browser == Browser::InternetExplorer ? Setting::IEPath : Setting::NetPath).empty()) {
    return MakeDefault(registry, browser);
  }
  return change.Run([&] { return MakeDefault(registry, browser); });
}

Status StoreRememberedDirectoriesRecorded(Journal* journal, Registry& registry, const std::string& profileDirectory,
                                          const std::optional<std::string>& favoritesDirectory) {
  ChangeScope change(journal, registry, "remembered directories stored",
                     RegistryPathText(Hive::LocalMachine, "Software\\Varnel", "", false));
  if (favoritesDirectory) AddSetting(change, Setting::IEfav);
  AddSetting(change, Setting::NetLAU);
  return change.Run([&] { return StoreRememberedDirectories(registry, profileDirectory, favoritesDirectory); });
}

bool SaveBrowserDirectoriesRecorded(Journal* journal, Registry& registry, const DriveMap& drives,
                                    const std::string& netscapeDirectory, const std::string& ieDirectory,
                                    const std::string& netscapeDrive, Prompt& prompt, const SetupSaveSteps& windows) {
  ChangeScope change(journal, registry, "browser directories set",
                     RegistryPathText(Hive::LocalMachine, "Software\\Varnel", "", false));
  AddSetting(change, Setting::NetPath);
  AddSetting(change, Setting::IEPath);
  bool saved = false;
  (void)change.Run([&] {
    saved = SaveBrowserDirectories(registry, drives, netscapeDirectory, ieDirectory, netscapeDrive, prompt, windows);
    return saved ? Status::Ok() : Status::Error(errc::kPathFileAccess, "not saved");
  });
  return saved;
}

Status WriteFavoriteRecorded(Journal* journal, Registry& registry, const DriveMap& drives,
                             const std::string& favoritesDirectory, std::string_view title, std::string_view address,
                             std::string& writtenPath) {
  std::string shown, native;
  if (!FavoritePath(drives, favoritesDirectory, title, shown, native).ok()) native.clear();
  struct stat st {};
  const bool replacing = !native.empty() && ::stat(native.c_str(), &st) == 0;
  ChangeScope change(journal, registry, (replacing ? "favorite replaced: " : "favorite added: ") + AnsiFromUtf8(title),
                     shown);
  const auto write = [&] { return WriteFavorite(drives, favoritesDirectory, title, address, writtenPath); };
  if (native.empty()) return write();  // a path no drive maps fails before anything is written
  change.AddFile(native, shown);
  return change.Run(write);
}

Status ReplaceBookmarksRecorded(Journal* journal, Registry& registry, BookmarkCopy& copy, std::string_view title,
                                const std::string& shownPath) {
  ChangeScope change(journal, registry, "bookmark added: " + std::string(title), shownPath);
  change.AddFile(copy.bookmarkNative, shownPath);
  return change.Run([&] { return ReplaceBookmarks(copy); });
}

}  // namespace varnel

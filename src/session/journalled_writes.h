#pragma once
// The program's writers, each recorded in the journal as one change: the same operations as
// settings.h, default_browser.h, browser_directories.h and transfers.h, with the state they
// replace recorded first. A null journal records nothing.
#include <optional>
#include <string>
#include <string_view>

#include "bookmarks/transfers.h"
#include "defaultbrowser/default_browser.h"
#include "journal/journal.h"
#include "settings/settings.h"
#include "setup/browser_directories.h"
#include "winenv/drive_map.h"
#include "winenv/registry.h"

namespace varnel {

// "NetPath set to C:\Program Files\Netscape", "NetLAU cleared".
Status WriteSettingRecorded(Journal* journal, Registry& registry, Setting setting, std::string_view value);

// "default browser set to Internet Explorer" / "default browser set to Netscape".
std::string DefaultBrowserWhat(Browser browser);
Status MakeDefaultRecorded(Journal* journal, Registry& registry, Browser browser);

// The closing step's NetLAU and IEfav, one change (dropped when they were stored already).
[[nodiscard]] Status StoreRememberedDirectoriesRecorded(Journal* journal, Registry& registry,
                                                        const std::string& profileDirectory,
                                                        const std::optional<std::string>& favoritesDirectory);

// Setup's save of NetPath and IEPath, one change ("browser directories set").
bool SaveBrowserDirectoriesRecorded(Journal* journal, Registry& registry, const DriveMap& drives,
                                    const std::string& netscapeDirectory, const std::string& ieDirectory,
                                    const std::string& netscapeDrive, Prompt& prompt, const SetupSaveSteps& windows);

// "favorite added: <title>", or "favorite replaced: <title>" over a file of that name.
Status WriteFavoriteRecorded(Journal* journal, Registry& registry, const DriveMap& drives,
                             const std::string& favoritesDirectory, std::string_view title, std::string_view address,
                             std::string& writtenPath);

// "bookmark added: <title>"; `shownPath` is bookmark.htm's Windows path.
Status ReplaceBookmarksRecorded(Journal* journal, Registry& registry, BookmarkCopy& copy, std::string_view title,
                                const std::string& shownPath);

}  // namespace varnel

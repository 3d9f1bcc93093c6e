#include "setup/browser_directories.h"

#include "settings/settings.h"
#include "winenv/code_page.h"

namespace varnel {

bool DirectoryNameEndsWith(const DriveMap& drives, const std::string& windowsPath, const std::string& ending) {
  std::string name = LowerAnsi(drives.ActualName(windowsPath));
  return name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
}

namespace {

Status StoreBrowserDirectories(Registry& registry, const std::string& netscapeDirectory,
                               const std::string& ieDirectory) {
  Registry::Batch batch(registry);
  Status stored = WriteSetting(registry, Setting::NetPath, netscapeDirectory);
  if (stored.ok()) stored = WriteSetting(registry, Setting::IEPath, ieDirectory);
  return stored.ok() ? batch.Commit() : stored;
}

}  // namespace

bool SaveBrowserDirectories(Registry& registry, const DriveMap& drives, const std::string& netscapeDirectory,
                            const std::string& ieDirectory, const std::string& netscapeDrive, Prompt& prompt,
                            const SetupSaveSteps& windows) {
  bool setupHidden = false;
  if (!DirectoryNameEndsWith(drives, netscapeDirectory, kNetscapeNameEnding)) {
    if (prompt.Ask(kInvalidNetscapeQuestion)) return false;
    windows.hideSetupShowMain();
    setupHidden = true;
  }
  if (!DirectoryNameEndsWith(drives, ieDirectory, kIENameEnding)) {
    if (prompt.Ask(kInvalidIEQuestion)) {
      if (setupHidden) windows.showSetup();
      return false;
    }
    windows.hideSetupShowMain();
  }
  if (const Status stored = StoreBrowserDirectories(registry, netscapeDirectory, ieDirectory); !stored.ok()) {
    prompt.Tell("The browser directories were not saved: " + stored.message);
    windows.showSetup();
    return false;
  }
  windows.moveProfileList(netscapeDrive, netscapeDirectory + "\\users");
  windows.hideSetupShowMain();
  return true;
}

}  // namespace varnel

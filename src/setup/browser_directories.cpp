#include "setup/browser_directories.h"

#include "settings/settings.h"
#include "winenv/code_page.h"

namespace varnel {

bool DirectoryNameEndsWith(const DriveMap& drives, const std::string& windowsPath, const std::string& ending) {
  std::string name = LowerAnsi(drives.ActualName(windowsPath));
  return name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
}

namespace {

// Asks about a directory whose name does not fit. False when the user wants to choose again.
bool AcceptedDespiteName(SetupSaveWindows& windows, const char* question) {
  if (windows.AskYesNo(question)) return false;
  windows.HideSetupShowMain();
  return true;
}

}  // namespace

bool SaveBrowserDirectories(Registry& registry, const DriveMap& drives, const std::string& netscapeDirectory,
                            const std::string& ieDirectory, const std::string& netscapeDrive,
                            SetupSaveWindows& windows) {
  if (!DirectoryNameEndsWith(drives, netscapeDirectory, kNetscapeNameEnding) &&
      !AcceptedDespiteName(windows, kInvalidNetscapeQuestion)) {
    return false;
  }
  if (!DirectoryNameEndsWith(drives, ieDirectory, kIENameEnding) && !AcceptedDespiteName(windows, kInvalidIEQuestion)) {
    return false;
  }
  WriteSetting(registry, Setting::NetPath, netscapeDirectory);
  WriteSetting(registry, Setting::IEPath, ieDirectory);
  windows.MoveProfileList(netscapeDrive, netscapeDirectory + "\\users");
  windows.HideSetupShowMain();
  return true;
}

}  // namespace varnel

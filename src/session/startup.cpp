#include "session/startup.h"

#include "session/journalled_writes.h"
#include "session/product.h"
#include "settings/settings.h"

namespace varnel {

bool Main(Registry& registry, const DriveMap& drives, const StartupWindows& windows, Prompt& prompt, Journal* journal) {
  bool showSetupAtStart = false;
  windows.setHelpFile(product::kHelpFileName);

  if (ReadSetting(registry, Setting::NetPath).empty()) {
    if (drives.Exists(kNetscapeStandardDirectory)) {
      if (!windows.setProfileDirectory(kNetscapeStandardProfiles)) return false;
      if (const Status stored = WriteSettingRecorded(journal, registry, Setting::NetPath, kNetscapeStandardDirectory);
          !stored.ok()) {
        windows.noteUnsaved(stored);
      }
    } else {
      if (!windows.setProfileDirectory(kProfileListFallback)) return false;
      prompt.Tell(kNetscapeNotFoundMessage);
      showSetupAtStart = true;
    }
  }

  if (ReadSetting(registry, Setting::IEPath).empty()) {
    if (drives.Exists(kIEStandardDirectory)) {
      if (const Status stored = WriteSettingRecorded(journal, registry, Setting::IEPath, kIEStandardDirectory);
          !stored.ok()) {
        windows.noteUnsaved(stored);
      }
    } else {
      prompt.Tell(kIENotFoundMessage);
      showSetupAtStart = true;
    }
  }

  if (showSetupAtStart) windows.showSetupModal();
  return windows.showMainScreen();
}

}  // namespace varnel

#include "session/startup.h"

#include "session/product.h"
#include "session/journalled_writes.h"
#include "settings/settings.h"

namespace varnel {

bool Main(Registry& registry, const DriveMap& drives, StartupWindows& windows, Prompt& prompt, Journal* journal) {
  bool showSetupAtStart = false;
  windows.SetHelpFile(product::kHelpFileName);

  if (ReadSetting(registry, Setting::NetPath).empty()) {
    if (drives.Exists(kNetscapeStandardDirectory)) {
      if (!windows.SetProfileDirectory(kNetscapeStandardProfiles)) return false;
      if (const Status stored = WriteSettingRecorded(journal, registry, Setting::NetPath, kNetscapeStandardDirectory); !stored.ok()) {
        windows.NoteUnsaved(stored);
      }
    } else {
      if (!windows.SetProfileDirectory(kProfileListFallback)) return false;
      prompt.Tell(kNetscapeNotFoundMessage);
      showSetupAtStart = true;
    }
  }

  if (ReadSetting(registry, Setting::IEPath).empty()) {
    if (drives.Exists(kIEStandardDirectory)) {
      if (const Status stored = WriteSettingRecorded(journal, registry, Setting::IEPath, kIEStandardDirectory); !stored.ok()) {
        windows.NoteUnsaved(stored);
      }
    } else {
      prompt.Tell(kIENotFoundMessage);
      showSetupAtStart = true;
    }
  }

  if (showSetupAtStart) windows.ShowSetupModal();
  return windows.ShowMainScreen();
}

}  // namespace varnel

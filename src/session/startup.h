#pragma once
// The start routine: makes sure the settings name an install directory for each browser,
// storing the standard directories when they exist, tells the user and opens the setup window
// when one cannot be found, and finally shows the main window.
#include <functional>
#include <string>

#include "journal/journal.h"
#include "settings/settings.h"
#include "winenv/drive_map.h"
#include "winenv/prompt.h"
#include "winenv/registry.h"

namespace varnel {

inline constexpr const char* kNetscapeNotFoundMessage =
    "We tried to locate the netscape directory under c:\\program files\\netscape and it was not found, you will "
    "have to find the directory.  We will first check the for IE and then allow you to setup the full path of your "
    "Netscape program ";
inline constexpr const char* kIENotFoundMessage =
    "We tried to locate the IE directory under c:\\program files\\Internet Explorer and it was not found, you will "
    "have to find the directory.  We will launch setup at this time so you can select the correct path for your IE "
    "browser.";

// What the start routine does to the windows; its messages go to a prompt.
struct StartupWindows {
  // Names the help file that F1 opens in every window.
  std::function<void(const std::string& fileName)> setHelpFile;
  // Sets the main window's profile list (creating and loading the main window first when it
  // does not exist yet). False when that load ended the program (a second copy).
  std::function<bool(const std::string& windowsPath)> setProfileDirectory;
  // A standard directory that could not be stored: not shown in a window (the start goes on and
  // tries again next time), said where a user who looks finds it.
  std::function<void(const Status& failure)> noteUnsaved;
  // Shows the setup window modally and returns when it was hidden or closed.
  std::function<void()> showSetupModal;
  // Shows the main window modelessly (creating and loading it when needed). False when its
  // load ended the program.
  std::function<bool()> showMainScreen;
};

// Runs the start routine. False when the program ended during it (a second copy). The standard
// directories it stores are recorded in `journal` (when given), each a change of its own.
bool Main(Registry& registry, const DriveMap& drives, const StartupWindows& windows, Prompt& prompt,
          Journal* journal = nullptr);

}  // namespace varnel

#pragma once
// Saving the two browser directories chosen in the setup window: each is checked by its own
// name, the user may choose again or accept it, then both are stored and the main window's
// profile list moves to the Netscape directory's "users" folder.
#include <functional>
#include <string>

#include "winenv/drive_map.h"
#include "winenv/prompt.h"
#include "winenv/registry.h"

namespace varnel {

inline constexpr const char* kNetscapeNameEnding = "netscape";
inline constexpr const char* kIENameEnding = "internet explorer";
inline constexpr const char* kInvalidNetscapeQuestion =
    "You have not selected a valid Netscape path,  do you wish to select again.";
inline constexpr const char* kInvalidIEQuestion =
    "You have not selected a valid IE path,  do you wish to select again.";

// True when the directory's name, as the file system spells it, ends in the given lower-case
// text without regard to case. A drive root or a missing directory has no name and fails.
bool DirectoryNameEndsWith(const DriveMap& drives, const std::string& windowsPath, const std::string& ending);

// What the save does to the windows besides its questions and messages.
struct SetupSaveSteps {
  std::function<void()> hideSetupShowMain;  // hides the setup window and shows the main window
  std::function<void()> showSetup;          // brings the setup window back for another choice
  // Moves the main window's profile list: first to the drive, then to the path.
  std::function<void(const std::string& drive, const std::string& path)> moveProfileList;
};

// The save, step by step. True when both directories were stored. A user who accepted an odd
// Netscape directory (No) and then wants to choose the Internet Explorer directory again (Yes)
// gets the setup window back, which the No had put away. When the directories cannot be stored
// (a broken hive, Wine refusing the change), the user is told and the setup window stays.
bool SaveBrowserDirectories(Registry& registry, const DriveMap& drives, const std::string& netscapeDirectory,
                            const std::string& ieDirectory, const std::string& netscapeDrive, Prompt& prompt,
                            const SetupSaveSteps& windows);

}  // namespace varnel

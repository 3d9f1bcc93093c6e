#pragma once
// Varnel's own settings: four directory paths, each the unnamed REG_SZ value of its own
// sub-key under HKEY_LOCAL_MACHINE "Software\Varnel\<name>". "" means not set.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "winenv/registry.h"

namespace varnel {

// Where the browsers install themselves, and where the profile list starts without them.
inline constexpr const char* kNetscapeStandardDirectory = "c:\\program files\\netscape";
inline constexpr const char* kNetscapeStandardProfiles = "c:\\program files\\netscape\\users";
inline constexpr const char* kProfileListFallback = "c:\\";
inline constexpr const char* kIEStandardDirectory = "c:\\program files\\Internet Explorer";

enum class Setting {
  NetPath,  // Netscape program directory (holds COMMUNICATOR\PROGRAM\NETSCAPE.EXE)
  IEPath,   // Internet Explorer program directory (holds iexplore.exe)
  NetLAU,   // last used Netscape user-profile directory
  IEfav,    // last used Internet Explorer favorites directory
};

inline constexpr std::array<Setting, 4> kAllSettings = {Setting::NetPath, Setting::IEPath, Setting::NetLAU,
                                                        Setting::IEfav};

std::string_view SettingName(Setting setting);
std::string SettingKey(Setting setting);  // "Software\Varnel\NetPath", ...
// By name, without regard to case.
std::optional<Setting> SettingByName(std::string_view name);

std::string ReadSetting(Registry& registry, Setting setting);
Status WriteSetting(Registry& registry, Setting setting, std::string_view value);
// The end of a run: IEfav (when the bookmarks window had a favorites directory), then NetLAU.
[[nodiscard]] Status StoreRememberedDirectories(Registry& registry, const std::string& profileDirectory,
                                                const std::optional<std::string>& favoritesDirectory);

}  // namespace varnel

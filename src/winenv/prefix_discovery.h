#pragma once
// The Wine prefixes kept in a home folder by Wine itself and by the prefix managers: ~/.wine,
// winetricks, Bottles (also as a Flatpak), PlayOnLinux, Lutris games, Steam's Proton (also in the
// further libraries Steam's libraryfolders.vdf names), and Varnel's own prefix. Only the file
// system is looked at here (no file but that list is opened, and only a regular one), so a FIFO,
// a dangling link, a link loop or a folder we may not read costs nothing and blocks nothing.
#include <cstddef>
#include <string>
#include <vector>

#include "winenv/prefix.h"
#include "winenv/status.h"

namespace varnel {

struct FoundPrefix {
  std::string path;    // native, as found (a link in the path is kept)
  std::string layout;  // where it was found: "wine", "winetricks", "bottles", "bottles-flatpak",
                       // "playonlinux", "lutris", "steam", "varnel"
  Status problem;      // ok for a folder we may read that holds system.reg and drive_c; else why not
};

// Every prefix in the home's known places, each place's entries in name order, a folder reached
// twice (Steam's two names for its folder) listed once. Places that are missing are skipped; a
// place that exists but cannot be listed is itself listed with the reason. In the manager
// folders every entry is listed (a half-made prefix with what it lacks); among Lutris' games only
// the folders that show a sign of a prefix (or that cannot be read).
std::vector<FoundPrefix> FindPrefixes(const EnvLookup& env);

// The further Steam libraries that Steam's libraryfolders.vdf names (under either of Steam's
// folder names), in the order named, each path once, at most kMaxSteamLibraries.
inline constexpr std::size_t kMaxSteamLibraries = 64;
std::vector<std::string> SteamLibraries(const EnvLookup& env);

// Whether a folder is a prefix Varnel can read: ok, or what is wrong with it.
Status ExaminePrefixFolder(const std::string& path);

}  // namespace varnel

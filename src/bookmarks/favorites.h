#pragma once
// Internet Explorer's favorites: the directory that holds them, and the address kept in a
// favorite file (*.url, an Internet Shortcut).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "winenv/drive_map.h"
#include "winenv/status.h"

namespace varnel {

inline constexpr std::string_view kStandardFavoritesDirectory = "c:\\windows\\favorites";
inline constexpr std::string_view kFavoritePattern = "*.url";
inline constexpr std::string_view kFavoritesDirectoryGone =
    "The directory last used for your IE favorites does not exist, the directory may have been deleted or rename";
inline constexpr std::string_view kNoStandardFavoritesDirectory =
    "Unable to find the normal directory for IE favorites, c:\\windows\\favorites, you will need to use the "
    "directory control on the top left of form to browse for the directory.  You will know you have a favorite "
    "directory when you start to see .url files in the list box to the right of the directory.";

// Where the favorites list starts: the remembered directory (IEfav) when it is not empty, else
// the standard one, each only when it is an existing directory (a plain file of that name does
// not count). When the chosen one does not exist there is no directory, only the message for it.
struct FavoritesDirectoryChoice {
  std::optional<std::string> directory;
  std::optional<std::string> message;
};
FavoritesDirectoryChoice ChooseFavoritesDirectory(const std::string& remembered, const DriveMap& drives);

// The address when `line` is an address line: its first four characters are "URL=" in any
// letter case; the address is the rest of the line, unchanged.
std::optional<std::string_view> FavoriteAddressOfLine(std::string_view line);

// A favorite file holds a few short lines; one larger than this is no favorite and is not read.
inline constexpr std::size_t kMaxFavoriteFileBytes = 1 << 20;

// Reads a favorite file line by line (CR, CR LF or LF end a line); every line is examined and
// the last address line wins, read in the code page. But when an [InternetShortcut.W] section
// holds an address line, that line's text decoded from UTF-7 is the address: the one exact copy
// of an address the code page cannot hold. The address comes back as UTF-8. No address line:
// `address` stays empty and the read is Ok. A favorite is named by its directory (a Windows
// path) and its real name on the disk (UTF-8), which the code page may not be able to spell. A
// file larger than kMaxFavoriteFileBytes is refused (code 75) after reading only that much.
Status ReadFavoriteAddress(const DriveMap& drives, const std::string& directory, const std::string& realName,
                           std::optional<std::string>& address);
// The entry of a native folder a real name stands for: that name when it is there, else one equal
// without letter case (a name typed on the command line), else the name itself.
std::string EntryNamed(const std::string& nativeFolder, const std::string& realName);
// The same for a native path (a walk over a whole directory tree resolves each folder once).
Status ReadFavoriteAddressNative(const std::string& nativePath, std::optional<std::string>& address);

// An address (UTF-8) in the code page, for what takes one (the launcher, a favorite file's
// address line): a character the code page lacks becomes the %XX escapes of its UTF-8 bytes,
// which browsers read as the same address.
std::string AddressInCodePage(std::string_view utf8);

// The title a favorite file stands for: its name without the last four characters (".url").
std::string FavoriteTitle(std::string_view fileName);

}  // namespace varnel

#include "bookmarks/favorites.h"

#include <string>

#include "winenv/code_page.h"
#include "winenv/line_scanner.h"

namespace varnel {

FavoritesDirectoryChoice ChooseFavoritesDirectory(const std::string& remembered, const DriveMap& drives) {
  const bool useRemembered = !remembered.empty();
  const std::string candidate = useRemembered ? remembered : std::string(kStandardFavoritesDirectory);
  if (drives.IsDirectory(candidate)) return {candidate, std::nullopt};
  return {std::nullopt, std::string(useRemembered ? kFavoritesDirectoryGone : kNoStandardFavoritesDirectory)};
}

std::optional<std::string_view> FavoriteAddressOfLine(std::string_view line) {
  constexpr std::string_view kAddressKey = "URL=";
  if (line.size() < kAddressKey.size() || !EqualNoCaseAnsi(line.substr(0, kAddressKey.size()), kAddressKey)) {
    return std::nullopt;
  }
  return line.substr(kAddressKey.size());
}

Status ReadFavoriteAddress(const DriveMap& drives, const std::string& windowsPath, std::optional<std::string>& address) {
  address.reset();
  std::string native;
  if (const Status mapped = drives.ToNativeFile(windowsPath, native); !mapped.ok()) return mapped;
  return ReadFavoriteAddressNative(native, address);
}

Status ReadFavoriteAddressNative(const std::string& native, std::optional<std::string>& address) {
  address.reset();
  LineScanner scanner;
  Status opened = scanner.Open(native, kMaxFavoriteFileBytes);
  if (!opened.ok()) return opened;
  std::string_view line;
  while (scanner.Next(line)) {
    if (const std::optional<std::string_view> found = FavoriteAddressOfLine(line)) address = std::string(*found);
  }
  if (scanner.status().ok()) return Status::Ok();
  address.reset();
  if (!scanner.tooLarge()) return scanner.status();
  return Status::Error(errc::kPathFileAccess, native + ": larger than " + std::to_string(kMaxFavoriteFileBytes >> 20) +
                                                   " MB, which no favorite file is; it was not read");
}

std::string FavoriteTitle(std::string_view fileName) {
  return std::string(fileName.substr(0, fileName.size() < 4 ? 0 : fileName.size() - 4));
}

}  // namespace varnel

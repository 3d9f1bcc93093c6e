#include "bookmarks/favorites.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
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

Status ReadFavoriteAddress(const DriveMap& drives, const std::string& directory, const std::string& realName,
                           std::optional<std::string>& address) {
  address.reset();
  std::string native;
  if (const Status mapped = drives.ToNativeFile(directory, native); !mapped.ok()) return mapped;
  const std::string file = native + "/" + EntryNamed(native, realName);
  Status read = ReadFavoriteAddressNative(file, address);
  // The user named the favorite by its Windows path: a failure says that one, not the Linux one.
  for (std::size_t at = read.message.find(file); at != std::string::npos; at = read.message.find(file, at)) {
    const std::string shown = directory + (directory.ends_with('\\') ? "" : "\\") + realName;
    read.message.replace(at, file.size(), shown);
    at += shown.size();
  }
  return read;
}

namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// UTF-7 (RFC 2152) into UTF-8: "+" opens a run of modified base64 holding UTF-16 code units,
// which ends at the first other character (a "-" there is dropped); "+-" is a "+".
std::string Utf8FromUtf7(std::string_view utf7) {
  std::string out;
  char16_t high = 0;  // a high surrogate waiting for its partner
  const auto unit = [&](char16_t u) {
    if (u >= 0xD800 && u <= 0xDBFF) {
      high = u;
      return;
    }
    if (u >= 0xDC00 && u <= 0xDFFF && high != 0) {
      AppendUtf8(out, 0x10000 + ((char32_t{high} - 0xD800) << 10) + (u - 0xDC00));
    } else {
      AppendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    high = 0;
  };
  for (std::size_t at = 0; at < utf7.size();) {
    if (utf7[at] != '+') {
      AppendUtf8(out, CodePointOfAnsi(static_cast<unsigned char>(utf7[at++])));
      continue;
    }
    ++at;
    if (at < utf7.size() && utf7[at] == '-') {
      out += '+';
      ++at;
      continue;
    }
    std::uint32_t bits = 0;
    int count = 0;
    for (; at < utf7.size() && Base64Value(utf7[at]) >= 0; ++at) {
      bits = (bits << 6) | static_cast<std::uint32_t>(Base64Value(utf7[at]));
      count += 6;
      if (count >= 16) {
        count -= 16;
        unit(static_cast<char16_t>((bits >> count) & 0xFFFF));
      }
    }
    if (at < utf7.size() && utf7[at] == '-') ++at;
  }
  return out;
}

bool IsSectionLine(std::string_view line) { return line.starts_with('['); }

}  // namespace

std::string EntryNamed(const std::string& nativeFolder, const std::string& realName) {
  struct stat info {};
  if (lstat((nativeFolder + "/" + realName).c_str(), &info) == 0) return realName;
  const std::u16string wanted = Utf16FromUtf8(realName);
  std::string found = realName;
  if (DIR* dir = opendir(nativeFolder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      if (EqualNoCase(Utf16FromUtf8(entry->d_name), wanted)) {
        found = entry->d_name;
        break;
      }
    }
    closedir(dir);
  }
  return found;
}

Status ReadFavoriteAddressNative(const std::string& native, std::optional<std::string>& address) {
  address.reset();
  LineScanner scanner;
  Status opened = scanner.Open(native, kMaxFavoriteFileBytes);
  if (!opened.ok()) return opened;
  std::string_view line;
  bool inWideSection = false;
  std::optional<std::string> wide;  // the address of the [InternetShortcut.W] section
  while (scanner.Next(line)) {
    if (IsSectionLine(line)) inWideSection = EqualNoCaseAnsi(line, "[InternetShortcut.W]");
    const std::optional<std::string_view> found = FavoriteAddressOfLine(line);
    if (!found) continue;
    if (inWideSection) {
      wide = Utf8FromUtf7(*found);
    } else {
      address = Utf8FromAnsi(*found);
    }
  }
  if (wide) address = std::move(wide);
  if (scanner.status().ok()) return Status::Ok();
  address.reset();
  if (!scanner.tooLarge()) return scanner.status();
  return Status::Error(errc::kPathFileAccess, native + ": larger than " + std::to_string(kMaxFavoriteFileBytes >> 20) +
                                                  " MB, which no favorite file is; it was not read");
}

std::string AddressInCodePage(std::string_view utf8) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t start = at;
    const char32_t c = NextUtf8(utf8, at);
    const std::optional<char> byte = c == kNoCodePoint ? std::nullopt : AnsiOfCodePoint(c);
    if (byte) {
      out += *byte;
      continue;
    }
    for (std::size_t i = start; i < at; ++i) {
      const auto b = static_cast<unsigned char>(utf8[i]);
      out.append({'%', kHex[b >> 4], kHex[b & 0xF]});
    }
  }
  return out;
}

std::string FavoriteTitle(std::string_view fileName) {
  return std::string(fileName.substr(0, fileName.size() < 4 ? 0 : fileName.size() - 4));
}

}  // namespace varnel

#pragma once
// What the collection operations need of a folder on disk: its entries, each read once, with
// the Windows (1252) form of its name and whether it is a folder (links followed).
#include <string>
#include <string_view>
#include <vector>

#include "winenv/status.h"

namespace varnel {

struct FolderEntry {
  std::string native;  // the name as the file system spells it (UTF-8)
  std::string name;    // the same in 1252
  bool folder = false;
  bool link = false;  // a symbolic link (`folder` tells where it leads)
};

// Where a collection is put together before it is moved into the favorites directory: the
// prefix and six letters or digits, as mkdtemp makes them.
inline constexpr std::string_view kStagingPrefix = ".varnel-export-";
bool IsStagingName(std::string_view name);

// The entries of a native folder, sorted without case as a folder list shows them; "." and ".."
// and names of staging folders left out.
Status ListFolder(const std::string& nativeFolder, std::vector<FolderEntry>& entries);

// A favorite file by its name: "*.url" without case.
bool IsFavoriteFileName(std::string_view name);
// A CR or LF would end the line it is written into.
bool HoldsLineBreak(std::string_view text);
// The longest name a folder entry may have, in the file system's bytes.
bool NameTooLong(std::string_view ansiName);

}  // namespace varnel

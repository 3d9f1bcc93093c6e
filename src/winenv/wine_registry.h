#pragma once
// Registry edits made through Wine itself. While a wineserver serves the prefix it holds the
// registry in memory and writes the hive files over with its own copy now and then, so an edit
// of the files would be lost: the edits go to Wine instead, in one "wine regedit /S" import, and
// are then read back, all of them by one script that Wine's own "cscript" runs, before they count
// as made.
#include <optional>
#include <string>
#include <vector>

#include "winenv/hive_file.h"
#include "winenv/status.h"
#include "winenv/wine_server.h"

namespace varnel {

struct RegistryEdit {
  bool currentUser = false;  // HKEY_CURRENT_USER, else HKEY_LOCAL_MACHINE
  std::u16string key;        // relative to the hive's root
  std::u16string name;       // "" is the key's unnamed value
  std::optional<RegValue> value;  // none: delete the key, or with deletesValue only the value
  bool deletesValue = false;
};

// The edits, in order, as a regedit file: "Windows Registry Editor Version 5.00", UTF-16LE with
// its byte-order mark and CR LF line ends.
std::string RegeditFile(const std::vector<RegistryEdit>& edits);

// The read-back of the edits that stand at the end of the batch: a JScript (plain ASCII) that
// prints "varnel N held" for edit N when Wine holds it as written, "varnel N not held" otherwise.
std::string ReadBackScript(const std::vector<RegistryEdit>& edits);

// Imports the edits into the running Wine of the prefix and reads every one back. Nothing is
// written to the hive files. A failure says what Wine did not take.
[[nodiscard]] Status WriteThroughWine(const std::string& prefix, const WineServer& server, const std::vector<RegistryEdit>& edits);

}  // namespace varnel

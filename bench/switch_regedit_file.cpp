// Writes the regedit file that the default-browser switch imports into a running Wine, for the
// given browser and directory: the floor the switch through Wine is measured against
// (bench/wine_switch.sh). Usage: switch_regedit_file ie|netscape DIRECTORY OUTPUT
#include <cstdio>
#include <string>
#include <vector>

#include "defaultbrowser/default_browser.h"
#include "winenv/atomic_file.h"
#include "winenv/code_page.h"
#include "winenv/wine_registry.h"

int main(int argc, char** argv) {
  using namespace varnel;
  if (argc != 4) {
    std::fprintf(stderr, "usage: switch_regedit_file ie|netscape DIRECTORY OUTPUT\n");
    return 2;
  }
  const std::string browser = argv[1];
  const AssociationTable table = browser == "ie" ? IEAssociations(argv[2]) : NetscapeAssociations(argv[2]);
  std::vector<RegistryEdit> edits;
  for (const AssociationRow& row : table) {
    edits.push_back(RegistryEdit::SetValue(Hive::ClassesRoot, row.key, "", RegValue::String(Utf16FromAnsi(row.data))));
  }
  const Status written = ReplaceFileContents(argv[3], RegeditFile(edits));
  if (!written.ok()) std::fprintf(stderr, "switch_regedit_file: %s\n", written.message.c_str());
  return written.ok() ? 0 : 1;
}

#pragma once
// Opening the Windows environment for the windows and the command line alike.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "winenv/prefix.h"
#include "winenv/registry.h"
#include "winenv/status.h"

namespace varnel {

struct OpenedPrefix {
  PrefixLocation location;
  std::unique_ptr<Registry> registry;
  bool laidOut = false;                     // a new layout was made in it: the caller tells the user once
  bool ownMadeNow = false;                  // Varnel's own prefix, made by this run (its first start)
  bool onlyFound = false;                   // none was named: this is the only found prefix that holds a browser
  std::vector<std::string> choices;         // none was named and several found prefixes hold a browser
  std::vector<std::string> choiceBrowsers;  // BrowsersText of each choice, in the same order
};

// Chooses the prefix and checks that it can be used (a folder we may read); on success the
// registry is handed over. It reads a hive file when a call first needs that hive, so a command
// reads nothing it does not use; the windows, which use both, check both at start.
// When no prefix is named (--prefix, $WINEPREFIX, ~/.wine) the prefixes on the machine are
// surveyed: the only one holding a browser is used, several
// fail with their paths in `choices` for the user to pick, none leaves Varnel's own prefix.
// Varnel's own prefix is laid out on first use, and so is a prefix named on the command line or
// in $WINEPREFIX that is an empty folder or a missing one whose parent exists (as wineboot would
// make it): `laidOut` says so.
Status OpenPrefix(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env, OpenedPrefix& opened);

// After OpenPrefix offered choices: opens the one the user picked (one of `choices`).
Status OpenChoice(OpenedPrefix& opened, const std::string& path);

// What the windows say once, when they made Varnel's own prefix at `path`: where it is, and that
// the browsers must be installed into it (or another prefix named) before Setup can find them.
std::string OwnPrefixMadeMessage(const std::string& path);

// "several Wine prefixes hold a browser: A, B; name one with --prefix DIR".
std::string SeveralPrefixesMessage(const std::vector<std::string>& choices);

}  // namespace varnel

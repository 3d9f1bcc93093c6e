#pragma once
// Opening the Windows environment for the windows and the command line alike.
#include <memory>
#include <optional>
#include <string>

#include "winenv/prefix.h"
#include "winenv/registry.h"
#include "winenv/status.h"

namespace varnel {

// Chooses the prefix and checks that it can be used (a folder we may read); on success the
// registry is handed over. It reads a hive file when a call first needs that hive, so a command
// reads nothing it does not use; the windows, which use both, check both at start.
// Varnel's own prefix is laid out on first use, and so is a prefix named on the command line or
// in $WINEPREFIX that is an empty folder or a missing one whose parent exists (as wineboot would
// make it): `laidOut` says so, for the caller to tell the user once.
Status OpenPrefix(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env, PrefixLocation& chosen,
                  std::unique_ptr<Registry>& registry, bool& laidOut);

}  // namespace varnel

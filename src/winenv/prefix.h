#pragma once
// Which Wine prefix Varnel works on, and Varnel's own prefix for machines without Wine.
#include <functional>
#include <optional>
#include <string>

#include "winenv/status.h"

namespace varnel {

using EnvLookup = std::function<std::optional<std::string>(const char* name)>;
EnvLookup ProcessEnvironment();

struct PrefixLocation {
  std::string path;
  bool own = false;  // Varnel's own prefix, created on first use
};

// $HOME, or the password database's home folder when the variable is missing.
std::string HomeDirectory(const EnvLookup& env);
// $XDG_DATA_HOME/varnel/prefix (default ~/.local/share/varnel/prefix).
std::string OwnPrefixPath(const EnvLookup& env);

// Order: --prefix, $WINEPREFIX, ~/.wine when it exists, else $XDG_DATA_HOME/varnel/prefix
// (default ~/.local/share/varnel/prefix).
PrefixLocation ChoosePrefix(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env);

// Creates the own prefix's layout where missing: valid empty system.reg and user.reg,
// drive_c/, dosdevices/c: -> ../drive_c and dosdevices/z: -> /. Existing files are kept.
Status CreatePrefixLayout(const std::string& path);

// A prefix is usable when it is a directory we may read and write. Hive files are checked
// by the registry.
Status CheckPrefixDirectory(const std::string& path);

std::string SystemHivePath(const std::string& prefix);
std::string UserHivePath(const std::string& prefix);

}  // namespace varnel

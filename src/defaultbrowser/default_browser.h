#pragma once
// The system's default browser: whatever the shell associations under HKEY_CLASSES_ROOT name for
// http, https, ftp and gopher and the .htm and .html types. Detection reads only the http DDE
// application; a switch writes a fixed table of 18 default values in one registry batch.
#include <array>
#include <functional>
#include <string>

#include "winenv/registry.h"
#include "winenv/status.h"

namespace varnel {

enum class Browser { Netscape, InternetExplorer };

struct AssociationRow {
  std::string key;  // under HKEY_CLASSES_ROOT; the default (unnamed) value is written
  std::string data;
};
using AssociationTable = std::array<AssociationRow, 18>;

inline constexpr const char* kNetscapeDefaultCaption = "Netscape is the default browser, Click IE icon to change";
inline constexpr const char* kIEDefaultCaption = "IE is the default browser, Click Netscape icon to change";

// The rows written to make a browser the default, in the order they are written. The program
// directory is joined to its literals without adding or removing a separator.
AssociationTable IEAssociations(const std::string& iePath);
AssociationTable NetscapeAssociations(const std::string& netPath);

// Netscape when the http DDE application reads "NSSHELL" in upper case; anything else, an empty
// value or a missing key means Internet Explorer.
Browser DetectDefaultBrowser(Registry& registry);
// The value that tells (HKEY_CLASSES_ROOT, default value), and the browser its text names.
inline constexpr std::string_view kDefaultBrowserKey = "HTTP\\shell\\open\\ddeexec\\application";
Browser BrowserOfDdeApplication(const std::string& application);
const char* DefaultBrowserCaption(Browser browser);

// Reads the browser's directory setting and writes its table, saved once. Refuses, writing
// nothing, when the directory setting is empty (the commands would point at no program).
// Failed registry writes are not reported, as for every association write.
Status MakeDefault(Registry& registry, Browser browser);

// The message shown when the target browser's directory is not set.
std::string MissingDirectoryMessage(Browser browser);

}  // namespace varnel

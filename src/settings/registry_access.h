#pragma once
// The program's only registry access: read a string value, write a string value, delete a key.
// None of them reports a failure: a failed read yields the caller's default, failed writes and
// deletes are silent (the registry keeps a text of the last failure for the command line).
#include <string>
#include <string_view>

#include "winenv/registry.h"

namespace varnel {


// The value's text when it is of type REG_SZ, up to (not including) its first NUL; otherwise,
// or when the key or value is absent, the default text.
std::string ReadRegistryString(Registry& registry, Hive hive, std::string_view keyPath, std::string_view valueName,
                               std::string_view defaultText);
// Creates the key and its missing parents as needed and stores the text as REG_SZ; an empty
// text stores an empty string.
void WriteRegistryString(Registry& registry, Hive hive, std::string_view keyPath, std::string_view valueName,
                         std::string_view text);
// Deletes a key that has no sub-keys; the outcome is not examined.
void DeleteRegistryKey(Registry& registry, Hive hive, std::string_view keyPath);

}  // namespace varnel

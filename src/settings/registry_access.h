#pragma once
// The program's only registry access: read a string value, write a string value, delete a key.
// A failed read yields the caller's default. Writes and deletes return their outcome, which the
// windows do not show (the product reports no registry failure) and the command line does.
#include <optional>
#include <string>
#include <string_view>

#include "winenv/registry.h"

namespace varnel {

// The value's text when it is of type REG_SZ, up to (not including) its first NUL; otherwise,
// or when the key or value is absent, the default text.
std::string StringOfValue(const std::optional<RegValue>& value, std::string_view defaultText);
std::string ReadRegistryString(Registry& registry, Hive hive, std::string_view keyPath, std::string_view valueName,
                               std::string_view defaultText);
// Creates the key and its missing parents as needed and stores the text as REG_SZ; an empty
// text stores an empty string.
Status WriteRegistryString(Registry& registry, Hive hive, std::string_view keyPath, std::string_view valueName,
                           std::string_view text);
// Deletes a key that has no sub-keys (code 53 when there is none).
Status DeleteRegistryKey(Registry& registry, Hive hive, std::string_view keyPath);

}  // namespace varnel

#pragma once
// One change of the registry, as the hive files and Wine take it. The same type says what the
// registry is expected to hold: the state an edit leaves (a value as given, a value gone, a key
// gone), which is what the journal asks a running Wine about. Callers name keys and values in
// 1252 text, relative to HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE; the
// factories below are the one place that turns them into the hive file's UTF-16 paths.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "winenv/hive_file.h"

namespace varnel {

enum class Hive { ClassesRoot, CurrentUser, LocalMachine };

// The key's path inside its hive file: HKEY_CLASSES_ROOT lies in the machine's hive, under
// Software\Classes. A leading or trailing backslash is ignored, as Windows does.
std::u16string KeyInHive(Hive hive, std::string_view keyPath);

// Where a key or value lies in the hive files.
struct RegistryLocation {
  Hive hive = Hive::LocalMachine;  // CurrentUser or LocalMachine: the hive file that holds the key
  std::u16string key;              // the key's path inside that file (KeyInHive)
  std::u16string name;             // the value's name, "" the key's unnamed value

  // The value `name` of the key `keyPath` of `hive`, any of the three.
  static RegistryLocation Of(Hive hive, std::string_view keyPath, std::string_view name);
  // The same place, letter case aside.
  bool SameAs(const RegistryLocation& other) const;
};

struct RegistryEdit {
  enum class Kind {
    SetValue,     // the value is set to `value` (its key and missing parents made as needed)
    DeleteValue,  // the value is gone; its key stays
    DeleteKey,    // the key (without sub-keys) is gone; as a state: there is no such key
  };
  Kind kind = Kind::SetValue;
  RegistryLocation at;            // for DeleteKey the key, with the name ""
  std::optional<RegValue> value;  // what SetValue sets; none for the deletes

  static RegistryEdit SetValue(Hive hive, std::string_view keyPath, std::string_view name, RegValue value);
  static RegistryEdit DeleteValue(Hive hive, std::string_view keyPath, std::string_view name);
  static RegistryEdit DeleteKey(Hive hive, std::string_view keyPath);
  // The edit that leaves the value as given: set to `value`, or deleted when there is none.
  static RegistryEdit Leaving(Hive hive, std::string_view keyPath, std::string_view name,
                              std::optional<RegValue> value);

  // Makes the edit in the hive file's text. False, with the file unchanged, for a key delete
  // when the file holds no such key without sub-keys; a value delete of a missing value is
  // nothing to do.
  bool ApplyTo(HiveFile& file, std::int64_t now) const;
};

}  // namespace varnel

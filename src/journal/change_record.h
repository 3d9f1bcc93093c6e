#pragma once
// One recorded change: what the user did (in the program's words), where, and for every file,
// registry value or registry key it touches the state it replaced. After the write the state
// it left is recorded as well, as a fingerprint: a file's size and a 64-bit hash of its bytes,
// a registry item's values themselves. Records are kept as text with length-prefixed fields, so
// any bytes (1252 text, binary registry data, whole files) survive unchanged.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/hive_file.h"
#include "winenv/registry.h"
#include "winenv/status.h"

namespace varnel {

// A whole file, one registry value, all values of a key, a folder (its being there; undo removes
// one it made only when it is empty again).
enum class ItemKind { File, Value, Key, Folder };
inline bool InRegistry(ItemKind kind) { return kind == ItemKind::Value || kind == ItemKind::Key; }
inline bool OnDisk(ItemKind kind) { return !InRegistry(kind); }

struct NamedValue {
  std::string name;  // "" is the key's unnamed value
  RegValue value;
  bool operator==(const NamedValue&) const = default;
};

// Whether one of the values has that name (registry names compare without case).
bool HasValueNamed(const std::vector<NamedValue>& values, std::string_view name);

// What a change touches.
struct ChangeItem {
  ItemKind kind = ItemKind::File;
  std::string native;  // a file's or folder's native path
  std::string shown;   // how the user knows it: a Windows path, or the registry path
  Hive hive = Hive::LocalMachine;
  std::string key;
  std::string name;  // the value's name (ItemKind::Value)
};

// A file's or a registry item's state at one moment. Before a change: a file's whole bytes and
// permission bits; after it: only its size and hash. A registry value has at most one entry in
// `values`; a key lists all its values.
struct ItemState {
  bool exists = false;
  std::string bytes;
  std::uint32_t mode = 0;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;
  std::vector<NamedValue> values;
  std::string missingKey;  // the outermost key of a registry item's path that did not exist, if any
  bool operator==(const ItemState&) const = default;
};

struct ChangeRecord {
  std::int64_t time = 0;  // seconds since 1970 (UTC)
  std::string what;       // "default browser set to Internet Explorer"
  std::string where;
  std::vector<ChangeItem> items;
  std::vector<ItemState> before;  // one per item
};

// 64-bit FNV-1a: a fingerprint, not a defence against someone forging a file.
std::uint64_t BytesHash(std::string_view bytes);
std::uint64_t BytesHash(const std::vector<std::string_view>& pieces);  // of the pieces one after the other
// The fingerprint of a file that will hold the pieces.
ItemState FileFingerprint(const std::vector<std::string_view>& pieces);
// The state kept after a change: a file's bytes reduced to size and hash.
ItemState Fingerprint(ItemState state);

std::string SerializeRecord(const ChangeRecord& record);
Status ParseRecord(std::string_view text, ChangeRecord& record);
std::string SerializeAfter(const std::vector<ItemState>& after);
Status ParseAfter(std::string_view text, std::vector<ItemState>& after);

// What an item is, whichever change names it: a file by its native path, a registry item by
// hive, key and name without case.
std::string ItemIdentity(const ChangeItem& item);

// "HKEY_CLASSES_ROOT\http\shell\open\command", with the value's name after it for a value.
std::string RegistryPathText(Hive hive, std::string_view key, std::string_view name, bool withName);

}  // namespace varnel

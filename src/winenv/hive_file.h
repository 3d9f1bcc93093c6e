#pragma once
// One Wine registry hive file ("WINE REGISTRY Version 2"), held losslessly: the file's text is
// kept whole, as read, so serialising an unchanged file gives back the same bytes. A load checks
// every line and notes where each key's line starts, ordered by path; a value is decoded only
// when it is read. A write regenerates only the lines of the value it changes (the key's block is
// then held apart from the text until the hive is serialised), a new key's block is inserted
// where Wine places it (keys sorted by component, without case), and a deleted key's block
// disappears.
//
// Key paths and value names here are decoded text (UTF-16), with single backslashes between
// key components, relative to the hive's root; they compare without case.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/status.h"

namespace varnel {

enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

// A value as Windows stores it: its type and its raw bytes (strings are UTF-16LE with their
// terminating NUL).
struct RegValue {
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;

  static RegValue String(std::u16string_view text);  // REG_SZ with terminator
  bool operator==(const RegValue&) const = default;
};

// The number a REG_DWORD's four bytes hold (little-endian).
inline std::uint32_t DwordOf(const RegValue& value) {
  return static_cast<std::uint32_t>(value.data[0]) | static_cast<std::uint32_t>(value.data[1]) << 8 |
         static_cast<std::uint32_t>(value.data[2]) << 16 | static_cast<std::uint32_t>(value.data[3]) << 24;
}

class HiveFile {
 public:
  HiveFile();
  ~HiveFile();
  HiveFile(HiveFile&&) noexcept;
  HiveFile& operator=(HiveFile&&) noexcept;

  // Parses the whole text. A file that is not understood completely fails (code 75, naming the
  // line); such a file must never be written back.
  static Status Parse(std::string_view text, HiveFile& out);
  // The same, keeping the given text itself rather than a copy of it.
  static Status Parse(std::string&& text, HiveFile& out);
  // A new, empty hive: the header line and the root comment, e.g. "REGISTRY\\Machine".
  static HiveFile Empty(std::string_view rootComment);

  std::string Serialize() const;
  // The same bytes in pieces that view the hive (valid until it changes): the text as read,
  // around the blocks written since.
  std::vector<std::string_view> Pieces() const;

  std::optional<RegValue> GetValue(std::u16string_view keyPath, std::u16string_view name) const;
  // A key exists when it has a block of its own or a descendant does.
  bool KeyExists(std::u16string_view keyPath) const;

  // Stores the value, replacing an existing one of that name in place, or appending it to the
  // key's values; creates the key's block (with "[Path] <unixNow>" and "#time=<FILETIME hex>")
  // at Wine's sorted position when the key has none.
  void SetValue(std::u16string_view keyPath, std::u16string_view name, const RegValue& value, std::int64_t unixNow);
  // Removes the key's block. False (nothing changed) when the key has sub-keys or no block.
  bool DeleteKey(std::u16string_view keyPath);
  // Removes one value from its key (the key stays, even when it is left empty). False (nothing
  // changed) when there is no such value.
  bool DeleteValue(std::u16string_view keyPath, std::u16string_view name, std::int64_t unixNow);
  // The names of the key's values, in file order ("" is the unnamed value).
  std::vector<std::u16string> ValueNames(std::u16string_view keyPath) const;

  // All key paths that have a block, in file order (for tests and checks).
  std::vector<std::u16string> KeyPaths() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace varnel

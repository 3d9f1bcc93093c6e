#pragma once
// A few values of a hive file found without checking all of it: Wine writes the keys in its
// order (hive_key_order.h), so each key's block is found by halving the text, reading one key
// line at each step, and only the blocks found are checked and decoded. For a glance at many
// prefixes at once (the survey of a home); a hive opened for use is read and checked whole
// (HiveFile), and a problem elsewhere in the file shows then.
#include <optional>
#include <string>
#include <vector>

#include "winenv/hive_file.h"
#include "winenv/status.h"

namespace varnel {

struct HiveValueName {
  std::u16string keyPath;  // relative to the hive's root, single backslashes
  std::u16string name;     // "" for the key's default value
};

// The values asked for, in the order asked (nullopt: no such key or value). Fails (code 75,
// naming the file) when the file is not a Wine hive or a line looked at does not parse, and
// when it cannot be read.
Status LookUpHiveValues(const std::string& nativePath, const std::vector<HiveValueName>& wanted,
                        std::vector<std::optional<RegValue>>& values);

}  // namespace varnel

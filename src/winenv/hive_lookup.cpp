#include "winenv/hive_lookup.h"

#include <string_view>

#include "winenv/atomic_file.h"
#include "winenv/hive_key_order.h"
#include "winenv/hive_lines.h"
#include "winenv/hive_scan.h"

namespace varnel {
namespace {

using namespace hive;

std::string_view LineAt(std::string_view text, std::size_t start) {
  const std::size_t end = text.find('\n', start);
  return ContentOf(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end + 1 - start));
}

// Where the block of the key starts, or the text's size when it has none. Between the halving
// steps only key lines are read (and checked).
std::size_t FindKeyLine(std::string_view text, std::u16string_view path, Problem& problem) {
  std::size_t low = 0;             // every key line before it comes before the path
  std::size_t high = text.size();  // the first key line from here on does not
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    const std::size_t key = KeyLineFrom(text, middle);
    if (key >= high) {
      high = middle;  // no key line in between: the same first key line from here
      continue;
    }
    const std::string_view line = LineAt(text, key);
    if ((problem = ReadKeyLine(line, nullptr))) return text.size();
    if (ComparePaths(KeyLineUnits(line), PathUnits(path)) < 0) {
      low = key + 1;
    } else {
      high = key;
    }
  }
  const std::size_t key = KeyLineFrom(text, low);
  if (key == text.size()) return key;
  const std::string_view line = LineAt(text, key);
  return ComparePaths(KeyLineUnits(line), PathUnits(path)) == 0 ? key : text.size();
}

}  // namespace

Status LookUpHiveValues(const std::string& nativePath, const std::vector<HiveValueName>& wanted,
                        std::vector<std::optional<RegValue>>& values) {
  values.clear();
  std::string text;
  if (Status read = ReadWholeFile(nativePath, text); !read.ok()) return read;
  const auto refuse = [&](Problem problem) {
    return Status::Error(errc::kPathFileAccess, nativePath + ": " + problem);
  };
  if (LineAt(text, 0) != kSignature) return refuse("not a Wine registry file (no \"WINE REGISTRY Version 2\" line)");
  for (const HiveValueName& value : wanted) {
    Problem problem = nullptr;
    const std::size_t key = FindKeyLine(text, WithoutEmptyNames(value.keyPath), problem);
    if (problem) return refuse(problem);
    if (key == text.size()) {
      values.emplace_back();
      continue;
    }
    const std::size_t end = KeyLineFrom(text, key + 1);
    HiveScan scan;
    if ((problem = ScanHivePart(text, key, end, scan))) return refuse(problem);
    const LineList block = LineList::Of(std::string_view(text).substr(key, end - key), false);
    const std::size_t at = FindValueLine(block, value.name);
    values.push_back(at == std::string::npos ? std::nullopt : std::optional<RegValue>(DecodeValue(block, at)));
  }
  return Status::Ok();
}

}  // namespace varnel

#pragma once
// What the hive tests share: the corpus hive files, a hive parsed (or the test failed), the
// text of a string value, and regedit text.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "testsupport/temp_dir.h"
#include "winenv/hive_file.h"

namespace varnel::test {

inline constexpr std::int64_t kHiveNow = 1700000000;  // its FILETIME is 1da1747c66d0000

inline std::string CorpusHive(const std::string& name) { return ReadFile(CorpusPath("wine-prefix/" + name)); }

// ASCII text as a regedit file holds it: UTF-16LE with its byte-order mark.
inline std::string Utf16Le(std::string_view ascii) {
  std::string bytes = "\xff\xfe";
  for (const char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

inline HiveFile MustParse(const std::string& text) {
  HiveFile hive;
  const Status parsed = HiveFile::Parse(text, hive);
  EXPECT_TRUE(parsed.ok()) << parsed.message;
  return hive;
}

inline std::u16string TextOf(const std::optional<RegValue>& value) {
  if (!value) return u"<none>";
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value->data.size(); i += 2)
    text += char16_t(value->data[i] | value->data[i + 1] << 8);
  return text;
}

}  // namespace varnel::test

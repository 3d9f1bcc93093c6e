#include "winenv/hive_lookup.h"

#include <gtest/gtest.h>

#include "testsupport/hive_test_support.h"
#include "testsupport/temp_dir.h"
#include "winenv/hive_syntax.h"

namespace varnel {
namespace {

// Every key of the real hive, found by halving, holds what the whole parse finds in it (its
// default value, and one named value); keys that are not there have nothing.
TEST(HiveLookup, FindsEveryKeyOfARealHiveAsTheWholeParseDoes) {
  const std::string text = test::CorpusHive("system.reg");
  const HiveFile hive = test::MustParse(text);
  std::vector<HiveValueName> wanted;
  for (std::size_t at = text.find("\n["); at != std::string::npos; at = text.find("\n[", at + 1)) {
    std::u16string path;
    const std::size_t end = text.find('\n', at + 1);
    ASSERT_EQ(hive::ReadKeyLine(hive::ContentOf(text.substr(at + 1, end - at)), &path), nullptr);
    wanted.push_back({path, u""});
    wanted.push_back({path, u"Version"});
  }
  ASSERT_GT(wanted.size(), 1000u);
  wanted.push_back({u"Software\\No such key", u""});
  wanted.push_back({u"", u""});
  wanted.push_back({u"SOFTWARE\\CLASSES\\HTTP\\SHELL\\OPEN\\COMMAND", u""});  // without case

  test::TempDir dir;
  test::WriteFile(dir / "system.reg", text);
  std::vector<std::optional<RegValue>> values;
  ASSERT_TRUE(LookUpHiveValues(dir / "system.reg", wanted, values).ok());
  ASSERT_EQ(values.size(), wanted.size());
  std::size_t found = 0;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    EXPECT_EQ(values[i], hive.GetValue(wanted[i].keyPath, wanted[i].name)) << AnsiFromUtf16(wanted[i].keyPath);
    found += values[i].has_value();
  }
  EXPECT_GT(found, 100u);
  EXPECT_TRUE(values.back().has_value());
}

// What is not a hive, or a key line met on the way that does not parse, fails naming the file;
// a line elsewhere that does not parse is not looked at.
TEST(HiveLookup, RefusesWhatItMeetsThatDoesNotParse) {
  test::TempDir dir;
  std::vector<std::optional<RegValue>> values;
  const std::vector<HiveValueName> wanted = {{u"B", u""}};
  test::WriteFile(dir / "not.reg", "REGEDIT4\n[B]\n@=\"b\"\n");
  Status status = LookUpHiveValues(dir / "not.reg", wanted, values);
  EXPECT_EQ(status.code, errc::kPathFileAccess);
  EXPECT_NE(status.message.find(dir / "not.reg"), std::string::npos);

  test::WriteFile(dir / "broken.reg", "WINE REGISTRY Version 2\n\n[A] 1\n@=\"a\"\n\n[B] 1\n@=\"b\n");  // unterminated
  EXPECT_EQ(LookUpHiveValues(dir / "broken.reg", wanted, values).code, errc::kPathFileAccess);
  test::WriteFile(dir / "elsewhere.reg",
                  "WINE REGISTRY Version 2\n\n[A] 1\n@=\"a\"\n\n[B] 1\n@=\"b\"\n\n[C] 1\n@=\"c\n");
  ASSERT_TRUE(LookUpHiveValues(dir / "elsewhere.reg", wanted, values).ok());
  EXPECT_EQ(values[0], RegValue::String(u"b"));
  EXPECT_EQ(LookUpHiveValues(dir / "missing.reg", wanted, values).code, errc::kFileNotFound);
}

}  // namespace
}  // namespace varnel

// Deleting one registry value: in the hive file, through the registry, and as a regedit line
// with its read-back when Wine holds the registry.
#include <gtest/gtest.h>

#include "testsupport/hive_test_support.h"

#include "testsupport/temp_dir.h"
#include "winenv/hive_file.h"
#include "winenv/registry.h"
#include "winenv/wine_registry.h"

namespace varnel {
namespace {

TEST(HiveValueDelete, RemovesOnlyThatValueAndListsTheRestInFileOrder) {
  const std::string text =
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
      "[Software\\\\K] 1\n#time=1\n@=\"default\"\n\"Bin\"=hex:01,02,\\\n  03\n\"url1\"=\"a\"\n\n"
      "[Software\\\\K\\\\Sub] 1\n\"x\"=dword:00000001\n";
  HiveFile hive;
  ASSERT_TRUE(HiveFile::Parse(text, hive).ok());
  EXPECT_EQ(hive.ValueNames(u"software\\k"), (std::vector<std::u16string>{u"", u"Bin", u"url1"}));
  EXPECT_TRUE(hive.DeleteValue(u"Software\\K", u"bin", 100));  // the continued hex lines go with it
  EXPECT_FALSE(hive.DeleteValue(u"Software\\K", u"bin", 100));
  EXPECT_FALSE(hive.DeleteValue(u"Software\\None", u"", 100));
  EXPECT_EQ(hive.ValueNames(u"Software\\K"), (std::vector<std::u16string>{u"", u"url1"}));
  EXPECT_EQ(hive.GetValue(u"Software\\K", u"url1"), RegValue::String(u"a"));
  EXPECT_EQ(hive.GetValue(u"Software\\K\\Sub", u"x")->type, kRegDword);
  HiveFile again;
  ASSERT_TRUE(HiveFile::Parse(hive.Serialize(), again).ok());
  EXPECT_EQ(again.ValueNames(u"Software\\K"), (std::vector<std::u16string>{u"", u"url1"}));
  EXPECT_TRUE(again.DeleteValue(u"Software\\K", u"", 100));
  EXPECT_TRUE(again.KeyExists(u"Software\\K"));  // the key stays, with no value left but url1
  EXPECT_TRUE(hive.ValueNames(u"Software\\K\\Sub\\Missing").empty());
}

TEST(RegistryValueDelete, IsSavedAndAMissingValueIsNothingToDo) {
  test::TempPrefix prefix;
  {
    Registry registry(prefix.path());
    ASSERT_TRUE(registry.SetValue(Hive::CurrentUser, "Software\\K", "a", RegValue::String(u"1")).ok());
    ASSERT_TRUE(registry.SetValue(Hive::CurrentUser, "Software\\K", "b", RegValue::String(u"2")).ok());
    ASSERT_TRUE(registry.DeleteValue(Hive::CurrentUser, "Software\\K", "A").ok());
    EXPECT_TRUE(registry.DeleteValue(Hive::CurrentUser, "Software\\K", "missing").ok());
    EXPECT_TRUE(registry.DeleteValue(Hive::CurrentUser, "Software\\None", "x").ok());
  }
  Registry reread(prefix.path());
  EXPECT_EQ(reread.ValueNames(Hive::CurrentUser, "Software\\K"), (std::vector<std::string>{"b"}));
  EXPECT_FALSE(reread.QueryValue(Hive::CurrentUser, "Software\\K", "a").has_value());

  // A broken hive is no "nothing to do": the deletion fails.
  test::WriteFile(prefix.native("user.reg"), "not a hive\n");
  Registry broken(prefix.path());
  EXPECT_FALSE(broken.DeleteValue(Hive::CurrentUser, "Software\\K", "b").ok());
}

TEST(RegeditFile, DeletesAValueWithEqualsMinusAndReadsItBackAsAbsent) {
  const RegistryEdit unnamed = RegistryEdit::DeleteValue(Hive::ClassesRoot, "http\\shell\\open\\command", "");
  const RegistryEdit named = RegistryEdit::DeleteValue(Hive::CurrentUser, "Software\\K", "url1");
  EXPECT_EQ(RegeditFile({unnamed, named}),
            test::Utf16Le("Windows Registry Editor Version 5.00\r\n"
                          "\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\http\\shell\\open\\command]\r\n@=-\r\n"
                          "\r\n[HKEY_CURRENT_USER\\Software\\K]\r\n\"url1\"=-\r\n"));
  const std::string script = ReadBackScript({unnamed, named});
  EXPECT_NE(script.find("check(0, function () { return !queried(\"reg query \\u0022HKLM\\u005cSoftware\\u005cClasses"
                        "\\u005chttp\\u005cshell\\u005copen\\u005ccommand\\u0022 /ve\"); });"),
            std::string::npos)
      << script;
  EXPECT_NE(script.find("/v \\u0022url1\\u0022\"); });"), std::string::npos) << script;

  // A value deleted and then set again is checked as set; a value set and then deleted as absent;
  // a deleted value does not count as its key deleted.
  const RegistryEdit set = RegistryEdit::SetValue(Hive::CurrentUser, "Software\\K", "url1", RegValue::String(u"x"));
  const std::string setLast = ReadBackScript({named, set});
  EXPECT_EQ(setLast.find("check(0,"), std::string::npos);
  EXPECT_NE(setLast.find("check(1,"), std::string::npos);
  const std::string deletedLast = ReadBackScript({set, named});
  EXPECT_EQ(deletedLast.find("check(0,"), std::string::npos);
  const RegistryEdit other = RegistryEdit::SetValue(Hive::CurrentUser, "Software\\K", "url2", RegValue::String(u"y"));
  EXPECT_NE(ReadBackScript({other, named}).find("check(0,"), std::string::npos);
}

}  // namespace
}  // namespace varnel

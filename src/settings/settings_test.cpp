#include "settings/settings.h"

#include <gtest/gtest.h>

#include "settings/registry_access.h"
#include "testsupport/expect_ok.h"
#include "testsupport/temp_dir.h"
#include "winenv/code_page.h"

namespace varnel {
namespace {

TEST(RegistryAccessTest, ReadsOnlyStringValuesAndFallsBackToTheDefault) {
  test::TempPrefix prefix;
  Registry registry(prefix.path());
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\Nothing", "", "dflt"), "dflt");

  RegValue expand = RegValue::String(u"%SystemRoot%");
  expand.type = kRegExpandSz;
  test::ExpectOk(registry.SetValue(Hive::LocalMachine, "Software\\T", "expand", expand));
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\T", "expand", "dflt"), "dflt");

  RegValue dword{kRegDword, {1, 0, 0, 0}};
  test::ExpectOk(registry.SetValue(Hive::LocalMachine, "Software\\T", "number", dword));
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\T", "number", "dflt"), "dflt");

  RegValue embeddedNul = RegValue::String(std::u16string(u"ab\0cd", 5));
  test::ExpectOk(registry.SetValue(Hive::LocalMachine, "Software\\T", "nul", embeddedNul));
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\T", "nul", "dflt"), "ab");
}

TEST(RegistryAccessTest, WriteCreatesParentsAndStoresTextExactly) {
  test::TempPrefix prefix;
  Registry registry(prefix.path());
  test::ExpectOk(
      WriteRegistryString(registry, Hive::LocalMachine, "Software\\Deep\\Er\\Key", "", "c:\\program files\\netscape"));
  EXPECT_TRUE(registry.KeyExists(Hive::LocalMachine, "Software\\Deep"));
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\Deep\\Er\\Key", "", ""),
            "c:\\program files\\netscape");
  // 1252 text survives the trip through the hive's UTF-16.
  test::ExpectOk(WriteRegistryString(registry, Hive::LocalMachine, "Software\\Deep", "name", "caf\xe9 \x80 \"q\""));
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\Deep", "name", ""), "caf\xe9 \x80 \"q\"");
  // An empty text is an existing, empty REG_SZ value.
  test::ExpectOk(WriteRegistryString(registry, Hive::LocalMachine, "Software\\Deep", "empty", ""));
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\Deep", "empty", "dflt"), "");
  EXPECT_NE(test::ReadFile(prefix.native("system.reg")).find("\"empty\"=\"\"\n"), std::string::npos);
}

// A broken hive is never written: each write and delete says so, and the read gives the default.
TEST(RegistryAccessTest, ABrokenHiveRefusesEveryWrite) {
  test::TempPrefix prefix;
  test::WriteFile(prefix.native("system.reg"), "garbage");
  Registry registry(prefix.path());
  EXPECT_FALSE(WriteRegistryString(registry, Hive::LocalMachine, "Software\\Varnel\\NetPath", "", "c:\\").ok());
  EXPECT_FALSE(DeleteRegistryKey(registry, Hive::LocalMachine, "Software\\Varnel\\NetPath").ok());
  EXPECT_EQ(DeleteRegistryKey(registry, Hive::CurrentUser, "Software\\Missing").code, errc::kFileNotFound);
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\Varnel\\NetPath", "", "x"), "x");
  EXPECT_EQ(test::ReadFile(prefix.native("system.reg")), "garbage");
}

TEST(SettingsTest, EachSettingIsTheUnnamedValueOfItsOwnKey) {
  test::TempPrefix prefix;
  Registry registry(prefix.path());
  for (Setting s : kAllSettings) EXPECT_EQ(ReadSetting(registry, s), "");
  test::ExpectOk(WriteSetting(registry, Setting::NetLAU, "c:\\program files\\netscape\\users\\default"));
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\Varnel\\NetLAU", "", ""),
            "c:\\program files\\netscape\\users\\default");
  EXPECT_EQ(SettingKey(Setting::IEfav), "Software\\Varnel\\IEfav");
  EXPECT_EQ(SettingByName("ieFAV"), Setting::IEfav);
  EXPECT_FALSE(SettingByName("Other"));
  EXPECT_NE(test::ReadFile(prefix.native("system.reg")).find("[Software\\\\Varnel\\\\NetLAU] "), std::string::npos);
}

}  // namespace
}  // namespace varnel

#include "defaultbrowser/default_browser.h"

#include <gtest/gtest.h>

#include "settings/registry_access.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

class DefaultBrowserTest : public ::testing::Test {
 protected:
  std::string Classes(const std::string& key) {
    return ReadRegistryString(registry_, Hive::ClassesRoot, key, "", "<none>");
  }
  test::TempPrefix prefix_{true};
  Registry registry_{prefix_.path()};
};

TEST_F(DefaultBrowserTest, DetectionLooksOnlyAtTheHttpDdeApplication) {
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::InternetExplorer);  // missing key
  for (const char* netscape : {"NSShell", "nsshell", "NSSHELL"}) {
    test::ExpectOk(
        WriteRegistryString(registry_, Hive::ClassesRoot, "http\\shell\\open\\ddeexec\\Application", "", netscape));
    EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::Netscape) << netscape;
  }
  for (const char* other : {"IExplore", "", "NSShell2"}) {
    test::ExpectOk(
        WriteRegistryString(registry_, Hive::ClassesRoot, "HTTP\\shell\\open\\ddeexec\\application", "", other));
    EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::InternetExplorer) << other;
  }
  EXPECT_STREQ(DefaultBrowserCaption(Browser::Netscape), "Netscape is the default browser, Click IE icon to change");
  EXPECT_STREQ(DefaultBrowserCaption(Browser::InternetExplorer),
               "IE is the default browser, Click Netscape icon to change");
}

TEST_F(DefaultBrowserTest, SwitchingBothWaysWritesEveryRowAndIsDetectedAfterReload) {
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "c:\\program files\\netscape"));
  test::ExpectOk(WriteSetting(registry_, Setting::IEPath, "c:\\program files\\Internet Explorer"));

  ASSERT_TRUE(MakeDefault(registry_, Browser::Netscape).ok());
  {
    Registry reloaded(prefix_.path());
    EXPECT_EQ(DetectDefaultBrowser(reloaded), Browser::Netscape);
  }
  for (const AssociationRow& row : NetscapeAssociations("c:\\program files\\netscape"))
    EXPECT_EQ(Classes(row.key), row.data) << row.key;
  EXPECT_EQ(Classes("ftp\\shell\\open\\ddeexec\\application"), "NSShell");  // row 2 written as "fTP"
  EXPECT_EQ(Classes("http\\shell\\open\\command"),
            "\"c:\\program files\\netscape\\COMMUNICATOR\\PROGRAM\\NETSCAPE.EXE\" -h \"%1\"");
  EXPECT_EQ(Classes("http\\DefaultIcon"), "c:\\program files\\netscape\\COMMUNICATOR\\PROGRAM\\NETSCAPE.EXE,0");
  EXPECT_EQ(Classes(".htm"), "NetscapeMarkup");
  EXPECT_EQ(Classes("gopher\\shell\\open\\ddeexec"), "%1");

  ASSERT_TRUE(MakeDefault(registry_, Browser::InternetExplorer).ok());
  Registry reloaded(prefix_.path());
  EXPECT_EQ(DetectDefaultBrowser(reloaded), Browser::InternetExplorer);
  for (const AssociationRow& row : IEAssociations("c:\\program files\\Internet Explorer"))
    EXPECT_EQ(Classes(row.key), row.data) << row.key;
  EXPECT_EQ(Classes("HTTPS\\shell\\open\\command"), "\"c:\\program files\\Internet Explorer\\iexplore.exe\" -nohome");
  EXPECT_EQ(Classes("http\\shell\\open\\ddeexec"), "\"%1\", , -1, , , , ,");
  EXPECT_EQ(Classes("https\\DefaultIcon"), "c:\\windows\\system\\url.dll,0");
  EXPECT_EQ(Classes(".html"), "htmlfile");
}

TEST_F(DefaultBrowserTest, TheTablesShareKeysAndOrderButForRowTwosCase) {
  AssociationTable ie = IEAssociations("D");
  AssociationTable ns = NetscapeAssociations("D");
  for (std::size_t i = 0; i < ie.size(); ++i) {
    if (i == 1) continue;
    EXPECT_EQ(ie[i].key, ns[i].key) << i;
  }
  EXPECT_EQ(ie[1].key, "ftp\\shell\\open\\ddeexec\\application");
  EXPECT_EQ(ns[1].key, "fTP\\shell\\open\\ddeexec\\application");
  // The directory is joined to the literal without adding or removing anything.
  EXPECT_EQ(ns[14].data, "D\\COMMUNICATOR\\PROGRAM\\NETSCAPE.EXE,0");
  EXPECT_EQ(ie[4].data, "\"D\\iexplore.exe\" -nohome");
}

TEST_F(DefaultBrowserTest, AnEmptyDirectorySettingRefusesTheSwitchAndWritesNothing) {
  const std::string before = test::ReadFile(prefix_.native("system.reg"));
  Status s = MakeDefault(registry_, Browser::Netscape);
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.message, MissingDirectoryMessage(Browser::Netscape));
  EXPECT_FALSE(MakeDefault(registry_, Browser::InternetExplorer).ok());
  EXPECT_EQ(test::ReadFile(prefix_.native("system.reg")), before);
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "c:\\netscape"));
  EXPECT_TRUE(MakeDefault(registry_, Browser::Netscape).ok());
}

TEST_F(DefaultBrowserTest, OnlyTheListedDefaultValuesChange) {
  test::ExpectOk(WriteSetting(registry_, Setting::IEPath, "c:\\ie"));
  const std::string contentType = ReadRegistryString(registry_, Hive::ClassesRoot, ".htm", "Content Type", "");
  ASSERT_EQ(contentType, "text/html");
  ASSERT_TRUE(MakeDefault(registry_, Browser::InternetExplorer).ok());
  EXPECT_EQ(ReadRegistryString(registry_, Hive::ClassesRoot, ".htm", "Content Type", ""), contentType);
}

}  // namespace
}  // namespace varnel

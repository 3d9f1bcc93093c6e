#include "cli/history_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "history/typed_urls.h"
#include "settings/registry_access.h"
#include "settings/settings.h"
#include "testsupport/temp_dir.h"
#include "testsupport/expect_ok.h"

namespace varnel {
namespace {

class HistoryCommandTest : public ::testing::Test {
 protected:
  HistoryCommandTest() {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/jane");
    test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url1", "http://ie/caf\xe9"));
  }
  int Run(std::vector<std::string> args, bool json = false) {
    out_.str("");
    err_.str("");
    CommandContext context{registry_, drives_, out_, err_, std::move(args), json};
    return HistoryCommand(context);
  }
  std::string Native(const std::string& name) const {
    return prefix_.native("drive_c/Program Files/Netscape/Users/jane/" + name);
  }

  static constexpr const char* kProfile = "c:\\program files\\netscape\\users\\jane";
  test::TempPrefix prefix_;
  Registry registry_{prefix_.path()};
  DriveMap drives_{prefix_.path()};
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(HistoryCommandTest, ListsBothHistoriesWithoutMakingAWorkingCopy) {
  test::WriteFile(Native("prefs.js"),
                  "// Netscape User Preferences\r\n"
                  "user_pref(\"browser.url_history.URL_1\", \"http://a/?q=\\\"x\\\"\");\r\n"
                  "user_pref(\"mail.identity.username\", \"Jane\");\r\n");
  test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));
  ASSERT_EQ(Run({}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "Netscape (c:\\program files\\netscape\\users\\jane\\prefs.js):\n"
            "  \"http://a/?q=\\\"x\\\"\");\n"
            "Internet Explorer (TypedURLs):\n"
            "  http://ie/caf\xc3\xa9\n");
  EXPECT_FALSE(std::filesystem::exists(Native("test.js")));

  ASSERT_EQ(Run({"--profile", kProfile}, true), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "{\"profile\": \"c:\\\\program files\\\\netscape\\\\users\\\\jane\", "
            "\"netscape\": [\"\\\"http://a/?q=\\\\\\\"x\\\\\\\"\\\");\"], \"ie\": [\"http://ie/caf\xc3\xa9\"]}\n");
}

TEST_F(HistoryCommandTest, FailuresAreExplained) {
  EXPECT_EQ(Run({}), 1);  // no --profile and no NetLAU
  EXPECT_NE(err_.str().find("NetLAU"), std::string::npos);
  EXPECT_EQ(out_.str(), "");

  // A missing prefs.js: Internet Explorer's list is still printed.
  EXPECT_EQ(Run({"--profile", kProfile}), 1);
  EXPECT_NE(err_.str().find("Netscape preference file not found in this directory"), std::string::npos);
  EXPECT_NE(out_.str().find("  http://ie/caf\xc3\xa9\n"), std::string::npos);

  EXPECT_EQ(Run({"--profile"}), 2);
  EXPECT_EQ(Run({"extra"}), 2);
}

}  // namespace
}  // namespace varnel

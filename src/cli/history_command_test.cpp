#include "cli/history_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "history/typed_urls.h"
#include "settings/registry_access.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/session_fixture.h"
#include "testsupport/temp_dir.h"
#include "winenv/registry.h"

namespace varnel {
namespace {

class HistoryCommandTest : public test::SessionFixture {
 protected:
  HistoryCommandTest() {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/jane");
    test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url1", "http://ie/caf\xe9"));
  }
  int Run(std::vector<std::string> args, bool json = false, bool terminal = false) {
    return SessionFixture::Run(HistoryCommand, std::move(args), json, terminal);
  }
  std::string Native(const std::string& name) const {
    return prefix_.native("drive_c/Program Files/Netscape/Users/jane/" + name);
  }

  static constexpr const char* kProfile = "c:\\program files\\netscape\\users\\jane";
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

const std::string kTwoAddresses =
    "user_pref(\"browser.url_history.URL_1\", \"http://a/\");\r\n"
    "user_pref(\"mail.identity.username\", \"Jane\");\r\n"
    "user_pref(\"browser.url_history.URL_2\", \"http://b/\");\r\n";

TEST_F(HistoryCommandTest, RemoveAndClearSayWhatWentAndSave) {
  test::WriteFile(Native("prefs.js"), kTwoAddresses);
  test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url2", "http://ie/2"));
  test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));

  ASSERT_EQ(Run({"remove", "netscape", "http://b/", "--dry-run"}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "Would remove from Netscape (c:\\program files\\netscape\\users\\jane\\prefs.js):\n"
            "  \"http://b/\");\n");
  EXPECT_EQ(test::ReadFile(Native("prefs.js")), kTwoAddresses);
  EXPECT_FALSE(std::filesystem::exists(Native("test.js")));

  ASSERT_EQ(Run({"remove", "netscape", "http://b/"}, true), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "{\"profile\": \"c:\\\\program files\\\\netscape\\\\users\\\\jane\", \"dry_run\": false, "
            "\"removed\": {\"netscape\": [\"\\\"http://b/\\\");\"]}}\n");
  EXPECT_EQ(test::ReadFile(Native("prefs.js")),
            "user_pref(\"mail.identity.username\", \"Jane\");\r\n"
            "user_pref(\"browser.url_history.URL_1\", \"http://a/\");\r\n");

  // Internet Explorer's addresses need no profile; the address is given as the terminal's UTF-8.
  ASSERT_EQ(Run({"remove", "ie", "http://ie/caf\xc3\xa9", "--profile", "c:\\nowhere"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "Removed from Internet Explorer (TypedURLs):\n  http://ie/caf\xc3\xa9\n");
  std::vector<std::string> ie;
  ReadTypedUrls(registry_, [&](const std::string& item) { ie.push_back(item); });
  EXPECT_EQ(ie, std::vector<std::string>{"http://ie/2"});

  ASSERT_EQ(Run({"clear", "both", "--profile=" + std::string(kProfile)}, true), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "{\"profile\": \"c:\\\\program files\\\\netscape\\\\users\\\\jane\", \"dry_run\": false, "
            "\"removed\": {\"netscape\": [\"\\\"http://a/\\\");\"], \"ie\": [\"http://ie/2\"]}}\n");
  EXPECT_FALSE(registry_.KeyExists(Hive::CurrentUser, kTypedUrlsKey));
  EXPECT_EQ(test::ReadFile(Native("prefs.js")), "user_pref(\"mail.identity.username\", \"Jane\");\r\n");
  ASSERT_EQ(Run({"clear", "ie"}, true), 0);
  EXPECT_EQ(out_.str(), "{\"profile\": null, \"dry_run\": false, \"removed\": {\"ie\": []}}\n");
}

TEST_F(HistoryCommandTest, EditMistakesAndFailuresChangeNothing) {
  test::WriteFile(Native("prefs.js"), kTwoAddresses);
  test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));
  EXPECT_EQ(Run({"remove", "netscape", "http://a/", "http://gone/"}), 1);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(),
            "varnel: not in the Netscape history of c:\\program files\\netscape\\users\\jane\\prefs.js: "
            "http://gone/\nvarnel: nothing was changed\n");
  EXPECT_EQ(Run({"remove", "ie", "http://a/"}), 1);
  EXPECT_NE(err_.str().find("not in Internet Explorer's typed addresses: http://a/"), std::string::npos);
  EXPECT_EQ(test::ReadFile(Native("prefs.js")), kTwoAddresses);
  EXPECT_FALSE(std::filesystem::exists(Native("test.js")));

  for (const std::vector<std::string>& wrong :
       std::vector<std::vector<std::string>>{{"remove", "netscape"},
                                             {"remove", "both", "http://a/"},
                                             {"clear"},
                                             {"clear", "all"},
                                             {"clear", "ie", "http://a/"},
                                             {"clear", "ie", "--dry-run=yes"},
                                             {"remove", "ie", "--force", "x"}}) {
    EXPECT_EQ(Run(wrong), 2) << wrong.back();
    EXPECT_FALSE(err_.str().empty());
  }
  EXPECT_NE(err_.str().find("--profile WINPATH --dry-run (and --json)"), std::string::npos) << err_.str();

  std::filesystem::remove(Native("prefs.js"));
  EXPECT_EQ(Run({"clear", "both"}), 1);
  EXPECT_NE(err_.str().find("Netscape preference file not found in this directory"), std::string::npos);
  EXPECT_NE(registry_.QueryValue(Hive::CurrentUser, kTypedUrlsKey, "url1"), std::nullopt);
}

// On a terminal an entry's control characters are shown escaped, in the listing and in messages;
// to a pipe the bytes are passed on.
TEST_F(HistoryCommandTest, ControlCharactersReachATerminalEscaped) {
  test::WriteFile(Native("prefs.js"),
                  "user_pref(\"browser.url_history.URL_1\", \"http://a/\x1b]0;owned\x07\x1b[2J\");\r\n");
  test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url1",
                                     "http://ie/\x9b"
                                     "1m\x0a  fake"));
  ASSERT_EQ(Run({"--profile", kProfile}, false, true), 0);
  EXPECT_EQ(out_.str(),
            "Netscape (c:\\program files\\netscape\\users\\jane\\prefs.js):\n"
            "  \"http://a/\\x1b]0;owned\\x07\\x1b[2J\");\n"
            "Internet Explorer (TypedURLs):\n"
            "  http://ie/\xe2\x80\xba"
            "1m\\x0a  fake\n");
  EXPECT_EQ(Run({"remove", "ie", "\x1b[2J", "--profile", kProfile}, false, true), 1);
  EXPECT_NE(err_.str().find(": \\x1b[2J\n"), std::string::npos) << err_.str();
  ASSERT_EQ(Run({"--profile", kProfile}), 0);
  EXPECT_NE(out_.str().find("  http://ie/\xe2\x80\xba"
                            "1m\n  fake\n"),
            std::string::npos);
}

}  // namespace
}  // namespace varnel

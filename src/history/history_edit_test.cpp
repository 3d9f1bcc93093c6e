#include "history/history_edit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "history/typed_urls.h"
#include "settings/registry_access.h"
#include "testsupport/expect_ok.h"
#include "testsupport/scripted_prompt.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;
using L = HistoryList;

// prefs.js as Netscape 4 writes it: the header, preferences sorted by name with the history in
// their midst, strings escaped, CR LF.
const std::string kPrefs =
    "// Netscape User Preferences\r\n"
    "// This is a generated file!  Do not edit.\r\n"
    "\r\n"
    "user_pref(\"browser.startup.homepage\", \"http://home.netscape.com/\");\r\n"
    "user_pref(\"browser.url_history.URL_1\", \"http://www.example.com/\");\r\n"
    "user_pref(\"browser.url_history.URL_2\", \"file:///C|/My Documents/Caf\xe9 \\\"Menu\\\".html\");\r\n"
    "user_pref(\"browser.url_history.URL_3\", \"http://search.example.com/find?q=a,b\");\r\n"
    "user_pref(\"browser.url_history.URL_4\", \"http://www.example.com/\");\r\n"
    "user_pref(\"mail.identity.username\", \"Jane Doe\");\r\n";

// The typed addresses as Wine itself keeps them in user.reg: escaped quotes and backslashes,
// characters beyond ASCII as \x escapes (four digits when a hex digit follows), a time line.
const std::string kWineTypedUrls =
    "[Software\\\\Microsoft\\\\Internet Explorer\\\\TypedURLs] 1796624900\n"
    "#time=1dd8613ff3c0400\n"
    "\"url1\"=\"http://www.winehq.org/\"\n"
    "\"url2\"=\"file:///C:/users/root/Caf\\xe9 \\\"menu\\\".html\"\n"
    "\"url3\"=\"C:\\\\temp\\\\x\\x00e91.htm\"\n"
    "\"url4\"=\"http://a/\"\n"
    "\n";
const std::vector<std::string> kWineItems = {"http://www.winehq.org/", "file:///C:/users/root/Caf\xe9 \"menu\".html",
                                             "C:\\temp\\x\xe9"
                                             "1.htm",
                                             "http://a/"};

class HistoryEditTest : public ::testing::Test {
 protected:
  HistoryEditTest() {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
    test::WriteFile(Native("prefs.js"), kPrefs);
    std::string hive = test::ReadFile(prefix_.native("user.reg"));
    hive.insert(hive.find("[Software\\\\Microsoft\\\\Protected Storage"), kWineTypedUrls);
    test::WriteFile(prefix_.native("user.reg"), hive);
  }
  std::string Native(const std::string& name) const {
    return prefix_.native("drive_c/Program Files/Netscape/Users/default/" + name);
  }
  std::vector<std::string> TypedUrls() {
    std::vector<std::string> items;
    ReadTypedUrls(registry_, [&](const std::string& item) { items.push_back(item); });
    return items;
  }
  HistoryEditResult Edit(HistoryChoice which, std::vector<std::string> addresses, bool dryRun = false) {
    HistoryEditRequest request{which, kProfile, addresses.empty(), std::move(addresses), dryRun};
    NetscapeWorkingCopy workingCopy;
    HistoryEditResult result = EditHistories(workingCopy, drives_, registry_, nullptr, request);
    workingCopy.CloseAll();
    return result;
  }
  // What the main window's save writes after the right button took out the items at `rows`.
  std::string WindowSavedPrefs(HistoryList list, std::vector<int> rows) {
    test::ScriptedPrompt prompt;
    prompt.answers = {true};
    HistoryLists window(drives_, registry_, prompt);
    EXPECT_TRUE(window.Open(kProfile));
    for (int row : rows) {
      window.Select(list, row);
      window.MouseDown(list, kRightButton);
    }
    EXPECT_EQ(window.Save(kProfile), SaveOutcome::Saved);
    window.CloseAll();
    return test::ReadFile(Native("prefs.js"));
  }

  // The profile as the user typed it: letter case differs from the folders on disk.
  static constexpr const char* kProfile = "C:\\PROGRAM FILES\\netscape\\Users\\DEFAULT";
  test::TempPrefix prefix_{true};
  DriveMap drives_{prefix_.path()};
  Registry registry_{prefix_.path()};
};

// The same bytes as the window's delete and save; every item with the address goes, the rest keep
// their order, the other preferences their place.
TEST_F(HistoryEditTest, RemovingFromNetscapeWritesWhatTheWindowsSaveWrites) {
  const std::string windowWrote = WindowSavedPrefs(L::Netscape, {3, 0});
  test::WriteFile(Native("prefs.js"), kPrefs);
  fs::remove(Native("test.js"));

  const HistoryEditResult result = Edit(HistoryChoice::Netscape, {"http://www.example.com/"});
  ASSERT_TRUE(result.ok()) << result.status.message;
  EXPECT_EQ(result.netscapeRemoved,
            (std::vector<std::string>{"\"http://www.example.com/\");", "\"http://www.example.com/\");"}));
  EXPECT_TRUE(result.ieRemoved.empty());
  const std::string prefs = test::ReadFile(Native("prefs.js"));
  EXPECT_EQ(prefs, windowWrote);
  EXPECT_EQ(prefs,
            "// Netscape User Preferences\r\n// This is a generated file!  Do not edit.\r\n\r\n"
            "user_pref(\"browser.startup.homepage\", \"http://home.netscape.com/\");\r\n"
            "user_pref(\"mail.identity.username\", \"Jane Doe\");\r\n"
            "user_pref(\"browser.url_history.URL_1\", \"file:///C|/My Documents/Caf\xe9 \\\"Menu\\\".html\");\r\n"
            "user_pref(\"browser.url_history.URL_2\", \"http://search.example.com/find?q=a,b\");\r\n");
  EXPECT_EQ(test::ReadFile(Native("test.js")), prefs);
  EXPECT_EQ(TypedUrls(), kWineItems);  // Internet Explorer's history is not touched

  // The bare address is what counts: escaped as in prefs.js, exact in letter case.
  ASSERT_TRUE(Edit(HistoryChoice::Netscape, {"file:///C|/My Documents/Caf\xe9 \\\"Menu\\\".html"}).ok());
  EXPECT_EQ(Edit(HistoryChoice::Netscape, {"HTTP://search.example.com/find?q=a,b"}).notFound.size(), 1u);
}

TEST_F(HistoryEditTest, RemovingFromInternetExplorerRewritesWinesTypedUrls) {
  const std::string prefs = test::ReadFile(Native("prefs.js"));
  const HistoryEditResult result = Edit(HistoryChoice::InternetExplorer, {kWineItems[1], "http://www.winehq.org/"});
  ASSERT_TRUE(result.ok()) << result.status.message;
  EXPECT_EQ(result.ieRemoved, (std::vector<std::string>{kWineItems[0], kWineItems[1]}));
  EXPECT_EQ(TypedUrls(), (std::vector<std::string>{kWineItems[2], kWineItems[3]}));
  EXPECT_FALSE(registry_.QueryValue(Hive::CurrentUser, kTypedUrlsKey, "url3"));
  // Written back in Wine's own escapes, and the rest of the corpus hive where it was.
  const std::string hive = test::ReadFile(prefix_.native("user.reg"));
  EXPECT_NE(hive.find("\"url1\"=\"C:\\\\temp\\\\x\\x00e91.htm\"\n\"url2\"=\"http://a/\"\n"), std::string::npos) << hive;
  EXPECT_NE(hive.find("\"Start Page\"=\"https://www.winehq.org\""), std::string::npos);
  EXPECT_EQ(test::ReadFile(Native("prefs.js")), prefs);
  EXPECT_FALSE(fs::exists(Native("test.js")));  // Netscape's history was not opened

  // Internet Explorer keeps 20: a save of a longer list drops the rest, and says so.
  for (std::size_t n = 1; n <= 25; ++n) {
    test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, TypedUrlValueName(n),
                                       "http://" + std::string(1, static_cast<char>('a' + n - 1)) + "/"));
  }
  const HistoryEditResult longer = Edit(HistoryChoice::InternetExplorer, {"http://c/"});
  ASSERT_TRUE(longer.ok());
  EXPECT_EQ(longer.ieRemoved,
            (std::vector<std::string>{"http://c/", "http://v/", "http://w/", "http://x/", "http://y/"}));
  EXPECT_EQ(TypedUrls().size(), 20u);
}

// An address in no entry, or a dry run: nothing is written at all, not even the working copy.
TEST_F(HistoryEditTest, AMissingAddressOrADryRunWritesNothing) {
  const std::string hive = test::ReadFile(prefix_.native("user.reg"));
  const HistoryEditResult missing = Edit(
      HistoryChoice::Netscape, {"http://www.example.com/", "http://nowhere/", "http://nowhere/", "\"http://a/\");"});
  EXPECT_EQ(missing.failedAt, HistoryEditStep::AddressesNotFound);
  EXPECT_EQ(missing.notFound, (std::vector<std::string>{"http://nowhere/", "\"http://a/\");"}));
  const HistoryEditResult ieMissing = Edit(HistoryChoice::InternetExplorer, {"http://www.example.com/"});
  EXPECT_EQ(ieMissing.notFound, std::vector<std::string>{"http://www.example.com/"});

  const HistoryEditResult dry = Edit(HistoryChoice::Both, {}, true);
  ASSERT_TRUE(dry.ok());
  EXPECT_EQ(dry.netscapeRemoved.size(), 4u);
  EXPECT_EQ(dry.ieRemoved, kWineItems);

  EXPECT_EQ(test::ReadFile(Native("prefs.js")), kPrefs);
  EXPECT_EQ(test::ReadFile(prefix_.native("user.reg")), hive);
  EXPECT_FALSE(fs::exists(Native("test.js")));
}

TEST_F(HistoryEditTest, ClearingEmptiesBothAndAnEmptyHistoryIsLeftAlone) {
  const HistoryEditResult cleared = Edit(HistoryChoice::Both, {});
  ASSERT_TRUE(cleared.ok()) << cleared.status.message;
  EXPECT_EQ(test::ReadFile(Native("prefs.js")),
            "// Netscape User Preferences\r\n// This is a generated file!  Do not edit.\r\n\r\n"
            "user_pref(\"browser.startup.homepage\", \"http://home.netscape.com/\");\r\n"
            "user_pref(\"mail.identity.username\", \"Jane Doe\");\r\n");
  EXPECT_FALSE(registry_.KeyExists(Hive::CurrentUser, kTypedUrlsKey));

  // Nothing left to remove: neither file is written again.
  fs::remove(Native("test.js"));
  const auto prefsTime = fs::last_write_time(Native("prefs.js"));
  const std::string hive = test::ReadFile(prefix_.native("user.reg"));
  const HistoryEditResult again = Edit(HistoryChoice::Both, {});
  ASSERT_TRUE(again.ok());
  EXPECT_TRUE(again.netscapeRemoved.empty() && again.ieRemoved.empty());
  EXPECT_EQ(fs::last_write_time(Native("prefs.js")), prefsTime);
  EXPECT_FALSE(fs::exists(Native("test.js")));
  EXPECT_EQ(test::ReadFile(prefix_.native("user.reg")), hive);
}

// A prefs.js that is missing or read-only stops the edit before anything is written: Internet
// Explorer's half, which comes second, is not touched either.
TEST_F(HistoryEditTest, AMissingOrReadOnlyPrefsFileChangesNothing) {
  const std::string hive = test::ReadFile(prefix_.native("user.reg"));
  ASSERT_EQ(chmod(Native("prefs.js").c_str(), 0444), 0);
  const HistoryEditResult readOnly = Edit(HistoryChoice::Both, {});
  EXPECT_EQ(readOnly.failedAt, HistoryEditStep::Save);
  EXPECT_EQ(readOnly.save.failed, L::Netscape);
  EXPECT_EQ(readOnly.status.code, errc::kPermissionDenied);
  EXPECT_EQ(
      HistorySaveFailureText(readOnly.save).rfind("MRU not saved, prefs.js and IE's typed addresses were left", 0), 0u);
  EXPECT_EQ(test::ReadFile(Native("prefs.js")), kPrefs);
  EXPECT_EQ(fs::status(Native("prefs.js")).permissions() & fs::perms::all, fs::perms(0444));
  EXPECT_FALSE(fs::exists(Native("test.js")));
  EXPECT_EQ(test::ReadFile(prefix_.native("user.reg")), hive);

  fs::remove(Native("prefs.js"));
  const HistoryEditResult missing = Edit(HistoryChoice::Both, {});
  EXPECT_EQ(missing.failedAt, HistoryEditStep::NetscapeRead);
  EXPECT_EQ(missing.status.code, errc::kFileNotFound);
  EXPECT_EQ(test::ReadFile(prefix_.native("user.reg")), hive);
  EXPECT_FALSE(fs::exists(Native("test.js")));
  // Internet Explorer's history needs no prefs.js.
  EXPECT_TRUE(Edit(HistoryChoice::InternetExplorer, {"http://a/"}).ok());
}

TEST(EntryAddressTest, NetscapeItemsByTheirBareAddressInternetExplorerItemsWhole) {
  EXPECT_EQ(EntryAddress(HistoryList::Netscape, "\"http://a/\");"), "http://a/");
  EXPECT_EQ(EntryAddress(HistoryList::Netscape, "x\");"), "");
  EXPECT_EQ(EntryAddress(HistoryList::Netscape, "\");"), std::nullopt);
  EXPECT_EQ(EntryAddress(HistoryList::InternetExplorer, " http://a/ "), " http://a/ ");
}

}  // namespace
}  // namespace varnel

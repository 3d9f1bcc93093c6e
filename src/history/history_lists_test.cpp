#include "history/history_lists.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <filesystem>

#include "history/typed_urls.h"
#include "settings/registry_access.h"
#include "testsupport/expect_ok.h"
#include "testsupport/scripted_prompt.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

using L = HistoryList;
namespace text = history_text;

const std::string kHeader = "// Netscape User Preferences\r\n// This is a generated file!  Do not edit.\r\n\r\n";
const std::string kOther = "user_pref(\"browser.startup.homepage\", \"http://home.netscape.com/\");\r\n";

std::string HistoryLine(int n, const std::string& address) {
  return ComposeHistoryLine(n, "\"" + address + "\");") + "\r\n";
}

class HistoryListsTest : public ::testing::Test {
 protected:
  HistoryListsTest() {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
    WritePrefs(kHeader + HistoryLine(1, "http://a/") + kOther + HistoryLine(2, "http://b/"));
    PutTypedUrls({"http://ie1/", "http://ie2/"});
  }

  void WritePrefs(const std::string& bytes) { test::WriteFile(PrefsPath(), bytes); }
  std::string Prefs() const { return test::ReadFile(PrefsPath()); }
  std::string PrefsPath() const { return prefix_.native("drive_c/Program Files/Netscape/Users/default/prefs.js"); }
  void PutTypedUrls(const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      test::ExpectOk(
          WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, TypedUrlValueName(i + 1), values[i]));
    }
  }
  std::vector<std::string> TypedUrls() {
    std::vector<std::string> items;
    ReadTypedUrls(registry_, [&](const std::string& item) { items.push_back(item); });
    return items;
  }
  // Selects and deletes with the right button, as the user does.
  void Delete(L list, int index) {
    lists_.Select(list, index);
    lists_.MouseDown(list, kRightButton);
  }

  static constexpr std::string_view kProfile = "c:\\Program Files\\Netscape\\Users\\default";
  test::TempPrefix prefix_;
  DriveMap drives_{prefix_.path()};
  Registry registry_{prefix_.path()};
  test::ScriptedPrompt prompt_;  // every message box text, in order, and the Yes/No answers to give
  std::vector<std::string>& shown_ = prompt_.texts;
  std::deque<bool>& answers_ = prompt_.answers;
  std::vector<std::string> launched_;                 // addresses handed to the launcher
  std::vector<std::vector<std::string>> listsShown_;  // the Netscape list each time the window is told to show it
  std::size_t messagesBeforeListsShown_ = 0;
  HistoryLists lists_{drives_, registry_, prompt_,
                      HistoryWindow{[this](const std::string& a) { launched_.push_back(a); },
                                    [this] {
                                      listsShown_.push_back(lists_.items(L::Netscape));
                                      messagesBeforeListsShown_ = shown_.size();
                                    }}};
};

TEST_F(HistoryListsTest, OpenFillsBothListsAndSetsSaveCaption) {
  EXPECT_EQ(lists_.caption(), text::kClearBoth);
  EXPECT_TRUE(lists_.items(L::Netscape).empty());
  ASSERT_TRUE(lists_.Open(kProfile));
  EXPECT_EQ(lists_.items(L::Netscape), (std::vector<std::string>{"\"http://a/\");", "\"http://b/\");"}));
  EXPECT_EQ(lists_.items(L::InternetExplorer), (std::vector<std::string>{"http://ie1/", "http://ie2/"}));
  EXPECT_EQ(lists_.caption(), text::kSave);
  EXPECT_EQ(lists_.selection(L::InternetExplorer), -1);
  EXPECT_TRUE(shown_.empty());

  // Both histories empty: still "Save MRU".
  WritePrefs(kHeader);
  test::ExpectOk(registry_.DeleteKey(Hive::CurrentUser, kTypedUrlsKey));
  ASSERT_TRUE(lists_.Open(kProfile));
  EXPECT_EQ(lists_.caption(), text::kSave);
}

TEST_F(HistoryListsTest, CaptionFollowsTheMouseOnTheLists) {
  ASSERT_TRUE(lists_.Open(kProfile));
  Delete(L::Netscape, 0);  // one left: unchanged
  EXPECT_EQ(lists_.caption(), text::kSave);
  EXPECT_EQ(lists_.items(L::Netscape), std::vector<std::string>{"\"http://b/\");"});
  EXPECT_EQ(lists_.selection(L::Netscape), 0);  // the next one, for the next Delete

  lists_.Select(L::Netscape, -1);
  lists_.MouseDown(L::Netscape, kRightButton);  // nothing selected: nothing removed
  lists_.Select(L::Netscape, 0);
  lists_.MouseDown(L::Netscape, kRightButton | kLeftButton);  // not the right button alone
  EXPECT_EQ(lists_.items(L::Netscape).size(), 1u);

  Delete(L::Netscape, 0);
  EXPECT_EQ(lists_.caption(), text::kClearNet);
  lists_.MouseDown(L::InternetExplorer, kLeftButton);  // IE list not empty: unchanged
  EXPECT_EQ(lists_.caption(), text::kClearNet);
  Delete(L::InternetExplorer, 1);
  Delete(L::InternetExplorer, 0);
  EXPECT_EQ(lists_.caption(), text::kClearBoth);

  // The other way round, and a plain left press on an empty list.
  ASSERT_TRUE(lists_.Open(kProfile));
  Delete(L::InternetExplorer, 0);
  Delete(L::InternetExplorer, 0);
  EXPECT_EQ(lists_.caption(), text::kClearIe);
  lists_.MouseDown(L::Netscape, kLeftButton);
  EXPECT_EQ(lists_.caption(), text::kClearIe);
  WritePrefs(kHeader);
  ASSERT_TRUE(lists_.Open(kProfile));
  lists_.MouseDown(L::Netscape, kLeftButton);
  EXPECT_EQ(lists_.caption(), text::kClearNet);
  EXPECT_EQ(lists_.items(L::InternetExplorer).size(), 2u);
}

TEST_F(HistoryListsTest, AFailedOpenShowsItsMessageAndKeepsTheRest) {
  ASSERT_TRUE(lists_.Open(kProfile));
  lists_.MouseDown(L::Netscape, kLeftButton);
  Delete(L::InternetExplorer, 0);
  std::remove(PrefsPath().c_str());
  EXPECT_FALSE(lists_.Open(kProfile));
  EXPECT_EQ(shown_, std::vector<std::string>{"Netscape preference file not found in this directory"});
  EXPECT_TRUE(lists_.items(L::Netscape).empty());
  EXPECT_EQ(lists_.items(L::InternetExplorer), std::vector<std::string>{"http://ie2/"});  // not re-read
  EXPECT_EQ(lists_.caption(), text::kSave);

  // A history line ending at its first comma: the items before it stay in the list.
  Delete(L::InternetExplorer, 0);
  EXPECT_EQ(lists_.caption(), text::kClearBoth);
  WritePrefs(kHeader + HistoryLine(1, "http://a/") + "user_pref(\"browser.url_history.URL_2\",\r\n");
  EXPECT_FALSE(lists_.Open(kProfile));
  EXPECT_EQ(shown_.back(), "Error occured in Open MRU error number 5");
  EXPECT_EQ(lists_.items(L::Netscape), std::vector<std::string>{"\"http://a/\");"});
  // The window showed what the open left before the message went up.
  ASSERT_FALSE(listsShown_.empty());
  EXPECT_EQ(listsShown_.back(), std::vector<std::string>{"\"http://a/\");"});
  EXPECT_EQ(messagesBeforeListsShown_, shown_.size() - 1);
  EXPECT_TRUE(lists_.items(L::InternetExplorer).empty());
  EXPECT_EQ(lists_.caption(), text::kClearBoth);
}

TEST_F(HistoryListsTest, SavingTwoFilledListsOnlyWarnsThenWritesAndRereads) {
  std::vector<std::string> many;
  for (int i = 1; i <= 22; ++i) many.push_back(" http://ie" + std::to_string(i) + "/ ");
  PutTypedUrls(many);
  ASSERT_TRUE(lists_.Open(kProfile));
  Delete(L::Netscape, 0);
  EXPECT_EQ(lists_.Save(kProfile), SaveOutcome::Saved);
  EXPECT_EQ(shown_, std::vector<std::string>{std::string(text::kCloseBrowsersWarning)});
  EXPECT_EQ(Prefs(), kHeader + kOther + HistoryLine(1, "http://b/"));
  // Re-read: at most 20, without the blanks at their ends.
  ASSERT_EQ(lists_.items(L::InternetExplorer).size(), 20u);
  EXPECT_EQ(lists_.items(L::InternetExplorer)[19], "http://ie20/");
  EXPECT_EQ(lists_.items(L::Netscape), std::vector<std::string>{"\"http://b/\");"});
  EXPECT_EQ(lists_.caption(), text::kSave);
}

TEST_F(HistoryListsTest, ClearingAsksFirstAndNoChangesNothing) {
  const std::string prefsBefore = Prefs();
  ASSERT_TRUE(lists_.Open(kProfile));
  Delete(L::InternetExplorer, 0);
  Delete(L::InternetExplorer, 0);
  answers_ = {false};
  EXPECT_EQ(lists_.Save(kProfile), SaveOutcome::Declined);
  EXPECT_EQ(shown_, std::vector<std::string>{std::string(text::kClearQuestion)});
  EXPECT_EQ(Prefs(), prefsBefore);
  EXPECT_EQ(TypedUrls().size(), 2u);
  EXPECT_TRUE(lists_.items(L::InternetExplorer).empty());
  EXPECT_EQ(lists_.caption(), text::kClearIe);

  answers_ = {true};
  EXPECT_EQ(lists_.Save(kProfile), SaveOutcome::Saved);
  EXPECT_FALSE(registry_.KeyExists(Hive::CurrentUser, kTypedUrlsKey));
  EXPECT_EQ(Prefs(),
            prefsBefore.substr(0, kHeader.size()) + kOther + HistoryLine(1, "http://a/") + HistoryLine(2, "http://b/"));
  EXPECT_EQ(lists_.caption(), text::kSave);
}

TEST_F(HistoryListsTest, ASaveWithoutAnOpenLeavesBothHistoriesAsTheyWere) {
  const std::string prefsBefore = Prefs();
  answers_ = {true};  // both lists are empty: the user is asked
  EXPECT_EQ(lists_.Save(kProfile), SaveOutcome::Failed);
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(
      shown_[1].rfind("MRU not saved, prefs.js and IE's typed addresses were left as they were.  Error number 52: ", 0),
      0u)
      << shown_[1];
  EXPECT_EQ(Prefs(), prefsBefore);
  EXPECT_EQ(TypedUrls(), (std::vector<std::string>{"http://ie1/", "http://ie2/"}));  // not yet written: kept
  // The open afterwards shows what is on disk and makes the next save possible.
  EXPECT_EQ(lists_.items(L::Netscape).size(), 2u);
  EXPECT_TRUE(lists_.workingCopy().HasCompleteWorkingCopy());
}

TEST_F(HistoryListsTest, PrefsRewrittenByTheBrowserAfterTheOpenIsNeverOverwritten) {
  ASSERT_TRUE(lists_.Open(kProfile));
  Delete(L::Netscape, 0);
  // Netscape closes meanwhile and writes its preferences anew.
  const std::string rewritten = kHeader + HistoryLine(1, "http://new/") + kOther + "user_pref(\"x\", 2);\r\n";
  WritePrefs(rewritten);
  EXPECT_EQ(lists_.Save(kProfile), SaveOutcome::Failed);
  EXPECT_EQ(Prefs(), rewritten);
  EXPECT_NE(shown_.back().find("changed by another program"), std::string::npos);
  EXPECT_EQ(TypedUrls(), (std::vector<std::string>{"http://ie1/", "http://ie2/"}));
  EXPECT_EQ(lists_.items(L::Netscape), std::vector<std::string>{"\"http://new/\");"});  // read again
}

TEST_F(HistoryListsTest, ReadAgainShowsWhatIsOnDiskAndTheNextSaveIsNotRefused) {
  lists_.ReadAgain();  // never opened: nothing read, nothing shown
  EXPECT_TRUE(lists_.items(L::Netscape).empty());
  EXPECT_TRUE(listsShown_.empty());

  ASSERT_TRUE(lists_.Open(kProfile));
  Delete(L::Netscape, 0);
  // An undo puts an older prefs.js back under the open lists.
  WritePrefs(kHeader + HistoryLine(1, "http://old/") + kOther);
  PutTypedUrls({"http://ie-old/"});
  test::ExpectOk(registry_.DeleteValue(Hive::CurrentUser, kTypedUrlsKey, TypedUrlValueName(2)));
  lists_.ReadAgain();
  EXPECT_EQ(lists_.items(L::Netscape), std::vector<std::string>{"\"http://old/\");"});
  EXPECT_EQ(lists_.items(L::InternetExplorer), std::vector<std::string>{"http://ie-old/"});
  ASSERT_EQ(listsShown_.size(), 1u);
  EXPECT_EQ(listsShown_[0], lists_.items(L::Netscape));
  EXPECT_TRUE(shown_.empty());

  // The save writes over the state read again, without blaming another program.
  EXPECT_EQ(lists_.Save(kProfile), SaveOutcome::Saved);
  EXPECT_NE(Prefs().find("http://old/"), std::string::npos);
  for (const std::string& text : shown_) EXPECT_EQ(text.find("another program"), std::string::npos) << text;
}

TEST_F(HistoryListsTest, AWorkingCopyThatCannotBeMadeFailsTheOpenWithItsNumber) {
  // The profile folder does not take the working copy (a read-only folder does the same; a
  // folder in test.js's place stands in for it, as tests may run with every permission).
  std::filesystem::create_directory(prefix_.native("drive_c/Program Files/Netscape/Users/default/test.js"));
  EXPECT_FALSE(lists_.Open(kProfile));
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].rfind("Error occured in Open MRU error number ", 0), 0u);
  EXPECT_EQ(lists_.caption(), text::kClearBoth);
  EXPECT_TRUE(lists_.items(L::InternetExplorer).empty());
  answers_ = {true};
  EXPECT_EQ(lists_.Save(kProfile), SaveOutcome::Failed);  // nothing usable to save from
  EXPECT_EQ(Prefs(), kHeader + HistoryLine(1, "http://a/") + kOther + HistoryLine(2, "http://b/"));
}

TEST_F(HistoryListsTest, AFailedRegistrySaveIsReported) {
  ASSERT_TRUE(lists_.Open(kProfile));
  test::WriteFile(prefix_.native("user.reg"), "not a hive file");
  EXPECT_EQ(lists_.Save(kProfile), SaveOutcome::Failed);
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shown_[1].rfind("IE MRU not saved, TypedURLs was left as it was.  Error number 75: ", 0), 0u) << shown_[1];
  EXPECT_EQ(test::ReadFile(prefix_.native("user.reg")), "not a hive file");
}

TEST_F(HistoryListsTest, DoubleClickLaunchesTheSelectedAddress) {
  WritePrefs(kHeader + HistoryLine(1, "abc") + "// comment: browser.url_history.URL_, ab\r\n");
  ASSERT_TRUE(lists_.Open(kProfile));
  lists_.DoubleClick(L::Netscape);  // nothing selected
  lists_.Select(L::Netscape, 1);    // "ab": too short to hold an address
  lists_.DoubleClick(L::Netscape);
  EXPECT_TRUE(launched_.empty());
  lists_.Select(L::Netscape, 0);
  lists_.DoubleClick(L::Netscape);
  lists_.Select(L::InternetExplorer, 1);
  lists_.DoubleClick(L::InternetExplorer);
  lists_.Select(L::InternetExplorer, -1);
  lists_.DoubleClick(L::InternetExplorer);  // the empty text goes to the launcher as it is
  EXPECT_EQ(launched_, (std::vector<std::string>{"abc", "http://ie2/", ""}));

  EXPECT_EQ(NetscapeItemAddress("\"x\");"), "x");
  EXPECT_EQ(NetscapeItemAddress("\"\");"), "");
  EXPECT_EQ(NetscapeItemAddress("\");"), std::nullopt);
}

}  // namespace
}  // namespace varnel

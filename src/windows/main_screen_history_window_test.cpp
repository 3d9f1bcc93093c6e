#include <gtest/gtest.h>

#include "history/typed_urls.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/test_events.h"
#include "testsupport/window_fixture.h"
#include "windows/main_screen_window.h"

namespace varnel {
namespace {

const char* kProfile = "c:\\program files\\netscape\\users\\default";

// Empty hives: the typed addresses are the test's own.
class HistoryWindowTest : public test::WindowTest {
 protected:
  HistoryWindowTest() : WindowTest(false) {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
    test::WriteFile(Prefs(),
                    "// Netscape User Preferences\r\n"
                    "user_pref(\"browser.url_history.URL_1\", \"http://one.example/\");\r\n"
                    "user_pref(\"browser.startup.page\", 1);\r\n"
                    "user_pref(\"browser.url_history.URL_2\", \"http://two.example/\");\r\n");
    test::ExpectOk(WriteTypedUrls(registry_, {"http://ie1.example/", "http://ie2.example/"}));
    test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));
    MakeForms();
  }

  std::string Prefs() const { return prefix_.native("drive_c/Program Files/Netscape/Users/default/prefs.js"); }
  MainScreen& Main() { return forms_->Main(); }
  std::vector<std::string> Items(ClassicListBox* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->ListCount(); ++i) items.push_back(list->Item(i));
    return items;
  }
};

TEST_F(HistoryWindowTest, ARightClickOnTheProfileListOpensBothHistories) {
  MainScreen& main = Main();
  EXPECT_EQ(main.Command2->text().toStdString(), "Clear both MRU");
  main.Dir1_MouseDown(Qt::LeftButton);
  EXPECT_EQ(main.List1->ListCount(), 0);
  main.Dir1_MouseDown(Qt::RightButton);
  EXPECT_EQ(Items(main.List1), (std::vector<std::string>{"\"http://one.example/\");", "\"http://two.example/\");"}));
  EXPECT_EQ(Items(main.List2), (std::vector<std::string>{"http://ie1.example/", "http://ie2.example/"}));
  EXPECT_EQ(main.List2->ListIndex(), -1);
  EXPECT_EQ(main.Command2->text().toStdString(), "Save MRU");
}

TEST_F(HistoryWindowTest, DeletingLaunchingAndSavingThroughTheWindow) {
  MainScreen& main = Main();
  main.Command1_Click();
  main.List1->SetListIndex(0);
  main.List1_DblClick();
  EXPECT_EQ(opener_.opened, std::vector<std::string>{"http://one.example/"});

  main.List1_MouseDown(Qt::RightButton);
  main.List1->SetListIndex(0);
  main.List1_MouseDown(Qt::RightButton);
  EXPECT_EQ(main.List1->ListCount(), 0);
  EXPECT_EQ(main.Command2->text().toStdString(), "Clear Net MRU");

  dialogs_.answers = {false};
  main.Command2_Click();
  EXPECT_EQ(main.Command2->text().toStdString(), "Clear Net MRU");
  EXPECT_NE(test::ReadFile(Prefs()).find("URL_2"), std::string::npos);

  dialogs_.answers = {true};
  main.Command2_Click();
  EXPECT_EQ(test::ReadFile(Prefs()), "// Netscape User Preferences\r\nuser_pref(\"browser.startup.page\", 1);\r\n");
  EXPECT_EQ(main.List1->ListCount(), 0);
  EXPECT_EQ(main.List2->ListCount(), 2);
  EXPECT_EQ(main.Command2->text().toStdString(), "Save MRU");
  ASSERT_EQ(dialogs_.shown.size(), 2u);
  EXPECT_TRUE(dialogs_.shown[1].yesNo);
  EXPECT_EQ(dialogs_.shown[1].text.rfind("You are about to clear all MRU in either one or both browsers", 0), 0u);
}

TEST_F(HistoryWindowTest, AMissingPrefsFileIsReportedAndTheCaptionStays) {
  MainScreen& main = Main();
  main.Dir1->SetPath("c:\\program files\\netscape\\users");
  main.Command1_Click();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text, "Netscape preference file not found in this directory");
  EXPECT_EQ(main.Command2->text().toStdString(), "Clear both MRU");
}

// While the message of a failed open is up, List1 shows what that open left: the items read
// before the line that stopped it, not the previous open's.
TEST_F(HistoryWindowTest, TheOpenErrorMessageStandsOverWhatTheFailedOpenRead) {
  MainScreen& main = Main();
  main.Command1_Click();
  ASSERT_EQ(main.List1->ListCount(), 2);
  test::WriteFile(Prefs(),
                  "user_pref(\"browser.url_history.URL_1\", \"http://one.example/\");\r\n"
                  "user_pref(\"browser.url_history.URL_2\",\r\n");
  std::vector<std::string> listWhileShown;
  dialogs_.onShow = [&](const std::string&) { listWhileShown = Items(main.List1); };
  main.Command1_Click();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text, "Error occured in Open MRU error number 5");
  EXPECT_EQ(listWhileShown, std::vector<std::string>{"\"http://one.example/\");"});
  EXPECT_EQ(Items(main.List1), listWhileShown);
}

TEST_F(HistoryWindowTest, ASaveWithoutAnOpenLeavesPrefsAsItWasAndSaysSo) {
  MainScreen& main = Main();
  const std::string before = test::ReadFile(Prefs());
  dialogs_.answers = {true};
  main.Command2_Click();
  EXPECT_EQ(test::ReadFile(Prefs()), before);
  bool told = false;
  for (const auto& shown : dialogs_.shown) told = told || shown.text.find("prefs.js") != std::string::npos;
  EXPECT_TRUE(told);
}

TEST_F(HistoryWindowTest, HistoriesAreOpenedLaunchedDeletedAndSavedByKeysAlone) {
  MainScreen& main = Main();
  test::SendKey(main.Command1, Qt::Key_Return);
  ASSERT_EQ(main.List1->ListCount(), 2);
  test::SendKeys(main.List1, {Qt::Key_Delete, Qt::Key_Return});  // nothing selected: nothing happens
  EXPECT_EQ(main.List1->ListCount(), 2);
  EXPECT_TRUE(opener_.opened.empty());

  test::SendKeys(main.List1, {Qt::Key_Down, Qt::Key_Return});
  EXPECT_EQ(opener_.opened, std::vector<std::string>{"http://one.example/"});
  test::SendKeys(main.List2, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Enter});
  EXPECT_EQ(opener_.opened, (std::vector<std::string>{"http://one.example/", "http://ie2.example/"}));

  test::SendKey(main.List1, Qt::Key_Delete);  // as the right button: the selected entry goes
  EXPECT_EQ(Items(main.List1), (std::vector<std::string>{"\"http://two.example/\");"}));
  EXPECT_EQ(main.List1->ListIndex(), 0);  // the next entry, which Delete would remove next
  test::SendKey(main.List2, Qt::Key_Delete);
  EXPECT_EQ(Items(main.List2), (std::vector<std::string>{"http://ie1.example/"}));
  EXPECT_EQ(main.Command2->text().toStdString(), "Save MRU");

  test::SendKey(main.Command2, Qt::Key_Enter);
  std::vector<std::string> typed;
  ReadTypedUrls(registry_, [&typed](const std::string& item) { typed.push_back(item); });
  EXPECT_EQ(typed, (std::vector<std::string>{"http://ie1.example/"}));
  EXPECT_EQ(test::ReadFile(Prefs()).find("one.example"), std::string::npos);
  EXPECT_NE(test::ReadFile(Prefs()).find("two.example"), std::string::npos);
}

}  // namespace
}  // namespace varnel

// After an undo every window shows the state as it now is: the history lists, the bookmark tree,
// the favorites list, the Setup lists, the main window's profile list and its switch icons. The
// keys are pressed as a user presses them.
#include <gtest/gtest.h>

#include <filesystem>

#include "bookmarks/collections.h"
#include "history/typed_urls.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/journal_entries.h"
#include "testsupport/test_events.h"
#include "testsupport/window_fixture.h"
#include "windows/changes_window.h"
#include "windows/ie_window.h"
#include "windows/main_screen_window.h"
#include "windows/setup_window.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProfile = "c:\\program files\\netscape\\users\\default";

class UndoShowsTest : public test::WindowTest {
 protected:
  UndoShowsTest() : saved_(fs::current_path()) {
    fs::current_path(work_.path());  // the bookmark copy's "tempfile" goes there
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
    prefix_.MakeDriveCDirectory("windows/Favorites");
    test::WriteFile(Profile("prefs.js"),
                    "user_pref(\"browser.url_history.URL_1\", \"http://one/\");\r\n"
                    "user_pref(\"browser.url_history.URL_2\", \"http://two/\");\r\n");
    test::WriteFile(Profile("bookmark.htm"),
                    "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n"
                    "    <DT><A HREF=\"http://home/\">Home</A>\r\n</DL><p>\r\n");
    test::ExpectOk(WriteTypedUrls(registry_, {"http://ie1/", "http://ie2/"}));
    test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));
  }
  ~UndoShowsTest() override { fs::current_path(saved_); }

  std::string Profile(const std::string& file) const {
    return prefix_.native("drive_c/Program Files/Netscape/Users/default/" + file);
  }
  static std::vector<std::string> Items(const ClassicListBase& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.count(); ++i) items.push_back(list.item(i)->text().toStdString());
    return items;
  }
  // Ctrl+Z on a control, answered Yes.
  void UndoOn(QWidget* control) {
    dialogs_.answers.push_back(true);
    test::PressShortcut(control, Qt::Key_Z, Qt::ControlModifier);
  }
  bool Blamed() const {
    for (const std::string& text : Texts()) {
      if (text.find("another program") != std::string::npos) return true;
    }
    return false;
  }

  test::TempDir work_;
  fs::path saved_;
};

TEST_F(UndoShowsTest, AnUndoneMruSaveShowsInTheListsAndTheNextSaveWritesOverIt) {
  MainScreen& main = MakeForms().Main();
  test::SendKey(main.Command1, Qt::Key_Return);  // Open Netscape MRU
  ASSERT_EQ(main.List1->ListCount(), 2);
  main.List1->SetListIndex(0);
  test::SendKey(main.List1, Qt::Key_Delete);
  test::SendKey(main.Command2, Qt::Key_Return);  // Save MRU
  ASSERT_EQ(main.List1->ListCount(), 1);

  UndoOn(main.List1);
  EXPECT_EQ(dialogs_.shown.back().text, "Undo the last change, MRU saved?");
  EXPECT_EQ(Items(*main.List1), (std::vector<std::string>{"\"http://one/\");", "\"http://two/\");"}));
  EXPECT_EQ(Items(*main.List2), (std::vector<std::string>{"http://ie1/", "http://ie2/"}));

  main.List1->SetListIndex(1);
  test::SendKey(main.List1, Qt::Key_Delete);
  test::SendKey(main.Command2, Qt::Key_Return);
  EXPECT_FALSE(Blamed()) << dialogs_.shown.back().text;
  EXPECT_EQ(test::ReadFile(Profile("prefs.js")).find("http://two/"), std::string::npos);
}

TEST_F(UndoShowsTest, TheTreeAndTheFavoritesListFollowAnUndoneTransfer) {
  MainScreen& main = MakeForms().Main();
  main.Command4_Click();
  IEWindow& ie = forms_->IE();
  test::TypeKey(ie.Check1, Qt::Key_Space);
  ie.tvwMyTree->setCurrentIndex(ie.treeModel().IndexOf(*ie.tree().Find("Home")));
  test::SendKey(ie.tvwMyTree, Qt::Key_Return);  // the bookmark becomes a favorite
  ie.File1->Refresh();
  ASSERT_EQ(Items(*ie.File1), std::vector<std::string>{"Home.url"});

  UndoOn(ie.File1);
  EXPECT_TRUE(Items(*ie.File1).empty());
  // Enter on where it stood finds nothing to open, and no Linux path is ever named.
  test::SendKeys(ie.File1, {Qt::Key_Down, Qt::Key_Return});
  for (const std::string& text : Texts()) EXPECT_EQ(text.find(prefix_.path()), std::string::npos) << text;

  // A favorite added to bookmark.htm leaves the tree again with its undo.
  ie.File1->Refresh();
  test::WriteFile(prefix_.native("drive_c/windows/Favorites/News.url"), "[InternetShortcut]\r\nURL=http://news/\r\n");
  ie.File1->Refresh();
  ie.File1->SetListIndex(0);
  test::SendKey(ie.File1, Qt::Key_Return);
  test::SendKey(ie.Command3, Qt::Key_Return);  // the tree read again shows it
  ASSERT_TRUE(ie.tree().Find("News"));
  UndoOn(ie.tvwMyTree);
  EXPECT_FALSE(ie.tree().Find("News"));
  EXPECT_TRUE(ie.tree().Find("Home"));
}

TEST_F(UndoShowsTest, SetupListsAndTheSwitchIconsFollowAnUndo) {
  prefix_.MakeDriveCDirectory("old");
  prefix_.MakeDriveCDirectory("Program Files/Netscape");
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "c:\\old"));
  test::ExpectOk(WriteSetting(registry_, Setting::IEPath, "c:\\old"));
  test::ExpectOk(session_.SetSetting(Setting::NetPath, "c:\\program files\\netscape"));
  Forms& forms = MakeForms();
  SetupWindow& setup = forms.Setup();
  ASSERT_EQ(setup.Dir1->Path(), "c:\\program files\\netscape");
  UndoOn(setup.Dir1);
  EXPECT_EQ(setup.Dir1->Path(), "c:\\old");

  // Space on the Netscape icon switches and hides it; the undo of the switch needs it again.
  MainScreen& main = forms.Main();
  main.show();
  test::SendKey(main.Image2, Qt::Key_Space);
  ASSERT_EQ(DetectDefaultBrowser(registry_), Browser::Netscape);
  ASSERT_FALSE(main.Image2->isVisible());
  UndoOn(main.Image1);
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::InternetExplorer);
  EXPECT_TRUE(main.Image2->isVisible());
  EXPECT_TRUE(main.Image5->isVisible());
}

TEST_F(UndoShowsTest, AFolderAnUndoneExportMadeLeavesTheFavoritesFolders) {
  test::WriteFile(Profile("bookmark.htm"),
                  "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n"
                  "    <DT><H3>Made</H3>\r\n    <DL><p>\r\n"
                  "        <DT><A HREF=\"http://in/\">In</A>\r\n    </DL><p>\r\n</DL><p>\r\n");
  MainScreen& main = MakeForms().Main();
  main.Command4_Click();
  IEWindow& ie = forms_->IE();
  ExportPlan plan;
  test::ExpectOk(PlanExportBookmarks(drives_, kProfile, "c:\\windows\\favorites", nullptr, plan));
  test::ExpectOk(session_.ExportBookmarks(plan));
  ie.Dir1->SetPath("c:\\windows\\favorites\\Made");
  ASSERT_EQ(ie.Dir1->Path(), "c:\\windows\\favorites\\Made");
  ASSERT_EQ(Items(*ie.File1), std::vector<std::string>{"In.url"});
  UndoOn(ie.Dir1);
  // Gone with its favorite: no lock file of Varnel's stays behind in it.
  EXPECT_FALSE(fs::exists(prefix_.native("drive_c/windows/Favorites/Made"))) << testing::PrintToString(Texts());
  EXPECT_EQ(ie.Dir1->Path(), "c:\\windows\\favorites");
  EXPECT_EQ(ie.File1->Path(), "c:\\windows\\favorites");
  EXPECT_TRUE(Items(*ie.File1).empty());
}

}  // namespace
}  // namespace varnel

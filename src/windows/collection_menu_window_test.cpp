// The bookmarks window's context menu, by the menu key on the favorites list and by the right
// button on the tree: the whole collections moved after a question, reported, shown and undone.
#include "windows/collection_menu_ui.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <filesystem>

#include "bookmarks/favorites.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/test_events.h"
#include "testsupport/window_fixture.h"
#include "windows/changes_window.h"
#include "windows/ie_window.h"
#include "windows/main_screen_window.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProfile = "c:\\program files\\netscape\\users\\default";
constexpr const char* kBookmarks =
    "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n"
    "    <DT><A HREF=\"http://home/\">Home</A>\r\n</DL><p>\r\n";

class CollectionMenuTest : public test::WindowTest {
 protected:
  CollectionMenuTest() {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
    prefix_.MakeDriveCDirectory("windows/Favorites");
    test::WriteFile(prefix_.native("drive_c/Program Files/Netscape/Users/default/bookmark.htm"), kBookmarks);
    for (const char* name : {"Work", "News"}) {
      test::WriteFile(Favorite(std::string(name) + ".url"),
                      std::string("[InternetShortcut]\r\nURL=http://") + name + "/\r\n");
    }
    test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));
  }
  std::string Favorite(const std::string& name) const { return prefix_.native("drive_c/windows/Favorites/" + name); }
  IEWindow& OpenBookmarks() {
    MakeForms().Main().Command4_Click();
    return forms_->IE();
  }
  // The menu key on a control, as Qt delivers it; the menu opens.
  static void MenuKey(QAbstractScrollArea* control) {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4), control->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(control, &event);
  }
  // The right button on a control's viewport: the press, then the menu.
  static void RightClick(QAbstractScrollArea* control) {
    test::Press(control->viewport(), Qt::RightButton, QPoint(4, 4));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4), control->viewport()->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(control->viewport(), &event);
  }
  static std::vector<std::string> Files(const FileListBox& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.ListCount(); ++i) names.push_back(list.Item(i));
    return names;
  }
};

TEST_F(CollectionMenuTest, TheMenuKeyOnTheFavoritesImportsThemAllAfterTheirPlan) {
  IEWindow& ie = OpenBookmarks();
  MenuKey(ie.File1);
  ASSERT_TRUE(ie.Menu1->isVisible());
  EXPECT_EQ(ie.Menu1->actions().size(), 4);  // the two transfers, a separator, Changes
  dialogs_.answers = {true};
  QTest::keyClick(ie.Menu1, Qt::Key_Down);
  QTest::keyClick(ie.Menu1, Qt::Key_Return);
  EXPECT_FALSE(ie.Menu1->isVisible());
  ASSERT_EQ(dialogs_.shown.size(), 2u);
  EXPECT_TRUE(dialogs_.shown[0].yesNo);
  EXPECT_EQ(dialogs_.shown[0].text, std::string("Import all favorites of c:\\windows\\favorites into ") + kProfile +
                                        "\\bookmark.htm: adds 2 bookmarks; 0 already there; 0 refused.  Go ahead?");
  EXPECT_EQ(dialogs_.shown[1].text.find("Import done, into "), 0u) << dialogs_.shown[1].text;
  EXPECT_TRUE(ie.tree().Find("Work"));  // the tree is read again
  EXPECT_TRUE(ie.tree().Find("News"));

  // A second import finds them there and asks nothing.
  MenuKey(ie.File1);
  QTest::keyClick(ie.Menu1, Qt::Key_I);
  ASSERT_EQ(dialogs_.shown.size(), 3u);
  EXPECT_EQ(dialogs_.shown[2].text.find("Nothing to add: 2 already there, 0 refused; "), 0u) << dialogs_.shown[2].text;

  // One Ctrl+Z takes the whole import back, and the tree shows it.
  dialogs_.answers = {true};
  test::PressShortcut(ie.File1, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.shown.back().text, "Undo the last change, favorites imported: 2 bookmarks added?");
  EXPECT_FALSE(ie.tree().Find("Work"));
  EXPECT_TRUE(ie.tree().Find("Home"));
}

TEST_F(CollectionMenuTest, TheRightButtonOnTheTreeExportsEveryBookmarkOnlyAfterYes) {
  IEWindow& ie = OpenBookmarks();
  RightClick(ie.tvwMyTree);
  ASSERT_TRUE(ie.Menu1->isVisible());
  QTest::keyClick(ie.Menu1, Qt::Key_E);  // No: nothing is written
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text,
            std::string("Export all bookmarks of ") + kProfile +
                "\\bookmark.htm into c:\\windows\\favorites: adds 1 favorite; 0 already there; 0 "
                "refused.  Go ahead?");
  EXPECT_FALSE(fs::exists(Favorite("Home.url")));

  dialogs_.answers = {true};
  RightClick(ie.tvwMyTree);
  QTest::keyClick(ie.Menu1, Qt::Key_E);
  EXPECT_TRUE(fs::exists(Favorite("Home.url")));
  EXPECT_EQ(dialogs_.shown.back().text.find("Export done, into c:\\windows\\favorites: added 1 favorite;"), 0u)
      << dialogs_.shown.back().text;
  EXPECT_EQ(Files(*ie.File1), (std::vector<std::string>{"Home.url", "News.url", "Work.url"}));
}

TEST_F(CollectionMenuTest, ChangesOnTheMenuOpensTheChangesDialog) {
  IEWindow& ie = OpenBookmarks();
  MenuKey(ie.tvwMyTree);
  QTest::keyClick(ie.Menu1, Qt::Key_C);
  EXPECT_TRUE(forms_->Changes().isVisible());
  forms_->Changes().hide();
}

}  // namespace
}  // namespace varnel

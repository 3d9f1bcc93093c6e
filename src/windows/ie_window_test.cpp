#include "windows/ie_window.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QApplication>
#include <filesystem>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/bookmark_tree.h"
#include "bookmarks/favorites.h"
#include "bookmarks/transfers.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/test_events.h"
#include "testsupport/window_fixture.h"
#include "windows/main_screen_window.h"
#include "windows/twips.h"
#include "winenv/code_page.h"

namespace varnel {
namespace {

constexpr const char* kProfile = "c:\\program files\\netscape\\users\\default";

class BookmarksWindowTest : public test::WindowTest {
 protected:
  BookmarksWindowTest() {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/other");
  }
  void WriteBookmarks(const std::string& bytes, const std::string& user = "default") {
    test::WriteFile(prefix_.native("drive_c/Program Files/Netscape/Users/" + user + "/bookmark.htm"), bytes);
  }
  void WriteFavorite(const std::string& name) {
    test::WriteFile(prefix_.native("drive_c/windows/Favorites/" + name), "[InternetShortcut]\r\nURL=http://x/\r\n");
  }
  // The bookmarks window, opened from the main window standing on `profile`.
  IEWindow& OpenBookmarks(const std::string& profile = kProfile) {
    MainScreen& main = MakeForms().Main();
    main.Dir1->SetPath(profile);
    main.show();
    main.Command4_Click();
    return forms_->IE();
  }
  static std::vector<std::string> Rows(const QAbstractItemModel& model, const QModelIndex& parent = {}) {
    std::vector<std::string> rows;
    for (int r = 0; r < model.rowCount(parent); ++r)
      rows.push_back(model.index(r, 0, parent).data().toString().toStdString());
    return rows;
  }
  static std::vector<std::string> Files(const FileListBox& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.ListCount(); ++i) names.push_back(list.Item(i));
    return names;
  }
};

TEST_F(BookmarksWindowTest, IsLaidOutAsDesignedWithTheAnimationHidden) {
  IEWindow& ie = OpenBookmarks();
  EXPECT_EQ(ie.Check1->text().toStdString(), "Transfer bookmarks <> favorities");
  EXPECT_FALSE(ie.Check1->isChecked());
  EXPECT_EQ(ie.Command3->text().toStdString(), "Refresh Bookmarks/ favorites");
  EXPECT_EQ(ie.Command1->text().toStdString(), "Back to main screen");
  EXPECT_EQ(ie.Label2[0]->text().toStdString(), "Internet Explorer Favorites");
  EXPECT_EQ(ie.Label2[1]->text().toStdString(), "Netscape Bookmarks");
  EXPECT_EQ(ie.Label3->text().toStdString(), "Label3");
  EXPECT_EQ(ie.Label4->text().toStdString(), "Label3");
  EXPECT_EQ(ie.Check1->geometry(), TwipsRect(360, 120, 3495, 315));
  EXPECT_EQ(ie.File1->geometry(), TwipsRect(3600, 600, 5895, 1845));
  EXPECT_EQ(ie.Label1->geometry(), TwipsRect(120, 2520, 9375, 255));
  EXPECT_EQ(ie.tvwMyTree->geometry(), TwipsRect(120, 3240, 9375, 3015));
  EXPECT_EQ(ie.Command3->geometry(), TwipsRect(1680, 6480, 2295, 255));
  EXPECT_EQ(ie.Image1->geometry(), TwipsRect(120, 3000, 480, 480));
  EXPECT_EQ(ie.Label3->geometry(), TwipsRect(-600, 2760, 4815, 255));
  EXPECT_EQ(ie.Image2->geometry(), TwipsRect(6720, 2520, 480, 480));
  EXPECT_EQ(ie.Label4->geometry(), TwipsRect(6480, 3000, 3735, 255));
  for (QWidget* hidden : {static_cast<QWidget*>(ie.Image1), static_cast<QWidget*>(ie.Label3),
                          static_cast<QWidget*>(ie.Image2), static_cast<QWidget*>(ie.Label4)}) {
    EXPECT_FALSE(hidden->isVisibleTo(&ie));
  }
  EXPECT_TRUE(ie.Image1->HasImage());
}

TEST_F(BookmarksWindowTest, TheStandardFavoritesDirectoryListsOnlyItsFavorites) {
  WriteFavorite("b.URL");
  WriteFavorite("A.url");
  test::WriteFile(prefix_.native("drive_c/windows/Favorites/notes.txt"), "x");
  WriteBookmarks("");
  IEWindow& ie = OpenBookmarks();
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(ie.Dir1->Path(), "c:\\windows\\favorites");
  EXPECT_EQ(Files(*ie.File1), (std::vector<std::string>{"A.url", "b.URL"}));
}

TEST_F(BookmarksWindowTest, AFavoritesDirectoryThatIsNotThereLeavesTheListAtTheWorkingDirectory) {
  prefix_.MakeDriveCDirectory("windows/Favorites");  // present, but not what was remembered
  test::WriteFile(prefix_.native("drive_c/plain"), "a file, not a directory");
  for (const char* remembered : {"c:\\removed", "c:\\plain"}) {
    SCOPED_TRACE(remembered);
    dialogs_.shown.clear();
    test::ExpectOk(WriteSetting(registry_, Setting::IEfav, remembered));
    IEWindow& ie = OpenBookmarks();
    // Its own message first, then the load's (this profile has no bookmark.htm).
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{std::string(kFavoritesDirectoryGone), std::string(kNoBookmarkFileMessage)}));
    EXPECT_EQ(ie.Dir1->Path(), drives_.WorkingDirectory());
    EXPECT_EQ(ie.File1->Path(), ie.Dir1->Path());
  }
  dialogs_.shown.clear();
  test::ExpectOk(WriteSetting(registry_, Setting::IEfav, ""));
  std::filesystem::remove(prefix_.native("drive_c/windows/Favorites"));
  WriteBookmarks("");
  OpenBookmarks();
  EXPECT_EQ(Texts(), (std::vector<std::string>{std::string(kNoStandardFavoritesDirectory)}));
}

TEST_F(BookmarksWindowTest, TheLoadShowsTheTreeExpandedWhereItWasMadeVisible) {
  WriteBookmarks(
      "<DT><A HREF=\"http://loose/\">Loose</A>\r\n<DT><H3>Quiet</H3>\r\n<DL><p>\r\n</DL><p>\r\n"
      "<DT><H3>Work</H3>\r\n<DL><p>\r\n<DD>notes\r\n<DD>more\r\n<DT><A HREF=\"http://w/\">Deep</A>\r\n");
  prefix_.MakeDriveCDirectory("windows/Favorites");
  IEWindow& ie = OpenBookmarks();
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(ie.Label1->text().toStdString(), "STATUS: Ready");
  EXPECT_EQ(ie.cursor().shape(), Qt::ArrowCursor);
  const QAbstractItemModel& model = *ie.tvwMyTree->model();
  EXPECT_EQ(Rows(model), (std::vector<std::string>{"Bookmarks not In folders", "Quiet", "Work"}));
  const QModelIndex root = model.index(0, 0), quiet = model.index(1, 0), work = model.index(2, 0);
  // The descriptions stand in the folder; the bookmark after them stays the folder's.
  EXPECT_EQ(Rows(model, work), (std::vector<std::string>{"notes", "more", "Deep"}));
  EXPECT_TRUE(ie.tvwMyTree->isExpanded(root));
  EXPECT_FALSE(ie.tvwMyTree->isExpanded(quiet));
  EXPECT_TRUE(ie.tvwMyTree->isExpanded(work));
  EXPECT_FALSE(model.index(0, 0, root).data(Qt::DecorationRole).isNull());
}

// A title of megabytes shows its first 2000 characters and an ellipsis (laying out all of it
// took the view a minute); the node keeps the whole title and its address.
TEST_F(BookmarksWindowTest, AVeryLongTitleIsShownShortenedAndKeptWhole) {
  const std::string title = std::string(5'000'000, 't') + "end";
  WriteBookmarks("<DT><A HREF=\"http://long/\">" + title + "</A>\r\n<DT><A HREF=\"http://s/\">Short</A>\r\n");
  IEWindow& ie = OpenBookmarks();
  const QAbstractItemModel& model = *ie.tvwMyTree->model();
  const QModelIndex root = model.index(0, 0);
  const QString shown = model.index(0, 0, root).data().toString();
  EXPECT_EQ(shown.size(), static_cast<qsizetype>(kShownTextLength) + 1);
  EXPECT_EQ(shown.back(), QChar(0x2026));
  EXPECT_EQ(shown.left(3), QStringLiteral("ttt"));
  EXPECT_EQ(model.index(1, 0, root).data().toString(), QStringLiteral("Short"));
  const std::optional<BookmarkTree::NodeId> node = ie.tree().Find(title);
  ASSERT_TRUE(node);
  EXPECT_EQ(ie.tree().text(*node), title);
  ie.tvwMyTree_NodeClick(*node);
  EXPECT_EQ(opener_.opened, std::vector<std::string>{"http://long/"});
}

TEST_F(BookmarksWindowTest, TheTreeStaysUntilRefreshedWhichAlsoRereadsTheFavorites) {
  WriteBookmarks("<DT><A HREF=\"http://a/\">Default's</A>\r\n");
  WriteBookmarks("<DT><A HREF=\"http://b/\">Other's</A>\r\n", "other");
  WriteFavorite("first.url");
  IEWindow& ie = OpenBookmarks();
  MainScreen& main = forms_->Main();
  ie.Command1_Click();
  main.Dir1->SetPath("c:\\program files\\netscape\\users\\other");
  main.Command4_Click();
  const QAbstractItemModel& model = *ie.tvwMyTree->model();
  EXPECT_EQ(Rows(model, model.index(0, 0)), (std::vector<std::string>{"Default's"}));
  WriteFavorite("second.url");
  EXPECT_EQ(ie.File1->ListCount(), 1);
  ie.Command3->click();
  EXPECT_EQ(Rows(model, model.index(0, 0)), (std::vector<std::string>{"Other's"}));
  EXPECT_EQ(ie.File1->ListCount(), 2);
}

TEST_F(BookmarksWindowTest, FailedLoadsAndTheBackgroundsReadyStatus) {
  IEWindow& ie = OpenBookmarks();  // no bookmark.htm
  EXPECT_EQ(Texts(), (std::vector<std::string>{std::string(kNoStandardFavoritesDirectory),
                                               std::string(kNoBookmarkFileMessage)}));
  EXPECT_EQ(ie.tvwMyTree->model()->rowCount(), 0);
  EXPECT_EQ(ie.Label1->text().toStdString(), "STATUS: Loading Netscape bookmarks");
  EXPECT_EQ(ie.cursor().shape(), Qt::ArrowCursor);
  test::SendMouse(&ie, QEvent::MouseMove, Qt::NoButton, ie.Check1->geometry().center());  // over a control
  EXPECT_EQ(ie.Label1->text().toStdString(), "STATUS: Loading Netscape bookmarks");
  test::SendMouse(&ie, QEvent::MouseMove, Qt::NoButton, QPoint(ie.width() - 2, ie.height() - 2));
  EXPECT_EQ(ie.Label1->text().toStdString(), "STATUS: Ready");

  WriteBookmarks("<DT><A HREF=\"http://a/\">A</A>\r\n<DT><A HREF=\"http://b/>no quote</A>\r\n");
  ie.Command3_Click();
  EXPECT_EQ(ie.Label1->text().toStdString(),
            "STATUS: Bookmarks shown, but an entry of bookmark.htm could not be read (line 2)");
  EXPECT_EQ(ie.tvwMyTree->model()->rowCount(ie.tvwMyTree->model()->index(0, 0)), 1);
  EXPECT_EQ(ie.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(BookmarksWindowTest, BackToTheMainScreenRestoresItFromMinimized) {
  WriteBookmarks("");
  IEWindow& ie = OpenBookmarks();
  MainScreen& main = forms_->Main();
  main.setWindowState(Qt::WindowMinimized);  // as a launch leaves it
  ie.Command1_Click();
  EXPECT_FALSE(ie.isVisible());
  EXPECT_TRUE(main.isVisible());
  EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
}

// The transfers: a working directory of their own (for "tempfile"), a favorites folder, and a
// profile whose bookmark.htm holds a heading, a folder and bookmarks.
class TransferWindowTest : public BookmarksWindowTest {
 protected:
  TransferWindowTest() {
    prefix_.MakeDriveCDirectory("windows/Favorites");
    WriteBookmarks(kBookmarks);
  }

  // The node of a key given in the code page (the tree's keys are UTF-8).
  BookmarkTree::NodeId Node(const std::string& key) {
    const std::optional<BookmarkTree::NodeId> id = forms_->IE().tree().Find(Utf8FromAnsi(key));
    EXPECT_TRUE(id) << key;
    return id.value_or(0);
  }
  std::string Favorite(const std::string& name) const { return prefix_.native("drive_c/windows/Favorites/" + name); }
  std::string BookmarkFile() const {
    return prefix_.native("drive_c/Program Files/Netscape/Users/default/bookmark.htm");
  }
  void DoubleClickFavorite(IEWindow& ie, const std::string& name) {
    for (int i = 0; i < ie.File1->ListCount(); ++i) {
      if (ie.File1->Item(i) == name) ie.File1->SetListIndex(i);
    }
    ASSERT_EQ(ie.File1->FileName(), name);
    ie.File1_DblClick();
  }

  static constexpr const char* kBookmarks =
      "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n"
      "<DT><A HREF=\"http://weather/5\">Weather: 5-day forecast</A>\r\n<DT><A HREF=\"\">No address</A>\r\n"
      "<DT><H3>Work</H3>\r\n<DL><p>\r\n<DD>notes\r\n<DT><A HREF=\"http://w/\">In work</A>\r\n</DL><p>\r\n"
      "</DL><p>\r\n";
  test::TempWorkingDirectory work_;  // "tempfile" is made here
};

TEST_F(TransferWindowTest, ANodeWithoutAnAddressIsNotAnAddressWhateverTheSwitch) {
  IEWindow& ie = OpenBookmarks();
  for (bool transfer : {false, true}) {
    ie.Check1->setChecked(transfer);
    for (const char* key : {"NoFolder", "Work 1", "Work 1notes", "No address"}) {
      dialogs_.shown.clear();
      ie.tvwMyTree_NodeClick(Node(key));
      EXPECT_EQ(Texts(), (std::vector<std::string>{std::string(kNotAnAddressMessage)})) << key;
    }
  }
  EXPECT_TRUE(opener_.opened.empty());
  EXPECT_TRUE(std::filesystem::is_empty(prefix_.native("drive_c/windows/Favorites")));
}

TEST_F(TransferWindowTest, AClickedBookmarkIsOpenedAfterTheStatusSaysSo) {
  IEWindow& ie = OpenBookmarks();
  std::string statusAtLaunch;
  opener_.onOpen = [&](const std::string&) { statusAtLaunch = ie.Label1->text().toStdString(); };
  ie.tvwMyTree_NodeClick(Node("In work"));
  EXPECT_EQ(opener_.opened, (std::vector<std::string>{"http://w/"}));
  EXPECT_EQ(statusAtLaunch, "STATUS: Address has been passed to your default brower");
  EXPECT_TRUE(forms_->Main().windowState() & Qt::WindowMinimized);
}

TEST_F(TransferWindowTest, ATransferredBookmarkIsWrittenAndFliesToTheFavorites) {
  IEWindow& ie = OpenBookmarks();
  ie.Check1->setChecked(true);
  // A failure first: a title naming a folder that is not there. No animation.
  WriteBookmarks(std::string(kBookmarks) + "<DT><A HREF=\"http://x/\">Gone\\Inside</A>\r\n");
  ie.Command3_Click();
  ie.tvwMyTree_NodeClick(Node("Gone\\Inside"));
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_TRUE(Texts()[0].rfind("53 ", 0) == 0 || Texts()[0].rfind("76 ", 0) == 0) << Texts()[0];
  EXPECT_EQ(ie.Image1->geometry(), TwipsRect(120, 3000, 480, 480));

  ie.tvwMyTree_NodeClick(Node("Weather: 5-day forecast"));
  EXPECT_EQ(test::ReadFile(Favorite("Weather 5day forecast.url")),
            "[InternetShortcut]\r\r\nURL=http://weather/5\r\r\n");
  EXPECT_TRUE(opener_.opened.empty());
  EXPECT_EQ(ie.File1->ListCount(), 0);  // not re-read until the list is refreshed
  EXPECT_EQ(ie.Label3->text().toStdString(), "Weather: 5-day forecast");
  EXPECT_FALSE(ie.Label3->isVisibleTo(&ie));
  EXPECT_FALSE(ie.Image1->isVisibleTo(&ie));
  EXPECT_TRUE(ie.Label2[1]->isVisibleTo(&ie));
  EXPECT_EQ(ie.Image1->pos(), TwipsRect(5720, 2000, 480, 480).topLeft());
  EXPECT_EQ(ie.Label3->pos(), TwipsRect(5720, 1800, 4815, 255).topLeft());
  ie.Command3_Click();
  EXPECT_EQ(ie.File1->ListCount(), 1);
}

TEST_F(TransferWindowTest, AFavoriteWithoutAnAddressIsReportedBeforeItsStatus) {
  test::WriteFile(Favorite("Empty.url"), "[InternetShortcut]\r\nIconIndex=0\r\n");
  IEWindow& ie = OpenBookmarks();
  std::vector<std::string> statuses;  // the status line while each message shows
  dialogs_.onShow = [&](const std::string&) { statuses.push_back(ie.Label1->text().toStdString()); };
  ie.Check1->setChecked(true);
  DoubleClickFavorite(ie, "Empty.url");
  EXPECT_EQ(Texts(), (std::vector<std::string>{std::string(kCorruptedFavoriteMessage)}));
  EXPECT_EQ(statuses, (std::vector<std::string>{"STATUS: Searching for bookmark"}));
  EXPECT_EQ(ie.Label1->text().toStdString(),
            "STATUS: A problem was encoutered trying to access that address from your favorites");
  EXPECT_EQ(test::ReadFile(BookmarkFile()), kBookmarks);
  EXPECT_FALSE(std::filesystem::exists(work_ / "tempfile"));
}

TEST_F(TransferWindowTest, AFavoriteIsOpenedOrAddedAfterTheHeading) {
  test::WriteFile(Favorite("News Today.url"), "[InternetShortcut]\r\nurl=http://first/\r\nURL=http://news/\r\n");
  IEWindow& ie = OpenBookmarks();
  std::string statusAtLaunch;
  opener_.onOpen = [&](const std::string&) { statusAtLaunch = ie.Label1->text().toStdString(); };
  DoubleClickFavorite(ie, "News Today.url");
  EXPECT_EQ(opener_.opened, (std::vector<std::string>{"http://news/"}));
  EXPECT_EQ(statusAtLaunch, "STATUS: Address has been passed to your default brower");

  ie.Check1->setChecked(true);
  const std::size_t nodesBefore = ie.tree().size();
  DoubleClickFavorite(ie, "News Today.url");
  EXPECT_TRUE(Texts().empty());
  const std::string now = test::ReadFile(BookmarkFile());
  const std::string head =
      "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n\t<DT><A HREF=\"http://news/\" ADD_DATE=\"";
  EXPECT_EQ(now.substr(0, head.size()), head);
  EXPECT_NE(now.find("\">News Today</A>\r\n<DL><p>\r\n"), std::string::npos);
  EXPECT_EQ(test::ReadFile(work_ / "tempfile"), now);
  EXPECT_EQ(ie.Label1->text().toStdString(), "STATUS: Searching for bookmark");
  EXPECT_EQ(ie.Label4->text().toStdString(), "News Today.url");
  EXPECT_FALSE(ie.Image2->isVisibleTo(&ie));
  EXPECT_TRUE(ie.Label2[1]->isVisibleTo(&ie));
  EXPECT_EQ(ie.Image2->pos(), TwipsRect(320, 3000, 480, 480).topLeft());
  EXPECT_EQ(ie.Label4->pos(), TwipsRect(320, 3475, 3735, 255).topLeft());
  EXPECT_EQ(ie.tree().size(), nodesBefore);  // the tree shows it after the next load
  ie.Command3_Click();
  EXPECT_TRUE(ie.tree().Find("News Today"));
}

// A favorite whose name the code page cannot spell is listed with its own characters, opens, and
// becomes a bookmark of that title.
TEST_F(TransferWindowTest, AFavoriteOfAnyNameIsListedOpenedAndAdded) {
  const std::string name = "\xD0\xA1\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xBA \xE4\xB8\xAD.url";  // Станок 中
  test::WriteFile(Favorite(name),
                  "[InternetShortcut]\r\nURL=http://?/\r\n[InternetShortcut.W]\r\nURL=http://+BEA-/\r\n");
  IEWindow& ie = OpenBookmarks();
  ASSERT_EQ(ie.File1->ListCount(), 1);
  EXPECT_EQ(ie.File1->Item(0), name);
  DoubleClickFavorite(ie, name);
  EXPECT_EQ(opener_.opened, (std::vector<std::string>{"http://%D1%80/"}));  // р, escaped for the launcher
  ie.Check1->setChecked(true);
  DoubleClickFavorite(ie, name);
  EXPECT_TRUE(Texts().empty());
  EXPECT_NE(test::ReadFile(BookmarkFile()).find("\">&#1057;&#1090;&#1072;&#1085;&#1086;&#1082; &#20013;</A>"),
            std::string::npos);
  ie.Command3_Click();
  EXPECT_TRUE(ie.tree().Find(FavoriteTitle(name)));
}

TEST_F(TransferWindowTest, AFavoriteThatCannotBeAddedLeavesBookmarkHtmAndTheWindowAsTheyWere) {
  test::WriteFile(Favorite("A.url"), "URL=http://a/\r\n");
  test::WriteFile(Favorite("Vanishing.url"), "URL=http://v/\r\n");
  IEWindow& ie = OpenBookmarks();
  ie.Check1->setChecked(true);
  std::filesystem::remove(Favorite("Vanishing.url"));  // listed, then gone
  DoubleClickFavorite(ie, "Vanishing.url");
  chmod(BookmarkFile().c_str(), 0444);  // the replace is refused
  DoubleClickFavorite(ie, "A.url");
  ASSERT_EQ(Texts().size(), 2u);
  EXPECT_EQ(Texts()[0].rfind("53 ", 0), 0u) << Texts()[0];
  EXPECT_EQ(Texts()[1].rfind("70 ", 0), 0u) << Texts()[1];
  EXPECT_EQ(test::ReadFile(BookmarkFile()), kBookmarks);
  EXPECT_TRUE(ie.Label2[1]->isVisibleTo(&ie));
  EXPECT_EQ(ie.Image2->geometry(), TwipsRect(6720, 2520, 480, 480));
}

// Both refusals of the transfers reach the window's message as the core words them: the
// favorite that would not stay one bookmark line by its name, the favorite file Linux cannot
// name by its Windows path.
TEST_F(TransferWindowTest, RefusedTransfersAreToldByTheFavoritesNameAndWindowsPath) {
  test::WriteFile(Favorite("Fav\n<DT><H3 >Injected.url"), "URL=http://fav/\r\n");
  const std::string longTitle(130, '\xe9');
  WriteBookmarks(std::string(kBookmarks) + "<DT><A HREF=\"http://long/\">" + longTitle + "</A>\r\n");
  IEWindow& ie = OpenBookmarks();
  ie.Check1->setChecked(true);
  DoubleClickFavorite(ie, "Fav\n<DT><H3 >Injected.url");
  ie.tvwMyTree_NodeClick(Node(longTitle));
  ASSERT_EQ(Texts().size(), 2u);
  EXPECT_EQ(Texts()[0].rfind("52 The favorite \"Fav\\n<DT><H3 >Injected\" was not added", 0), 0u) << Texts()[0];
  EXPECT_EQ(test::ReadFile(BookmarkFile()),
            std::string(kBookmarks) + "<DT><A HREF=\"http://long/\">" + longTitle + "</A>\r\n");
  EXPECT_EQ(Texts()[1].rfind("52 c:\\windows\\favorites\\" + longTitle + ".url: ", 0), 0u) << Texts()[1];
}

// Keyboard use of the bookmarks window.
TEST_F(TransferWindowTest, TabGoesThroughTheBookmarksWindowAsItIsLaidOut) {
  IEWindow& ie = OpenBookmarks();
  EXPECT_EQ(ie.focusWidget(), ie.Dir1);
  EXPECT_EQ(test::TabVisits(&ie),
            (std::vector<QWidget*>{ie.File1, ie.tvwMyTree, ie.Command3, ie.Command1, ie.Check1, ie.Dir1}));
}

TEST_F(TransferWindowTest, EnterOpensTheTreesCurrentBookmarkOrTransfersIt) {
  IEWindow& ie = OpenBookmarks();
  test::SendTabFocusIn(ie.tvwMyTree);
  const QModelIndex shownFirst = ie.tvwMyTree->currentIndex();
  ASSERT_TRUE(shownFirst.isValid());  // the keys start where the view stands
  EXPECT_TRUE(ie.tvwMyTree->viewport()->rect().intersects(ie.tvwMyTree->visualRect(shownFirst)));

  ie.tvwMyTree->setCurrentIndex(ie.treeModel().IndexOf(Node("In work")));
  test::SendKey(ie.tvwMyTree, Qt::Key_Return);
  EXPECT_EQ(opener_.opened, (std::vector<std::string>{"http://w/"}));
  test::TypeKey(ie.Check1, Qt::Key_Space);
  EXPECT_TRUE(ie.Check1->isChecked());
  ie.tvwMyTree->setCurrentIndex(ie.treeModel().IndexOf(Node("Weather: 5-day forecast")));
  test::SendKey(ie.tvwMyTree, Qt::Key_Enter);
  EXPECT_TRUE(std::filesystem::exists(Favorite("Weather 5day forecast.url")));
  EXPECT_EQ(opener_.opened.size(), 1u);
}

TEST_F(TransferWindowTest, TheTreeShowsItsCurrentNodeWhenItTakesTheFocus) {
  std::string many = kBookmarks;
  for (int i = 0; i < 200; ++i)
    many += "<DT><A HREF=\"http://n/" + std::to_string(i) + "\">N" + std::to_string(i) + "</A>\r\n";
  WriteBookmarks(many);
  IEWindow& ie = OpenBookmarks();
  const QModelIndex first = ie.treeModel().IndexOf(Node("Weather: 5-day forecast"));
  ie.tvwMyTree->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
  ie.tvwMyTree->scrollToBottom();
  ASSERT_FALSE(ie.tvwMyTree->viewport()->rect().intersects(ie.tvwMyTree->visualRect(first)));
  test::SendTabFocusIn(ie.tvwMyTree);
  EXPECT_TRUE(ie.tvwMyTree->viewport()->rect().intersects(ie.tvwMyTree->visualRect(first)));
}

TEST_F(TransferWindowTest, EnterOpensAFavoritesFolderAndAFavorite) {
  prefix_.MakeDriveCDirectory("windows/Favorites/Links");
  test::WriteFile(Favorite("Links/News.url"), "[InternetShortcut]\r\nURL=http://news/\r\n");
  IEWindow& ie = OpenBookmarks();
  test::SendKeys(ie.Dir1, {Qt::Key_End, Qt::Key_Return});
  EXPECT_EQ(ie.Dir1->Path(), "c:\\windows\\favorites\\Links");
  ASSERT_EQ(ie.File1->ListCount(), 1);
  test::SendKey(ie.File1, Qt::Key_Return);  // no favorite selected yet
  EXPECT_TRUE(opener_.opened.empty());
  test::SendKeys(ie.File1, {Qt::Key_Down, Qt::Key_Return});
  EXPECT_EQ(opener_.opened, (std::vector<std::string>{"http://news/"}));
}

}  // namespace
}  // namespace varnel

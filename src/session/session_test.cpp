#include "session/session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "bookmarks/transfers.h"
#include "testsupport/expect_ok.h"
#include "testsupport/journal_entries.h"
#include "testsupport/scripted_prompt.h"
#include "testsupport/session_fixture.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProfile = "c:\\netscape\\jane";
constexpr const char* kBookmarks =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n</DL><p>\r\n";

class SessionTest : public test::SessionFixture {
 protected:
  SessionTest() {
    prefix_.MakeDriveCDirectory("netscape/jane");
    prefix_.MakeDriveCDirectory("Program Files/Netscape");
    prefix_.MakeDriveCDirectory("Program Files/Internet Explorer");
    prefix_.MakeDriveCDirectory("windows/favorites");
    prefix_.MakeDriveCDirectory("mine");
    test::ExpectOk(session_.SetSetting(Setting::NetPath, "c:\\program files\\netscape"));
    test::ExpectOk(session_.SetSetting(Setting::IEPath, "c:\\program files\\Internet Explorer"));
    session_.SetProfileDirectory(kProfile);
  }
  std::string Bookmarks() const { return test::ReadFile(prefix_.native("drive_c/netscape/jane/bookmark.htm")); }
};

// A switch is known to the session at once, recorded, and an undo brings the old browser back
// into what the session reports.
TEST_F(SessionTest, TheDefaultBrowserFollowsASwitchAndItsUndo) {
  EXPECT_EQ(session_.DetectDefaultBrowser(), Browser::InternetExplorer);  // no associations yet
  ASSERT_TRUE(session_.MakeDefault(Browser::Netscape).ok());
  EXPECT_EQ(session_.defaultBrowser(), Browser::Netscape);
  EXPECT_EQ(test::JournalEntries(session_).front().record.what, "default browser set to Netscape");
  UndoPlan plan;
  ASSERT_TRUE(session_.PlanUndo(std::nullopt, plan).ok());
  ASSERT_TRUE(session_.Undo(plan, false).ok());
  EXPECT_EQ(session_.defaultBrowser(), Browser::InternetExplorer);
}

// An undone MRU save shows in the open lists at once, and the next save writes over it.
TEST_F(SessionTest, OpenHistoryListsShowAnUndoneSave) {
  const std::string prefs = prefix_.native("drive_c/netscape/jane/prefs.js");
  test::WriteFile(prefs,
                  "user_pref(\"browser.url_history.URL_1\", \"http://a/\");\r\n"
                  "user_pref(\"browser.url_history.URL_2\", \"http://b/\");\r\n");
  HistoryLists& lists = session_.histories();
  test::ScriptedPrompt prompt;
  prompt.answers = {true, true};  // each save may ask to clear
  lists.SetUi(prompt, {});
  ASSERT_TRUE(lists.Open(kProfile));
  lists.Select(HistoryList::Netscape, 0);
  lists.MouseDown(HistoryList::Netscape, kRightButton);
  ASSERT_EQ(lists.Save(kProfile), SaveOutcome::Saved);
  ASSERT_EQ(lists.items(HistoryList::Netscape).size(), 1u);

  UndoPlan plan;
  ASSERT_TRUE(session_.PlanUndo(std::nullopt, plan).ok());
  ASSERT_TRUE(session_.Undo(plan, false).ok());
  EXPECT_EQ(lists.items(HistoryList::Netscape), (std::vector<std::string>{"\"http://a/\");", "\"http://b/\");"}));
  EXPECT_EQ(lists.Save(kProfile), SaveOutcome::Saved);
}

// The favorite goes to the favorites directory chosen, and to the standard one while none is.
TEST_F(SessionTest, ABookmarkGoesToTheChosenFavoritesDirectory) {
  std::string written;
  ASSERT_TRUE(session_.CopyBookmarkToFavorite("News", "http://news/", written).ok());
  EXPECT_EQ(written, "c:\\windows\\favorites\\News.url");
  session_.SetFavoritesDirectory("c:\\mine");
  ASSERT_TRUE(session_.CopyBookmarkToFavorite("News", "http://news/", written).ok());
  EXPECT_EQ(test::ReadFile(prefix_.native("drive_c/mine/News.url")), FavoriteFileBytes("http://news/"));
}

// The favorite's line goes into the session's profile; the window's step between copy and
// replace runs once, and a file without a heading is kept when asked.
TEST_F(SessionTest, AFavoriteIsAddedToTheProfilesBookmarks) {
  // "tempfile" is made in the working directory: one of the test's own.
  const test::TempWorkingDirectory work;
  test::WriteFile(prefix_.native("drive_c/netscape/jane/bookmark.htm"), kBookmarks);
  int copied = 0;
  BookmarkCopy copy;
  ASSERT_TRUE(session_
                  .AddFavoriteToBookmarks(
                      "News.url", "http://news/", false, [&] { ++copied; }, copy)
                  .ok());
  EXPECT_EQ(copied, 1);
  EXPECT_NE(Bookmarks().find("<DT><A HREF=\"http://news/\""), std::string::npos);
  EXPECT_EQ(test::JournalEntries(session_).front().record.what, "bookmark added: News");

  const std::string headless = "<DL><p>\n</DL><p>\n";
  test::WriteFile(prefix_.native("drive_c/netscape/jane/bookmark.htm"), headless);
  BookmarkCopy kept;
  const Status refused = session_.AddFavoriteToBookmarks(
      "News.url", "http://news/", true, [&] { ++copied; }, kept);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message.find("left as it is"), std::string::npos);
  EXPECT_EQ(Bookmarks(), headless);
  EXPECT_EQ(copied, 1);
}

// The closing step stores the profile directory, and the favorites directory only once one was
// chosen; IEfav stays as stored otherwise.
TEST_F(SessionTest, TheEndStoresTheDirectoriesChosen) {
  test::ExpectOk(session_.SetSetting(Setting::IEfav, "c:\\kept"));
  ASSERT_TRUE(session_.End().ok());
  EXPECT_EQ(session_.Setting(Setting::NetLAU), kProfile);
  EXPECT_EQ(session_.Setting(Setting::IEfav), "c:\\kept");
  session_.SetFavoritesDirectory("c:\\mine");
  ASSERT_TRUE(session_.End().ok());
  EXPECT_EQ(session_.Setting(Setting::IEfav), "c:\\mine");
}

// The start routine run by the session stores the standard directories in the session's
// journal, so that Ctrl+Z takes back the newest of them.
using SessionStartTest = test::SessionFixture;  // no directory stored yet

TEST_F(SessionStartTest, TheStoredStandardDirectoriesAreRecordedChanges) {
  prefix_.MakeDriveCDirectory("Program Files/Netscape/users");
  prefix_.MakeDriveCDirectory("Program Files/Internet Explorer");
  test::ScriptedPrompt prompt;
  const StartupWindows windows{[](const std::string&) {}, [](const std::string&) { return true; }, [](const Status&) {},
                               [] {}, [] { return true; }};
  ASSERT_TRUE(session_.RunStartup(windows, prompt));
  EXPECT_TRUE(prompt.texts.empty());
  ASSERT_EQ(test::JournalEntries(session_).size(), 2u);
  UndoPlan plan;
  ASSERT_TRUE(session_.PlanUndo(std::nullopt, plan).ok());
  ASSERT_TRUE(session_.Undo(plan, false).ok());
  EXPECT_EQ(session_.Setting(Setting::IEPath), "");
  EXPECT_EQ(session_.Setting(Setting::NetPath), kNetscapeStandardDirectory);
}

// A whole collection moved is one change: its undo gives back bookmark.htm byte for byte, and
// removes the favorites an export made.
TEST_F(SessionTest, ImportsAndExportsAreUndoneAsOneChange) {
  test::WriteFile(prefix_.native("drive_c/netscape/jane/bookmark.htm"), kBookmarks);
  test::WriteFile(prefix_.native("drive_c/mine/Work.url"), FavoriteFileBytes("http://work/"));
  session_.SetFavoritesDirectory("c:\\mine");
  ImportPlan import;
  // The plans take the favorites directory chosen and the profile, as the windows have them.
  ASSERT_TRUE(session_.PlanImportFavorites(nullptr, import).ok());
  EXPECT_EQ(import.summary.added.size(), 1u);
  ASSERT_TRUE(session_.ImportFavorites(import).ok());
  EXPECT_NE(Bookmarks().find("http://work/"), std::string::npos);
  UndoPlan undo;
  ASSERT_TRUE(session_.PlanUndo(std::nullopt, undo).ok());
  EXPECT_EQ(undo.changes.front().record.what, "favorites imported: 1 bookmarks added");
  ASSERT_TRUE(session_.Undo(undo, false).ok());
  EXPECT_EQ(Bookmarks(), kBookmarks);

  test::WriteFile(prefix_.native("drive_c/netscape/jane/bookmark.htm"),
                  std::string(kBookmarks) + "<DT><A HREF=\"http://news/\">News</A>\r\n");
  ExportPlan exported;
  ASSERT_TRUE(session_.PlanExportBookmarks(nullptr, exported).ok());
  ASSERT_TRUE(session_.ExportBookmarks(exported).ok());
  ASSERT_TRUE(fs::exists(prefix_.native("drive_c/mine/News.url")));
  ASSERT_TRUE(session_.PlanUndo(std::nullopt, undo).ok());
  ASSERT_TRUE(session_.Undo(undo, false).ok());
  EXPECT_FALSE(fs::exists(prefix_.native("drive_c/mine/News.url")));
  EXPECT_TRUE(fs::exists(prefix_.native("drive_c/mine/Work.url")));
}

// The folders an export made are recorded, even when it made nothing else, and an undo removes
// each once it is empty again: one the user put a file in stays.
TEST_F(SessionTest, AnExportsFoldersAreRecordedAndRemovedOnceEmpty) {
  test::WriteFile(prefix_.native("drive_c/netscape/jane/bookmark.htm"),
                  "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n"
                  "<DT><H3 ADD_DATE=\"1\">Outer</H3>\r\n<DL><p>\r\n<DT><H3 ADD_DATE=\"1\">Inner</H3>\r\n<DL><p>\r\n"
                  "</DL><p>\r\n</DL><p>\r\n<DT><H3 ADD_DATE=\"1\">Kept</H3>\r\n<DL><p>\r\n</DL><p>\r\n</DL><p>\r\n");
  prefix_.MakeDriveCDirectory("mine");
  session_.SetFavoritesDirectory("c:\\mine");
  ExportPlan exported;
  ASSERT_TRUE(PlanExportBookmarks(drives_, kProfile, "c:\\mine", nullptr, exported).ok());
  ASSERT_TRUE(session_.ExportBookmarks(exported).ok());
  ASSERT_TRUE(fs::is_directory(prefix_.native("drive_c/mine/Outer/Inner")));
  test::WriteFile(prefix_.native("drive_c/mine/Kept/mine.url"), FavoriteFileBytes("http://mine/"));
  UndoPlan undo;
  ASSERT_TRUE(session_.PlanUndo(std::nullopt, undo).ok());
  EXPECT_EQ(undo.changes.front().record.what.rfind("bookmarks exported", 0), 0u);
  ASSERT_TRUE(session_.Undo(undo, false).ok());
  EXPECT_FALSE(fs::exists(prefix_.native("drive_c/mine/Outer")));
  EXPECT_TRUE(fs::exists(prefix_.native("drive_c/mine/Kept/mine.url")));
}

// Each window reaches the others through Forms and the session only: no window's file includes
// another window's header.
TEST(WindowFiles, NoWindowIncludesAnotherWindowsHeader) {
  int windows = 0;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(VARNEL_SOURCE_DIR) / "src")) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with("_window.cpp") && !name.ends_with("_window.h")) continue;
    ++windows;
    const std::string own = name.substr(0, name.rfind('.'));
    std::ifstream file(entry.path());
    for (std::string line; std::getline(file, line);) {
      if (!line.starts_with("#include \"") || !line.ends_with("_window.h\"")) continue;
      const std::size_t start = line.rfind('/') + 1;
      EXPECT_EQ(line.substr(start, line.size() - start - 3), own) << entry.path() << ": " << line;
    }
  }
  EXPECT_GE(windows, 6);
}

}  // namespace
}  // namespace varnel

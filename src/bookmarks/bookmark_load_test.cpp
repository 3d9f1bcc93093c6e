#include "bookmarks/bookmark_load.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "testsupport/scripted_prompt.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

using Events = std::vector<std::string>;

// The load's calls on the window, in order.
class LoadTest : public ::testing::Test {
 protected:
  LoadTest() { prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default"); }

  Events Load(const std::string& profile = kProfile) {
    events_.clear();
    LoadBookmarks(drives_, profile, tree_, prompt_, ui_);
    return events_;
  }
  void WriteBookmarks(const std::string& bytes) { test::WriteFile(Native(), bytes); }
  std::string Native() const { return prefix_.native("drive_c/Program Files/Netscape/Users/default/bookmark.htm"); }

  static constexpr const char* kProfile = "c:\\program files\\netscape\\users\\default";
  test::TempPrefix prefix_;
  DriveMap drives_{prefix_.path()};
  BookmarkTree tree_;
  Events events_;
  test::ScriptedPrompt prompt_{events_};  // its message in order with the window's steps
  BookmarkLoadUi ui_{[this](std::string_view s) { events_.push_back("status " + std::string(s)); },
                     [this](bool on) { events_.push_back(on ? "hourglass" : "default pointer"); },
                     [this] { events_.push_back("replacing"); },
                     [this] { events_.push_back("replaced " + std::to_string(tree_.size())); },
                     [this] { events_.push_back("refresh favorites"); }};
};

TEST_F(LoadTest, AWholeReadEndsReadyAndRefreshesTheFavorites) {
  WriteBookmarks("<DL><p>\r\n<DT><A HREF=\"http://a/\">A</A>\r\n</DL><p>\r\n");
  const Events expected = {"status STATUS: Loading Netscape bookmarks",
                           "hourglass",
                           "replacing",
                           "replaced 2",
                           "status STATUS: Ready",
                           "refresh favorites",
                           "default pointer"};
  EXPECT_EQ(Load(), expected);
  EXPECT_EQ(Load(), expected);  // pressed again: the same tree, not a second copy
  EXPECT_EQ(tree_.size(), 2u);
}

TEST_F(LoadTest, AMissingFileShowsTheProfileMessageAndLeavesTheTreeEmpty) {
  WriteBookmarks("<DT><A HREF=\"http://a/\">A</A>\r\n");
  Load();
  std::remove(Native().c_str());
  const Events expected = {
      "status STATUS: Loading Netscape bookmarks",      "hourglass",      "replacing", "replaced 0",
      "message " + std::string(kNoBookmarkFileMessage), "default pointer"};
  EXPECT_EQ(Load(), expected);
  EXPECT_EQ(Load("c:\\no such profile"), expected);
  EXPECT_EQ(Load("q:\\unmapped drive"), expected);
}

TEST_F(LoadTest, AnEntryThatCannotBeReadIsSkippedAndNamedOnTheStatusLine) {
  WriteBookmarks("<DT><A HREF=\"http://a/\">A</A>\r\n<DT><A HREF=\"http://b/>B</A>\r\n<DT><A HREF=\"c\">C</A>\r\n");
  EXPECT_EQ(Load(), (Events{"status STATUS: Loading Netscape bookmarks", "hourglass", "replacing", "replaced 3",
                            "status STATUS: Bookmarks shown, but an entry of bookmark.htm could not be read (line 2)",
                            "refresh favorites", "default pointer"}));
}

TEST_F(LoadTest, AFileThatCannotBeReadIsSaidOnTheStatusLine) {
  ASSERT_EQ(mkdir(Native().c_str(), 0700), 0);  // a directory named bookmark.htm
  const Events events = Load();
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[4].rfind("status STATUS: bookmark.htm could not be read, error number ", 0), 0u) << events[4];
  EXPECT_EQ(events[5], "default pointer");
}

TEST(BookmarkFile, TheRealNetscapeFileIsReadWhole) {
  test::TempPrefix prefix;
  prefix.MakeDriveCDirectory("p");
  test::WriteFile(prefix.native("drive_c/p/bookmark.htm"), test::ReadFile(test::CorpusPath("netscape4-bookmark.htm")));
  DriveMap drives(prefix.path());
  BookmarkTree tree;
  const BookmarkFileReading reading = ReadBookmarkFile(drives, "c:\\p", tree);
  ASSERT_TRUE(reading.status.ok()) << reading.status.message;
  EXPECT_TRUE(reading.unreadableLines.empty());
  EXPECT_EQ(reading.linesRead, 1807u);  // 1,806 CR LF ends and the lone LF after the heading
  EXPECT_EQ(tree.key(0), "NoFolder");
  // The folders nest as in the file: "Search" is the toolbar folder's first sub-folder, and
  // "Computers" its second; the repeated "Inference Find!" and "Slashdot.org" are all shown.
  const auto search = tree.Find("Inference Find!");
  ASSERT_TRUE(search);
  EXPECT_EQ(tree.address(*search), "http://www.infind.com");
  EXPECT_EQ(tree.key(tree.parent(*search)), "Search 2");
  EXPECT_EQ(tree.key(tree.parent(tree.parent(*search))), "Personal Toolbar Folder 1");
  const auto slashdot = tree.Find("Slashdot.org");
  ASSERT_TRUE(slashdot);
  EXPECT_EQ(FolderPath(tree, *slashdot), "Personal Toolbar Folder/Computers");
  EXPECT_EQ(BookmarksTitled(tree, "Inference Find!").size(), 2u);
  EXPECT_EQ(BookmarksTitled(tree, "Slashdot.org").size(), 2u);
  EXPECT_GT(tree.size(), 900u);
  EXPECT_NE(tree.lastMadeVisible(), BookmarkTree::kNone);
}

// Real bookmark files that browsers wrote (testdata/bookmarks, see its README), each beside its
// true structure as an independent HTML reading gives it (truth.py): every bookmark, in file
// order, with its folder path, title and address.
TEST(BookmarkFile, RealFilesShowEveryBookmarkUnderItsTrueFolderWithItsTrueTitle) {
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(test::CorpusPath("bookmarks"))) {
    const std::filesystem::path truth = entry.path().string() + ".truth";
    if (!std::filesystem::exists(truth)) continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++files;
    test::TempPrefix prefix;
    prefix.MakeDriveCDirectory("p");
    test::WriteFile(prefix.native("drive_c/p/bookmark.htm"), test::ReadFile(entry.path().string()));
    BookmarkTree tree;
    const BookmarkFileReading reading = ReadBookmarkFile(DriveMap(prefix.path()), "c:\\p", tree);
    ASSERT_TRUE(reading.status.ok()) << reading.status.message;
    EXPECT_TRUE(reading.unreadableLines.empty());
    std::string shown;
    for (BookmarkTree::NodeId id = 0; id < static_cast<BookmarkTree::NodeId>(tree.size()); ++id) {
      if (tree.picture(id) != BookmarkPicture::Bookmark) continue;
      const std::string path = FolderPath(tree, id);
      shown += (path == kRootText ? std::string() : path) + "\t" + std::string(tree.text(id)) + "\t" +
               std::string(*tree.address(id)) + "\n";
    }
    EXPECT_EQ(shown, test::ReadFile(truth.string()));
  }
  EXPECT_GE(files, 4u);
}

TEST(ShownText, AnOverlongTextShowsItsStartAndAnEllipsis) {
  const std::string fits(kShownTextLength, 'a');
  EXPECT_EQ(ShownText(fits), fits);
  EXPECT_EQ(ShownText(fits + "b"), fits + "\u2026");
  // Never inside a character: a two-byte character across the limit is left out whole.
  EXPECT_EQ(ShownText(std::string(kShownTextLength - 1, 'a') + "\xC3\xA9"),
            std::string(kShownTextLength - 1, 'a') + "\u2026");
  EXPECT_EQ(ShownText(""), "");
  // Control characters as the command line shows them.
  EXPECT_EQ(ShownText("a\tb\x1b[2Jc\x7f\xC2\x9B\xC3\xA9"), "a\\x09b\\x1b[2Jc\\x7f\\x9b\xC3\xA9");
}

}  // namespace
}  // namespace varnel

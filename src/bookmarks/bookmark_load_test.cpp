#include "bookmarks/bookmark_load.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

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

namespace varnel {
namespace {

// Records every action, in order, as one text each.
class RecordedActions : public BookmarkActions {
 public:
  explicit RecordedActions(std::size_t throwAt = 0) : throwAt_(throwAt) {}
  bool HasKey(std::string_view key) const override { return keys_.Find(key).has_value(); }
  bool AddNode(const BookmarkNodeToAdd& node) override {
    if (throwAt_ != 0 && keys_.size() == throwAt_) throw std::runtime_error("full");
    if (node.parentKey && !keys_.Find(*node.parentKey)) return false;
    if (!keys_.Add(node.key)) return false;
    actions.push_back(std::string(node.parentKey.value_or("-")) + "|" + std::string(node.key) + "|" +
                      std::string(node.text) + "|" + std::string(node.address.value_or("-")));
    return true;
  }
  void MakeVisible() override { actions.push_back("visible"); }
  std::vector<std::string> actions;

 private:
  std::size_t throwAt_;
  BookmarkKeys keys_;
};

// A file of many batches' worth of entries: nested folders, repeated titles, descriptions,
// unreadable entries and a text over two lines, each in its place.
std::string ManyEntries() {
  std::string file = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<H1>B</H1>\r\n<DL><p>\r\n";
  for (int folder = 0; folder < 60; ++folder) {
    file += "<DT><H3>F" + std::to_string(folder % 7) + "</H3>\r\n<DD>about\r\n<DL><p>\r\n";
    for (int i = 0; i < 100; ++i) {
      file += "<DT><A HREF=\"http://e/" + std::to_string(i) + "\">T" + std::to_string(i % 40) + " &amp; x</A>\r\n";
      if (i % 33 == 0)
        file += "<DT><A HREF=\"broken>bad</A>\r\n<DT><H3>In</H3><DL><p><DT><A HREF=\"i\">two\r\nlines</A></DL>\r\n";
    }
    file += "</DL><p>\r\n";
  }
  return file + "</DL><p>\r\n";
}

TEST_F(LoadTest, AReadOnTwoThreadsGivesTheActionsOfAReadLineByLine) {
  const std::string file = ManyEntries();
  WriteBookmarks(file);
  RecordedActions read;
  const BookmarkFileReading reading = ReadBookmarkFile(drives_, kProfile, read);
  ASSERT_TRUE(reading.status.ok());

  RecordedActions byLine;
  BookmarkReader reader(byLine);
  reader.Begin();
  std::size_t lines = 0;
  for (std::size_t at = 0; at < file.size(); ++lines) {
    const std::size_t end = file.find("\r\n", at);
    reader.Line(std::string_view(file).substr(at, end - at));
    at = end + 2;
  }
  reader.End();
  EXPECT_GT(read.actions.size(), 3 * 2048u);  // more than a few batches
  EXPECT_EQ(read.actions, byLine.actions);
  EXPECT_EQ(reading.unreadableLines, reader.unreadableLines());
  EXPECT_EQ(reading.unreadableLines.size(), 60u * 4);
  EXPECT_EQ(reading.linesRead, lines);
}

// A tree that fails part-way stops the reading thread: the failure reaches the caller, no hang.
TEST_F(LoadTest, AFailureOfTheTreeEndsTheReading) {
  WriteBookmarks(ManyEntries());
  RecordedActions failing(5000);
  EXPECT_THROW(ReadBookmarkFile(drives_, kProfile, failing), std::runtime_error);
  EXPECT_EQ(failing.actions.size() - std::count(failing.actions.begin(), failing.actions.end(), "visible"), 5000u);
}

}  // namespace
}  // namespace varnel

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "bookmarks/bookmark_tree.h"
#include "cli/commands.h"
#include "cli/output_writer.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/session_fixture.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

// The bookmarks and favorites subcommands on a prefix with a profile and a favorites folder.
class CollectionsCommandTest : public test::SessionFixture {
 protected:
  CollectionsCommandTest() {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/jane");
    prefix_.MakeDriveCDirectory("Windows/Favorites");
  }
  void WriteBookmarks(const std::string& bytes) {
    test::WriteFile(prefix_.native("drive_c/Program Files/Netscape/Users/jane/bookmark.htm"), bytes);
  }
  void WriteFavorite(const std::string& name, const std::string& bytes) {
    test::WriteFile(prefix_.native("drive_c/Windows/Favorites/" + name), bytes);
  }

  static constexpr const char* kProfile = "c:\\program files\\netscape\\users\\jane";
};

const char* const kBookmarks =
    "<H1>B</H1>\r\n<DT><A HREF=\"http://loose/\">Caf\xe9</A>\r\n<DT><H3 ADD_DATE=\"1\">Work</H3>\r\n<DL><p>\r\n"
    "<DD>notes\r\n<DT><A HREF=\"\">Empty</A>\r\n</DL><p>\r\n";

TEST_F(CollectionsCommandTest, BookmarksPrintsTheTreeAsTextAndJson) {
  WriteBookmarks(kBookmarks);
  test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));
  ASSERT_EQ(Run(BookmarksCommand, {}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "Bookmarks not In folders\n  Caf\xc3\xa9 <http://loose/>\nWork\n  notes\n  Empty <>\n");
  ASSERT_EQ(Run(BookmarksCommand, {"--profile", kProfile}, true), 0);
  EXPECT_EQ(
      out_.str(),
      "{\"profile\": \"c:\\\\program files\\\\netscape\\\\users\\\\jane\", \"nodes\": ["
      "{\"key\": \"NoFolder\", \"parent\": null, \"text\": \"Bookmarks not In folders\", \"picture\": 2, "
      "\"address\": null}, "
      "{\"key\": \"Caf\xc3\xa9\", \"parent\": \"NoFolder\", \"text\": \"Caf\xc3\xa9\", \"picture\": 1, "
      "\"address\": \"http://loose/\"}, "
      "{\"key\": \"Work 1\", \"parent\": null, \"text\": \"Work\", \"picture\": 2, \"address\": null}, "
      "{\"key\": \"Work 1notes\", \"parent\": \"Work 1\", \"text\": \"notes\", \"picture\": 2, \"address\": null}, "
      "{\"key\": \"Empty\", \"parent\": \"Work 1\", \"text\": \"Empty\", \"picture\": 1, \"address\": \"\"}"
      "], \"unreadable_lines\": []}\n");
}

// Each node names its own parent: after a nested folder closes, its enclosing folder is the
// parent again; a repeated title keeps its text under a key of its own; quotes are escaped.
TEST_F(CollectionsCommandTest, BookmarksJsonNamesEachNodesParentAndText) {
  WriteBookmarks(
      "<DT><H3>Outer</H3>\r\n<DL><p>\r\n<DT><H3>In \"q\"</H3>\r\n<DL><p>\r\n<DT><A HREF=\"a\">Same</A>\r\n"
      "</DL><p>\r\n<DT><A HREF=\"b\">Same</A>\r\n</DL><p>\r\n");
  ASSERT_EQ(Run(BookmarksCommand, {"--profile", kProfile}, true), 0) << err_.str();
  EXPECT_EQ(
      out_.str(),
      "{\"profile\": \"c:\\\\program files\\\\netscape\\\\users\\\\jane\", \"nodes\": ["
      "{\"key\": \"NoFolder\", \"parent\": null, \"text\": \"Bookmarks not In folders\", \"picture\": 2, "
      "\"address\": null}, "
      "{\"key\": \"Outer 1\", \"parent\": null, \"text\": \"Outer\", \"picture\": 2, \"address\": null}, "
      "{\"key\": \"In \\\"q\\\" 2\", \"parent\": \"Outer 1\", \"text\": \"In \\\"q\\\"\", \"picture\": 2, "
      "\"address\": null}, "
      "{\"key\": \"Same\", \"parent\": \"In \\\"q\\\" 2\", \"text\": \"Same\", \"picture\": 1, \"address\": \"a\"}, "
      "{\"key\": \"Same (2)\", \"parent\": \"Outer 1\", \"text\": \"Same\", \"picture\": 1, \"address\": \"b\"}"
      "], \"unreadable_lines\": []}\n");
}

// The JSON is written while the file is read, keeping only the keys; it lists the nodes of the
// tree the window shows, in its order, for real files with nesting, repeated titles, loose
// bookmarks and descriptions.
TEST_F(CollectionsCommandTest, BookmarksJsonListsTheTreesNodesOfRealFiles) {
  const auto jsonOfTree = [](const BookmarkTree& tree) {
    std::string json = JsonText(kProfile).insert(0, "{\"profile\": ") + ", \"nodes\": [";
    for (BookmarkTree::NodeId id = 0; id < static_cast<BookmarkTree::NodeId>(tree.size()); ++id) {
      const BookmarkTree::NodeId parent = tree.parent(id);
      json += std::string(id == 0 ? "" : ", ") + "{\"key\": " + JsonUtf8Text(tree.key(id)) +
              ", \"parent\": " + (parent == BookmarkTree::kNone ? "null" : JsonUtf8Text(tree.key(parent))) +
              ", \"text\": " + JsonUtf8Text(tree.text(id)) +
              ", \"picture\": " + std::to_string(static_cast<int>(tree.picture(id))) +
              ", \"address\": " + (tree.address(id) ? JsonUtf8Text(*tree.address(id)) : "null") + "}";
    }
    return json + "], \"unreadable_lines\": []}\n";
  };
  std::vector<std::string> files{test::CorpusPath("netscape4-bookmark.htm")};
  for (const auto& entry : std::filesystem::directory_iterator(test::CorpusPath("bookmarks"))) {
    if (std::filesystem::exists(entry.path().string() + ".truth")) files.push_back(entry.path().string());
  }
  ASSERT_GE(files.size(), 5u);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    WriteBookmarks(test::ReadFile(file));
    BookmarkTree tree;
    ASSERT_TRUE(session_.ReadBookmarks(kProfile, tree).status.ok());
    ASSERT_EQ(Run(BookmarksCommand, {"--profile", kProfile}, true), 0) << err_.str();
    EXPECT_EQ(out_.str(), jsonOfTree(tree));
  }
}

TEST_F(CollectionsCommandTest, BookmarksFailures) {
  // No profile at all, no bookmark file, a usage error.
  EXPECT_EQ(Run(BookmarksCommand, {}), 1);
  EXPECT_NE(err_.str().find("NetLAU"), std::string::npos);
  EXPECT_EQ(Run(BookmarksCommand, {"--profile", kProfile}), 1);
  EXPECT_EQ(err_.str(), std::string("varnel: there is no bookmark file ") + kProfile + "\\bookmark.htm\n");
  EXPECT_EQ(Run(BookmarksCommand, {"--dir", kProfile}), 2);
  // Entries that cannot be read: every other entry is shown, their lines named on stderr, exit 3.
  WriteBookmarks("<DT><A HREF=\"a\">A</A>\r\n<DT><A HREF=\"b>B</A>\r\n<DT><A>C</A>\r\n<DT><A HREF=\"d\">D</A>\r\n");
  EXPECT_EQ(Run(BookmarksCommand, {"--profile", kProfile}, true), 3);
  EXPECT_NE(out_.str().find("\"unreadable_lines\": [2, 3]}"), std::string::npos);
  EXPECT_NE(out_.str().find("\"text\": \"D\""), std::string::npos);
  EXPECT_EQ(err_.str(), std::string("varnel: line 2 of ") + kProfile +
                            "\\bookmark.htm could not be read as a bookmark; it was skipped\n" + "varnel: line 3 of " +
                            kProfile + "\\bookmark.htm could not be read as a bookmark; it was skipped\n");
}

TEST_F(CollectionsCommandTest, FavoritesListsTitlesAndAddressesInTheListsOrder) {
  WriteFavorite("b site.URL", "[InternetShortcut]\r\r\nURL=http://b/\r\r\n");
  WriteFavorite("A site.url",
                "[DEFAULT]\r\nBASEURL=http://x/\r\n[InternetShortcut]\r\nURL=http://a/\r\nIconIndex=0\r\n");
  WriteFavorite("none.url", "[InternetShortcut]\r\n");
  WriteFavorite("other.txt", "URL=http://not-listed/\r\n");
  ASSERT_EQ(Run(FavoritesCommand, {}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "A site <http://a/>\nb site <http://b/>\nnone (no address)\n");
  ASSERT_EQ(Run(FavoritesCommand, {"--dir=c:\\windows\\favorites"}, true), 0);
  EXPECT_EQ(out_.str(),
            "{\"dir\": \"c:\\\\windows\\\\favorites\", \"favorites\": ["
            "{\"file\": \"A site.url\", \"title\": \"A site\", \"address\": \"http://a/\"}, "
            "{\"file\": \"b site.URL\", \"title\": \"b site\", \"address\": \"http://b/\"}, "
            "{\"file\": \"none.url\", \"title\": \"none\", \"address\": null}]}\n");
  // A name the code page cannot spell is listed by its real name, in UTF-8.
  WriteFavorite("\xE4\xB8\xAD.url", "URL=http://zh/\r\n");
  ASSERT_EQ(Run(FavoritesCommand, {}), 0) << err_.str();
  EXPECT_NE(out_.str().find("none (no address)\n\xE4\xB8\xAD <http://zh/>\n"), std::string::npos) << out_.str();
  // IEfav wins over the standard directory; a directory that is not there fails.
  test::ExpectOk(WriteSetting(registry_, Setting::IEfav, "c:\\gone"));
  EXPECT_EQ(Run(FavoritesCommand, {}), 1);
  EXPECT_EQ(err_.str(), "varnel: the favorites directory c:\\gone does not exist\n");
}

TEST_F(CollectionsCommandTest, BookmarkToFavoriteWritesTheFavoriteOfATitle) {
  WriteBookmarks(kBookmarks);
  test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));
  ASSERT_EQ(Run(BookmarkToFavoriteCommand, {"Caf\xc3\xa9"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "c:\\windows\\favorites\\Caf\xc3\xa9.url\n");
  EXPECT_EQ(test::ReadFile(prefix_.native("drive_c/Windows/Favorites/Caf\xc3\xa9.url")),
            "[InternetShortcut]\r\r\nURL=http://loose/\r\r\n");
  // A title that is not there, a node without an address, no title at all: nothing written.
  EXPECT_EQ(Run(BookmarkToFavoriteCommand, {"Missing"}), 1);
  EXPECT_NE(err_.str().find("no bookmark titled Missing"), std::string::npos);
  EXPECT_EQ(Run(BookmarkToFavoriteCommand, {"Empty"}), 1);
  EXPECT_EQ(err_.str(), "varnel: Empty: Not a valid address, may be a folder\n");
  EXPECT_EQ(Run(BookmarkToFavoriteCommand, {}), 2);
  EXPECT_EQ(Run(BookmarkToFavoriteCommand, {"Caf\xc3\xa9", "--dir", "c:\\gone"}), 1);
}

TEST_F(CollectionsCommandTest, ARepeatedTitleIsChosenByItsFolder) {
  WriteBookmarks(
      "<H1>B</H1>\r\n<DL><p>\r\n<DT><A HREF=\"http://loose/\">News</A>\r\n<DT><H3>Work</H3>\r\n<DL><p>\r\n"
      "<DT><H3>\xc3\xa9t\xc3\xa9</H3>\r\n<DL><p>\r\n<DT><A HREF=\"http://deep/\">News</A>\r\n</DL><p>\r\n</DL><p>\r\n"
      "</DL><p>\r\n");
  test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));
  ASSERT_EQ(Run(BookmarksCommand, {}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "Bookmarks not In folders\n  News <http://loose/>\nWork\n  \xc3\x83\xc2\xa9t\xc3\x83\xc2\xa9\n"
            "    News <http://deep/>\n");
  // Several bookmarks of that title: none is written, their folders are listed, exit 2.
  EXPECT_EQ(Run(BookmarkToFavoriteCommand, {"News"}), 2);
  EXPECT_EQ(err_.str(),
            "varnel: 2 bookmarks are titled News; name its folder with --folder PATH:\n"
            "  Bookmarks not In folders  <http://loose/>\n"
            "  Work/\xc3\x83\xc2\xa9t\xc3\x83\xc2\xa9  <http://deep/>\n");
  EXPECT_FALSE(std::filesystem::exists(prefix_.native("drive_c/Windows/Favorites/News.url")));
  // --folder picks one (the folder names as the tree shows them, in UTF-8).
  ASSERT_EQ(Run(BookmarkToFavoriteCommand, {"News", "--folder", "Work/\xc3\x83\xc2\xa9t\xc3\x83\xc2\xa9"}), 0)
      << err_.str();
  EXPECT_EQ(test::ReadFile(prefix_.native("drive_c/Windows/Favorites/News.url")),
            "[InternetShortcut]\r\r\nURL=http://deep/\r\r\n");
  EXPECT_EQ(Run(BookmarkToFavoriteCommand, {"News", "--folder=Work"}), 1);
  EXPECT_EQ(err_.str(), "varnel: no bookmark titled News in the folder Work\n");
}

TEST_F(CollectionsCommandTest, FavoriteToBookmarkAddsItAfterTheHeading) {
  const test::TempWorkingDirectory work;  // "tempfile" is made here
  WriteBookmarks(kBookmarks);
  WriteFavorite("News.url", "[InternetShortcut]\r\nURL=http://news/\r\n");
  WriteFavorite("Empty.url", "[InternetShortcut]\r\n");
  const int added = Run(FavoriteToBookmarkCommand, {"News.url", "--profile", kProfile});
  const std::string line = out_.str();
  const int noAddress = Run(FavoriteToBookmarkCommand, {"Empty.url", "--profile", kProfile});
  const std::string noAddressError = err_.str();
  const int missing = Run(FavoriteToBookmarkCommand, {"Gone.url", "--profile", kProfile});

  ASSERT_EQ(added, 0);
  EXPECT_EQ(line.rfind("\t<DT><A HREF=\"http://news/\" ADD_DATE=\"", 0), 0u) << line;
  const std::string now = test::ReadFile(prefix_.native("drive_c/Program Files/Netscape/Users/jane/bookmark.htm"));
  const std::string start = "<H1>B</H1>\r\n" + line.substr(0, line.size() - 1) + "\r\n";
  EXPECT_EQ(now.substr(0, start.size()), start);
  EXPECT_EQ(test::ReadFile(work / "tempfile"), now);
  EXPECT_EQ(noAddress, 1);
  EXPECT_NE(noAddressError.find("could be a corrupted favorite file"), std::string::npos);
  EXPECT_EQ(missing, 1);
  EXPECT_EQ(test::ReadFile(prefix_.native("drive_c/Program Files/Netscape/Users/jane/bookmark.htm")), now);
}

TEST_F(CollectionsCommandTest, ARefusedFavoriteNameIsShownAsItsWindowsPath) {
  const std::string longTitle(130, '\xe9');  // 130 characters for Windows, 260 bytes for Linux
  WriteBookmarks(std::string(kBookmarks) + "<DT><A HREF=\"http://long/\">" + longTitle + "</A>\r\n");
  test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, kProfile));
  std::string utf8Title;
  for (int i = 0; i < 130; ++i) utf8Title += "\xc3\xa9";
  ASSERT_EQ(Run(BookmarkToFavoriteCommand, {utf8Title}), 1);
  EXPECT_EQ(err_.str().rfind("varnel: 52 c:\\windows\\favorites\\" + utf8Title + ".url: ", 0), 0u) << err_.str();
}

// Every exit 1 leaves the user's files as they were: a favorite that would not stay one
// bookmark, and a bookmark.htm without a heading to add it after.
TEST_F(CollectionsCommandTest, FavoriteToBookmarkFailuresChangeNothing) {
  const test::TempWorkingDirectory work;
  WriteBookmarks(kBookmarks);
  WriteFavorite("Fav\n<DT><H3 >Injected.url", "[InternetShortcut]\r\nURL=http://fav/\r\n");
  const int injected = Run(FavoriteToBookmarkCommand, {"Fav\n<DT><H3 >Injected.url", "--profile", kProfile});
  const std::string injectedError = err_.str();
  const std::string afterInjected =
      test::ReadFile(prefix_.native("drive_c/Program Files/Netscape/Users/jane/bookmark.htm"));
  const std::string noHeading = "<h1>lower case</h1>\n<DL><p>\n</DL><p>\n";
  WriteFavorite("News.url", "[InternetShortcut]\r\nURL=http://news/\r\n");
  test::WriteFile(prefix_.native("drive_c/Program Files/Netscape/Users/jane/bookmark.htm"), noHeading);
  const int headless = Run(FavoriteToBookmarkCommand, {"News.url", "--profile", kProfile});
  const std::string headlessError = err_.str();

  EXPECT_EQ(injected, 1);
  EXPECT_NE(injectedError.find("The favorite \"Fav\\n<DT><H3 >Injected\" was not added"), std::string::npos)
      << injectedError;
  EXPECT_EQ(afterInjected, kBookmarks);
  EXPECT_EQ(headless, 1);
  EXPECT_NE(headlessError.find("left as it is"), std::string::npos) << headlessError;
  EXPECT_EQ(test::ReadFile(prefix_.native("drive_c/Program Files/Netscape/Users/jane/bookmark.htm")), noHeading);
}

}  // namespace
}  // namespace varnel

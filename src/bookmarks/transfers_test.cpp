#include "bookmarks/transfers.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <thread>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/favorites.h"
#include "testsupport/expect_ok.h"
#include "testsupport/kill_rounds.h"
#include "testsupport/lock_waiters.h"
#include "testsupport/temp_dir.h"
#include "winenv/code_page.h"
#include "winenv/file_lock.h"
#include "winenv/guarded_replace.h"

namespace varnel {
namespace {

TEST(FavoriteName, DropsExactlyCodes33To47And58To64AndThePipe) {
  std::string all;
  for (int code = 1; code < 256; ++code) all += static_cast<char>(code);
  std::string expected;
  for (int code = 1; code < 256; ++code) {
    if (!((code >= 33 && code <= 47) || (code >= 58 && code <= 64) || code == '|')) expected += static_cast<char>(code);
  }
  EXPECT_EQ(takeOutSpecialChars(all), expected);
  EXPECT_EQ(all.size() - expected.size(), 23u);
  EXPECT_EQ(takeOutSpecialChars("Weather: 5-day forecast"), "Weather 5day forecast");
  EXPECT_EQ(takeOutSpecialChars("!\"#$%&'()*+,-./:;<=>?@"), "");
  EXPECT_EQ(takeOutSpecialChars(std::string(100000, 'a') + "."), std::string(100000, 'a'));  // no length limit
}

class FavoriteWriteTest : public ::testing::Test {
 protected:
  FavoriteWriteTest() { prefix_.MakeDriveCDirectory("Windows/Favorites/Sub"); }
  std::string Native(const std::string& name) const { return prefix_.native("drive_c/Windows/Favorites/" + name); }
  Status Write(const std::string& title, const std::string& address) {
    return WriteFavorite(drives_, "c:\\windows\\favorites", title, address, written_);
  }
  test::TempPrefix prefix_;
  DriveMap drives_{prefix_.path()};
  std::string written_;
};

TEST_F(FavoriteWriteTest, WritesTheDoubledCarriageReturnFormThatReadsBack) {
  const std::string address = "http://x/ a b?q=\"1\"\xe9 ";
  ASSERT_TRUE(Write("Weather: 5-day forecast", address).ok());
  EXPECT_EQ(written_, "c:\\windows\\favorites\\Weather 5day forecast.url");
  EXPECT_EQ(test::ReadFile(Native("Weather 5day forecast.url")), "[InternetShortcut]\r\r\nURL=" + address + "\r\r\n");
  std::optional<std::string> back;
  ASSERT_TRUE(ReadFavoriteAddress(drives_, "c:\\windows\\favorites", "Weather 5day forecast.url", back).ok());
  EXPECT_EQ(back, Utf8FromAnsi(address));
  // The same name again replaces the file without a question; a title of dropped characters
  // only gives ".url".
  ASSERT_TRUE(Write("Weather 5day forecast", "http://second/").ok());
  EXPECT_EQ(test::ReadFile(Native("Weather 5day forecast.url")), "[InternetShortcut]\r\r\nURL=http://second/\r\r\n");
  ASSERT_TRUE(Write("?!", "http://dots/").ok());
  EXPECT_EQ(written_, "c:\\windows\\favorites\\.url");
  EXPECT_TRUE(std::filesystem::exists(Native(".url")));
}

// A title the code page cannot spell names the favorite with its real characters.
TEST_F(FavoriteWriteTest, ATitleOfAnyCharactersIsTheFavoritesRealName) {
  ASSERT_TRUE(Write("\xE4\xB8\xAD\xE5\x9B\xBD: news", "http://zh/").ok());
  EXPECT_EQ(test::ReadFile(Native("\xE4\xB8\xAD\xE5\x9B\xBD news.url")), FavoriteFileBytes("http://zh/"));
  ASSERT_TRUE(Write("Sub\\\xD1\x80", "http://sub/").ok());  // a backslash still names a sub-folder
  EXPECT_EQ(test::ReadFile(Native("Sub/\xD1\x80.url")), FavoriteFileBytes("http://sub/"));
}

TEST_F(FavoriteWriteTest, ABackslashNamesASubfolderWhichMustExist) {
  ASSERT_TRUE(Write("Sub\\Inside", "http://in/").ok());
  EXPECT_TRUE(std::filesystem::exists(Native("Sub/Inside.url")));
  const Status missing = Write("Nowhere\\Inside", "http://in/");
  EXPECT_FALSE(missing.ok());
  EXPECT_EQ(FailureMessage(missing).rfind(std::to_string(missing.code) + " ", 0), 0u);
}

TEST_F(FavoriteWriteTest, NamesWindowsRefusesAndFilesThatCannotBeReplacedFail) {
  for (const std::string& title : {std::string("Tab\tname"), std::string("Nul\0name", 8)}) {
    SCOPED_TRACE(title);
    EXPECT_EQ(Write(title, "http://x/").code, errc::kBadFileName);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(prefix_.native("drive_c/Windows/Favorites")),
                          std::filesystem::directory_iterator()),
            1);  // only Sub: nothing was created
  // A "|", which no Windows name may hold, is dropped like the other characters the rule drops.
  ASSERT_TRUE(Write("Pipe | name", "http://x/").ok());
  EXPECT_EQ(written_, "c:\\windows\\favorites\\Pipe  name.url");
  test::WriteFile(Native("Kept.url"), "old");
  chmod(Native("Kept.url").c_str(), 0444);
  EXPECT_FALSE(Write("Kept", "http://new/").ok());
  EXPECT_EQ(test::ReadFile(Native("Kept.url")), "old");
  EXPECT_EQ(Write(std::string(300, 'n'), "http://x/").code, errc::kBadFileName);  // too long a name
  // 130 characters are a name for Windows but 260 bytes for Linux: the failure names the file by
  // its Windows path, 1252 text as every message is.
  std::string longName;
  for (int i = 0; i < 130; ++i) longName += "\xC3\xA9";  // the title is UTF-8, as the tree holds it
  const Status tooLong = Write(longName, "http://x/");
  EXPECT_EQ(tooLong.code, errc::kBadFileName);
  EXPECT_EQ(tooLong.message.rfind("c:\\windows\\favorites\\" + std::string(130, '\xe9') + ".url: ", 0), 0u)
      << tooLong.message;
}

// Overwriting a favorite takes turns with another Varnel writing in the favorites folder, and
// first removes what a killed write of that favorite left.
TEST_F(FavoriteWriteTest, AnOverwriteWaitsForTheFoldersLockAndClearsLeftovers) {
  ASSERT_TRUE(Write("Kept", "http://old/").ok());
  test::WriteFile(Native(".Kept.url.varnel-k1Ll3d"), "half a favorite");
  FileLock other;
  ASSERT_TRUE(other.Acquire(ReplaceLockFor(Native(""))).ok());
  std::atomic<bool> done = false;
  std::thread writer([&] {
    EXPECT_TRUE(Write("Kept", "http://new/").ok());
    done = true;
  });
  EXPECT_TRUE(test::WaitUntilSomeoneWaitsFor(ReplaceLockFor(Native("")), done));
  EXPECT_EQ(test::ReadFile(Native("Kept.url")), FavoriteFileBytes("http://old/"));
  other.Release();
  writer.join();
  EXPECT_EQ(test::ReadFile(Native("Kept.url")), FavoriteFileBytes("http://new/"));
  EXPECT_FALSE(std::filesystem::exists(Native(".Kept.url.varnel-k1Ll3d")));
}

TEST(BookmarkLine, IsExactAndCarriesTheLocalClock) {
  int tick = 1700000000;
  const auto clock = [&tick] { return std::int64_t{tick++}; };
  EXPECT_EQ(
      BookmarkLine("http://a/\"q\"?a>b<c&d", "News <b>Today</b> & \xE4\xB8\xAD", BookmarkCharset::CodePage, clock),
      "\t<DT><A HREF=\"http://a/%22q%22?a%3Eb%3Cc&amp;d\" ADD_DATE=\"1700000000\" LAST_VISIT=\"1700000001\" "
      "LAST_MODIFIED=\"1700000002\">News &lt;b&gt;Today&lt;/b&gt; &amp; &#20013;</A>");
  EXPECT_TRUE(BookmarkLine("a", "Plain \xC3\xA9", BookmarkCharset::Utf8, clock).ends_with(">Plain \xC3\xA9</A>"));
  EXPECT_NE(
      BookmarkLine("a", "", BookmarkCharset::CodePage, [] { return std::int64_t{4102444800}; }).find("\"4102444800\""),
      std::string::npos);  // past 2038

  const char* saved = std::getenv("TZ");
  const std::string savedTz = saved ? saved : "";
  setenv("TZ", "UTC-1", 1);  // one hour ahead of UTC
  tzset();
  const std::int64_t local = LocalClockSeconds();
  const std::int64_t utc = std::time(nullptr);
  saved ? setenv("TZ", savedTz.c_str(), 1) : unsetenv("TZ");
  tzset();
  EXPECT_NEAR(static_cast<double>(local - utc), 3600.0, 1.0);
}

// How many times `part` occurs in `text`.
std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

// Names in a folder that start with `prefix`.
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix)) names.push_back(name);
  }
  return names;
}

class BookmarkInsertTest : public ::testing::Test {
 protected:
  BookmarkInsertTest() { prefix_.MakeDriveCDirectory("p"); }
  std::string Bookmarks() const { return prefix_.native("drive_c/p/bookmark.htm"); }
  Status Add(const std::string& address = "http://fav/", const std::string& title = "Fav") {
    Status status = CopyBookmarksWithFavorite(
        drives_, "c:\\p", address, title, [] { return std::int64_t{42}; }, work_ / "tempfile", copy_);
    return status.ok() ? ReplaceBookmarks(copy_) : status;
  }
  static std::string Line(const std::string& address = "http://fav/", const std::string& title = "Fav") {
    return "\t<DT><A HREF=\"" + address + "\" ADD_DATE=\"42\" LAST_VISIT=\"42\" LAST_MODIFIED=\"42\">" + title +
           "</A>\r\n";
  }
  test::TempPrefix prefix_;
  test::TempDir work_;
  DriveMap drives_{prefix_.path()};
  BookmarkCopy copy_;
};

TEST_F(BookmarkInsertTest, TheLineGoesAfterEachHeadingAndEveryLineEndsInCrLf) {
  test::WriteFile(Bookmarks(), "<TITLE>B</TITLE>\r<H1>B</H1>\n<DL><p>\r\n<DT><A HREF=\"o\">Old</A>\r\n</DL><p>");
  ASSERT_TRUE(Add().ok());
  const std::string expected =
      "<TITLE>B</TITLE>\r\n<H1>B</H1>\r\n" + Line() + "<DL><p>\r\n<DT><A HREF=\"o\">Old</A>\r\n</DL><p>\r\n";
  EXPECT_EQ(test::ReadFile(Bookmarks()), expected);
  EXPECT_EQ(test::ReadFile(work_ / "tempfile"), expected);  // the working file stays, same bytes
  // The same favorite again: a second line, no check for the first.
  ASSERT_TRUE(Add().ok());
  EXPECT_EQ(test::ReadFile(Bookmarks()).find(Line() + Line()),
            std::string("<TITLE>B</TITLE>\r\n<H1>B</H1>\r\n").size());

  test::WriteFile(Bookmarks(), "<h1>lower</h1>\n<H1>one</H1>\r\nx</H1>y\r\n");
  ASSERT_TRUE(Add().ok());
  EXPECT_EQ(test::ReadFile(Bookmarks()), "<h1>lower</h1>\r\n<H1>one</H1>\r\n" + Line() + "x</H1>y\r\n" + Line());
  test::WriteFile(Bookmarks(), "<h1>only lower case</h1>\n");
  ASSERT_TRUE(Add().ok());
  EXPECT_EQ(test::ReadFile(Bookmarks()), "<h1>only lower case</h1>\r\n");
}

TEST_F(BookmarkInsertTest, FailuresLeaveBookmarkHtmAsItWas) {
  // No bookmark.htm in the profile.
  EXPECT_EQ(Add().code, errc::kFileNotFound);
  EXPECT_FALSE(std::filesystem::exists(Bookmarks()));

  const std::string original = "<H1>B</H1>\r\n";
  test::WriteFile(Bookmarks(), original);
  // "tempfile" cannot be made.
  EXPECT_FALSE(
      CopyBookmarksWithFavorite(drives_, "c:\\p", "a", "t", LocalClockSeconds, work_ / "gone/tempfile", copy_).ok());
  // A read-only bookmark.htm is not replaced.
  chmod(Bookmarks().c_str(), 0444);
  EXPECT_EQ(Add().code, errc::kPermissionDenied);
  chmod(Bookmarks().c_str(), 0644);
  // The browser wrote bookmark.htm between the copy and the replace.
  ASSERT_TRUE(CopyBookmarksWithFavorite(drives_, "c:\\p", "a", "t", LocalClockSeconds, work_ / "tempfile", copy_).ok());
  test::WriteFile(Bookmarks(), original + "<DT><A HREF=\"new\">From the browser</A>\r\n");
  EXPECT_EQ(ReplaceBookmarks(copy_).code, errc::kPathFileAccess);
  EXPECT_EQ(test::ReadFile(Bookmarks()), original + "<DT><A HREF=\"new\">From the browser</A>\r\n");
}

TEST_F(BookmarkInsertTest, LinksAreFollowedForBookmarkHtmAndReplacedForTempfile) {
  test::TempDir elsewhere;
  test::WriteFile(elsewhere / "real.htm", "<H1>B</H1>\r\n");
  std::filesystem::create_symlink(elsewhere / "real.htm", Bookmarks());
  test::WriteFile(elsewhere / "precious", "do not touch");
  std::filesystem::create_symlink(elsewhere / "precious", work_ / "tempfile");
  ASSERT_TRUE(Add().ok());
  EXPECT_TRUE(std::filesystem::is_symlink(Bookmarks()));
  EXPECT_EQ(test::ReadFile(elsewhere / "real.htm"), "<H1>B</H1>\r\n" + Line());
  EXPECT_EQ(test::ReadFile(elsewhere / "precious"), "do not touch");
  EXPECT_FALSE(std::filesystem::is_symlink(work_ / "tempfile"));
}

// A favorite's line must read back as exactly that bookmark: the characters that would end the
// address or start a tag are escaped, and a name or address that would split the line is refused
// with nothing written.
TEST_F(BookmarkInsertTest, TheLineReadsBackAsTheOneBookmarkItWasWrittenFor) {
  const std::string original = "<H1>B</H1>\r\n<DL><p>\r\n</DL><p>\r\n";
  test::WriteFile(Bookmarks(), original);
  const std::string title = "a<b> & <i>c</i> <DT>";
  ASSERT_TRUE(Add("http://x/?a>b<c\"d", title).ok());
  BookmarkTree tree;
  const BookmarkFileReading reading = ReadBookmarkFile(drives_, "c:\\p", tree);
  ASSERT_TRUE(reading.status.ok());
  EXPECT_TRUE(reading.unreadableLines.empty());
  ASSERT_EQ(tree.size(), 2u);  // the root and the one bookmark
  const std::optional<BookmarkTree::NodeId> node = tree.Find(title);
  ASSERT_TRUE(node);
  EXPECT_EQ(tree.text(*node), title);
  EXPECT_EQ(tree.address(*node), "http://x/?a%3Eb%3Cc%22d");
}

TEST_F(BookmarkInsertTest, ANameOrAddressThatWouldNotStayOneBookmarkIsRefused) {
  const std::string original = "<H1>B</H1>\r\n<DL><p>\r\n</DL><p>\r\n";
  test::WriteFile(Bookmarks(), original);
  struct Case {
    std::string address, title;
    int code;
    std::string named;  // how the message names the favorite
  };
  const Case cases[] = {
      {"http://fav/", "Fav\n<DT><H3 >Injected", errc::kBadFileName, "\"Fav\\n<DT><H3 >Injected\""},
      {"http://fav/", "Fav\r\njavascript", errc::kBadFileName, "\"Fav\\r\\njavascript\""},
      {"http://fav/\n\t<DT><A HREF=\"javascript:x\">X</A>", "Fav", errc::kInvalidArgument, "\"Fav\""},
      {"http://fav/\r", "Fav", errc::kInvalidArgument, "\"Fav\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const Status refused = Add(c.address, c.title);
    EXPECT_EQ(refused.code, c.code);
    EXPECT_NE(refused.message.find("The favorite " + c.named), std::string::npos) << refused.message;
    EXPECT_EQ(refused.message.find_first_of("\r\n"), std::string::npos);  // one line on a terminal
    EXPECT_EQ(test::ReadFile(Bookmarks()), original);
    EXPECT_FALSE(std::filesystem::exists(work_ / "tempfile"));
  }
  // Tags in a name are written as text: such a name is added, and reads back as itself.
  const std::string tags = "Fav <DT><H3 >Folder <DD>Described </DL><p> </H1> heading";
  ASSERT_TRUE(Add("http://fav/", tags).ok());
  BookmarkTree tree;
  EXPECT_TRUE(ReadBookmarkFile(drives_, "c:\\p", tree).unreadableLines.empty());
  EXPECT_EQ(tree.size(), 2u);
  EXPECT_TRUE(tree.Find(tags));
}

// A transfer killed at any moment leaves bookmark.htm as it was before some transfer or after
// it: never a mix.
TEST_F(BookmarkInsertTest, AKilledTransferLeavesTheOldOrTheNewFile) {
  const std::string head = "<TITLE>B</TITLE>\r\n<H1>B</H1>\r\n";
  const std::string tail = std::string(200000, 'x') + "\r\n</DL><p>\r\n";
  test::WriteFile(Bookmarks(), head + tail);
  std::mt19937 random(7);
  for (int round = 0; round < 15; ++round) {
    ASSERT_NO_FATAL_FAILURE(test::KillWhileRepeating([&] { test::ExpectOk(Add()); }, random, 20000));
    const std::string now = test::ReadFile(Bookmarks());
    ASSERT_EQ(now.substr(0, head.size()), head);
    ASSERT_EQ(now.substr(now.size() - tail.size()), tail);
    std::string middle = now.substr(head.size(), now.size() - head.size() - tail.size());
    while (middle.starts_with(Line())) middle.erase(0, Line().size());
    ASSERT_EQ(middle, "") << "round " << round;
  }
  ASSERT_TRUE(Add().ok());
  EXPECT_EQ(NamesStartingWith(prefix_.native("drive_c/p"), ".bookmark.htm.varnel-"), std::vector<std::string>{});
}

// Two transfers at once, each from its own working folder, as two runs of the command line: each
// either adds its line or fails and adds nothing; a success never loses the other's line.
TEST_F(BookmarkInsertTest, TwoTransfersAtOnceNeverLoseALine) {
  const std::string head = "<TITLE>B</TITLE>\r\n<H1>B</H1>\r\n";
  const std::string tail = std::string(100000, 'x') + "\r\n</DL><p>\r\n";  // wide enough to overlap
  std::filesystem::create_directory(work_ / "a");
  std::filesystem::create_directory(work_ / "b");
  int bothAdded = 0;
  for (int pair = 0; pair < 50; ++pair) {
    test::WriteFile(Bookmarks(), head + tail);
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
      const std::string name = i == 0 ? "a" : "b";
      children[i] = fork();
      ASSERT_GE(children[i], 0);
      if (children[i] == 0) {
        close(start[1]);
        char go;
        [[maybe_unused]] const ssize_t ignored = read(start[0], &go, 1);  // both start when the pipe closes
        BookmarkCopy copy;
        Status status = CopyBookmarksWithFavorite(
            drives_, "c:\\p", "http://" + name + "/", name, [] { return std::int64_t{42}; }, work_ / name + "/tempfile",
            copy);
        if (status.ok()) status = ReplaceBookmarks(copy);
        _exit(status.ok() ? 0 : (status.message.find("changed by another program") != std::string::npos ? 1 : 2));
      }
    }
    close(start[0]);
    close(start[1]);
    int exits[2];
    for (int i = 0; i < 2; ++i) {
      int status = 0;
      waitpid(children[i], &status, 0);
      ASSERT_TRUE(WIFEXITED(status));
      exits[i] = WEXITSTATUS(status);
    }
    const std::string now = test::ReadFile(Bookmarks());
    for (int i = 0; i < 2; ++i) {
      const std::string name = i == 0 ? "a" : "b";
      SCOPED_TRACE("pair " + std::to_string(pair) + ", run " + name);
      ASSERT_NE(exits[i], 2) << "a failure other than the clear one";
      EXPECT_EQ(Occurrences(now, Line("http://" + name + "/", name)), exits[i] == 0 ? 1u : 0u);
    }
    ASSERT_TRUE(exits[0] == 0 || exits[1] == 0) << "pair " << pair << ": neither run added its line";
    EXPECT_TRUE(now.starts_with(head) && now.ends_with(tail));
    if (exits[0] == 0 && exits[1] == 0) ++bothAdded;
  }
  EXPECT_EQ(bothAdded, 50);  // the lock makes them take turns: no run has to fail
}

// A transfer waits while another Varnel replaces a file in bookmark.htm's folder.
TEST_F(BookmarkInsertTest, ATransferWaitsForTheFoldersReplacementLock) {
  test::WriteFile(Bookmarks(), "<H1>B</H1>\r\n");
  FileLock other;
  ASSERT_TRUE(other.Acquire(ReplaceLockFor(prefix_.native("drive_c/p"))).ok());
  std::atomic<bool> done = false;
  std::thread transfer([&] {
    EXPECT_TRUE(Add().ok());
    done = true;
  });
  EXPECT_TRUE(test::WaitUntilSomeoneWaitsFor(ReplaceLockFor(prefix_.native("drive_c/p")), done));
  EXPECT_EQ(test::ReadFile(Bookmarks()), "<H1>B</H1>\r\n");
  other.Release();
  transfer.join();
  EXPECT_EQ(test::ReadFile(Bookmarks()), "<H1>B</H1>\r\n" + Line());
}

// What a killed transfer left beside bookmark.htm (or beside the file a link at it names) goes
// with the next transfer; files that only look alike stay.
TEST_F(BookmarkInsertTest, TheNextTransferRemovesWhatAKilledOneLeft) {
  test::TempDir elsewhere;
  test::WriteFile(elsewhere / "real.htm", "<H1>B</H1>\r\n");
  std::filesystem::create_symlink(elsewhere / "real.htm", Bookmarks());
  test::WriteFile(elsewhere / ".real.htm.varnel-Ab3xQ9", std::string(1000, 'h'));  // a killed one's
  test::WriteFile(elsewhere / ".real.htm.varnel-short", "not ours: the wrong length");
  test::WriteFile(elsewhere / ".other.htm.varnel-Ab3xQ9", "another file's");
  std::filesystem::create_directory(elsewhere / ".real.htm.varnel-Dir123");
  ASSERT_TRUE(Add().ok());
  EXPECT_EQ(test::ReadFile(elsewhere / "real.htm"), "<H1>B</H1>\r\n" + Line());
  EXPECT_FALSE(std::filesystem::exists(elsewhere / ".real.htm.varnel-Ab3xQ9"));
  EXPECT_TRUE(std::filesystem::exists(elsewhere / ".real.htm.varnel-short"));
  EXPECT_TRUE(std::filesystem::exists(elsewhere / ".other.htm.varnel-Ab3xQ9"));
  EXPECT_TRUE(std::filesystem::is_directory(elsewhere / ".real.htm.varnel-Dir123"));
  // The lock is the target's folder's, and kept out of both folders.
  EXPECT_TRUE(std::filesystem::exists(ReplaceLockFor(elsewhere.path())));
  EXPECT_NE(ReplaceLockFor(elsewhere.path()), ReplaceLockFor(prefix_.native("drive_c/p")));
  EXPECT_FALSE(std::filesystem::exists(elsewhere / std::string(kReplaceLockName)));
  EXPECT_FALSE(std::filesystem::exists(prefix_.native("drive_c/p/") + std::string(kReplaceLockName)));
}

TEST(TransferAnimation, FollowsThePositionsOfBothPaths) {
  const std::vector<AnimationStep> toFavorites = BookmarkToFavoriteSteps();
  ASSERT_EQ(toFavorites.size(), 15u + 101u);
  EXPECT_EQ(toFavorites.front(), (AnimationStep{120, 3000, 120, 2800}));
  EXPECT_EQ(toFavorites[14], (AnimationStep{5720, 3000, 5720, 2800}));
  EXPECT_EQ(toFavorites[16], (AnimationStep{5720, 2990, 5720, 2790}));
  EXPECT_EQ(toFavorites.back(), (AnimationStep{5720, 2000, 5720, 1800}));
  const std::vector<AnimationStep> toBookmarks = FavoriteToBookmarkSteps();
  ASSERT_EQ(toBookmarks.size(), 17u + 49u);
  EXPECT_EQ(toBookmarks.front(), (AnimationStep{6720, 2520, 6720, 3000}));
  EXPECT_EQ(toBookmarks[16], (AnimationStep{320, 2520, 320, 3000}));
  EXPECT_EQ(toBookmarks[17], (AnimationStep{320, 2520, 320, 2995}));
  EXPECT_EQ(toBookmarks.back(), (AnimationStep{320, 3000, 320, 3475}));
}

}  // namespace
}  // namespace varnel

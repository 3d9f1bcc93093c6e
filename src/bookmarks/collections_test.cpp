#include "bookmarks/collections.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/collection_entries.h"
#include "bookmarks/favorites.h"
#include "bookmarks/transfers.h"
#include "settings/launch_address.h"
#include "testsupport/temp_dir.h"
#include "winenv/guarded_replace.h"
#include "winenv/process.h"
#include "winenv/text_lines.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProfile = "c:\\netscape\\users\\default";
constexpr const char* kFavorites = "c:\\windows\\favorites";

// Netscape's own layout: a heading, the top-level list, a folder with a sub-folder.
const std::string kBookmarks =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
    "<TITLE>Bookmarks</TITLE>\r\n"
    "<H1>Bookmarks</H1>\r\n"
    "\r\n"
    "<DL><p>\r\n"
    "    <DT><A HREF=\"http://loose/\" ADD_DATE=\"1\">Loose</A>\r\n"
    "    <DT><H3 ADD_DATE=\"2\">Work</H3>\r\n"
    "    <DL><p>\r\n"
    "        <DT><A HREF=\"http://work/\" ADD_DATE=\"3\">Work page</A>\r\n"
    "        <DT><H3 FOLDED ADD_DATE=\"4\">News</H3>\r\n"
    "        <DL><p>\r\n"
    "            <DT><A HREF=\"http://news/\" ADD_DATE=\"5\">News page</A>\r\n"
    "        </DL><p>\r\n"
    "    </DL><p>\r\n"
    "</DL><p>\r\n";

std::string Favorite(const std::string& address) { return "[InternetShortcut]\r\nURL=" + address + "\r\n"; }

// Every file below a folder with its bytes (folders as "dir"), to see that nothing changed; the
// empty replacement lock a save takes (and leaves, as every save does) is no change.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    if (it->path().filename() == kReplaceLockName) continue;
    files[it->path()] = it->is_directory() ? "dir" : test::ReadFile(it->path());
  }
  return files;
}

// Runs `body` in a child process with no capabilities, so that file modes bind even when the
// tests run as root, and with `fileSizeLimit` bytes as the largest file it may write (0: no
// limit): a write beyond it fails as on a full disk. The child's exit code.
int InChild(const std::function<int()>& body, rlim_t fileSizeLimit = 0) {
  const pid_t child = fork();
  if (child == 0) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2] = {};
    syscall(SYS_capset, &header, none);
    if (fileSizeLimit) {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{fileSizeLimit, fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class CollectionsTest : public ::testing::Test {
 protected:
  CollectionsTest() {
    prefix_.MakeDriveCDirectory("netscape/users/default");
    prefix_.MakeDriveCDirectory("windows/favorites");
    test::WriteFile(BookmarkNative(), kBookmarks);
  }
  std::string BookmarkNative() const { return prefix_.native("drive_c/netscape/users/default/bookmark.htm"); }
  std::string FavoritesNative(const std::string& relative = "") const {
    return prefix_.native("drive_c/windows/favorites" + (relative.empty() ? "" : "/" + relative));
  }
  void AddFavorite(const std::string& relative, const std::string& bytes) {
    fs::create_directories(fs::path(FavoritesNative(relative)).parent_path());
    test::WriteFile(FavoritesNative(relative), bytes);
  }
  Status Import(ImportPlan& plan, bool apply = true) {
    Status status = PlanImportFavorites(
        drives_, kFavorites, kProfile, [] { return std::int64_t{42}; }, nullptr, plan);
    if (status.ok() && apply) status = ApplyImportFavorites(plan);
    return status;
  }
  Status Export(ExportPlan& plan, bool apply = true) {
    Status status = PlanExportBookmarks(drives_, kProfile, kFavorites, nullptr, plan);
    if (status.ok() && apply) status = ApplyExportBookmarks(plan);
    return status;
  }
  std::optional<std::string> AddressIn(const std::string& relative) const {
    std::optional<std::string> address;
    EXPECT_TRUE(ReadFavoriteAddressNative(FavoritesNative(relative), address).ok()) << relative;
    return address;
  }
  BookmarkOutline Outline() const {
    BookmarkOutline outline;
    EXPECT_TRUE(ReadBookmarkOutline(drives_, kProfile, outline).ok());
    return outline;
  }

  test::TempPrefix prefix_;
  DriveMap drives_{prefix_.path()};
};

TEST(BookmarkOutline, NestsFoldersAsNetscapeWritesThemAndReadsEntriesAsTheTreeDoes) {
  BookmarkOutline outline;
  OutlineBookmarkLines(SplitTextLines(kBookmarks), outline);
  ASSERT_EQ(outline.folders.size(), 3u);
  EXPECT_EQ(outline.folders[1].name, "Work");
  EXPECT_EQ(outline.folders[2].name, "News");
  EXPECT_EQ(outline.folders[2].parent, 1u);
  EXPECT_EQ(outline.folders[2].listEnd, 12u);
  EXPECT_EQ(outline.folders[1].listEnd, 13u);
  EXPECT_EQ(outline.folders[0].listEnd, 14u);
  EXPECT_EQ(outline.headingLine, 2u);
  ASSERT_EQ(outline.bookmarks.size(), 3u);
  EXPECT_EQ(outline.bookmarks[2].address, "http://news/");
  EXPECT_EQ(outline.bookmarks[2].title, "News page");
  EXPECT_EQ(outline.bookmarks[2].folder, 2u);
  // A bookmark line without the closing quote cannot be read: it is noted, the rest is read.
  OutlineBookmarkLines({"<DL><p>", "<DT><A HREF=\"http://x>x</A>", "<DT><A HREF=\"y\">Y &amp; Z</A>", "</DL><p>"},
                       outline);
  EXPECT_EQ(outline.unreadableLines, std::vector<std::size_t>{2});
  ASSERT_EQ(outline.bookmarks.size(), 1u);
  EXPECT_EQ(outline.bookmarks[0].title, "Y & Z");
  EXPECT_EQ(outline.folders[0].listEnd, 3u);
  // A list end on a line that also ends another list gives no place for new lines.
  OutlineBookmarkLines({"<DL><p>", "<DT><H3>F</H3>", "<DL><p>", "</DL><p></DL><p>"}, outline);
  EXPECT_EQ(outline.folders[1].listEnd, 3u);
  EXPECT_FALSE(outline.folders[0].listEnd);
}

TEST_F(CollectionsTest, TheRealNetscapeFileKeepsEveryBookmarkInItsNestedFolder) {
  const std::string corpus = test::ReadFile(test::CorpusPath("netscape4-bookmark.htm"));
  test::WriteFile(BookmarkNative(), corpus);
  const BookmarkOutline outline = Outline();
  std::size_t bookmarkLines = 0;
  for (std::size_t at = corpus.find("<DT><A"); at != std::string::npos; at = corpus.find("<DT><A", at + 1))
    ++bookmarkLines;
  EXPECT_EQ(outline.bookmarks.size(), bookmarkLines);
  EXPECT_EQ(outline.folders[1].name, "Personal Toolbar Folder");
  EXPECT_EQ(outline.folders[outline.folders[1].folders[0]].name, "Search");
  for (const OutlineFolder& folder : outline.folders) EXPECT_TRUE(folder.listEnd) << folder.name;
}

TEST_F(CollectionsTest, ImportNestsFoldersReusesThoseThereAndARerunAddsNothing) {
  AddFavorite("Top.url", Favorite("http://top/"));
  AddFavorite("Loose again.url", Favorite("http://loose/"));    // already a top-level bookmark
  AddFavorite("Work/Work page.url", Favorite("http://work/"));  // already in Work
  AddFavorite("Work/Plan.url", Favorite("http://plan/"));
  AddFavorite("Work/News/Today.url", Favorite("http://today/"));
  AddFavorite("Work/News/Deep/Deeper.url", Favorite("http://deeper/"));
  AddFavorite("Home/Garden.url", Favorite("http://garden/"));
  fs::create_directories(FavoritesNative("Empty"));
  ImportPlan plan;
  ASSERT_TRUE(Import(plan).ok());
  EXPECT_EQ(plan.summary.added.size(), 5u);
  EXPECT_EQ(plan.summary.alreadyThere.size(), 2u);
  EXPECT_EQ(plan.summary.foldersAdded,
            (std::vector<std::string>{kFavorites + std::string("\\Empty"), kFavorites + std::string("\\Home"),
                                      kFavorites + std::string("\\Work\\News\\Deep")}));
  EXPECT_TRUE(plan.summary.refused.empty());
  const std::string t = "ADD_DATE=\"42\" LAST_VISIT=\"42\" LAST_MODIFIED=\"42\"";
  EXPECT_EQ(test::ReadFile(BookmarkNative()),
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
            "<TITLE>Bookmarks</TITLE>\r\n"
            "<H1>Bookmarks</H1>\r\n"
            "\t<DT><A HREF=\"http://top/\" " +
                t +
                ">Top</A>\r\n"
                "\r\n"
                "<DL><p>\r\n"
                "    <DT><A HREF=\"http://loose/\" ADD_DATE=\"1\">Loose</A>\r\n"
                "    <DT><H3 ADD_DATE=\"2\">Work</H3>\r\n"
                "    <DL><p>\r\n"
                "        <DT><A HREF=\"http://work/\" ADD_DATE=\"3\">Work page</A>\r\n"
                "        <DT><H3 FOLDED ADD_DATE=\"4\">News</H3>\r\n"
                "        <DL><p>\r\n"
                "            <DT><A HREF=\"http://news/\" ADD_DATE=\"5\">News page</A>\r\n"
                "        \t<DT><A HREF=\"http://today/\" " +
                t +
                ">Today</A>\r\n"
                "        \t<DT><H3 ADD_DATE=\"42\">Deep</H3>\r\n"
                "        \t<DL><p>\r\n"
                "        \t\t<DT><A HREF=\"http://deeper/\" " +
                t +
                ">Deeper</A>\r\n"
                "        \t</DL><p>\r\n"
                "        </DL><p>\r\n"
                "    \t<DT><A HREF=\"http://plan/\" " +
                t +
                ">Plan</A>\r\n"
                "    </DL><p>\r\n"
                "\t<DT><H3 ADD_DATE=\"42\">Empty</H3>\r\n"
                "\t<DL><p>\r\n"
                "\t</DL><p>\r\n"
                "\t<DT><H3 ADD_DATE=\"42\">Home</H3>\r\n"
                "\t<DL><p>\r\n"
                "\t\t<DT><A HREF=\"http://garden/\" " +
                t +
                ">Garden</A>\r\n"
                "\t</DL><p>\r\n"
                "</DL><p>\r\n");
  // The window's tree shows the folders as the import nested them.
  BookmarkTree tree;
  EXPECT_TRUE(ReadBookmarkFile(drives_, kProfile, tree).unreadableLines.empty());
  ASSERT_TRUE(tree.Find("Garden"));
  EXPECT_EQ(FolderPath(tree, *tree.Find("Garden")), "Home");
  ASSERT_TRUE(tree.Find("Deeper"));
  EXPECT_EQ(FolderPath(tree, *tree.Find("Deeper")), "Work/News/Deep");

  const std::string after = test::ReadFile(BookmarkNative());
  ImportPlan again;
  ASSERT_TRUE(Import(again).ok());
  EXPECT_FALSE(again.summary.changes());
  EXPECT_EQ(again.summary.alreadyThere.size(), 7u);
  EXPECT_EQ(test::ReadFile(BookmarkNative()), after);
}

TEST_F(CollectionsTest, ImportReportsBadFavoritesAndAddsTheRest) {
  AddFavorite("A.url", Favorite("http://a/"));
  AddFavorite("No address.url", "[InternetShortcut]\r\nIconFile=x\r\n");
  AddFavorite("Locked.url", Favorite("http://locked/"));
  chmod(FavoritesNative("Locked.url").c_str(), 0);
  AddFavorite("Z.url", Favorite("http://z/"));
  mkfifo(FavoritesNative("Pipe.url").c_str(), 0600);
  fs::create_directory_symlink("..", FavoritesNative("Loop"));
  AddFavorite("notes.txt", "not a favorite");
  AddFavorite("Empty address.url", "[InternetShortcut]\r\nURL=\r\n");  // would be HREF="", which export refuses
  AddFavorite("Huge.url", Favorite("http://huge/"));
  ASSERT_EQ(truncate(FavoritesNative("Huge.url").c_str(), 200 << 20), 0);  // 200 MB, a hole after its lines
  const int code = InChild([&] {
    ImportPlan plan;
    if (!Import(plan).ok()) return 10;
    if (plan.summary.added.size() != 2) return 11;
    if (plan.summary.refused.size() != 6) return 12 + static_cast<int>(plan.summary.refused.size());
    for (const RefusedEntry& r : plan.summary.refused) {
      if (r.entry.find("No address") != std::string::npos && r.reason != kCorruptedFavoriteMessage) return 30;
      if (r.entry.ends_with("\\Empty address.url") && r.reason != "its URL= line holds no address") return 33;
      if (r.entry.ends_with("\\Huge.url") && r.reason.find("larger than 1 MB") == std::string::npos) return 34;
      if (r.entry.find("Locked") != std::string::npos && r.reason.find("70") == std::string::npos) return 31;
      if (r.entry.find("Loop") != std::string::npos && r.reason.find("link back") == std::string::npos) return 32;
    }
    return 0;
  });
  EXPECT_EQ(code, 0);
  const std::string bookmarks = test::ReadFile(BookmarkNative());
  EXPECT_NE(bookmarks.find("http://z/"), std::string::npos);
}

TEST_F(CollectionsTest, ImportDryRunAndAFailedReplaceWriteNothing) {
  for (int i = 0; i < 50; ++i) AddFavorite("F" + std::to_string(i) + ".url", Favorite("http://f/" + std::to_string(i)));
  const auto before = Snapshot(prefix_.path());
  ImportPlan plan;
  ASSERT_TRUE(Import(plan, false).ok());
  EXPECT_EQ(plan.summary.added.size(), 50u);
  EXPECT_EQ(Snapshot(prefix_.path()), before);
  // A disk that fills while the new bookmark.htm is written leaves the old one whole.
  const int code = InChild(
      [&] {
        ImportPlan full;
        const Status status = Import(full);
        return status.ok() ? 0 : 1;
      },
      kBookmarks.size() + 100);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(Snapshot(prefix_.path()), before);
  // bookmark.htm changed by a browser between the plan and its application: left alone.
  ASSERT_TRUE(Import(plan, false).ok());
  test::WriteFile(BookmarkNative(), kBookmarks + "<!-- written meanwhile -->\r\n");
  EXPECT_EQ(ApplyImportFavorites(plan).code, errc::kPathFileAccess);
  EXPECT_EQ(test::ReadFile(BookmarkNative()), kBookmarks + "<!-- written meanwhile -->\r\n");
}

TEST_F(CollectionsTest, ExportNestsFoldersSkipsWhatIsThereAndNamesCollisionsAsCopies) {
  test::WriteFile(BookmarkNative(), kBookmarks.substr(0, kBookmarks.size() - 10) +
                                        "    <DT><A HREF=\"http://other-work/\" ADD_DATE=\"6\">Work: page</A>\r\n"
                                        "    <DT><A HREF=\"\" ADD_DATE=\"6\">Empty</A>\r\n"
                                        "    <DT><A HREF=\"http://bar/\" ADD_DATE=\"6\">a|b</A>\r\n"
                                        "    <DT><A HREF=\"http://" +
                                        std::string(kMaxFavoriteFileBytes, 'x') +
                                        "\">Too long</A>\r\n"
                                        "</DL><p>\r\n");
  AddFavorite("Loose.url", Favorite("http://someone-elses/"));  // the name is taken by another address
  AddFavorite("Work/Old.url", Favorite("http://work/"));        // the address is there already
  ExportPlan plan;
  ASSERT_TRUE(Export(plan).ok());
  EXPECT_EQ(AddressIn("Loose (2).url"), "http://loose/");
  EXPECT_EQ(AddressIn("Loose.url"), "http://someone-elses/");
  EXPECT_EQ(AddressIn("Work page.url"), "http://other-work/");
  EXPECT_FALSE(fs::exists(FavoritesNative("Work/Work page.url")));
  EXPECT_EQ(test::ReadFile(FavoritesNative("Work/News/News page.url")), FavoriteFileBytes("http://news/"));
  EXPECT_EQ(plan.summary.alreadyThere, std::vector<std::string>{kFavorites + std::string("\\Work\\Work page")});
  EXPECT_EQ(plan.summary.foldersAdded, std::vector<std::string>{kFavorites + std::string("\\Work\\News")});
  ASSERT_EQ(plan.summary.refused.size(), 2u);
  EXPECT_EQ(plan.summary.refused[0].reason, kNotAnAddressMessage);
  EXPECT_NE(plan.summary.refused[1].reason.find("too long for a favorite file"),
            std::string::npos);                   // it would not be read
  EXPECT_EQ(AddressIn("ab.url"), "http://bar/");  // the "|" Windows forbids is dropped
  for (const auto& [path, bytes] : Snapshot(FavoritesNative())) EXPECT_EQ(path.find(".varnel-"), std::string::npos);

  const auto after = Snapshot(FavoritesNative());
  ExportPlan again;
  ASSERT_TRUE(Export(again).ok());
  EXPECT_FALSE(again.summary.changes());
  EXPECT_EQ(Snapshot(FavoritesNative()), after);
  // And back: what the export wrote is all in bookmark.htm already; only the favorite that was
  // there before is new to it.
  ImportPlan back;
  ASSERT_TRUE(Import(back, false).ok());
  EXPECT_EQ(back.summary.added, std::vector<std::string>{kFavorites + std::string("\\Loose.url")});
}

// Copies of one name take the free numbers in turn, passing over those taken, in any letter
// case; an empty title is the name ".url" and is numbered the same way.
TEST_F(CollectionsTest, ExportNumbersManyCopiesOfOneNameInTurn) {
  std::string lines;
  for (int i = 0; i < 5; ++i) lines += "    <DT><A HREF=\"http://same/" + std::to_string(i) + "\">Same</A>\r\n";
  for (int i = 0; i < 3; ++i) lines += "    <DT><A HREF=\"http://untitled/" + std::to_string(i) + "\"></A>\r\n";
  test::WriteFile(BookmarkNative(), kBookmarks.substr(0, kBookmarks.size() - 10) + lines + "</DL><p>\r\n");
  AddFavorite("Same.url", Favorite("http://other/1"));
  AddFavorite("same (3).url", Favorite("http://other/3"));
  AddFavorite("Same (5).url", Favorite("http://other/5"));
  ExportPlan plan;
  ASSERT_TRUE(Export(plan).ok());
  const std::vector<std::string> numbers = {"2", "4", "6", "7", "8"};
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    EXPECT_EQ(AddressIn("Same (" + numbers[i] + ").url"), "http://same/" + std::to_string(i));
  }
  EXPECT_EQ(AddressIn(".url"), "http://untitled/0");
  EXPECT_EQ(AddressIn(" (2).url"), "http://untitled/1");
  EXPECT_EQ(AddressIn(" (3).url"), "http://untitled/2");
}

TEST_F(CollectionsTest, ExportThatFailsHalfWayLeavesTheFavoritesAsTheyWere) {
  AddFavorite("Work/Mine.url", Favorite("http://mine/"));
  chmod(FavoritesNative("Work").c_str(), 0555);  // the loose bookmark goes in first, then Work refuses
  const auto before = Snapshot(FavoritesNative());
  ExportPlan dry;
  ASSERT_TRUE(Export(dry, false).ok());
  EXPECT_EQ(dry.summary.added.size(), 3u);
  EXPECT_EQ(Snapshot(FavoritesNative()), before);
  EXPECT_EQ(InChild([&] {
              ExportPlan plan;
              const Status status = Export(plan);
              return status.code == errc::kPermissionDenied &&
                             status.message.find("left as they were") != std::string::npos
                         ? 0
                         : 1;
            }),
            0);
  EXPECT_EQ(Snapshot(FavoritesNative()), before);
  chmod(FavoritesNative("Work").c_str(), 0755);
  // A disk that fills up while the files are staged: one long address does not fit.
  test::WriteFile(BookmarkNative(), kBookmarks.substr(0, kBookmarks.size() - 10) + "<DT><A HREF=\"http://" +
                                        std::string(5000, 'x') + "\">Long</A>\r\n</DL><p>\r\n");
  EXPECT_EQ(InChild(
                [&] {
                  ExportPlan plan;
                  return Export(plan).ok() ? 0 : 1;
                },
                4096),
            1);
  EXPECT_EQ(Snapshot(FavoritesNative()), before);
  EXPECT_EQ(test::ReadFile(BookmarkNative()).find("\t<DT>"), std::string::npos);
}

// The staging folder of an export killed for real (SIGKILL, delivered by strace as it makes its
// first move, the one of Loose.url; the change journal's renames come before) is dealt with by the next export (which
// finds the export completed); that of an export still running (its folder locked) is left alone, and so are folders of
// the user's that only look like one.
TEST_F(CollectionsTest, AKilledExportsStagingFolderIsRemovedByTheNextExportAndOnlyThat) {
  if (!ProgramOnPath("strace")) GTEST_SKIP() << "strace is not installed here";
  test::TempDir state;
  const ProgramRun killed = RunProgram({"strace", "-f", "-qq", "-o", "/dev/null", "-P", FavoritesNative("Loose.url"),
                                        "-e", "inject=renameat2:signal=SIGKILL:when=1", VARNEL_PROGRAM, "--prefix",
                                        prefix_.path(), "export-bookmarks", "--profile", kProfile, "--dir", kFavorites},
                                       {"XDG_STATE_HOME=" + state.path(), "HOME=" + state.path()}, 60);
  ASSERT_TRUE(killed.started);
  EXPECT_NE(killed.exitCode, 0);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(FavoritesNative())) {
    if (IsStagingName(entry.path().filename().string())) left.push_back(entry.path());
  }
  ASSERT_EQ(left.size(), 1u) << "the killed export left no staging folder";

  const std::string running = FavoritesNative(std::string(kStagingPrefix) + "Run123");
  const std::string archive = FavoritesNative(std::string(kStagingPrefix) + "archive");  // the user's
  const std::string alike = FavoritesNative(std::string(kStagingPrefix) + "Abc123");     // the user's too
  for (const std::string& folder : {running, archive, alike}) {
    fs::create_directories(folder + "/Work");
    test::WriteFile(folder + "/Work/Half.url", Favorite("http://half/"));
  }
  const int held = open(running.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  ExportPlan plan;
  ASSERT_TRUE(Export(plan).ok());
  EXPECT_FALSE(fs::exists(left[0]));
  for (const std::string& folder : {running, archive, alike})
    EXPECT_TRUE(fs::exists(folder + "/Work/Half.url")) << folder;
  close(held);
  EXPECT_EQ(plan.summary.added.size(), 0u);
  EXPECT_EQ(AddressIn("Loose.url"), "http://loose/");
  EXPECT_EQ(AddressIn("Work/News/News page.url"), "http://news/");
}

// An export killed for real between its moves (SIGKILL as it moves the folder Work: Loose.url is
// in, Work not yet) is completed by the next collection command, even a dry run of
// the other; when a name it still has to take was taken meanwhile, it is undone instead.
TEST_F(CollectionsTest, AnExportKilledHalfWayIsCompletedOrUndoneByTheNextCommand) {
  if (!ProgramOnPath("strace")) GTEST_SKIP() << "strace is not installed here";
  const auto snapshotWithoutStaging = [&] {
    std::map<std::string, std::string> files;
    for (const auto& [path, bytes] : Snapshot(FavoritesNative())) {
      if (path.find(kStagingPrefix) == std::string::npos) files[path.substr(FavoritesNative().size())] = bytes;
    }
    return files;
  };
  ExportPlan whole;
  ASSERT_TRUE(Export(whole).ok());
  const auto after = snapshotWithoutStaging();  // what a whole export makes
  fs::remove_all(FavoritesNative());
  fs::create_directories(FavoritesNative());
  const auto before = snapshotWithoutStaging();
  for (const bool taken : {false, true}) {
    SCOPED_TRACE(taken ? "a name taken meanwhile" : "completed");
    fs::remove_all(FavoritesNative());
    fs::create_directories(FavoritesNative());
    test::TempDir state;
    const ProgramRun killed =
        RunProgram({"strace", "-f", "-qq", "-o", "/dev/null", "-P", FavoritesNative("Work"), "-e",
                    "inject=renameat2:signal=SIGKILL:when=1", VARNEL_PROGRAM, "--prefix", prefix_.path(),
                    "export-bookmarks", "--profile", kProfile, "--dir", kFavorites},
                   {"XDG_STATE_HOME=" + state.path(), "HOME=" + state.path()}, 60);
    ASSERT_NE(killed.exitCode, 0);
    ASSERT_TRUE(fs::exists(FavoritesNative("Loose.url")));
    ASSERT_FALSE(fs::exists(FavoritesNative("Work")));  // half way
    if (taken) test::WriteFile(FavoritesNative("Work"), "the user's, made meanwhile");
    ImportPlan dry;
    ASSERT_TRUE(Import(dry, false).ok());
    auto now = snapshotWithoutStaging();
    if (taken) {
      EXPECT_EQ(now.erase("/Work"), 1u);
      EXPECT_EQ(now, before);
    } else {
      EXPECT_EQ(now, after);
    }
    for (const auto& entry : fs::directory_iterator(FavoritesNative())) {
      EXPECT_FALSE(IsStagingName(entry.path().filename().string())) << entry.path();
    }
  }
}

// A linked sub-folder of the favorites leads elsewhere: the export writes nothing through it.
TEST_F(CollectionsTest, ExportNeverWritesThroughALinkInsideTheFavorites) {
  test::TempDir elsewhere;
  fs::create_directory_symlink(elsewhere.path(), FavoritesNative("Work"));
  ExportPlan plan;
  ASSERT_TRUE(Export(plan).ok());
  EXPECT_TRUE(fs::is_empty(elsewhere.path()));
  EXPECT_EQ(AddressIn("Loose.url"), "http://loose/");
  ASSERT_EQ(plan.summary.refused.size(), 1u);
  EXPECT_EQ(plan.summary.refused[0].entry, kFavorites + std::string("\\Work"));
  EXPECT_NE(plan.summary.refused[0].reason.find("is a link"), std::string::npos);
}

}  // namespace
}  // namespace varnel

namespace varnel {
namespace {

TEST(CollectionName, KeepsEveryCharacterWindowsHoldsInAName) {
  EXPECT_EQ(CollectionName("Amazon.com--Earth's (biggest) & best!+="), "Amazon.com--Earth's (biggest) & best!+=");
  EXPECT_EQ(CollectionName("a\\b/c:d*e?f\"g<h>i|j\tk"), "abcdefghijk");
  EXPECT_EQ(CollectionName("Trailing dots and blanks. . "), "Trailing dots and blanks");
  EXPECT_EQ(CollectionName("CON"), "CON_");
  EXPECT_EQ(CollectionName("nul.txt"), "nul_.txt");
  EXPECT_EQ(CollectionName("com7"), "com7_");
  EXPECT_EQ(CollectionName("Console"), "Console");
  EXPECT_EQ(CollectionName("\xD0\xA1\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xBA"),
            "\xD0\xA1\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xBA");
  std::string name = "ab\xC3\xA9";
  EXPECT_TRUE(CutToBytes(name, 3));
  EXPECT_EQ(name, "ab");  // never inside a character
  EXPECT_FALSE(CutToBytes(name, 3));
}

TEST_F(CollectionsTest, ExportNamesFilesAndFoldersByWhatWindowsHolds) {
  const std::string longTitle(300, 'x');
  test::WriteFile(BookmarkNative(),
                  "<H1>B</H1>\r\n<DL><p>\r\n"
                  "<DT><A HREF=\"http://amazon/\">Amazon.com--Earth's Biggest</A>\r\n"
                  "<DT><A HREF=\"http://dell/\">Dell.URL</A>\r\n"
                  "<DT><A HREF=\"http://long/\">" +
                      longTitle +
                      "</A>\r\n"
                      "<DT><A HREF=\"http://zh/\">&#20013;&#22269;</A>\r\n"
                      "<DT><H3>C</H3>\r\n<DL><p>\r\n<DT><A HREF=\"http://c/\">C</A>\r\n</DL><p>\r\n"
                      "<DT><H3>C++</H3>\r\n<DL><p>\r\n<DT><A HREF=\"http://cpp/\">C++</A>\r\n</DL><p>\r\n"
                      "</DL><p>\r\n");
  fs::remove_all(FavoritesNative());
  fs::create_directories(FavoritesNative());
  ExportPlan plan;
  ASSERT_TRUE(Export(plan).ok());
  EXPECT_EQ(AddressIn("Amazon.com--Earth's Biggest.url"), "http://amazon/");
  EXPECT_EQ(AddressIn("Dell.URL.url"), "http://dell/");
  EXPECT_EQ(AddressIn("\xE4\xB8\xAD\xE5\x9B\xBD.url"), "http://zh/");
  EXPECT_EQ(AddressIn("C/C.url"), "http://c/");
  EXPECT_EQ(AddressIn("C++/C++.url"), "http://cpp/");
  ASSERT_EQ(plan.summary.cut.size(), 1u);  // cut to fit, and told
  const std::string cut = std::string(NAME_MAX - 4 - 12, 'x') + ".url";
  EXPECT_EQ(AddressIn(cut), "http://long/");
  EXPECT_TRUE(plan.summary.refused.empty());
  // Back into an empty bookmark.htm, every title comes back (the cut one as cut).
  test::WriteFile(BookmarkNative(), "<H1>B</H1>\r\n<DL><p>\r\n</DL><p>\r\n");
  ImportPlan back;
  ASSERT_TRUE(Import(back).ok());
  BookmarkTree tree;
  ASSERT_TRUE(ReadBookmarkFile(drives_, kProfile, tree).status.ok());
  for (const char* title : {"Amazon.com--Earth's Biggest", "Dell.URL", "\xE4\xB8\xAD\xE5\x9B\xBD", "C", "C++"}) {
    EXPECT_EQ(BookmarksTitled(tree, title).size(), 1u) << title;
  }
  EXPECT_EQ(FolderPath(tree, BookmarksTitled(tree, "C++").front()), "C++");
}

// The real favorites (testdata/favorites) imported into an empty bookmark.htm: each becomes a
// bookmark titled by its real name, with the address a browser opens.
TEST_F(CollectionsTest, RealFavoritesAreImportedWithTheirTitles) {
  fs::remove_all(FavoritesNative());
  fs::create_directories(FavoritesNative());
  for (const auto& entry : fs::directory_iterator(test::CorpusPath("favorites"))) {
    if (entry.path().extension() == ".url")
      fs::copy_file(entry.path(), FavoritesNative(entry.path().filename().string()));
  }
  test::WriteFile(BookmarkNative(), "<H1>B</H1>\r\n<DL><p>\r\n</DL><p>\r\n");
  ImportPlan plan;
  ASSERT_TRUE(Import(plan).ok());
  EXPECT_TRUE(plan.summary.refused.empty());
  BookmarkTree tree;
  ASSERT_TRUE(ReadBookmarkFile(drives_, kProfile, tree).status.ok());
  std::size_t checked = 0;
  const std::string expected = test::ReadFile(test::CorpusPath("favorites/EXPECTED.txt"));
  for (std::size_t start = 0, end; start < expected.size(); start = end + 1) {
    end = std::min(expected.find('\n', start), expected.size());
    const std::string line = expected.substr(start, end - start);
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const std::vector<BookmarkTree::NodeId> found = BookmarksTitled(tree, FavoriteTitle(line.substr(0, tab)));
    ASSERT_EQ(found.size(), 1u) << line;
    EXPECT_EQ(tree.address(found.front()), line.substr(tab + 1)) << line;
    ++checked;
  }
  EXPECT_GE(checked, 10u);
}

// Whether a bookmark ("path TAB title TAB address") came back under a title numbered " (n)" (a
// title repeated in its folder) or cut to fit the file system (a title of hundreds of bytes).
bool KeptAsCopyOrCut(const std::string& entry, const std::set<std::string>& after) {
  const auto fields = [](const std::string& line) {
    const std::size_t first = line.find('\t'), last = line.rfind('\t');
    return std::array<std::string, 3>{line.substr(0, first), line.substr(first + 1, last - first - 1),
                                      line.substr(last + 1)};
  };
  const auto [path, title, address] = fields(entry);
  for (const std::string& other : after) {
    auto [otherPath, otherTitle, otherAddress] = fields(other);
    if (otherPath != path || otherAddress != address) continue;
    if (const std::size_t open = otherTitle.rfind(" ("); open != std::string::npos && otherTitle.ends_with(")")) {
      if (otherTitle.substr(0, open) == title) return true;
    }
    if (otherTitle.size() >= 200 && title.starts_with(otherTitle)) return true;
  }
  return false;
}

// Real bookmark files out into the favorites and back into an empty bookmark.htm: every bookmark
// keeps its folder path and title, as the collections' naming rule spells them (the characters
// Windows forbids dropped; a repeated title numbered, an overlong one cut). Two bookmarks of one
// address in one folder are one favorite.
TEST_F(CollectionsTest, ARoundTripOfRealFilesKeepsTheirTitlesAndFolders) {
  const auto bookmarksOf = [&] {
    BookmarkTree tree;
    EXPECT_TRUE(ReadBookmarkFile(drives_, kProfile, tree).status.ok());
    std::set<std::string> entries;
    for (BookmarkTree::NodeId id = 0; id < static_cast<BookmarkTree::NodeId>(tree.size()); ++id) {
      if (tree.picture(id) != BookmarkPicture::Bookmark || tree.address(id)->empty()) continue;
      std::string path;
      for (BookmarkTree::NodeId up = tree.parent(id); up != BookmarkTree::kNone && tree.key(up) != kRootKey;
           up = tree.parent(up)) {
        path = CollectionName(tree.text(up)) + "/" + path;
      }
      entries.insert(path + "\t" + CollectionName(tree.text(id)) + "\t" + std::string(*tree.address(id)));
    }
    return entries;
  };
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(test::CorpusPath("bookmarks"))) {
    if (!fs::exists(entry.path().string() + ".truth")) continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++files;
    test::WriteFile(BookmarkNative(), test::ReadFile(entry.path().string()));
    const std::set<std::string> before = bookmarksOf();
    fs::remove_all(FavoritesNative());
    fs::create_directories(FavoritesNative());
    ExportPlan out;
    ASSERT_TRUE(Export(out).ok());
    test::WriteFile(BookmarkNative(), "<H1>B</H1>\r\n<DL><p>\r\n</DL><p>\r\n");
    ImportPlan back;
    ASSERT_TRUE(Import(back).ok());
    const std::set<std::string> after = bookmarksOf();
    std::vector<std::string> lost;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(lost));
    std::erase_if(lost, [&](const std::string& entry) { return KeptAsCopyOrCut(entry, after); });
    EXPECT_LE(lost.size() * 100, before.size()) << (lost.empty() ? "" : lost.front());  // at least 99% kept
    // A rerun of either adds nothing.
    ExportPlan again;
    ASSERT_TRUE(Export(again).ok());
    EXPECT_FALSE(again.summary.changes());
    ImportPlan importAgain;
    ASSERT_TRUE(Import(importAgain).ok());
    EXPECT_FALSE(importAgain.summary.changes());
  }
  EXPECT_GE(files, 4u);
}

}  // namespace
}  // namespace varnel

#include "history/netscape_history.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <random>

#include "testsupport/expect_ok.h"
#include "testsupport/kill_rounds.h"
#include "testsupport/temp_dir.h"
#include "winenv/atomic_file.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

// prefs.js as Netscape 4 writes it on Windows: the two header lines and a blank line, then the
// preferences sorted by name, strings escaped (\" and \\), CR LF line ends.
const std::string kHeader =
    "// Netscape User Preferences\r\n"
    "// This is a generated file!  Do not edit.\r\n"
    "\r\n";
const std::string kPrefsBefore =
    "user_pref(\"browser.bookmark_window_showwindow\", 1);\r\n"
    "user_pref(\"browser.cache.disk_cache_size\", 7680);\r\n"
    "user_pref(\"browser.startup.homepage\", \"http://home.netscape.com/\");\r\n";
const std::string kHistoryLines =
    "user_pref(\"browser.url_history.URL_1\", \"http://www.example.com/\");\r\n"
    "user_pref(\"browser.url_history.URL_2\", \"file:///C|/My Documents/Caf\xe9 \\\"Menu\\\".html\");\r\n"
    "user_pref(\"browser.url_history.URL_3\", \"file:///C|/temp/a\\\\b.html\");\r\n"
    "user_pref(\"browser.url_history.URL_4\", \"http://search.example.com/find?q=a,b\");\r\n";
const std::string kPrefsAfter =
    "user_pref(\"mail.identity.username\", \"Jane Doe\");\r\n"
    "user_pref(\"network.hosts.pop_server\", \"mail.example.com\");\r\n";
const std::vector<std::string> kItems = {
    "\"http://www.example.com/\");",
    "\"file:///C|/My Documents/Caf\xe9 \\\"Menu\\\".html\");",
    "\"file:///C|/temp/a\\\\b.html\");",
    "\"http://search.example.com/find?q=a,b\");",
};

class NetscapeHistoryTest : public ::testing::Test {
 protected:
  NetscapeHistoryTest() : drives_(prefix_.path()) {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
  }

  std::string Native(const std::string& name) const {
    return prefix_.native("drive_c/Program Files/Netscape/Users/default/" + name);
  }
  void WritePrefs(const std::string& bytes) const { test::WriteFile(Native("prefs.js"), bytes); }
  std::string Prefs() const { return test::ReadFile(Native("prefs.js")); }
  std::string WorkingCopy() const { return test::ReadFile(Native("test.js")); }
  // The working copy stays open after a read; closing it without a save (as at program end)
  // changes nothing in it.
  std::string ClosedWorkingCopy() {
    workingCopy_.CloseAll();
    return WorkingCopy();
  }

  // Windows spells the directory in whatever case it likes; the drive map finds it anyway.
  Status Read(std::vector<std::string>& items) {
    items.clear();
    return ReadNetscapeHistory(workingCopy_, drives_, kProfile, [&](const std::string& i) { items.push_back(i); });
  }

  static constexpr std::string_view kProfile = "c:\\program files\\netscape\\users\\default";
  test::TempPrefix prefix_;
  DriveMap drives_;
  NetscapeWorkingCopy workingCopy_;
};

TEST(NetscapeHistoryLineTest, RecognisesTheKeyFromTheTwelfthCharacterOnAndCaseSensitively) {
  EXPECT_TRUE(IsHistoryLine("user_pref(\"browser.url_history.URL_1\", \"x\");"));
  EXPECT_TRUE(IsHistoryLine("// see also browser.url_history.URL_ lines"));     // a comment counts too
  EXPECT_FALSE(IsHistoryLine("user_pref(browser.url_history.URL_1, \"x\");"));  // key at position 11
  EXPECT_FALSE(IsHistoryLine("browser.url_history.URL_1"));
  EXPECT_FALSE(IsHistoryLine("user_pref(\"Browser.url_history.URL_1\", \"x\");"));
  EXPECT_FALSE(IsHistoryLine("user_pref(\"browser.url_history.url_1\", \"x\");"));
  EXPECT_FALSE(IsHistoryLine("short"));
  EXPECT_FALSE(IsHistoryLine(""));
}

TEST(NetscapeHistoryLineTest, CutsAfterTheFirstCommaAndTheCharacterBehindIt) {
  std::string item;
  ASSERT_TRUE(CutHistoryItem("user_pref(\"browser.url_history.URL_9\", \"http://a/?x=1,2\");", item).ok());
  EXPECT_EQ(item, "\"http://a/?x=1,2\");");
  ASSERT_TRUE(CutHistoryItem("// browser.url_history.URL_ no comma", item).ok());
  EXPECT_EQ(item, "/ browser.url_history.URL_ no comma");  // the whole line less its first character
  ASSERT_TRUE(CutHistoryItem("user_pref(\"browser.url_history.URL_1\",x", item).ok());
  EXPECT_EQ(item, "");

  Status commaLast = CutHistoryItem("user_pref(\"browser.url_history.URL_1\",", item);
  EXPECT_EQ(commaLast.code, errc::kInvalidArgument);

  EXPECT_EQ(ComposeHistoryLine(12, "\"http://a/\");"), "user_pref(\"browser.url_history.URL_12\", \"http://a/\");");
}

TEST_F(NetscapeHistoryTest, SplitsARealPrefsFileAndWritesTheHistoryBackAtTheEnd) {
  WritePrefs(kHeader + kPrefsBefore + kHistoryLines + kPrefsAfter);
  std::vector<std::string> items;
  ASSERT_TRUE(Read(items).ok());
  EXPECT_EQ(items, kItems);
  EXPECT_TRUE(workingCopy_.HasCompleteWorkingCopy());
  EXPECT_EQ(WorkingCopy(), kHeader + kPrefsBefore + kPrefsAfter);  // on disk while still open
  EXPECT_EQ(ClosedWorkingCopy(), kHeader + kPrefsBefore + kPrefsAfter);
  EXPECT_EQ(WriteNetscapeHistory(workingCopy_, items).code, errc::kBadFileName);  // closed: not usable

  ASSERT_TRUE(Read(items).ok());
  ASSERT_TRUE(WriteNetscapeHistory(workingCopy_, items).ok());
  EXPECT_EQ(Prefs(), kHeader + kPrefsBefore + kPrefsAfter + kHistoryLines);
  EXPECT_EQ(WorkingCopy(), Prefs());
}

TEST_F(NetscapeHistoryTest, RenumbersFromOneInListOrder) {
  WritePrefs(kHeader +
             "user_pref(\"a\", 1);\r\n"
             "user_pref(\"browser.url_history.URL_0\", \"http://zero/\");\r\n"
             "user_pref(\"b\", 2);\r\n"
             "user_pref(\"browser.url_history.URL_7\", \"http://seven/\");\r\n"
             "user_pref(\"c\", 3);\r\n");
  std::vector<std::string> items;
  ASSERT_TRUE(Read(items).ok());
  ASSERT_TRUE(WriteNetscapeHistory(workingCopy_, items).ok());
  EXPECT_EQ(Prefs(), kHeader +
                         "user_pref(\"a\", 1);\r\n"
                         "user_pref(\"b\", 2);\r\n"
                         "user_pref(\"c\", 3);\r\n"
                         "user_pref(\"browser.url_history.URL_1\", \"http://zero/\");\r\n"
                         "user_pref(\"browser.url_history.URL_2\", \"http://seven/\");\r\n");

  // An empty list leaves no history lines at all.
  ASSERT_TRUE(Read(items).ok());
  ASSERT_TRUE(WriteNetscapeHistory(workingCopy_, {}).ok());
  EXPECT_EQ(Prefs(), kHeader + "user_pref(\"a\", 1);\r\nuser_pref(\"b\", 2);\r\nuser_pref(\"c\", 3);\r\n");
}

TEST_F(NetscapeHistoryTest, LinesEndAtCrAndALoneLfBelongsToTheLine) {
  // No history: the working copy is prefs.js with CR LF line ends; a lone CR ends a line too.
  WritePrefs(kHeader + "user_pref(\"a\", 1);\ruser_pref(\"b\", \"x\ny\");");
  std::vector<std::string> items;
  ASSERT_TRUE(Read(items).ok());
  EXPECT_TRUE(items.empty());
  EXPECT_EQ(ClosedWorkingCopy(), kHeader + "user_pref(\"a\", 1);\r\nuser_pref(\"b\", \"x\ny\");\r\n");

  // A prefs.js that ends its lines with LF only reads as one line; when that line holds the
  // history key it must not become one item, or a save would keep only its tail.
  const std::string unixPrefs = "user_pref(\"a\", 1);\nuser_pref(\"browser.url_history.URL_1\", \"http://a/\");\n";
  WritePrefs(unixPrefs);
  Status read = Read(items);
  EXPECT_EQ(read.code, errc::kInvalidArgument);
  EXPECT_TRUE(items.empty());
  EXPECT_FALSE(WriteNetscapeHistory(workingCopy_, {}).ok());
  EXPECT_EQ(Prefs(), unixPrefs);

  WritePrefs("");
  ASSERT_TRUE(Read(items).ok());
  EXPECT_TRUE(items.empty());
  EXPECT_EQ(ClosedWorkingCopy(), "");
}

TEST_F(NetscapeHistoryTest, NoLengthOrCountLimits) {
  const std::string longAddress(3 << 20, 'a');
  std::string prefs = kHeader;
  for (int i = 1; i <= 2000; ++i) prefs += ComposeHistoryLine(i, "\"http://h/" + std::to_string(i) + "\");") + "\r\n";
  prefs += ComposeHistoryLine(2001, "\"" + longAddress + "\");") + "\r\n";
  WritePrefs(prefs);
  std::vector<std::string> items;
  ASSERT_TRUE(Read(items).ok());
  ASSERT_EQ(items.size(), 2001u);
  EXPECT_EQ(items.back().size(), longAddress.size() + 4);
  ASSERT_TRUE(WriteNetscapeHistory(workingCopy_, items).ok());
  EXPECT_EQ(Prefs(), prefs);
}

TEST_F(NetscapeHistoryTest, OnlyACompleteWorkingCopyReplacesPrefs) {
  const std::string original = kHeader + kPrefsBefore + kHistoryLines + kPrefsAfter;
  WritePrefs(original);

  // No read since the start.
  EXPECT_EQ(WriteNetscapeHistory(workingCopy_, {"\"http://x/\");"}).code, errc::kBadFileName);
  EXPECT_EQ(Prefs(), original);

  // A write closes the working copy: a second write needs a new read.
  std::vector<std::string> items;
  ASSERT_TRUE(Read(items).ok());
  ASSERT_TRUE(WriteNetscapeHistory(workingCopy_, items).ok());
  const std::string saved = Prefs();
  EXPECT_FALSE(workingCopy_.HasCompleteWorkingCopy());
  EXPECT_FALSE(WriteNetscapeHistory(workingCopy_, {}).ok());
  EXPECT_EQ(Prefs(), saved);

  // A read that fails part-way hands over the items before the failure and leaves an
  // incomplete working copy that is never saved.
  const std::string broken = kHeader + kHistoryLines + "user_pref(\"browser.url_history.URL_5\",\r\n" + kPrefsAfter;
  WritePrefs(broken);
  Status read = Read(items);
  EXPECT_EQ(read.code, errc::kInvalidArgument);
  EXPECT_EQ(items, kItems);
  EXPECT_FALSE(workingCopy_.HasCompleteWorkingCopy());
  EXPECT_EQ(WriteNetscapeHistory(workingCopy_, items).code, errc::kBadFileName);
  EXPECT_EQ(Prefs(), broken);

  // A new read discards the edits of the previous one and builds the working copy afresh.
  WritePrefs(original);
  ASSERT_TRUE(Read(items).ok());
  ASSERT_TRUE(Read(items).ok());
  ASSERT_TRUE(WriteNetscapeHistory(workingCopy_, items).ok());
  EXPECT_EQ(Prefs(), saved);
}

TEST_F(NetscapeHistoryTest, AMissingPrefsFileIsCode53AndMakesNoWorkingCopy) {
  std::vector<std::string> items;
  EXPECT_EQ(Read(items).code, errc::kFileNotFound);
  EXPECT_FALSE(fs::exists(Native("test.js")));
  EXPECT_EQ(ReadNetscapeHistory(workingCopy_, drives_, "c:\\no such profile", [](const std::string&) {}).code,
            errc::kFileNotFound);
  EXPECT_NE(ReadNetscapeHistory(workingCopy_, drives_, "no drive", [](const std::string&) {}).code, 0);
}

TEST_F(NetscapeHistoryTest, AFailedWriteOrCopyLeavesPrefsAsItWas) {
  const std::string original = kHeader + kPrefsBefore + kHistoryLines + kPrefsAfter;
  WritePrefs(original);
  std::vector<std::string> items;
  ASSERT_TRUE(Read(items).ok());
  // prefs.js cannot be replaced (the user made it read-only): it stays, and the message says so.
  chmod(Native("prefs.js").c_str(), 0444);
  Status written = WriteNetscapeHistory(workingCopy_, {});
  chmod(Native("prefs.js").c_str(), 0644);
  EXPECT_NE(written.message.find("Copying test.js over prefs.js"), std::string::npos) << written.message;
  EXPECT_EQ(Prefs(), original);

  // The disk fills while the history lines are written: the working copy may not grow.
  ASSERT_TRUE(Read(items).ok());
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit oldLimit{};
  getrlimit(RLIMIT_FSIZE, &oldLimit);
  rlimit full = oldLimit;
  full.rlim_cur = fs::file_size(Native("test.js"));
  setrlimit(RLIMIT_FSIZE, &full);
  written = WriteNetscapeHistory(workingCopy_, items);
  setrlimit(RLIMIT_FSIZE, &oldLimit);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(written.code, errc::kDiskFull) << written.message;
  EXPECT_EQ(Prefs(), original);
}

#if !defined(__SANITIZE_ADDRESS__)
// A line too long for the memory available stops the read with a failure: the working copy is
// never taken for complete, so no save can cut prefs.js short.
TEST_F(NetscapeHistoryTest, ALineTooLongForMemoryFailsTheReadInsteadOfEndingIt) {
  WritePrefs(kHeader + kHistoryLines);
  ASSERT_EQ(truncate(Native("prefs.js").c_str(), std::int64_t{400} << 20), 0);  // 400 MB of NULs, no line end
  const pid_t child = fork();
  if (child == 0) {
    rlimit limit{std::size_t{256} << 20, std::size_t{256} << 20};
    setrlimit(RLIMIT_AS, &limit);
    std::vector<std::string> items;
    _exit(Read(items).code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), errc::kOutOfMemory);
}
#endif

// A save killed at any moment leaves prefs.js as one whole version: the one before a save or the
// one after it.
TEST_F(NetscapeHistoryTest, AKilledSaveLeavesAWholePrefsFile) {
  const std::string other = kHeader + kPrefsBefore + kPrefsAfter;
  WritePrefs(other + std::string(100000, ' ') + "\r\n");  // large enough to be caught mid-write
  std::vector<std::string> items;
  ASSERT_TRUE(Read(items).ok());
  ASSERT_TRUE(WriteNetscapeHistory(workingCopy_, {"\"a\");"}).ok());
  const std::string withA = Prefs();
  ASSERT_TRUE(Read(items).ok());
  ASSERT_TRUE(WriteNetscapeHistory(workingCopy_, {"\"b\");"}).ok());
  const std::string withB = Prefs();
  std::mt19937 random(5);
  for (int round = 0; round < 12; ++round) {
    int i = 0;
    ASSERT_NO_FATAL_FAILURE(test::KillWhileRepeating(
        [&] {
          std::vector<std::string> read;
          test::ExpectOk(Read(read));
          test::ExpectOk(WriteNetscapeHistory(workingCopy_, {i++ % 2 ? "\"a\");" : "\"b\");"}));
        },
        random, 20000));
    const std::string now = Prefs();
    ASSERT_TRUE(now == withA || now == withB) << "round " << round << ": " << now.size() << " bytes";
  }
}

TEST_F(NetscapeHistoryTest, AWorkingCopyNameThatIsALinkIsReplacedNeverWrittenThrough) {
  const std::string original = kHeader + kPrefsBefore + kHistoryLines + kPrefsAfter;
  WritePrefs(original);
  const std::string elsewhere = Native("elsewhere.txt");
  test::WriteFile(elsewhere, "someone else's file");
  std::vector<std::string> items;
  for (const std::string& target : {Native("prefs.js"), elsewhere}) {
    fs::remove(Native("test.js"));
    fs::create_symlink(target, Native("test.js"));
    ASSERT_TRUE(Read(items).ok());
    EXPECT_EQ(Prefs(), original);
    EXPECT_EQ(test::ReadFile(elsewhere), "someone else's file");
    EXPECT_FALSE(fs::is_symlink(Native("test.js")));
  }
  fs::remove(Native("test.js"));
  fs::create_hard_link(Native("prefs.js"), Native("test.js"));  // a second name of prefs.js
  ASSERT_TRUE(Read(items).ok());
  EXPECT_EQ(Prefs(), original);
}

TEST_F(NetscapeHistoryTest, PrefsReplacedWhileTheOpenReadsItIsNeverOverwritten) {
  WritePrefs(kHeader + kPrefsBefore + kHistoryLines + kPrefsAfter);
  const std::string browsers = "user_pref(\"important\", 42);\r\n";
  bool replaced = false;
  NetscapeWorkingCopy copy;
  Status read = ReadNetscapeHistory(copy, drives_, kProfile, [&](const std::string&) {
    if (!replaced) test::ExpectOk(ReplaceFileContents(Native("prefs.js"), browsers));
    replaced = true;
  });
  ASSERT_TRUE(read.ok()) << read.message;
  EXPECT_EQ(WriteNetscapeHistory(copy, {}).code, errc::kPathFileAccess);
  EXPECT_EQ(Prefs(), browsers);
}

// Between the open and the save something else takes test.js's name: another file moved there,
// or a link to a file only its owner may read. The save copies the working copy the open wrote,
// never what has the name now, and prefs.js keeps its own permission bits.
TEST_F(NetscapeHistoryTest, AFileOrLinkPutInTheWorkingCopysPlaceIsNeverCopiedIn) {
  const std::string original = kHeader + kPrefsBefore + kHistoryLines + kPrefsAfter;
  const std::string secret = Native("secret");
  test::WriteFile(secret, "user_pref(\"password\", \"hunter2\");\r\n");
  chmod(secret.c_str(), 0600);
  for (const bool byLink : {false, true}) {
    SCOPED_TRACE(byLink ? "a link to a private file" : "a file moved into its place");
    WritePrefs(original);
    chmod(Native("prefs.js").c_str(), 0640);
    std::vector<std::string> items;
    ASSERT_TRUE(Read(items).ok());
    if (byLink) {
      fs::remove(Native("test.js"));
      fs::create_symlink(secret, Native("test.js"));
    } else {
      test::WriteFile(Native("foreign"), "user_pref(\"foreign\", 1);\r\n");
      fs::rename(Native("foreign"), Native("test.js"));
    }
    const Status saved = WriteNetscapeHistory(workingCopy_, {kItems[0]});
    ASSERT_TRUE(saved.ok()) << saved.message;
    EXPECT_EQ(Prefs(), kHeader + kPrefsBefore + kPrefsAfter + kHistoryLines.substr(0, kHistoryLines.find('\n') + 1));
    EXPECT_EQ(fs::status(Native("prefs.js")).permissions() & fs::perms::mask, fs::perms(0640));
    EXPECT_EQ(test::ReadFile(secret), "user_pref(\"password\", \"hunter2\");\r\n");
    EXPECT_EQ(fs::status(secret).permissions() & fs::perms::mask, fs::perms(0600));
    fs::remove(Native("test.js"));
  }
}

// Two opens of the same profile, as two Varnels: the first save wins, the second is refused and
// changes nothing, even though the second open took test.js's name from the first.
TEST_F(NetscapeHistoryTest, OfTwoSavesFromOneOpenStateTheSecondIsRefused) {
  WritePrefs(kHeader + kPrefsBefore + kHistoryLines + kPrefsAfter);
  NetscapeWorkingCopy first, second;
  ASSERT_TRUE(ReadNetscapeHistory(first, drives_, kProfile, [](const std::string&) {}).ok());
  ASSERT_TRUE(ReadNetscapeHistory(second, drives_, kProfile, [](const std::string&) {}).ok());
  ASSERT_TRUE(WriteNetscapeHistory(first, {"\"http://first/\");"}).ok());
  const std::string saved =
      kHeader + kPrefsBefore + kPrefsAfter + ComposeHistoryLine(1, "\"http://first/\");") + "\r\n";
  EXPECT_EQ(Prefs(), saved);
  EXPECT_EQ(WriteNetscapeHistory(second, {"\"http://second/\");"}).code, errc::kPathFileAccess);
  EXPECT_EQ(Prefs(), saved);
}

// prefs.js as a link (here a relative one to a link to the real file, in another folder): the
// links stay, the real file gets the new contents with its own permission bits, and what a
// killed save of it left beside it is removed.
TEST_F(NetscapeHistoryTest, APrefsLinkIsKeptAndItsTargetWritten) {
  const std::string real = prefix_.native("drive_c/real/prefs-real.js");
  fs::create_directories(prefix_.native("drive_c/real"));
  test::WriteFile(real, kHeader + kPrefsBefore + kHistoryLines + kPrefsAfter);
  chmod(real.c_str(), 0600);
  fs::create_symlink("prefs-real.js", prefix_.native("drive_c/real/prefs-link.js"));
  fs::create_symlink("../../../../real/prefs-link.js", Native("prefs.js"));
  ASSERT_EQ(test::ReadFile(Native("prefs.js")), test::ReadFile(real));
  test::WriteFile(prefix_.native("drive_c/real/.prefs-real.js.varnel-x0X0x0"), "a killed save's");
  std::vector<std::string> items;
  ASSERT_TRUE(Read(items).ok());
  ASSERT_TRUE(WriteNetscapeHistory(workingCopy_, {kItems[1], kItems[0]}).ok());
  EXPECT_TRUE(fs::is_symlink(Native("prefs.js")));
  EXPECT_EQ(fs::read_symlink(Native("prefs.js")), "../../../../real/prefs-link.js");
  EXPECT_TRUE(fs::is_symlink(prefix_.native("drive_c/real/prefs-link.js")));
  EXPECT_EQ(test::ReadFile(real), kHeader + kPrefsBefore + kPrefsAfter + ComposeHistoryLine(1, kItems[1]) + "\r\n" +
                                      ComposeHistoryLine(2, kItems[0]) + "\r\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::mask, fs::perms(0600));
  EXPECT_FALSE(fs::exists(prefix_.native("drive_c/real/.prefs-real.js.varnel-x0X0x0")));
}

TEST_F(NetscapeHistoryTest, ListingReadsTheItemsWithoutMakingAWorkingCopy) {
  WritePrefs(kHeader + kPrefsBefore + kHistoryLines + kPrefsAfter);
  std::vector<std::string> items;
  ASSERT_TRUE(ListNetscapeHistory(drives_, kProfile, [&](const std::string& i) { items.push_back(i); }).ok());
  EXPECT_EQ(items, kItems);
  EXPECT_FALSE(fs::exists(Native("test.js")));
}

}  // namespace
}  // namespace varnel

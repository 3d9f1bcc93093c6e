#include "winenv/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>

#include "testsupport/expect_ok.h"
#include "testsupport/kill_rounds.h"
#include "testsupport/temp_dir.h"
#include "winenv/code_page.h"

namespace varnel {
namespace {

using test::ReadFile;
using test::TempPrefix;
using test::WriteFile;

std::string StringOf(const std::optional<RegValue>& v) {
  if (!v || v->type != kRegSz) return "<none>";
  std::u16string text;
  for (std::size_t i = 0; i + 1 < v->data.size(); i += 2) text.push_back(char16_t(v->data[i] | v->data[i + 1] << 8));
  if (!text.empty() && text.back() == 0) text.pop_back();
  return AnsiFromUtf16(text);
}

RegValue Sz(const std::string& ansi) { return RegValue::String(Utf16FromAnsi(ansi)); }

// "k3" and the like; appended, not the literal + string form that GCC 12 at -O3 reports
// falsely (-Wrestrict).
std::string Numbered(const char* stem, int number) {
  std::string name = stem;
  name += std::to_string(number);
  return name;
}

TEST(RegistryTest, ClassesRootIsMachineSoftwareClassesAndNamesIgnoreCase) {
  TempPrefix prefix(true);
  Registry registry(prefix.path());
  EXPECT_EQ(StringOf(registry.QueryValue(Hive::ClassesRoot, ".HTM", "")), "htmlfile");
  EXPECT_EQ(StringOf(registry.QueryValue(Hive::LocalMachine, "software\\classes\\.htm", "content type")), "text/html");
  ASSERT_TRUE(registry.SetValue(Hive::ClassesRoot, "HTTP\\shell\\open\\ddeexec\\application", "", Sz("NSShell")).ok());
  EXPECT_EQ(StringOf(registry.QueryValue(Hive::LocalMachine,
                                         "Software\\Classes\\http\\shell\\open\\ddeexec\\Application", "")),
            "NSShell");
}

TEST(RegistryTest, WritesAreSavedAtOnceAndOnlyTheirLinesChange) {
  TempPrefix prefix(true);
  std::string before = ReadFile(prefix.native("system.reg"));
  {
    Registry registry(prefix.path());
    ASSERT_TRUE(registry.SetValue(Hive::ClassesRoot, ".htm", "", Sz("NetscapeMarkup")).ok());
  }
  std::string after = ReadFile(prefix.native("system.reg"));
  ASSERT_NE(before, after);
  // The value's line and its key's time lines change; nothing else.
  const auto withoutHtmTimes = [](std::string text) {
    const std::size_t key = text.find("[Software\\\\Classes\\\\.htm]");
    const std::size_t end = text.find('\n', text.find('\n', key) + 1);
    return text.erase(key, end - key);
  };
  std::size_t at = before.find("@=\"htmlfile\"\n\"Content Type\"=\"text/html\"");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(withoutHtmTimes(after),
            withoutHtmTimes(before.substr(0, at) + "@=\"NetscapeMarkup\"" + before.substr(at + 12)));
  Registry reopened(prefix.path());
  EXPECT_EQ(StringOf(reopened.QueryValue(Hive::ClassesRoot, ".htm", "")), "NetscapeMarkup");
}

TEST(RegistryTest, OutsideChangesAreReloadedAndNeverOverwritten) {
  TempPrefix prefix;
  Registry registry(prefix.path());
  ASSERT_TRUE(registry.SetValue(Hive::LocalMachine, "Software\\Varnel\\NetPath", "", Sz("c:\\one")).ok());
  // Another program (Wine, an editor) adds a key behind our back.
  std::string text = ReadFile(prefix.native("system.reg"));
  WriteFile(prefix.native("system.reg"), text + "\n[Software\\\\Other] 1700000000\n\"x\"=\"outside\"\n");
  EXPECT_EQ(StringOf(registry.QueryValue(Hive::LocalMachine, "Software\\Other", "x")), "outside");
  ASSERT_TRUE(registry.SetValue(Hive::LocalMachine, "Software\\Varnel\\IEPath", "", Sz("c:\\two")).ok());
  Registry fresh(prefix.path());
  EXPECT_EQ(StringOf(fresh.QueryValue(Hive::LocalMachine, "Software\\Other", "x")), "outside");
  EXPECT_EQ(StringOf(fresh.QueryValue(Hive::LocalMachine, "Software\\Varnel\\NetPath", "")), "c:\\one");
  EXPECT_EQ(StringOf(fresh.QueryValue(Hive::LocalMachine, "Software\\Varnel\\IEPath", "")), "c:\\two");
}

TEST(RegistryTest, AHiveThatDoesNotParseIsNeverWritten) {
  TempPrefix prefix;
  const std::string broken = "WINE REGISTRY Version 2\n\n[Software\\\\Broken\n\"x\"=\"y\"\n";
  WriteFile(prefix.native("system.reg"), broken);
  Registry registry(prefix.path());
  EXPECT_FALSE(registry.CheckHives().ok());
  EXPECT_FALSE(registry.QueryValue(Hive::LocalMachine, "Software\\Broken", "x"));
  const Status set = registry.SetValue(Hive::LocalMachine, "Software\\Varnel\\NetPath", "", Sz("c:\\x"));
  EXPECT_FALSE(set.ok());
  EXPECT_NE(set.message.find("system.reg"), std::string::npos) << set.message;
  EXPECT_EQ(ReadFile(prefix.native("system.reg")), broken);
}

TEST(RegistryTest, DeleteRemovesOnlyAKeyWithoutSubKeys) {
  TempPrefix prefix;
  Registry registry(prefix.path());
  ASSERT_TRUE(registry.SetValue(Hive::CurrentUser, "Software\\A\\B", "v", Sz("1")).ok());
  ASSERT_TRUE(registry.SetValue(Hive::CurrentUser, "Software\\A", "w", Sz("2")).ok());
  EXPECT_FALSE(registry.DeleteKey(Hive::CurrentUser, "Software\\A").ok());
  EXPECT_TRUE(registry.KeyExists(Hive::CurrentUser, "Software\\A\\B"));
  EXPECT_TRUE(registry.DeleteKey(Hive::CurrentUser, "software\\a\\b").ok());
  EXPECT_FALSE(registry.KeyExists(Hive::CurrentUser, "Software\\A\\B"));
  Registry fresh(prefix.path());
  EXPECT_FALSE(fresh.KeyExists(Hive::CurrentUser, "Software\\A\\B"));
  EXPECT_EQ(StringOf(fresh.QueryValue(Hive::CurrentUser, "Software\\A", "w")), "2");

  // A key the files hold nothing of (a running Wine may still hold it): its delete is a write
  // all the same, unlike DeleteKey's; one with a sub-key is refused by both.
  EXPECT_FALSE(fresh.DeleteKey(Hive::CurrentUser, "Software\\A\\Gone").ok());
  EXPECT_TRUE(fresh.DeleteEmptyKey(Hive::CurrentUser, "Software\\A\\Gone").ok());
  ASSERT_TRUE(fresh.SetValue(Hive::CurrentUser, "Software\\A\\C\\D", "v", Sz("3")).ok());
  EXPECT_FALSE(fresh.DeleteEmptyKey(Hive::CurrentUser, "Software\\A\\C").ok());
  EXPECT_EQ(StringOf(fresh.QueryValue(Hive::CurrentUser, "Software\\A\\C\\D", "v")), "3");
}

TEST(RegistryTest, ABatchIsSavedOnceWithAllItsWrites) {
  TempPrefix prefix(true);
  Registry registry(prefix.path());
  std::string before = ReadFile(prefix.native("system.reg"));
  {
    Registry::Batch batch(registry);
    for (int i = 0; i < 5; ++i) test::ExpectOk(registry.SetValue(Hive::ClassesRoot, Numbered("k", i), "", Sz("v")));
    EXPECT_EQ(ReadFile(prefix.native("system.reg")), before);                    // nothing saved yet
    EXPECT_EQ(StringOf(registry.QueryValue(Hive::ClassesRoot, "k3", "")), "v");  // but visible
    EXPECT_TRUE(batch.Commit().ok());
  }
  Registry fresh(prefix.path());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(StringOf(fresh.QueryValue(Hive::ClassesRoot, Numbered("k", i), "")), "v");
}

TEST(RegistryTest, ABatchWithAFailedWriteSavesNothing) {
  TempPrefix prefix;
  WriteFile(prefix.native("user.reg"), "not a hive\n");
  Registry registry(prefix.path());
  std::string before = ReadFile(prefix.native("system.reg"));
  {
    Registry::Batch batch(registry);
    test::ExpectOk(registry.SetValue(Hive::LocalMachine, "Software\\One", "", Sz("1")));
    EXPECT_FALSE(registry.SetValue(Hive::CurrentUser, "Software\\Two", "", Sz("2")).ok());
    EXPECT_FALSE(batch.Commit().ok());
  }
  EXPECT_EQ(ReadFile(prefix.native("system.reg")), before);
  EXPECT_FALSE(registry.KeyExists(Hive::LocalMachine, "Software\\One"));
}

TEST(RegistryTest, TwoProcessesWritingDifferentValuesBothSurvive) {
  TempPrefix prefix;
  constexpr int kWrites = 20;
  pid_t child = fork();
  if (child == 0) {
    Registry registry(prefix.path());
    for (int i = 0; i < kWrites; ++i)
      test::ExpectOk(registry.SetValue(Hive::LocalMachine, "Software\\Child", Numbered("v", i), Sz("c")));
    _exit(0);
  }
  Registry registry(prefix.path());
  for (int i = 0; i < kWrites; ++i)
    test::ExpectOk(registry.SetValue(Hive::LocalMachine, "Software\\Parent", Numbered("v", i), Sz("p")));
  int status = 0;
  waitpid(child, &status, 0);
  Registry fresh(prefix.path());
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(StringOf(fresh.QueryValue(Hive::LocalMachine, "Software\\Child", Numbered("v", i))), "c") << i;
    EXPECT_EQ(StringOf(fresh.QueryValue(Hive::LocalMachine, "Software\\Parent", Numbered("v", i))), "p") << i;
  }
}

TEST(RegistryTest, AMissingHiveIsEmptyAndCreatedByTheFirstWrite) {
  test::TempDir dir;
  Registry registry(dir.path());
  EXPECT_TRUE(registry.CheckHives().ok());
  EXPECT_FALSE(registry.QueryValue(Hive::CurrentUser, "Software\\X", ""));
  ASSERT_TRUE(registry.SetValue(Hive::CurrentUser, "Software\\X", "", Sz("y")).ok());
  EXPECT_EQ(ReadFile(dir / "user.reg").rfind("WINE REGISTRY Version 2\n", 0), 0u);
}

TEST(RegistryTest, OnlyAHiveThatIsNotThereIsEmpty) {
  TempPrefix prefix;
  const std::string hive = prefix.native("system.reg");
  const struct {
    const char* name;
    std::function<void()> make;
    const char* says;
  } cases[] = {
      {"link loop",
       [&] {
         std::remove(hive.c_str());
         symlink("user.reg.loop", hive.c_str());
         symlink("system.reg", prefix.native("user.reg.loop").c_str());
       },
       "symbolic links"},
      {"FIFO",
       [&] {
         std::remove(hive.c_str());
         mkfifo(hive.c_str(), 0600);
       },
       "not a regular file"},
      {"device",
       [&] {
         std::remove(hive.c_str());
         symlink("/dev/zero", hive.c_str());
       },
       "not a regular file"},
      {"directory",
       [&] {
         std::remove(hive.c_str());
         mkdir(hive.c_str(), 0700);
       },
       "directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(hive);
    std::filesystem::remove(prefix.native("user.reg.loop"));
    c.make();
    Registry registry(prefix.path());
    const Status checked = registry.CheckHives();  // no read may block on a FIFO
    EXPECT_FALSE(checked.ok());
    EXPECT_NE(checked.message.find(c.says), std::string::npos) << checked.message;
    EXPECT_FALSE(registry.SetValue(Hive::LocalMachine, "Software\\Varnel\\NetLAU", "", Sz("c:\\")).ok());
  }
  std::filesystem::remove_all(hive);
  std::filesystem::remove(prefix.native("user.reg.loop"));
  symlink("nowhere.reg", hive.c_str());  // a dangling link: there is no hive yet
  EXPECT_TRUE(Registry(prefix.path()).CheckHives().ok());
}

#if !defined(__SANITIZE_ADDRESS__)
// Runs `work` in a child whose address space is limited, and returns the child's exit code.
int UnderMemoryLimit(std::size_t bytes, const std::function<int()>& work) {
  const pid_t child = fork();
  if (child == 0) {
    struct rlimit limit {
      bytes, bytes
    };
    setrlimit(RLIMIT_AS, &limit);
    _exit(work());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST(RegistryTest, AHiveTooLargeForMemoryIsAFailureNotACrash) {
  TempPrefix prefix;
  const std::string hive = prefix.native("system.reg");
  ASSERT_EQ(truncate(hive.c_str(), 0), 0);
  ASSERT_EQ(truncate(hive.c_str(), std::int64_t{1} << 30), 0);  // 1 GB, sparse
  EXPECT_EQ(UnderMemoryLimit(std::size_t{512} << 20,
                             [&] {
                               Registry registry(prefix.path());
                               const Status checked = registry.CheckHives();
                               return checked.message.find("memory") != std::string::npos ? 42 : 1;
                             }),
            42);
}
#endif

// A disk that fills during a save: the failure comes back as code 61 and the hive is as it was.
TEST(RegistryTest, AFullDiskFailsTheSaveAndKeepsTheHive) {
  TempPrefix prefix(true);
  const std::string before = ReadFile(prefix.native("system.reg"));
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      4096, 4096
    };  // files may grow to 4 KB only
    setrlimit(RLIMIT_FSIZE, &limit);
    Registry registry(prefix.path());
    _exit(registry.SetValue(Hive::LocalMachine, "Software\\Varnel\\NetLAU", "", Sz("c:\\")).code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), errc::kDiskFull);
  EXPECT_EQ(ReadFile(prefix.native("system.reg")), before);
}

// A save killed at any moment leaves the old or the new hive; the next save removes what the
// killed one left behind.
TEST(RegistryTest, AKilledSaveLeavesTheOldOrNewHiveAndTheNextSaveCleansUp) {
  TempPrefix prefix(true);
  const std::string hive = prefix.native("system.reg");
  std::mt19937 random(11);
  for (int round = 0; round < 12; ++round) {
    Registry writer(prefix.path());
    int i = 0;
    ASSERT_NO_FATAL_FAILURE(test::KillWhileRepeating(
        [&] {
          test::ExpectOk(
              writer.SetValue(Hive::LocalMachine, "Software\\Varnel\\NetLAU", "", Sz("c:\\" + std::to_string(i++))));
        },
        random, 30000));
    Registry reader(prefix.path());
    ASSERT_TRUE(reader.CheckHives().ok()) << "round " << round;  // whole, parseable
  }
  WriteFile(prefix.native(".system.reg.varnel-AbC123"), "left by a killed save");
  WriteFile(prefix.native(".system.reg.varnel-toolong1"), "not ours");
  Registry registry(prefix.path());
  ASSERT_TRUE(registry.SetValue(Hive::LocalMachine, "Software\\Varnel\\NetLAU", "", Sz("c:\\")).ok());
  std::vector<std::string> stray;
  for (const auto& entry : std::filesystem::directory_iterator(prefix.path())) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".system.reg.varnel-")) stray.push_back(name);
  }
  EXPECT_EQ(stray, std::vector<std::string>{".system.reg.varnel-toolong1"});
}

// A wineserver is seen by the folder it works in, wherever its TMPDIR put that folder: here a
// stand-in named like it, in a private folder outside /tmp's usual places, holding the lock.
TEST(RegistryTest, ARunningWineServerIsSeenWhereverItKeepsItsFolder) {
  TempPrefix prefix;
  Registry registry(prefix.path());
  EXPECT_FALSE(registry.wine().Running());

  test::TempDir elsewhere;  // the server's own TMPDIR
  struct stat st {};
  ASSERT_EQ(stat(prefix.path().c_str(), &st), 0);
  char name[64];
  std::snprintf(name, sizeof name, "server-%llx-%llx", (unsigned long long)st.st_dev, (unsigned long long)st.st_ino);
  const std::string server = elsewhere / "wine-AbC123" + "/" + name;
  std::filesystem::create_directories(server);
  WriteFile(server + "/lock", "");
  const std::string standIn = elsewhere / "wineserver64";
  std::filesystem::copy_file("/bin/sleep", standIn);
  std::filesystem::permissions(standIn, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
  EXPECT_FALSE(registry.wine().Running());  // a lock file nobody holds: the server is gone

  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    const int fd = open((server + "/lock").c_str(), O_RDWR);  // kept across exec, and so the lock
    struct flock hold {};
    hold.l_type = F_WRLCK;
    hold.l_whence = SEEK_SET;
    fcntl(fd, F_SETLK, &hold);
    if (chdir(server.c_str()) != 0) _exit(1);
    (void)!write(ready[1], "x", 1);
    execl(standIn.c_str(), "wineserver64", "600", static_cast<char*>(nullptr));
    _exit(1);
  }
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  bool seen = false;
  for (int i = 0; i < 6000 && !seen; ++i) {  // until the exec has happened (at most 30 s)
    seen = registry.wine().Running();
    if (!seen) usleep(5000);
  }
  EXPECT_TRUE(seen);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_FALSE(registry.wine().Running());
}

// A call reads only the hive it needs: a user.reg that does not parse stands in the way of no
// HKEY_LOCAL_MACHINE read or write, and one for HKEY_CURRENT_USER names it.
TEST(RegistryTest, OnlyTheHiveACallNeedsIsRead) {
  TempPrefix prefix(true);
  WriteFile(prefix.native("user.reg"), "not a hive\n");
  Registry registry(prefix.path());
  EXPECT_EQ(StringOf(registry.QueryValue(Hive::ClassesRoot, ".htm", "")), "htmlfile");
  EXPECT_TRUE(registry.SetValue(Hive::LocalMachine, "Software\\Varnel\\NetPath", "", Sz("c:\\x")).ok());
  EXPECT_TRUE(registry.CheckHive(Hive::LocalMachine).ok());
  EXPECT_FALSE(registry.QueryValue(Hive::CurrentUser, "Software", ""));
  EXPECT_NE(registry.CheckHive(Hive::CurrentUser).message.find("user.reg"), std::string::npos);
}

}  // namespace
}  // namespace varnel

#include "settings/launch_address.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "testsupport/temp_dir.h"
#include "winenv/process.h"
#include "winenv/text_lines.h"

namespace varnel {
namespace {

class RecordingOpener : public AddressOpener {
 public:
  explicit RecordingOpener(std::vector<std::string>& log) : log_(log) {}
  void Open(const std::string& address) override { log_.push_back("open " + address); }

 private:
  std::vector<std::string>& log_;
};

TEST(LaunchAddressTest, HourglassOpenMinimizeAndPointerInThatOrder) {
  std::vector<std::string> log;
  RecordingOpener opener(log);
  const MainWindowHooks hooks{[&] { log.push_back("hourglass"); }, [&] { log.push_back("minimize"); },
                              [&] { log.push_back("pointer"); }};
  LaunchAddress(opener, hooks, "  http://example.org/a b\"c  ");
  LaunchAddress(opener, hooks, "");
  EXPECT_EQ(log, (std::vector<std::string>{"hourglass", "open   http://example.org/a b\"c  ", "minimize", "pointer",
                                           "hourglass", "open ", "minimize", "pointer"}));
}

TEST(LaunchAddressTest, TheAddressIsOneArgumentAndNeverReachesAShell) {
  const std::string address = "http://x/;touch /tmp/pwned";
  EXPECT_EQ(SystemAddressOpener("/tmp/prefix", true).CommandFor(address),
            (std::vector<std::string>{"wine", "start", "/min", "\"\"", address}));
  EXPECT_EQ(SystemAddressOpener("/tmp/prefix", false).CommandFor(address),
            (std::vector<std::string>{"xdg-open", address}));
  // 1252 text reaches the opener as UTF-8.
  EXPECT_EQ(SystemAddressOpener("/tmp/prefix", true).CommandFor("caf\xe9").back(), "caf\xc3\xa9");
}

TEST(LaunchAddressTest, AnAddressThatWineStartWouldReadAsItsOwnOptionStartsNothing) {
  SystemAddressOpener wine("/tmp/prefix", true);
  EXPECT_TRUE(wine.CommandFor("/exec c:\\windows\\evil.exe").empty());
  EXPECT_TRUE(wine.CommandFor("/unix /home/user/evil.exe").empty());
  EXPECT_EQ(wine.CommandFor(" /min").back(), " /min");  // a leading blank makes it no option
  EXPECT_EQ(wine.CommandFor("").back(), "");
  // An address that begins with a double quote is the document, never start's window title:
  // an empty title always comes first.
  EXPECT_EQ(wine.CommandFor("\"quoted"), (std::vector<std::string>{"wine", "start", "/min", "\"\"", "\"quoted"}));
}

// What a detached program finds in a file it was asked to write, waiting for it to appear (a
// loaded machine may take long to start it: the bound only keeps a lost program from hanging).
std::string WaitForFile(const std::string& path) {
  std::string content;
  for (int i = 0; i < 6000 && content.empty(); ++i) {
    usleep(10000);
    content = test::ReadFile(path);
  }
  return content;
}

// xdg-open has options (--help, --version) and no "--": an address beginning with "-" reaches it
// as a file of the working folder, the one the Windows shell would look for.
TEST(LaunchAddressTest, WithoutWineAnAddressThatBeginsWithAHyphenIsNoOptionOfXdgOpen) {
  SystemAddressOpener desktop("/tmp/prefix", false);
  EXPECT_EQ(desktop.CommandFor("--help"), (std::vector<std::string>{"xdg-open", "./--help"}));
  EXPECT_EQ(desktop.CommandFor("-x y").back(), "./-x y");
  EXPECT_EQ(desktop.CommandFor("http://x/--help").back(), "http://x/--help");
  EXPECT_EQ(desktop.CommandFor(" --help").back(), " --help");
  EXPECT_EQ(SystemAddressOpener("/tmp/prefix", true).CommandFor("--help").back(), "--help");  // start's are "/"

  // What a started xdg-open really receives.
  test::TempDir dir;
  const std::string record = dir / "argv";
  test::WriteFile(dir / "xdg-open", "#!/bin/sh\nprintf '%s|' \"$@\" > \"" + record + ".tmp\" && mv \"" + record +
                                        ".tmp\" \"" + record + "\"\n");
  chmod((dir / "xdg-open").c_str(), 0755);
  const char* path = std::getenv("PATH");
  const std::string savedPath = path ? path : "/usr/bin:/bin";
  setenv("PATH", (dir.path() + ":" + savedPath).c_str(), 1);
  desktop.Open("--version");
  setenv("PATH", savedPath.c_str(), 1);
  EXPECT_EQ(WaitForFile(record), "./--version|");
}

TEST(LaunchAddressTest, PercentSignsOfAWebAddressCannotNameVariablesForWine) {
  SystemAddressOpener wine("/tmp/prefix", true);
  EXPECT_EQ(wine.CommandFor("http://x/%PATH%/a%20b%2").back(), "http://x/%25PATH%25/a%20b%252");
  EXPECT_EQ(wine.CommandFor("c:\\50% off.htm").back(), "c:\\50% off.htm");  // a path, not an address
  EXPECT_EQ(SystemAddressOpener("/tmp/prefix", false).CommandFor("http://x/%PATH%").back(), "http://x/%PATH%");
}

TEST(LaunchAddressTest, TheChildGetsEachNameOnceWithOurValue) {
  std::string inherited[] = {"PATH=/bin", "WINEPREFIX=/elsewhere", "WINEPREFIXES=x", "HOME=/h"};
  char* env[] = {inherited[0].data(), inherited[1].data(), inherited[2].data(), inherited[3].data(), nullptr};
  EXPECT_EQ(ChildEnvironment({"WINEPREFIX=/mine"}, env),
            (std::vector<std::string>{"WINEPREFIX=/mine", "PATH=/bin", "WINEPREFIXES=x", "HOME=/h"}));
}

TEST(LaunchAddressTest, SpawnDetachedStartsAProgramWithTheExtraEnvironmentAndNoOpenFiles) {
  test::TempDir dir;
  const std::string marker = dir / "done";
  ASSERT_TRUE(SpawnDetached({"sh", "-c", "printf %s \"$VARNEL_T\" > \"$0\"", marker}, {"VARNEL_T=ok"}));
  EXPECT_EQ(WaitForFile(marker), "ok");
  EXPECT_FALSE(SpawnDetached({}, {}));

  // A working copy open for writing stays with this program: a browser started now must not
  // hold it.
  TextLineWriter workingCopy;
  ASSERT_TRUE(workingCopy.Create(dir / "test.js").ok());
  const std::string listing = dir / "fds";
  ASSERT_TRUE(SpawnDetached({"sh", "-c", "ls -l /proc/$$/fd > \"$0.tmp\" && mv \"$0.tmp\" \"$0\"", listing}, {}));
  const std::string open = WaitForFile(listing);
  EXPECT_NE(open.find("/dev/null"), std::string::npos) << open;
  EXPECT_EQ(open.find("test.js"), std::string::npos) << open;
}

// A program on PATH for the length of a test: `name` as a shell script.
class ProgramOnTestPath {
 public:
  ProgramOnTestPath(const std::string& name, const std::string& script) {
    test::WriteFile(dir_ / name, "#!/bin/sh\n" + script + "\n");
    chmod((dir_ / name).c_str(), 0755);
    const char* path = std::getenv("PATH");
    saved_ = path ? path : "/usr/bin:/bin";
    setenv("PATH", (dir_.path() + ":" + saved_).c_str(), 1);
  }
  ~ProgramOnTestPath() { setenv("PATH", saved_.c_str(), 1); }

 private:
  test::TempDir dir_;
  std::string saved_;
};

// The command line's open waits for the opener and fails when it failed: wine start and
// xdg-open end with a non-zero status when nothing takes the address.
TEST(LaunchAddressTest, OpenAndWaitTellsWhetherTheOpenerTookTheAddress) {
  {
    ProgramOnTestPath wine("wine", "echo 'no application associated' >&2; exit 1");
    SystemAddressOpener opener("/tmp/prefix", true);
    const Status failed = opener.OpenAndWait("http://example.invalid/", 30);
    EXPECT_EQ(failed.code, errc::kPathFileAccess);
    EXPECT_EQ(failed.message, "wine start could not open the address (it ended with status 1)");
    EXPECT_EQ(opener.OpenAndWait("/exec evil.exe", 30).code, errc::kInvalidArgument);  // nothing started
  }
  {
    test::TempDir dir;
    ProgramOnTestPath xdgOpen("xdg-open", "printf %s \"$1\" > '" + (dir / "took") + "'");
    EXPECT_TRUE(SystemAddressOpener("/tmp/prefix", false).OpenAndWait("http://example.org/", 30).ok());
    EXPECT_EQ(test::ReadFile(dir / "took"), "http://example.org/");  // it had ended: the file is there
  }
  EXPECT_EQ(RunInOwnSession({"no-such-program-varnel"}, {}, 30), 127);
  // One still running when the wait ends is left to run; it cannot end before the test lets it
  // (it ends when the folder goes, and leaves our error output then).
  test::TempDir dir;
  EXPECT_EQ(RunInOwnSession({"sh", "-c", "while [ -d \"$0\" ]; do sleep 0.01; done 2>/dev/null", dir.path()}, {}, 0),
            kStillRunning);
}

}  // namespace
}  // namespace varnel

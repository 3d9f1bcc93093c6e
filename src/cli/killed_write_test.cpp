// A history save killed for real (SIGKILL, delivered by strace as the program enters its n-th
// rename or its n-th write: while the journal writes its record, before prefs.js is replaced,
// before user.reg is, before the change is marked done), then undone by a later run: prefs.js and
// the typed addresses are as before the save, and no kill leaves a damaged record behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "history/typed_urls.h"
#include "journal/journal.h"
#include "settings/launch_address.h"
#include "settings/registry_access.h"
#include "testsupport/expect_ok.h"
#include "testsupport/run_varnel.h"
#include "testsupport/temp_dir.h"
#include "winenv/process.h"
#include "winenv/registry.h"

namespace varnel {
namespace {

constexpr const char* kProfile = "c:\\program files\\netscape\\users\\jane";
const std::string kPrefs =
    "user_pref(\"browser.url_history.URL_1\", \"http://a/\");\r\n"
    "user_pref(\"browser.url_history.URL_2\", \"http://b/\");\r\n"
    "user_pref(\"mail.identity.username\", \"Jane\");\r\n";

// Jane's prefs.js and two typed addresses in the prefix; gives the native path of prefs.js.
std::string WriteHistories(const test::TempPrefix& prefix) {
  prefix.MakeDriveCDirectory("Program Files/Netscape/Users/jane");
  const std::string prefs = prefix.native("drive_c/Program Files/Netscape/Users/jane/prefs.js");
  test::WriteFile(prefs, kPrefs);
  Registry registry(prefix.path());
  test::ExpectOk(WriteTypedUrls(registry, {"http://ie/1", "http://ie/2"}));
  return prefs;
}

TEST(KilledWrite, AHistorySaveKilledAtEachStepIsUndoneByTheNextRun) {
  if (!ProgramOnPath("strace")) GTEST_SKIP() << "strace is not installed here";
  const std::vector<std::pair<std::string, int>> kills = {
      {"rename,renameat,renameat2", 8}, {"write,pwrite64", 10}};  // calls, and how many of them are tried
  for (const auto& [calls, tries] : kills) {
    for (int when = 1; when <= tries; ++when) {
      const std::string step = calls + " " + std::to_string(when);
      test::TempPrefix prefix;
      test::TempDir state;
      const std::string prefs = WriteHistories(prefix);
      const std::vector<std::string> environment = {"XDG_STATE_HOME=" + state.path(), "HOME=" + state.path()};
      const ProgramRun killed =
          RunProgram({"strace", "-f", "-qq", "-o", "/dev/null", "-e",
                      "inject=" + calls + ":signal=SIGKILL:when=" + std::to_string(when), VARNEL_PROGRAM, "--prefix",
                      prefix.path(), "history", "clear", "both", "--profile", kProfile},
                     environment, 60);
      ASSERT_TRUE(killed.started);
      if (killed.exitCode == 0) continue;  // the save made fewer such calls

      const auto run = [&](std::vector<std::string> words) {
        return test::RunVarnel(prefix.path(), state.path(), words);
      };
      const auto [listed, changes] = run({"changes"});
      EXPECT_EQ(listed, 0) << changes;
      EXPECT_EQ(changes.find("damaged"), std::string::npos) << step << ": " << changes;
      // A kill before the record was whole left no record, and nothing written after it.
      if (!changes.empty()) {
        const auto [undone, said] = run({"undo"});
        EXPECT_EQ(undone, 0) << step << ": " << said;
      }
      EXPECT_EQ(test::ReadFile(prefs), kPrefs) << step;
      Registry registry(prefix.path());
      std::vector<std::string> typed;
      ReadTypedUrls(registry, [&](const std::string& address) { typed.push_back(address); });
      EXPECT_EQ(typed, (std::vector<std::string>{"http://ie/1", "http://ie/2"})) << step;
    }
  }
}

// A history save killed for real as it marks its change done (SIGKILL as it renames the .done
// mark into place, every write being over): undone without a question while prefs.js and the
// typed addresses are as the save left them; after the browser wrote prefs.js, refused like any
// change, and undone with --force.
TEST(KilledWrite, AChangeKilledAfterItsWriteIsUndoneOnlyOverTheStateItLeft) {
  if (!ProgramOnPath("strace")) GTEST_SKIP() << "strace is not installed here";
  for (const bool edited : {false, true}) {
    test::TempPrefix prefix;
    test::TempDir state;
    const std::string prefs = WriteHistories(prefix);
    const std::vector<std::string> environment = {"XDG_STATE_HOME=" + state.path(), "HOME=" + state.path()};
    const std::string journal = Journal::FolderFor(prefix.path(), [&](const char* name) -> std::optional<std::string> {
      if (std::string(name) == "XDG_STATE_HOME") return state.path();
      return std::nullopt;
    });
    const ProgramRun killed =
        RunProgram({"strace", "-f", "-qq", "-o", "/dev/null", "-P", journal + "/000001.done", "-e",
                    "inject=rename,renameat,renameat2:signal=SIGKILL:when=1", VARNEL_PROGRAM, "--prefix", prefix.path(),
                    "history", "clear", "both", "--profile", kProfile},
                   environment, 60);
    ASSERT_TRUE(killed.started);
    ASSERT_NE(killed.exitCode, 0) << "not killed at the mark";
    ASSERT_NE(test::ReadFile(prefs), kPrefs);  // the save itself was done

    const auto run = [&](std::vector<std::string> words) {
      return test::RunVarnel(prefix.path(), state.path(), words);
    };
    EXPECT_NE(run({"changes"}).second.find("unfinished"), std::string::npos);
    if (edited) {
      test::WriteFile(prefs, kPrefs + "user_pref(\"browser.startup.homepage\", \"http://later/\");\r\n");
      const auto [refused, said] = run({"undo"});
      EXPECT_EQ(refused, 1) << said;
      EXPECT_NE(said.find("prefs.js is neither as change 1"), std::string::npos) << said;
      EXPECT_NE(test::ReadFile(prefs), kPrefs);  // the browser's edit is kept
      const auto [forced, forcedSaid] = run({"undo", "--force"});
      EXPECT_EQ(forced, 0) << forcedSaid;
    } else {
      const auto [undone, said] = run({"undo"});
      EXPECT_EQ(undone, 0) << said;
    }
    EXPECT_EQ(test::ReadFile(prefs), kPrefs);
    Registry registry(prefix.path());
    std::vector<std::string> typed;
    ReadTypedUrls(registry, [&](const std::string& address) { typed.push_back(address); });
    EXPECT_EQ(typed, (std::vector<std::string>{"http://ie/1", "http://ie/2"})) << edited;
  }
}

}  // namespace
}  // namespace varnel

// Varnel beside real Wine: a prefix made by wineboot, each side reading what the other wrote,
// writes made through a running Wine (whose server keeps its folder under another TMPDIR), and
// addresses opened through Wine into a stand-in browser. Skipped where Wine is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "cli/cli.h"
#include "defaultbrowser/default_browser.h"
#include "session/prefix_survey.h"
#include "settings/launch_address.h"
#include "settings/registry_access.h"
#include "testsupport/expect_ok.h"
#include "testsupport/run_varnel.h"
#include "testsupport/temp_dir.h"
#include "winenv/process.h"
#include "winenv/registry.h"
#include "winenv/wine_registry.h"
#include "winenv/wine_server.h"

namespace varnel {
namespace {

constexpr int kWineSeconds = 180;

class WineIntegrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ProgramOnPath("wine") || !ProgramOnPath("wineserver")) GTEST_SKIP() << "Wine is not installed here";
    ASSERT_EQ(Wine({"wineboot", "-i"}).exitCode, 0);
    Wine({"wineserver", "-w"});  // Wine writes its hive files when its server ends
    ASSERT_TRUE(std::filesystem::exists(prefix_ / "system.reg"));
  }
  void TearDown() override {
    if (ProgramOnPath("wineserver")) Wine({"wineserver", "-k"});
  }
  ProgramRun Wine(std::vector<std::string> argv) {
    std::vector<std::string> settings = {"WINEPREFIX=" + prefix_.path(), "WINEDEBUG=-all", "DISPLAY="};
    if (!serverTmp_.empty()) settings.push_back("TMPDIR=" + serverTmp_);
    if (argv.front() != "wineserver") argv.insert(argv.begin(), "wine");
    return RunProgram(argv, settings, kWineSeconds);
  }

  // Starts a wineserver that stays (-p) and waits until it serves the prefix and still does a
  // second later: a server that an earlier Wine command left on its way out is not taken for
  // it (the new one would have found it still there and ended). Use with ASSERT_NO_FATAL_FAILURE.
  void StartPersistentServer() {
    std::vector<std::string> settings = {"WINEPREFIX=" + prefix_.path()};
    if (!serverTmp_.empty()) settings.push_back("TMPDIR=" + serverTmp_);
    const Registry registry(prefix_.path());
    for (int attempt = 0; attempt < 5; ++attempt) {
      Wine({"wineserver", "-w"});
      ASSERT_TRUE(RunProgram({"sh", "-c", "wineserver -p &"}, settings, 30).started);
      for (int i = 0; i < 200 && !registry.wine().Running(); ++i) usleep(50000);  // up to 10 s
      usleep(1000000);
      if (registry.wine().Running()) return;
    }
    FAIL() << "no wineserver stayed up for " << prefix_.path();
  }

  test::TempDir prefix_;
  std::string serverTmp_;
};

TEST_F(WineIntegrationTest, EachSideReadsWhatTheOtherWroteAndARunningWineIsWrittenThrough) {
  const std::string key = "Software\\Varnel\\NetLAU";
  {
    Registry registry(prefix_.path());
    test::ExpectOk(WriteRegistryString(registry, Hive::LocalMachine, key, "", "c:\\caf\xe9"));
  }
  EXPECT_NE(Wine({"reg", "query", "HKLM\\" + key, "/ve"}).output.find("REG_SZ    c:\\caf"), std::string::npos);
  ASSERT_EQ(Wine({"reg", "add", "HKCU\\Software\\VarnelTest", "/v", "x", "/d", "from wine", "/f"}).exitCode, 0);
  Wine({"wineserver", "-w"});
  {
    Registry registry(prefix_.path());
    EXPECT_EQ(ReadRegistryString(registry, Hive::CurrentUser, "Software\\VarnelTest", "x", ""), "from wine");
  }

  // A server started with another TMPDIR than ours: found, and written through.
  test::TempDir serverTmp;
  serverTmp_ = serverTmp.path();
  ASSERT_NO_FATAL_FAILURE(StartPersistentServer());
  Registry registry(prefix_.path());
  EXPECT_EQ(FindWineServer(prefix_.path())->tmpdir, serverTmp_);
  const std::string before = test::ReadFile(prefix_ / "system.reg");
  test::ExpectOk(WriteRegistryString(registry, Hive::LocalMachine, "Software\\Varnel\\NetPath", "",
                                     "c:\\program files\\netscape"));
  EXPECT_TRUE(registry.wine().WroteThroughWine());
  EXPECT_EQ(test::ReadFile(prefix_ / "system.reg"), before);  // the files are left to Wine
  EXPECT_EQ(ReadRegistryString(registry, Hive::LocalMachine, "Software\\Varnel\\NetPath", "", ""),
            "c:\\program files\\netscape");
  Wine({"wineserver", "-k"});
  Wine({"wineserver", "-w"});
  serverTmp_.clear();
  Registry afterWine(prefix_.path());
  EXPECT_EQ(ReadRegistryString(afterWine, Hive::LocalMachine, "Software\\Varnel\\NetPath", "", ""),
            "c:\\program files\\netscape");  // Wine kept it when it stopped
}

// A wineserver that starts while a write to the hive files is under way (another Wine program
// started at about the same moment) must not make the write lost, nor fail the Wine program:
// once Wine has stopped, both writes are there. A bounded race: in each round the Wine program
// starts a varying moment before the write; before the hives were renamed while no server could
// start, a few rounds of twelve lost the write. The last rounds run beside a persistent server.
TEST_F(WineIntegrationTest, AWriteWhileAWineServerStartsIsNotLost) {
  const std::vector<std::string> environment = {"WINEPREFIX=" + prefix_.path(), "WINEDEBUG=-all", "DISPLAY="};
  std::mt19937 random(3);
  constexpr int kStoppedRounds = 14;
  for (int round = 0; round < kStoppedRounds + 2; ++round) {
    if (round < kStoppedRounds) Wine({"wineserver", "-w"});
    if (round >= kStoppedRounds) {
      ASSERT_NO_FATAL_FAILURE(StartPersistentServer());
    }
    ChildProgram other;
    const std::string theirs = std::to_string(round);
    ASSERT_TRUE(
        other.Start({"wine", "reg", "add", "HKCU\\Software\\HRace", "/v", "x", "/d", theirs, "/f"}, environment));
    usleep(std::uniform_int_distribution<useconds_t>(0, 40000)(random));
    const std::string value = "c:\\race" + std::to_string(round);
    {
      Registry registry(prefix_.path());
      test::ExpectOk(WriteRegistryString(registry, Hive::LocalMachine, "Software\\Varnel\\NetLAU", "", value));
    }
    const ProgramRun run = other.Finish(std::chrono::steady_clock::now() + std::chrono::seconds(kWineSeconds));
    EXPECT_EQ(run.exitCode, 0) << "round " << round << ": " << run.output;
    if (round >= kStoppedRounds) Wine({"wineserver", "-k"});
    Wine({"wineserver", "-w"});
    Registry after(prefix_.path());
    EXPECT_EQ(ReadRegistryString(after, Hive::LocalMachine, "Software\\Varnel\\NetLAU", "", ""), value)
        << "round " << round;
    EXPECT_EQ(ReadRegistryString(after, Hive::CurrentUser, "Software\\HRace", "x", ""), theirs) << "round " << round;
  }
}

// Beside a running Wine, the undo of a switch of the default browser leaves none of the keys the
// switch made: not the ddeexec keys under http, nor the gopher keys, which Wine's prefix lacks.
// The files show only keys that hold something, so a key emptied of its sub-keys is deleted in
// Wine although the files' view no longer has it.
TEST_F(WineIntegrationTest, AnUndoneSwitchBesideARunningWineLeavesNoKeyItMade) {
  const test::TempDir state;
  const auto run = [&](std::vector<std::string> words) { return test::RunVarnel(prefix_.path(), state.path(), words); };
  ASSERT_EQ(run({"settings", "IEPath", "c:\\ie"}).first, 0);
  ASSERT_EQ(Wine({"reg", "query", "HKCR\\http\\shell\\open\\command"}).exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(StartPersistentServer());
  const auto [switched, switchSaid] = run({"default-browser", "ie"});
  ASSERT_EQ(switched, 0) << switchSaid;
  ASSERT_EQ(Wine({"reg", "query", "HKCR\\gopher\\shell\\open\\ddeexec"}).exitCode, 0);
  const auto [undone, undoSaid] = run({"undo"});
  EXPECT_EQ(undone, 0) << undoSaid;
  EXPECT_NE(Wine({"reg", "query", "HKCR\\gopher"}).exitCode, 0) << Wine({"reg", "query", "HKCR\\gopher", "/s"}).output;
  EXPECT_NE(Wine({"reg", "query", "HKCR\\http\\shell\\open\\ddeexec"}).exitCode, 0);
  EXPECT_EQ(Wine({"reg", "query", "HKCR\\http\\shell\\open\\command"}).exitCode, 0);  // Wine's own stays
}

// The read-back script run by Wine's own cscript: it finds edits Wine does not hold, and holds
// every kind of edit of a batch once the import went through.
TEST_F(WineIntegrationTest, OneScriptReadsAWholeBatchBackFromARunningWine) {
  ASSERT_NO_FATAL_FAILURE(StartPersistentServer());
  const std::optional<WineServer> server = FindWineServer(prefix_.path());
  ASSERT_TRUE(server);
  const std::vector<RegistryEdit> edits = {
      RegistryEdit::SetValue(Hive::CurrentUser, "Software\\VarnelTest\\Gone", "", RegValue::String(u"soon deleted")),
      RegistryEdit::DeleteKey(Hive::CurrentUser, "Software\\VarnelTest\\Gone"),
      RegistryEdit::SetValue(Hive::CurrentUser, "Software\\VarnelTest", "url1",
                             RegValue::String(u"http://caf\u00e9.example/\"q\"")),
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\VarnelTest", "", RegValue::String(u"c:\\program files\\x")),
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\VarnelTest", "n", {kRegDword, {0x01, 0x00, 0x00, 0x80}}),
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\VarnelTest", "a\\b", RegValue::String(u"z")),
  };
  const std::string script = prefix_ / "drive_c/windows/temp/check.js";
  test::WriteFile(script, ReadBackScript(edits));
  const std::string notYet = Wine({"cscript", "//nologo", "C:\\windows\\temp\\check.js"}).output;
  for (const char* line : {"varnel 2 not held", "varnel 3 not held", "varnel 4 not held", "varnel 5 not held"}) {
    EXPECT_NE(notYet.find(line), std::string::npos) << line << " in " << notYet;
  }
  EXPECT_NE(notYet.find("varnel 1 held"), std::string::npos) << notYet;  // that key was never there

  const Status written = WriteThroughWine(prefix_.path(), *server, edits);
  EXPECT_TRUE(written.ok()) << written.message;
  const std::string after = Wine({"cscript", "//nologo", "C:\\windows\\temp\\check.js"}).output;
  EXPECT_EQ(after.find("not held"), std::string::npos) << after;

  // Plain strings only: the script writes them itself, and Wine holds them.
  const std::vector<RegistryEdit> strings = {
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\VarnelTest\\Open", "",
                             RegValue::String(u"\"c:\\caf\u00e9\\x.exe\" \"%1\"")),
      RegistryEdit::SetValue(Hive::CurrentUser, "Software\\VarnelTest", "url2",
                             RegValue::String(u"http://two.example/")),
  };
  ASSERT_TRUE(ScriptCanWrite(strings));
  const Status scripted = WriteThroughWine(prefix_.path(), *server, strings);
  EXPECT_TRUE(scripted.ok()) << scripted.message;
  EXPECT_NE(Wine({"reg", "query", "HKCU\\Software\\VarnelTest", "/v", "url2"}).output.find("http://two.example/"),
            std::string::npos);
  EXPECT_NE(Wine({"reg", "query", "HKLM\\Software\\VarnelTest\\Open", "/ve"}).output.find("x.exe\" \"%1\""),
            std::string::npos);
}

// The command line's history edit while Wine runs: the typed addresses Wine itself wrote are
// edited through Wine (its server holds the registry), and the edit is what Wine then reads.
TEST_F(WineIntegrationTest, AHistoryEditWhileWineRunsGoesThroughWine) {
  const std::string key = "HKCU\\Software\\Microsoft\\Internet Explorer\\TypedURLs";
  for (const char* n : {"1", "2", "3"}) {
    ASSERT_EQ(
        Wine({"reg", "add", key, "/v", std::string("url") + n, "/d", std::string("http://") + n + "/", "/f"}).exitCode,
        0);
  }
  Wine({"wineserver", "-w"});
  ASSERT_NO_FATAL_FAILURE(StartPersistentServer());
  std::vector<std::string> words = {"varnel", "--prefix", prefix_.path(), "history", "remove", "ie", "http://2/"};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  std::ostringstream out, err;
  const test::TempDir state;
  const int code = RunCommand(ParseCommandLine(static_cast<int>(argv.size()), argv.data()),
                              test::StateHomeIn(state.path()), out, err);
  EXPECT_EQ(code, 0) << err.str();
  EXPECT_EQ(out.str(), "Removed from Internet Explorer (TypedURLs):\n  http://2/\n");
  EXPECT_NE(err.str().find("through Wine"), std::string::npos) << err.str();
  const std::string query = Wine({"reg", "query", key}).output;
  EXPECT_NE(query.find("url2    REG_SZ    http://3/"), std::string::npos) << query;
  EXPECT_EQ(query.find("http://2/"), std::string::npos) << query;
  EXPECT_EQ(query.find("url3"), std::string::npos) << query;
}

// The listing of prefixes says what a running Wine holds, not what its files, which are behind,
// still show; the run leaves nothing in C:\windows\temp, and files a killed run left there go.
TEST_F(WineIntegrationTest, PrefixesShowWhatARunningWineHoldsAndLeaveNoFilesInItsTemp) {
  ASSERT_NO_FATAL_FAILURE(StartPersistentServer());
  const std::string temp = prefix_ / "drive_c/windows/temp/";
  test::WriteFile(temp + "varnel-Kill01.js", "left by a killed run");
  test::WriteFile(temp + "varnel-Kill01.3.js", "end");
  ASSERT_EQ(Wine({"reg", "add", "HKLM\\Software\\Classes\\HTTP\\shell\\open\\ddeexec\\application", "/ve", "/d",
                  "NSShell", "/f"})
                .exitCode,
            0);
  {
    Registry files(prefix_.path());
    ASSERT_EQ(ReadRegistryString(files, Hive::ClassesRoot, kDefaultBrowserKey, "", ""), "");  // not written yet
  }
  const SurveyedPrefix surveyed = SurveyPrefix({prefix_.path(), "wine", Status::Ok()}, WineServers::Running());
  EXPECT_TRUE(surveyed.usable()) << surveyed.found.problem.message;
  EXPECT_EQ(surveyed.defaultBrowser, Browser::Netscape);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(temp)) {
    if (entry.path().filename().string().starts_with("varnel-")) left.push_back(entry.path().filename());
  }
  EXPECT_EQ(left, std::vector<std::string>{});
}

// Beside a running Wine every typed address it holds is read, however many: listed, removed,
// and put back whole by an undo of the removal and of a clear.
TEST_F(WineIntegrationTest, EveryTypedAddressWineHoldsIsReadRemovedAndRestored) {
  ASSERT_NO_FATAL_FAILURE(StartPersistentServer());
  const std::string key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs";
  std::string typed = "REGEDIT4\r\n\r\n[" + key + "]\r\n";
  for (int n = 1; n <= 60; ++n) typed += "\"url" + std::to_string(n) + "\"=\"http://u" + std::to_string(n) + "/\"\r\n";
  test::WriteFile(prefix_ / "drive_c/typed.reg", typed);
  ASSERT_EQ(Wine({"regedit", "/S", "c:\\typed.reg"}).exitCode, 0);
  const auto held = [&] { return Wine({"reg", "query", key}).output; };
  ASSERT_NE(held().find("http://u60/"), std::string::npos);
  ASSERT_EQ(test::ReadFile(prefix_ / "user.reg").find("http://u60/"), std::string::npos);  // not in Wine's files yet

  test::TempDir state;
  std::filesystem::create_directories(prefix_ / "drive_c/p");
  test::WriteFile(prefix_ / "drive_c/p/prefs.js", "user_pref(\"browser.url_history.URL_1\", \"http://n/\");\r\n");
  const auto run = [&](std::vector<std::string> words) {
    if (words.front() == "history") words.insert(words.end(), {"--profile", "c:\\p"});
    return test::RunVarnel(prefix_.path(), state.path(), words);
  };
  auto [code, said] = run({"history"});
  EXPECT_NE(said.find("  http://u60/\n"), std::string::npos) << said;
  std::tie(code, said) = run({"history", "remove", "ie", "http://u55/"});
  ASSERT_EQ(code, 0) << said;
  EXPECT_EQ(held().find("http://u55/"), std::string::npos);
  std::tie(code, said) = run({"undo"});
  ASSERT_EQ(code, 0) << said;
  EXPECT_NE(held().find("url55    REG_SZ    http://u55/"), std::string::npos) << held();
  EXPECT_NE(held().find("url60    REG_SZ    http://u60/"), std::string::npos);

  std::tie(code, said) = run({"history", "clear", "ie"});
  ASSERT_EQ(code, 0) << said;
  EXPECT_EQ(held().find("http://u"), std::string::npos);
  std::tie(code, said) = run({"undo"});
  ASSERT_EQ(code, 0) << said;
  EXPECT_NE(held().find("url60    REG_SZ    http://u60/"), std::string::npos) << held();
}

// Changes made through a running Wine, each by a run of its own, are undone by later runs,
// while Wine has not yet written its files: the old state each change records and the check
// before an undo are asked of Wine, so the undo puts back what Wine held, and Wine reads it so.
TEST_F(WineIntegrationTest, ChangesThroughARunningWineAreUndoneByLaterRuns) {
  test::TempDir state;
  const auto run = [&](std::vector<std::string> words) { return test::RunVarnel(prefix_.path(), state.path(), words); };
  std::filesystem::create_directories(prefix_ / "drive_c/Program Files/Netscape");
  std::filesystem::create_directories(prefix_ / "drive_c/Program Files/Internet Explorer");
  ASSERT_EQ(run({"settings", "NetPath", "c:\\program files\\netscape"}).first, 0);
  ASSERT_EQ(run({"settings", "IEPath", "c:\\program files\\Internet Explorer"}).first, 0);
  const auto command = [&] { return Wine({"reg", "query", "HKCR\\http\\shell\\open\\command", "/ve"}).output; };
  const std::string original = command();
  ASSERT_NE(original.find("REG_SZ"), std::string::npos) << original;

  ASSERT_NO_FATAL_FAILURE(StartPersistentServer());
  const std::string files = test::ReadFile(prefix_ / "system.reg");
  auto [code, said] = run({"default-browser", "ie"});
  ASSERT_EQ(code, 0) << said;
  const std::string ie = command();
  ASSERT_NE(ie.find("Internet Explorer"), std::string::npos) << ie;
  std::tie(code, said) = run({"default-browser", "netscape"});
  ASSERT_EQ(code, 0) << said;
  EXPECT_EQ(said.find("not recorded"), std::string::npos) << said;
  ASSERT_NE(command().find("netscape"), std::string::npos);
  ASSERT_EQ(test::ReadFile(prefix_ / "system.reg"), files);  // Wine has not written its files yet

  // Later runs read what Wine holds, not its files: the switch, a setting and a typed address
  // made in Wine.
  EXPECT_EQ(run({"default-browser"}).second, "netscape\n");
  ASSERT_EQ(Wine({"reg", "add", "HKLM\\Software\\Varnel\\NetLAU", "/ve", "/d", "c:\\in wine", "/f"}).exitCode, 0);
  ASSERT_EQ(Wine({"reg", "add", "HKCU\\Software\\Microsoft\\Internet Explorer\\TypedURLs", "/v", "url1", "/d",
                  "http://typed.in.wine/", "/f"})
                .exitCode,
            0);
  EXPECT_EQ(run({"settings", "NetLAU"}).second, "c:\\in wine\n");
  EXPECT_NE(run({"history"}).second.find("http://typed.in.wine/"), std::string::npos);

  std::tie(code, said) = run({"undo"});
  EXPECT_EQ(code, 0) << said;
  EXPECT_EQ(command(), ie);                   // what Wine held before the second switch, not what its files said
  std::tie(code, said) = run({"undo", "3"});  // the first switch and all after it; 1 and 2 are the settings
  EXPECT_EQ(code, 0) << said;
  EXPECT_EQ(command(), original);

  // A value changed in Wine since the last change stops the undo, though the files still show
  // what Varnel left.
  std::tie(code, said) = run({"default-browser", "ie"});
  ASSERT_EQ(code, 0) << said;
  ASSERT_EQ(Wine({"reg", "add", "HKCR\\http\\shell\\open\\command", "/ve", "/d", "by hand", "/f"}).exitCode, 0);
  std::tie(code, said) = run({"undo"});
  EXPECT_NE(code, 0);
  EXPECT_NE(said.find("HKEY_CLASSES_ROOT\\HTTP\\shell\\open\\command (default value) changed since change"),
            std::string::npos)
      << said;
  EXPECT_NE(command().find("by hand"), std::string::npos);
}

TEST_F(WineIntegrationTest, AddressesReachTheBrowserAsGiven) {
  test::TempDir browser;
  const std::string received = browser / "received";
  test::WriteFile(browser / "browser",
                  "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> " + received + "\n");
  std::filesystem::permissions(browser / "browser", std::filesystem::perms::owner_all);
  ASSERT_EQ(Wine({"reg", "add", "HKCU\\Software\\Wine\\WineBrowser", "/v", "Browsers", "/d", browser / "browser", "/f"})
                .exitCode,
            0);
  SystemAddressOpener opener(prefix_.path(), true);
  for (const char* address : {"http://one.example/a%20b", "\"http://quoted.example/", "http://env.example/%PATH%"}) {
    const std::vector<std::string> command = opener.CommandFor(address);
    std::vector<std::string> settings = {"WINEPREFIX=" + prefix_.path(), "WINEDEBUG=-all", "DISPLAY="};
    RunProgram(command, settings, kWineSeconds);  // as Open does it, but waited for
  }
  Wine({"wineserver", "-w"});  // nothing, such as a command shell, keeps Wine running
  EXPECT_EQ(test::ReadFile(received), "http://one.example/a%20b\nhttp://env.example/%25PATH%25\n");
}

}  // namespace
}  // namespace varnel

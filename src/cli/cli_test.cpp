#include "cli/cli.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "testsupport/temp_dir.h"
#include "winenv/prefix.h"

namespace varnel {
namespace {

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

class CommandLineTest : public ::testing::Test {
 protected:
  Outcome Varnel(std::vector<std::string> words) {
    std::vector<char*> argv{const_cast<char*>("varnel")};
    for (std::string& w : words) argv.push_back(w.data());
    CommandLine commandLine = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    std::ostringstream out, err;
    EnvLookup env = [this](const char* name) -> std::optional<std::string> {
      auto it = env_.find(name);
      if (it == env_.end()) return std::nullopt;
      return it->second;
    };
    int code = RunCommand(commandLine, env, out, err);
    return {code, out.str(), err.str()};
  }

  test::TempDir home_;
  std::map<std::string, std::string> env_{{"HOME", home_.path()}};
};

TEST_F(CommandLineTest, SettingsOnAFreshOwnPrefix) {
  Outcome all = Varnel({"settings"});
  ASSERT_EQ(all.code, 0) << all.err;
  EXPECT_EQ(all.out, "NetPath=\nIEPath=\nNetLAU=\nIEfav=\n");
  const std::string own = home_ / ".local/share/varnel/prefix";
  EXPECT_FALSE(test::ReadFile(own + "/system.reg").empty());

  EXPECT_EQ(Varnel({"settings", "NetPath", "c:\\program files\\netscape"}).code, 0);
  EXPECT_EQ(Varnel({"settings", "netpath"}).out, "c:\\program files\\netscape\n");
  EXPECT_EQ(
      Varnel({"settings", "--json"}).out,
      "{\"NetPath\": \"c:\\\\program files\\\\netscape\", \"IEPath\": \"\", \"NetLAU\": \"\", \"IEfav\": \"\"}\n");
}

TEST_F(CommandLineTest, TextIsUtf8OnTheTerminalAnd1252InTheRegistry) {
  test::TempPrefix prefix;
  ASSERT_EQ(Varnel({"--prefix", prefix.path(), "settings", "IEfav", "c:\\caf\xc3\xa9"}).code, 0);
  EXPECT_EQ(Varnel({"--prefix", prefix.path(), "settings", "IEfav"}).out, "c:\\caf\xc3\xa9\n");
  EXPECT_NE(test::ReadFile(prefix.native("system.reg")).find("c:\\\\caf\\xe9"), std::string::npos);
}

TEST_F(CommandLineTest, MistakesAreExplainedAndWriteNothing) {
  test::TempPrefix prefix;
  const std::string before = test::ReadFile(prefix.native("system.reg"));

  Outcome unknown = Varnel({"--prefix", prefix.path(), "frobnicate"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_NE(unknown.err.find("unknown subcommand 'frobnicate'"), std::string::npos);

  Outcome badSetting = Varnel({"--prefix", prefix.path(), "settings", "Colour", "red"});
  EXPECT_EQ(badSetting.code, 2);
  EXPECT_NE(badSetting.err.find("unknown setting 'Colour'"), std::string::npos);

  EXPECT_EQ(Varnel({"--prefix"}).code, 2);
  EXPECT_EQ(Varnel({"--bogus"}).code, 2);
  EXPECT_EQ(test::ReadFile(prefix.native("system.reg")), before);
}

TEST_F(CommandLineTest, APrefixThatCannotBeUsedIsRefused) {
  test::TempDir dir;
  test::WriteFile(dir / "plainfile", "x");
  Outcome notDir = Varnel({"--prefix", dir / "plainfile", "settings"});
  EXPECT_EQ(notDir.code, 1);
  EXPECT_NE(notDir.err.find("cannot use the prefix"), std::string::npos);

  EXPECT_EQ(Varnel({"--prefix", dir / "missing/deeper", "settings"}).code, 1);  // not even its parent

  test::TempPrefix broken;
  test::WriteFile(broken.native("system.reg"), "WINE REGISTRY Version 2\n[unterminated\n");
  Outcome bad = Varnel({"--prefix", broken.path(), "settings", "NetPath", "c:\\x"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.err.find("system.reg"), std::string::npos);
  EXPECT_EQ(test::ReadFile(broken.native("system.reg")), "WINE REGISTRY Version 2\n[unterminated\n");
}

// A command reads only the hives it uses: a broken user hive stops the history, which reads
// Internet Explorer's typed addresses there, and nothing that lives in the machine's hive.
TEST_F(CommandLineTest, ABrokenHiveStopsOnlyTheCommandsThatReadIt) {
  test::TempPrefix prefix;
  test::WriteFile(prefix.native("user.reg"), "WINE REGISTRY Version 2\n[unterminated\n");
  EXPECT_EQ(Varnel({"--prefix", prefix.path(), "settings", "NetPath", "c:\\x"}).code, 0);
  EXPECT_EQ(Varnel({"--prefix", prefix.path(), "default-browser"}).out, "ie\n");
  Outcome history = Varnel({"--prefix", prefix.path(), "history"});
  EXPECT_EQ(history.code, 1);
  EXPECT_NE(history.err.find("user.reg"), std::string::npos);
  EXPECT_EQ(test::ReadFile(prefix.native("user.reg")), "WINE REGISTRY Version 2\n[unterminated\n");
}

TEST_F(CommandLineTest, AnEmptyOrNewPrefixFolderIsLaidOutOnce) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "empty");
  for (const std::string& prefix : {dir / "empty", dir / "new"}) {
    SCOPED_TRACE(prefix);
    Outcome first = Varnel({"--prefix", prefix, "settings", "NetLAU", "c:\\"});
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(first.err, "varnel: laid out a new Windows environment in " + prefix + "\n");
    EXPECT_TRUE(std::filesystem::exists(prefix + "/drive_c"));
    EXPECT_TRUE(std::filesystem::is_symlink(prefix + "/dosdevices/c:"));
    Outcome second = Varnel({"--prefix", prefix, "settings", "NetLAU"});
    EXPECT_EQ(second.out, "c:\\\n");
    EXPECT_EQ(second.err, "");  // said once
  }
}

TEST_F(CommandLineTest, WinePrefixFromTheEnvironmentComesBeforeTheOwnPrefix) {
  test::TempPrefix prefix;
  env_["WINEPREFIX"] = prefix.path();
  ASSERT_EQ(Varnel({"settings", "NetLAU", "c:\\"}).code, 0);
  EXPECT_NE(test::ReadFile(prefix.native("system.reg")).find("NetLAU"), std::string::npos);
}

// The prefixes of a fake home: a listing that lays nothing out, and the choice it marks.
TEST_F(CommandLineTest, PrefixesListsWhatIsFoundAndMarksTheOneInUse) {
  const std::string tricks = home_ / ".local/share/wineprefixes";
  ASSERT_TRUE(CreatePrefixLayout(tricks + "/nav").ok());
  std::filesystem::create_directories(tricks + "/nav/drive_c/Program Files/Netscape");
  std::filesystem::create_directories(tricks + "/half");
  test::WriteFile(tricks + "/half/system.reg", "WINE REGISTRY Version 2\n");

  Outcome listed = Varnel({"prefixes"});
  ASSERT_EQ(listed.code, 0) << listed.err;
  EXPECT_EQ(listed.out, "  " + tricks +
                            "/half (winetricks): cannot be used: it has no drive_c folder (half made)\n"
                            "* " +
                            tricks +
                            "/nav (winetricks): Netscape in c:\\program files\\netscape, Internet "
                            "Explorer not found, default browser ie\n"
                            "The other commands use " +
                            tricks + "/nav (the only Wine prefix found that holds a browser).\n");
  EXPECT_FALSE(std::filesystem::exists(home_ / ".local/share/varnel"));  // nothing laid out

  Outcome json = Varnel({"--prefix", tricks + "/half", "prefixes", "--json"});
  ASSERT_EQ(json.code, 0) << json.err;
  EXPECT_EQ(json.out, "{\"prefixes\": [{\"path\": \"" + tricks +
                          "/half\", \"layout\": \"winetricks\", \"usable\": false, "
                          "\"problem\": \"it has no drive_c folder (half made)\", \"netscape\": null, \"ie\": null, "
                          "\"default\": null, \"chosen\": true}, {\"path\": \"" +
                          tricks +
                          "/nav\", \"layout\": \"winetricks\", "
                          "\"usable\": true, \"problem\": null, \"netscape\": \"c:\\\\program files\\\\netscape\", "
                          "\"ie\": null, \"default\": \"ie\", \"chosen\": false}], \"chosen\": \"" +
                          tricks +
                          "/half\", "
                          "\"reason\": \"named with --prefix\"}\n");
  EXPECT_EQ(Varnel({"prefixes", "extra"}).code, 2);

  // The other commands use the only prefix holding a browser, and say so.
  Outcome settings = Varnel({"settings", "NetLAU", "c:\\"});
  ASSERT_EQ(settings.code, 0) << settings.err;
  EXPECT_EQ(settings.err, "varnel: using " + tricks + "/nav, the only Wine prefix found that holds a browser\n");
  EXPECT_NE(test::ReadFile(tricks + "/nav/system.reg").find("NetLAU"), std::string::npos);
}

TEST_F(CommandLineTest, WithSeveralPrefixesHoldingABrowserTheCommandsAskForOne) {
  const std::string tricks = home_ / ".local/share/wineprefixes";
  for (const char* name : {"one", "two"}) {
    ASSERT_TRUE(CreatePrefixLayout(tricks + "/" + name).ok());
    std::filesystem::create_directories(tricks + "/" + name + "/drive_c/Program Files/Internet Explorer");
  }
  Outcome refused = Varnel({"settings", "NetLAU", "c:\\"});
  EXPECT_EQ(refused.code, 2);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err, "varnel: several Wine prefixes hold a browser: " + tricks + "/one, " + tricks +
                             "/two; name one with --prefix DIR (see varnel prefixes)\n");
  Outcome listed = Varnel({"prefixes"});
  EXPECT_NE(listed.out.find("The other commands use none: several Wine prefixes found hold a browser; name one "
                            "with --prefix DIR.\n"),
            std::string::npos);
  EXPECT_EQ(listed.out.find("* "), std::string::npos);
  EXPECT_EQ(Varnel({"--prefix", tricks + "/two", "settings", "NetLAU", "c:\\"}).code, 0);
}

// open says so, and exits with 1, when the opener it started found nothing to open the address.
TEST_F(CommandLineTest, OpenTellsWhenNothingOpenedTheAddress) {
  test::TempDir bin;
  test::WriteFile(bin / "wine", "#!/bin/sh\nexit 1\n");
  std::filesystem::permissions(bin / "wine", std::filesystem::perms::owner_all);
  const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  setenv("PATH", (bin.path() + ":" + saved).c_str(), 1);
  test::TempPrefix prefix;
  const Outcome failed = Varnel({"--prefix", prefix.path(), "open", "http://example.invalid/"});
  test::WriteFile(bin / "wine", "#!/bin/sh\nexit 0\n");
  const Outcome opened = Varnel({"--prefix", prefix.path(), "open", "http://example.org/"});
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(failed.code, 1);
  EXPECT_EQ(failed.err, "varnel: wine start could not open the address (it ended with status 1)\n");
  EXPECT_EQ(opened.code, 0) << opened.err;
}

TEST_F(CommandLineTest, HelpAndVersion) {
  Outcome help = Varnel({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("settings [NAME [VALUE]]"), std::string::npos);
  EXPECT_EQ(Varnel({"--version"}).out, "varnel 1.02\n");
}

// A new command is described everywhere a user looks: --help, the manual page, the help file
// the windows open, and the README.
TEST(CommandDocumentationTest, EveryCommandIsInTheHelpTheManualTheHelpFileAndTheReadme) {
  const std::string source = VARNEL_SOURCE_DIR;
  const std::string manual = test::ReadFile(source + "/packaging/varnel.1");
  const std::string helpFile = test::ReadFile(source + "/resources/help/vr.hlp");
  const std::string readme = test::ReadFile(source + "/README.md");
  for (std::string_view name : SubcommandNames()) {
    const std::string command(name);
    const std::string usage = "varnel [--prefix DIR] " + command;
    EXPECT_NE(HelpText().find(usage), std::string::npos) << command;
    EXPECT_NE(helpFile.find(usage), std::string::npos) << command;
    EXPECT_NE(readme.find(usage), std::string::npos) << command;
    const bool inManual = manual.find(".TP\n.BR " + command + " ") != std::string::npos ||
                          manual.find(".TP\n.BI " + command + " ") != std::string::npos;
    EXPECT_TRUE(inManual) << command;
  }
}

}  // namespace
}  // namespace varnel

#include "session/prefix_survey.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "session/open_prefix.h"
#include "session/open_session.h"
#include "settings/settings.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

// A fake home whose prefixes hold browsers as the tests ask.
class SurveyTest : public ::testing::Test {
 protected:
  std::string Prefix(const std::string& relative) {
    const std::string path = home_ / relative;
    EXPECT_TRUE(CreatePrefixLayout(path).ok());
    return path;
  }
  std::string WithStandardNetscape(const std::string& relative) {
    const std::string path = Prefix(relative);
    fs::create_directories(path + "/drive_c/Program Files/Netscape/Users");
    return path;
  }
  EnvLookup Env() {
    return [this](const char* name) -> std::optional<std::string> {
      auto it = env_.find(name);
      if (it == env_.end()) return std::nullopt;
      return it->second;
    };
  }
  const SurveyedPrefix* Find(const std::vector<SurveyedPrefix>& surveyed, const std::string& path) {
    for (const SurveyedPrefix& p : surveyed) {
      if (p.found.path == path) return &p;
    }
    ADD_FAILURE() << path << " not listed";
    return nullptr;
  }

  test::TempDir home_;
  std::map<std::string, std::string> env_{{"HOME", home_.path()}};
};

TEST_F(SurveyTest, TellsWhichBrowsersEachPrefixHoldsAndTheDefault) {
  const std::string standard = WithStandardNetscape(".local/share/wineprefixes/standard");
  const std::string set = Prefix(".local/share/bottles/bottles/set");
  fs::create_directories(set + "/drive_c/Browsers/IE5");
  {
    Registry registry(set);
    ASSERT_TRUE(WriteSetting(registry, Setting::IEPath, "c:\\browsers\\ie5").ok());
    ASSERT_TRUE(WriteSetting(registry, Setting::NetPath, "c:\\browsers\\gone").ok());  // removed since
  }
  const std::string netscapeDefault = WithStandardNetscape("Games/game");
  {
    Registry registry(netscapeDefault);
    ASSERT_TRUE(WriteSetting(registry, Setting::NetPath, "c:\\program files\\netscape").ok());
    ASSERT_TRUE(MakeDefault(registry, Browser::Netscape).ok());
  }
  const std::string empty = Prefix(".wine");

  const std::vector<SurveyedPrefix> surveyed = SurveyPrefixes(Env());
  ASSERT_EQ(surveyed.size(), 4u);
  const SurveyedPrefix* s = Find(surveyed, standard);
  EXPECT_EQ(s->netscape, "c:\\program files\\netscape");
  EXPECT_EQ(s->ie, "");
  EXPECT_EQ(s->defaultBrowser, Browser::InternetExplorer);
  const SurveyedPrefix* b = Find(surveyed, set);
  EXPECT_EQ(b->netscape, "");  // the setting names a folder that is gone, and the standard one is missing
  EXPECT_EQ(b->ie, "c:\\browsers\\ie5");
  EXPECT_EQ(Find(surveyed, netscapeDefault)->defaultBrowser, Browser::Netscape);
  EXPECT_EQ(BrowsersText(*b), "Netscape not found, Internet Explorer in c:\\browsers\\ie5, default browser ie");
  EXPECT_EQ(BrowsersText(*Find(surveyed, netscapeDefault)),
            "Netscape in c:\\program files\\netscape, Internet Explorer not found, default browser netscape");
  EXPECT_FALSE(Find(surveyed, empty)->HoldsBrowser());
  EXPECT_TRUE(Find(surveyed, empty)->usable());
}

TEST_F(SurveyTest, ABrokenMachineHiveMakesAPrefixUnusableAndNoneIsRead) {
  const std::string broken = WithStandardNetscape(".local/share/wineprefixes/broken");
  test::WriteFile(broken + "/system.reg", "WINE REGISTRY Version 2\n[unterminated\n");
  const std::string badUser = WithStandardNetscape(".local/share/wineprefixes/bad-user");
  test::WriteFile(badUser + "/user.reg", std::string(1000, '\0'));  // never read by the survey

  const std::vector<SurveyedPrefix> surveyed = SurveyPrefixes(Env());
  ASSERT_EQ(surveyed.size(), 2u);
  const SurveyedPrefix* b = Find(surveyed, broken);
  EXPECT_FALSE(b->usable());
  EXPECT_NE(b->found.problem.message.find("system.reg"), std::string::npos);
  EXPECT_FALSE(b->HoldsBrowser());
  EXPECT_EQ(BrowsersText(*b).find("cannot be used: "), 0u);
  EXPECT_TRUE(Find(surveyed, badUser)->HoldsBrowser());
}

TEST_F(SurveyTest, TheNamedPrefixComesFirstThenTheOnlyOneWithABrowser) {
  const std::string holding = WithStandardNetscape(".PlayOnLinux/wineprefix/browsers");
  Prefix(".local/share/wineprefixes/empty");
  const std::vector<SurveyedPrefix> surveyed = SurveyPrefixes(Env());

  PrefixDecision decision = DecidePrefix(std::string("/given"), Env(), surveyed);
  EXPECT_EQ(decision.source, PrefixSource::CommandLine);
  EXPECT_EQ(decision.path, "/given");
  env_["WINEPREFIX"] = "/from-env";
  EXPECT_EQ(DecidePrefix(std::nullopt, Env(), surveyed).source, PrefixSource::Environment);
  env_.erase("WINEPREFIX");
  EXPECT_TRUE(NeedsSurvey(std::nullopt, Env()));

  decision = DecidePrefix(std::nullopt, Env(), surveyed);
  EXPECT_EQ(decision.source, PrefixSource::OnlyOneWithBrowser);
  EXPECT_EQ(decision.path, holding);

  Prefix(".wine");  // ~/.wine applies even without a browser, and no survey is needed
  EXPECT_FALSE(NeedsSurvey(std::nullopt, Env()));
  decision = DecidePrefix(std::nullopt, Env(), {});
  EXPECT_EQ(decision.source, PrefixSource::DotWine);
  EXPECT_EQ(decision.path, home_ / ".wine");
}

TEST_F(SurveyTest, SeveralWithABrowserLeaveTheChoiceToTheUser) {
  const std::string first = WithStandardNetscape(".local/share/wineprefixes/a");
  const std::string second = WithStandardNetscape(".local/share/Steam/steamapps/compatdata/10/pfx");
  const PrefixDecision decision = DecidePrefix(std::nullopt, Env(), SurveyPrefixes(Env()));
  EXPECT_EQ(decision.source, PrefixSource::SeveralWithBrowser);
  EXPECT_EQ(decision.path, "");
  EXPECT_EQ(decision.choices, (std::vector<std::string>{first, second}));
}

TEST_F(SurveyTest, WithNoBrowserAnywhereTheOwnPrefixStays) {
  Prefix(".local/share/wineprefixes/empty");
  const std::string own = WithStandardNetscape(".local/share/varnel/prefix");  // the only one: still the own
  const PrefixDecision decision = DecidePrefix(std::nullopt, Env(), SurveyPrefixes(Env()));
  EXPECT_EQ(decision.source, PrefixSource::Own);
  EXPECT_EQ(decision.path, own);
}

TEST_F(SurveyTest, OpeningUsesTheOnlyPrefixWithABrowserOrOffersTheChoice) {
  const std::string first = WithStandardNetscape(".local/share/wineprefixes/a");
  OpenedPrefix opened;
  ASSERT_TRUE(OpenPrefix(std::nullopt, Env(), opened).ok());
  EXPECT_TRUE(opened.onlyFound);
  EXPECT_EQ(opened.location.path, first);
  ASSERT_TRUE(opened.registry);
  EXPECT_EQ(opened.registry->prefix(), first);
  EXPECT_FALSE(fs::exists(home_ / ".local/share/varnel/prefix"));  // the own prefix is not laid out

  const std::string second = WithStandardNetscape(".local/share/wineprefixes/b");
  OpenedPrefix several;
  const Status status = OpenPrefix(std::nullopt, Env(), several);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message, "several Wine prefixes hold a browser: " + first + ", " + second +
                                "; name one with --prefix DIR (see varnel prefixes)");
  EXPECT_EQ(several.choices, (std::vector<std::string>{first, second}));
  // Each with what it holds, for the chooser.
  EXPECT_EQ(several.choiceBrowsers, std::vector<std::string>(2,
                                                             "Netscape in c:\\program files\\netscape, Internet "
                                                             "Explorer not found, default browser ie"));
  EXPECT_FALSE(several.registry);
  ASSERT_TRUE(OpenChoice(several, second).ok());
  EXPECT_EQ(several.location.path, second);
  ASSERT_TRUE(several.registry);
  EXPECT_EQ(several.registry->prefix(), second);
  EXPECT_EQ(ReadSetting(*several.registry, Setting::NetPath), "");
}

// The start both the command line and the windows make: the hives a run needs are checked (a
// broken one it does not need is no failure), and what the user is told of the prefix chosen.
TEST_F(SurveyTest, OpeningChecksTheHivesARunNeedsAndSaysWhichPrefixItChose) {
  const std::string only = WithStandardNetscape(".local/share/wineprefixes/a");
  test::WriteFile(only + "/user.reg", "not a hive\n");
  OpenedPrefix opened;
  ASSERT_TRUE(OpenPrefixChecked(std::nullopt, Env(), {Hive::LocalMachine}, opened).ok());
  EXPECT_EQ(PrefixNotes(opened),
            std::vector<std::string>{"using " + only + ", the only Wine prefix found that holds a browser"});
  OpenedPrefix both;
  const Status broken = OpenPrefixChecked(std::nullopt, Env(), {Hive::LocalMachine, Hive::CurrentUser}, both);
  EXPECT_NE(broken.message.find("user.reg"), std::string::npos) << broken.message;

  OpenedPrefix own;
  ASSERT_TRUE(OpenPrefixChecked(home_ / "new-prefix", Env(), {Hive::LocalMachine, Hive::CurrentUser}, own).ok());
  EXPECT_EQ(PrefixNotes(own),
            std::vector<std::string>{"laid out a new Windows environment in " + home_ / "new-prefix"});
  std::string note;
  const std::unique_ptr<Session> session = OpenSession(own, Env(), true, note);
  EXPECT_EQ(session->prefix(), home_ / "new-prefix");
  EXPECT_EQ(note, "");  // no Wine runs in it
}

TEST_F(SurveyTest, WithoutAnyPrefixTheOwnOneIsLaidOutAsBefore) {
  OpenedPrefix opened;
  ASSERT_TRUE(OpenPrefix(std::nullopt, Env(), opened).ok());
  EXPECT_TRUE(opened.location.own);
  EXPECT_FALSE(opened.onlyFound);
  EXPECT_TRUE(fs::exists(home_ / ".local/share/varnel/prefix/system.reg"));
  EXPECT_TRUE(opened.ownMadeNow);  // the windows say where it is, once
  const std::string told = OwnPrefixMadeMessage(opened.location.path);
  EXPECT_NE(told.find("made its own Windows environment in " + opened.location.path + "."), std::string::npos);
  EXPECT_NE(told.find("--prefix DIR"), std::string::npos);
  OpenedPrefix again;
  ASSERT_TRUE(OpenPrefix(std::nullopt, Env(), again).ok());
  EXPECT_FALSE(again.ownMadeNow);
}

}  // namespace
}  // namespace varnel

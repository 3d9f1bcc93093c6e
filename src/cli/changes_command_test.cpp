#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/cli.h"
#include "testsupport/temp_dir.h"
#include "winenv/registry.h"

namespace varnel {
namespace {

// changes and undo as a user runs them, the journal in $XDG_STATE_HOME.
class ChangesCommandTest : public ::testing::Test {
 protected:
  struct Outcome {
    int code;
    std::string out;
    std::string err;
  };
  Outcome Varnel(std::vector<std::string> words) {
    words.insert(words.begin(), {"varnel", "--prefix", prefix_.path()});
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    std::ostringstream out, err;
    const EnvLookup env = [this](const char* name) -> std::optional<std::string> {
      const auto it = env_.find(name);
      return it == env_.end() ? std::nullopt : std::optional(it->second);
    };
    const int code = RunCommand(line, env, out, err);
    return {code, out.str(), err.str()};
  }
  test::TempPrefix prefix_;
  test::TempDir state_;
  std::map<std::string, std::string> env_{{"HOME", state_.path()}, {"XDG_STATE_HOME", state_ / "state"}};
};

TEST_F(ChangesCommandTest, ListsNewestFirstAndUndoesRefusesAndForces) {
  ASSERT_EQ(Varnel({"settings", "IEPath", "C:\\IE"}).code, 0);
  ASSERT_EQ(Varnel({"default-browser", "ie"}).code, 0);
  Outcome listed = Varnel({"changes"});
  ASSERT_EQ(listed.code, 0);
  EXPECT_EQ(listed.out.find("2  "), 0u) << listed.out;
  EXPECT_NE(listed.out.find("default browser set to Internet Explorer"), std::string::npos);
  EXPECT_LT(listed.out.find("default browser"), listed.out.find("IEPath set to C:\\IE"));
  listed = Varnel({"changes", "--json"});
  EXPECT_NE(listed.out.find("{\"number\": 2, \"time\": "), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("\"unfinished\": false"), std::string::npos);

  Outcome dry = Varnel({"undo", "1", "--dry-run"});
  EXPECT_EQ(dry.out,
            "would undo change 2: default browser set to Internet Explorer\n"
            "would undo change 1: IEPath set to C:\\IE\n");
  EXPECT_EQ(Varnel({"settings", "IEPath"}).out, "C:\\IE\n");

  ASSERT_EQ(Varnel({"settings", "IEPath", "C:\\Other"}).code, 0);  // change 3
  ASSERT_EQ(Varnel({"undo", "2"}).code, 0);                        // 3, then 2
  EXPECT_EQ(Varnel({"settings", "IEPath"}).out, "C:\\IE\n");
  EXPECT_EQ(Varnel({"default-browser"}).out, "ie\n");  // no Netscape table was there before either

  ASSERT_EQ(Varnel({"settings", "IEPath", "C:\\New"}).code, 0);
  // Something else sets the value after Varnel: the undo is refused and says what changed.
  ASSERT_EQ(Varnel({"settings", "NetPath", "x"}).code, 0);
  {
    Registry registry(prefix_.path());
    ASSERT_TRUE(
        registry.SetValue(Hive::LocalMachine, "Software\\Varnel\\IEPath", "", RegValue::String(u"by hand")).ok());
  }
  // A dry run exits as the undo would: refused, unless forced.
  EXPECT_EQ(Varnel({"undo", "6", "--dry-run"}).code, 1);
  EXPECT_EQ(Varnel({"undo", "6", "--dry-run", "--force"}).code, 0);
  Outcome refused = Varnel({"undo", "6"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("HKEY_LOCAL_MACHINE\\Software\\Varnel\\IEPath (default value) changed since change 6"),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(Varnel({"settings", "NetPath"}).out, "x\n");  // nothing undone, not even change 7
  ASSERT_EQ(Varnel({"undo", "6", "--force"}).code, 0);
  EXPECT_EQ(Varnel({"settings", "IEPath"}).out, "C:\\IE\n");

  EXPECT_EQ(Varnel({"undo", "99"}).code, 1);
  EXPECT_EQ(Varnel({"undo", "x"}).code, 2);
  EXPECT_EQ(Varnel({"changes", "extra"}).code, 2);
}

TEST_F(ChangesCommandTest, AnUnusableJournalIsSaidAndTheChangeIsMadeAnyway) {
  test::WriteFile(state_ / "state", "a file where the journal's folder would be");
  const Outcome set = Varnel({"settings", "NetLAU", "c:\\p"});
  EXPECT_EQ(set.code, 0);
  EXPECT_NE(set.err.find("NetLAU set to c:\\p: not recorded for undo"), std::string::npos) << set.err;
  EXPECT_EQ(Varnel({"settings", "NetLAU"}).out, "c:\\p\n");
  // A journal's folder that cannot be read is an error, never an empty journal.
  const Outcome undo = Varnel({"undo"});
  EXPECT_EQ(undo.code, 1);
  EXPECT_NE(undo.err.find("cannot be read"), std::string::npos) << undo.err;
  const Outcome listed = Varnel({"changes"});
  EXPECT_EQ(listed.code, 1);
  EXPECT_NE(listed.err.find("cannot be read"), std::string::npos) << listed.err;
}

TEST_F(ChangesCommandTest, AHistorySaveShowsWhereItWrote) {
  {
    Registry registry(prefix_.path());
    ASSERT_TRUE(registry
                    .SetValue(Hive::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1",
                              RegValue::String(u"http://a/"))
                    .ok());
  }
  ASSERT_EQ(Varnel({"history", "clear", "ie"}).code, 0);
  const Outcome listed = Varnel({"changes"});
  EXPECT_NE(listed.out.find("MRU cleared  (HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs)"),
            std::string::npos)
      << listed.out;
}

}  // namespace
}  // namespace varnel

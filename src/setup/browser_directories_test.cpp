#include "setup/browser_directories.h"

#include <gtest/gtest.h>

#include <deque>

#include "settings/settings.h"
#include "testsupport/scripted_prompt.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

// The setup window's steps, recorded in order with the prompt's questions and messages.
struct ScriptedSetup {
  std::vector<std::string> calls;
  test::ScriptedPrompt prompt{calls};
  std::deque<bool>& answers = prompt.answers;
  SetupSaveSteps steps{
      [this] { calls.push_back("hide"); }, [this] { calls.push_back("show setup"); },
      [this](const std::string& drive, const std::string& path) { calls.push_back("move " + drive + " " + path); }};
};

class SetupSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_.MakeDriveCDirectory("Program Files/NETSCAPE/users");
    prefix_.MakeDriveCDirectory("Program Files/Internet Explorer");
    prefix_.MakeDriveCDirectory("Program Files/Communicator");
    prefix_.MakeDriveCDirectory("MyNetscape");
  }
  bool Save(const std::string& net, const std::string& ie) {
    return SaveBrowserDirectories(registry_, drives_, net, ie, "c:", windows_.prompt, windows_.steps);
  }
  test::TempPrefix prefix_;
  Registry registry_{prefix_.path()};
  DriveMap drives_{prefix_.path()};
  ScriptedSetup windows_;
};

TEST_F(SetupSaveTest, TheNameTestUsesTheDiskSpellingAndTheEndOfTheName) {
  EXPECT_TRUE(DirectoryNameEndsWith(drives_, "c:\\program files\\netscape", "netscape"));
  EXPECT_TRUE(DirectoryNameEndsWith(drives_, "c:\\MyNetscape", "netscape"));
  EXPECT_FALSE(DirectoryNameEndsWith(drives_, "c:\\Program Files\\Communicator", "netscape"));
  EXPECT_FALSE(DirectoryNameEndsWith(drives_, "c:\\", "netscape"));
  EXPECT_FALSE(DirectoryNameEndsWith(drives_, "c:\\nowhere\\netscape", "netscape"));
  EXPECT_TRUE(DirectoryNameEndsWith(drives_, "c:\\program files\\INTERNET EXPLORER", "internet explorer"));
}

TEST_F(SetupSaveTest, BothValidAreStoredWithoutAQuestion) {
  EXPECT_TRUE(Save("c:\\Program Files\\NETSCAPE", "c:\\Program Files\\Internet Explorer"));
  EXPECT_EQ(windows_.calls, (std::vector<std::string>{"move c: c:\\Program Files\\NETSCAPE\\users", "hide"}));
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "c:\\Program Files\\NETSCAPE");
  EXPECT_EQ(ReadSetting(registry_, Setting::IEPath), "c:\\Program Files\\Internet Explorer");
}

TEST_F(SetupSaveTest, YesToTheNetscapeQuestionStoresNothing) {
  windows_.answers = {true};
  EXPECT_FALSE(Save("c:\\Program Files\\Communicator", "c:\\Program Files\\Internet Explorer"));
  EXPECT_EQ(windows_.calls, (std::vector<std::string>{std::string("ask ") + kInvalidNetscapeQuestion}));
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "");
  EXPECT_EQ(ReadSetting(registry_, Setting::IEPath), "");
}

TEST_F(SetupSaveTest, NoToBothQuestionsStoresBothAsChosen) {
  windows_.answers = {false, false};
  EXPECT_TRUE(Save("c:\\Program Files\\Communicator", "c:\\"));
  EXPECT_EQ(windows_.calls, (std::vector<std::string>{std::string("ask ") + kInvalidNetscapeQuestion, "hide",
                                                      std::string("ask ") + kInvalidIEQuestion, "hide",
                                                      "move c: c:\\Program Files\\Communicator\\users", "hide"}));
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "c:\\Program Files\\Communicator");
  EXPECT_EQ(ReadSetting(registry_, Setting::IEPath), "c:\\");
}

TEST_F(SetupSaveTest, NoThenYesStoresNothingAndBringsTheSetupWindowBack) {
  windows_.answers = {false, true};
  EXPECT_FALSE(Save("c:\\Program Files\\Communicator", "c:\\Program Files"));
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "");
  EXPECT_EQ(windows_.calls.back(), "show setup");
}

}  // namespace
}  // namespace varnel

#include "session/startup.h"

#include <gtest/gtest.h>

#include "session/single_instance.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/scripted_prompt.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

// Records what the start routine asks of the windows, in order.
struct RecordingWindows {
  std::vector<std::string> calls;
  bool secondCopy = false;
  StartupWindows steps{[this](const std::string& name) { calls.push_back("help " + name); },
                       [this](const std::string& path) {
                         calls.push_back("dir " + path);
                         return !secondCopy;
                       },
                       [this](const Status& failure) { calls.push_back("unsaved " + failure.message); },
                       [this] { calls.push_back("setup"); },
                       [this] {
                         calls.push_back("main");
                         return !secondCopy;
                       }};
};

const std::string kNetMessage = "message " + std::string(kNetscapeNotFoundMessage);
const std::string kIEMessage = "message " + std::string(kIENotFoundMessage);

class StartupTest : public ::testing::Test {
 protected:
  bool Start() { return Main(registry_, drives_, windows_.steps, prompt_, &journal_); }
  test::TempPrefix prefix_;
  test::TempDir state_;
  Journal journal_{state_.path() + "/journal", prefix_.path()};
  Registry registry_{prefix_.path()};
  DriveMap drives_{prefix_.path()};
  RecordingWindows windows_;
  test::ScriptedPrompt prompt_{windows_.calls};  // its messages in order with the window steps
};

TEST_F(StartupTest, BothStandardDirectoriesAreStoredWithoutAQuestion) {
  prefix_.MakeDriveCDirectory("Program Files/Netscape/users");
  prefix_.MakeDriveCDirectory("Program Files/Internet Explorer");
  EXPECT_TRUE(Start());
  EXPECT_EQ(windows_.calls,
            (std::vector<std::string>{"help vr.hlp", "dir c:\\program files\\netscape\\users", "main"}));
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "c:\\program files\\netscape");
  EXPECT_EQ(ReadSetting(registry_, Setting::IEPath), "c:\\program files\\Internet Explorer");
  // Each stored directory is a change of its own, which an undo takes back.
  std::vector<JournalEntry> changes;
  ASSERT_TRUE(journal_.List(changes).ok());
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].record.what, "IEPath set to c:\\program files\\Internet Explorer");
  EXPECT_EQ(changes[1].record.what, "NetPath set to c:\\program files\\netscape");
}

TEST_F(StartupTest, MissingNetscapeIsToldAndSetupOpensBeforeTheMainWindow) {
  prefix_.MakeDriveCDirectory("Program Files/Internet Explorer");
  EXPECT_TRUE(Start());
  EXPECT_EQ(windows_.calls, (std::vector<std::string>{"help vr.hlp", "dir c:\\", kNetMessage, "setup", "main"}));
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "");
  EXPECT_EQ(ReadSetting(registry_, Setting::IEPath), "c:\\program files\\Internet Explorer");
}

TEST_F(StartupTest, BothMissingGiveTwoMessagesInOrderAndOneSetup) {
  EXPECT_TRUE(Start());
  EXPECT_EQ(windows_.calls,
            (std::vector<std::string>{"help vr.hlp", "dir c:\\", kNetMessage, kIEMessage, "setup", "main"}));
  EXPECT_EQ(ReadSetting(registry_, Setting::IEPath), "");
}

TEST_F(StartupTest, StoredSettingsAreNotCheckedAgain) {
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "c:\\gone"));
  test::ExpectOk(WriteSetting(registry_, Setting::IEPath, "c:\\gone too"));
  EXPECT_TRUE(Start());
  EXPECT_EQ(windows_.calls, (std::vector<std::string>{"help vr.hlp", "main"}));
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "c:\\gone");
}

TEST_F(StartupTest, APlainFileNamedLikeTheNetscapeDirectoryCounts) {
  test::WriteFile(prefix_.native("drive_c/Program Files/netscape"), "not a directory");
  test::ExpectOk(WriteSetting(registry_, Setting::IEPath, "c:\\ie"));
  EXPECT_TRUE(Start());
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "c:\\program files\\netscape");
  EXPECT_EQ(windows_.calls[1], "dir c:\\program files\\netscape\\users");
}

TEST_F(StartupTest, ASecondCopyEndsBeforeTheInternetExplorerCheck) {
  windows_.secondCopy = true;
  EXPECT_FALSE(Start());
  EXPECT_EQ(windows_.calls, (std::vector<std::string>{"help vr.hlp", "dir c:\\"}));
  EXPECT_EQ(ReadSetting(registry_, Setting::IEPath), "");
}

TEST(SingleInstanceTest, OnlyTheFirstCopyRuns) {
  test::TempDir dir;
  {
    SingleInstance first(dir.path());
    EXPECT_FALSE(first.AnotherCopyRunning());
    SingleInstance second(dir.path());
    EXPECT_TRUE(second.AnotherCopyRunning());
  }
  SingleInstance afterwards(dir.path());
  EXPECT_FALSE(afterwards.AnotherCopyRunning());
  // A prefix where no lock file can be made does not pretend a copy is running.
  SingleInstance missingPrefix(dir.path() + "/no such folder");
  EXPECT_FALSE(missingPrefix.AnotherCopyRunning());
}

}  // namespace
}  // namespace varnel

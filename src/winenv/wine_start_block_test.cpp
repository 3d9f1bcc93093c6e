// Keeping a wineserver from starting while the hives are renamed, without Wine: a process that
// takes the server's lock as a starting wineserver does stands in for one.
#include "winenv/wine_start_block.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "testsupport/temp_dir.h"
#include "winenv/registry.h"
#include "winenv/wine_server.h"
#include "winenv/write_watch.h"

namespace varnel {
namespace {

// A prefix that Debian's Wine has run in (its "wineserver" file names the server's folder under
// TMPDIR), with TMPDIR a test folder for the test's length.
class StartBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    if (old) oldTmp_ = old;
    ::setenv("TMPDIR", tmp_.path().c_str(), 1);
    test::WriteFile(prefix_.native("wineserver"), "wine-Tst001");
    ::chmod(prefix_.native("wineserver").c_str(), 0400);
    ::mkdir((tmp_ / "wine-Tst001").c_str(), 0700);  // Wine ran here before
    folder_ = tmp_ / ("wine-Tst001/" + ServerFolderName(prefix_.path()));
  }
  void TearDown() override {
    if (oldTmp_.empty())
      ::unsetenv("TMPDIR");
    else
      ::setenv("TMPDIR", oldTmp_.c_str(), 1);
  }
  bool DebianFolderUsed() const {
    const std::vector<std::string> folders = ServerStartFolders(prefix_.path(), false);
    return std::find(folders.begin(), folders.end(), folder_) != folders.end();
  }

  test::TempDir tmp_;
  test::TempPrefix prefix_{true};
  std::string folder_;
  std::string oldTmp_;
};

// What a starting wineserver does with the lock, in a child process: exit 0 when it got it, 2
// when another holds it. A running one keeps it until Stop.
class StandInServer {
 public:
  // Exit status of a server that starts and ends at once.
  static int StartAndEnd(const std::string& folder) {
    StandInServer server;
    server.Start(folder, false);
    return server.Stop();
  }
  // True when the stand-in holds the lock (it says so through a pipe) and stays.
  bool Start(const std::string& folder, bool stay = true) {
    if (::pipe(ready_) != 0 || ::pipe(gate_) != 0) return false;
    child_ = ::fork();
    if (child_ == 0) {
      ::close(gate_[1]);
      ::close(ready_[0]);
      const int fd = ::open((folder + "/lock").c_str(), O_WRONLY | O_CREAT, 0600);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      lock.l_len = 1;
      if (fd < 0 || ::fcntl(fd, F_SETLK, &lock) != 0) ::_exit(2);
      char byte = 'L';
      if (::write(ready_[1], &byte, 1) != 1 || (stay && ::read(gate_[0], &byte, 1) < 0)) ::_exit(3);
      ::_exit(0);
    }
    ::close(ready_[1]);
    ::close(gate_[0]);
    char byte = 0;
    return ::read(ready_[0], &byte, 1) == 1;
  }
  int Stop() {
    ::close(gate_[1]);
    int status = 0;
    ::waitpid(child_, &status, 0);
    ::close(ready_[0]);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  int ready_[2] = {-1, -1};
  int gate_[2] = {-1, -1};
  pid_t child_ = -1;
};

TEST_F(StartBlockTest, NoServerStartsWhileHeldAndAServerHoldingTheLockIsSeen) {
  if (!DebianFolderUsed()) GTEST_SKIP() << "this user's /run/user folder is where Wine starts servers here";
  WineStartBlock block;
  ASSERT_TRUE(block.Hold(prefix_.path()));
  EXPECT_TRUE(std::filesystem::is_directory(folder_));  // made as Wine makes it
  EXPECT_EQ(std::filesystem::status(folder_).permissions(), std::filesystem::perms::owner_all);
  EXPECT_EQ(StandInServer::StartAndEnd(folder_), 2);  // a starting server ends; its program retries
  EXPECT_FALSE(FindWineServer(prefix_.path()));       // the hold is not taken for a server
  block.Release();
  EXPECT_EQ(StandInServer::StartAndEnd(folder_), 0);

  StandInServer server;
  ASSERT_TRUE(server.Start(folder_));  // a server runs, holding the lock
  EXPECT_FALSE(block.Hold(prefix_.path()));
  EXPECT_FALSE(block.held());
  EXPECT_EQ(server.Stop(), 0);
  EXPECT_TRUE(block.Hold(prefix_.path()));
}

// A server that starts after the look for one, right before the rename (as the new hive is on
// disk): the hive file is left as it was, for the server loads it, and the write goes to the
// server instead.
TEST_F(StartBlockTest, AServerStartingRightBeforeTheRenameGetsTheWriteInsteadOfTheFile) {
  if (!DebianFolderUsed()) GTEST_SKIP() << "this user's /run/user folder is where Wine starts servers here";
  const std::string before = test::ReadFile(prefix_.native("system.reg"));
  ASSERT_TRUE(std::filesystem::create_directory(folder_));
  StandInServer server;
  bool started = false;
  const WatchWrites startAServer([&](const LandingWrite& write) {
    if (write.native.ends_with("system.reg") && !started) started = server.Start(folder_);
    return Status::Ok();
  });
  Registry registry(prefix_.path());
  int throughWine = 0;
  registry.wine().SetWait([&](const std::function<Status()>&) {
    ++throughWine;  // a stand-in serves no Wine program: the write is taken as made
    return Status::Ok();
  });
  const Status saved = registry.SetValue(Hive::LocalMachine, "Software\\Varnel", "x", RegValue::String(u"kept"));
  ASSERT_TRUE(started);
  EXPECT_EQ(server.Stop(), 0);
  EXPECT_TRUE(saved.ok()) << saved.message;
  EXPECT_EQ(throughWine, 1);
  EXPECT_EQ(test::ReadFile(prefix_.native("system.reg")), before);
}

}  // namespace
}  // namespace varnel

#include "winenv/guarded_replace.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "testsupport/lock_waiters.h"
#include "testsupport/temp_dir.h"
#include "winenv/atomic_file.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

const Status kChanged = Status::Error(errc::kPathFileAccess, "changed meanwhile");

// A second claim waits until the first is given up, by Release or by the end of its holder.
TEST(FileLockTest, OneHolderAtATimeAndNeverThroughALink) {
  test::TempDir dir;
  FileLock first;
  ASSERT_TRUE(first.Acquire(dir / "lock").ok());
  std::atomic<bool> second = false;
  std::thread waiter([&] {
    FileLock lock;
    EXPECT_TRUE(lock.Acquire(dir / "lock").ok());
    second = true;
  });
  EXPECT_TRUE(test::WaitUntilSomeoneWaitsFor(dir / "lock", second));
  FileLock moved = std::move(first);  // the claim goes with the object
  EXPECT_FALSE(first.held());
  EXPECT_TRUE(test::SomeoneWaitsFor(dir / "lock"));  // a release would have woken the waiter at once
  EXPECT_FALSE(second);
  moved.Release();
  waiter.join();
  EXPECT_TRUE(second);

  // A link put at the lock's name is not followed: nothing is created where it points.
  fs::create_symlink(dir / "elsewhere", dir / "linked");
  FileLock linked;
  EXPECT_FALSE(linked.Acquire(dir / "linked").ok());
  EXPECT_FALSE(linked.held());
  EXPECT_FALSE(fs::exists(dir / "elsewhere"));
  EXPECT_FALSE(FileLock().Acquire(dir / "no folder/lock").ok());
}

// A writer that takes no lock (a browser) and rewrites the file after it was read: the
// replacement is refused, the writer's file stays, no temporary is left.
TEST(ReplaceGuardTest, AFileRewrittenSinceItWasReadIsLeftAsItIs) {
  test::TempDir dir;
  test::WriteFile(dir / "file", "read");
  ReplaceGuard guard;
  ASSERT_TRUE(guard.Lock(dir / "file").ok());
  const FileIdentity read = IdentityOf(dir / "file");
  ASSERT_TRUE(ReplaceFileContents(dir / "file", "the browser's").ok());  // same size and second: a new file
  EXPECT_EQ(guard.Replace(read, {"ours"}, kChanged).message, kChanged.message);
  EXPECT_EQ(test::ReadFile(dir / "file"), "the browser's");
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"file"});  // no lock file among the user's

  // Read again, replaced: the pieces are written one after the other.
  const FileIdentity again = IdentityOf(dir / "file");
  ASSERT_TRUE(guard.Replace(again, {"o", "urs"}, kChanged).ok());
  EXPECT_EQ(test::ReadFile(dir / "file"), "ours");

  // A file that was not there when looked at must still be absent.
  const FileIdentity absent = IdentityOf(dir / "new");
  ASSERT_TRUE(guard.Lock(dir / "new").ok());
  test::WriteFile(dir / "new", "someone else's");
  EXPECT_EQ(guard.Replace(absent, {"ours"}, kChanged).message, kChanged.message);
  EXPECT_EQ(test::ReadFile(dir / "new"), "someone else's");
  fs::remove(dir / "new");
  ASSERT_TRUE(guard.Replace(absent, {"ours"}, kChanged).ok());
  EXPECT_EQ(test::ReadFile(dir / "new"), "ours");

  guard.Unlock();
  EXPECT_EQ(guard.Replace(IdentityOf(dir / "new"), {"unlocked"}, kChanged).code, errc::kPathFileAccess);
  EXPECT_EQ(test::ReadFile(dir / "new"), "ours");
}

// The lock and the clean-up belong to the folder of the file a link names, where the
// temporaries are made; only the leftovers of that file are removed.
TEST(ReplaceGuardTest, LocksTheTargetsFolderAndRemovesOnlyItsLeftovers) {
  test::TempDir here, there;
  test::WriteFile(there / "real", "old");
  fs::create_symlink(there / "real", here / "link");
  test::WriteFile(there / ".real.varnel-AbCdEf", "killed");
  test::WriteFile(there / ".other.varnel-AbCdEf", "another file's");
  ReplaceGuard guard;
  ASSERT_TRUE(guard.Lock(here / "link").ok());
  EXPECT_TRUE(fs::exists(ReplaceLockFor(there.path())));
  EXPECT_NE(ReplaceLockFor(there.path()), ReplaceLockFor(here.path()));
  EXPECT_EQ(ReplaceLockFor(there.path()), ReplaceLockFor(here / "../" + fs::path(there.path()).filename().string()))
      << "every path to the folder meets the same lock";
  EXPECT_FALSE(fs::exists(there / std::string(kReplaceLockName)));
  EXPECT_FALSE(fs::exists(there / ".real.varnel-AbCdEf"));
  EXPECT_TRUE(fs::exists(there / ".other.varnel-AbCdEf"));
  ASSERT_TRUE(guard.Replace(IdentityOf(here / "link"), {"new"}, kChanged).ok());
  EXPECT_TRUE(fs::is_symlink(here / "link"));
  EXPECT_EQ(test::ReadFile(there / "real"), "new");
  guard.Unlock();

  // Another holder of the folder's lock, through another path, is waited for.
  FileLock other;
  ASSERT_TRUE(other.Acquire(ReplaceLockFor(there.path())).ok());
  std::atomic<bool> locked = false;
  std::thread second([&] {
    ReplaceGuard g;
    EXPECT_TRUE(g.Lock(there / "real").ok());
    locked = true;
  });
  EXPECT_TRUE(test::WaitUntilSomeoneWaitsFor(ReplaceLockFor(there.path()), locked));
  other.Release();
  second.join();
  EXPECT_TRUE(locked);
}

}  // namespace
}  // namespace varnel

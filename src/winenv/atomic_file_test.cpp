#include "winenv/atomic_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// Everything in the folder, so that a left-over temporary file shows up.
std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AtomicFile, ReplacesContentsAndKeepsPermissionBits) {
  test::TempDir dir;
  const std::string path = dir / "user.reg";
  test::WriteFile(path, "old contents, longer than the new");
  chmod(path.c_str(), 0640);
  const std::string bytes = std::string("new\r\n\0\xFF", 7);
  ASSERT_TRUE(ReplaceFileContents(path, bytes).ok());
  EXPECT_EQ(test::ReadFile(path), bytes);
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"user.reg"});

  std::string read;
  ASSERT_TRUE(ReadWholeFile(path, read).ok());
  EXPECT_EQ(read, bytes);
}

TEST(AtomicFile, CreatesAMissingFileWithTheUsualBits) {
  test::TempDir dir;
  const mode_t mask = umask(022);
  ASSERT_TRUE(ReplaceFileContents(dir / "new.txt", "").ok());
  umask(mask);
  EXPECT_EQ(test::ReadFile(dir / "new.txt"), "");
  EXPECT_EQ(ModeOf(dir / "new.txt"), 0644u);
}

TEST(AtomicFile, FollowsSymbolicLinks) {
  test::TempDir dir;
  fs::create_directory(dir / "real");
  test::WriteFile(dir / "real/system.reg", "old");
  chmod((dir / "real/system.reg").c_str(), 0600);
  fs::create_symlink("real/system.reg", dir / "link.reg");
  fs::create_symlink("link.reg", dir / "chain.reg");

  ASSERT_TRUE(ReplaceFileContents(dir / "chain.reg", "new").ok());
  EXPECT_TRUE(fs::is_symlink(dir / "chain.reg"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.reg"));
  EXPECT_EQ(test::ReadFile(dir / "real/system.reg"), "new");
  EXPECT_EQ(ModeOf(dir / "real/system.reg"), 0600u);
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"chain.reg", "link.reg", "real"}));
  EXPECT_EQ(Entries(dir / "real"), std::vector<std::string>{"system.reg"});

  // A dangling link gets its target created and stays a link.
  fs::create_symlink("real/later.reg", dir / "dangling.reg");
  ASSERT_TRUE(ReplaceFileContents(dir / "dangling.reg", "made").ok());
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.reg"));
  EXPECT_EQ(test::ReadFile(dir / "real/later.reg"), "made");
}

TEST(AtomicFile, FailureLeavesTargetAndNoTemporaryFile) {
  test::TempDir dir;
  EXPECT_EQ(ReplaceFileContents(dir / "missing-folder/file", "x").code, errc::kFileNotFound);

  // A folder in the target's place cannot be replaced by a file.
  fs::create_directory(dir / "folder");
  test::WriteFile(dir / "folder/inside", "kept");
  EXPECT_FALSE(ReplaceFileContents(dir / "folder", "x").ok());
  EXPECT_EQ(test::ReadFile(dir / "folder/inside"), "kept");
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"folder"});

  // A file made read-only (no write bit at all, which binds root too) is kept.
  test::WriteFile(dir / "prefs.js", "kept");
  chmod((dir / "prefs.js").c_str(), 0444);
  EXPECT_EQ(ReplaceFileContents(dir / "prefs.js", "x").code, errc::kPermissionDenied);
  EXPECT_EQ(test::ReadFile(dir / "prefs.js"), "kept");
  fs::remove(dir / "prefs.js");

  // A link loop.
  fs::create_symlink("loop-b", dir / "loop-a");
  fs::create_symlink("loop-a", dir / "loop-b");
  EXPECT_FALSE(ReplaceFileContents(dir / "loop-a", "x").ok());
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"folder", "loop-a", "loop-b"}));
}

TEST(AtomicFile, CopiesOneFileOverAnother) {
  test::TempDir dir;
  test::WriteFile(dir / "backup.reg", "saved state");
  test::WriteFile(dir / "user.reg", "current state, changed since");
  ASSERT_TRUE(CopyFileOver(dir / "backup.reg", dir / "user.reg").ok());
  EXPECT_EQ(test::ReadFile(dir / "user.reg"), "saved state");

  EXPECT_EQ(CopyFileOver(dir / "none.reg", dir / "user.reg").code, errc::kFileNotFound);
  EXPECT_EQ(test::ReadFile(dir / "user.reg"), "saved state");
}

TEST(AtomicFile, ReadingAMissingFileOrAFolderFails) {
  test::TempDir dir;
  std::string bytes = "stale";
  EXPECT_EQ(ReadWholeFile(dir / "missing", bytes).code, errc::kFileNotFound);
  EXPECT_EQ(bytes, "");
  EXPECT_FALSE(ReadWholeFile(dir.path(), bytes).ok());
}

}  // namespace
}  // namespace varnel

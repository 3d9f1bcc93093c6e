#include "winenv/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

TEST(PosixFile, ANewFileIsWrittenWholeAndNeverOverAnythingThere) {
  const test::TempDir dir;
  ASSERT_TRUE(WriteNewFile(dir / "new", "bytes", 0600, Flush::ToDisk).ok());
  EXPECT_EQ(test::ReadFile(dir / "new"), "bytes");
  struct stat info {};
  ASSERT_EQ(stat((dir / "new").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // An existing file, or a link (even one to nothing), keeps its name and what it leads to.
  EXPECT_FALSE(WriteNewFile(dir / "new", "other", 0600, Flush::No).ok());
  EXPECT_EQ(test::ReadFile(dir / "new"), "bytes");
  ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / "link").c_str()), 0);
  EXPECT_FALSE(WriteNewFile(dir / "link", "through", 0600, Flush::No).ok());
  EXPECT_NE(access((dir / "elsewhere").c_str(), F_OK), 0);
  EXPECT_FALSE(WriteNewFile(dir / "missing/folder", "x", 0600, Flush::No).ok());
}

TEST(PosixFile, AFullDiskIsAFailureThatNamesTheFile) {
  FileDescriptor full(open("/dev/full", O_WRONLY | O_CLOEXEC));
  ASSERT_TRUE(full.valid());
  const Status written = WriteAll(full.get(), std::string(100000, 'x'), "the record");
  EXPECT_FALSE(written.ok());
  EXPECT_NE(written.message.find("the record"), std::string::npos);
  EXPECT_EQ(full.Close(), 0);
  EXPECT_FALSE(full.valid());
  EXPECT_FALSE(SyncFolder("/no/such/folder").ok());
}

}  // namespace
}  // namespace varnel

#include "winenv/wake_pipe.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

// What the waiting script sees: a line after each wake, which waits in the pipe until it is
// read; the end of the stream at once when the pipe is gone; and no pipe file left behind.
TEST(WakePipe, AWakeWaitsForItsReaderAndTheEndIsSeenAtOnce) {
  test::TempDir dir;
  const std::string path = dir / "run.wake";
  int reader = -1;
  {
    WakePipe pipe;
    ASSERT_TRUE(pipe.Open(path, std::chrono::hours(1)).ok());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    pipe.Wake();  // before the reader opens it
    reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    char line[8] = {};
    EXPECT_EQ(::read(reader, line, sizeof line), 3);
    EXPECT_STREQ(line, "w\r\n");
    EXPECT_FALSE(pipe.Open(path, std::chrono::hours(1)).ok());  // one pipe per path
  }
  char rest[4];
  EXPECT_EQ(::read(reader, rest, sizeof rest), 0);  // no writer: the end
  ::close(reader);
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace varnel

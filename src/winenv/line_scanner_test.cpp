#include "winenv/line_scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

using Lines = std::vector<std::string>;

Lines ScanAll(const std::string& path) {
  LineScanner scanner;
  EXPECT_TRUE(scanner.Open(path).ok());
  Lines lines;
  std::string_view line;
  while (scanner.Next(line)) lines.emplace_back(line);
  EXPECT_TRUE(scanner.status().ok()) << scanner.status().message;
  EXPECT_EQ(scanner.lineNumber(), lines.size());
  return lines;
}

TEST(LineScanner, CrCrLfAndLoneLfEachEndALine) {
  const struct {
    const char* name;
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"empty file", "", {}},
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"CR", "a\rb\r", {"a", "b"}},
      {"LF", "a\nb\n", {"a", "b"}},
      {"mixed, as the corpus heading line", "<TITLE>\r\n<H1>x</H1>\n\r\n<DL>", {"<TITLE>", "<H1>x</H1>", "", "<DL>"}},
      {"CR CR LF is a line and an empty one", "[s]\r\r\nURL=a\r\r\n", {"[s]", "", "URL=a", ""}},
      {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
      {"no final end", "a\r\nlast", {"a", "last"}},
      {"NUL kept", std::string("x\0y\n", 4), {std::string("x\0y", 3)}},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteFile(dir / "in.txt", c.bytes);
    EXPECT_EQ(ScanAll(dir / "in.txt"), c.lines);
  }
}

TEST(LineScanner, ReadsAcrossChunksAndLongLines) {
  // A CR that is the last byte of a read chunk keeps its LF from the next chunk; a line longer
  // than the buffer is read whole.
  test::TempDir dir;
  for (std::size_t before : {(1u << 18) - 1, (1u << 18) - 2, (1u << 18)}) {
    SCOPED_TRACE(before);
    const std::string first(before, 'a');
    test::WriteFile(dir / "in.txt", first + "\r\nsecond\r\n");
    EXPECT_EQ(ScanAll(dir / "in.txt"), (Lines{first, "second"}));
  }
  // The end of the file leaves the last line readable, with or without its line end.
  for (const std::string ending : {"", "\r\n", "\n"}) {
    test::WriteFile(dir / "last.txt", std::string(300000, 'x') + "\r\nthe last" + ending);
    LineScanner scanner;
    ASSERT_TRUE(scanner.Open(dir / "last.txt").ok());
    std::string_view line, last;
    while (scanner.Next(line)) last = line;
    EXPECT_EQ(last, "the last");
  }
  const std::string huge(5 * 1024 * 1024 + 7, 'h');
  test::WriteFile(dir / "huge.txt", "x\n" + huge + "\ry");
  EXPECT_EQ(ScanAll(dir / "huge.txt"), (Lines{"x", huge, "y"}));
}

// A bound on the bytes: a file of exactly that size is read whole; one byte more fails after
// reading no more than the bound and one byte, however large the file is.
TEST(LineScanner, ABoundedReadRefusesALargerFileWithoutReadingIt) {
  test::TempDir dir;
  const std::size_t bound = (1u << 18) + 10;  // across a chunk
  test::WriteFile(dir / "exact.txt", "x\n" + std::string(bound - 2, 'y'));
  LineScanner scanner;
  ASSERT_TRUE(scanner.Open(dir / "exact.txt", bound).ok());
  std::string_view line;
  std::size_t lines = 0;
  while (scanner.Next(line)) ++lines;
  EXPECT_TRUE(scanner.status().ok());
  EXPECT_EQ(lines, 2u);

  // 200 MB, one line, all but its first bytes a hole: refused, the buffer never near its size.
  test::WriteFile(dir / "big.txt", "URL=http://big/");
  ASSERT_EQ(truncate((dir / "big.txt").c_str(), 200 << 20), 0);
  ASSERT_TRUE(scanner.Open(dir / "big.txt", bound).ok());
  EXPECT_FALSE(scanner.Next(line));
  EXPECT_TRUE(scanner.tooLarge());
  EXPECT_EQ(scanner.status().code, errc::kPathFileAccess);
  EXPECT_NE(scanner.status().message.find("larger than"), std::string::npos);
  ASSERT_TRUE(scanner.Open(dir / "exact.txt").ok());
  EXPECT_FALSE(scanner.tooLarge());
}

TEST(LineScanner, RefusesWhatIsNotARegularFileWithoutBlocking) {
  test::TempDir dir;
  LineScanner scanner;
  EXPECT_EQ(scanner.Open(dir / "missing").code, errc::kFileNotFound);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(scanner.Open(dir / "fifo").ok());  // no writer: an open that waited would hang here
  EXPECT_FALSE(scanner.Open(dir.path()).ok());
  EXPECT_FALSE(scanner.Open("/dev/null").ok());
  std::string_view line;
  EXPECT_FALSE(scanner.Next(line));
}

}  // namespace
}  // namespace varnel

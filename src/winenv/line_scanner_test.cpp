#include "winenv/line_scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

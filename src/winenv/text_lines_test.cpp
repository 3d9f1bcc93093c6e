#include "winenv/text_lines.h"

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

using Lines = std::vector<std::string>;

Lines ReadAll(const std::string& path) {
  TextLineReader reader;
  EXPECT_TRUE(reader.Open(path).ok());
  Lines lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  EXPECT_TRUE(reader.status().ok());
  return lines;
}

// Each case is checked through SplitTextLines and through the file reader, which must agree.
struct SplitCase {
  const char* name;
  std::string bytes;
  Lines lines;
};

TEST(TextLines, SplitsAtCrAndKeepsLoneLf) {
  const std::vector<SplitCase> cases = {
      {"empty file", "", {}},
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"CR only", "a\rb\r", {"a", "b"}},
      {"lone LF is text", "a\nb\r\nc", {"a\nb", "c"}},
      {"LF first", "\na\r", {"\na"}},
      {"no final newline", "a\r\nlast", {"a", "last"}},
      {"CR at end", "a\r", {"a"}},
      {"empty lines", "\r\n\r\r\n", {"", "", ""}},
      {"LF after CR LF", "a\r\n\nb", {"a", "\nb"}},
      {"NUL bytes kept", std::string("x\0y\r", 4), {std::string("x\0y", 3)}},
  };
  test::TempDir dir;
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitTextLines(c.bytes), c.lines);
    test::WriteFile(dir / "in.txt", c.bytes);
    EXPECT_EQ(ReadAll(dir / "in.txt"), c.lines);
  }
}

TEST(TextLines, ReadsAMultiMegabyteLine) {
  test::TempDir dir;
  const std::string big(5 * 1024 * 1024, 'x');
  test::WriteFile(dir / "big.txt", "first\r\n" + big + "\r\nlast");
  const Lines lines = ReadAll(dir / "big.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].size(), big.size());
  EXPECT_EQ(lines[1], big);
  EXPECT_EQ(lines[2], "last");
}

TEST(TextLines, ReaderReportsAMissingFileAndStopsAtTheEnd) {
  test::TempDir dir;
  TextLineReader reader;
  const Status status = reader.Open(dir / "missing.txt");
  EXPECT_EQ(status.code, errc::kFileNotFound);
  EXPECT_FALSE(reader.is_open());
  std::string line = "stale";
  EXPECT_FALSE(reader.ReadLine(line));
  EXPECT_EQ(line, "");

  test::WriteFile(dir / "one.txt", "only\r\n");
  ASSERT_TRUE(reader.Open(dir / "one.txt").ok());
  EXPECT_TRUE(reader.ReadLine(line));
  EXPECT_FALSE(reader.ReadLine(line));
  EXPECT_FALSE(reader.ReadLine(line));
  EXPECT_TRUE(reader.status().ok());
}

TEST(TextLines, WriterEndsEveryLineWithCrLfAndTruncates) {
  test::TempDir dir;
  const std::string path = dir / "out.txt";
  test::WriteFile(path, "old contents that are longer than the new ones");
  TextLineWriter writer;
  ASSERT_TRUE(writer.Create(path).ok());
  EXPECT_TRUE(writer.WriteLine("one").ok());
  EXPECT_TRUE(writer.WriteLine("").ok());
  EXPECT_TRUE(writer.WriteLine("caf\xE9").ok());
  EXPECT_TRUE(writer.Close().ok());
  EXPECT_TRUE(writer.Close().ok());
  EXPECT_EQ(test::ReadFile(path), "one\r\n\r\ncaf\xE9\r\n");
  EXPECT_EQ(ReadAll(path), (Lines{"one", "", "caf\xE9"}));
}

TEST(TextLines, WriterFailuresAreStatuses) {
  test::TempDir dir;
  TextLineWriter writer;
  EXPECT_EQ(writer.Create(dir / "no-such-folder/out.txt").code, errc::kFileNotFound);
  EXPECT_FALSE(writer.is_open());
  EXPECT_FALSE(writer.WriteLine("x").ok());
  EXPECT_FALSE(writer.Create(dir.path()).ok());  // a folder cannot be opened for writing
}

}  // namespace
}  // namespace varnel

#include "cli/output_writer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "winenv/code_page.h"

namespace varnel {
namespace {

std::string Written(bool terminal, const std::function<void(OutputWriter&)>& write) {
  std::ostringstream out;
  {
    OutputWriter writer(out, terminal);
    write(writer);
  }
  return out.str();
}

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

// JSON: the 1252 text as UTF-8 (every byte through the code page), '"', '\' and C0 escaped,
// nothing else touched; the result decodes back to the same bytes.
TEST(OutputWriterTest, JsonEscapesInOnePassAndConvertsTheCodePage) {
  const std::string json = Written(false, [](OutputWriter& w) { w.Json(AllBytes()); });
  std::string expected = "\"";
  for (int b = 0; b < 0x20; ++b) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", b);
    expected += escape;
  }
  const std::string printable = AllBytes().substr(0x20);
  for (char c : Utf8FromAnsi(printable)) {
    if (c == '"' || c == '\\') expected += '\\';
    expected += c;
  }
  expected += "\"";
  EXPECT_EQ(json, expected);
  EXPECT_EQ(JsonText(AllBytes()), expected);
  EXPECT_EQ(Written(true, [](OutputWriter& w) { w.Json("\x1b]0;x\x07"); }), "\"\\u001b]0;x\\u0007\"");
  EXPECT_EQ(Written(false, [](OutputWriter& w) { w.Json("caf\xe9 \x80").Raw(",").Json(""); }),
            "\"caf\xc3\xa9 \xe2\x82\xac\",\"\"");
}

// On a terminal an entry cannot reach the terminal's control functions: C0, DEL and the five
// bytes that stand for C1 controls become \xHH; letters, '\' and the euro sign stay. To a pipe the
// text is the plain conversion.
TEST(OutputWriterTest, TextEscapesControlCharactersOnlyOnATerminal) {
  const std::string hostile = "a\x1b]0;owned\x07\x1b[2J\r\nfake line\t\x7f\x9d\x90 c:\\caf\xe9 \x80";
  EXPECT_EQ(Written(true, [&](OutputWriter& w) { w.Text(hostile).Raw("\n"); }),
            "a\\x1b]0;owned\\x07\\x1b[2J\\x0d\\x0afake line\\x09\\x7f\\x9d\\x90 c:\\caf\xc3\xa9 \xe2\x82\xac\n");
  EXPECT_EQ(Written(false, [&](OutputWriter& w) { w.Text(hostile); }), Utf8FromAnsi(hostile));
  EXPECT_EQ(TerminalText(hostile, false), Utf8FromAnsi(hostile));
  EXPECT_EQ(TerminalText("\x1b"
                         "c",
                         true),
            "\\x1bc");
  // Plain text is skipped a word at a time: a byte to escape is found at every position of a word.
  for (std::size_t at = 0; at < 17; ++at) {
    for (const char special : {'\x1b', '\x7f', '"', '\\', '\xe9'}) {
      std::string text(17, 'a');
      text[at] = special;
      std::string shown = Written(true, [&](OutputWriter& w) { w.Text(text); });
      std::string json = Written(false, [&](OutputWriter& w) { w.Json(text); });
      EXPECT_EQ(shown, TerminalText(text, true)) << at;
      EXPECT_EQ(json, JsonText(text)) << at;
      EXPECT_EQ(shown.size() - 17, special == '\x1b' || special == '\x7f' ? 3u : special == '\xe9' ? 1u : 0u) << at;
      EXPECT_EQ(json.size() - 19, special == '\x1b' ? 5u : special == '\x7f' ? 0u : 1u) << at;
    }
  }
  // The program's own text is never escaped.
  EXPECT_EQ(Written(true, [](OutputWriter& w) { w.Raw("line\n\tx"); }), "line\n\tx");
}

// Texts far larger than the buffer, with replacements straddling every buffer boundary, come out
// whole and in order; numbers and blanks too.
TEST(OutputWriterTest, LongTextsCrossTheBufferWhole) {
  std::string big;
  for (int i = 0; i < 100000; ++i) big += (i % 7 == 0) ? "\xe9\"" : "ab\x01";
  std::string expected = "\"";
  for (char c : Utf8FromAnsi(big)) {
    if (c == '"')
      expected += "\\\"";
    else if (c == '\x01')
      expected += "\\u0001";
    else
      expected += c;
  }
  expected += "\"";
  const std::string json = Written(false, [&](OutputWriter& w) { w.Json(big); });
  EXPECT_EQ(json.size(), expected.size());
  EXPECT_TRUE(json == expected);
  EXPECT_EQ(Written(false,
                    [&](OutputWriter& w) {
                      w.Raw(std::string(200000, 'x')).Number(0).Number(18446744073709551615ull).Spaces(130).Raw("|");
                    }),
            std::string(200000, 'x') + "018446744073709551615" + std::string(130, ' ') + "|");
}

}  // namespace
}  // namespace varnel

#include "winenv/code_page.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(CodePage, EveryByteRoundTripsThroughUtf16AndUtf8) {
  const std::string bytes = AllBytes();
  EXPECT_EQ(AnsiFromUtf16(Utf16FromAnsi(bytes)), bytes);
  EXPECT_EQ(AnsiFromUtf8(Utf8FromAnsi(bytes)), bytes);
}

TEST(CodePage, MapsTheHighBytesAndTheUndefinedOnes) {
  EXPECT_EQ(Utf16FromAnsi("\x80\x8A\x9F\xE9"), u"\u20AC\u0160\u0178\u00E9");
  EXPECT_EQ(Utf16FromAnsi("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(Utf8FromAnsi("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
  EXPECT_EQ(AnsiFromUtf8("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
}

TEST(CodePage, CharactersOutside1252BecomeQuestionMarks) {
  EXPECT_EQ(AnsiFromUtf16(u"a\u0080b\u4E2Dc"), "a?b?c");
  EXPECT_EQ(AnsiFromUtf16(u"x\U0001F600y"), "x?y");  // a surrogate pair is one character
  EXPECT_EQ(AnsiFromUtf16(std::u16string(1, char16_t(0xD800)) + u"z"), "?z");
  EXPECT_EQ(AnsiFromUtf8("\xE4\xB8\xAD|\xF0\x9F\x98\x80|"), "?|?|");
  // Malformed UTF-8: a stray continuation byte, a truncated sequence, an overlong '/'.
  EXPECT_EQ(AnsiFromUtf8("a\x80z"), "a?z");
  EXPECT_EQ(AnsiFromUtf8("a\xC3"), "a?");
  EXPECT_EQ(AnsiFromUtf8("\xC0\xAF"), "??");
}

TEST(CodePage, FoldsAsciiAndLatin1LettersOnly) {
  EXPECT_EQ(FoldCase(u'A'), u'a');
  EXPECT_EQ(FoldCase(u'\u00C9'), u'\u00E9');  // É
  EXPECT_EQ(FoldCase(u'\u0160'), u'\u0161');  // Š
  EXPECT_EQ(FoldCase(u'\u0178'), u'\u00FF');  // Ÿ
  EXPECT_EQ(FoldCase(u'\u00D7'), u'\u00D7');  // × is not a letter
  EXPECT_EQ(FoldCase(u'_'), u'_');
  EXPECT_TRUE(EqualNoCase(u"Software\\Netscape", u"SOFTWARE\\netscape"));
  EXPECT_FALSE(EqualNoCase(u"abc", u"abcd"));
}

TEST(CodePage, ComparesWithoutCaseLikeWineSortsKeys) {
  EXPECT_EQ(CompareNoCase(u"Netscape", u"NETSCAPE"), 0);
  EXPECT_LT(CompareNoCase(u"abc", u"ABD"), 0);
  EXPECT_GT(CompareNoCase(u"B", u"a"), 0);
  EXPECT_LT(CompareNoCase(u"Net", u"netscape"), 0);  // a prefix sorts first
  EXPECT_GT(CompareNoCase(u"netscape", u"Net"), 0);
  // Folding goes to lower case, so '_' sorts before the letters.
  EXPECT_LT(CompareNoCase(u"_iso", u"ANSI"), 0);
}

TEST(CodePage, ChangesCaseOf1252Bytes) {
  EXPECT_EQ(LowerAnsi("ABC \xC9\x8A\x8C\x8E\x9F xyz"), "abc \xE9\x9A\x9C\x9E\xFF xyz");
  EXPECT_EQ(UpperAnsi("abc \xE9\x9A\x9C\x9E\xFF XYZ"), "ABC \xC9\x8A\x8C\x8E\x9F XYZ");
  EXPECT_EQ(UpperAnsi("\xDF\xF7\xB5"), "\xDF\xF7\xB5");  // ß, ÷ and µ have no upper case here
  EXPECT_TRUE(EqualNoCaseAnsi("C:\\PROGRAM FILES\\\xC9T\xC9", "c:\\program files\\\xE9t\xE9"));
  EXPECT_FALSE(EqualNoCaseAnsi("\xD7", "\xF7"));  // × and ÷ sit 0x20 apart but are not letters
  EXPECT_FALSE(EqualNoCaseAnsi("ab", "abc"));
}

}  // namespace
}  // namespace varnel

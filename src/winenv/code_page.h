#pragma once
// Windows-1252, the system's 8-bit code page. Every text the program handles is 1252 bytes
// (std::string); conversion happens only at the edges: hive files (UTF-16), the terminal and
// native file names (UTF-8), the windows (QString, via UTF-16).
// All 256 byte values round-trip: the five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the code points of the same number. A character 1252 cannot hold becomes '?'.
#include <optional>
#include <string>
#include <string_view>

namespace varnel {

std::u16string Utf16FromAnsi(std::string_view ansi);
std::string AnsiFromUtf16(std::u16string_view text);
std::string Utf8FromAnsi(std::string_view ansi);
std::string AnsiFromUtf8(std::string_view utf8);
// UTF-8 (a native file name) as UTF-16, for comparing without case; a malformed byte stands for
// its 1252 character.
std::u16string Utf16FromUtf8(std::string_view utf8);

// Single characters, for the readers and writers that mix the code page, UTF-8 and character
// references in one text.
inline constexpr char32_t kNoCodePoint = 0xFFFFFFFF;
// The code point of the UTF-8 sequence at `pos`, which moves past it. A malformed sequence (bad
// lead byte, missing continuation, overlong form, surrogate, beyond U+10FFFF) moves one byte and
// gives kNoCodePoint.
char32_t NextUtf8(std::string_view utf8, std::size_t& pos);
// The same, a malformed byte standing for its 1252 character.
char32_t NextUtf8OrAnsi(std::string_view utf8, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t c);
char32_t CodePointOfAnsi(unsigned char byte);
// The 1252 byte of a code point; none when 1252 has no such character.
std::optional<char> AnsiOfCodePoint(char32_t c);

// Letter case folding for names compared without case (registry keys, file names):
// ASCII and the Latin-1 letters of 1252.
char16_t FoldCase(char16_t c);
bool EqualNoCase(std::u16string_view a, std::u16string_view b);
// Ordering by folded code units; a shorter string that is a prefix sorts first.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
std::string LowerAnsi(std::string_view ansi);
std::string UpperAnsi(std::string_view ansi);
bool EqualNoCaseAnsi(std::string_view a, std::string_view b);

}  // namespace varnel

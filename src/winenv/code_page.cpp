#include "winenv/code_page.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace varnel {
namespace {

// Code points of the bytes 0x80..0x9F. The five bytes 1252 leaves undefined keep their own
// number (0x81 -> U+0081), so every byte has a code point and comes back unchanged.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

constexpr char kReplacement = '?';
constexpr char32_t kInvalid = kNoCodePoint;

char16_t CodePointOfByte(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

// The 1252 byte for a code point, or '?' when 1252 has none.
char ByteOfCodePoint(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  }
  return kReplacement;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Upper-case partners in 1252 outside the Latin-1 block: Š š, Œ œ, Ž ž, Ÿ ÿ.
char16_t FoldExtraLetter(char16_t c) {
  switch (c) {
    case 0x0160: return 0x0161;
    case 0x0152: return 0x0153;
    case 0x017D: return 0x017E;
    case 0x0178: return 0x00FF;
    default: return c;
  }
}

char16_t UpperOf(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  switch (c) {
    case 0x0161: return 0x0160;
    case 0x0153: return 0x0152;
    case 0x017E: return 0x017D;
    case 0x00FF: return 0x0178;
    default: return c;
  }
}

using ByteTable = std::array<char, 256>;

// A byte-to-byte table for a case mapping, so that 1252 text is mapped without decoding.
template <typename Map>
ByteTable MakeByteTable(Map map) {
  ByteTable table{};
  for (std::size_t byte = 0; byte < 256; ++byte) {
    table[byte] = ByteOfCodePoint(map(CodePointOfByte(static_cast<unsigned char>(byte))));
  }
  return table;
}

std::string MapAnsi(std::string_view ansi, const ByteTable& table) {
  std::string out(ansi.size(), '\0');
  for (std::size_t i = 0; i < ansi.size(); ++i) out[i] = table[static_cast<unsigned char>(ansi[i])];
  return out;
}

const ByteTable& LowerTable() {
  static const ByteTable table = MakeByteTable(FoldCase);
  return table;
}

const ByteTable& UpperTable() {
  static const ByteTable table = MakeByteTable(UpperOf);
  return table;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t NextUtf8(std::string_view s, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(s[pos]);
  ++pos;
  if (lead < 0x80) return lead;
  std::size_t length = 0;
  char32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 1, c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 2, c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 3, c = lead & 0x07;
  } else {
    return kInvalid;
  }
  if (pos + length > s.size()) return kInvalid;
  for (std::size_t i = 0; i < length; ++i) {
    const auto next = static_cast<unsigned char>(s[pos + i]);
    if ((next & 0xC0) != 0x80) return kInvalid;
    c = (c << 6) | (next & 0x3F);
  }
  const bool overlong = (length == 2 && c < 0x800) || (length == 3 && c < 0x10000);
  const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
  if (overlong || surrogate || c > 0x10FFFF) return kInvalid;
  pos += length;
  return c;
}

char32_t NextUtf8OrAnsi(std::string_view utf8, std::size_t& pos) {
  const std::size_t start = pos;
  const char32_t c = NextUtf8(utf8, pos);
  return c == kInvalid ? CodePointOfByte(static_cast<unsigned char>(utf8[start])) : c;
}

char32_t CodePointOfAnsi(unsigned char byte) { return CodePointOfByte(byte); }

std::optional<char> AnsiOfCodePoint(char32_t c) {
  const char byte = ByteOfCodePoint(c);
  if (byte == kReplacement && c != static_cast<char32_t>(kReplacement)) return std::nullopt;
  return byte;
}

std::u16string Utf16FromAnsi(std::string_view ansi) {
  std::u16string out;
  out.reserve(ansi.size());
  for (char byte : ansi) out += CodePointOfByte(static_cast<unsigned char>(byte));
  return out;
}

// A surrogate pair is one character outside 1252 and so becomes a single '?'.
std::string AnsiFromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out += kReplacement;
      ++i;
    } else {
      out += ByteOfCodePoint(text[i]);
    }
  }
  return out;
}

std::string Utf8FromAnsi(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 4);
  for (char byte : ansi) AppendUtf8(out, CodePointOfByte(static_cast<unsigned char>(byte)));
  return out;
}

std::string AnsiFromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t c = NextUtf8(utf8, pos);
    out += c == kInvalid ? kReplacement : ByteOfCodePoint(c);
  }
  return out;
}

// Folds to lower case, the order Wine keeps registry keys in (an '_' sorts before letters).
std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t c = NextUtf8OrAnsi(utf8, pos);
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  return FoldExtraLetter(c);
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const char16_t x = FoldCase(a[i]);
    const char16_t y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string LowerAnsi(std::string_view ansi) { return MapAnsi(ansi, LowerTable()); }

std::string UpperAnsi(std::string_view ansi) { return MapAnsi(ansi, UpperTable()); }

bool EqualNoCaseAnsi(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const ByteTable& lower = LowerTable();
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower[static_cast<unsigned char>(a[i])] != lower[static_cast<unsigned char>(b[i])]) return false;
  }
  return true;
}

}  // namespace varnel

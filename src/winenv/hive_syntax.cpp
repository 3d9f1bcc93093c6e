#include "winenv/hive_syntax.h"

#include <array>
#include <bit>
#include <cstdio>

#include "winenv/code_page.h"

namespace varnel::hive {

namespace {

// FILETIME counts 100 ns ticks from 1601; Unix time counts seconds from 1970.
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;
// Wine breaks a hex value's line after a comma once the line is longer than this.
constexpr std::size_t kHexLineLimit = 76;
constexpr std::string_view kHexContinuationIndent = "  ";

// The value of each byte as a hex digit, or 16 when it is none.
constexpr std::array<std::uint8_t, 256> kHexDigitValues = [] {
  std::array<std::uint8_t, 256> values{};
  values.fill(16);
  for (std::size_t c = '0'; c <= '9'; ++c) values[c] = static_cast<std::uint8_t>(c - '0');
  for (std::size_t c = 'a'; c <= 'f'; ++c) values[c] = static_cast<std::uint8_t>(c - 'a' + 10);
  for (std::size_t c = 'A'; c <= 'F'; ++c) values[c] = static_cast<std::uint8_t>(c - 'A' + 10);
  return values;
}();

int DigitValue(char c, int base) {
  const int value = kHexDigitValues[static_cast<unsigned char>(c)];
  return value < base ? value : -1;
}

bool IsHexDigit(char16_t c) { return c < 128 && DigitValue(static_cast<char>(c), 16) >= 0; }
bool IsOctalDigit(char16_t c) { return c >= u'0' && c <= u'7'; }

// Reads up to maxDigits digits of the base; false when there is not even one.
bool ReadNumber(std::string_view text, std::size_t& pos, int base, int maxDigits, std::uint32_t& value) {
  value = 0;
  int count = 0;
  for (int digit = 0; count < maxDigits && pos < text.size() && (digit = DigitValue(text[pos], base)) >= 0; ++count) {
    value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    ++pos;
  }
  return count > 0;
}

// The control characters that have a letter escape; index = character code.
constexpr std::string_view kControlEscapes = ".......abtnvfr.............e....";

std::optional<char16_t> ControlFromLetter(char letter) {
  const std::size_t at = kControlEscapes.find(letter);
  if (letter == '.' || at == std::string_view::npos) return std::nullopt;
  return static_cast<char16_t>(at);
}

// The bytes that stand for themselves in quoted text and key paths: ASCII but NUL, the escape
// character and the two closing characters.
constexpr std::array<bool, 256> kPlainBytes = [] {
  std::array<bool, 256> plain{};
  for (std::size_t c = 1; c < 128; ++c) plain[c] = c != '\\' && c != '"' && c != ']';
  return plain;
}();

// Reads escaped text from text[pos] up to the unescaped `closing` character, handing each run
// of plain bytes to `putPlain` and each other decoded code unit to `put`, and leaves pos just
// after it. Wine writes only ASCII here; other bytes would be guesswork. Most of a hive is plain
// text, and most reads only check it: runs are passed over in a tight loop.
template <typename PutUnit, typename PutPlain>
Problem ReadQuoted(std::string_view text, std::size_t& pos, char closing, PutUnit put, PutPlain putPlain) {
  while (pos < text.size()) {
    const std::size_t run = pos;
    while (pos < text.size() && kPlainBytes[static_cast<unsigned char>(text[pos])]) ++pos;
    if (pos > run) putPlain(text.substr(run, pos - run));
    if (pos == text.size()) break;
    const char c = text[pos++];
    if (c == closing) return nullptr;
    if (c == '\\' && pos < text.size() && text[pos] == '\\') {  // the commonest escape: a key path's separator
      put(u'\\');
      ++pos;
    } else if (c == '\\') {
      char16_t unit = 0;
      if (Problem problem = DecodeEscape(text, pos, unit)) return problem;
      put(unit);
    } else if (c == '\0' || static_cast<unsigned char>(c) > 127) {
      return "character outside ASCII in a string";
    } else {
      put(static_cast<char16_t>(c));  // the other context's closing character
    }
  }
  return closing == ']' ? "key name without closing ']'" : "string without closing quote";
}

// The same, handing every code unit to `put`.
template <typename PutUnit>
Problem ReadQuoted(std::string_view text, std::size_t& pos, char closing, PutUnit put) {
  return ReadQuoted(text, pos, closing, put, [&](std::string_view plain) {
    for (char c : plain) put(static_cast<char16_t>(c));
  });
}

template <typename... Args>
void AppendFormatted(std::string& out, const char* format, Args... args) {
  char buffer[24];
  const int length = std::snprintf(buffer, sizeof buffer, format, args...);
  out.append(buffer, static_cast<std::size_t>(length));
}

// Escapes as Wine's writer does: code units above 127 as \x (four digits when an ASCII hex
// digit follows, so a reader cannot run on), control characters as a C letter escape or
// octal (three digits when an octal digit follows), and a backslash before `\` and the
// delimiters of the context ('"' in names and data, '[' and ']' in key paths).
void AppendEscaped(std::string& out, std::u16string_view text, std::string_view delimiters) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const char16_t next = i + 1 < text.size() ? text[i + 1] : 0;
    if (c > 127) {
      AppendFormatted(out, IsHexDigit(next) ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
    } else if (c < 32 && kControlEscapes[c] != '.') {
      out += '\\';
      out += kControlEscapes[c];
    } else if (c < 32) {
      AppendFormatted(out, IsOctalDigit(next) ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
    } else {
      if (c == u'\\' || delimiters.find(static_cast<char>(c)) != std::string_view::npos) out += '\\';
      out += static_cast<char>(c);
    }
  }
}

// Watches a key path's units go by for an empty key name: a separator at the start, at the end
// or right after another. The empty path is the hive's root.
class EmptyNameWatch {
 public:
  void Add(char16_t unit) {
    found_ = found_ || (unit == u'\\' && (first_ || last_ == u'\\'));
    first_ = false;
    last_ = unit;
  }
  // A run of characters other than the separator.
  void AddPlain() {
    first_ = false;
    last_ = u'-';
  }
  bool Found() const { return found_ || last_ == u'\\'; }

 private:
  bool found_ = false;
  bool first_ = true;
  char16_t last_ = 0;
};

Problem ReadStringData(std::string_view text, std::uint32_t type, RegValue* value) {
  std::size_t pos = 0;
  const Problem problem = value ? ReadQuoted(text, pos, '"',
                                             [&](char16_t unit) {
                                               AppendUnits(value->data, {&unit, 1});
                                             })
                                : ReadQuoted(
                                      text, pos, '"', [](char16_t) {}, [](std::string_view) {});
  if (problem) return problem;
  if (!OnlySpacesFrom(text, pos)) return "unexpected text after the string";
  if (!value) return nullptr;
  value->type = type;
  AppendTerminator(value->data);
  return nullptr;
}

Problem ReadDwordData(std::string_view text, RegValue* value) {
  std::size_t pos = 0;
  std::uint32_t number = 0;
  if (!ReadNumber(text, pos, 16, 8, number) || !OnlySpacesFrom(text, pos)) return "bad dword";
  if (!value) return nullptr;
  value->type = kRegDword;
  for (int shift = 0; shift < 32; shift += 8) value->data.push_back(static_cast<std::uint8_t>(number >> shift));
  return nullptr;
}

// "hex:" or "hex(N):" with N the type in hex; leaves pos after the colon.
Problem ReadHexType(std::string_view text, std::size_t& pos, std::uint32_t& type) {
  if (text.starts_with("hex:")) {
    type = kRegBinary;
    pos = 4;
    return nullptr;
  }
  pos = 4;  // after "hex("
  if (!ReadNumber(text, pos, 16, 8, type) || text.substr(pos, 2) != "):") return "bad hex type";
  pos += 2;
  return nullptr;
}

// Reads the data part of a value's first line into `value`, which is cleared first.

std::string FormatValueName(std::u16string_view name) {
  if (name.empty()) return "@=";
  std::string head = "\"";
  AppendEscaped(head, name, "\"");
  head += "\"=";
  return head;
}

// The text without its terminating NUL when the value is of a string type and holds a
// properly terminated UTF-16 string; Wine writes only such data in the quoted form.
std::optional<std::u16string> TerminatedString(const RegValue& value) {
  if (value.type != kRegSz && value.type != kRegExpandSz && value.type != kRegMultiSz) return std::nullopt;
  const std::vector<std::uint8_t>& d = value.data;
  if (d.size() < 2 || d.size() % 2 != 0 || d[d.size() - 1] != 0 || d[d.size() - 2] != 0) return std::nullopt;
  std::u16string text;
  text.reserve(d.size() / 2 - 1);
  for (std::size_t i = 0; i + 2 < d.size(); i += 2) text += static_cast<char16_t>(d[i] | d[i + 1] << 8);
  return text;
}

std::string FormatStringData(std::uint32_t type, std::u16string_view text) {
  std::string data;
  if (type != kRegSz) AppendFormatted(data, "str(%x):", static_cast<unsigned>(type));
  data += '"';
  AppendEscaped(data, text, "\"");
  data += '"';
  return data;
}

std::vector<std::string> FormatHexLines(std::string head, const RegValue& value) {
  if (value.type == kRegBinary)
    head += "hex:";
  else
    AppendFormatted(head, "hex(%x):", static_cast<unsigned>(value.type));
  std::vector<std::string> lines;
  std::string line = std::move(head);
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    AppendFormatted(line, "%02x", static_cast<unsigned>(value.data[i]));
    if (i + 1 == value.data.size()) break;
    line += ',';
    if (line.size() > kHexLineLimit) {
      line += '\\';
      lines.push_back(std::move(line));
      line = kHexContinuationIndent;
    }
  }
  lines.push_back(std::move(line));
  return lines;
}

}  // namespace

// ---- Lines -------------------------------------------------------------------------------

std::optional<LineKind> KindOf(std::string_view content) {
  const std::size_t pos = SkipSpaces(content, 0);
  if (pos == content.size()) return LineKind::Blank;
  switch (content[pos]) {
    case '[': return LineKind::Key;
    case '@':
    case '"': return LineKind::Value;
    case '#': return LineKind::Option;
    case ';': return LineKind::Comment;
    default: return std::nullopt;
  }
}

bool ContinuesHexData(std::string_view content) {
  while (!content.empty() && IsSpace(content.back())) content.remove_suffix(1);
  return content.ends_with('\\');
}

Problem DecodeEscape(std::string_view text, std::size_t& pos, char16_t& unit) {
  if (pos >= text.size()) return "backslash at the end of the line";
  const char c = text[pos];
  std::uint32_t number = 0;
  if (c == '\\' || c == '"' || c == '[' || c == ']') {
    unit = static_cast<char16_t>(c);
    ++pos;
  } else if (auto control = ControlFromLetter(c)) {
    unit = *control;
    ++pos;
  } else if (c == 'x') {
    ++pos;
    if (!ReadNumber(text, pos, 16, 4, number)) return "\\x without hex digits";
    unit = static_cast<char16_t>(number);
  } else if (IsOctalDigit(static_cast<unsigned char>(c))) {
    ReadNumber(text, pos, 8, 3, number);
    unit = static_cast<char16_t>(number);
  } else {
    return "unknown escape";
  }
  return nullptr;
}

// ---- Key paths ---------------------------------------------------------------------------

std::u16string Folded(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) c = FoldCase(c);
  return folded;
}

std::u16string WithoutEmptyNames(std::u16string_view path) {
  std::u16string clean;
  clean.reserve(path.size());
  for (char16_t c : path) {
    if (c == u'\\' && (clean.empty() || clean.back() == u'\\')) continue;
    clean += c;
  }
  if (!clean.empty() && clean.back() == u'\\') clean.pop_back();
  return clean;
}

Problem ReadKeyLine(std::string_view content, std::u16string* path) {
  std::size_t pos = SkipSpaces(content, 0) + 1;  // past '['
  EmptyNameWatch names;
  if (path) path->clear();
  const Problem problem = ReadQuoted(
      content, pos, ']',
      [&](char16_t unit) {
        names.Add(unit);
        if (path) *path += unit;
      },
      [&](std::string_view plain) {
        names.AddPlain();
        if (path) path->append(plain.begin(), plain.end());
      });
  if (problem) return problem;
  pos = SkipSpaces(content, pos);
  while (pos < content.size() && content[pos] >= '0' && content[pos] <= '9') ++pos;
  if (!OnlySpacesFrom(content, pos)) return "unexpected text after the key name";
  if (names.Found()) return "key path with an empty key name";
  return nullptr;
}

std::string FormatKeyLine(std::u16string_view path, std::int64_t unixNow) {
  std::string line = "[";
  AppendEscaped(line, path, "[]");
  line += "] ";
  line += std::to_string(unixNow);
  return line;
}

std::string FormatTimeLine(std::int64_t unixNow) {
  const auto ticks = static_cast<std::uint64_t>(unixNow * kTicksPerSecond + kTicksFrom1601To1970);
  std::string line = "#time=";
  AppendFormatted(line, "%x%08x", static_cast<unsigned>(ticks >> 32), static_cast<unsigned>(ticks & 0xFFFFFFFFu));
  return line;
}

// ---- Values ------------------------------------------------------------------------------

void AppendUnits(std::vector<std::uint8_t>& data, std::u16string_view units) {
  for (char16_t c : units) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
}

void AppendTerminator(std::vector<std::uint8_t>& data) { data.insert(data.end(), 2, 0); }

// Reads `"name"=` or `@=`, handing the name's code units to `put`, and leaves pos at the start
// of the data.
template <typename Put>
Problem ReadValueNameWith(std::string_view content, std::size_t& pos, Put put) {
  pos = SkipSpaces(content, 0);
  if (content[pos] == '@') {
    ++pos;
  } else {
    ++pos;  // past the opening quote
    if (Problem problem = ReadQuoted(content, pos, '"', put)) return problem;
  }
  pos = SkipSpaces(content, pos);
  if (pos == content.size() || content[pos] != '=') return "value without '='";
  pos = SkipSpaces(content, pos + 1);
  return nullptr;
}

Problem ReadValueName(std::string_view content, std::size_t& pos, std::u16string& name) {
  name.clear();
  return ReadValueNameWith(content, pos, [&](char16_t unit) { name += unit; });
}

Problem HashValueName(std::string_view content, std::size_t& pos, std::uint64_t& foldedHash) {
  foldedHash = 0;
  return ReadValueNameWith(content, pos,
                           [&](char16_t unit) { foldedHash = std::rotl(foldedHash, 7) ^ FoldUnit(unit); });
}

// Appends comma-separated hex bytes; `continues` tells whether the line ends in the backslash
// that carries the data on to the next line.
Problem ReadHexBytes(std::string_view text, std::vector<std::uint8_t>* data, bool& continues) {
  std::size_t pos = SkipSpaces(text, 0);
  // Wine writes "xx," over and over: taken three characters at a time, the rest as it comes.
  for (; pos + 3 <= text.size() && text[pos + 2] == ','; pos += 3) {
    const int high = kHexDigitValues[static_cast<unsigned char>(text[pos])];
    const int low = kHexDigitValues[static_cast<unsigned char>(text[pos + 1])];
    if (high > 15 || low > 15) break;
    if (data) data->push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  std::uint32_t byte = 0;
  while (ReadNumber(text, pos, 16, 2, byte)) {
    if (pos < text.size() && DigitValue(text[pos], 16) >= 0) return "hex byte with more than two digits";
    if (data) data->push_back(static_cast<std::uint8_t>(byte));
    pos = SkipSpaces(text, pos);
    if (pos < text.size() && text[pos] == ',') pos = SkipSpaces(text, pos + 1);
  }
  continues = pos < text.size() && text[pos] == '\\' && OnlySpacesFrom(text, pos + 1);
  if (!continues && pos != text.size()) return "bad hex data";
  return nullptr;
}

Problem ReadValueData(std::string_view text, RegValue* value, bool& continues) {
  struct StringTag {
    std::string_view tag;
    std::uint32_t type;
  };
  static constexpr StringTag kStringTags[] = {
      {"\"", kRegSz}, {"str:\"", kRegSz}, {"str(2):\"", kRegExpandSz}, {"str(7):\"", kRegMultiSz}};
  if (value) value->data.clear();
  continues = false;
  for (const StringTag& s : kStringTags) {
    if (text.starts_with(s.tag)) return ReadStringData(text.substr(s.tag.size()), s.type, value);
  }
  if (text.starts_with("dword:")) return ReadDwordData(text.substr(6), value);
  if (!text.starts_with("hex:") && !text.starts_with("hex(")) return "unknown value type";
  std::size_t pos = 0;
  std::uint32_t type = 0;
  if (Problem problem = ReadHexType(text, pos, type)) return problem;
  if (value) value->type = type;
  return ReadHexBytes(text.substr(pos), value ? &value->data : nullptr, continues);
}

std::vector<std::string> FormatValueLines(std::u16string_view name, const RegValue& value) {
  std::string head = FormatValueName(name);
  if (auto text = TerminatedString(value)) return {head + FormatStringData(value.type, *text)};
  if (value.type == kRegDword && value.data.size() == 4) {
    const std::uint32_t number = DwordOf(value);
    AppendFormatted(head, "dword:%08x", static_cast<unsigned>(number));
    return {head};
  }
  return FormatHexLines(std::move(head), value);
}

}  // namespace varnel::hive

#include "winenv/hive_file.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

#include "winenv/code_page.h"

namespace varnel {

namespace {

constexpr std::string_view kSignature = "WINE REGISTRY Version 2";
constexpr std::string_view kRootCommentLead = ";; All keys relative to ";
// FILETIME counts 100 ns ticks from 1601; Unix time counts seconds from 1970.
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;
// Wine breaks a hex value's line after a comma once the line is longer than this.
constexpr std::size_t kHexLineLimit = 76;
constexpr std::string_view kHexContinuationIndent = "  ";

// Problems in the text are short messages; nullptr means there is none.
using Problem = const char*;

enum class LineKind : std::uint8_t { Signature, Blank, Comment, Option, Key, Value, Continuation };

// A line to be stored, with its ending.
struct Line {
  std::string raw;
  LineKind kind;
};

// ---- Lines -------------------------------------------------------------------------------

// The line without its ending. Wine reads up to LF and drops a CR right before it.
std::string_view ContentOf(std::string_view raw) {
  if (raw.ends_with('\n')) {
    raw.remove_suffix(1);
    if (raw.ends_with('\r')) raw.remove_suffix(1);
  }
  return raw;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::size_t SkipSpaces(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

bool OnlySpacesFrom(std::string_view text, std::size_t pos) { return SkipSpaces(text, pos) == text.size(); }

// What a line is, told by its first character after any indentation (as Wine reads it).
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

// Consecutive lines of the file, exactly as read, kept in one string: a key's block costs
// one allocation rather than one per line.
class LineList {
 public:
  std::size_t size() const { return spans_.size(); }
  bool empty() const { return spans_.empty(); }
  LineKind kind(std::size_t i) const { return spans_[i].kind; }
  std::string_view raw(std::size_t i) const { return std::string_view(text_).substr(spans_[i].start, spans_[i].length); }
  std::string_view content(std::size_t i) const { return ContentOf(raw(i)); }
  const std::string& text() const { return text_; }

  void Append(std::string_view raw, LineKind kind) {
    spans_.push_back(Span{Offset(text_.size()), Offset(raw.size()), kind});
    text_ += raw;
  }

  // Gives back what growing line by line reserved beyond the need.
  void Trim() {
    text_.shrink_to_fit();
    spans_.shrink_to_fit();
  }

  void RemoveLast() {
    text_.resize(spans_.back().start);
    spans_.pop_back();
  }

  // Gives the last line an ending when the file ended without one: something will follow.
  void EndLastLine(std::string_view newline) {
    if (empty() || raw(size() - 1).ends_with('\n')) return;
    text_ += newline;
    spans_.back().length += Offset(newline.size());
  }

  // Replaces `count` lines from `first` on by `lines`.
  void Replace(std::size_t first, std::size_t count, const std::vector<Line>& lines) {
    const std::size_t begin = first < size() ? spans_[first].start : text_.size();
    const std::size_t end = first + count < size() ? spans_[first + count].start : text_.size();
    std::string inserted;
    std::vector<Span> spans;
    for (const Line& line : lines) {
      spans.push_back(Span{Offset(begin + inserted.size()), Offset(line.raw.size()), line.kind});
      inserted += line.raw;
    }
    text_.replace(begin, end - begin, inserted);
    for (std::size_t i = first + count; i < size(); ++i) {
      spans_[i].start = Offset(spans_[i].start - (end - begin) + inserted.size());
    }
    const auto at = spans_.begin() + static_cast<std::ptrdiff_t>(first);
    spans_.insert(spans_.erase(at, at + static_cast<std::ptrdiff_t>(count)), spans.begin(), spans.end());
  }

 private:
  struct Span {
    std::uint32_t start;
    std::uint32_t length;
    LineKind kind;
  };
  static std::uint32_t Offset(std::size_t n) { return static_cast<std::uint32_t>(n); }

  std::string text_;
  std::vector<Span> spans_;
};

// The number of lines that belong to the key's content (key line, options, values), without
// the blank and comment lines that trail it.
std::size_t ContentEnd(const LineList& lines) {
  std::size_t end = lines.size();
  while (end > 0 && (lines.kind(end - 1) == LineKind::Blank || lines.kind(end - 1) == LineKind::Comment)) --end;
  return end;
}

// ---- Escaped strings ---------------------------------------------------------------------

int DigitValue(char c, int base) {
  int value = base;
  if (c >= '0' && c <= '9') value = c - '0';
  else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

bool IsHexDigit(char16_t c) { return c < 128 && DigitValue(static_cast<char>(c), 16) >= 0; }
bool IsOctalDigit(char16_t c) { return c >= u'0' && c <= u'7'; }

// Reads up to maxDigits digits of the base; false when there is not even one.
bool ReadNumber(std::string_view text, std::size_t& pos, int base, int maxDigits, std::uint32_t& value) {
  value = 0;
  int count = 0;
  for (; count < maxDigits && pos < text.size() && DigitValue(text[pos], base) >= 0; ++count) {
    value = value * base + DigitValue(text[pos++], base);
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

// Decodes the escape whose backslash is just before text[pos].
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

// Decodes escaped text from text[pos] up to the unescaped `closing` character and leaves pos
// just after it. Wine writes only ASCII here; other bytes would be guesswork.
Problem DecodeQuoted(std::string_view text, std::size_t& pos, char closing, std::u16string& out) {
  out.clear();
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == closing) return nullptr;
    if (c == '\\') {
      char16_t unit = 0;
      if (Problem problem = DecodeEscape(text, pos, unit)) return problem;
      out += unit;
    } else if (c == '\0' || static_cast<unsigned char>(c) > 127) {
      return "character outside ASCII in a string";
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return closing == ']' ? "key name without closing ']'" : "string without closing quote";
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

// ---- Key paths ---------------------------------------------------------------------------

std::u16string Folded(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) c = FoldCase(c);
  return folded;
}

// A path as callers may give it, with doubled, leading or trailing backslashes, names the key
// Wine would find: empty names are skipped.
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

std::u16string IndexKeyOf(std::u16string_view path) { return Folded(WithoutEmptyNames(path)); }

bool HasEmptyName(std::u16string_view path) {
  if (path.empty()) return false;  // the hive's root
  return path.front() == u'\\' || path.back() == u'\\' || path.find(u"\\\\") != std::u16string_view::npos;
}

// Wine keeps each key's sub-keys sorted by name without case (folded to lower case) and
// writes the tree depth-first. So in the file a path precedes another when, name by name, its
// first differing name sorts first, a name sorting before any longer name it begins; or when
// it is the other's ancestor. On folded paths that is one pass in which the separator ranks
// below every other character.
bool PathLess(std::u16string_view a, std::u16string_view b) {
  const auto [inA, inB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  if (inB == b.end()) return false;
  if (inA == a.end()) return true;
  const auto rank = [](char16_t c) { return c == u'\\' ? 0u : c + 1u; };
  return rank(*inA) < rank(*inB);
}

struct FileOrder {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const { return PathLess(a, b); }
};

bool IsBelow(std::u16string_view path, std::u16string_view ancestor) {
  if (ancestor.empty()) return !path.empty();
  return path.size() > ancestor.size() && path[ancestor.size()] == u'\\' && path.starts_with(ancestor);
}

// "[escaped path]" with an optional stamp in seconds after it.
Problem ReadKeyLine(std::string_view content, std::u16string& path) {
  std::size_t pos = SkipSpaces(content, 0) + 1;  // past '['
  if (Problem problem = DecodeQuoted(content, pos, ']', path)) return problem;
  pos = SkipSpaces(content, pos);
  while (pos < content.size() && content[pos] >= '0' && content[pos] <= '9') ++pos;
  if (!OnlySpacesFrom(content, pos)) return "unexpected text after the key name";
  if (HasEmptyName(path)) return "key path with an empty key name";
  return nullptr;
}

std::string FormatKeyLine(std::u16string_view path, std::int64_t unixNow) {
  std::string line = "[";
  AppendEscaped(line, path, "[]");
  line += "] ";
  line += std::to_string(unixNow);
  return line;
}

// "#time=" as Wine writes it: the FILETIME's high half in hex, then the low half in 8 digits.
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

// Reads `"name"=` or `@=` and leaves pos at the start of the data.
Problem ReadValueName(std::string_view content, std::size_t& pos, std::u16string& name) {
  pos = SkipSpaces(content, 0);
  if (content[pos] == '@') {
    name.clear();
    ++pos;
  } else {
    ++pos;  // past the opening quote
    if (Problem problem = DecodeQuoted(content, pos, '"', name)) return problem;
  }
  pos = SkipSpaces(content, pos);
  if (pos == content.size() || content[pos] != '=') return "value without '='";
  pos = SkipSpaces(content, pos + 1);
  return nullptr;
}

// Appends comma-separated hex bytes; `continues` tells whether the line ends in the backslash
// that carries the data on to the next line.
Problem ReadHexBytes(std::string_view text, std::vector<std::uint8_t>& data, bool& continues) {
  std::size_t pos = SkipSpaces(text, 0);
  std::uint32_t byte = 0;
  while (ReadNumber(text, pos, 16, 2, byte)) {
    if (pos < text.size() && DigitValue(text[pos], 16) >= 0) return "hex byte with more than two digits";
    data.push_back(static_cast<std::uint8_t>(byte));
    pos = SkipSpaces(text, pos);
    if (pos < text.size() && text[pos] == ',') pos = SkipSpaces(text, pos + 1);
  }
  continues = pos < text.size() && text[pos] == '\\' && OnlySpacesFrom(text, pos + 1);
  if (!continues && pos != text.size()) return "bad hex data";
  return nullptr;
}

Problem ReadStringData(std::string_view text, std::uint32_t type, RegValue& value, std::u16string& scratch) {
  std::size_t pos = 0;
  if (Problem problem = DecodeQuoted(text, pos, '"', scratch)) return problem;
  if (!OnlySpacesFrom(text, pos)) return "unexpected text after the string";
  value.type = type;
  AppendUnits(value.data, scratch);
  AppendTerminator(value.data);
  return nullptr;
}

Problem ReadDwordData(std::string_view text, RegValue& value) {
  std::size_t pos = 0;
  std::uint32_t number = 0;
  if (!ReadNumber(text, pos, 16, 8, number) || !OnlySpacesFrom(text, pos)) return "bad dword";
  value.type = kRegDword;
  for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<std::uint8_t>(number >> shift));
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
Problem ReadValueData(std::string_view text, RegValue& value, bool& continues, std::u16string& scratch) {
  struct StringTag {
    std::string_view tag;
    std::uint32_t type;
  };
  static constexpr StringTag kStringTags[] = {
      {"\"", kRegSz}, {"str:\"", kRegSz}, {"str(2):\"", kRegExpandSz}, {"str(7):\"", kRegMultiSz}};
  value.data.clear();
  continues = false;
  for (const StringTag& s : kStringTags) {
    if (text.starts_with(s.tag)) return ReadStringData(text.substr(s.tag.size()), s.type, value, scratch);
  }
  if (text.starts_with("dword:")) return ReadDwordData(text.substr(6), value);
  if (!text.starts_with("hex:") && !text.starts_with("hex(")) return "unknown value type";
  std::size_t pos = 0;
  if (Problem problem = ReadHexType(text, pos, value.type)) return problem;
  return ReadHexBytes(text.substr(pos), value.data, continues);
}

// Decodes the value whose first line is lines[at]; the parse has validated it.
RegValue DecodeValue(const LineList& lines, std::size_t at) {
  std::u16string scratch;
  RegValue value;
  bool continues = false;
  const std::string_view content = lines.content(at);
  std::size_t pos = 0;
  ReadValueName(content, pos, scratch);
  ReadValueData(content.substr(pos), value, continues, scratch);
  while (continues && ++at < lines.size()) ReadHexBytes(lines.content(at), value.data, continues);
  return value;
}

std::size_t FindValueLine(const LineList& lines, std::u16string_view name) {
  std::u16string lineName;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines.kind(i) != LineKind::Value) continue;
    std::size_t pos = 0;
    ReadValueName(lines.content(i), pos, lineName);
    if (EqualNoCase(lineName, name)) return i;
  }
  return std::string::npos;
}

std::size_t ValueLineCount(const LineList& lines, std::size_t at) {
  std::size_t end = at + 1;
  while (end < lines.size() && lines.kind(end) == LineKind::Continuation) ++end;
  return end - at;
}

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
  if (value.type == kRegBinary) head += "hex:";
  else AppendFormatted(head, "hex(%x):", static_cast<unsigned>(value.type));
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

// The value's lines as Wine would write them, without line endings.
std::vector<std::string> FormatValueLines(std::u16string_view name, const RegValue& value) {
  std::string head = FormatValueName(name);
  if (auto text = TerminatedString(value)) return {head + FormatStringData(value.type, *text)};
  if (value.type == kRegDword && value.data.size() == 4) {
    const std::uint32_t number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                 static_cast<std::uint32_t>(value.data[3]) << 24;
    AppendFormatted(head, "dword:%08x", static_cast<unsigned>(number));
    return {head};
  }
  return FormatHexLines(std::move(head), value);
}

// ---- Blocks ------------------------------------------------------------------------------

// One "[key]" line and every line after it up to the next key line.
struct Block {
  std::u16string foldedPath;  // the index's key is a view of this string
  LineList lines;             // the key line first
};

// What the parse carries from one line to the next.
struct LoadState {
  bool hexContinues = false;               // the last line ended in a continuation backslash
  std::vector<std::u16string> valueNames;  // folded names of the current key's values
  std::u16string text;                     // scratch for decoded paths, names and strings
  RegValue value;                          // scratch for decoded data
};

}  // namespace

// ---- The hive ----------------------------------------------------------------------------

struct HiveFile::Impl {
  LineList header;                                              // the lines before the first key
  std::vector<std::unique_ptr<Block>> blocks;                   // in file order
  std::map<std::u16string_view, Block*, FileOrder> blockByPath;  // by folded path
  std::string newline = "\n";                                   // the file's own line ending

  bool Load(std::string_view text, std::string& error);
  Problem LoadLine(std::string_view raw, LoadState& state);
  Problem StartBlock(std::string_view raw, std::string_view content, LoadState& state);
  Problem CheckValue(std::string_view content, LoadState& state);

  bool AddToIndex(Block* block);
  void RemoveFromIndex(const Block* block);
  Block* Find(std::u16string_view path) const;
  bool HasBlocksBelow(std::u16string_view path) const;
  std::size_t IndexOf(const Block* block) const;
  LineList& LinesBefore(std::size_t blockIndex) { return blockIndex == 0 ? header : blocks[blockIndex - 1]->lines; }

  Line MakeLine(std::string content, LineKind kind) const { return Line{std::move(content) + newline, kind}; }
  std::vector<Line> ValueLines(std::u16string_view name, const RegValue& value) const;
  Block& CreateBlock(std::u16string_view path, std::int64_t unixNow);
  void EraseBlock(std::size_t index);
  void Touch(Block& block, std::int64_t unixNow);
  void TouchParentOf(std::u16string_view path, std::int64_t unixNow);
  std::u16string SpelledAsExisting(std::u16string_view path) const;
};

bool HiveFile::Impl::Load(std::string_view text, std::string& error) {
  LoadState state;
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
    ++number;
    if (Problem problem = LoadLine(text.substr(start, end - start), state)) {
      error = "line " + std::to_string(number) + ": " + problem;
      return false;
    }
    start = end;
  }
  if (number == 0) {
    error = "line 1: empty, not a Wine registry file";
    return false;
  }
  if (state.hexContinues) {
    error = "line " + std::to_string(number) + ": hex data continues past the end of the file";
    return false;
  }
  return true;
}

Problem HiveFile::Impl::LoadLine(std::string_view raw, LoadState& state) {
  const std::string_view content = ContentOf(raw);
  if (header.empty()) {
    if (content != kSignature) return "not a Wine registry file (no \"WINE REGISTRY Version 2\" line)";
    if (raw.ends_with("\r\n")) newline = "\r\n";
    header.Append(raw, LineKind::Signature);
    return nullptr;
  }
  LineList& lines = blocks.empty() ? header : blocks.back()->lines;
  if (state.hexContinues) {
    if (Problem problem = ReadHexBytes(content, state.value.data, state.hexContinues)) return problem;
    lines.Append(raw, LineKind::Continuation);
    return nullptr;
  }
  const std::optional<LineKind> kind = KindOf(content);
  if (!kind) return "line not understood";
  if (*kind == LineKind::Key) return StartBlock(raw, content, state);
  if (*kind == LineKind::Value) {
    if (blocks.empty()) return "value before the first key";
    if (Problem problem = CheckValue(content, state)) return problem;
  }
  lines.Append(raw, *kind);
  return nullptr;
}

Problem HiveFile::Impl::StartBlock(std::string_view raw, std::string_view content, LoadState& state) {
  if (Problem problem = ReadKeyLine(content, state.text)) return problem;
  if (!blocks.empty()) blocks.back()->lines.Trim();
  auto block = std::make_unique<Block>();
  block->foldedPath = Folded(state.text);
  block->lines.Append(raw, LineKind::Key);
  if (!AddToIndex(block.get())) return "the key appears twice";
  blocks.push_back(std::move(block));
  state.valueNames.clear();
  return nullptr;
}

Problem HiveFile::Impl::CheckValue(std::string_view content, LoadState& state) {
  std::size_t pos = 0;
  if (Problem problem = ReadValueName(content, pos, state.text)) return problem;
  std::u16string folded = Folded(state.text);
  if (std::find(state.valueNames.begin(), state.valueNames.end(), folded) != state.valueNames.end()) {
    return "the value appears twice in its key";
  }
  state.valueNames.push_back(std::move(folded));
  return ReadValueData(content.substr(pos), state.value, state.hexContinues, state.text);
}

// False when the key has a block already. Blocks arrive in order from Wine's files, so the
// end is the right place to try first.
bool HiveFile::Impl::AddToIndex(Block* block) {
  const std::size_t before = blockByPath.size();
  blockByPath.emplace_hint(blockByPath.end(), block->foldedPath, block);
  return blockByPath.size() > before;
}

void HiveFile::Impl::RemoveFromIndex(const Block* block) { blockByPath.erase(block->foldedPath); }

// In Wine's order a key's descendants follow it directly, so the first path after the key
// tells whether it has any.
bool HiveFile::Impl::HasBlocksBelow(std::u16string_view path) const {
  const std::u16string key = IndexKeyOf(path);
  auto next = blockByPath.upper_bound(key);
  return next != blockByPath.end() && IsBelow(next->first, key);
}

Block* HiveFile::Impl::Find(std::u16string_view path) const {
  auto it = blockByPath.find(IndexKeyOf(path));
  return it == blockByPath.end() ? nullptr : it->second;
}

std::size_t HiveFile::Impl::IndexOf(const Block* block) const {
  auto it = std::find_if(blocks.begin(), blocks.end(), [&](const auto& b) { return b.get() == block; });
  return static_cast<std::size_t>(it - blocks.begin());
}

std::vector<Line> HiveFile::Impl::ValueLines(std::u16string_view name, const RegValue& value) const {
  std::vector<Line> lines;
  for (std::string& text : FormatValueLines(name, value)) {
    lines.push_back(MakeLine(std::move(text), lines.empty() ? LineKind::Value : LineKind::Continuation));
  }
  return lines;
}

// Inserts the key's block before the first block whose path sorts after it. Wine puts a
// blank line before every key line and none at the end of the file.
Block& HiveFile::Impl::CreateBlock(std::u16string_view path, std::int64_t unixNow) {
  auto block = std::make_unique<Block>();
  block->foldedPath = Folded(path);
  block->lines.Append(FormatKeyLine(path, unixNow) + newline, LineKind::Key);
  block->lines.Append(FormatTimeLine(unixNow) + newline, LineKind::Option);
  auto next = std::find_if(blocks.begin(), blocks.end(),
                           [&](const auto& b) { return PathLess(block->foldedPath, b->foldedPath); });
  const auto index = static_cast<std::size_t>(next - blocks.begin());
  if (index < blocks.size()) {
    block->lines.Append(newline, LineKind::Blank);
  } else {
    LineList& before = LinesBefore(index);
    before.EndLastLine(newline);
    if (!before.empty() && before.kind(before.size() - 1) != LineKind::Blank) before.Append(newline, LineKind::Blank);
  }
  Block& created = *block;
  AddToIndex(&created);
  blocks.insert(next, std::move(block));
  return created;
}

// A changed key gets the time of the change, as Wine keeps it: the stamp after its key line and
// its "#time" line (added when missing: Wine writes one for every key).
void HiveFile::Impl::Touch(Block& block, std::int64_t unixNow) {
  LineList& lines = block.lines;
  const std::string_view keyLine = lines.content(0);
  const std::string stamped = std::string(keyLine.substr(0, keyLine.rfind(']') + 1)) + " " + std::to_string(unixNow);
  lines.Replace(0, 1, {MakeLine(stamped, LineKind::Key)});
  std::size_t at = 1;
  while (at < lines.size() && lines.kind(at) == LineKind::Option && !lines.content(at).starts_with("#time=")) ++at;
  const bool found = at < lines.size() && lines.kind(at) == LineKind::Option;
  lines.Replace(found ? at : 1, found ? 1 : 0, {MakeLine(FormatTimeLine(unixNow), LineKind::Option)});
}

// A new key changes its parent, the nearest key above it that exists; the parent's time is in
// the file when it has a block of its own.
void HiveFile::Impl::TouchParentOf(std::u16string_view path, std::int64_t unixNow) {
  for (std::size_t cut = path.rfind(u'\\'); cut != std::u16string_view::npos && cut > 0; cut = path.rfind(u'\\', cut - 1)) {
    const std::u16string_view parent = path.substr(0, cut);
    if (Block* block = Find(parent)) {
      Touch(*block, unixNow);
      return;
    }
    if (HasBlocksBelow(parent)) return;  // exists, but Wine writes no block for it
  }
}

// The path with the names of the keys that exist already spelled as the file spells them: Wine
// keeps a key's first spelling ("http" stays "http" when "HTTP\shell" is created below it).
std::u16string HiveFile::Impl::SpelledAsExisting(std::u16string_view path) const {
  for (std::size_t end = path.size(); end != std::u16string_view::npos && end > 0;
       end = end == 0 ? std::u16string_view::npos : path.rfind(u'\\', end - 1)) {
    const std::u16string folded = Folded(path.substr(0, end));
    const auto it = blockByPath.lower_bound(std::u16string_view(folded));
    if (it == blockByPath.end() || (it->first != folded && !IsBelow(it->first, folded))) continue;
    std::u16string existing;
    ReadKeyLine(it->second->lines.content(0), existing);
    return existing.substr(0, end) + std::u16string(path.substr(end));
  }
  return std::u16string(path);
}

// Removes a block; when it was the last one, the blank line that separated it from the
// block before goes too, so the file again ends right after its last value.
void HiveFile::Impl::EraseBlock(std::size_t index) {
  RemoveFromIndex(blocks[index].get());
  const bool wasLast = index + 1 == blocks.size();
  blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(index));
  if (!wasLast) return;
  LineList& before = LinesBefore(index);
  while (!before.empty() && before.kind(before.size() - 1) == LineKind::Blank) before.RemoveLast();
}

// ---- Public interface --------------------------------------------------------------------

RegValue RegValue::String(std::u16string_view text) {
  RegValue value;
  value.type = kRegSz;
  value.data.reserve(text.size() * 2 + 2);
  AppendUnits(value.data, text);
  AppendTerminator(value.data);
  return value;
}

HiveFile::HiveFile() : impl_(std::make_unique<Impl>()) {}
HiveFile::~HiveFile() = default;
HiveFile::HiveFile(HiveFile&&) noexcept = default;
HiveFile& HiveFile::operator=(HiveFile&&) noexcept = default;

Status HiveFile::Parse(std::string_view text, HiveFile& out) {
  HiveFile parsed;
  std::string error;
  if (!parsed.impl_->Load(text, error)) return Status::Error(errc::kPathFileAccess, error);
  out = std::move(parsed);
  return Status::Ok();
}

HiveFile HiveFile::Empty(std::string_view rootComment) {
  HiveFile hive;
  Impl& h = *hive.impl_;
  h.header.Append(std::string(kSignature) + h.newline, LineKind::Signature);
  h.header.Append(std::string(kRootCommentLead) + std::string(rootComment) + h.newline, LineKind::Comment);
  return hive;
}

std::string HiveFile::Serialize() const {
  std::size_t size = impl_->header.text().size();
  for (const auto& block : impl_->blocks) size += block->lines.text().size();
  std::string text;
  text.reserve(size);
  text += impl_->header.text();
  for (const auto& block : impl_->blocks) text += block->lines.text();
  return text;
}

std::optional<RegValue> HiveFile::GetValue(std::u16string_view keyPath, std::u16string_view name) const {
  const Block* block = impl_->Find(keyPath);
  if (!block) return std::nullopt;
  const std::size_t at = FindValueLine(block->lines, name);
  if (at == std::string::npos) return std::nullopt;
  return DecodeValue(block->lines, at);
}

bool HiveFile::KeyExists(std::u16string_view keyPath) const {
  return impl_->Find(keyPath) != nullptr || impl_->HasBlocksBelow(keyPath);
}

bool HiveFile::HasSubKeys(std::u16string_view keyPath) const { return impl_->HasBlocksBelow(keyPath); }

void HiveFile::SetValue(std::u16string_view keyPath, std::u16string_view name, const RegValue& value,
                        std::int64_t unixNow) {
  Block* block = impl_->Find(keyPath);
  const bool created = !block;
  if (created) {
    const std::u16string path = impl_->SpelledAsExisting(WithoutEmptyNames(keyPath));
    impl_->TouchParentOf(path, unixNow);
    block = &impl_->CreateBlock(path, unixNow);
  }
  LineList& lines = block->lines;
  std::size_t at = FindValueLine(lines, name);
  std::size_t replaced = 0;
  if (at != std::string::npos) {
    if (DecodeValue(lines, at) == value) return;  // the same data again changes nothing, as in Wine
    replaced = ValueLineCount(lines, at);
  } else {
    at = ContentEnd(lines);
    if (at == lines.size()) lines.EndLastLine(impl_->newline);
  }
  lines.Replace(at, replaced, impl_->ValueLines(name, value));
  if (!created) impl_->Touch(*block, unixNow);
}

bool HiveFile::DeleteKey(std::u16string_view keyPath) {
  const Block* block = impl_->Find(keyPath);
  if (!block || impl_->HasBlocksBelow(keyPath)) return false;
  impl_->EraseBlock(impl_->IndexOf(block));
  return true;
}

std::vector<std::u16string> HiveFile::KeyPaths() const {
  std::vector<std::u16string> paths(impl_->blocks.size());
  for (std::size_t i = 0; i < paths.size(); ++i) ReadKeyLine(impl_->blocks[i]->lines.content(0), paths[i]);
  return paths;
}

}  // namespace varnel

#include "bookmarks/bookmark_markup.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include "winenv/byte_search.h"
#include "winenv/code_page.h"

namespace varnel {
namespace {

constexpr std::size_t kNowhere = std::string_view::npos;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// A tag or text longer than this is nothing a browser wrote: the tag is unreadable, the text cut.
constexpr std::size_t kLongestTag = std::size_t{64} << 20;
constexpr std::size_t kLongestText = std::size_t{16} << 20;
constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsTagStart(char c) { return IsLetter(c) || c == '/' || c == '!' || c == '?'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool EqualNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t at = 0; at < a.size(); ++at) {
    if (Lower(a[at]) != Lower(b[at])) return false;
  }
  return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view wanted, std::size_t from = 0) {
  for (std::size_t at = from; at + wanted.size() <= text.size(); ++at) {
    if (EqualNoCaseAscii(text.substr(at, wanted.size()), wanted)) return at;
  }
  return kNowhere;
}

std::string_view SkipBlanks(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  return text.substr(at);
}

std::string_view TrimEnd(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

// The tags the reading knows; every other tag only ends an open text.
enum class TagName { Other, A, H1, H3, Dd, Dl, Br, Meta };

// The tag's name (after a "/" of an end tag), and what follows it.
TagName NameOf(std::string_view inside, std::string_view& rest) {
  std::size_t end = 0;
  while (end < inside.size() && (IsLetter(inside[end]) || (inside[end] >= '0' && inside[end] <= '9'))) ++end;
  rest = inside.substr(end);
  const char first = end > 0 ? Lower(inside[0]) : 0;
  const char second = end > 1 ? Lower(inside[1]) : 0;
  if (end == 1) return first == 'a' ? TagName::A : TagName::Other;
  if (end == 2 && first == 'h') return second == '1' ? TagName::H1 : second == '3' ? TagName::H3 : TagName::Other;
  if (end == 2 && first == 'd') return second == 'd' ? TagName::Dd : second == 'l' ? TagName::Dl : TagName::Other;
  if (end == 2 && first == 'b' && second == 'r') return TagName::Br;
  if (end == 4 && EqualNoCaseAscii(inside.substr(0, 4), "meta")) return TagName::Meta;
  return TagName::Other;
}

// The value of attribute `name` among a tag's attributes (after its name), raw; none when the
// tag has no such attribute. An attribute without "=" has the value "".
std::optional<std::string_view> AttributeValue(std::string_view attributes, std::string_view name) {
  std::string_view rest = attributes;
  while (true) {
    rest = SkipBlanks(rest);
    if (rest.empty()) return std::nullopt;
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end]) && rest[end] != '=') ++end;
    const std::string_view attribute = rest.substr(0, end);
    rest = SkipBlanks(rest.substr(end));
    std::string_view value;
    if (!rest.empty() && rest.front() == '=') {
      rest = SkipBlanks(rest.substr(1));
      const char quote = rest.empty() ? 0 : rest.front();
      if (quote == '"' || quote == '\'') {
        const std::size_t close = rest.find(quote, 1);
        value = rest.substr(1, close == kNowhere ? kNowhere : close - 1);
        rest = close == kNowhere ? std::string_view() : rest.substr(close + 1);
      } else {
        std::size_t valueEnd = 0;
        while (valueEnd < rest.size() && !IsBlank(rest[valueEnd])) ++valueEnd;
        value = rest.substr(0, valueEnd);
        rest = rest.substr(valueEnd);
      }
    }
    if (EqualNoCaseAscii(attribute, name)) return value;
  }
}

// Whether a <META> tag's text names the charset UTF-8 ("charset=UTF-8", also quoted, or "utf8").
bool NamesUtf8(std::string_view inside) {
  for (std::size_t at = FindNoCase(inside, "charset"); at != kNowhere; at = FindNoCase(inside, "charset", at + 1)) {
    std::string_view rest = SkipBlanks(inside.substr(at + 7));
    if (rest.empty() || rest.front() != '=') continue;
    rest = SkipBlanks(rest.substr(1));
    if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) rest = rest.substr(1);
    if (EqualNoCaseAscii(rest.substr(0, 5), "utf-8") || EqualNoCaseAscii(rest.substr(0, 4), "utf8")) return true;
  }
  return false;
}

struct NamedReference {
  std::string_view name;
  char32_t codePoint;
};
constexpr NamedReference kNamedReferences[] = {
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0},
};

// The character of the reference that starts at `at` (an "&"), and where it ends; none when the
// text there is no reference this reading knows.
std::optional<char32_t> Reference(std::string_view text, std::size_t at, std::size_t& end) {
  const std::size_t semicolon = text.find(';', at + 1);
  if (semicolon == kNowhere || semicolon - at > 10) return std::nullopt;
  const std::string_view body = text.substr(at + 1, semicolon - at - 1);
  end = semicolon + 1;
  if (body.size() >= 2 && body[0] == '#') {
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return std::nullopt;
    char32_t value = 0;
    for (const char d : digits) {
      const int digit = d >= '0' && d <= '9'                        ? d - '0'
                        : hex && Lower(d) >= 'a' && Lower(d) <= 'f' ? Lower(d) - 'a' + 10
                                                                    : -1;
      if (digit < 0) return std::nullopt;
      value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    // As browsers read them: 128 to 159 are the code page's characters, the impossible ones U+FFFD.
    if (value >= 0x80 && value < 0xA0) return CodePointOfAnsi(static_cast<unsigned char>(value));
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacementCharacter;
    return value;
  }
  for (const NamedReference& named : kNamedReferences) {
    if (body == named.name) return named.codePoint;
  }
  return std::nullopt;
}

// Where the run of plain bytes (ASCII, no "&") that starts at `at` ends.
std::size_t PlainRun(std::string_view text, std::size_t at) {
  return FirstWanted(
      text, at, [](SixteenBytes b) { return (b >= 0x80) | (b == '&'); },
      [](unsigned char c) { return c >= 0x80 || c == '&'; });
}

// In a UTF-8 file: where the run of bytes from `at` on that decode to themselves (ASCII but "&",
// and whole UTF-8 characters) ends; it starts a plain run.
std::size_t PlainUtf8Run(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] != '&') {
    std::size_t next = at;
    if (NextUtf8(text, next) == kNoCodePoint) break;
    at = PlainRun(text, next);
  }
  return at;
}

// Where the next byte that may end a tag or open a value in it (">", a double or single quote)
// stands from `at` on, npos when the text has none.
std::size_t NextTagStop(std::string_view text, std::size_t at) {
  const std::size_t stop = FirstWanted(
      text, at, [](SixteenBytes b) { return (b == '>') | (b == '"') | (b == '\''); },
      [](unsigned char c) { return c == '>' || c == '"' || c == '\''; });
  return stop < text.size() ? stop : kNowhere;
}

}  // namespace

namespace {

// A code-page byte's character as UTF-8 (its length, and its bytes padded to four), from a
// table made once.
struct Utf8Of {
  char bytes[4];
  std::size_t size;
};
const Utf8Of& Utf8OfCodePageByte(char byte) {
  static const auto kTable = [] {
    std::array<Utf8Of, 256> table{};
    for (std::size_t b = 0; b < table.size(); ++b) {
      std::string utf8;
      AppendUtf8(utf8, CodePointOfAnsi(static_cast<unsigned char>(b)));
      utf8.copy(table[b].bytes, sizeof table[b].bytes);
      table[b].size = utf8.size();
    }
    return table;
  }();
  return kTable[static_cast<unsigned char>(byte)];
}

// A text decodes to at most three bytes for each of its own (a code-page byte to three of UTF-8,
// a reference to fewer than it takes), and the decoding writes four at a time at its end.
std::size_t DecodingRoom(std::string_view raw) { return 3 * raw.size() + 4; }

// Decodes `raw` into `out`, which has DecodingRoom(raw) bytes and whose first `plain` bytes
// need no decoding; gives the decoded length.
std::size_t DecodeInto(std::string_view raw, std::size_t plain, BookmarkCharset charset, char* out) {
  char* const start = out;
  const auto copy = [&out](const char* from, std::size_t size) {
    std::memcpy(out, from, size);
    out += size;
  };
  copy(raw.data(), plain);
  for (std::size_t at = plain; at < raw.size();) {
    plain = PlainRun(raw, at);
    copy(raw.data() + at, plain - at);
    at = plain;
    if (at == raw.size()) break;
    if (raw[at] == '&') {
      std::size_t end = 0;
      if (const std::optional<char32_t> c = Reference(raw, at, end)) {
        std::string utf8;
        AppendUtf8(utf8, *c);
        copy(utf8.data(), utf8.size());
        at = end;
      } else {
        copy("&", 1);
        ++at;
      }
      continue;
    }
    if (charset == BookmarkCharset::Utf8) {
      std::size_t next = at;
      if (NextUtf8(raw, next) != kNoCodePoint) {
        copy(raw.data() + at, next - at);
        at = next;
        continue;
      }
    }
    const Utf8Of& utf8 = Utf8OfCodePageByte(raw[at]);
    std::memcpy(out, utf8.bytes, sizeof utf8.bytes);
    out += utf8.size;
    ++at;
  }
  return static_cast<std::size_t>(out - start);
}

// The decoded text without a copy when it needs no decoding (plain ASCII without "&", and in a
// UTF-8 file whole UTF-8 characters too): the text
// itself, else the start of `scratch` holding the decoded text. `scratch` only grows, so that
// its room is made (and cleared) once for many texts.
std::string_view Decoded(std::string_view raw, BookmarkCharset charset, std::string& scratch) {
  std::size_t plain = PlainRun(raw, 0);
  if (charset == BookmarkCharset::Utf8) plain = PlainUtf8Run(raw, plain);
  if (plain == raw.size()) return raw;
  if (scratch.size() < DecodingRoom(raw)) scratch.resize(DecodingRoom(raw));
  return {scratch.data(), DecodeInto(raw, plain, charset, scratch.data())};
}

}  // namespace

void DecodeBookmarkText(std::string_view raw, BookmarkCharset charset, std::string& out) {
  out.resize(DecodingRoom(raw));
  out.resize(DecodeInto(raw, 0, charset, out.data()));
}

std::string EncodeBookmarkText(std::string_view utf8, BookmarkCharset charset, BookmarkField field) {
  const bool address = field == BookmarkField::Address;
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const char32_t c = NextUtf8OrAnsi(utf8, at);
    switch (c) {
      case '&': out += "&amp;"; continue;
      case '<': out += address ? "%3C" : "&lt;"; continue;
      case '>': out += address ? "%3E" : "&gt;"; continue;
      case '"': out += address ? "%22" : "&quot;"; continue;
      default: break;
    }
    if (charset == BookmarkCharset::Utf8) {
      AppendUtf8(out, c);
    } else if (const std::optional<char> byte = AnsiOfCodePoint(c)) {
      out += *byte;
    } else {
      out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    }
  }
  return out;
}

bool LineDeclaresUtf8(std::string_view line, bool firstLine) {
  if (firstLine && line.starts_with(kByteOrderMark)) return true;
  const std::size_t meta = FindNoCase(line, "<meta");
  return meta != kNowhere && NamesUtf8(line.substr(meta));
}

void BookmarkMarkup::Line(std::string_view line) {
  ++lineNumber_;
  std::size_t at = 0;
  if (lineNumber_ == 1 && line.starts_with(kByteOrderMark)) {
    charset_ = BookmarkCharset::Utf8;
    at = kByteOrderMark.size();
  }
  if (ReadWrittenBookmark(line.substr(at))) return;
  while (at < line.size()) {
    if (inComment_) {
      const std::size_t end = line.find("-->", at);
      if (end == kNowhere) break;
      inComment_ = false;
      at = end + 3;
      continue;
    }
    if (!inTag_) {
      std::size_t lt = FindByte(line, at, '<');
      while (lt != kNowhere && (lt + 1 == line.size() || !IsTagStart(line[lt + 1]))) lt = FindByte(line, lt + 1, '<');
      Text(line.substr(at, lt == kNowhere ? kNowhere : lt - at));
      if (lt == kNowhere) break;
      if (line[lt + 1] == '!' && line.substr(lt, 4) == "<!--") {
        inComment_ = true;
        at = lt + 4;
        continue;
      }
      inTag_ = true;
      afterEquals_ = false;
      tagLine_ = lineNumber_;
      tag_.clear();
      at = lt + 1;
    }
    const std::size_t end = TagEnd(line, at);
    if (end == kNowhere && quote_ != 0) {  // a quoted value that never ends: the tag is lost
      inTag_ = false;
      quote_ = 0;
      CloseText(false);
      Emit(MarkupEntry::Kind::Unreadable, {}, {}, tagLine_);
      break;
    }
    const std::string_view piece = line.substr(at, end == kNowhere ? kNowhere : end - at);
    if (end == kNowhere) {  // the tag goes on in the next line
      tag_.append(piece).append(" ");
      if (tag_.size() > kLongestTag) {
        inTag_ = false;
        CloseText(false);
        Emit(MarkupEntry::Kind::Unreadable, {}, {}, tagLine_);
      }
      break;
    }
    inTag_ = false;
    if (tag_.empty()) {
      Tag(piece);
    } else {
      tag_.append(piece);
      Tag(tag_);
    }
    at = end + 1;
  }
  if (open_ != Open::Nothing) {
    HoldText();
    HoldAddress();
    textBroken_ = true;
  }
}

bool BookmarkMarkup::ReadWrittenBookmark(std::string_view line) {
  constexpr std::string_view kStart = "<DT><A HREF=\"";
  constexpr std::string_view kEnd = "</A>";
  if (shortcut_ == Shortcut::Off || inComment_ || inTag_ || open_ != Open::Nothing) return false;
  line = line.substr(FirstWanted(
      line, 0, [](SixteenBytes b) { return (b != ' ') & (b != '\t'); },
      [](unsigned char c) { return !IsBlank(static_cast<char>(c)); }));
  if (!line.starts_with(kStart) || !line.ends_with(kEnd)) return false;
  const std::size_t hrefEnd = FindByte(line, kStart.size(), '"');
  if (hrefEnd == kNowhere) return false;
  // The further attributes, up to the tag's ">": a value opens with a quote right after "=".
  // Anything else (a quote elsewhere, a single quote) is left to the general reading.
  std::size_t tagEnd = NextTagStop(line, hrefEnd + 1);
  while (tagEnd != kNowhere && line[tagEnd] != '>') {
    if (line[tagEnd] != '"' || line[tagEnd - 1] != '=') return false;
    const std::size_t close = FindByte(line, tagEnd + 1, '"');
    if (close == kNowhere) return false;
    tagEnd = NextTagStop(line, close + 1);
  }
  if (tagEnd == kNowhere) return false;
  const std::size_t titleStart = tagEnd + 1;
  const std::size_t titleEnd = line.size() - kEnd.size();
  if (titleEnd < titleStart || FindByte(line.substr(0, titleEnd), titleStart, '<') != kNowhere) return false;
  const std::string_view href = line.substr(kStart.size(), hrefEnd - kStart.size());
  const std::string_view title = line.substr(titleStart, titleEnd - titleStart).substr(0, kLongestText);
  const std::string_view address = Decoded(href, charset_, addressHeld_);
  Emit(MarkupEntry::Kind::Bookmark, Decoded(title, charset_, decoded_), address, lineNumber_);
  return true;
}

void BookmarkMarkup::End() {
  if (inTag_) {
    inTag_ = false;
    CloseText(false);
    Emit(MarkupEntry::Kind::Unreadable, {}, {}, tagLine_);
  }
  CloseText(false);
}

// A quote opens a value only right after "=" (blanks between allowed); elsewhere it is a
// character like any other. Only ">" and quotes stop the scan; a value is skipped in one search
// for its closing quote. afterEquals_ carries "the last thing was =" over a line's end.
std::size_t BookmarkMarkup::TagEnd(std::string_view line, std::size_t from) {
  const auto opensValue = [&](std::size_t quote) {
    std::size_t back = quote;
    while (back > from && IsBlank(line[back - 1])) --back;
    return back == from ? afterEquals_ : line[back - 1] == '=';
  };
  for (std::size_t at = NextTagStop(line, from); at != kNowhere; at = NextTagStop(line, at + 1)) {
    const char c = line[at];
    if (c == '>') return at;
    if (!opensValue(at)) continue;
    const std::size_t close = FindByte(line, at + 1, c);
    if (close == kNowhere) {
      quote_ = c;
      return kNowhere;
    }
    at = close;
    from = close + 1;
    afterEquals_ = false;
  }
  const std::string_view rest = TrimEnd(line.substr(std::min(from, line.size())));
  if (!rest.empty()) afterEquals_ = rest.back() == '=';
  return kNowhere;
}

void BookmarkMarkup::Tag(std::string_view inside) {
  const bool endTag = !inside.empty() && inside.front() == '/';
  std::string_view attributes;
  const TagName name = NameOf(inside.substr(endTag ? 1 : 0), attributes);
  const auto is = [name](TagName wanted) { return name == wanted; };
  if (open_ == Open::Description && !endTag && is(TagName::Br)) {
    textBroken_ = true;
    return;
  }
  if (open_ != Open::Nothing) {
    const bool ownEnd =
        endTag && ((open_ == Open::Title && is(TagName::A)) || (open_ == Open::FolderName && is(TagName::H3)));
    CloseText(ownEnd);
    if (ownEnd) return;
  }
  if (endTag) {
    if (is(TagName::Dl)) Emit(MarkupEntry::Kind::ListEnd, {}, {}, tagLine_);
    if (is(TagName::H1)) Emit(MarkupEntry::Kind::HeadingEnd, {}, {}, tagLine_);
  } else if (is(TagName::A)) {
    const std::optional<std::string_view> href = AttributeValue(attributes, "href");
    if (!href) return Emit(MarkupEntry::Kind::Unreadable, {}, {}, tagLine_);
    address_ = Decoded(*href, charset_, addressHeld_);
    if (!tag_.empty()) HoldAddress();  // the tag's text goes with the next tag
    StartText(Open::Title);
  } else if (is(TagName::H3)) {
    StartText(Open::FolderName);
  } else if (is(TagName::Dd)) {
    StartText(Open::Description);
  } else if (is(TagName::Dl)) {
    Emit(MarkupEntry::Kind::ListStart, {}, {}, tagLine_);
  } else if (is(TagName::Meta) && NamesUtf8(attributes)) {
    charset_ = BookmarkCharset::Utf8;
  }
}

void BookmarkMarkup::StartText(Open what) {
  open_ = what;
  openLine_ = tagLine_;
  lineText_ = {};
  textHeld_ = false;
  textBroken_ = false;
}

void BookmarkMarkup::HoldText() {
  if (textHeld_) return;
  text_.assign(lineText_);
  lineText_ = {};
  textHeld_ = true;
}

void BookmarkMarkup::HoldAddress() {
  if (address_.data() == addressHeld_.data()) return;
  addressHeld_.assign(address_);
  address_ = addressHeld_;
}

void BookmarkMarkup::Text(std::string_view text) {
  if (open_ == Open::Nothing || text.empty()) return;
  if (textBroken_) {
    text = SkipBlanks(text);
    if (text.empty()) return;
    textBroken_ = false;
    if (!TextSoFar().empty()) {
      HoldText();
      text_ += ' ';
    }
  }
  if (!textHeld_ && lineText_.empty()) {
    lineText_ = text;
    return;
  }
  HoldText();
  text_.append(text.substr(0, kLongestText - std::min(kLongestText, text_.size())));
}

void BookmarkMarkup::CloseText(bool closedByItsTag) {
  if (open_ == Open::Nothing) return;
  const Open closed = open_;
  open_ = Open::Nothing;
  const std::string_view raw = closedByItsTag ? TextSoFar() : TrimEnd(TextSoFar());
  const std::string_view text = Decoded(raw.substr(0, kLongestText), charset_, decoded_);
  switch (closed) {
    case Open::Title: Emit(MarkupEntry::Kind::Bookmark, text, address_, openLine_); break;
    case Open::FolderName: Emit(MarkupEntry::Kind::FolderHeader, text, {}, openLine_); break;
    case Open::Description: Emit(MarkupEntry::Kind::Description, text, {}, openLine_); break;
    case Open::Nothing: break;
  }
  lineText_ = {};
  textHeld_ = false;
  address_ = {};
}

void BookmarkMarkup::Emit(MarkupEntry::Kind kind, std::string_view text, std::string_view address, std::size_t line) {
  entries_.Entry({kind, text, address, line});
}

std::vector<ReadBackEntry> ReadBack(std::string_view line, BookmarkCharset charset) {
  struct Collected : MarkupEntries {
    void Entry(const MarkupEntry& e) override {
      entries.push_back({e.kind, std::string(e.text), std::string(e.address)});
    }
    std::vector<ReadBackEntry> entries;
  } collected;
  BookmarkMarkup markup(collected, charset);
  markup.Line(line);
  markup.End();
  return std::move(collected.entries);
}

std::size_t FolderNesting::ParentOfHeader() {
  if (!lists_.empty() && lists_.back().awaitingList) lists_.pop_back();
  return Current();
}

void FolderNesting::ListStart() {
  if (!lists_.empty() && lists_.back().awaitingList) {
    lists_.back().awaitingList = false;
  } else {
    lists_.push_back({Current(), lists_.empty(), false});
  }
}

std::optional<std::size_t> FolderNesting::ListEnd() {
  if (lists_.empty()) return std::nullopt;
  const List ended = lists_.back();
  lists_.pop_back();
  return ended.own ? std::optional<std::size_t>(ended.folder) : std::nullopt;
}

}  // namespace varnel

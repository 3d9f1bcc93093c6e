#include "cli/output_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <sstream>

#include "winenv/byte_search.h"
#include "winenv/code_page.h"

namespace varnel {

// For every byte, the bytes written in its place (at first, the byte itself).
struct OutputWriter::Table {
  struct Entry {
    unsigned char size = 1;
    char bytes[6] = {};
  };
  Table() {
    for (std::size_t byte = 0; byte < entries.size(); ++byte) entries[byte].bytes[0] = static_cast<char>(byte);
  }
  std::array<Entry, 256> entries;
  bool highBytesStandForThemselves = true;  // every byte of 0x80 and above is written as itself
};

namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr std::size_t kLongestReplacement = sizeof(OutputWriter::Table::Entry::bytes);
constexpr char kHexDigits[] = "0123456789abcdef";

using Table = OutputWriter::Table;

void Set(Table::Entry& entry, std::string_view replacement) {
  entry.size = static_cast<unsigned char>(replacement.size());
  std::memcpy(entry.bytes, replacement.data(), replacement.size());
}

std::string Escaped(const char* prefix, unsigned byte) {
  return std::string(prefix) + kHexDigits[byte >> 4] + kHexDigits[byte & 0xF];
}

// Bytes that reach a terminal as control characters: C0, DEL, and the five bytes 1252 leaves
// undefined, which keep their own code points (U+0081 ...), C1 controls.
bool IsControl(unsigned byte) {
  return byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// A C1 control in UTF-8: 0xC2 and a byte 0x80 to 0x9F.
bool IsC1At(std::string_view utf8, std::size_t at) {
  return static_cast<unsigned char>(utf8[at]) == 0xC2 && at + 1 < utf8.size() &&
         static_cast<unsigned char>(utf8[at + 1]) >= 0x80 && static_cast<unsigned char>(utf8[at + 1]) < 0xA0;
}

// Every byte of 0x80 and above is written as its character's UTF-8 bytes.
Table Utf8Table() {
  Table table;
  for (unsigned byte = 0x80; byte < 0x100; ++byte) {
    const char ansi = static_cast<char>(byte);
    Set(table.entries[byte], Utf8FromAnsi(std::string_view(&ansi, 1)));
  }
  table.highBytesStandForThemselves = false;
  return table;
}

const Table& PlainTextTable() {
  static const Table table = Utf8Table();
  return table;
}

// Control characters as \xHH; in UTF-8 text only the bytes below 0x80 (its C1 controls are
// two bytes, which Utf8Text sees to).
Table WithTerminalEscapes(Table t, unsigned end) {
  for (unsigned byte = 0; byte < end; ++byte) {
    if (IsControl(byte)) Set(t.entries[byte], Escaped("\\x", byte));
  }
  return t;
}

Table WithJsonEscapes(Table t) {
  for (unsigned byte = 0; byte < 0x20; ++byte) Set(t.entries[byte], Escaped("\\u00", byte));
  Set(t.entries['"'], "\\\"");
  Set(t.entries['\\'], "\\\\");
  return t;
}

const Table& TerminalTextTable() {
  static const Table table = WithTerminalEscapes(Utf8Table(), 0x100);
  return table;
}

const Table& JsonTable() {
  static const Table table = WithJsonEscapes(Utf8Table());
  return table;
}

// The tables for UTF-8 text: bytes of 0x80 and above stand for themselves.
const Table& Utf8PlainTable() {
  static const Table table;
  return table;
}

const Table& Utf8TerminalTable() {
  static const Table table = WithTerminalEscapes(Table(), 0x80);
  return table;
}

const Table& Utf8JsonTable() {
  static const Table table = WithJsonEscapes(Table());
  return table;
}

// Where the first byte from `at` on stands that may be more than copied: below 0x20, '"', '\\',
// 0x7F, or (unless the table writes them as themselves) 0x80 and above; in every table the other
// bytes stand for themselves. Lets a run of plain text be copied whole.
std::size_t NextNeedingWork(std::string_view text, std::size_t at, const Table& table) {
  if (table.highBytesStandForThemselves) {
    return FirstWanted(
        text, at, [](SixteenBytes b) { return (b < 0x20) | (b == '"') | (b == '\\') | (b == 0x7F); },
        [](unsigned char c) { return c < 0x20 || c == '"' || c == '\\' || c == 0x7F; });
  }
  return FirstWanted(
      text, at, [](SixteenBytes b) { return (b < 0x20) | (b == '"') | (b == '\\') | (b >= 0x7F); },
      [](unsigned char c) { return c < 0x20 || c == '"' || c == '\\' || c >= 0x7F; });
}

// The longest text converted into the buffer at once: with room for its worst case (every byte
// replaced by the longest replacement) the conversion need not look at the space left.
constexpr std::size_t kPieceSize = kBufferSize / kLongestReplacement - 1;

// Converts `text` into `out`, which has room for the worst case; returns the end written. A run
// of plain bytes is copied whole, any other byte goes through the table.
char* Convert(std::string_view text, const Table& table, char* out) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::size_t work = NextNeedingWork(text, at, table);
    std::memcpy(out, text.data() + at, work - at);
    out += work - at;
    if (work == text.size()) break;
    const Table::Entry& entry = table.entries[static_cast<unsigned char>(text[work])];
    std::memcpy(out, entry.bytes, kLongestReplacement);
    out += entry.size;
    at = work;
  }
  return out;
}

// The conversion into a string, for the short texts that do not go through a writer.
std::string Converted(std::string_view ansi, const Table& table) {
  constexpr std::size_t kStep = 1024;
  std::string result;
  result.reserve(ansi.size());
  for (std::size_t at = 0; at < ansi.size(); at += kStep) {
    char converted[kStep * kLongestReplacement];
    const std::string_view piece = ansi.substr(at, kStep);
    const char* end = Convert(piece, table, converted);
    result.append(converted, static_cast<std::size_t>(end - converted));
  }
  return result;
}

}  // namespace

std::string TerminalText(std::string_view ansi, bool escapeControls) {
  return Converted(ansi, escapeControls ? TerminalTextTable() : PlainTextTable());
}

std::string TerminalUtf8Text(std::string_view utf8, bool escapeControls) {
  std::ostringstream out;
  OutputWriter(out, escapeControls).Utf8Text(utf8);
  return out.str();
}

std::string JsonText(std::string_view ansi) { return "\"" + Converted(ansi, JsonTable()) + "\""; }

std::string JsonUtf8Text(std::string_view utf8) {
  std::vector<char> room;
  return std::string(JsonUtf8TextIn(room, utf8));
}

std::string_view JsonUtf8TextIn(std::vector<char>& room, std::string_view utf8) {
  // The worst case: every byte replaced, the last replacement copied whole, and the quotes.
  const std::size_t needed = utf8.size() * kLongestReplacement + kLongestReplacement + 2;
  if (room.size() < needed) room.resize(std::max(needed, 2 * room.size()));
  room[0] = '"';
  char* end = Convert(utf8, Utf8JsonTable(), room.data() + 1);
  *end++ = '"';
  return {room.data(), static_cast<std::size_t>(end - room.data())};
}

OutputWriter::OutputWriter(std::ostream& out, bool escapeControls)
    : out_(out),
      text_(escapeControls ? TerminalTextTable() : PlainTextTable()),
      json_(JsonTable()),
      utf8Text_(escapeControls ? Utf8TerminalTable() : Utf8PlainTable()),
      utf8Json_(Utf8JsonTable()),
      escapeControls_(escapeControls),
      buffer_(kBufferSize) {}

void OutputWriter::Flush() {
  if (used_ == 0) return;
  out_.write(buffer_.data(), static_cast<std::streamsize>(used_));
  used_ = 0;
}

void OutputWriter::AppendInPieces(const char* bytes, std::size_t size) {
  while (size > 0) {
    if (used_ == buffer_.size()) Flush();
    const std::size_t piece = std::min(size, buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, bytes, piece);
    used_ += piece;
    bytes += piece;
    size -= piece;
  }
}

void OutputWriter::Put(std::string_view text, const Table& table) {
  for (std::size_t at = 0; at < text.size(); at += kPieceSize) {
    const std::string_view piece = text.substr(at, kPieceSize);
    if (buffer_.size() - used_ < piece.size() * kLongestReplacement) Flush();
    char* const start = buffer_.data() + used_;
    used_ += static_cast<std::size_t>(Convert(piece, table, start) - start);
  }
}

OutputWriter& OutputWriter::Text(std::string_view ansi) {
  Put(ansi, text_);
  return *this;
}

OutputWriter& OutputWriter::Json(std::string_view ansi) {
  Append("\"", 1);
  Put(ansi, json_);
  Append("\"", 1);
  return *this;
}

OutputWriter& OutputWriter::Utf8Text(std::string_view utf8) {
  if (!escapeControls_) {
    Put(utf8, utf8Text_);
    return *this;
  }
  std::size_t from = 0;
  for (std::size_t at = utf8.find('\xC2'); at != std::string_view::npos; at = utf8.find('\xC2', at + 1)) {
    if (!IsC1At(utf8, at)) continue;
    Put(utf8.substr(from, at - from), utf8Text_);
    const std::string escaped = Escaped("\\x", static_cast<unsigned char>(utf8[at + 1]));
    Append(escaped.data(), escaped.size());
    from = at + 2;
  }
  Put(utf8.substr(from), utf8Text_);
  return *this;
}

OutputWriter& OutputWriter::Utf8Json(std::string_view utf8) {
  Append("\"", 1);
  Put(utf8, utf8Json_);
  Append("\"", 1);
  return *this;
}

OutputWriter& OutputWriter::Number(unsigned long long number) {
  char digits[24];
  const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, number);
  Append(digits, static_cast<std::size_t>(written.ptr - digits));
  return *this;
}

OutputWriter& OutputWriter::Spaces(std::size_t count) {
  static constexpr char kBlanks[] = "                                                                ";
  while (count > 0) {
    const std::size_t piece = std::min(count, sizeof kBlanks - 1);
    Append(kBlanks, piece);
    count -= piece;
  }
  return *this;
}

}  // namespace varnel

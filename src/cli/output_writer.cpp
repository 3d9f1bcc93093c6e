#include "cli/output_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <ostream>

#include "winenv/code_page.h"

namespace varnel {

// For every byte: whether it stands for itself, else the bytes written in its place.
struct OutputWriter::Table {
  struct Entry {
    bool plain = true;
    unsigned char size = 1;
    char bytes[6] = {};
  };
  std::array<Entry, 256> entries;
};

namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr std::size_t kLongestReplacement = sizeof(OutputWriter::Table::Entry::bytes);
constexpr char kHexDigits[] = "0123456789abcdef";

using Table = OutputWriter::Table;

void Set(Table::Entry& entry, std::string_view replacement) {
  entry.plain = false;
  entry.size = static_cast<unsigned char>(replacement.size());
  std::memcpy(entry.bytes, replacement.data(), replacement.size());
}

std::string Escaped(const char* prefix, unsigned byte) {
  return std::string(prefix) + kHexDigits[byte >> 4] + kHexDigits[byte & 0xF];
}

// Bytes that reach a terminal as control characters: C0, DEL, and the five bytes 1252 leaves
// undefined, which keep their own code points (U+0081 ...), C1 controls.
bool IsControl(unsigned byte) {
  return byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 ||
         byte == 0x9D;
}

// Every byte of 0x80 and above is written as its character's UTF-8 bytes.
Table Utf8Table() {
  Table table;
  for (unsigned byte = 0x80; byte < 0x100; ++byte) {
    const char ansi = static_cast<char>(byte);
    Set(table.entries[byte], Utf8FromAnsi(std::string_view(&ansi, 1)));
  }
  return table;
}

const Table& PlainTextTable() {
  static const Table table = Utf8Table();
  return table;
}

const Table& TerminalTextTable() {
  static const Table table = [] {
    Table t = Utf8Table();
    for (unsigned byte = 0; byte < 0x100; ++byte) {
      if (IsControl(byte)) Set(t.entries[byte], Escaped("\\x", byte));
    }
    return t;
  }();
  return table;
}

const Table& JsonTable() {
  static const Table table = [] {
    Table t = Utf8Table();
    for (unsigned byte = 0; byte < 0x20; ++byte) Set(t.entries[byte], Escaped("\\u00", byte));
    Set(t.entries['"'], "\\\"");
    Set(t.entries['\\'], "\\\\");
    return t;
  }();
  return table;
}

// Whether any of the eight bytes of a word may be more than copied: below 0x20, '"', '\', 0x7F,
// or 0x80 and above (in every table the other bytes stand for themselves). Lets a run of plain
// text be skipped a word at a time; a byte found is then looked up in the table.
bool MayNeedWork(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHigh = 0x8080808080808080;
  const auto zeroByte = [](std::uint64_t x) { return (x - kOnes) & ~x & kHigh; };
  return (((word - 0x20 * kOnes) | word) & kHigh) != 0 || zeroByte(word ^ ('"' * kOnes)) != 0 ||
         zeroByte(word ^ ('\\' * kOnes)) != 0 || zeroByte(word ^ (0x7F * kOnes)) != 0;
}

// The end of the run of bytes from `next` on that the table lets stand for themselves.
const unsigned char* EndOfPlainRun(const unsigned char* next, const unsigned char* end, const Table& table) {
  for (;;) {
    for (std::uint64_t word; end - next >= 8; next += 8) {
      std::memcpy(&word, next, sizeof word);
      if (MayNeedWork(word)) break;
    }
    if (next == end || !table.entries[*next].plain) return next;
    ++next;
  }
}

// The conversion into a string, for the short texts that do not go through a writer.
void AppendConverted(std::string& result, std::string_view ansi, const Table& table) {
  for (const char c : ansi) {
    const auto byte = static_cast<unsigned char>(c);
    const Table::Entry& entry = table.entries[byte];
    if (entry.plain) result += static_cast<char>(byte);
    else result.append(entry.bytes, entry.size);
  }
}

}  // namespace

std::string TerminalText(std::string_view ansi, bool escapeControls) {
  std::string result;
  result.reserve(ansi.size());
  AppendConverted(result, ansi, escapeControls ? TerminalTextTable() : PlainTextTable());
  return result;
}

std::string JsonText(std::string_view ansi) {
  std::string result = "\"";
  AppendConverted(result, ansi, JsonTable());
  return result + "\"";
}

OutputWriter::OutputWriter(std::ostream& out, bool escapeControls)
    : out_(out), text_(escapeControls ? TerminalTextTable() : PlainTextTable()), buffer_(kBufferSize) {}

void OutputWriter::Flush() {
  if (used_ == 0) return;
  out_.write(buffer_.data(), static_cast<std::streamsize>(used_));
  used_ = 0;
}

void OutputWriter::Append(const char* bytes, std::size_t size) {
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
  const auto* next = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = next + text.size();
  while (next < end) {
    const auto* run = next;
    next = EndOfPlainRun(next, end, table);
    Append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(next - run));
    if (next == end) return;
    if (buffer_.size() - used_ < kLongestReplacement) Flush();
    const Table::Entry& entry = table.entries[*next++];
    std::memcpy(buffer_.data() + used_, entry.bytes, kLongestReplacement);
    used_ += entry.size;
  }
}

OutputWriter& OutputWriter::Raw(std::string_view utf8) {
  Append(utf8.data(), utf8.size());
  return *this;
}

OutputWriter& OutputWriter::Text(std::string_view ansi) {
  Put(ansi, text_);
  return *this;
}

OutputWriter& OutputWriter::Json(std::string_view ansi) {
  Append("\"", 1);
  Put(ansi, JsonTable());
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

#pragma once
// A stretch of a hive's lines held for an edit: the header, or one key's block (its key line
// and every line up to the next key line). HiveFile keeps the whole file as one text and takes
// a stretch out as a LineList only to read a value or to change it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/hive_file.h"
#include "winenv/hive_syntax.h"

namespace varnel::hive {

// A line to be stored, with its ending.
struct Line {
  std::string raw;
  LineKind kind;
};

// Consecutive lines of the file, exactly as read, kept in one string.
class LineList {
 public:
  // The lines of a stretch of text that parses, so each line's kind follows from its first
  // character and from whether the line before carried hex data on. The header's first line
  // is the signature.
  static LineList Of(std::string_view text, bool startsWithSignature);

  std::size_t size() const { return spans_.size(); }
  bool empty() const { return spans_.empty(); }
  LineKind kind(std::size_t i) const { return spans_[i].kind; }
  std::string_view raw(std::size_t i) const {
    return std::string_view(text_).substr(spans_[i].start, spans_[i].length);
  }
  std::string_view content(std::size_t i) const { return ContentOf(raw(i)); }
  const std::string& text() const { return text_; }

  void Append(std::string_view raw, LineKind kind);
  void RemoveLast();
  // Gives the last line an ending when the file ended without one: something will follow.
  void EndLastLine(std::string_view newline);
  // Replaces `count` lines from `first` on by `lines`.
  void Replace(std::size_t first, std::size_t count, const std::vector<Line>& lines);

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
std::size_t ContentEnd(const LineList& lines);
// The line where the value of that name (compared without case) starts, or npos.
std::size_t FindValueLine(const LineList& lines, std::u16string_view name);
// The number of lines of the value that starts at lines[at].
std::size_t ValueLineCount(const LineList& lines, std::size_t at);
// Decodes the value whose first line is lines[at].
RegValue DecodeValue(const LineList& lines, std::size_t at);

}  // namespace varnel::hive

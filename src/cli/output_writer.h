#pragma once
// What the subcommands print goes through an OutputWriter: one buffer, handed to the stream in
// large pieces, into which each text is copied in a single pass over its bytes, converted from
// 1252 to UTF-8 and escaped as it goes (runs of plain bytes are copied whole; nothing is
// allocated per text).
//
// On a terminal the entries' control characters (bytes 0x00-0x1F and 0x7F, and the bytes 0x81,
// 0x8D, 0x8F, 0x90 and 0x9D, which stand for the C1 controls) are shown as \xHH with the byte's
// two hex digits, so an entry cannot set the terminal's title, clear the screen or fake extra
// lines; written to a pipe or a file the entries stay byte for byte (--json escapes them).
#include <cstddef>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

// One text converted as Text() writes it, for the few messages put together beside the writer.
std::string TerminalText(std::string_view ansi, bool escapeControls);
// The same for UTF-8 text, as Utf8Text() writes it.
std::string TerminalUtf8Text(std::string_view utf8, bool escapeControls);
// A quoted, escaped JSON string, as Json() writes it; and of UTF-8 text, as Utf8Json() does.
std::string JsonText(std::string_view ansi);
std::string JsonUtf8Text(std::string_view utf8);
// The same converted into `room` (grown as needed; the caller keeps it between calls), for a
// text written more than once: the JSON tree names each node's parent by its key.
std::string_view JsonUtf8TextIn(std::vector<char>& room, std::string_view utf8);

class OutputWriter {
 public:
  OutputWriter(std::ostream& out, bool escapeControls);
  ~OutputWriter() { Flush(); }
  OutputWriter(const OutputWriter&) = delete;
  OutputWriter& operator=(const OutputWriter&) = delete;

  // The program's own text (UTF-8, line ends and all), as it is.
  OutputWriter& Raw(std::string_view utf8) {
    Append(utf8.data(), utf8.size());
    return *this;
  }
  // An entry's text (1252): as UTF-8, its control characters escaped on a terminal.
  OutputWriter& Text(std::string_view ansi);
  // An entry's text (1252) as a quoted JSON string: '"', '\' and the bytes below 0x20 escaped.
  OutputWriter& Json(std::string_view ansi);
  // The same for a text that is UTF-8 already (the bookmark tree's); on a terminal the C1
  // controls (U+0080 to U+009F) are shown as \xHH too.
  OutputWriter& Utf8Text(std::string_view utf8);
  OutputWriter& Utf8Json(std::string_view utf8);
  OutputWriter& Number(unsigned long long number);
  OutputWriter& Spaces(std::size_t count);
  // Hands what is buffered to the stream.
  void Flush();

  struct Table;  // how each byte is written (internal)

 private:
  void Append(const char* bytes, std::size_t size) {
    if (size > buffer_.size() - used_) return AppendInPieces(bytes, size);
    std::memcpy(buffer_.data() + used_, bytes, size);
    used_ += size;
  }
  void AppendInPieces(const char* bytes, std::size_t size);
  void Put(std::string_view text, const Table& table);

  std::ostream& out_;
  const Table& text_;
  const Table& json_;
  const Table& utf8Text_;
  const Table& utf8Json_;
  bool escapeControls_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace varnel

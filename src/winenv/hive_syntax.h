#pragma once
// The text of a Wine registry hive, line by line: what kind a line is, the escapes of quoted
// names and strings, key lines, and value lines read and written as Wine does. Used by
// HiveFile; nothing here keeps state.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/code_page.h"
#include "winenv/hive_file.h"

namespace varnel::hive {

inline constexpr std::string_view kSignature = "WINE REGISTRY Version 2";
inline constexpr std::string_view kRootCommentLead = ";; All keys relative to ";

// Problems in the text are short messages; nullptr means there is none.
using Problem = const char*;

enum class LineKind : std::uint8_t { Signature, Blank, Comment, Option, Key, Value, Continuation };

// The line without its ending. Wine reads up to LF and drops a CR right before it.
inline std::string_view ContentOf(std::string_view raw) {
  if (raw.ends_with('\n')) {
    raw.remove_suffix(1);
    if (raw.ends_with('\r')) raw.remove_suffix(1);
  }
  return raw;
}

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

inline std::size_t SkipSpaces(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

inline bool OnlySpacesFrom(std::string_view text, std::size_t pos) { return SkipSpaces(text, pos) == text.size(); }
// What a line is, told by its first character after any indentation (as Wine reads it).
std::optional<LineKind> KindOf(std::string_view content);
// Whether a value line, or one of its continuation lines, carries its hex data on to the next
// line (it ends in a backslash). Only for lines that parse.
bool ContinuesHexData(std::string_view content);

// FoldCase (code_page.h), with ASCII folded here: nearly every name in a hive is ASCII.
inline char16_t FoldUnit(char16_t c) {
  if (c >= 128) return FoldCase(c);
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
}

// Decodes the escape whose backslash is just before text[pos].
Problem DecodeEscape(std::string_view text, std::size_t& pos, char16_t& unit);

// ---- Key paths (decoded text, relative to the hive's root) ----

std::u16string Folded(std::u16string_view text);
// A path as callers may give it, with doubled, leading or trailing backslashes, names the key
// Wine would find: empty names are skipped.
std::u16string WithoutEmptyNames(std::u16string_view path);
// "[escaped path]" with an optional stamp in seconds after it; the path is decoded into `path`,
// or only checked when `path` is null.
Problem ReadKeyLine(std::string_view content, std::u16string* path);
std::string FormatKeyLine(std::u16string_view path, std::int64_t unixNow);
// "#time=" as Wine writes it: the FILETIME's high half in hex, then the low half in 8 digits.
std::string FormatTimeLine(std::int64_t unixNow);

// ---- Values ----

// Reads `"name"=` or `@=` and leaves pos at the start of the data.
Problem ReadValueName(std::string_view content, std::size_t& pos, std::u16string& name);
// The same, giving a hash of the name's folded code units rather than the name: names that
// compare equal without case hash alike. A cheap hash: equal hashes are only a hint.
Problem HashValueName(std::string_view content, std::size_t& pos, std::uint64_t& foldedHash);
// Reads the data part of a value's first line into `value`, which is cleared first, or only
// checks it when `value` is null; `continues` tells whether hex data goes on in the next line.
Problem ReadValueData(std::string_view text, RegValue* value, bool& continues);
// Appends the comma-separated hex bytes of a continuation line to `data` (when not null).
Problem ReadHexBytes(std::string_view text, std::vector<std::uint8_t>* data, bool& continues);
// The value's lines as Wine would write them, without line endings.
std::vector<std::string> FormatValueLines(std::u16string_view name, const RegValue& value);

void AppendUnits(std::vector<std::uint8_t>& data, std::u16string_view units);
void AppendTerminator(std::vector<std::uint8_t>& data);

}  // namespace varnel::hive

#pragma once
// The inputs of the hive, text-line and code-page fuzz targets, shared with the test that
// replays the inputs kept in testdata/fuzz/<target>/. A broken promise aborts.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/memory_file.h"
#include "history/netscape_history.h"
#include "winenv/code_page.h"
#include "winenv/hive_file.h"
#include "winenv/hive_scan.h"
#include "winenv/text_lines.h"
#include "winenv/wine_registry.h"

namespace varnel::fuzz {

// A hive is checked the same in two halves as in one pass; one that parses serialises to the
// same bytes, takes a write, and parses again with it.
inline void ReadHiveInput(std::string_view bytes) {
  hive::HiveScan whole, halves;
  const hive::Problem inOnePass = hive::ScanHive(bytes, whole, bytes.size() + 1);
  const hive::Problem inHalves = hive::ScanHive(bytes, halves, 0);
  Require((inOnePass == nullptr) == (inHalves == nullptr));
  Require(!inOnePass || std::string_view(inOnePass) == inHalves);
  Require(whole.line == halves.line && whole.keyStarts == halves.keyStarts && whole.newline == halves.newline);
  HiveFile hive;
  if (!HiveFile::Parse(bytes, hive).ok()) return;
  Require(hive.Serialize() == bytes);
  const RegValue value = RegValue::String(u"c:\\fuzz \"x\"");
  hive.SetValue(u"Software\\Varnel\\NetLAU", u"", value, 1700000000);
  HiveFile again;
  Require(HiveFile::Parse(hive.Serialize(), again).ok());
  Require(again.GetValue(u"software\\varnel\\netlau", u"") == value);
}

// The lines read (CR ends a line, an LF after it goes with it) hold no CR; written back with
// CR LF and read again they are the same lines.
inline void ReadTextLinesInput(std::string_view bytes) {
  const MemoryFile file(bytes);
  TextLineReader reader;
  Require(reader.Open(file.path()).ok());
  std::vector<std::string> lines;
  for (std::string line; reader.ReadLine(line);) {
    Require(line.find('\r') == std::string::npos);
    lines.push_back(line);
  }
  Require(reader.status().ok());
  std::string written;
  for (const std::string& line : lines) written += line + "\r\n";
  Require(SplitTextLines(written) == lines);
}

// Every byte string survives the code page in both directions.
inline void ConvertCodePageInput(std::string_view bytes) {
  Require(AnsiFromUtf16(Utf16FromAnsi(bytes)) == bytes);
  Require(AnsiFromUtf8(Utf8FromAnsi(bytes)) == bytes);
  const std::string utf8(bytes);
  AnsiFromUtf8(utf8);  // any bytes as UTF-8: no crash
}

// A history line's item, composed into a history line again, is cut back out unchanged.
inline void ReadPrefsLineInput(std::string_view bytes) {
  for (std::size_t start = 0; start <= bytes.size();) {
    const std::size_t end = std::min(bytes.find('\r', start), bytes.size());
    const std::string_view line = bytes.substr(start, end - start);
    std::string item;
    if (IsHistoryLine(line) && CutHistoryItem(line, item).ok()) {
      const std::string composed = ComposeHistoryLine(1, item);
      std::string again;
      Require(IsHistoryLine(composed) && CutHistoryItem(composed, again).ok() && again == item);
    }
    start = end + 1;
  }
}

// What Wine's script printed, read as the answers for eight values: eight entries whatever the
// bytes; the answers written back as the script prints them read the same again.
inline void ReadWineOutputInput(std::string_view bytes) {
  const std::vector<WineString> found = ParseWineStrings(std::string(bytes), 8);
  Require(found.size() == 8);
  std::string printed;
  for (std::size_t i = 0; i < found.size(); ++i) {
    printed += "varnel " + std::to_string(i);
    if (found[i].kind == WineString::Kind::None) printed += " none";
    if (found[i].kind == WineString::Kind::Unknown) printed += " other";
    if (found[i].kind == WineString::Kind::Text) {
      printed += " text ";
      for (const char16_t unit : found[i].text) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(unit));
        printed += hex;
      }
    }
    printed += "\r\n";
  }
  const std::vector<WineString> again = ParseWineStrings(printed, 8);
  for (std::size_t i = 0; i < found.size(); ++i) {
    Require(again[i].kind == found[i].kind && again[i].text == found[i].text);
  }
}

}  // namespace varnel::fuzz

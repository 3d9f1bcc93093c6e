#pragma once
// The inputs of the hive, text-line and code-page fuzz targets, shared with the test that
// replays the inputs kept in testdata/fuzz/<target>/. A broken promise aborts.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/memory_file.h"
#include "history/netscape_history.h"
#include "winenv/code_page.h"
#include "winenv/hive_file.h"
#include "winenv/hive_scan.h"
#include "winenv/text_lines.h"

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

}  // namespace varnel::fuzz

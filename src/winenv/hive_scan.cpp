#include "winenv/hive_scan.h"

#include <algorithm>

#include "winenv/code_page.h"

namespace varnel::hive {

namespace {

// FNV-1a over a name's folded code units: the names of a key's values are compared by this
// first, and in full only when it matches.
std::uint64_t FoldedHash(std::u16string_view name) {
  std::uint64_t hash = 14695981039346656037u;
  for (char16_t c : name) hash = (hash ^ FoldCase(c)) * 1099511628211u;
  return hash;
}

class Scanner {
 public:
  Scanner(std::string_view text, HiveScan& scan) : text_(text), scan_(scan) {}
  Problem Run();

 private:
  Problem CheckLine(std::size_t start, std::string_view raw);
  Problem StartKey(std::size_t start, std::string_view content);
  Problem CheckValue(std::size_t start, std::string_view content);
  bool RepeatsAValueName(std::size_t start);
  std::string_view ContentAt(std::size_t start) const;

  struct NameSeen {
    std::uint64_t hash;
    std::size_t lineStart;
  };

  std::string_view text_;
  HiveScan& scan_;
  bool hexContinues_ = false;        // the last line ended in a continuation backslash
  std::vector<NameSeen> valueNames_;  // the current key's values
  std::u16string name_;              // working space: the value name just read
  std::u16string scratch_;           // working space: an earlier value's name
};

Problem Scanner::Run() {
  std::size_t& number = scan_.line;
  number = 0;
  for (std::size_t start = 0; start < text_.size();) {
    const std::size_t end = std::min(text_.find('\n', start), text_.size() - 1) + 1;
    ++number;
    if (Problem problem = CheckLine(start, text_.substr(start, end - start))) return problem;
    start = end;
  }
  if (number == 0) {
    number = 1;
    return "empty, not a Wine registry file";
  }
  if (hexContinues_) return "hex data continues past the end of the file";
  return nullptr;
}

Problem Scanner::CheckLine(std::size_t start, std::string_view raw) {
  const std::string_view content = ContentOf(raw);
  if (start == 0) {
    if (content != kSignature) return "not a Wine registry file (no \"WINE REGISTRY Version 2\" line)";
    if (raw.ends_with("\r\n")) scan_.newline = "\r\n";
    return nullptr;
  }
  if (hexContinues_) return ReadHexBytes(content, nullptr, hexContinues_);
  const std::optional<LineKind> kind = KindOf(content);
  if (!kind) return "line not understood";
  if (*kind == LineKind::Key) return StartKey(start, content);
  if (*kind != LineKind::Value) return nullptr;
  if (scan_.keyStarts.empty()) return "value before the first key";
  return CheckValue(start, content);
}

Problem Scanner::StartKey(std::size_t start, std::string_view content) {
  if (Problem problem = ReadKeyLine(content, nullptr)) return problem;
  scan_.keyStarts.push_back(static_cast<std::uint32_t>(start));
  valueNames_.clear();
  return nullptr;
}

Problem Scanner::CheckValue(std::size_t start, std::string_view content) {
  std::size_t pos = 0;
  if (Problem problem = ReadValueName(content, pos, name_)) return problem;
  if (RepeatsAValueName(start)) return "the value appears twice in its key";
  return ReadValueData(content.substr(pos), nullptr, hexContinues_);
}

// Notes the name just read for the current key; true when the key has a value of that name.
bool Scanner::RepeatsAValueName(std::size_t start) {
  const std::uint64_t hash = FoldedHash(name_);
  for (const NameSeen& seen : valueNames_) {
    if (seen.hash != hash) continue;
    std::size_t pos = 0;
    ReadValueName(ContentAt(seen.lineStart), pos, scratch_);
    if (EqualNoCase(scratch_, name_)) return true;
  }
  valueNames_.push_back(NameSeen{hash, start});
  return false;
}

std::string_view Scanner::ContentAt(std::size_t start) const {
  const std::size_t end = std::min(text_.find('\n', start), text_.size() - 1) + 1;
  return ContentOf(text_.substr(start, end - start));
}

}  // namespace

Problem ScanHive(std::string_view text, HiveScan& scan) { return Scanner(text, scan).Run(); }

}  // namespace varnel::hive

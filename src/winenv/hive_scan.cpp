#include "winenv/hive_scan.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "winenv/code_page.h"

namespace varnel::hive {

namespace {

class Scanner {
 public:
  Scanner(std::string_view text, HiveScan& scan) : text_(text), scan_(scan) {}
  // Checks the lines from `from` (the start of a line) up to `to` (the start of a line, or the
  // end); only a part that begins the text has the header, only one that ends it may not end
  // in the middle of hex data. scan.line counts the part's lines.
  Problem Run(std::size_t from, std::size_t to);

 private:
  Problem CheckLine(std::size_t start, std::string_view raw);
  Problem StartKey(std::size_t start, std::string_view content);
  Problem CheckValue(std::size_t start, std::string_view content);
  bool RepeatsAValueName(std::size_t start, std::uint64_t hash);
  std::string_view ContentAt(std::size_t start) const;

  struct NameSeen {
    std::uint64_t hash;
    std::size_t lineStart;
  };

  std::string_view text_;
  HiveScan& scan_;
  bool hexContinues_ = false;         // the last line ended in a continuation backslash
  std::vector<NameSeen> valueNames_;  // the current key's values, by the hash of their names
  std::u16string name_;               // working space: names compared in full
  std::u16string earlierName_;
};

Problem Scanner::Run(std::size_t from, std::size_t to) {
  std::size_t& number = scan_.line;
  number = 0;
  for (std::size_t start = from; start < to;) {
    const std::size_t end = std::min(text_.find('\n', start), text_.size() - 1) + 1;
    ++number;
    if (Problem problem = CheckLine(start, text_.substr(start, end - start))) return problem;
    start = end;
  }
  if (number == 0 && from == 0) {
    number = 1;
    return "empty, not a Wine registry file";
  }
  if (hexContinues_ && to == text_.size()) return "hex data continues past the end of the file";
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
  std::uint64_t hash = 0;
  if (Problem problem = HashValueName(content, pos, hash)) return problem;
  if (RepeatsAValueName(start, hash)) return "the value appears twice in its key";
  return ReadValueData(content.substr(pos), nullptr, hexContinues_);
}

// Notes the value that starts at `start` for the current key; true when the key has a value of
// that name already. Names are decoded and compared only when their hashes agree.
bool Scanner::RepeatsAValueName(std::size_t start, std::uint64_t hash) {
  for (const NameSeen& seen : valueNames_) {
    if (seen.hash != hash) continue;
    std::size_t pos = 0;
    ReadValueName(ContentAt(seen.lineStart), pos, earlierName_);
    ReadValueName(ContentAt(start), pos, name_);
    if (EqualNoCase(earlierName_, name_)) return true;
  }
  valueNames_.push_back(NameSeen{hash, start});
  return false;
}

std::string_view Scanner::ContentAt(std::size_t start) const {
  const std::size_t end = std::min(text_.find('\n', start), text_.size() - 1) + 1;
  return ContentOf(text_.substr(start, end - start));
}

}  // namespace

std::size_t KeyLineFrom(std::string_view text, std::size_t from) {
  for (std::size_t at = text.find("\n[", from == 0 ? 0 : from - 1); at != std::string_view::npos;
       at = text.find("\n[", at + 1)) {
    std::string_view before = text.substr(0, at);
    before = before.substr(before.rfind('\n') + 1);
    while (!before.empty() && IsSpace(before.back())) before.remove_suffix(1);
    if (!before.ends_with('\\')) return at + 1;
  }
  return text.size();
}

Problem ScanHivePart(std::string_view text, std::size_t from, std::size_t to, HiveScan& scan) {
  return Scanner(text, scan).Run(from, to);
}

Problem ScanHive(std::string_view text, HiveScan& scan, std::size_t inHalvesFrom) {
  const std::size_t half = text.size() >= inHalvesFrom ? KeyLineFrom(text, text.size() / 2) : text.size();
  if (half == text.size()) return Scanner(text, scan).Run(0, text.size());
  HiveScan second;
  Problem secondProblem = nullptr;
  std::thread secondHalf;
  try {
    secondHalf = std::thread([&] { secondProblem = Scanner(text, second).Run(half, text.size()); });
  } catch (const std::system_error&) {  // no thread to be had: one after the other
    secondProblem = Scanner(text, second).Run(half, text.size());
  }
  const Problem firstProblem = Scanner(text, scan).Run(0, half);
  if (secondHalf.joinable()) secondHalf.join();
  if (firstProblem) return firstProblem;
  scan.keyStarts.insert(scan.keyStarts.end(), second.keyStarts.begin(), second.keyStarts.end());
  scan.line += second.line;
  return secondProblem;
}

}  // namespace varnel::hive

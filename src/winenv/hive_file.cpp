#include "winenv/hive_file.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <utility>

#include "winenv/code_page.h"
#include "winenv/hive_key_order.h"
#include "winenv/hive_lines.h"
#include "winenv/hive_scan.h"
#include "winenv/hive_syntax.h"

namespace varnel {

using namespace hive;

// The hive is its file's text, kept whole as read, cut into regions: region 0 is the header
// (the lines before the first key), region k + 1 is the block of key k (its key line and every
// line up to the next key line). A region is a stretch of the text until a write changes it;
// from then on its text is held apart, so a write costs the size of its key's block, never the
// file's. A read or a write takes one region out as lines and, for a write, puts it back.
struct HiveFile::Impl {
  static constexpr std::size_t kNone = std::string::npos;
  static constexpr std::uint32_t kUnchanged = ~std::uint32_t{0};

  struct Region {
    std::uint32_t start = 0;  // in the text, while unchanged
    std::uint32_t length = 0;
    std::uint32_t changed = kUnchanged;  // else its text in `changedTexts`
  };

  std::string text;                       // the file as read
  std::vector<Region> regions;            // in file order
  std::vector<std::string> changedTexts;  // of the regions written since
  std::vector<std::uint32_t> byPath;      // the keys in Wine's order of their paths
  bool inWineOrder = true;                // file order is Wine's order, as Wine writes it
  std::string newline = "\n";             // the file's own line ending

  void CutIntoRegions(const std::vector<std::uint32_t>& keyStarts);
  std::string_view RegionText(std::size_t region) const;
  std::size_t KeyCount() const { return regions.size() - 1; }
  std::string_view KeyLine(std::size_t key) const;
  KeyLineUnits KeyPath(std::size_t key) const { return KeyLineUnits(RegionText(key + 1)); }
  int CompareKeys(std::size_t a, std::size_t b) const;
  std::size_t OrderKeys();
  std::size_t LineNumberOf(std::size_t key) const;

  std::size_t LowerBound(std::u16string_view path) const;
  std::size_t UpperBound(std::u16string_view path) const;
  std::size_t Find(std::u16string_view path) const;
  bool HasBlocksBelow(std::u16string_view path) const;
  std::u16string SpelledAsExisting(std::u16string_view path) const;
  std::size_t InsertionPoint(std::u16string_view path) const;

  LineList RegionLines(std::size_t region) const;
  void PutRegion(std::size_t region, const LineList& lines);

  Line MakeLine(std::string content, LineKind kind) const { return Line{std::move(content) + newline, kind}; }
  std::vector<Line> ValueLines(std::u16string_view name, const RegValue& value) const;
  std::size_t CreateBlock(std::u16string_view path, std::int64_t unixNow);
  void EraseBlock(std::size_t key);
  void Touch(LineList& block, std::int64_t unixNow) const;
  void TouchParentOf(std::u16string_view path, std::int64_t unixNow);
};

// ---- Regions of the text -------------------------------------------------------------------

void HiveFile::Impl::CutIntoRegions(const std::vector<std::uint32_t>& keyStarts) {
  regions.assign(keyStarts.size() + 1, Region{});
  for (std::size_t region = 0; region < regions.size(); ++region) {
    const std::uint32_t start = region == 0 ? 0 : keyStarts[region - 1];
    const std::size_t end = region < keyStarts.size() ? keyStarts[region] : text.size();
    regions[region] = Region{start, static_cast<std::uint32_t>(end - start), kUnchanged};
  }
}

std::string_view HiveFile::Impl::RegionText(std::size_t region) const {
  const Region& r = regions[region];
  if (r.changed != kUnchanged) return changedTexts[r.changed];
  return std::string_view(text).substr(r.start, r.length);
}

LineList HiveFile::Impl::RegionLines(std::size_t region) const { return LineList::Of(RegionText(region), region == 0); }

void HiveFile::Impl::PutRegion(std::size_t region, const LineList& lines) {
  Region& r = regions[region];
  if (r.changed == kUnchanged) {
    r.changed = static_cast<std::uint32_t>(changedTexts.size());
    changedTexts.emplace_back();
  }
  changedTexts[r.changed] = lines.text();
}

// ---- Keys in Wine's order ------------------------------------------------------------------

std::string_view HiveFile::Impl::KeyLine(std::size_t key) const {
  const std::string_view block = RegionText(key + 1);
  return ContentOf(block.substr(0, std::min(block.find('\n'), block.size())));
}

int HiveFile::Impl::CompareKeys(std::size_t a, std::size_t b) const {
  const std::string_view lineA = KeyLine(a), lineB = KeyLine(b);
  const std::size_t same = SameSpelling(lineA, lineB);
  return ComparePaths(KeyLineUnits(lineA, same), KeyLineUnits(lineB, same));
}

// Orders the keys by path. Wine writes them in that order, so each key is compared only with
// the one before it unless the file was edited out of order. Returns the first key, in file
// order, whose path an earlier key has, or kNone.
std::size_t HiveFile::Impl::OrderKeys() {
  byPath.resize(KeyCount());
  std::iota(byPath.begin(), byPath.end(), 0u);
  inWineOrder = true;
  for (std::size_t key = 1; key < KeyCount() && inWineOrder; ++key) {
    const int order = CompareKeys(key - 1, key);
    if (order == 0) return key;
    inWineOrder = order < 0;
  }
  if (inWineOrder) return kNone;
  std::stable_sort(byPath.begin(), byPath.end(), [&](std::size_t a, std::size_t b) { return CompareKeys(a, b) < 0; });
  std::size_t repeated = kNone;
  for (std::size_t i = 1; i < byPath.size(); ++i) {
    if (CompareKeys(byPath[i - 1], byPath[i]) == 0) repeated = std::min<std::size_t>(repeated, byPath[i]);
  }
  return repeated;
}

// Only while no region has changed.
std::size_t HiveFile::Impl::LineNumberOf(std::size_t key) const {
  return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + regions[key + 1].start, '\n'));
}

// The first place in byPath whose key does not come before the path.
std::size_t HiveFile::Impl::LowerBound(std::u16string_view path) const {
  const auto it = std::partition_point(
      byPath.begin(), byPath.end(), [&](std::uint32_t key) { return ComparePaths(KeyPath(key), PathUnits(path)) < 0; });
  return static_cast<std::size_t>(it - byPath.begin());
}

// The first place in byPath whose key comes after the path.
std::size_t HiveFile::Impl::UpperBound(std::u16string_view path) const {
  const auto it = std::partition_point(byPath.begin(), byPath.end(), [&](std::uint32_t key) {
    return ComparePaths(KeyPath(key), PathUnits(path)) <= 0;
  });
  return static_cast<std::size_t>(it - byPath.begin());
}

// The key that has a block of its own at that path (given as callers may), or kNone.
std::size_t HiveFile::Impl::Find(std::u16string_view path) const {
  const std::u16string clean = WithoutEmptyNames(path);
  const std::size_t at = LowerBound(clean);
  if (at == byPath.size() || ComparePaths(KeyPath(byPath[at]), PathUnits(clean)) != 0) return kNone;
  return byPath[at];
}

// In Wine's order a key's descendants follow it directly, so the first path after the key
// tells whether it has any.
bool HiveFile::Impl::HasBlocksBelow(std::u16string_view path) const {
  const std::u16string clean = WithoutEmptyNames(path);
  const std::size_t next = UpperBound(clean);
  return next < byPath.size() && IsBelow(KeyPath(byPath[next]), clean);
}

// The path with the names of the keys that exist already spelled as the file spells them: Wine
// keeps a key's first spelling ("http" stays "http" when "HTTP\shell" is created below it).
std::u16string HiveFile::Impl::SpelledAsExisting(std::u16string_view path) const {
  for (std::size_t end = path.size(); end != std::u16string_view::npos && end > 0;
       end = end == 0 ? std::u16string_view::npos : path.rfind(u'\\', end - 1)) {
    const std::u16string_view existing = path.substr(0, end);
    const std::size_t at = LowerBound(existing);
    if (at == byPath.size()) continue;
    const std::string_view keyLine = KeyLine(byPath[at]);
    if (ComparePaths(KeyLineUnits(keyLine), PathUnits(existing)) != 0 && !IsBelow(KeyLineUnits(keyLine), existing))
      continue;
    std::u16string spelled;
    ReadKeyLine(keyLine, &spelled);
    return spelled.substr(0, end) + std::u16string(path.substr(end));
  }
  return std::u16string(path);
}

// A new key's block goes before the first block, in file order, whose path sorts after it. In a
// file in Wine's order those blocks are the file's last ones, found by halving.
std::size_t HiveFile::Impl::InsertionPoint(std::u16string_view path) const {
  const auto sortsAfter = [&](std::size_t key) { return ComparePaths(PathUnits(path), KeyPath(key)) < 0; };
  if (!inWineOrder) {
    std::size_t key = 0;
    while (key < KeyCount() && !sortsAfter(key)) ++key;
    return key;
  }
  std::size_t first = 0, last = KeyCount();
  while (first < last) {
    const std::size_t middle = first + (last - first) / 2;
    if (sortsAfter(middle))
      last = middle;
    else
      first = middle + 1;
  }
  return first;
}

// ---- Writes --------------------------------------------------------------------------------

std::vector<Line> HiveFile::Impl::ValueLines(std::u16string_view name, const RegValue& value) const {
  std::vector<Line> lines;
  for (std::string& text : FormatValueLines(name, value)) {
    lines.push_back(MakeLine(std::move(text), lines.empty() ? LineKind::Value : LineKind::Continuation));
  }
  return lines;
}

// Inserts the key's block where Wine places it and returns the key. Wine puts a blank line
// before every key line and none at the end of the file.
std::size_t HiveFile::Impl::CreateBlock(std::u16string_view path, std::int64_t unixNow) {
  LineList block;
  block.Append(FormatKeyLine(path, unixNow) + newline, LineKind::Key);
  block.Append(FormatTimeLine(unixNow) + newline, LineKind::Option);
  const std::size_t key = InsertionPoint(path);
  if (key < KeyCount()) {
    block.Append(newline, LineKind::Blank);
  } else {
    LineList before = RegionLines(key);
    before.EndLastLine(newline);
    if (!before.empty() && before.kind(before.size() - 1) != LineKind::Blank) before.Append(newline, LineKind::Blank);
    PutRegion(key, before);
  }
  regions.insert(regions.begin() + static_cast<std::ptrdiff_t>(key + 1), Region{});
  PutRegion(key + 1, block);
  for (std::uint32_t& k : byPath) k += k >= key ? 1 : 0;
  byPath.insert(byPath.begin() + static_cast<std::ptrdiff_t>(LowerBound(path)), static_cast<std::uint32_t>(key));
  return key;
}

// Removes a key's block; when it was the last one, the blank line that separated it from the
// block before goes too, so the file again ends right after its last value.
void HiveFile::Impl::EraseBlock(std::size_t key) {
  const bool wasLast = key + 1 == KeyCount();
  if (const std::uint32_t changed = regions[key + 1].changed; changed != kUnchanged)
    std::string().swap(changedTexts[changed]);
  regions.erase(regions.begin() + static_cast<std::ptrdiff_t>(key + 1));
  byPath.erase(std::find(byPath.begin(), byPath.end(), key));
  for (std::uint32_t& k : byPath) k -= k > key ? 1 : 0;
  if (!wasLast) return;
  LineList before = RegionLines(key);
  while (!before.empty() && before.kind(before.size() - 1) == LineKind::Blank) before.RemoveLast();
  PutRegion(key, before);
}

// A changed key gets the time of the change, as Wine keeps it: the stamp after its key line and
// its "#time" line (added when missing: Wine writes one for every key).
void HiveFile::Impl::Touch(LineList& block, std::int64_t unixNow) const {
  const std::string_view keyLine = block.content(0);
  const std::string stamped = std::string(keyLine.substr(0, keyLine.rfind(']') + 1)) + " " + std::to_string(unixNow);
  block.Replace(0, 1, {MakeLine(stamped, LineKind::Key)});
  std::size_t at = 1;
  while (at < block.size() && block.kind(at) == LineKind::Option && !block.content(at).starts_with("#time=")) ++at;
  const bool found = at < block.size() && block.kind(at) == LineKind::Option;
  block.Replace(found ? at : 1, found ? 1 : 0, {MakeLine(FormatTimeLine(unixNow), LineKind::Option)});
}

// A new key changes its parent, the nearest key above it that exists; the parent's time is in
// the file when it has a block of its own.
void HiveFile::Impl::TouchParentOf(std::u16string_view path, std::int64_t unixNow) {
  for (std::size_t cut = path.rfind(u'\\'); cut != std::u16string_view::npos && cut > 0;
       cut = path.rfind(u'\\', cut - 1)) {
    const std::u16string_view parent = path.substr(0, cut);
    if (const std::size_t key = Find(parent); key != kNone) {
      LineList block = RegionLines(key + 1);
      Touch(block, unixNow);
      PutRegion(key + 1, block);
      return;
    }
    if (HasBlocksBelow(parent)) return;  // exists, but Wine writes no block for it
  }
}

// ---- Public interface ----------------------------------------------------------------------

RegValue RegValue::String(std::u16string_view text) {
  RegValue value;
  value.type = kRegSz;
  value.data.reserve(text.size() * 2 + 2);
  AppendUnits(value.data, text);
  AppendTerminator(value.data);
  return value;
}

HiveFile::HiveFile() : impl_(std::make_unique<Impl>()) { impl_->CutIntoRegions({}); }
HiveFile::~HiveFile() = default;
HiveFile::HiveFile(HiveFile&&) noexcept = default;
HiveFile& HiveFile::operator=(HiveFile&&) noexcept = default;

Status HiveFile::Parse(std::string_view text, HiveFile& out) { return Parse(std::string(text), out); }

Status HiveFile::Parse(std::string&& text, HiveFile& out) {
  if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
    return Status::Error(errc::kOutOfMemory, "too large for a hive file");
  }
  HiveFile parsed;
  Impl& h = *parsed.impl_;
  HiveScan scan;
  const Problem problem = ScanHive(text, scan);
  h.text = std::move(text);
  h.CutIntoRegions(scan.keyStarts);
  h.newline = std::move(scan.newline);
  if (const std::size_t repeated = h.OrderKeys(); repeated != Impl::kNone) {
    return Status::Error(errc::kPathFileAccess,
                         "line " + std::to_string(h.LineNumberOf(repeated)) + ": the key appears twice");
  }
  if (problem) return Status::Error(errc::kPathFileAccess, "line " + std::to_string(scan.line) + ": " + problem);
  out = std::move(parsed);
  return Status::Ok();
}

HiveFile HiveFile::Empty(std::string_view rootComment) {
  HiveFile hive;
  Impl& h = *hive.impl_;
  h.text = std::string(kSignature) + h.newline + std::string(kRootCommentLead) + std::string(rootComment) + h.newline;
  h.CutIntoRegions({});
  return hive;
}

std::vector<std::string_view> HiveFile::Pieces() const {
  std::vector<std::string_view> pieces;
  bool lastFromText = false;  // the last piece is of the text as read, ending at lastEnd
  std::uint32_t lastEnd = 0;
  for (std::size_t region = 0; region < impl_->regions.size(); ++region) {
    const Impl::Region& r = impl_->regions[region];
    const std::string_view piece = impl_->RegionText(region);
    if (piece.empty()) continue;
    const bool fromText = r.changed == Impl::kUnchanged;
    if (fromText && lastFromText && r.start == lastEnd) {
      pieces.back() = std::string_view(pieces.back().data(), pieces.back().size() + piece.size());
    } else {
      pieces.push_back(piece);
    }
    lastFromText = fromText;
    lastEnd = r.start + r.length;
  }
  return pieces;
}

std::string HiveFile::Serialize() const {
  const std::vector<std::string_view> pieces = Pieces();
  std::size_t size = 0;
  for (std::string_view piece : pieces) size += piece.size();
  std::string text;
  text.reserve(size);
  for (std::string_view piece : pieces) text += piece;
  return text;
}

std::optional<RegValue> HiveFile::GetValue(std::u16string_view keyPath, std::u16string_view name) const {
  const std::size_t key = impl_->Find(keyPath);
  if (key == Impl::kNone) return std::nullopt;
  const LineList block = impl_->RegionLines(key + 1);
  const std::size_t at = FindValueLine(block, name);
  if (at == std::string::npos) return std::nullopt;
  return DecodeValue(block, at);
}

bool HiveFile::KeyExists(std::u16string_view keyPath) const {
  return impl_->Find(keyPath) != Impl::kNone || impl_->HasBlocksBelow(keyPath);
}

void HiveFile::SetValue(std::u16string_view keyPath, std::u16string_view name, const RegValue& value,
                        std::int64_t unixNow) {
  std::size_t key = impl_->Find(keyPath);
  const bool created = key == Impl::kNone;
  if (created) {
    const std::u16string path = impl_->SpelledAsExisting(WithoutEmptyNames(keyPath));
    impl_->TouchParentOf(path, unixNow);
    key = impl_->CreateBlock(path, unixNow);
  }
  LineList block = impl_->RegionLines(key + 1);
  std::size_t at = FindValueLine(block, name);
  std::size_t replaced = 0;
  if (at != std::string::npos) {
    if (DecodeValue(block, at) == value) return;  // the same data again changes nothing, as in Wine
    replaced = ValueLineCount(block, at);
  } else {
    at = ContentEnd(block);
    if (at == block.size()) block.EndLastLine(impl_->newline);
  }
  block.Replace(at, replaced, impl_->ValueLines(name, value));
  if (!created) impl_->Touch(block, unixNow);
  impl_->PutRegion(key + 1, block);
}

bool HiveFile::DeleteKey(std::u16string_view keyPath) {
  const std::size_t key = impl_->Find(keyPath);
  if (key == Impl::kNone || impl_->HasBlocksBelow(keyPath)) return false;
  impl_->EraseBlock(key);
  return true;
}

bool HiveFile::DeleteValue(std::u16string_view keyPath, std::u16string_view name, std::int64_t unixNow) {
  const std::size_t key = impl_->Find(keyPath);
  if (key == Impl::kNone) return false;
  LineList block = impl_->RegionLines(key + 1);
  const std::size_t at = FindValueLine(block, name);
  if (at == std::string::npos) return false;
  block.Replace(at, ValueLineCount(block, at), {});
  impl_->Touch(block, unixNow);
  impl_->PutRegion(key + 1, block);
  return true;
}

std::vector<std::u16string> HiveFile::ValueNames(std::u16string_view keyPath) const {
  std::vector<std::u16string> names;
  const std::size_t key = impl_->Find(keyPath);
  if (key == Impl::kNone) return names;
  const LineList block = impl_->RegionLines(key + 1);
  for (std::size_t i = 0; i < block.size(); ++i) {
    if (block.kind(i) != LineKind::Value) continue;
    std::size_t pos = 0;
    ReadValueName(block.content(i), pos, names.emplace_back());
  }
  return names;
}

std::vector<std::u16string> HiveFile::KeyPaths() const {
  std::vector<std::u16string> paths(impl_->KeyCount());
  for (std::size_t key = 0; key < paths.size(); ++key) ReadKeyLine(impl_->KeyLine(key), &paths[key]);
  return paths;
}

}  // namespace varnel

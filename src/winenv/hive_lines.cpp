#include "winenv/hive_lines.h"

#include <algorithm>

#include "winenv/code_page.h"

namespace varnel::hive {

LineList LineList::Of(std::string_view text, bool startsWithSignature) {
  LineList lines;
  lines.text_ = text;
  bool continues = false;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
    const std::string_view content = ContentOf(text.substr(start, end - start));
    LineKind kind = LineKind::Signature;
    if (continues)
      kind = LineKind::Continuation;
    else if (start > 0 || !startsWithSignature)
      kind = KindOf(content).value_or(LineKind::Comment);
    continues = (kind == LineKind::Value || kind == LineKind::Continuation) && ContinuesHexData(content);
    lines.spans_.push_back(Span{Offset(start), Offset(end - start), kind});
    start = end;
  }
  return lines;
}

void LineList::Append(std::string_view raw, LineKind kind) {
  spans_.push_back(Span{Offset(text_.size()), Offset(raw.size()), kind});
  text_ += raw;
}

void LineList::RemoveLast() {
  text_.resize(spans_.back().start);
  spans_.pop_back();
}

void LineList::EndLastLine(std::string_view newline) {
  if (empty() || raw(size() - 1).ends_with('\n')) return;
  text_ += newline;
  spans_.back().length += Offset(newline.size());
}

void LineList::Replace(std::size_t first, std::size_t count, const std::vector<Line>& lines) {
  const std::size_t begin = first < size() ? spans_[first].start : text_.size();
  const std::size_t end = first + count < size() ? spans_[first + count].start : text_.size();
  std::string inserted;
  std::vector<Span> spans;
  for (const Line& line : lines) {
    spans.push_back(Span{Offset(begin + inserted.size()), Offset(line.raw.size()), line.kind});
    inserted += line.raw;
  }
  text_.replace(begin, end - begin, inserted);
  for (std::size_t i = first + count; i < size(); ++i) {
    spans_[i].start = Offset(spans_[i].start - (end - begin) + inserted.size());
  }
  const auto at = spans_.begin() + static_cast<std::ptrdiff_t>(first);
  spans_.insert(spans_.erase(at, at + static_cast<std::ptrdiff_t>(count)), spans.begin(), spans.end());
}

std::size_t ContentEnd(const LineList& lines) {
  std::size_t end = lines.size();
  while (end > 0 && (lines.kind(end - 1) == LineKind::Blank || lines.kind(end - 1) == LineKind::Comment)) --end;
  return end;
}

std::size_t FindValueLine(const LineList& lines, std::u16string_view name) {
  std::u16string lineName;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines.kind(i) != LineKind::Value) continue;
    std::size_t pos = 0;
    ReadValueName(lines.content(i), pos, lineName);
    if (EqualNoCase(lineName, name)) return i;
  }
  return std::string::npos;
}

std::size_t ValueLineCount(const LineList& lines, std::size_t at) {
  std::size_t end = at + 1;
  while (end < lines.size() && lines.kind(end) == LineKind::Continuation) ++end;
  return end - at;
}

RegValue DecodeValue(const LineList& lines, std::size_t at) {
  std::u16string scratch;
  RegValue value;
  bool continues = false;
  const std::string_view content = lines.content(at);
  std::size_t pos = 0;
  ReadValueName(content, pos, scratch);
  ReadValueData(content.substr(pos), &value, continues);
  while (continues && ++at < lines.size()) ReadHexBytes(lines.content(at), &value.data, continues);
  return value;
}

}  // namespace varnel::hive

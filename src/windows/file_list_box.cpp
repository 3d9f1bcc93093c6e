#include "windows/file_list_box.h"

#include <algorithm>

#include "winenv/code_page.h"
#include "winenv/drive_map.h"  // the Windows path helpers

namespace varnel {
namespace {

std::vector<std::string> SplitPatterns(const std::string& patterns) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= patterns.size()) {
    const std::size_t end = std::min(patterns.find(';', start), patterns.size());
    if (end > start) parts.push_back(patterns.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool LessNoCase(const std::string& a, const std::string& b) {
  return CompareNoCase(Utf16FromUtf8(a), Utf16FromUtf8(b)) < 0;
}

}  // namespace

FileListBox::FileListBox(const FolderListing& drives, QWidget* parent) : ClassicListBase(parent), drives_(drives) {}

void FileListBox::SetPath(const std::string& windowsPath) {
  path_ = NormalizeWindowsPath(windowsPath);
  Refresh();
}

void FileListBox::SetPattern(const std::string& pattern) {
  pattern_ = pattern;
  Refresh();
}

void FileListBox::Refresh() {
  Quiet quiet(*this);
  clear();
  for (const std::string& name : MatchingFiles()) AddShownRow(QString::fromStdString(name));
}

std::string FileListBox::Item(int index) const {
  const QListWidgetItem* row = index >= 0 ? item(index) : nullptr;
  return row ? RealText(row).toStdString() : std::string();
}

std::vector<std::string> FileListBox::MatchingFiles() const {
  if (path_.empty()) return {};
  std::vector<std::string> names;
  for (const std::string& pattern : SplitPatterns(pattern_)) {
    const std::vector<std::string> found = drives_.RealFileNames(path_, pattern);
    names.insert(names.end(), found.begin(), found.end());
  }
  std::stable_sort(names.begin(), names.end(), LessNoCase);
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

}  // namespace varnel

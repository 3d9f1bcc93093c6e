#pragma once
// The classic file list: the plain files of one directory that match a pattern such as "*.url"
// (without case; several patterns separated by ';'), sorted without case. Setting the path or
// the pattern re-reads the directory and leaves no row selected. Files are listed by their real
// names (UTF-8, as the disk spells them), so every file shows with its own characters, also one
// the code page cannot spell.
#include <string>
#include <vector>

#include "windows/classic_list_base.h"
#include "winenv/folder_listing.h"

namespace varnel {

class FileListBox : public ClassicListBase {
  Q_OBJECT

 public:
  explicit FileListBox(const FolderListing& drives, QWidget* parent = nullptr);

  void SetPath(const std::string& windowsPath);
  const std::string& Path() const { return path_; }
  void SetPattern(const std::string& pattern);
  const std::string& Pattern() const { return pattern_; }
  void Refresh();

  // The selected file's real name; "" when none is selected.
  std::string FileName() const { return Item(SelectedRow()); }
  int ListCount() const { return RowCount(); }
  int ListIndex() const { return SelectedRow(); }
  void SetListIndex(int index) { SelectRow(index); }
  std::string Item(int index) const;  // a real name, "" out of range

 private:
  std::vector<std::string> MatchingFiles() const;

  const FolderListing& drives_;
  std::string path_;
  std::string pattern_ = "*.*";
};

}  // namespace varnel

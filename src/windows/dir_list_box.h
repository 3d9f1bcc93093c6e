#pragma once
// The classic directory list on the prefix's drives. It shows the drive root, each ancestor and
// the current directory (open folders, indented by depth), then the current directory's
// sub-directories (closed folders, one level deeper). Names are shown as the disk spells them,
// the root as "c:\". The current directory's row is highlighted; a double click opens a row,
// a single click only selects it.
//
// Path() is the path as last set, normalized (no trailing backslash except on a drive root),
// in the caller's spelling: SetPath("C:\PROGRAM FILES\") gives "C:\PROGRAM FILES" while the row
// reads "Program Files". A path that is not an existing directory falls back to its nearest
// existing ancestor, else to the drive root. PathChanged follows every change of directory;
// setting the same directory in another letter case is no change.
#include <string>

#include "windows/classic_list_base.h"
#include "winenv/folder_listing.h"

namespace varnel {

class DirListBox : public ClassicListBase {
  Q_OBJECT

 public:
  explicit DirListBox(const FolderListing& drives, QWidget* parent = nullptr);

  void SetPath(const std::string& windowsPath);
  const std::string& Path() const { return path_; }
  // Moves the list to a drive ("z:"): to its root, unless the list already stands on that drive
  // (the drive's current directory is then the list's own).
  void SetDrive(const std::string& drive);
  // Re-reads the disk; a current directory that has gone falls back as in SetPath.
  void Refresh();
  // The Windows path of the selected row; "" when none.
  std::string SelectedPath() const;

 signals:
  void PathChanged();

 private:
  std::string ExistingDirectory(const std::string& windowsPath) const;
  void Rebuild();
  void AddRow(const std::string& path, const std::string& name, int depth, bool open);
  std::string AncestorName(const std::string& path, int depth) const;
  void OpenSelected();

  const FolderListing& drives_;
  std::string path_;
};

}  // namespace varnel

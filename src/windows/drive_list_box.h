#pragma once
// The classic drive list: the prefix's mapped drives, shown "c:", other drives with their
// native folder ("z: [/]"). Change follows every change of drive, by the user or by SetDrive.
#include <QComboBox>
#include <string>

#include "winenv/folder_listing.h"

namespace varnel {

class DriveListBox : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveListBox(const FolderListing& drives, QWidget* parent = nullptr);

  // Takes "c:" or any path on the drive ("C:\windows"); an unmapped drive is ignored.
  void SetDrive(const std::string& drive);
  std::string Drive() const;  // "c:"; "" when the prefix has no drive
  // Re-reads the drive list, keeping the current drive when it is still there.
  void Refresh();

 signals:
  void Change();

 private:
  QString DisplayName(char letter) const;
  int IndexOfLetter(char letter) const;

  const FolderListing& drives_;
};

}  // namespace varnel

#include "windows/drive_list_box.h"

#include <QFileInfo>
#include <QSignalBlocker>

#include "windows/ansi_text.h"
#include "winenv/code_page.h"

namespace varnel {

DriveListBox::DriveListBox(const FolderListing& drives, QWidget* parent) : QComboBox(parent), drives_(drives) {
  setEditable(false);
  Refresh();
  connect(this, &QComboBox::currentIndexChanged, this, &DriveListBox::Change);
}

void DriveListBox::SetDrive(const std::string& drive) {
  if (drive.size() < 2 || drive[1] != ':') return;
  const int index = IndexOfLetter(LowerAnsi(drive.substr(0, 1))[0]);
  if (index >= 0) setCurrentIndex(index);
}

std::string DriveListBox::Drive() const {
  const QVariant letter = currentData();
  if (!letter.isValid()) return "";
  return std::string(1, static_cast<char>(letter.toInt())) + ":";
}

void DriveListBox::Refresh() {
  const std::string current = Drive();
  QSignalBlocker quiet(this);
  clear();
  for (char letter : drives_.Drives()) addItem(DisplayName(letter), static_cast<int>(letter));
  int index = current.empty() ? IndexOfLetter('c') : IndexOfLetter(current[0]);
  setCurrentIndex(index >= 0 ? index : 0);
}

QString DriveListBox::DisplayName(char letter) const {
  const std::string drive = std::string(1, letter) + ":";
  if (letter == 'c') return FromAnsi(drive);
  // The drive's folder with its links resolved: "z: [/]".
  const std::string native = drives_.ToNative(drive + "\\");
  const QString target = native.empty() ? QString() : QFileInfo(QString::fromStdString(native)).canonicalFilePath();
  if (target.isEmpty()) return FromAnsi(drive);
  return FromAnsi(drive) + " [" + target + "]";
}

int DriveListBox::IndexOfLetter(char letter) const { return findData(static_cast<int>(letter)); }

}  // namespace varnel

#pragma once
#include <utility>
#include <vector>
// Setup: the window in which the user picks the Netscape and Internet Explorer install
// directories, checked by name and stored, with an example panel.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "windows/clickable_image.h"
#include "windows/dir_list_box.h"
#include "windows/drive_list_box.h"

namespace varnel {

class Forms;

inline constexpr const char* kSetupCaption = "Setup Netscape and Internet Explorer Directories";

class SetupWindow : public QWidget {
  Q_OBJECT

 public:
  explicit SetupWindow(Forms& forms);

  void Form_Load();
  // After an undo: the lists stand on the directories stored now, on the disk as it is now.
  void ShowAfterUndo();
  void Drive1_Change();
  void Drive2_Change();
  void Command1_Click();
  void Command2_Click();
  void Image1_Click();
  void Form_QueryUnload();

  // Start-up shows the window modally and goes on once it is hidden.
  void ShowModalAtStart();

  QGroupBox* Frame3;
  QPushButton* Command2;
  QLabel* Picture1;
  QLabel* Label1;
  QPushButton* Command1;
  QGroupBox* Frame2;
  DirListBox* Dir2;
  DriveListBox* Drive2;
  QGroupBox* Frame1;
  DirListBox* Dir1;
  DriveListBox* Drive1;
  QLabel* Label2;
  ClickableImage* Image1;

 signals:
  void Hidden();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void CreateControls();
  void SetUpKeyboard();
  // While the example panel covers the window, the controls under it take no focus: Tab
  // cannot reach them, nor Enter press the hidden save icon.
  void CoverWithExample(bool covered);
  std::vector<std::pair<QWidget*, Qt::FocusPolicy>> coveredFocus_;
  Forms& forms_;
  bool modalAtStart_ = false;
};

}  // namespace varnel

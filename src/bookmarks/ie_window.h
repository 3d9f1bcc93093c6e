#pragma once
// IE, the bookmarks and favorites window. For now it carries its caption, the favorites
// directory list (remembered as IEfav) with its file list, the status line and the way back to
// the main window; closing it ends the program like the main window.
#include <QLabel>
#include <QPushButton>
#include <array>

#include "widgets/dir_list_box.h"
#include "widgets/file_list_box.h"

namespace varnel {

class Forms;

inline constexpr const char* kStandardFavoritesDirectory = "c:\\windows\\favorites";

class IEWindow : public QWidget {
  Q_OBJECT

 public:
  explicit IEWindow(Forms& forms);

  void Form_Load();
  void Dir1_Change();
  void Command1_Click();
  void Form_QueryUnload();

  DirListBox* Dir1;
  FileListBox* File1;
  std::array<QLabel*, 2> Label2;
  QLabel* Label1;
  QPushButton* Command1;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Forms& forms_;
};

}  // namespace varnel

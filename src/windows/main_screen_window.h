#pragma once
// MainScreen, the hub window: the two history lists, the default-browser frame, the profile
// directory list, the web strip, and the buttons to the other windows, support and exit.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <array>
#include <memory>

#include "defaultbrowser/default_browser.h"
#include "history/history_lists.h"
#include "windows/classic_list_box.h"
#include "windows/clickable_image.h"
#include "windows/dialogs.h"
#include "windows/dir_list_box.h"
#include "windows/drive_list_box.h"
#include "windows/web_strip.h"

namespace varnel {

class Forms;

inline constexpr const char* kMainCaption = "Browser Information and Clear MRU___Function Key 1 for help__Version 1.02";
inline constexpr const char* kSecondCopyMessage =
    "Only one copy of Varnel can be executed,  already open on this machine";
inline constexpr const char* kBookmarksCaptionIE = "Bookmarks and Favorites, IE is the default Browser";
inline constexpr const char* kBookmarksCaptionNetscape = "Bookmarks and Favorites, Netscape is the default Browser";

class MainScreen : public QWidget {
  Q_OBJECT

 public:
  explicit MainScreen(Forms& forms);
  ~MainScreen() override;

  void Form_Load();
  // Shows the window normal (restored when a launch had minimized it), in front, with the focus.
  void ShowRestored();
  // The default-browser frame as the registry has it now (after an undo).

  // Handlers, named after the control and the event.
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  void Command6_Click();
  void Dir1_MouseDown(Qt::MouseButton button);
  void Drive1_Change();
  void Image1_Click();
  void Image2_Click();
  void Image3_Click();
  void Image4_Click();
  void Image5_Click();
  void Label6_Click();
  void List1_MouseDown(Qt::MouseButton button);
  void List2_MouseDown(Qt::MouseButton button);
  void List1_DblClick();
  void List2_DblClick();
  void WebBrowser1_GotFocus();
  void Form_MouseMove();
  // Every attempt to close the window: stores the remembered directories and ends the program.
  void Form_QueryUnload();

  // Controls, in creation order.
  WebStrip* WebBrowser1;
  DriveListBox* Drive1;
  QPushButton* Command5;
  ClassicListBox* List2;
  QGroupBox* Frame1;
  ClickableImage* Image3;
  QLabel* Label6;
  QLabel* Label3;
  ClickableImage* Image4;
  ClickableImage* Image5;
  ClickableImage* Image2;
  ClickableImage* Image1;
  QPushButton* Command4;
  QPushButton* Command3;
  QPushButton* Command2;
  QPushButton* Command1;
  ClassicListBox* List1;
  DirListBox* Dir1;
  QPushButton* Command6;
  std::array<QLabel*, 3> Label4;
  QLabel* Label5;
  QLabel* Label1;

  HistoryLists& histories();
  // The default-browser frame as the session knows it now.
  void ShowDefaultBrowser();
  // After an undo: the default-browser frame with both switch icons, and the profile folders
  // as the disk has them now (the session reads the open history lists again itself).
  void ShowAfterUndo();
  // The profile list moved to the drive (when given), then the path.
  void ShowProfileDirectory(const std::string& drive, const std::string& path);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  void SetUpKeyboard();
  void SwitchDefaultBrowser(Browser browser);
  void ShowHistories();
  bool IsLabel6Click(QEvent* event);
  void ListMouseDown(HistoryList list, ClassicListBox* control, Qt::MouseButton button);
  void PlaceWebStrip(int top, int height);

  Forms& forms_;
  DialogsPrompt prompt_;  // the history lists' questions and messages, over this window
  bool label6Pressed_ = false;
};

}  // namespace varnel

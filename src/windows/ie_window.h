#pragma once
// IE, the bookmarks and favorites window: the Netscape bookmarks of the main window's profile as
// a tree, the Internet Explorer favorites of a directory as a file list, the transfer switch,
// the status line, and the way back to the main window. Closing it ends the program like the
// main window.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <array>

#include "bookmarks/bookmark_tree.h"
#include "bookmarks/transfers.h"
#include "windows/bookmark_tree_model_ui.h"
#include "windows/clickable_image.h"
#include "windows/collection_menu_ui.h"
#include "windows/dir_list_box.h"
#include "windows/file_list_box.h"

namespace varnel {

class Forms;

class IEWindow : public QWidget {
  Q_OBJECT

 public:
  explicit IEWindow(Forms& forms);

  void Form_Load();
  // After an undo: the favorites folders and list, and the bookmark tree read again.
  void ShowAfterUndo();
  void Dir1_Change();
  void Command1_Click();
  // Reloads the bookmark tree from the main window's profile and refreshes File1.
  void Command3_Click();
  void Form_MouseMove();
  void Form_QueryUnload();
  // Opens the clicked bookmark, or with Check1 copies it into the favorites directory.
  void tvwMyTree_NodeClick(BookmarkTree::NodeId node);
  // Opens the double-clicked favorite, or with Check1 adds it to bookmark.htm.
  void File1_DblClick();

  const BookmarkTree& tree() const { return tree_; }
  BookmarkTreeModel& treeModel() { return *treeModel_; }

  // Controls, as designed.
  QCheckBox* Check1;
  DirListBox* Dir1;
  FileListBox* File1;
  std::array<QLabel*, 2> Label2;
  QLabel* Label1;
  QTreeView* tvwMyTree;
  QPushButton* Command3;
  QPushButton* Command1;
  ClickableImage* Image1;
  QLabel* Label3;
  ClickableImage* Image2;
  QLabel* Label4;
  // The tree's and the favorites list's context menu.
  CollectionMenu* Menu1;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void SetUpKeyboard();
  void SetUpContextMenus();
  void TreeTakesFocus();
  void SetStatus(std::string_view text);
  void ShowLoadedTree();
  void ShowFailure(const Status& failure);
  void AddFavoriteToBookmarks(const std::string& file, const std::string& address);
  void PlayAnimation(QWidget* image, QLabel* label, const QString& caption, const std::vector<AnimationStep>& steps);

  Forms& forms_;
  BookmarkTree tree_;
  BookmarkTreeModel* treeModel_;
};

}  // namespace varnel

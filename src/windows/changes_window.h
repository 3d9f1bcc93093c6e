#pragma once
// Changes: the dialog that lists the recorded changes of the prefix, newest first, as `varnel
// changes` does, and undoes the chosen one and every later one. Ctrl+Shift+Z in any window and
// "Changes..." on the bookmarks window's context menus open it; Enter (or a double click) on a
// change, or "Undo...", asks and undoes; Escape or "Close" puts it away.
#include <QDialog>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;

namespace varnel {

class ClassicListBox;
class Forms;

class ChangesWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ChangesWindow(Forms& forms);

  // Reads the journal and shows the dialog in front of the windows, the list focused.
  void ShowChanges();
  // The journal's changes, newest first; a journal that cannot be read says so in the list.
  void Refill();
  // Undoes the selected change and every later one, after the questions.
  void Command1_Click();
  // The change number of the selected row; none when no change is selected.
  std::optional<int> SelectedChange() const;

  QLabel* Label1 = nullptr;
  ClassicListBox* List1 = nullptr;
  QPushButton* Command1 = nullptr;  // Undo...
  QPushButton* Command2 = nullptr;  // Close

 private:
  Forms& forms_;
  std::vector<int> numbers_;  // of the rows, in order
};

}  // namespace varnel

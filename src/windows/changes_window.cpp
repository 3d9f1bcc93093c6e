#include "windows/changes_window.h"

#include <QApplication>

#include "session/change_list.h"
#include "windows/ansi_text.h"
#include "windows/classic_list_box.h"
#include "windows/controls.h"
#include "windows/forms_ui.h"
#include "windows/keyboard.h"

namespace varnel {

ChangesWindow::ChangesWindow(Forms& forms) : QDialog(nullptr), forms_(forms) {
  setObjectName("Changes");
  setWindowTitle("Changes");
  setWindowModality(Qt::ApplicationModal);
  setFixedSize(TwipsToPixels(9480), TwipsToPixels(4560));
  Label1 = MakeLabel(this, "The recorded changes, newest first. Undoing one undoes every later one too:", 120, 120,
                     9240, 255);
  List1 = new ClassicListBox(this);
  PlaceTwips(List1, 120, 480, 9240, 3375);
  Command1 = MakeButton(this, "&Undo...", 6600, 4020, 1335, 375);
  Command2 = MakeButton(this, "Close", 8025, 4020, 1335, 375);
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
  connect(List1, &ClassicListBox::DblClick, this, [this] { Command1_Click(); });
  SetTabOrder({List1, Command1, Command2});
}

void ChangesWindow::ShowChanges() {
  Refill();
  // Over the middle of the window it was opened from.
  if (const QWidget* over = QApplication::activeWindow(); over && over != this) {
    move(over->geometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
  List1->setFocus();
}

void ChangesWindow::Refill() {
  List1->Clear();
  numbers_.clear();
  Command1->setEnabled(false);
  std::vector<JournalEntry> entries;
  const Status listed = forms_.session().ListChanges(entries);
  if (!listed.ok()) {
    List1->AddItem("The journal cannot be read: " + listed.message);
    return;
  }
  if (entries.empty()) List1->AddItem("No change is recorded yet.");
  for (const JournalEntry& entry : entries) {
    const std::string line = ChangeLine(entry);
    List1->AddItem(line);
    List1->item(List1->ListCount() - 1)->setToolTip(FromAnsi(line));  // a long line, whole
    numbers_.push_back(entry.number);
  }
  if (!numbers_.empty()) List1->SetListIndex(0);  // Enter undoes the newest, as Ctrl+Z does
  Command1->setEnabled(!numbers_.empty());
}

std::optional<int> ChangesWindow::SelectedChange() const {
  const int row = List1->ListIndex();
  if (row < 0 || row >= static_cast<int>(numbers_.size())) return std::nullopt;
  return numbers_[static_cast<std::size_t>(row)];
}

void ChangesWindow::Command1_Click() {
  const std::optional<int> chosen = SelectedChange();
  if (!chosen) {
    forms_.dialogs().Ok(this, "Choose the change to undo first: it and every later change are undone.");
    return;
  }
  if (forms_.UndoChanges(this, *chosen)) Refill();
  List1->setFocus();
}

}  // namespace varnel

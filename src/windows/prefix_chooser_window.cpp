#include "windows/prefix_chooser_window.h"

#include "windows/classic_list_box.h"
#include "windows/controls.h"
#include "winenv/code_page.h"

namespace varnel {

PrefixChooser::PrefixChooser(std::vector<std::string> paths, const std::vector<std::string>& browsers, QWidget* parent)
    : QDialog(parent), paths_(std::move(paths)) {
  setWindowTitle("Varnel");
  setFixedSize(TwipsToPixels(9480), TwipsToPixels(3240));
  Label1 = MakeLabel(this, "Several Wine prefixes hold a browser. Choose the one to work on (F1: help):", 120, 120,
                     9240, 255);
  List1 = new ClassicListBox(this);
  PlaceTwips(List1, 120, 480, 9240, 1950);
  // The list shows each path as 1252 text; the choice is taken by its row, so no path is altered.
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    const std::string held = i < browsers.size() ? ": " + browsers[i] : "";
    List1->AddItem(AnsiFromUtf8(paths_[i] + held));
  }
  if (!paths_.empty()) List1->SetListIndex(0);
  Command1 = MakeButton(this, "OK", 6720, 2640, 1215, 375);
  Command2 = MakeButton(this, "Cancel", 8145, 2640, 1215, 375);
  Command1->setDefault(true);
  connect(Command1, &QPushButton::clicked, this, [this] {
    if (List1->ListIndex() >= 0) accept();
  });
  connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
  connect(List1, &ClassicListBox::DblClick, this, [this] {
    if (List1->ListIndex() >= 0) accept();
  });
}

std::optional<std::string> PrefixChooser::Chosen() const {
  const int row = List1->ListIndex();
  if (result() != QDialog::Accepted || row < 0 || row >= static_cast<int>(paths_.size())) return std::nullopt;
  return paths_[static_cast<std::size_t>(row)];
}

std::optional<std::string> ChoosePrefixAtStart(const std::vector<std::string>& paths,
                                               const std::vector<std::string>& browsers) {
  PrefixChooser chooser(paths, browsers);
  chooser.exec();
  return chooser.Chosen();
}

}  // namespace varnel

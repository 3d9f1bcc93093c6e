#pragma once
// The small chooser the windows show at start when no prefix is named and several of the Wine
// prefixes found hold a browser: a list of their paths, each with the browsers it holds and its
// default browser (as `varnel prefixes` says them), OK and Cancel. F1 opens the help there too.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;

namespace varnel {

class ClassicListBox;

class PrefixChooser : public QDialog {
  Q_OBJECT

 public:
  // `paths` are native (UTF-8), `browsers` what each holds (none: the paths alone); the first
  // is selected.
  explicit PrefixChooser(std::vector<std::string> paths, const std::vector<std::string>& browsers = {},
                         QWidget* parent = nullptr);

  // The chosen path after an accepted run; nullopt when cancelled.
  std::optional<std::string> Chosen() const;

  QLabel* Label1 = nullptr;
  ClassicListBox* List1 = nullptr;
  QPushButton* Command1 = nullptr;  // OK
  QPushButton* Command2 = nullptr;  // Cancel

 private:
  std::vector<std::string> paths_;
};

// Shows the chooser modally: the path picked, or nullopt when the user cancelled.
std::optional<std::string> ChoosePrefixAtStart(const std::vector<std::string>& paths,
                                               const std::vector<std::string>& browsers);

}  // namespace varnel

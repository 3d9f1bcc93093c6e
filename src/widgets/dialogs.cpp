#include "widgets/dialogs.h"

#include "widgets/message_box.h"

namespace varnel {
namespace {

Dialogs* g_replacement = nullptr;

}  // namespace

Dialogs::~Dialogs() = default;

void QtDialogs::Ok(QWidget* parent, const std::string& ansiText) {
  auto box = MakeMessageBox(parent, MessageText(ansiText), QMessageBox::Ok);
  box->exec();
}

bool QtDialogs::YesNo(QWidget* parent, const std::string& ansiText) {
  auto box = MakeMessageBox(parent, MessageText(ansiText), QMessageBox::Yes | QMessageBox::No);
  return box->exec() == QMessageBox::Yes;
}

void ScriptedDialogs::Ok(QWidget*, const std::string& ansiText) { shown.push_back({false, ansiText}); }

bool ScriptedDialogs::YesNo(QWidget*, const std::string& ansiText) {
  shown.push_back({true, ansiText});
  if (answers.empty()) {
    ++unanswered;
    return false;
  }
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

Dialogs& AppDialogs() {
  static QtDialogs standard;
  return g_replacement ? *g_replacement : standard;
}

void SetAppDialogs(Dialogs* dialogs) { g_replacement = dialogs; }

}  // namespace varnel

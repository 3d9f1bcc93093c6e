#include "windows/dialogs.h"

#include "windows/message_box.h"

namespace varnel {

Dialogs::~Dialogs() = default;

void QtDialogs::Ok(QWidget* parent, const std::string& ansiText) {
  auto box = MakeMessageBox(parent, MessageText(ansiText), QMessageBox::Ok);
  box->exec();
}

bool QtDialogs::YesNo(QWidget* parent, const std::string& ansiText, Answer byDefault) {
  auto box = MakeMessageBox(parent, MessageText(ansiText), QMessageBox::Yes | QMessageBox::No);
  if (byDefault == Answer::No) box->setDefaultButton(QMessageBox::No);
  return box->exec() == QMessageBox::Yes;
}

}  // namespace varnel

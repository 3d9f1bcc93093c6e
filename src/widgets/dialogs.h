#pragma once
// The one message-box service. Windows never open QMessageBox themselves: they call
// AppDialogs(), which tests replace with ScriptedDialogs to script the answers and read the texts.
// Texts are 1252 and shown exactly as given (plain text; blanks kept, CR LF breaks the line).
#include <deque>
#include <string>
#include <vector>

class QWidget;

namespace varnel {

class Dialogs {
 public:
  virtual ~Dialogs();
  // OK only.
  virtual void Ok(QWidget* parent, const std::string& ansiText) = 0;
  // Yes and No; true for Yes.
  virtual bool YesNo(QWidget* parent, const std::string& ansiText) = 0;
};

// Modal message boxes titled "Varnel", without an icon.
class QtDialogs : public Dialogs {
 public:
  void Ok(QWidget* parent, const std::string& ansiText) override;
  bool YesNo(QWidget* parent, const std::string& ansiText) override;
};

// Shows nothing: records each text and answers YesNo from the queue. With the queue empty the
// answer is No, counted in `unanswered` so a test can tell.
class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    bool yesNo;
    std::string text;
  };

  void Ok(QWidget* parent, const std::string& ansiText) override;
  bool YesNo(QWidget* parent, const std::string& ansiText) override;

  std::vector<Shown> shown;
  std::deque<bool> answers;
  int unanswered = 0;
};

// The process-wide service; QtDialogs until replaced. SetAppDialogs(nullptr) restores it.
// The caller keeps ownership of what it sets.
Dialogs& AppDialogs();
void SetAppDialogs(Dialogs* dialogs);

}  // namespace varnel

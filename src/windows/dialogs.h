#pragma once
// The one message-box service. Windows never open QMessageBox themselves: they call the Dialogs
// they were given (through Forms), which tests replace with scripted ones to answer and read.
// Texts are 1252 and shown exactly as given (blanks kept, CR LF breaks the line).
#include <string>

#include "winenv/prompt.h"

class QWidget;

namespace varnel {

class Dialogs {
 public:
  virtual ~Dialogs();
  // OK only.
  virtual void Ok(QWidget* parent, const std::string& ansiText) = 0;
  // Yes and No; true for Yes. `byDefault` is the answer Enter gives: No where Yes would
  // overwrite what the user may want to keep.
  using Answer = Prompt::Answer;
  virtual bool YesNo(QWidget* parent, const std::string& ansiText, Answer byDefault = Answer::Yes) = 0;
};

// Modal message boxes titled "Varnel", without an icon.
class QtDialogs : public Dialogs {
 public:
  void Ok(QWidget* parent, const std::string& ansiText) override;
  bool YesNo(QWidget* parent, const std::string& ansiText, Answer byDefault = Answer::Yes) override;
};

// The core's prompt, answered by these message boxes over one window (nullptr: over none).
class DialogsPrompt : public Prompt {
 public:
  DialogsPrompt(Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}
  void Tell(const std::string& text) override { dialogs_.Ok(parent_, text); }
  bool Ask(const std::string& text, Answer byDefault = Answer::Yes) override {
    return dialogs_.YesNo(parent_, text, byDefault);
  }

 private:
  Dialogs& dialogs_;
  QWidget* parent_;
};

}  // namespace varnel

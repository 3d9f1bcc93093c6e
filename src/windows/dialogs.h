#pragma once
// The one message-box service. Windows never open QMessageBox themselves: they call the Dialogs
// they were given (through Forms), which tests replace with scripted ones to answer and read.
// Texts are 1252 and shown exactly as given (blanks kept, CR LF breaks the line).
#include <string>

class QWidget;

namespace varnel {

class Dialogs {
 public:
  virtual ~Dialogs();
  // OK only.
  virtual void Ok(QWidget* parent, const std::string& ansiText) = 0;
  // Yes and No; true for Yes. `byDefault` is the answer Enter gives: No where Yes would
  // overwrite what the user may want to keep.
  enum class Answer { Yes, No };
  virtual bool YesNo(QWidget* parent, const std::string& ansiText, Answer byDefault = Answer::Yes) = 0;
};

// Modal message boxes titled "Varnel", without an icon.
class QtDialogs : public Dialogs {
 public:
  void Ok(QWidget* parent, const std::string& ansiText) override;
  bool YesNo(QWidget* parent, const std::string& ansiText, Answer byDefault = Answer::Yes) override;
};

}  // namespace varnel

#pragma once
// Message boxes for the window tests: shows nothing, records each text and answers YesNo from
// the queue. With the queue empty the answer is No, counted in `unanswered` so a test can tell.
// `onShow`, when set, sees each text first, while the box would be up.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "windows/dialogs.h"

namespace varnel::test {

class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    bool yesNo;
    std::string text;
    Answer byDefault = Answer::Yes;
  };

  void Ok(QWidget*, const std::string& ansiText) override { Record(false, ansiText); }
  bool YesNo(QWidget*, const std::string& ansiText, Answer byDefault = Answer::Yes) override {
    Record(true, ansiText);
    shown.back().byDefault = byDefault;
    if (answers.empty()) {
      ++unanswered;
      return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  void Record(bool yesNo, const std::string& ansiText) {
    if (onShow) onShow(ansiText);
    shown.push_back({yesNo, ansiText});
  }

  std::vector<Shown> shown;
  std::function<void(const std::string&)> onShow;
  std::deque<bool> answers;
  int unanswered = 0;
};

}  // namespace varnel::test

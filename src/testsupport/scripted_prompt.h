#pragma once
// The core's prompt for the tests: shows nothing, records each text and answers Ask from the
// queue; with the queue empty the answer is No.
// Every text goes to `texts`; when a log is given, each also goes there as "message <text>" or
// "ask <text>", in order with whatever else the test writes to that log.
#include <deque>
#include <string>
#include <vector>

#include "winenv/prompt.h"

namespace varnel::test {

class ScriptedPrompt : public Prompt {
 public:
  ScriptedPrompt() = default;
  explicit ScriptedPrompt(std::vector<std::string>& log) : log_(&log) {}

  void Tell(const std::string& text) override { Record("message ", text); }
  bool Ask(const std::string& text, Answer = Answer::Yes) override {
    Record("ask ", text);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<std::string> texts;  // every text told or asked, in order
  std::deque<bool> answers;

 private:
  void Record(const char* kind, const std::string& text) {
    texts.push_back(text);
    if (log_) log_->push_back(kind + text);
  }
  std::vector<std::string>* log_ = nullptr;
};

}  // namespace varnel::test

#pragma once
// The one way the core talks to the user: it tells a text, or asks a Yes/No question with the
// answer Enter gives. The windows answer through their message boxes; the tests script it.
// Texts are 1252 and shown exactly as given.
#include <string>

namespace varnel {

class Prompt {
 public:
  // The answer Enter gives: No where Yes would overwrite what the user may want to keep.
  enum class Answer { Yes, No };
  virtual ~Prompt() = default;
  // A message with an OK button.
  virtual void Tell(const std::string& text) = 0;
  // Yes and No buttons; true for Yes.
  virtual bool Ask(const std::string& text, Answer byDefault = Answer::Yes) = 0;
};

}  // namespace varnel

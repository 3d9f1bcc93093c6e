#include "winenv/wine_requests.h"

namespace varnel {

bool HasLine(std::string_view output, std::string_view line) {
  for (std::size_t at = output.find(line); at != std::string_view::npos; at = output.find(line, at + 1)) {
    const std::size_t end = at + line.size();
    const bool starts = at == 0 || output[at - 1] == '\n' || output[at - 1] == '\r';
    if (starts && (end == output.size() || output[end] == '\r' || output[end] == '\n')) return true;
  }
  return false;
}

void WineRequests::Begin(ScriptProgram& program, std::chrono::seconds timeout) {
  program_ = &program;
  timeout_ = timeout;
  answered_ = program.output().size();
}

bool WineRequests::Run(std::string_view statements, std::string& output) {
  if (!program_ || program_->exited() || !program_->Hand(requests_ + 1, statements)) return false;
  const int n = ++requests_;
  const std::string done = "varnel done " + std::to_string(n);
  const auto answered = [&](const std::string& all) { return HasLine(std::string_view(all).substr(answered_), done); };
  if (!program_->ReadUntil(answered, std::chrono::steady_clock::now() + timeout_)) {
    // The script ended without taking it, or hangs and is ended now (its writes and checks may
    // safely run twice).
    program_->Finish(std::chrono::steady_clock::now());
    program_->TakeBack(n);
    return false;
  }
  output = program_->output().substr(answered_);
  answered_ = program_->output().size();
  return true;
}

void WineRequests::End(std::chrono::seconds wait) {
  if (!program_) return;
  program_->ReadUntil(nullptr, std::chrono::steady_clock::now());  // has it ended by itself?
  if (program_->exited() || !program_->Hand(++requests_, "end")) return;
  if (wait.count() > 0)
    program_->Finish(std::chrono::steady_clock::now() + wait);
  else
    program_->Abandon();
}

}  // namespace varnel

#pragma once
// The requests of a Wine session to the script that serves them (serve.js): request N is handed
// to the script, which runs it and prints "varnel done N"; the request "end" ends the script. A
// request the script does not answer (it ended, or hangs and is ended) is taken back, and the
// caller runs it as a program of its own. The script is reached only through ScriptProgram, so
// that the protocol can be tried without Wine.
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace varnel {

// The running script as the requests see it.
class ScriptProgram {
 public:
  using Deadline = std::chrono::steady_clock::time_point;
  virtual ~ScriptProgram() = default;
  // Hands the script request `n` (its request file, then a wake); false when it cannot be written.
  virtual bool Hand(int n, std::string_view text) = 0;
  // Takes back request `n`, which the script did not take.
  virtual void TakeBack(int n) = 0;
  // As ChildProgram: reads the output until `done` holds for all of it, the script exits or the
  // deadline passes; whether `done` holds.
  virtual bool ReadUntil(const std::function<bool(const std::string& output)>& done, Deadline deadline) = 0;
  virtual const std::string& output() const = 0;
  virtual bool exited() const = 0;
  virtual void Finish(Deadline deadline) = 0;  // waits for it to end, ending it at the deadline
  virtual void Abandon() = 0;                  // lets it end by itself
};

class WineRequests {
 public:
  // `program` answers requests from now on; the output so far belongs to its start.
  void Begin(ScriptProgram& program, std::chrono::seconds timeout);
  // Has the script run the statements; `output` is what they printed. False when the script has
  // ended, or does not answer in time (then it is ended): the request is taken back, and the
  // caller runs the statements on its own.
  bool Run(std::string_view statements, std::string& output);
  // Hands the script "end", unless it has ended, and waits up to `wait` for it to end, or does
  // not wait (zero).
  void End(std::chrono::seconds wait);

 private:
  ScriptProgram* program_ = nullptr;
  std::chrono::seconds timeout_{0};
  int requests_ = 0;
  std::size_t answered_ = 0;  // the output up to here belongs to earlier requests
};

// Whether the output holds the line, whole.
bool HasLine(std::string_view output, std::string_view line);

}  // namespace varnel

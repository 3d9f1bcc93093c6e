#pragma once
// Running another program from the Windows environment's side: Wine's own tools, without a
// shell, with a bound on the time they may take.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace varnel {

// The environment of a started program: `settings` ("NAME=value"), then every inherited entry
// whose name they do not set, so each name appears once.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& settings, char** inherited);

// A program's argument and environment vectors for execvpe, made before fork: between fork and
// exec only async-signal-safe calls are made, and Exec is one.
class ExecVectors {
 public:
  ExecVectors(const std::vector<std::string>& argv, const std::vector<std::string>& settings);
  // Replaces the (child) process with the program, or ends it with 127 when it cannot start.
  [[noreturn]] void Exec() const;

 private:
  std::vector<std::string> arguments_;
  std::vector<std::string> environment_;
  std::vector<char*> argv_;
  std::vector<char*> envp_;
};

struct ProgramRun {
  bool started = false;
  bool timedOut = false;
  int exitCode = -1;   // -1 when it did not exit by itself
  std::string output;  // what it wrote to its standard output
};

// A program started with its standard output read as it comes (its input and error output are
// /dev/null), in a process group of its own. One still running when this ends is killed, with
// everything it started.
class ChildProgram {
 public:
  using Deadline = std::chrono::steady_clock::time_point;
  ChildProgram() = default;
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  // Starts the program (found on PATH) with the extra environment settings.
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& settings);
  // Reads its output until `done` holds for all read so far, the program exits, or the deadline
  // passes; whether `done` holds.
  bool ReadUntil(const std::function<bool(const std::string& output)>& done, Deadline deadline);
  // Waits for the program to exit (killed at the deadline): what it did.
  ProgramRun Finish(Deadline deadline);
  const std::string& output() const { return output_; }
  bool exited() const { return exited_; }
  // Lets the program end by itself, unwatched.
  void Abandon();

 private:
  void Drain();

  pid_t pid_ = -1;
  int out_ = -1;
  int status_ = 0;
  bool exited_ = false;
  bool abandoned_ = false;  // left to end by itself: not killed at the end
  std::string output_;
};

// Runs a program (found on PATH) with the extra environment settings, waits at most
// `timeoutSeconds` (then kills it and its children), and collects its standard output.
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& settings,
                      int timeoutSeconds);

}  // namespace varnel

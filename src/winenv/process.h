#pragma once
// Running another program from the Windows environment's side: Wine's own tools, without a
// shell, with a bound on the time they may take.
#include <string>
#include <vector>

namespace varnel {

// The environment of a started program: `settings` ("NAME=value"), then every inherited entry
// whose name they do not set, so each name appears once.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& settings, char** inherited);

struct ProgramRun {
  bool started = false;
  bool timedOut = false;
  int exitCode = -1;   // -1 when it did not exit by itself
  std::string output;  // what it wrote to its standard output
};

// Runs a program (found on PATH) with the extra environment settings, waits at most
// `timeoutSeconds` (then kills it and its children), and collects its standard output.
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& settings,
                      int timeoutSeconds);

}  // namespace varnel

// varnel: the command line when a subcommand is given, else the windows. The windows are a
// program of their own (varnel-windows), so that a subcommand never loads the Qt libraries: the
// command line starts in a millisecond or two instead of ten.
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "cli/cli.h"

namespace {

#ifdef VARNEL_WINDOWS_PROGRAM
// The windows program: beside this one in a build folder, else where it is installed.
std::string WindowsProgram() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return VARNEL_WINDOWS_PROGRAM;
  std::string folder(self, static_cast<std::size_t>(length));
  folder.erase(folder.rfind('/') + 1);
  const std::string beside = folder + "varnel-windows";
  if (access(beside.c_str(), X_OK) == 0) return beside;
  return folder + VARNEL_WINDOWS_PROGRAM;
}

// Replaces this process by the windows program with the same arguments (the window system then
// still knows the program as "varnel"); returns only when that fails.
int StartWindows(char** argv) {
  const std::string program = WindowsProgram();
  execv(program.c_str(), argv);
  std::cerr << "varnel: the windows cannot be started: " << program << ": " << std::strerror(errno) << '\n';
  return 1;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const varnel::CommandLine commandLine = varnel::ParseCommandLine(argc, argv);
#ifdef VARNEL_WINDOWS_PROGRAM
  if (varnel::WantsWindows(commandLine)) return StartWindows(argv);
#endif
  const varnel::Terminals terminals{isatty(STDOUT_FILENO) == 1, isatty(STDERR_FILENO) == 1};
  return varnel::RunCommand(commandLine, varnel::ProcessEnvironment(), std::cout, std::cerr, terminals);
}

// varnel-windows: the windows, which varnel starts when no subcommand is given. Started by
// itself with a subcommand, it runs the command as varnel does.
#include <unistd.h>

#include <iostream>

#include "cli/cli.h"
#include "windows/forms_ui.h"

int main(int argc, char** argv) {
  const varnel::CommandLine commandLine = varnel::ParseCommandLine(argc, argv);
  if (varnel::WantsWindows(commandLine)) return varnel::RunWindows(argc, argv, commandLine.prefix);
  const varnel::Terminals terminals{isatty(STDOUT_FILENO) == 1, isatty(STDERR_FILENO) == 1};
  return varnel::RunCommand(commandLine, varnel::ProcessEnvironment(), std::cout, std::cerr, terminals);
}

// varnel: the windows by default, the command line when a subcommand is given.
#include <unistd.h>

#include <iostream>

#include "cli/cli.h"
#ifdef VARNEL_WITH_UI
#include "windows/forms_ui.h"
#endif

int main(int argc, char** argv) {
  varnel::CommandLine commandLine = varnel::ParseCommandLine(argc, argv);
#ifdef VARNEL_WITH_UI
  bool wantsWindows =
      commandLine.words.empty() && !commandLine.help && !commandLine.version && commandLine.usageError.empty();
  if (wantsWindows) return varnel::RunWindows(argc, argv, commandLine.prefix);
#endif
  const varnel::Terminals terminals{isatty(STDOUT_FILENO) == 1, isatty(STDERR_FILENO) == 1};
  return varnel::RunCommand(commandLine, varnel::ProcessEnvironment(), std::cout, std::cerr, terminals);
}

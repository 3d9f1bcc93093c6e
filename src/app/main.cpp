// varnel: the windows by default, the command line when a subcommand is given.
#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
  varnel::CommandLine commandLine = varnel::ParseCommandLine(argc, argv);
  return varnel::RunCommand(commandLine, varnel::ProcessEnvironment(), std::cout, std::cerr);
}

// varnel: the windows by default, the command line when a subcommand is given.
#include "cli/cli.h"

int main(int argc, char** argv) {
  return varnel::RunCommandLine(argc, argv);
}

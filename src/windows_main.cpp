// varnel-windows: the windows, which varnel starts (with its own arguments) when no subcommand
// is given; only --prefix counts here.
#include "cli/cli.h"
#include "windows/forms_ui.h"

int main(int argc, char** argv) { return varnel::RunWindows(argc, argv, varnel::ParseCommandLine(argc, argv).prefix); }

#pragma once
// The command line: global options, the subcommands, and the prefix they work on.
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/prefix.h"
#include "winenv/registry.h"
#include "winenv/status.h"

namespace varnel {

struct CommandLine {
  std::optional<std::string> prefix;  // --prefix DIR
  bool help = false;
  bool version = false;
  std::vector<std::string> words;  // the subcommand and its arguments; empty: the windows
  std::string usageError;
};

CommandLine ParseCommandLine(int argc, char** argv);
// No subcommand, no --help, no --version and no usage error: the windows are wanted.
bool WantsWindows(const CommandLine& commandLine);

// Whether stdout and stderr are terminals (main asks isatty); entries' control characters are
// then shown escaped.
struct Terminals {
  bool out = false;
  bool err = false;
};

// Runs --help, --version or a subcommand. Exit code: 0 done, 1 failed, 2 usage error.
int RunCommand(const CommandLine& commandLine, const EnvLookup& env, std::ostream& out, std::ostream& err,
               Terminals terminals = {});

std::string HelpText();
// Every subcommand's name, in the order --help lists them.
std::vector<std::string_view> SubcommandNames();

}  // namespace varnel

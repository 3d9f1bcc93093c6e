#pragma once
// The subcommands. Each is a thin caller of core operations; text arguments arrive as UTF-8
// and are handed to the core as 1252, and output goes back as UTF-8.
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/output_writer.h"
#include "session/session.h"
#include "winenv/drive_map.h"
#include "winenv/prefix.h"
#include "winenv/registry.h"

namespace varnel {

struct CommandLine;

struct CommandContext {
  Session& session;
  std::ostream& out;
  std::ostream& err;
  std::vector<std::string> args;  // after the subcommand's name
  bool json = false;              // --json given
  // Whether stdout and stderr are terminals: entries' control characters are then shown escaped.
  bool outIsTerminal = false;
  bool errIsTerminal = false;
};

int SettingsCommand(CommandContext& context);
int DefaultBrowserCommand(CommandContext& context);
int OpenCommand(CommandContext& context);
int BookmarksCommand(CommandContext& context);
int FavoritesCommand(CommandContext& context);
int BookmarkToFavoriteCommand(CommandContext& context);
int FavoriteToBookmarkCommand(CommandContext& context);
int ImportFavoritesCommand(CommandContext& context);
int ExportBookmarksCommand(CommandContext& context);
// prefixes [--json]: every Wine prefix found, run before any prefix is opened.
int PrefixesCommand(const CommandLine& commandLine, const EnvLookup& env, std::ostream& out, std::ostream& err,
                    Terminals terminals);
int ChangesCommand(CommandContext& context);
int UndoCommand(CommandContext& context);

// The profile directory (--profile, else NetLAU) and the favorites directory (--dir, else IEfav,
// else the standard one). False, with the reason on stderr, when there is none.
bool ResolveProfile(CommandContext& context, std::string& profile);
bool ResolveFavoritesDirectory(CommandContext& context, std::string& directory);

// Output helpers shared by the subcommands; what they print goes through an OutputWriter
// (cli/output_writer.h) made by Output().
OutputWriter Output(CommandContext& context);
// An entry's text (1252) inside a message for stderr: UTF-8, control characters escaped when
// stderr is a terminal.
std::string ForErr(const CommandContext& context, std::string_view ansi);
// Reads the subcommand's options, "NAME VALUE" or "NAME=VALUE" (1252 from the terminal, or kept
// as UTF-8 where the option or the operands say so), into their values, a flag (an option with
// `flag` instead of `value`) into its bool, and the other words into `operands`, exactly
// `operandCount` of them (or at least that many). Anything else is a usage error, said on
// stderr: false.
enum class ArgumentText { CodePage, Utf8 };
struct CommandOption {
  std::string_view name;
  std::string* value;
  bool* flag = nullptr;
  ArgumentText text = ArgumentText::CodePage;
};
enum class OperandCount { Exactly, AtLeast };
bool ParseOptions(CommandContext& context, const std::vector<CommandOption>& options,
                  std::vector<std::string>* operands = nullptr, std::size_t operandCount = 0,
                  OperandCount countIs = OperandCount::Exactly, ArgumentText operandText = ArgumentText::CodePage);
// Says on stderr that the registry was written through a running Wine (which then holds it).
void SayIfWrittenThroughWine(CommandContext& context);

}  // namespace varnel

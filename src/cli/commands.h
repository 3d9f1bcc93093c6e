#pragma once
// The subcommands. Each is a thin caller of core operations; text arguments arrive as UTF-8
// and are handed to the core as 1252, and output goes back as UTF-8.
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal.h"
#include "winenv/drive_map.h"
#include "winenv/registry.h"

namespace varnel {

struct CommandContext {
  Registry& registry;
  DriveMap& drives;
  std::ostream& out;
  std::ostream& err;
  std::vector<std::string> args;  // after the subcommand's name
  bool json = false;              // --json given
  Journal* journal = nullptr;     // where changes are recorded for undo; none: not recorded
};

int SettingsCommand(CommandContext& context);
int DefaultBrowserCommand(CommandContext& context);
int OpenCommand(CommandContext& context);
int BookmarksCommand(CommandContext& context);
int FavoritesCommand(CommandContext& context);
int BookmarkToFavoriteCommand(CommandContext& context);
int FavoriteToBookmarkCommand(CommandContext& context);
int ChangesCommand(CommandContext& context);
int UndoCommand(CommandContext& context);

// The profile directory (--profile, else NetLAU) and the favorites directory (--dir, else IEfav,
// else the standard one). False, with the reason on stderr, when there is none.
bool ResolveProfile(CommandContext& context, std::string& profile);
bool ResolveFavoritesDirectory(CommandContext& context, std::string& directory);

// Output helpers shared by the subcommands.
std::string ForTerminal(const std::string& ansi);   // 1252 -> UTF-8
std::string FromTerminal(const std::string& utf8);  // UTF-8 -> 1252
std::string JsonString(const std::string& ansi);    // a quoted, escaped JSON string
// Reads the subcommand's options, "NAME VALUE" or "NAME=VALUE" (1252 from the terminal), into
// their values, and the other words into `operands`, exactly `operandCount` of them. Anything
// else is a usage error, said on stderr: false.
struct CommandOption {
  std::string_view name;
  std::string* value;
};
bool ParseOptions(CommandContext& context, const std::vector<CommandOption>& options,
                  std::vector<std::string>* operands = nullptr, std::size_t operandCount = 0);
// Says on stderr that the registry was written through a running Wine (which then holds it).
void SayIfWrittenThroughWine(CommandContext& context);

}  // namespace varnel

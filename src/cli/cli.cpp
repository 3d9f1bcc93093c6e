#include "cli/cli.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <string_view>

#include "cli/commands.h"
#include "cli/history_command.h"
#include "session/open_session.h"
#include "winenv/drive_map.h"
#include "winenv/registry.h"

namespace varnel {

namespace {

struct Subcommand {
  std::string_view name;
  std::function<int(CommandContext&)> run;
  // The hives it reads (the settings, and the classes, are in the machine's hive), checked
  // before it runs; no other hive file is read.
  std::vector<Hive> reads;
  // Instead of `run`: a command about the machine's prefixes, run before any is opened (so it
  // lays none out and needs none chosen).
  std::function<int(const CommandLine&, const EnvLookup&, std::ostream&, std::ostream&, Terminals)> runWithoutPrefix =
      nullptr;
};

const std::vector<Subcommand>& Subcommands() {
  const Hive machine = Hive::LocalMachine;
  static const std::vector<Subcommand> table = {
      {"settings", SettingsCommand, {machine}},
      {"default-browser", DefaultBrowserCommand, {machine}},
      {"open", OpenCommand, {}},
      {"history", HistoryCommand, {machine, Hive::CurrentUser}},
      {"bookmarks", BookmarksCommand, {machine}},
      {"favorites", FavoritesCommand, {machine}},
      {"bookmark-to-favorite", BookmarkToFavoriteCommand, {machine}},
      {"favorite-to-bookmark", FavoriteToBookmarkCommand, {machine}},
      {"prefixes", nullptr, {}, PrefixesCommand},
      {"import-favorites", ImportFavoritesCommand, {machine}},
      {"export-bookmarks", ExportBookmarksCommand, {machine}},
      {"changes", ChangesCommand, {}},
      {"undo", UndoCommand, {machine, Hive::CurrentUser}},
  };
  return table;
}

}  // namespace

std::vector<std::string_view> SubcommandNames() {
  std::vector<std::string_view> names;
  for (const Subcommand& command : Subcommands()) names.push_back(command.name);
  return names;
}

std::string HelpText() {
  return "Usage:\n"
         "  varnel [--prefix DIR]                                  open the main window\n"
         "  varnel [--prefix DIR] settings [NAME [VALUE]]          show or set NetPath, IEPath, NetLAU, IEfav\n"
         "  varnel [--prefix DIR] default-browser [ie|netscape]    show, or switch, the default browser\n"
         "  varnel [--prefix DIR] open ADDRESS                     open an address as the windows do\n"
         "  varnel [--prefix DIR] history [--profile WINPATH]      list both typed-address histories\n"
         "  varnel [--prefix DIR] history remove netscape|ie ADDRESS... [--profile WINPATH] [--dry-run]\n"
         "                                                         delete addresses from a history and save it\n"
         "  varnel [--prefix DIR] history clear netscape|ie|both [--profile WINPATH] [--dry-run]\n"
         "                                                         empty one or both histories and save them\n"
         "  varnel [--prefix DIR] bookmarks [--profile WINPATH]    print a profile's bookmark tree\n"
         "  varnel [--prefix DIR] favorites [--dir WINPATH]        list favorites and their addresses\n"
         "  varnel [--prefix DIR] bookmark-to-favorite TITLE [--folder PATH] [--profile WINPATH] [--dir WINPATH]\n"
         "                                                         copy a bookmark into the favorites\n"
         "  varnel [--prefix DIR] favorite-to-bookmark FILE [--dir WINPATH] [--profile WINPATH]\n"
         "                                                         add a favorite to bookmark.htm\n"
         "  varnel [--prefix DIR] prefixes                         list the Wine prefixes and their browsers\n"
         "  varnel [--prefix DIR] import-favorites [--dir WINPATH] [--profile WINPATH] [--dry-run]\n"
         "                                                         every favorite, folders too, into bookmark.htm\n"
         "  varnel [--prefix DIR] export-bookmarks [--profile WINPATH] [--dir WINPATH] [--dry-run]\n"
         "                                                         every bookmark, folders too, into the favorites\n"
         "  varnel [--prefix DIR] changes                          list the recorded changes, newest first\n"
         "  varnel [--prefix DIR] undo [N] [--dry-run] [--force]   undo the newest change, or change N and\n"
         "                                                         every later one\n"
         "  varnel --help | --version\n"
         "\n"
         "Options:\n"
         "  --prefix DIR   the Wine prefix to work on (default: $WINEPREFIX, else ~/.wine when it\n"
         "                 exists, else the only prefix found that holds a browser, else Varnel's\n"
         "                 own prefix under $XDG_DATA_HOME/varnel/prefix)\n"
         "  --json         machine-readable output, where a subcommand prints data\n"
         "  --dry-run      history remove and clear: print what would be removed, write nothing;\n"
         "                 import-favorites, export-bookmarks: say what would be added, write nothing\n"
         "  --force        (undo) undo even what was changed again since Varnel wrote it\n"
         "  --folder PATH  (bookmark-to-favorite) the folder of the bookmark when several bear the\n"
         "                 title: the folder names from the top joined with /, as bookmarks prints them\n"
         "\n"
         "A Netscape ADDRESS is the address inside an item that history prints (\"http://a/\"); stands\n"
         "for http://a/), an Internet Explorer ADDRESS the typed address as printed. On a terminal,\n"
         "control characters in entries are shown as \\xHH.\n"
         "import-favorites and export-bookmarks add only what is not there yet (a second run adds\n"
         "nothing) and change all or nothing; they exit with 3 when some entries were refused.\n"
         "Every change Varnel makes is recorded first, with the state it replaces, in\n"
         "$XDG_STATE_HOME/varnel/ (default ~/.local/state/varnel/), the newest 200 changes or 50 MB;\n"
         "undo --dry-run says what would be undone and changes nothing.\n";
}

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine result;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (!result.words.empty()) {
      result.words.push_back(arg);
    } else if (arg == "--help" || arg == "-h") {
      result.help = true;
    } else if (arg == "--version") {
      result.version = true;
    } else if (arg == "--prefix") {
      if (i + 1 >= argc) {
        result.usageError = "--prefix needs a directory";
        return result;
      }
      result.prefix = argv[++i];
    } else if (arg.rfind("--prefix=", 0) == 0) {
      result.prefix = arg.substr(9);
    } else if (arg.rfind("-", 0) == 0 && arg != "-") {
      result.usageError = "unknown option " + arg;
      return result;
    } else {
      result.words.push_back(arg);
    }
  }
  return result;
}

bool WantsWindows(const CommandLine& commandLine) {
  return commandLine.words.empty() && !commandLine.help && !commandLine.version && commandLine.usageError.empty();
}

int RunCommand(const CommandLine& commandLine, const EnvLookup& env, std::ostream& out, std::ostream& err,
               Terminals terminals) {
  if (!commandLine.usageError.empty()) {
    err << "varnel: " << commandLine.usageError << "\n" << HelpText();
    return 2;
  }
  if (commandLine.help) {
    out << HelpText();
    return 0;
  }
  if (commandLine.version) {
    out << "varnel " << VARNEL_VERSION << "\n";
    return 0;
  }
  const std::string name = commandLine.words.empty() ? "settings" : commandLine.words.front();
  auto it =
      std::find_if(Subcommands().begin(), Subcommands().end(), [&](const Subcommand& s) { return s.name == name; });
  if (it == Subcommands().end()) {
    err << "varnel: unknown subcommand '" << name << "' (see varnel --help)\n";
    return 2;
  }

  if (it->runWithoutPrefix) return it->runWithoutPrefix(commandLine, env, out, err, terminals);

  OpenedPrefix prefix;
  const Status opened = OpenPrefixChecked(commandLine.prefix, env, it->reads, prefix);
  if (!prefix.choices.empty()) {
    err << "varnel: " << opened.message << "\n";
    return 2;
  }
  for (const std::string& note : PrefixNotes(prefix)) err << "varnel: " << note << "\n";
  if (!opened.ok()) {
    err << "varnel: cannot use the prefix " << prefix.location.path << ": " << opened.message << "\n";
    return 1;
  }
  std::string latestNote;
  const std::unique_ptr<Session> session = OpenSession(prefix, env, !it->reads.empty(), latestNote);
  session->SetChangeReporter(
      [&err, &terminals](const std::string& text) { err << TerminalText(text, terminals.err) << "\n"; });
  if (!latestNote.empty()) err << "varnel: " << TerminalText(latestNote, terminals.err) << "\n";
  CommandContext context{*session, out, err, {}, false, terminals.out, terminals.err};
  for (std::size_t i = 1; i < commandLine.words.size(); ++i) {
    if (commandLine.words[i] == "--json")
      context.json = true;
    else
      context.args.push_back(commandLine.words[i]);
  }
  return it->run(context);
}

}  // namespace varnel

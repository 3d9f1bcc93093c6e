#include <algorithm>
#include <ostream>

#include "bookmarks/favorites.h"
#include "cli/commands.h"
#include "settings/settings.h"
#include "winenv/code_page.h"

namespace varnel {

OutputWriter Output(CommandContext& c) { return OutputWriter(c.out, c.outIsTerminal); }

std::string ForErr(const CommandContext& c, std::string_view ansi) { return TerminalText(ansi, c.errIsTerminal); }

namespace {

bool UsageError(CommandContext& c, const std::vector<CommandOption>& options) {
  c.err << "varnel: unexpected arguments; the options here are";
  for (const CommandOption& o : options) c.err << " " << o.name << (o.flag ? "" : " WINPATH");
  c.err << " (and --json); see varnel --help\n";
  return false;
}

}  // namespace

bool ParseOptions(CommandContext& c, const std::vector<CommandOption>& options, std::vector<std::string>* operands,
                  std::size_t operandCount, OperandCount countIs, ArgumentText operandText) {
  const auto converted = [](const std::string& utf8, ArgumentText text) {
    return text == ArgumentText::Utf8 ? utf8 : AnsiFromUtf8(utf8);
  };
  std::vector<std::string> words;
  for (std::size_t i = 0; i < c.args.size(); ++i) {
    const std::string& arg = c.args[i];
    const auto option = std::find_if(options.begin(), options.end(), [&](const CommandOption& o) {
      return arg == o.name || arg.rfind(std::string(o.name) + "=", 0) == 0;
    });
    if (option == options.end()) {
      words.push_back(converted(arg, operandText));
    } else if (option->flag) {
      if (arg.size() > option->name.size()) return UsageError(c, options);
      *option->flag = true;
    } else if (arg.size() > option->name.size()) {
      *option->value = converted(arg.substr(option->name.size() + 1), option->text);
    } else if (i + 1 < c.args.size()) {
      *option->value = converted(c.args[++i], option->text);
    } else {
      c.err << "varnel: " << option->name << " needs a value\n";
      return false;
    }
  }
  const bool operandsFit = !operands                          ? words.empty()
                           : countIs == OperandCount::AtLeast ? words.size() >= operandCount
                                                              : words.size() == operandCount;
  if (!operandsFit ||
      std::any_of(words.begin(), words.end(), [](const std::string& w) { return w.starts_with("--"); })) {
    return UsageError(c, options);
  }
  if (operands) *operands = std::move(words);
  return true;
}

bool ResolveProfile(CommandContext& c, std::string& profile) {
  if (profile.empty()) profile = c.session.Setting(Setting::NetLAU);
  if (!profile.empty()) {
    c.session.SetProfileDirectory(profile);
    return true;
  }
  c.err << "varnel: no Netscape profile directory: give --profile WINPATH or set NetLAU "
           "(varnel settings NetLAU WINPATH)\n";
  return false;
}

bool ResolveFavoritesDirectory(CommandContext& c, std::string& directory) {
  if (directory.empty()) directory = c.session.Setting(Setting::IEfav);
  if (directory.empty()) directory = kStandardFavoritesDirectory;
  if (c.session.folders().IsDirectory(directory)) {
    c.session.SetFavoritesDirectory(directory);
    return true;
  }
  c.err << "varnel: the favorites directory " << ForErr(c, directory) << " does not exist\n";
  return false;
}

void SayIfWrittenThroughWine(CommandContext& context) {
  if (context.session.WroteThroughWine()) {
    context.err << "varnel: Wine is running in this prefix, so the change was made through Wine (wine regedit) "
                   "and read back from it\n";
  }
}

}  // namespace varnel

#include <cstdio>
#include <ostream>

#include "cli/commands.h"
#include "settings/registry_access.h"
#include "winenv/code_page.h"

namespace varnel {

std::string ForTerminal(const std::string& ansi) { return Utf8FromAnsi(ansi); }

std::string FromTerminal(const std::string& utf8) { return AnsiFromUtf8(utf8); }

std::string JsonString(const std::string& ansi) {
  std::string out = "\"";
  for (char c : Utf8FromAnsi(ansi)) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

bool ParseOneOption(CommandContext& c, std::string_view name, std::string& value) {
  const std::string option(name);
  for (std::size_t i = 0; i < c.args.size(); ++i) {
    const std::string& arg = c.args[i];
    if (arg == option && i + 1 < c.args.size()) {
      value = FromTerminal(c.args[++i]);
    } else if (arg.rfind(option + "=", 0) == 0) {
      value = FromTerminal(arg.substr(option.size() + 1));
    } else {
      c.err << "varnel: this subcommand takes only " << option << " WINPATH (and --json)\n";
      return false;
    }
  }
  return true;
}

void WarnIfWineRunning(CommandContext& context) {
  if (context.registry.WineServerRunning()) {
    context.err << "varnel: warning: " << kWineRunningWarning << " (wineserver -k stops it)\n";
  }
}

}  // namespace varnel

#include <ostream>

#include "cli/commands.h"
#include "journal/journalled_writes.h"
#include "settings/settings.h"

namespace varnel {

namespace {

int PrintAll(CommandContext& c) {
  if (c.json) {
    c.out << "{";
    const char* separator = "";
    for (Setting s : kAllSettings) {
      c.out << separator << "\"" << SettingName(s) << "\": " << JsonString(ReadSetting(c.registry, s));
      separator = ", ";
    }
    c.out << "}\n";
    return 0;
  }
  for (Setting s : kAllSettings) c.out << SettingName(s) << "=" << ForTerminal(ReadSetting(c.registry, s)) << "\n";
  return 0;
}

}  // namespace

// settings                 print all four settings, NAME=VALUE a line
// settings NAME            print one setting's value
// settings NAME VALUE      store a value ("" clears it)
int SettingsCommand(CommandContext& c) {
  if (c.args.empty()) return PrintAll(c);
  std::optional<Setting> setting = SettingByName(c.args[0]);
  if (!setting) {
    c.err << "varnel: unknown setting '" << c.args[0] << "' (the settings are NetPath, IEPath, NetLAU and IEfav)\n";
    return 2;
  }
  if (c.args.size() > 2) {
    c.err << "varnel: settings takes at most a name and a value\n";
    return 2;
  }
  if (c.args.size() == 1) {
    std::string value = ReadSetting(c.registry, *setting);
    c.out << (c.json ? JsonString(value) : ForTerminal(value)) << "\n";
    return 0;
  }
  const Status stored = WriteSettingRecorded(c.journal, c.registry, *setting, FromTerminal(c.args[1]));
  if (!stored.ok()) {
    c.err << "varnel: could not store " << SettingName(*setting) << ": " << ForTerminal(stored.message) << "\n";
    return 1;
  }
  SayIfWrittenThroughWine(c);
  return 0;
}

}  // namespace varnel

#include <ostream>

#include "cli/commands.h"
#include "session/journalled_writes.h"
#include "settings/settings.h"
#include "winenv/code_page.h"

namespace varnel {

namespace {

int PrintAll(CommandContext& c) {
  OutputWriter w = Output(c);
  if (c.json) {
    w.Raw("{");
    const char* separator = "";
    for (Setting s : kAllSettings) {
      w.Raw(separator).Raw("\"").Raw(SettingName(s)).Raw("\": ").Json(c.session.Setting(s));
      separator = ", ";
    }
    w.Raw("}\n");
    return 0;
  }
  for (Setting s : kAllSettings) w.Raw(SettingName(s)).Raw("=").Text(c.session.Setting(s)).Raw("\n");
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
    const std::string value = c.session.Setting(*setting);
    OutputWriter w = Output(c);
    if (c.json)
      w.Json(value);
    else
      w.Text(value);
    w.Raw("\n");
    return 0;
  }
  const Status stored = c.session.SetSetting(*setting, AnsiFromUtf8(c.args[1]));
  if (!stored.ok()) {
    c.err << "varnel: could not store " << SettingName(*setting) << ": " << ForErr(c, stored.message) << "\n";
    return 1;
  }
  SayIfWrittenThroughWine(c);
  return 0;
}

}  // namespace varnel

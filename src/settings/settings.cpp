#include "settings/settings.h"

#include "settings/registry_access.h"
#include "winenv/code_page.h"

namespace varnel {

std::string_view SettingName(Setting setting) {
  switch (setting) {
    case Setting::NetPath: return "NetPath";
    case Setting::IEPath: return "IEPath";
    case Setting::NetLAU: return "NetLAU";
    case Setting::IEfav: return "IEfav";
  }
  return "";
}

std::string SettingKey(Setting setting) { return "Software\\Varnel\\" + std::string(SettingName(setting)); }

std::optional<Setting> SettingByName(std::string_view name) {
  for (Setting s : kAllSettings) {
    if (EqualNoCaseAnsi(SettingName(s), name)) return s;
  }
  return std::nullopt;
}

std::string ReadSetting(Registry& registry, Setting setting) {
  return ReadRegistryString(registry, Hive::LocalMachine, SettingKey(setting), "", "");
}

Status StoreRememberedDirectories(Registry& registry, const std::string& profileDirectory,
                                  const std::optional<std::string>& favoritesDirectory) {
  Registry::Batch batch(registry);
  if (favoritesDirectory) {
    const Status stored = WriteSetting(registry, Setting::IEfav, *favoritesDirectory);
    if (!stored.ok()) return stored;
  }
  const Status stored = WriteSetting(registry, Setting::NetLAU, profileDirectory);
  return stored.ok() ? batch.Commit() : stored;
}

Status WriteSetting(Registry& registry, Setting setting, std::string_view value) {
  return WriteRegistryString(registry, Hive::LocalMachine, SettingKey(setting), "", value);
}

}  // namespace varnel

#include "winenv/registry_edit.h"

#include <utility>

#include "winenv/code_page.h"

namespace varnel {

std::u16string KeyInHive(Hive hive, std::string_view keyPath) {
  while (!keyPath.empty() && keyPath.front() == '\\') keyPath.remove_prefix(1);
  while (!keyPath.empty() && keyPath.back() == '\\') keyPath.remove_suffix(1);
  std::u16string key = Utf16FromAnsi(keyPath);
  if (hive == Hive::ClassesRoot) return key.empty() ? u"Software\\Classes" : u"Software\\Classes\\" + key;
  return key;
}

RegistryLocation RegistryLocation::Of(Hive hive, std::string_view keyPath, std::string_view name) {
  const Hive file = hive == Hive::CurrentUser ? Hive::CurrentUser : Hive::LocalMachine;
  return {file, KeyInHive(hive, keyPath), Utf16FromAnsi(name)};
}

bool RegistryLocation::SameAs(const RegistryLocation& other) const {
  return hive == other.hive && EqualNoCase(key, other.key) && EqualNoCase(name, other.name);
}

RegistryEdit RegistryEdit::SetValue(Hive hive, std::string_view keyPath, std::string_view name, RegValue value) {
  return {Kind::SetValue, RegistryLocation::Of(hive, keyPath, name), std::move(value)};
}

RegistryEdit RegistryEdit::DeleteValue(Hive hive, std::string_view keyPath, std::string_view name) {
  return {Kind::DeleteValue, RegistryLocation::Of(hive, keyPath, name), std::nullopt};
}

RegistryEdit RegistryEdit::DeleteKey(Hive hive, std::string_view keyPath) {
  return {Kind::DeleteKey, RegistryLocation::Of(hive, keyPath, ""), std::nullopt};
}

RegistryEdit RegistryEdit::Leaving(Hive hive, std::string_view keyPath, std::string_view name,
                                   std::optional<RegValue> value) {
  if (value) return SetValue(hive, keyPath, name, std::move(*value));
  return DeleteValue(hive, keyPath, name);
}

bool RegistryEdit::ApplyTo(HiveFile& file, std::int64_t now) const {
  switch (kind) {
    case Kind::SetValue: file.SetValue(at.key, at.name, *value, now); return true;
    case Kind::DeleteValue: file.DeleteValue(at.key, at.name, now); return true;
    case Kind::DeleteKey: break;
  }
  return file.DeleteKey(at.key);
}

}  // namespace varnel

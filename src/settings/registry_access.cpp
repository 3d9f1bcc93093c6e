#include "settings/registry_access.h"

#include "winenv/code_page.h"

namespace varnel {

namespace {

// The text of UTF-16LE string data up to its first NUL (or all of it when there is none).
std::u16string TextBeforeNul(const std::vector<std::uint8_t>& data) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

}  // namespace

std::string ReadRegistryString(Registry& registry, Hive hive, std::string_view keyPath, std::string_view valueName,
                               std::string_view defaultText) {
  return StringOfValue(registry.QueryValue(hive, keyPath, valueName), defaultText);
}

std::string StringOfValue(const std::optional<RegValue>& value, std::string_view defaultText) {
  if (!value || value->type != kRegSz) return std::string(defaultText);
  return AnsiFromUtf16(TextBeforeNul(value->data));
}

Status WriteRegistryString(Registry& registry, Hive hive, std::string_view keyPath, std::string_view valueName,
                           std::string_view text) {
  return registry.SetValue(hive, keyPath, valueName, RegValue::String(Utf16FromAnsi(text)));
}

Status DeleteRegistryKey(Registry& registry, Hive hive, std::string_view keyPath) {
  return registry.DeleteKey(hive, keyPath);
}

}  // namespace varnel

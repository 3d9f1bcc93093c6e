#include "history/typed_urls.h"

#include <algorithm>

#include "settings/registry_access.h"

namespace varnel {

std::string TypedUrlValueName(std::size_t number) { return "url" + std::to_string(number); }

std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

void ReadTypedUrls(Registry& registry, const TypedUrlSink& onItem) {
  for (std::size_t n = 1;; ++n) {
    std::string item = ReadRegistryString(registry, Hive::CurrentUser, kTypedUrlsKey, TypedUrlValueName(n), "");
    if (item.empty()) return;
    onItem(item);
  }
}

Status WriteTypedUrls(Registry& registry, const std::vector<std::string>& items) {
  Registry::Batch batch(registry);
  Status committed = DeleteRegistryKey(registry, Hive::CurrentUser, kTypedUrlsKey);
  if (committed.code == errc::kFileNotFound) committed = Status::Ok();  // none there yet is no failure
  const std::size_t count = std::min(items.size(), kMaxTypedUrls);
  for (std::size_t i = 0; i < count && committed.ok(); ++i) {
    committed =
        WriteRegistryString(registry, Hive::CurrentUser, kTypedUrlsKey, TypedUrlValueName(i + 1), TrimBlanks(items[i]));
  }
  if (committed.ok()) committed = batch.Commit();  // uncommitted, the batch saves nothing
  if (committed.ok()) return committed;
  return Status::Error(committed.code, "The typed addresses could not be saved: " + committed.message);
}

}  // namespace varnel

#include "app/open_prefix.h"

#include <filesystem>

namespace varnel {
namespace {

// A folder that is empty, or missing inside a folder that exists: a prefix not made yet.
bool NotMadeYet(const std::string& path) {
  std::error_code error;
  const std::filesystem::path folder(path);
  if (!std::filesystem::exists(folder, error)) {
    return !error && std::filesystem::is_directory(folder.parent_path(), error);
  }
  return std::filesystem::is_directory(folder, error) && std::filesystem::is_empty(folder, error) && !error;
}

}  // namespace

Status OpenPrefix(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env, PrefixLocation& chosen,
                  std::unique_ptr<Registry>& registry, bool& laidOut) {
  chosen = ChoosePrefix(commandLinePrefix, env);
  laidOut = !chosen.own && NotMadeYet(chosen.path);
  if (chosen.own || laidOut) {
    Status created = CreatePrefixLayout(chosen.path);
    if (!created.ok()) return created;
  }
  Status usable = CheckPrefixDirectory(chosen.path);
  if (!usable.ok()) return usable;
  registry = std::make_unique<Registry>(chosen.path);
  return Status::Ok();
}

}  // namespace varnel

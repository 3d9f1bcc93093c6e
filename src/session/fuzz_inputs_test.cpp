#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "fuzz/bookmark_input.h"
#include "fuzz/winenv_inputs.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

// Every input a fuzz target kept (seeds, and any crash it once found) still passes that
// target's checks.
TEST(FuzzInputs, EveryKeptInputPassesItsTargetsChecks) {
  const std::map<std::string, std::function<void(std::string_view)>> targets = {
      {"bookmarks", fuzz::ReadBookmarkInput},   {"hive", fuzz::ReadHiveInput},
      {"text_lines", fuzz::ReadTextLinesInput}, {"code_page", fuzz::ConvertCodePageInput},
      {"prefs", fuzz::ReadPrefsLineInput},      {"wine_output", fuzz::ReadWineOutputInput}};
  for (const auto& [name, check] : targets) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(test::CorpusPath("fuzz/" + name))) {
      SCOPED_TRACE(entry.path().string());
      check(test::ReadFile(entry.path().string()));
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << name;
  }
}

}  // namespace
}  // namespace varnel

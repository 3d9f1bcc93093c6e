#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/bookmark_input.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

// Every input the bookmark fuzz target kept (crashes it found, and seeds) still reads cleanly.
TEST(BookmarkFuzzInputs, AllReadWithTheTreesPromisesKept) {
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(test::CorpusPath("fuzz/bookmarks"))) {
    SCOPED_TRACE(entry.path().string());
    fuzz::ReadBookmarkInput(test::ReadFile(entry.path().string()));
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace varnel

// Two runs of `varnel undo` started together, twenty times: each undo undoes a change no other
// undo has undone, and the setting ends as the newest record says.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "settings/settings.h"
#include "testsupport/run_varnel.h"
#include "testsupport/temp_dir.h"
#include "winenv/process.h"

namespace varnel {
namespace {

TEST(ConcurrentUndo, TwoUndosAtOnceNeverUndoTheSameChange) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    test::TempPrefix prefix;
    test::TempDir state;
    const auto run = [&](std::vector<std::string> words) { return test::RunVarnel(prefix.path(), state.path(), words); };
    ASSERT_EQ(run({"settings", "NetLAU", "c:\\new"}).first, 0);
    const std::string undo = std::string("'") + VARNEL_PROGRAM + "' --prefix '" + prefix.path() + "' undo";
    const ProgramRun both = RunProgram({"sh", "-c", undo + " & " + undo + " & wait"},
                                       {"XDG_STATE_HOME=" + state.path(), "HOME=" + state.path()}, 60);
    ASSERT_TRUE(both.started);

    const std::string changes = run({"changes"}).second;
    std::set<std::string> undone;
    std::istringstream lines(changes);
    std::vector<std::string> undos;  // newest first: what each undo undid ("undo of change 1")
    for (std::string line; std::getline(lines, line);) {
      const std::size_t at = line.find("  undo of change ");
      if (at == std::string::npos) continue;
      undos.push_back(line.substr(at + 2, line.find(':', at) - at - 2));
      EXPECT_TRUE(undone.insert(undos.back()).second) << attempt << ": " << undos.back() << " twice\n" << changes << both.output;
    }
    ASSERT_FALSE(undos.empty()) << changes << both.output;
    // An undo of change 1 leaves NetLAU as before it, an undo of that undo as it was set.
    const bool undoneLast = undos.front() == "undo of change 1";
    EXPECT_EQ(run({"settings", "NetLAU"}).second, undoneLast ? "\n" : "c:\\new\n") << attempt << "\n" << changes;
  }
}

}  // namespace
}  // namespace varnel

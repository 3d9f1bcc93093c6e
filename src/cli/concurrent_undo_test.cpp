// Runs of Varnel started together, twenty times each: two undos never undo the same change, and
// an undo beside a favorite added to bookmark.htm never loses that bookmark, nor fails over the
// other's temporary file.
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
    const auto run = [&](std::vector<std::string> words) {
      return test::RunVarnel(prefix.path(), state.path(), words);
    };
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
      EXPECT_TRUE(undone.insert(undos.back()).second) << attempt << ": " << undos.back() << " twice\n"
                                                      << changes << both.output;
    }
    ASSERT_FALSE(undos.empty()) << changes << both.output;
    // An undo of change 1 leaves NetLAU as before it, an undo of that undo as it was set.
    const bool undoneLast = undos.front() == "undo of change 1";
    EXPECT_EQ(run({"settings", "NetLAU"}).second, undoneLast ? "\n" : "c:\\new\n") << attempt << "\n" << changes;
  }
}

TEST(ConcurrentUndo, AnUndoBesideABookmarkAddedLosesNothing) {
  const test::TempWorkingDirectory work;  // favorite-to-bookmark's "tempfile" is made here
  const std::string profile = "c:\\p", favorites = "c:\\windows\\favorites";
  std::string bookmarks = "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n";
  for (int n = 0; n < 20000; ++n) bookmarks += "    <DT><A HREF=\"http://b" + std::to_string(n) + "/\">B</A>\n";
  bookmarks += "</DL><p>\n";
  for (int attempt = 0; attempt < 20; ++attempt) {
    test::TempPrefix prefix;
    test::TempDir state;
    prefix.MakeDriveCDirectory("p");
    prefix.MakeDriveCDirectory("windows/favorites");
    test::WriteFile(prefix.native("drive_c/p/bookmark.htm"), bookmarks);
    for (const char* name : {"First", "Second"}) {
      test::WriteFile(prefix.native("drive_c/windows/favorites/") + name + ".url",
                      std::string("[InternetShortcut]\r\nURL=http://") + name + "/\r\n");
    }
    const auto run = [&](std::vector<std::string> words) {
      return test::RunVarnel(prefix.path(), state.path(), words);
    };
    ASSERT_EQ(run({"favorite-to-bookmark", "First.url", "--profile", profile, "--dir", favorites}).first, 0);
    const std::string varnel = std::string("'") + VARNEL_PROGRAM + "' --prefix '" + prefix.path() + "' ";
    const ProgramRun both =
        RunProgram({"sh", "-c",
                    varnel + "undo 2>&1; echo undo $? & " + varnel + "favorite-to-bookmark Second.url --profile '" +
                        profile + "' --dir '" + favorites + "' 2>&1; echo added $? & wait"},
                   {"XDG_STATE_HOME=" + state.path(), "HOME=" + state.path()}, 60);
    ASSERT_TRUE(both.started);
    EXPECT_EQ(both.output.find("No such file"), std::string::npos) << attempt << ": " << both.output;

    const std::string changes = run({"changes"}).second;
    const std::string now = test::ReadFile(prefix.native("drive_c/p/bookmark.htm"));
    const bool firstUndone = changes.find("undo of change 1: bookmark added: First") != std::string::npos;
    const bool secondUndone = changes.find("undo of change 2: bookmark added: Second") != std::string::npos;
    EXPECT_EQ(now.find("http://First/") != std::string::npos, !firstUndone)
        << attempt << ": " << changes << both.output;
    if (both.output.find("added 0") != std::string::npos) {
      EXPECT_EQ(now.find("http://Second/") != std::string::npos, !secondUndone)
          << attempt << ": " << changes << both.output;
    }
  }
}

}  // namespace
}  // namespace varnel

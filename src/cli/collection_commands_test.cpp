#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/commands.h"
#include "testsupport/session_fixture.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

// import-favorites and export-bookmarks as a user runs them: the summary, --json, --dry-run.
class CollectionCommandsTest : public test::SessionFixture {
 protected:
  CollectionCommandsTest() {
    prefix_.MakeDriveCDirectory("netscape/jane");
    prefix_.MakeDriveCDirectory("windows/favorites/Work");
    test::WriteFile(prefix_.native("drive_c/netscape/jane/bookmark.htm"),
                    "<H1>B</H1>\r\n<DL><p>\r\n<DT><A HREF=\"http://loose/\">Loose</A>\r\n</DL><p>\r\n");
    test::WriteFile(prefix_.native("drive_c/windows/favorites/Work/Plan.url"),
                    "[InternetShortcut]\r\nURL=http://plan/\r\n");
    test::WriteFile(prefix_.native("drive_c/windows/favorites/Broken.url"), "[InternetShortcut]\r\n");
  }
  int Run(int (*command)(CommandContext&), std::vector<std::string> args, bool json = false) {
    args.insert(args.begin(), {"--profile", "c:\\netscape\\jane", "--dir", "c:\\windows\\favorites"});
    return SessionFixture::Run(command, std::move(args), json);
  }
  std::string Bookmarks() const { return test::ReadFile(prefix_.native("drive_c/netscape/jane/bookmark.htm")); }
};

TEST_F(CollectionCommandsTest, ImportSaysWhatItAddsRefusesAndThatASecondRunChangesNothing) {
  const std::string before = Bookmarks();
  EXPECT_EQ(Run(ImportFavoritesCommand, {"--dry-run"}), 3) << err_.str();
  EXPECT_EQ(out_.str(),
            "would add folder c:\\windows\\favorites\\Work\n"
            "would add c:\\windows\\favorites\\Work\\Plan.url\n"
            "refused c:\\windows\\favorites\\Broken.url: Unable to locate the proper data to execute command, could "
            "be a corrupted favorite file\n"
            "dry run, nothing written: would add 1 (1 new folders) to c:\\netscape\\jane\\bookmark.htm, 0 already "
            "there, 1 refused\n");
  EXPECT_EQ(Bookmarks(), before);
  EXPECT_EQ(Run(ImportFavoritesCommand, {}), 3);
  EXPECT_NE(Bookmarks().find(">Plan</A>"), std::string::npos);
  EXPECT_EQ(Run(ImportFavoritesCommand, {}, true), 3);
  EXPECT_EQ(out_.str(),
            "{\"dry_run\": false, \"changed\": false, \"added\": [], \"folders_added\": [], \"already_there\": "
            "[\"c:\\\\windows\\\\favorites\\\\Work\\\\Plan.url\"], \"cut_to_fit\": [], \"refused\": [{\"entry\": "
            "\"c:\\\\windows\\\\favorites\\\\Broken.url\", \"reason\": \"Unable to locate the proper data to execute "
            "command, could be a corrupted favorite file\"}]}\n");
  std::filesystem::remove(prefix_.native("drive_c/windows/favorites/Broken.url"));
  EXPECT_EQ(Run(ImportFavoritesCommand, {}), 0);
  EXPECT_EQ(out_.str(),
            "nothing to add: 1 already there, 0 refused; c:\\netscape\\jane\\bookmark.htm left as it was\n");
}

TEST_F(CollectionCommandsTest, ExportWritesTheFavoritesOnceAndFailsClearly) {
  EXPECT_EQ(Run(ExportBookmarksCommand, {"--dry-run"}), 0) << err_.str();
  EXPECT_FALSE(std::filesystem::exists(prefix_.native("drive_c/windows/favorites/Loose.url")));
  EXPECT_EQ(Run(ExportBookmarksCommand, {}), 0);
  EXPECT_EQ(out_.str(), "added 1 (0 new folders) to c:\\windows\\favorites, 0 already there, 0 refused\n");
  EXPECT_EQ(test::ReadFile(prefix_.native("drive_c/windows/favorites/Loose.url")),
            "[InternetShortcut]\r\r\nURL=http://loose/\r\r\n");
  EXPECT_EQ(Run(ExportBookmarksCommand, {}), 0);
  EXPECT_EQ(out_.str(), "nothing to add: 1 already there, 0 refused; c:\\windows\\favorites left as it was\n");
  EXPECT_EQ(Run(ExportBookmarksCommand, {"--profile", "c:\\nowhere"}), 1);
  EXPECT_NE(err_.str().find("bookmark.htm"), std::string::npos) << err_.str();
  EXPECT_EQ(Run(ExportBookmarksCommand, {"--dry-run", "extra"}), 2);
}

}  // namespace
}  // namespace varnel

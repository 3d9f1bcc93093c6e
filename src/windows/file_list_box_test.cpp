#include "windows/file_list_box.h"

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"
#include "winenv/drive_map.h"

namespace varnel {
namespace {

class FileListBoxTest : public ::testing::Test {
 protected:
  FileListBoxTest() : drives(prefix.path()), list(drives) {
    for (const char* name : {"b.url", "A.URL", "notes.txt", "c.url.bak"}) {
      test::WriteFile(prefix.native(std::string("drive_c/Favorites/") + name), "x");
    }
    prefix.MakeDriveCDirectory("Favorites/Links.url");
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < list.ListCount(); ++i) names.push_back(list.Item(i));
    return names;
  }

  test::TempPrefix prefix;
  DriveMap drives;
  FileListBox list;
};

TEST_F(FileListBoxTest, PatternMatchesPlainFilesWithoutCase) {
  list.SetPattern("*.url");
  list.SetPath("C:\\FAVORITES");
  EXPECT_EQ(Names(), (std::vector<std::string>{"A.URL", "b.url"}));
}

TEST_F(FileListBoxTest, SeveralPatternsMergeInOneSortedList) {
  list.SetPath("c:\\favorites");
  list.SetPattern("*.TXT;*.url");
  EXPECT_EQ(Names(), (std::vector<std::string>{"A.URL", "b.url", "notes.txt"}));
}

TEST_F(FileListBoxTest, FileNameIsTheSelectedRow) {
  list.SetPattern("*.url");
  list.SetPath("c:\\favorites");
  EXPECT_EQ(list.FileName(), "");
  list.SetListIndex(1);
  EXPECT_EQ(list.FileName(), "b.url");
}

TEST_F(FileListBoxTest, RefreshSeesNewFilesAndClearsTheSelection) {
  list.SetPattern("*.url");
  list.SetPath("c:\\favorites");
  list.SetListIndex(0);
  test::WriteFile(prefix.native("drive_c/Favorites/c.url"), "x");
  list.Refresh();
  EXPECT_EQ(list.ListCount(), 3);
  EXPECT_EQ(list.ListIndex(), -1);
}

TEST_F(FileListBoxTest, MissingDirectoryShowsNothing) {
  list.SetPath("c:\\nowhere");
  EXPECT_EQ(list.ListCount(), 0);
}

}  // namespace
}  // namespace varnel

namespace varnel {
namespace {

// A favorite named with a control character shows it as \xHH and is handed back by its real name.
TEST_F(FileListBoxTest, AControlCharacterInANameShowsAsHexAndTheNameStaysReal) {
  test::WriteFile(prefix.native("drive_c/Favorites/bell\x07.url"), "x");
  list.SetPattern("*.url");
  list.SetPath("c:\\favorites");
  ASSERT_EQ(list.ListCount(), 3);
  EXPECT_EQ(list.item(2)->text(), QString("bell\\x07.url"));
  list.SetListIndex(2);
  EXPECT_EQ(list.FileName(), "bell\x07.url");
}

}  // namespace
}  // namespace varnel

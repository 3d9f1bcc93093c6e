#include "windows/drive_list_box.h"

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"
#include "winenv/drive_map.h"

namespace varnel {
namespace {

class DriveListBoxTest : public ::testing::Test {
 protected:
  DriveListBoxTest() : drives(prefix.path()), list(drives) {
    QObject::connect(&list, &DriveListBox::Change, [this] { ++changes; });
  }

  test::TempPrefix prefix;
  DriveMap drives;
  DriveListBox list;
  int changes = 0;
};

TEST_F(DriveListBoxTest, ListsThePrefixDrivesStartingOnC) {
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.itemText(0), "c:");
  EXPECT_EQ(list.itemText(1), "z: [/]");
  EXPECT_EQ(list.Drive(), "c:");
}

TEST_F(DriveListBoxTest, SetDriveTakesAnyPathOnTheDriveAndFiresChange) {
  list.SetDrive("Z:\\tmp\\x");
  EXPECT_EQ(list.Drive(), "z:");
  EXPECT_EQ(changes, 1);
  list.SetDrive("z:");
  EXPECT_EQ(changes, 1);
}

TEST_F(DriveListBoxTest, UnmappedOrMalformedDrivesAreIgnored) {
  list.SetDrive("q:");
  list.SetDrive("z");
  EXPECT_EQ(list.Drive(), "c:");
  EXPECT_EQ(changes, 0);
}

TEST_F(DriveListBoxTest, UserPickFiresChange) {
  list.setCurrentIndex(1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list.Drive(), "z:");
}

}  // namespace
}  // namespace varnel

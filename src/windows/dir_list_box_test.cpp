#include "windows/dir_list_box.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testsupport/temp_dir.h"
#include "testsupport/test_events.h"
#include "winenv/drive_map.h"

namespace varnel {
namespace {

class DirListBoxTest : public ::testing::Test {
 protected:
  DirListBoxTest() : drives(prefix.path()) {
    prefix.MakeDriveCDirectory("Program Files/Netscape/Users");
    prefix.MakeDriveCDirectory("Program Files/Netscape/Program");
    prefix.MakeDriveCDirectory("Program Files/Common Files");
  }

  void SetUp() override {
    list = std::make_unique<DirListBox>(drives);
    list->resize(200, 300);
    list->show();
    QObject::connect(list.get(), &DirListBox::PathChanged, [this] { ++changes; });
  }

  QStringList Rows() const {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
  }

  QPoint RowPoint(int row) const { return list->visualItemRect(list->item(row)).center(); }

  test::TempPrefix prefix;
  DriveMap drives;
  std::unique_ptr<DirListBox> list;
  int changes = 0;
};

TEST_F(DirListBoxTest, ShowsRootAncestorsCurrentAndChildren) {
  list->SetPath("c:\\Program Files\\Netscape");
  EXPECT_EQ(Rows(), QStringList({"c:\\", "Program Files", "Netscape", "Program", "Users"}));
  EXPECT_EQ(list->currentRow(), 2);
  EXPECT_EQ(list->SelectedPath(), "c:\\Program Files\\Netscape");
}

// A folder named with a control character shows it as \xHH and still opens by its real name.
TEST_F(DirListBoxTest, AControlCharacterInAFolderNameShowsAsHex) {
  prefix.MakeDriveCDirectory("bell\x07s");
  list->SetPath("c:\\");
  const int row = static_cast<int>(Rows().indexOf("bell\\x07s"));
  ASSERT_GE(row, 0) << Rows().join("|").toStdString();
  list->setCurrentRow(row);
  EXPECT_EQ(list->SelectedPath(), "c:\\bell\x07s");
}

TEST_F(DirListBoxTest, PathKeepsCallersSpellingRowsKeepTheDisks) {
  list->SetPath("C:\\PROGRAM FILES\\NETSCAPE\\");
  EXPECT_EQ(list->Path(), "C:\\PROGRAM FILES\\NETSCAPE");
  EXPECT_EQ(Rows(), QStringList({"c:\\", "Program Files", "Netscape", "Program", "Users"}));
}

TEST_F(DirListBoxTest, MissingDirectoryFallsBackToNearestExistingAncestor) {
  list->SetPath("c:\\Program Files\\Netscape\\gone\\deeper");
  EXPECT_EQ(list->Path(), "c:\\Program Files\\Netscape");
  list->SetPath("c:\\nowhere");
  EXPECT_EQ(list->Path(), "c:\\");
}

TEST_F(DirListBoxTest, PathChangedOncePerChangeOfDirectory) {
  list->SetPath("c:\\Program Files");
  list->SetPath("c:\\Program Files");
  list->SetPath("C:\\PROGRAM FILES\\");
  EXPECT_EQ(changes, 1);
  list->SetPath("c:\\Program Files\\Netscape");
  EXPECT_EQ(changes, 2);
}

TEST_F(DirListBoxTest, DoubleClickOpensTheRowSingleClickOnlySelects) {
  list->SetPath("c:\\program files\\netscape");
  test::ClickAt(list->viewport(), Qt::LeftButton, RowPoint(4));
  EXPECT_EQ(list->Path(), "c:\\program files\\netscape");
  EXPECT_EQ(list->SelectedPath(), "c:\\program files\\netscape\\Users");

  test::DoubleClickAt(list->viewport(), Qt::LeftButton, RowPoint(4));
  EXPECT_EQ(list->Path(), "c:\\program files\\netscape\\Users");
  EXPECT_EQ(changes, 2);
  // The double click's release, over a rebuilt list, leaves the opened folder highlighted.
  EXPECT_EQ(list->SelectedPath(), "c:\\program files\\netscape\\Users");

  test::DoubleClickAt(list->viewport(), Qt::LeftButton, RowPoint(0));
  EXPECT_EQ(list->Path(), "c:\\");
}

TEST_F(DirListBoxTest, ArrowsSelectAndEnterOpensTheSelectedFolder) {
  list->SetPath("c:\\program files");
  changes = 0;
  test::SendKeys(list.get(), {Qt::Key_Down, Qt::Key_Down});  // past "Common Files" to "Netscape"
  EXPECT_EQ(list->Path(), "c:\\program files");
  test::SendKey(list.get(), Qt::Key_Return);
  EXPECT_EQ(list->Path(), "c:\\program files\\Netscape");
  EXPECT_EQ(changes, 1);
  test::SendKeys(list.get(), {Qt::Key_Home, Qt::Key_Enter});
  EXPECT_EQ(list->Path(), "c:\\");
}

TEST_F(DirListBoxTest, RightPressReportsButtonAndKeepsCurrentRow) {
  list->SetPath("c:\\Program Files");
  std::vector<Qt::MouseButton> downs;
  QObject::connect(list.get(), &ClassicListBase::MouseDown, [&](Qt::MouseButton b) { downs.push_back(b); });
  test::ClickAt(list->viewport(), Qt::RightButton, RowPoint(0));
  EXPECT_EQ(list->SelectedPath(), "c:\\Program Files");
  EXPECT_EQ(downs, std::vector<Qt::MouseButton>{Qt::RightButton});
}

TEST_F(DirListBoxTest, RefreshSeesNewDirectoriesAndLeavesRemovedOnes) {
  list->SetPath("c:\\Program Files\\Common Files");
  prefix.MakeDriveCDirectory("Program Files/Common Files/System");
  list->Refresh();
  EXPECT_EQ(Rows().last(), "System");

  std::filesystem::remove_all(prefix.native("drive_c/Program Files/Common Files"));
  list->Refresh();
  EXPECT_EQ(list->Path(), "c:\\Program Files");
  EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace varnel

namespace varnel {
namespace {

TEST_F(DirListBoxTest, ADriveChangeKeepsTheDirectoryWhenTheListIsOnThatDriveAlready) {
  list->SetPath("c:\\Program Files\\Netscape");
  list->SetDrive("C:");
  EXPECT_EQ(list->Path(), "c:\\Program Files\\Netscape");
  list->SetDrive("z:");
  EXPECT_EQ(list->Path(), "z:\\");
  list->SetDrive("q:");  // not a drive of this prefix
  EXPECT_EQ(list->Path(), "z:\\");
}

}  // namespace
}  // namespace varnel

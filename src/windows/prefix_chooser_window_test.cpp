#include "windows/prefix_chooser_window.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>

#include "testsupport/test_events.h"
#include "windows/classic_list_box.h"
#include "windows/help.h"

namespace varnel {
namespace {

// A path that 1252 cannot spell is shown as best it can be, and still handed back unaltered.
const std::vector<std::string> kPaths = {"/home/u/.local/share/wineprefixes/a",
                                         "/home/u/Games/\xe6\x97\xa5\xe6\x9c\xac"};

TEST(PrefixChooserTest, OffersThePathsWithTheFirstSelected) {
  PrefixChooser chooser(kPaths);
  EXPECT_EQ(chooser.windowTitle(), "Varnel");
  ASSERT_EQ(chooser.List1->ListCount(), 2);
  EXPECT_EQ(chooser.List1->Item(0), kPaths[0]);
  EXPECT_EQ(chooser.List1->ListIndex(), 0);
  EXPECT_EQ(chooser.Command1->text(), "OK");
  EXPECT_EQ(chooser.Command2->text(), "Cancel");
  EXPECT_TRUE(chooser.Command1->isDefault());
  EXPECT_EQ(chooser.Chosen(), std::nullopt);  // not run yet
}

TEST(PrefixChooserTest, OkGivesTheSelectedPathAndCancelNone) {
  PrefixChooser chosen(kPaths);
  chosen.List1->SetListIndex(1);
  chosen.Command1->click();
  EXPECT_EQ(chosen.result(), QDialog::Accepted);
  EXPECT_EQ(chosen.Chosen(), kPaths[1]);

  PrefixChooser cancelled(kPaths);
  cancelled.Command2->click();
  EXPECT_EQ(cancelled.result(), QDialog::Rejected);
  EXPECT_EQ(cancelled.Chosen(), std::nullopt);
}

TEST(PrefixChooserTest, ADoubleClickChoosesAndOkWithoutASelectionWaits) {
  PrefixChooser chooser(kPaths);
  chooser.show();
  chooser.List1->SetListIndex(-1);
  chooser.Command1->click();
  EXPECT_TRUE(chooser.isVisible());  // nothing chosen yet: the chooser stays
  const QPoint second = chooser.List1->visualItemRect(chooser.List1->item(1)).center();
  test::DoubleClickAt(chooser.List1->viewport(), Qt::LeftButton, second);
  EXPECT_EQ(chooser.result(), QDialog::Accepted);
  EXPECT_EQ(chooser.Chosen(), kPaths[1]);
}

// Each prefix shows what it holds, as `varnel prefixes` says it, and F1 opens the help there too.
TEST(PrefixChooserTest, EachPathShowsItsBrowsersAndF1OpensTheHelp) {
  const std::vector<std::string> held = {"Netscape in c:\\ns, Internet Explorer not found, default browser ie",
                                         "Netscape not found, Internet Explorer in c:\\ie, default browser ie"};
  PrefixChooser chooser(kPaths, held);
  ASSERT_EQ(chooser.List1->ListCount(), 2);
  EXPECT_EQ(chooser.List1->Item(0), kPaths[0] + ": " + held[0]);
  chooser.List1->SetListIndex(1);
  chooser.Command1->click();
  EXPECT_EQ(chooser.Chosen(), kPaths[1]);  // the path alone

  std::vector<QString> opened;
  Help help([&opened](const QString& file) { opened.push_back(file); });
  help.InstallKey();
  test::SendKey(chooser.List1, Qt::Key_F1);
  EXPECT_EQ(opened.size(), 1u);
}

}  // namespace
}  // namespace varnel

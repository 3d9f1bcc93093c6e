// The Changes dialog: Ctrl+Shift+Z in a window lists the recorded changes newest first, Enter
// undoes the chosen change and every later one after a question, and the windows follow.
#include "windows/changes_window.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/test_events.h"
#include "testsupport/window_fixture.h"
#include "windows/classic_list_box.h"
#include "windows/main_screen_window.h"

namespace varnel {
namespace {

class ChangesDialogTest : public test::WindowTest {
 protected:
  ChangesWindow& OpenChanges() {
    Forms& forms = MakeForms();
    test::PressShortcut(forms.Main().Dir1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    return forms.Changes();
  }
  static std::vector<std::string> Rows(const ChangesWindow& changes) {
    std::vector<std::string> rows;
    for (int i = 0; i < changes.List1->ListCount(); ++i) rows.push_back(changes.List1->Item(i));
    return rows;
  }
  std::string NetPath() { return ReadSetting(registry_, Setting::NetPath); }
};

TEST_F(ChangesDialogTest, ListsNewestFirstAndEnterUndoesTheChosenChangeAndEveryLaterOne) {
  for (const char* path : {"c:\\a", "c:\\b", "c:\\c"}) test::ExpectOk(session_.SetSetting(Setting::NetPath, path));
  ChangesWindow& changes = OpenChanges();
  ASSERT_TRUE(changes.isVisible());
  EXPECT_EQ(changes.windowTitle().toStdString(), "Changes");
  std::vector<std::string> rows = Rows(changes);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].find("3  "), 0u);
  EXPECT_NE(rows[0].find("  NetPath set to c:\\c  ("), std::string::npos) << rows[0];
  EXPECT_EQ(rows[2].find("1  "), 0u);
  EXPECT_EQ(changes.List1->item(0)->toolTip().toStdString(), rows[0]);  // a line cut by the list, whole
  EXPECT_EQ(changes.List1->ListIndex(), 0);                             // Enter alone undoes the newest, as Ctrl+Z does

  test::SendKey(changes.List1, Qt::Key_Down);
  dialogs_.answers = {true};
  test::SendKey(changes.List1, Qt::Key_Return);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text, "Undo change 2, NetPath set to c:\\b, and the change after it?");
  EXPECT_EQ(NetPath(), "c:\\a");
  rows = Rows(changes);  // the dialog shows the two undos at once
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_NE(rows[0].find("  undo of change 2: NetPath set to c:\\b  ("), std::string::npos) << rows[0];
  EXPECT_NE(rows[1].find("  undo of change 3: NetPath set to c:\\c  ("), std::string::npos) << rows[1];

  // Ctrl+Z in the dialog undoes the newest change; the undo names the change it undid once.
  dialogs_.answers = {true};
  test::PressShortcut(changes.List1, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.shown.back().text, "Undo the last change, undo of change 2: NetPath set to c:\\b?");
  EXPECT_EQ(NetPath(), "c:\\b");
  EXPECT_NE(Rows(changes)[0].find("  undo of change 5: NetPath set to c:\\b  ("), std::string::npos)
      << Rows(changes)[0];

  test::SendKey(changes.List1, Qt::Key_Escape);
  EXPECT_FALSE(changes.isVisible());
}

TEST_F(ChangesDialogTest, AnOutsideEditIsOverwrittenOnlyByASecondYesThatIsNotTheDefault) {
  test::ExpectOk(session_.SetSetting(Setting::NetPath, "c:\\a"));
  test::ExpectOk(session_.SetSetting(Setting::IEPath, "c:\\ie"));
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "c:\\edited"));  // another program
  ChangesWindow& changes = OpenChanges();
  test::SendKey(changes.List1, Qt::Key_End);
  dialogs_.answers = {true};
  test::SendKey(changes.Command1, Qt::Key_Return);
  ASSERT_EQ(dialogs_.shown.size(), 2u);
  EXPECT_EQ(dialogs_.shown[1].byDefault, Dialogs::Answer::No);
  EXPECT_NE(dialogs_.shown[1].text.find("changed since change 1"), std::string::npos) << dialogs_.shown[1].text;
  EXPECT_EQ(NetPath(), "c:\\edited");  // Enter, the default, kept it
  EXPECT_EQ(Rows(changes).size(), 2u);
}

TEST_F(ChangesDialogTest, AnEmptyJournalSaysSoAndOffersNoUndo) {
  ChangesWindow& changes = OpenChanges();
  EXPECT_EQ(Rows(changes), std::vector<std::string>{"No change is recorded yet."});
  EXPECT_FALSE(changes.Command1->isEnabled());
  test::SendKeys(changes.List1, {Qt::Key_Down, Qt::Key_Return});
  EXPECT_TRUE(dialogs_.shown.empty() || !dialogs_.shown.back().yesNo);
}

// A switch undone from the dialog shows in the main window's frame and icons.
TEST_F(ChangesDialogTest, AnUndoFromTheDialogShowsInTheMainWindow) {
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "C:\\Program Files\\Netscape"));
  Forms& forms = MakeForms();
  MainScreen& main = forms.Main();
  main.show();
  const std::string ieCaption = main.Frame1->title().toStdString();
  test::SendKey(main.Image2, Qt::Key_Space);
  ASSERT_NE(main.Frame1->title().toStdString(), ieCaption);
  test::PressShortcut(main.Image1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  dialogs_.answers = {true};
  test::SendKey(forms.Changes().List1, Qt::Key_Return);
  EXPECT_EQ(main.Frame1->title().toStdString(), ieCaption);
  EXPECT_TRUE(main.Image2->isVisible());
}

}  // namespace
}  // namespace varnel

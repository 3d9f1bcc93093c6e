// Ctrl+Z in the windows: the newest change is undone after a Yes/No question that names it, and
// the main window shows the default browser the registry has then.
#include <gtest/gtest.h>

#include <QShortcut>

#include "journal/journal.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/journal_entries.h"
#include "testsupport/window_fixture.h"
#include "windows/ie_window.h"
#include "windows/main_screen_window.h"
#include "windows/setup_window.h"

namespace varnel {
namespace {

class UndoKeyTest : public test::WindowTest {
 protected:
  Forms& FormsWithJournal() {
    Forms& forms = MakeForms();
    test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "C:\\Program Files\\Netscape"));
    return forms;
  }
  static bool HasUndoKey(QWidget& window) {
    for (QShortcut* key : window.findChildren<QShortcut*>()) {
      if (key->key() == QKeySequence(QKeySequence::Undo)) return true;
    }
    return false;
  }
};

TEST_F(UndoKeyTest, AskedNamingTheChangeThenUndoneAndShown) {
  Forms& forms = FormsWithJournal();
  MainScreen& main = forms.Main();
  EXPECT_TRUE(HasUndoKey(main));
  const std::string ieCaption = main.Frame1->title().toStdString();
  main.Image2_Click();  // Netscape becomes the default
  ASSERT_NE(main.Frame1->title().toStdString(), ieCaption);

  forms.UndoNewestChange(&main);  // No: nothing happens
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_TRUE(dialogs_.shown[0].yesNo);
  EXPECT_EQ(dialogs_.shown[0].text, "Undo the last change, default browser set to Netscape?");
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::Netscape);

  dialogs_.answers.push_back(true);
  forms.UndoNewestChange(&main);
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::InternetExplorer);
  EXPECT_EQ(main.Frame1->title().toStdString(), ieCaption);
  EXPECT_EQ(test::JournalEntries(session_).front().record.what, "undo of change 1: default browser set to Netscape");
  EXPECT_TRUE(HasUndoKey(forms.IE()));
  EXPECT_TRUE(HasUndoKey(forms.Setup()));
}

TEST_F(UndoKeyTest, AChangeMadeOverSinceIsUndoneOnlyAfterASecondYes) {
  Forms& forms = FormsWithJournal();
  MainScreen& main = forms.Main();
  main.Image2_Click();
  test::ExpectOk(registry_.SetValue(Hive::ClassesRoot, "http\\DefaultIcon", "", RegValue::String(u"edited")));
  dialogs_.answers = {true, false};
  forms.UndoNewestChange(&main);
  ASSERT_EQ(dialogs_.shown.size(), 2u);
  EXPECT_NE(dialogs_.shown[1].text.find("HKEY_CLASSES_ROOT\\http\\DefaultIcon (default value) changed since change 1"),
            std::string::npos)
      << dialogs_.shown[1].text;
  // The answer that overwrites the later edit is never the one Enter gives, and the question
  // says what is lost.
  EXPECT_EQ(dialogs_.shown[0].byDefault, Dialogs::Answer::Yes);
  EXPECT_EQ(dialogs_.shown[1].byDefault, Dialogs::Answer::No);
  EXPECT_NE(dialogs_.shown[1].text.find("later changes, which are then lost"), std::string::npos);
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::Netscape);
  dialogs_.answers = {true, true};
  forms.UndoNewestChange(&main);
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::InternetExplorer);
}

TEST_F(UndoKeyTest, WithNothingRecordedTheUserIsTold) {
  Forms& forms = FormsWithJournal();
  forms.UndoNewestChange(&forms.Main());
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_FALSE(dialogs_.shown[0].yesNo);
}

}  // namespace
}  // namespace varnel

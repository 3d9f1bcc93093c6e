// By keys alone nothing is out of reach: the switch icons a press hid come back with a key, and
// the first favorite opens with Enter. (Delete selecting the next history entry:
// main_screen_history_window_test.cpp.)
#include <gtest/gtest.h>

#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/test_events.h"
#include "testsupport/window_fixture.h"
#include "windows/ie_window.h"
#include "windows/main_screen_window.h"

namespace varnel {
namespace {

using KeyboardReachTest = test::WindowTest;

TEST_F(KeyboardReachTest, TheDefaultBrowserIsSwitchedBackAndForthByKeysAlone) {
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "C:\\Program Files\\Netscape"));
  test::ExpectOk(WriteSetting(registry_, Setting::IEPath, "C:\\Program Files\\Internet Explorer"));
  MainScreen& main = MakeForms().Main();
  main.show();
  test::SendKey(main.Image2, Qt::Key_Space);
  ASSERT_EQ(DetectDefaultBrowser(registry_), Browser::Netscape);
  EXPECT_FALSE(main.Image2->isVisibleTo(&main));  // hidden by its press, as the mouse has it
  test::SendKey(main.List1, Qt::Key_Tab);         // any key brings it back, as a move of the pointer does
  EXPECT_TRUE(main.Image2->isVisibleTo(&main));
  test::SendKey(main.Image1, Qt::Key_Space);
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::InternetExplorer);
  EXPECT_FALSE(main.Image1->isVisibleTo(&main));
  test::SendKey(main.Drive1, Qt::Key_Shift);
  EXPECT_TRUE(main.Image1->isVisibleTo(&main));
  test::SendKey(main.Image2, Qt::Key_Return);
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::Netscape);
}

TEST_F(KeyboardReachTest, EnterOpensTheFirstFavoriteOnceTheListHasTheFocus) {
  prefix_.MakeDriveCDirectory("windows/Favorites");
  for (const char* name : {"Alpha", "Beta"}) {
    test::WriteFile(prefix_.native("drive_c/windows/Favorites/") + name + ".url",
                    std::string("[InternetShortcut]\r\nURL=http://") + name + "/\r\n");
  }
  MakeForms().Main().Command4_Click();
  IEWindow& ie = forms_->IE();
  test::SendTabFocusIn(ie.File1);  // the focus frame stands on the first favorite
  test::SendKey(ie.File1, Qt::Key_Return);
  EXPECT_EQ(opener_.opened, std::vector<std::string>{"http://Alpha/"});
  test::SendKeys(ie.File1, {Qt::Key_Down, Qt::Key_Return});
  EXPECT_EQ(opener_.opened, (std::vector<std::string>{"http://Alpha/", "http://Beta/"}));
}

}  // namespace
}  // namespace varnel

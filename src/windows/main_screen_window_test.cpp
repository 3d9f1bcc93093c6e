#include "windows/main_screen_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTextDocument>
#include <QTimer>

#include "session/product.h"
#include "session/startup.h"
#include "settings/registry_access.h"
#include "settings/settings.h"
#include "testsupport/expect_ok.h"
#include "testsupport/test_events.h"
#include "testsupport/window_fixture.h"
#include "windows/dialogs.h"
#include "windows/forms_ui.h"
#include "windows/ie_window.h"
#include "windows/setup_window.h"
#include "windows/twips.h"

namespace varnel {
namespace {

using test::WindowTest;

TEST_F(WindowTest, TheMainWindowIsLaidOutAsDesigned) {
  MainScreen& main = MakeForms().Main();
  EXPECT_EQ(main.windowTitle().toStdString(),
            "Browser Information and Clear MRU___Function Key 1 for help__Version 1.02");
  EXPECT_EQ(main.Command2->text().toStdString(), "Clear both MRU");
  EXPECT_EQ(main.Command5->text().toStdString(), "Support ");
  EXPECT_EQ(main.Label1->text().toStdString(), "Open User Profile ");
  EXPECT_EQ(main.Dir1->toolTip().toStdString(),
            "Open User Profile folder then either right click  or press Open Netscape MRU");
  EXPECT_EQ(main.List1->toolTip().toStdString(), "Delete or launch one of Netscape's  MRU addresses");
  EXPECT_EQ(main.List1->geometry(), QRect(8, 312, 585, 95));  // 120, 4680, 8775, 1425 twips
  EXPECT_EQ(main.Image4->parentWidget(), main.Frame1);
  EXPECT_EQ(main.Image4->geometry(), main.Image5->geometry());
  EXPECT_GE(main.width(), 632);
  EXPECT_GE(main.height(), 441);
}

TEST_F(WindowTest, TheWebStripGrowsOnFocusAndBackToVarnelShrinksIt) {
  MainScreen& main = MakeForms().Main();
  EXPECT_TRUE(main.WebBrowser1->document()->isEmpty());  // the page loads once the window is up
  QCoreApplication::processEvents();
  EXPECT_TRUE(main.WebBrowser1->toPlainText().contains("Varnel 1.02"));
  // The window names the Windows environment it works on.
  EXPECT_TRUE(
      main.WebBrowser1->toPlainText().contains(QString::fromStdString("Windows environment: " + prefix_.path())));
  EXPECT_EQ(main.WebBrowser1->geometry(), TwipsRect(120, -120, 9255, 1575));
  EXPECT_EQ(main.WebBrowser1->focusPolicy(), Qt::ClickFocus);  // not by the window's first focus
  main.WebBrowser1_GotFocus();
  EXPECT_EQ(main.WebBrowser1->geometry(), TwipsRect(120, 480, 9255, 6135));
  main.Command6_Click();
  EXPECT_EQ(main.WebBrowser1->geometry(), TwipsRect(120, 0, 9255, 1455));
  EXPECT_FALSE(main.WebBrowser1->document()->isEmpty());
  EXPECT_TRUE(main.WebBrowser1->toPlainText().contains("Windows environment: "));  // loaded again, still named
  // The page's picture is drawn at the screen's scale, not enlarged from its nominal size.
  const QImage logo = main.WebBrowser1->document()
                          ->resource(QTextDocument::ImageResource, QUrl("qrc:/icons/globe.svg"))
                          .value<QImage>();
  ASSERT_FALSE(logo.isNull());
  EXPECT_EQ(logo.devicePixelRatio(), main.WebBrowser1->devicePixelRatioF());
  EXPECT_EQ(logo.width(), qRound(32 * logo.devicePixelRatio()));
}

TEST_F(WindowTest, StartUpWithBothBrowsersShowsTheMainWindowAtTheProfiles) {
  prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
  prefix_.MakeDriveCDirectory("Program Files/Internet Explorer");
  Forms& forms = MakeForms();
  const StartupWindows adapter{[](const std::string&) {},
                               [&forms](const std::string& p) {
                                 forms.Main().Dir1->SetPath(p);
                                 return !forms.Ended();
                               },
                               [](const Status& failure) { ADD_FAILURE() << failure.message; },
                               [] { ADD_FAILURE() << "no setup expected"; },
                               [&forms] {
                                 forms.Main().show();
                                 return !forms.Ended();
                               }};
  DialogsPrompt prompt(forms.dialogs(), nullptr);
  EXPECT_TRUE(Main(registry_, drives_, adapter, prompt));
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(forms.Main().Dir1->Path(), "c:\\program files\\netscape\\users");
  EXPECT_TRUE(forms.Main().isVisible());
}

TEST_F(WindowTest, F1InAnyWindowOpensTheHelpTheWindowsWereGiven) {
  Forms& forms = MakeForms();
  test::SendKey(forms.Main().List1, Qt::Key_F1);
  test::SendKey(&forms.Setup(), Qt::Key_F1);
  EXPECT_EQ(helpShown_, (std::vector<QString>{":/help/vr.hlp", ":/help/vr.hlp"}));
}

TEST_F(WindowTest, ASecondCopyIsRefusedAndSavesNothing) {
  Forms& forms = MakeForms(true);
  forms.Main();
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"Only one copy of Varnel can be executed,  already open on this machine"}));
  EXPECT_TRUE(forms.Ended());
  EXPECT_EQ(ReadSetting(registry_, Setting::NetLAU), "");
}

TEST_F(WindowTest, TheRememberedProfileIsRestoredAndAMissingOneFallsBack) {
  prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
  test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, "c:\\program files\\netscape\\users\\gone"));
  EXPECT_EQ(MakeForms().Main().Dir1->Path(), "c:\\program files\\netscape\\users");
}

TEST_F(WindowTest, SwitchingTheDefaultBrowserUpdatesFrameIconsAndRegistry) {
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "c:\\program files\\netscape"));
  test::ExpectOk(WriteSetting(registry_, Setting::IEPath, "c:\\program files\\Internet Explorer"));
  MainScreen& main = MakeForms().Main();
  EXPECT_EQ(main.Frame1->title().toStdString(), "IE is the default browser, Click Netscape icon to change");
  EXPECT_FALSE(main.Image4->isVisibleTo(&main));
  EXPECT_TRUE(main.Image5->isVisibleTo(&main));

  main.Image2_Click();
  EXPECT_EQ(main.Frame1->title().toStdString(), "Netscape is the default browser, Click IE icon to change");
  EXPECT_TRUE(main.Image4->isVisibleTo(&main));
  EXPECT_FALSE(main.Image5->isVisibleTo(&main));
  EXPECT_FALSE(main.Image2->isVisibleTo(&main));
  main.Form_MouseMove();
  EXPECT_TRUE(main.Image2->isVisibleTo(&main));

  // The next start detects it.
  Registry reloaded(prefix_.path());
  EXPECT_EQ(DetectDefaultBrowser(reloaded), Browser::Netscape);

  main.Image1_Click();
  EXPECT_EQ(main.Frame1->title().toStdString(), "IE is the default browser, Click Netscape icon to change");
  EXPECT_EQ(ReadRegistryString(registry_, Hive::ClassesRoot, "http\\shell\\open\\ddeexec\\application", "", ""),
            "IExplore");
}

TEST_F(WindowTest, SwitchingWithoutTheBrowserDirectoryTellsTheUserAndWritesNothing) {
  MainScreen& main = MakeForms().Main();
  const std::string before = test::ReadFile(prefix_.native("system.reg"));
  main.Image2_Click();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_FALSE(dialogs_.shown[0].yesNo);
  EXPECT_EQ(test::ReadFile(prefix_.native("system.reg")), before);
  EXPECT_EQ(main.Frame1->title().toStdString(), "IE is the default browser, Click Netscape icon to change");
}

TEST_F(WindowTest, LaunchesMinimizeTheMainWindowAndSupportAsksFirst) {
  MainScreen& main = MakeForms().Main();
  main.show();
  main.Image4_Click();
  ASSERT_EQ(opener_.opened.size(), 1u);
  EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
  EXPECT_EQ(main.cursor().shape(), Qt::ArrowCursor);  // the pointer is the default again

  dialogs_.answers = {false, true};
  main.Command5_Click();
  EXPECT_EQ(opener_.opened.size(), 1u);
  main.Command5_Click();
  EXPECT_EQ(opener_.opened.size(), 2u);
  EXPECT_TRUE(dialogs_.shown[0].yesNo);
  EXPECT_EQ(dialogs_.shown[0].text.rfind("The Primary mode of support for Varnel is our list server, ", 0), 0u);
  EXPECT_NE(dialogs_.shown[0].text.find(".  If you are not a subscriber and you wish to do so at this time enter yes."),
            std::string::npos);
}

TEST_F(WindowTest, ALaunchThatStartsNothingStillMinimizesAndRestoresThePointer) {
  // Neither wine nor xdg-open can be found: the system opener fails, silently.
  test::TempDir emptyPath;
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", emptyPath.path().c_str(), 1);
  SystemAddressOpener failing(prefix_.path());
  Forms forms(session_, {failing, dialogs_, help_}, false);
  MainScreen& main = forms.Main();
  main.show();
  main.Image5_Click();
  setenv("PATH", savedPath.c_str(), 1);
  EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
  EXPECT_EQ(main.cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(WindowTest, ClosingStoresTheProfileAndKeepsIEfavWhenBookmarksWereNeverOpened) {
  prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
  test::ExpectOk(WriteSetting(registry_, Setting::IEfav, "c:\\kept"));
  Forms& forms = MakeForms();
  MainScreen& main = forms.Main();
  main.Dir1->SetPath("c:\\Program Files\\Netscape\\Users\\default");
  main.close();
  EXPECT_TRUE(forms.Ended());
  EXPECT_EQ(ReadSetting(registry_, Setting::NetLAU), "c:\\Program Files\\Netscape\\Users\\default");
  EXPECT_EQ(ReadSetting(registry_, Setting::IEfav), "c:\\kept");
}

TEST_F(WindowTest, GoToBookmarksAndBackAndClosingTheBookmarksWindowStoresBoth) {
  prefix_.MakeDriveCDirectory("windows/Favorites/Links");
  Forms& forms = MakeForms();
  MainScreen& main = forms.Main();
  main.show();
  main.Command4_Click();
  IEWindow& ie = forms.IE();
  EXPECT_EQ(ie.windowTitle().toStdString(), "Bookmarks and Favorites, IE is the default Browser");
  EXPECT_TRUE(ie.isVisible());
  EXPECT_FALSE(main.isVisible());
  EXPECT_EQ(ie.Dir1->Path(), "c:\\windows\\favorites");
  ie.Command1_Click();
  EXPECT_TRUE(main.isVisible());
  EXPECT_FALSE(ie.isVisible());

  ie.Dir1->SetPath("c:\\windows\\favorites\\links");
  ie.close();
  EXPECT_TRUE(forms.Ended());
  EXPECT_EQ(ReadSetting(registry_, Setting::IEfav), "c:\\windows\\favorites\\links");
  EXPECT_EQ(ReadSetting(registry_, Setting::NetLAU), main.Dir1->Path());
}

TEST_F(WindowTest, TheSetupWindowStoresValidDirectoriesAndMovesTheProfileList) {
  prefix_.MakeDriveCDirectory("Program Files/Netscape/Users");
  prefix_.MakeDriveCDirectory("Program Files/Internet Explorer");
  Forms& forms = MakeForms();
  SetupWindow& setup = forms.Setup();
  EXPECT_EQ(setup.windowTitle().toStdString(), "Setup Netscape and Internet Explorer Directories");
  EXPECT_FALSE(setup.Frame3->isVisibleTo(&setup));
  setup.Command1_Click();
  EXPECT_TRUE(setup.Frame3->isVisibleTo(&setup));
  setup.Command2_Click();
  EXPECT_FALSE(setup.Frame3->isVisibleTo(&setup));

  setup.show();
  setup.Dir1->SetPath("c:\\Program Files\\Netscape");
  setup.Dir2->SetPath("c:\\Program Files\\Internet Explorer");
  setup.Image1_Click();
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "c:\\Program Files\\Netscape");
  EXPECT_EQ(ReadSetting(registry_, Setting::IEPath), "c:\\Program Files\\Internet Explorer");
  EXPECT_FALSE(setup.isVisible());
  EXPECT_TRUE(forms.Main().isVisible());
  EXPECT_EQ(forms.Main().Dir1->Path(), "c:\\Program Files\\Netscape\\users");
}

TEST_F(WindowTest, TheSetupCloseBoxKeepsItOpenAndBringsUpTheMainWindow) {
  Forms& forms = MakeForms();
  SetupWindow& setup = forms.Setup();
  setup.show();
  forms.Main().setWindowState(Qt::WindowMinimized);  // as a launch leaves it
  setup.close();
  EXPECT_TRUE(setup.isVisible());
  EXPECT_TRUE(forms.Main().isVisible());
  EXPECT_FALSE(forms.Main().windowState() & Qt::WindowMinimized);
  EXPECT_FALSE(forms.Ended());
}

TEST_F(WindowTest, SetupShownAgainDuringStartUpNoLongerBlocksTheOtherWindows) {
  SetupWindow& setup = MakeForms().Setup();
  QTimer::singleShot(0, &setup, [&setup] {
    setup.hide();  // the start-up loop ends here ...
    setup.show();  // ... and the user asked to choose the directories again
  });
  setup.ShowModalAtStart();
  EXPECT_TRUE(setup.isVisible());
  EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
}

TEST_F(WindowTest, TheSetupLabelOpensSetupOnlyOnALeftClickOnIt) {
  Forms& forms = MakeForms();
  MainScreen& main = forms.Main();
  main.show();
  const QPoint inside(2, 2);
  test::ClickAt(main.Label6, Qt::RightButton, inside);
  test::Press(main.Label6, Qt::LeftButton, inside);
  test::SendMouse(main.Label6, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(-50, -50));
  test::SendMouse(main.Label6, QEvent::MouseButtonRelease, Qt::LeftButton, inside);  // no press before it
  EXPECT_FALSE(forms.Setup().isVisible());
  test::ClickAt(main.Label6, Qt::LeftButton, inside);
  EXPECT_TRUE(forms.Setup().isVisible());
}

TEST_F(WindowTest, SetupIsTabbedThroughAndSavedByKeysAlone) {
  prefix_.MakeDriveCDirectory("Program Files/Netscape/Users");
  prefix_.MakeDriveCDirectory("Program Files/Internet Explorer");
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "c:\\Program Files"));
  test::ExpectOk(WriteSetting(registry_, Setting::IEPath, "c:\\Program Files"));
  Forms& forms = MakeForms();
  SetupWindow& setup = forms.Setup();
  setup.show();
  EXPECT_EQ(setup.focusWidget(), setup.Dir1);
  EXPECT_EQ(test::TabVisits(&setup),
            (std::vector<QWidget*>{setup.Command1, setup.Drive2, setup.Dir2, setup.Image1, setup.Drive1, setup.Dir1}));
  // The example panel: in by Enter, and the focus with it to its button; out the same way.
  setup.Command1->setFocus();
  test::SendKey(setup.Command1, Qt::Key_Return);
  EXPECT_TRUE(setup.Frame3->isVisibleTo(&setup));
  EXPECT_EQ(setup.focusWidget(), setup.Command2);
  EXPECT_EQ(test::TabVisits(&setup), std::vector<QWidget*>{setup.Command2});  // nothing under the panel
  test::SendKey(setup.Command2, Qt::Key_Enter);
  EXPECT_FALSE(setup.Frame3->isVisibleTo(&setup));
  EXPECT_EQ(setup.focusWidget(), setup.Command1);
  EXPECT_EQ(test::TabVisits(&setup).size(), 6u);

  // Rows: c:\, Program Files, then its sub-directories Internet Explorer, Netscape.
  test::SendKeys(setup.Dir1, {Qt::Key_End, Qt::Key_Return});
  test::SendKeys(setup.Dir2, {Qt::Key_Down, Qt::Key_Return});
  EXPECT_EQ(setup.Dir1->Path(), "c:\\Program Files\\Netscape");
  EXPECT_EQ(setup.Dir2->Path(), "c:\\Program Files\\Internet Explorer");
  test::SendKey(setup.Image1, Qt::Key_Space);
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "c:\\Program Files\\Netscape");
  EXPECT_EQ(ReadSetting(registry_, Setting::IEPath), "c:\\Program Files\\Internet Explorer");
  EXPECT_FALSE(setup.isVisible());
}

// Keyboard use of the main window.
TEST_F(WindowTest, TabGoesThroughTheMainWindowAsItIsLaidOutPassingHiddenIcons) {
  MainScreen& main = MakeForms().Main();
  main.show();
  EXPECT_EQ(main.focusWidget(), main.Dir1);       // the window opens at the profile list
  EXPECT_FALSE(main.Image4->isVisibleTo(&main));  // Internet Explorer is the default
  EXPECT_EQ(test::TabVisits(&main),
            (std::vector<QWidget*>{main.Drive1, main.Image3, main.Image1, main.Image2, main.Image5, main.List2,
                                   main.List1, main.Command1, main.Command2, main.Command4, main.Command5,
                                   main.Command3, main.Command6, main.Dir1}));
  EXPECT_EQ(main.WebBrowser1->geometry(), TwipsRect(120, -120, 9255, 1575));  // the strip is never tabbed into
}

TEST_F(WindowTest, EveryMainWindowActionWorksFromTheKeyboard) {
  test::ExpectOk(WriteSetting(registry_, Setting::NetPath, "c:\\program files\\netscape"));
  Forms& forms = MakeForms();
  MainScreen& main = forms.Main();
  main.show();
  // The icons: the update page, the browser switch, Setup.
  test::SendKey(main.Image5, Qt::Key_Return);
  EXPECT_EQ(opener_.opened, (std::vector<std::string>{product::kUpdatePageAddress}));
  main.ShowRestored();
  test::SendKey(main.Image2, Qt::Key_Space);
  EXPECT_EQ(main.Frame1->title().toStdString(), "Netscape is the default browser, Click IE icon to change");
  test::SendKey(main.Image4, Qt::Key_Enter);
  EXPECT_EQ(opener_.opened.size(), 2u);
  main.ShowRestored();
  test::SendKey(main.Image3, Qt::Key_Return);
  EXPECT_TRUE(forms.Setup().isVisible());
  EXPECT_FALSE(main.isVisible());
  forms.Setup().hide();
  main.ShowRestored();

  // The buttons: Enter presses them as Space does.
  dialogs_.answers = {false};
  test::SendKey(main.Command5, Qt::Key_Return);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_TRUE(dialogs_.shown[0].yesNo);
  test::SendKey(main.Command4, Qt::Key_Enter);
  EXPECT_TRUE(forms.IE().isVisible());
  EXPECT_EQ(forms.IE().windowTitle().toStdString(), "Bookmarks and Favorites, Netscape is the default Browser");
  test::SendKey(forms.IE().Command1, Qt::Key_Return);
  EXPECT_TRUE(main.isVisible());
  test::SendKey(main.Command3, Qt::Key_Return);
  EXPECT_TRUE(forms.Ended());
}

TEST_F(WindowTest, EnterOpensAProfileFolderAndPressesOpenNetscapeMru) {
  prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
  MainScreen& main = MakeForms().Main();
  main.Dir1->SetPath("c:\\program files\\netscape");
  test::SendKeys(main.Dir1, {Qt::Key_Down, Qt::Key_Return});
  EXPECT_EQ(main.Dir1->Path(), "c:\\program files\\netscape\\Users");
  test::SendKeys(main.Dir1, {Qt::Key_Down, Qt::Key_Enter});
  EXPECT_EQ(main.Dir1->Path(), "c:\\program files\\netscape\\Users\\default");
  test::SendKey(main.Command1, Qt::Key_Return);  // no prefs.js there
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Netscape preference file not found in this directory"}));
}

}  // namespace
}  // namespace varnel

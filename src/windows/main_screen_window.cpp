#include "windows/main_screen_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

#include "session/journalled_writes.h"
#include "session/product.h"
#include "settings/launch_address.h"
#include "settings/registry_access.h"
#include "settings/settings.h"
#include "windows/ansi_text.h"
#include "windows/controls.h"
#include "windows/dialogs.h"
#include "windows/forms_ui.h"
#include "windows/keyboard.h"
#include "windows/twips.h"

namespace varnel {

namespace {

constexpr const char* kLaunchTip =
    "Launch browser without any MRU or Bookmark selected, will default to Varnel update page.";
constexpr const char* kListHelp =
    "(left click to highlight MRU, then right click to delete, then Save MRU.  To launch double click)";

ClickableImage* Image(QWidget* parent, const char* picture, int l, int t) {
  auto* image = new ClickableImage(parent);
  if (!image->SetImage(QString::fromLatin1(picture))) qWarning("varnel: the picture %s is missing", picture);
  PlaceTwips(image, l, t, 480, 480);
  return image;
}

unsigned ButtonFlags(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return kLeftButton;
    case Qt::RightButton: return kRightButton;
    case Qt::MiddleButton: return kMiddleButton;
    default: return 0;
  }
}

}  // namespace

MainScreen::MainScreen(Forms& forms) : QWidget(nullptr), forms_(forms), prompt_(forms.dialogs(), this) {
  setObjectName("MainScreen");
  setWindowTitle(QString::fromLatin1(kMainCaption));
  setFixedSize(TwipsToPixels(9480) + TwipsToPixels(120), TwipsToPixels(6615) + TwipsToPixels(120));
  setMouseTracking(true);
  histories().SetUi(prompt_, HistoryWindow{[this](const std::string& address) { forms_.Launch(address); },
                                           [this] { ShowHistories(); }});
  CreateControls();
  ConnectHandlers();
  // The profile list's path is the session's profile directory, whatever moves it.
  forms_.session().SetProfileDirectory(Dir1->Path());
  connect(Dir1, &DirListBox::PathChanged, this, [this] { forms_.session().SetProfileDirectory(Dir1->Path()); });
  SetUpKeyboard();
}

MainScreen::~MainScreen() = default;

HistoryLists& MainScreen::histories() { return forms_.session().histories(); }

void MainScreen::CreateControls() {
  WebBrowser1 = new WebStrip(this);
  // The caption is the program's own: the strip names the Windows environment that is open.
  WebBrowser1->SetNote("Windows environment: " + QString::fromStdString(forms_.session().prefix()));
  WebBrowser1->setOpenLinks(false);
  WebBrowser1->setFrameShape(QFrame::NoFrame);
  // Only a click into the strip enlarges it; the window's first focus goes elsewhere.
  WebBrowser1->setFocusPolicy(Qt::ClickFocus);
  PlaceTwips(WebBrowser1, 120, -120, 9255, 1575);
  Drive1 = new DriveListBox(forms_.session().folders(), this);
  PlaceTwips(Drive1, 2640, 1800, 1215, 420);
  Command5 = MakeButton(this, "Support ", 5400, 6240, 1575, 375);
  List2 = new ClassicListBox(this);
  List2->setToolTip(QString::fromLatin1(history_text::kIeListTip.data(), history_text::kIeListTip.size()));
  PlaceTwips(List2, 120, 2880, 8790, 1425);

  Frame1 = new QGroupBox(this);
  Frame1->setMouseTracking(true);
  PlaceTwips(Frame1, 4200, 1440, 5295, 1095);
  Image3 = Image(Frame1, ":/icons/setup.svg", 360, 240);
  Label6 = MakeLabel(Frame1, "Set up Browsers", 240, 720, 1095, 375);
  Label3 = MakeLabel(Frame1, "Click to launch", 3600, 840, 1815, 255);
  for (QLabel* onFrame : {Label6, Label3}) onFrame->setAutoFillBackground(false);  // over the frame's border
  Image4 = Image(Frame1, ":/icons/netscape.svg", 3960, 360);
  Image4->setToolTip(QString::fromLatin1(kLaunchTip));
  Image5 = Image(Frame1, ":/icons/ie.svg", 3960, 360);
  Image5->setToolTip(QString::fromLatin1(kLaunchTip));
  Image2 = Image(Frame1, ":/icons/netscape.svg", 2640, 360);
  Image1 = Image(Frame1, ":/icons/ie.svg", 1680, 360);

  Command4 = MakeButton(this, "Go to Bookmarks", 3720, 6240, 1695, 375);
  Command3 = MakeButton(this, "Exit Utility", 6840, 6240, 1575, 375);
  Command2 = MakeButton(this, std::string(history_text::kClearBoth), 2040, 6240, 1695, 375);
  Command1 = MakeButton(this, std::string(history_text::kOpenButton), 120, 6240, 1935, 375);
  List1 = new ClassicListBox(this);
  List1->setToolTip(QString::fromLatin1(history_text::kNetscapeListTip.data(), history_text::kNetscapeListTip.size()));
  PlaceTwips(List1, 120, 4680, 8775, 1425);
  Dir1 = new DirListBox(forms_.session().folders(), this);
  Dir1->setToolTip(QString::fromLatin1("Open User Profile folder then either right click  or press Open Netscape MRU"));
  PlaceTwips(Dir1, 240, 1800, 2415, 765);
  Command6 = MakeButton(this, "Back to Varnel", 2280, 120, 5895, 300);
  Label4[2] = MakeLabel(this, kListHelp, 1200, 2640, 6855, 255);
  Label4[1] = MakeLabel(this, kListHelp, 2040, 4440, 6855, 255);
  Label5 = MakeLabel(this, "IE MRU", 120, 2640, 1695, 255);
  Label4[0] = MakeLabel(this, std::string("Netscape MRU ") + kListHelp, 120, 4440, 2055, 255);
  Label1 = MakeLabel(this, "Open User Profile ", 360, 1560, 1935, 255);
}

void MainScreen::ConnectHandlers() {
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
  connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
  connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
  connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
  connect(Dir1, &DirListBox::MouseDown, this, [this](Qt::MouseButton b) { Dir1_MouseDown(b); });
  connect(Drive1, &DriveListBox::Change, this, [this] { Drive1_Change(); });
  connect(Image1, &ClickableImage::Click, this, [this] { Image1_Click(); });
  connect(Image2, &ClickableImage::Click, this, [this] { Image2_Click(); });
  connect(Image3, &ClickableImage::Click, this, [this] { Image3_Click(); });
  connect(Image4, &ClickableImage::Click, this, [this] { Image4_Click(); });
  connect(Image5, &ClickableImage::Click, this, [this] { Image5_Click(); });
  connect(List1, &ClassicListBox::MouseDown, this, [this](Qt::MouseButton b) { List1_MouseDown(b); });
  connect(List2, &ClassicListBox::MouseDown, this, [this](Qt::MouseButton b) { List2_MouseDown(b); });
  connect(List1, &ClassicListBox::DblClick, this, [this] { List1_DblClick(); });
  connect(List2, &ClassicListBox::DblClick, this, [this] { List2_DblClick(); });
  Label6->installEventFilter(this);
  Frame1->installEventFilter(this);
  WebBrowser1->installEventFilter(this);
  // Every key pressed in the window, whichever control has it: see eventFilter.
  qApp->installEventFilter(this);
}

// Keyboard use: Tab goes through the controls as they are laid out, top to bottom and left to
// right (the web strip only by a click, since its focus enlarges it); the window opens at the
// profile list. Enter launches a history entry (the list's double click) and Delete deletes
// the selected one, as the right button does.
void MainScreen::SetUpKeyboard() {
  SetTabOrder({Command6, Dir1, Drive1, Image3, Image1, Image2, Image4, Image5, List2, List1, Command1, Command2,
               Command4, Command5, Command3});
  Dir1->setFocus();
  connect(List1, &ClassicListBox::KeyDown, this, [this](int key) {
    if (key == Qt::Key_Delete) List1_MouseDown(Qt::RightButton);
  });
  connect(List2, &ClassicListBox::KeyDown, this, [this](int key) {
    if (key == Qt::Key_Delete) List2_MouseDown(Qt::RightButton);
  });
}

void MainScreen::Form_Load() {
  if (forms_.anotherCopyRunning()) {
    forms_.dialogs().Ok(this, kSecondCopyMessage);
    forms_.EndProgram();
    return;
  }
  forms_.session().DetectDefaultBrowser();
  ShowDefaultBrowser();
  std::string remembered = forms_.session().Setting(Setting::NetLAU);
  if (!remembered.empty()) Dir1->SetPath(remembered);
  // The strip navigates as a browser does, once the window is up: laying out the page is the
  // largest single piece of the start, and the window need not wait for it.
  QTimer::singleShot(0, WebBrowser1,
                     [this] { WebBrowser1->setSource(QUrl(QString::fromLatin1(product::kWebPageAddress))); });
}

void MainScreen::ShowRestored() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void MainScreen::ShowProfileDirectory(const std::string& drive, const std::string& path) {
  if (!drive.empty()) Drive1->SetDrive(drive);
  Dir1->SetPath(path);
}

void MainScreen::ShowDefaultBrowser() {
  const Browser browser = forms_.session().defaultBrowser();
  Frame1->setTitle(QString::fromLatin1(DefaultBrowserCaption(browser)));
  Image4->setVisible(browser == Browser::Netscape);
  Image5->setVisible(browser == Browser::InternetExplorer);
}

void MainScreen::ShowAfterUndo() {
  ShowDefaultBrowser();
  Form_MouseMove();  // the icon the undone switch hid is needed again
  Dir1->Refresh();
}

// A switch hides the icon just clicked until the pointer moves over the window again, or a key
// is pressed in it.
void MainScreen::SwitchDefaultBrowser(Browser browser) {
  const Status switched = forms_.session().MakeDefault(browser);
  if (!switched.ok()) {
    forms_.dialogs().Ok(this, switched.message);
    return;
  }
  (browser == Browser::InternetExplorer ? Image1 : Image2)->setVisible(false);
  ShowDefaultBrowser();
}

void MainScreen::Image1_Click() { SwitchDefaultBrowser(Browser::InternetExplorer); }
void MainScreen::Image2_Click() { SwitchDefaultBrowser(Browser::Netscape); }

void MainScreen::Form_MouseMove() {
  Image2->setVisible(true);
  Image1->setVisible(true);
}

void MainScreen::Image3_Click() {
  forms_.ShowSetup();
  hide();
}

void MainScreen::Label6_Click() { forms_.ShowSetup(); }

void MainScreen::Image4_Click() { forms_.Launch(product::kUpdatePageAddress); }
void MainScreen::Image5_Click() { forms_.Launch(product::kUpdatePageAddress); }

void MainScreen::Command5_Click() {
  std::string question = std::string("The Primary mode of support for Varnel is our list server, ") +
                         product::kSupportListEmail +
                         ".  If you are not a subscriber and you wish to do so at this time enter yes.";
  if (forms_.dialogs().YesNo(this, question)) forms_.Launch(product::kSupportSubscribeAddress);
}

void MainScreen::PlaceWebStrip(int top, int height) { PlaceTwips(WebBrowser1, 120, top, 9255, height); }

void MainScreen::Command6_Click() {
  PlaceWebStrip(0, 1455);
  WebBrowser1->lower();
  WebBrowser1->setSource(QUrl(QString::fromLatin1(product::kWebPageAddress)));
}

void MainScreen::WebBrowser1_GotFocus() {
  PlaceWebStrip(480, 6135);
  WebBrowser1->raise();
  Command6->raise();
}

void MainScreen::Dir1_MouseDown(Qt::MouseButton button) {
  if (button == Qt::RightButton) Command1_Click();
}

void MainScreen::Drive1_Change() { Dir1->SetDrive(Drive1->Drive()); }

void MainScreen::Command4_Click() { forms_.ShowBookmarks(); }

// "Exit Utility": the closing step below stores the remembered directories and ends the program.
void MainScreen::Command3_Click() { close(); }

void MainScreen::Form_QueryUnload() { forms_.CloseProgram(); }

void MainScreen::closeEvent(QCloseEvent* event) {
  event->ignore();  // the window does not close by itself; the program ends instead
  if (!forms_.Ended()) Form_QueryUnload();
}

void MainScreen::mouseMoveEvent(QMouseEvent* event) {
  Form_MouseMove();
  QWidget::mouseMoveEvent(event);
}

// What the pointer's movement brings back (the switch icon just pressed), a key brings back too:
// by keys alone both browsers stay within reach.
bool MainScreen::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    Form_MouseMove();
  }
  if (watched == Frame1 && event->type() == QEvent::MouseMove) Form_MouseMove();
  if (watched == Label6 && IsLabel6Click(event)) Label6_Click();
  if (watched == WebBrowser1 && event->type() == QEvent::FocusIn) WebBrowser1_GotFocus();
  return QWidget::eventFilter(watched, event);
}

// A click is a left press and a left release on the label, as on a button.
bool MainScreen::IsLabel6Click(QEvent* event) {
  if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease) return false;
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton) return false;
  if (event->type() == QEvent::MouseButtonPress) {
    label6Pressed_ = true;
    return false;
  }
  const bool click = label6Pressed_ && Label6->rect().contains(mouse->position().toPoint());
  label6Pressed_ = false;
  return click;
}

// The history lists: the model holds the items, the controls show them.
void MainScreen::ShowHistories() {
  for (auto [list, control] :
       {std::pair{HistoryList::Netscape, List1}, std::pair{HistoryList::InternetExplorer, List2}}) {
    control->Clear();
    for (const std::string& item : histories().items(list)) control->AddItem(item);
    control->SetListIndex(histories().selection(list));
  }
  Command2->setText(FromAnsi(histories().caption()));
}

void MainScreen::Command1_Click() {
  setCursor(Qt::WaitCursor);
  histories().Open(Dir1->Path());
  ShowHistories();
  unsetCursor();
}

void MainScreen::Command2_Click() {
  histories().Save(Dir1->Path());
  ShowHistories();
}

void MainScreen::List1_MouseDown(Qt::MouseButton button) { ListMouseDown(HistoryList::Netscape, List1, button); }

void MainScreen::List2_MouseDown(Qt::MouseButton button) {
  ListMouseDown(HistoryList::InternetExplorer, List2, button);
}

// Only the item a press deletes leaves the control, so the list keeps its scroll position.
void MainScreen::ListMouseDown(HistoryList list, ClassicListBox* control, Qt::MouseButton button) {
  histories().Select(list, control->ListIndex());
  const int selected = histories().selection(list);
  const size_t countBefore = histories().items(list).size();
  histories().MouseDown(list, ButtonFlags(button));
  if (histories().items(list).size() < countBefore) control->RemoveItem(selected);
  control->SetListIndex(histories().selection(list));
  Command2->setText(FromAnsi(histories().caption()));
}

void MainScreen::List1_DblClick() {
  histories().Select(HistoryList::Netscape, List1->ListIndex());
  histories().DoubleClick(HistoryList::Netscape);
}

void MainScreen::List2_DblClick() {
  histories().Select(HistoryList::InternetExplorer, List2->ListIndex());
  histories().DoubleClick(HistoryList::InternetExplorer);
}

}  // namespace varnel

#include "windows/setup_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QPainter>

#include "settings/settings.h"
#include "setup/browser_directories.h"
#include "windows/dialogs.h"
#include "windows/forms_ui.h"
#include "windows/keyboard.h"
#include "windows/twips.h"

namespace varnel {

namespace {

// The example picture: both directory lists with the browsers' standard directories chosen.
QPixmap ExamplePicture(QSize size) {
  QPixmap picture(size);
  picture.fill(QColor("#ffffff"));
  QPainter p(&picture);
  p.setFont(QFont("Sans Serif", 8));
  auto drawList = [&](int top, const char* title, const QStringList& rows, int chosen) {
    p.setPen(Qt::black);
    p.drawText(8, top - 6, QString::fromLatin1(title));
    QRect box(8, top, size.width() - 16, 18 * rows.size() + 6);
    p.drawRect(box);
    for (int i = 0; i < rows.size(); ++i) {
      QRect row(box.left() + 2, box.top() + 3 + 18 * i, box.width() - 4, 18);
      if (i == chosen) {
        p.fillRect(row, QColor("#000080"));
        p.setPen(Qt::white);
      } else {
        p.setPen(Qt::black);
      }
      p.drawText(row.adjusted(4 + 10 * std::min(i, 2), 0, 0, 0), Qt::AlignVCenter, rows[i]);
    }
  };
  drawList(24, "Netscape Directory", {"c:\\", "Program Files", "Netscape", "Communicator", "Users"}, 2);
  drawList(size.height() / 2 + 24, "Internet Explorer Directory",
           {"c:\\", "Program Files", "Internet Explorer", "Connection Wizard", "Plugins"}, 2);
  return picture;
}

}  // namespace

SetupWindow::SetupWindow(Forms& forms) : QWidget(nullptr), forms_(forms) {
  setObjectName("Setup");
  setWindowTitle(QString::fromLatin1(kSetupCaption));
  setFixedSize(TwipsToPixels(10215), TwipsToPixels(7215));
  CreateControls();
  connect(Drive1, &DriveListBox::Change, this, [this] { Drive1_Change(); });
  connect(Drive2, &DriveListBox::Change, this, [this] { Drive2_Change(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(Image1, &ClickableImage::Click, this, [this] { Image1_Click(); });
  SetUpKeyboard();
}

// Keyboard use: Tab goes through the controls as they are laid out (the Netscape lists, the
// example button, the Internet Explorer lists, the save icon; the example panel's button while
// it shows), Enter presses a button, Enter or Space on the save icon saves. The focus follows
// the example panel in and out.
void SetupWindow::SetUpKeyboard() {
  for (QPushButton* button : {Command1, Command2}) ClickOnEnter(button);
  SetTabOrder({Drive1, Dir1, Command1, Drive2, Dir2, Image1, Command2});
  Dir1->setFocus();
  connect(Command1, &QPushButton::clicked, this, [this] { Command2->setFocus(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command1->setFocus(); });
}

void SetupWindow::CreateControls() {
  Frame3 = new QGroupBox(QString::fromLatin1("Example: How to select working directories for Netscape and IE"), this);
  PlaceTwips(Frame3, 120, 240, 9975, 6855);
  Frame3->setAutoFillBackground(true);
  Frame3->setVisible(false);
  Command2 = new QPushButton(QString::fromLatin1("Hide Example"), Frame3);
  PlaceTwips(Command2, 6600, 5760, 1695, 375);
  Picture1 = new QLabel(Frame3);
  PlaceTwips(Picture1, 480, 600, 4215, 5655);
  Picture1->setPixmap(ExamplePicture(Picture1->size()));
  Label1 = new QLabel(QString::fromLatin1("The is the way the screens should look when choosing the browser working "
                                          "directories.  With Netscape and Internet Explorer highlighted."),
                      Frame3);
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  PlaceTwips(Label1, 5160, 720, 4335, 3135);

  Command1 = new QPushButton(QString::fromLatin1("Click here for example"), this);
  PlaceTwips(Command1, 5520, 3000, 2655, 615);
  Frame2 = new QGroupBox(QString::fromLatin1("Internet Explorer Directory"), this);
  PlaceTwips(Frame2, 840, 3840, 3015, 2775);
  Dir2 = new DirListBox(forms_.session().folders(), Frame2);
  PlaceTwips(Dir2, 240, 720, 2655, 1890);
  Drive2 = new DriveListBox(forms_.session().folders(), Frame2);
  PlaceTwips(Drive2, 600, 240, 855, 315);
  Frame1 = new QGroupBox(QString::fromLatin1("Netscape Directory"), this);
  PlaceTwips(Frame1, 840, 840, 3015, 2775);
  Dir1 = new DirListBox(forms_.session().folders(), Frame1);
  PlaceTwips(Dir1, 240, 720, 2655, 1890);
  Drive1 = new DriveListBox(forms_.session().folders(), Frame1);
  PlaceTwips(Drive1, 600, 240, 855, 315);
  Label2 = new QLabel(QString::fromLatin1("Save Setting "), this);
  PlaceTwips(Label2, 5640, 6120, 2655, 255);
  Image1 = new ClickableImage(this);
  if (!Image1->SetImage(QString::fromLatin1(":/icons/save.svg"))) qWarning("varnel: the diskette picture is missing");
  PlaceTwips(Image1, 5880, 5640, 480, 480);
  Frame3->raise();  // the example panel covers the window when shown
}

void SetupWindow::Form_Load() {
  Dir1->SetPath(forms_.session().Setting(Setting::NetPath));
  Dir2->SetPath(forms_.session().Setting(Setting::IEPath));
  Drive1->SetDrive(Dir1->Path().substr(0, 2));
  Drive2->SetDrive(Dir2->Path().substr(0, 2));
}

void SetupWindow::ShowAfterUndo() { Form_Load(); }

void SetupWindow::Drive1_Change() { Dir1->SetDrive(Drive1->Drive()); }
void SetupWindow::Drive2_Change() { Dir2->SetDrive(Drive2->Drive()); }
void SetupWindow::Command1_Click() {
  Frame3->setVisible(true);
  CoverWithExample(true);
}

void SetupWindow::Command2_Click() {
  CoverWithExample(false);
  Frame3->setVisible(false);
}

void SetupWindow::CoverWithExample(bool covered) {
  if (covered && coveredFocus_.empty()) {
    for (QWidget* control : std::initializer_list<QWidget*>{Drive1, Dir1, Command1, Drive2, Dir2, Image1}) {
      coveredFocus_.emplace_back(control, control->focusPolicy());
      control->setFocusPolicy(Qt::NoFocus);
    }
  } else if (!covered) {
    for (const auto& [control, policy] : coveredFocus_) control->setFocusPolicy(policy);
    coveredFocus_.clear();
  }
}

void SetupWindow::Image1_Click() {
  DialogsPrompt prompt(forms_.dialogs(), this);
  const SetupSaveSteps steps{
      [this] {
        hide();
        forms_.ShowMain();
      },
      [this] { show(); },
      [this](const std::string& drive, const std::string& path) { forms_.ShowProfileDirectory(drive, path); }};
  forms_.session().SaveBrowserDirectories(Dir1->Path(), Dir2->Path(), Drive1->Drive(), prompt, steps);
}

// The close box never puts the window away: it brings up the main window beside it. While
// start-up waits for the window, the close box lets start-up go on to the main window.
void SetupWindow::Form_QueryUnload() {
  if (modalAtStart_) {
    hide();
    return;
  }
  forms_.ShowMain();
}

void SetupWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!forms_.Ended()) Form_QueryUnload();
}

void SetupWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  emit Hidden();
}

void SetupWindow::ShowModalAtStart() {
  modalAtStart_ = true;
  setWindowModality(Qt::ApplicationModal);
  show();
  QEventLoop loop;
  connect(this, &SetupWindow::Hidden, &loop, &QEventLoop::quit);
  if (isVisible()) loop.exec();
  // Shown again before the loop ended (the user chose to pick again): modality only changes
  // while hidden, so the window is hidden and shown once more without blocking the others.
  const bool visible = isVisible();
  if (visible) hide();
  setWindowModality(Qt::NonModal);
  modalAtStart_ = false;
  if (visible) show();
}

}  // namespace varnel

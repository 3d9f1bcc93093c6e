#include "bookmarks/ie_window.h"

#include <QCloseEvent>

#include "app/forms_ui.h"
#include "app/main_screen_window.h"
#include "settings/settings.h"
#include "widgets/twips.h"

namespace varnel {

IEWindow::IEWindow(Forms& forms) : QWidget(nullptr), forms_(forms) {
  setObjectName("IE");
  setWindowTitle(QString::fromLatin1("Bookmarks and Favorites"));
  setFixedSize(TwipsToPixels(9615), TwipsToPixels(6855));
  Dir1 = new DirListBox(forms_.drives(), this);
  PlaceTwips(Dir1, 120, 600, 3375, 1890);
  File1 = new FileListBox(forms_.drives(), this);
  File1->SetPattern("*.url");
  PlaceTwips(File1, 3600, 600, 5895, 1845);
  Label2[0] = new QLabel(QString::fromLatin1("Internet Explorer Favorites"), this);
  PlaceTwips(Label2[0], 4920, 240, 6015, 255);
  Label1 = new QLabel(QString::fromLatin1("Status: Ready"), this);
  PlaceTwips(Label1, 120, 2520, 9375, 255);
  Label2[1] = new QLabel(QString::fromLatin1("Netscape Bookmarks"), this);
  PlaceTwips(Label2[1], 3360, 3000, 2535, 255);
  Command1 = new QPushButton(QString::fromLatin1("Back to main screen"), this);
  PlaceTwips(Command1, 4800, 6480, 2295, 255);
  connect(Dir1, &DirListBox::PathChanged, this, [this] { Dir1_Change(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

// Starts in the remembered favorites directory, else the standard one when it exists.
void IEWindow::Form_Load() {
  std::string remembered = ReadSetting(forms_.registry(), Setting::IEfav);
  std::string start = remembered.empty() ? kStandardFavoritesDirectory : remembered;
  // A folder that has gone opens its nearest remaining parent; an unmapped drive opens c:\.
  Dir1->SetPath(start);
  if (!forms_.drives().Exists(Dir1->Path())) Dir1->SetPath("c:\\");
  Dir1_Change();
}

void IEWindow::Dir1_Change() { File1->SetPath(Dir1->Path()); }

void IEWindow::Command1_Click() {
  hide();
  MainScreen& main = forms_.Main();
  main.show();
  main.activateWindow();
}

void IEWindow::Form_QueryUnload() {
  WriteSetting(forms_.registry(), Setting::IEfav, Dir1->Path());
  WriteSetting(forms_.registry(), Setting::NetLAU, forms_.Main().Dir1->Path());
  forms_.Main().histories().CloseAll();
  forms_.EndProgram();
}

void IEWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!forms_.Ended()) Form_QueryUnload();
}

}  // namespace varnel

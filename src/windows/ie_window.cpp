#include "windows/ie_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/favorites.h"
#include "settings/launch_address.h"
#include "windows/ansi_text.h"
#include "windows/controls.h"
#include "windows/dialogs.h"
#include "windows/forms_ui.h"
#include "windows/keyboard.h"
#include "windows/twips.h"

namespace varnel {
namespace {

// A travelling picture of the transfer animations: the globe, hidden at rest.
ClickableImage* Globe(QWidget* parent, int l, int t) {
  auto* image = new ClickableImage(parent);
  if (!image->SetImage(QStringLiteral(":/icons/globe.svg"))) qWarning("varnel: the globe picture is missing");
  PlaceTwips(image, l, t, 480, 480);
  image->hide();
  image->setFocusPolicy(Qt::NoFocus);  // it only travels, nothing to press
  return image;
}

}  // namespace

IEWindow::IEWindow(Forms& forms) : QWidget(nullptr), forms_(forms) {
  setObjectName("IE");
  setWindowTitle(QString::fromLatin1("Bookmarks and Favorites"));
  setFixedSize(TwipsToPixels(9615), TwipsToPixels(6855));
  setMouseTracking(true);
  CreateControls();
  connect(Dir1, &DirListBox::PathChanged, this, [this] { Dir1_Change(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
  connect(tvwMyTree, &QTreeView::clicked, this,
          [this](const QModelIndex& index) { tvwMyTree_NodeClick(treeModel_->NodeOf(index)); });
  connect(File1, &FileListBox::DblClick, this, [this] { File1_DblClick(); });
  SetUpKeyboard();
  SetUpContextMenus();
}

// The right button, the menu key and Shift+F10 on the tree or the favorites list open the
// menu; a transfer that changed something shows in both.
void IEWindow::SetUpContextMenus() {
  Menu1 = new CollectionMenu(forms_, this, [this] {
    Dir1->Refresh();
    Command3_Click();
  });
  for (QAbstractScrollArea* control : std::initializer_list<QAbstractScrollArea*>{tvwMyTree, File1}) {
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    QWidget* at = control->viewport();  // the signal's point is the viewport's
    connect(control, &QWidget::customContextMenuRequested, this,
            [this, at](const QPoint& pos) { Menu1->OpenOn(at, pos); });
  }
}

// Keyboard use: Tab goes through the controls as they are laid out, top to bottom and left to
// right; Enter opens a folder of Dir1, a favorite of File1 (their double click) and the
// tree's current node (its click). The tree shows its current node when it takes the focus.
void IEWindow::SetUpKeyboard() {
  SetTabOrder({Check1, Dir1, File1, tvwMyTree, Command3, Command1});
  Dir1->setFocus();
  tvwMyTree->installEventFilter(this);
}

bool IEWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != tvwMyTree) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::FocusIn) TreeTakesFocus();
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
  const QModelIndex current = tvwMyTree->currentIndex();
  if (current.isValid() && !key->isAutoRepeat()) tvwMyTree_NodeClick(treeModel_->NodeOf(current));
  return true;
}

// Without a current node the keys start at the top row the view shows (the tree is scrolled to
// the last bookmark made visible), not at the tree's first row far above; a current node out
// of sight is scrolled into view.
void IEWindow::TreeTakesFocus() {
  const QModelIndex current = tvwMyTree->currentIndex();
  if (current.isValid()) {
    tvwMyTree->scrollTo(current);
    return;
  }
  const QModelIndex top = tvwMyTree->indexAt(QPoint(0, 0));
  if (top.isValid()) tvwMyTree->selectionModel()->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
}

void IEWindow::CreateControls() {
  Check1 = new QCheckBox(QString::fromLatin1("Transfer bookmarks <> favorities"), this);
  PlaceTwips(Check1, 360, 120, 3495, 315);
  Dir1 = new DirListBox(forms_.session().folders(), this);
  PlaceTwips(Dir1, 120, 600, 3375, 1890);
  File1 = new FileListBox(forms_.session().folders(), this);
  File1->SetPattern(std::string(kFavoritePattern));
  PlaceTwips(File1, 3600, 600, 5895, 1845);
  Label2[0] = MakeLabel(this, "Internet Explorer Favorites", 4920, 240, 6015, 255);
  Label1 = MakeLabel(this, "Status: Ready", 120, 2520, 9375, 255);
  Label2[1] = MakeLabel(this, "Netscape Bookmarks", 3360, 3000, 2535, 255);
  tvwMyTree = new QTreeView(this);
  treeModel_ = new BookmarkTreeModel(tree_, this);
  tvwMyTree->setModel(treeModel_);
  tvwMyTree->setHeaderHidden(true);
  tvwMyTree->setUniformRowHeights(true);  // a tree of any size lays out in one pass
  tvwMyTree->setIconSize(QSize(16, 16));
  PlaceTwips(tvwMyTree, 120, 3240, 9375, 3015);
  Command3 = MakeButton(this, "Refresh Bookmarks/ favorites", 1680, 6480, 2295, 255);
  Command1 = MakeButton(this, "Back to main screen", 4800, 6480, 2295, 255);
  Image1 = Globe(this, 120, 3000);
  Label3 = MakeLabel(this, "Label3", -600, 2760, 4815, 255);
  Label3->hide();
  Image2 = Globe(this, 6720, 2520);
  Label4 = MakeLabel(this, "Label3", 6480, 3000, 3735, 255);
  Label4->hide();
}

// The favorites directory: the remembered one, else the standard one; when the one to use is
// not there, its message, and the list stays at the program's working directory. Then the
// bookmarks are loaded.
void IEWindow::Form_Load() {
  Dir1->SetPath(forms_.session().folders().WorkingDirectory());
  const FavoritesDirectoryChoice choice = forms_.session().ChooseFavoritesDirectory();
  if (choice.directory) Dir1->SetPath(*choice.directory);
  if (choice.message) forms_.dialogs().Ok(this, *choice.message);
  Dir1_Change();
  Command3_Click();
}

void IEWindow::ShowAfterUndo() {
  Dir1->Refresh();   // a folder the undo removed falls back, and the favorites list with it
  Command3_Click();  // the tree, then the favorites list, read again
}

// The favorites list's path is the session's favorites directory from the window's load on.
void IEWindow::Dir1_Change() {
  File1->SetPath(Dir1->Path());
  forms_.session().SetFavoritesDirectory(Dir1->Path());
}

void IEWindow::SetStatus(std::string_view text) {
  Label1->setText(FromAnsi(std::string(text)));
  Label1->repaint();  // the load holds the event loop: show the text now
}

void IEWindow::Command3_Click() {
  DialogsPrompt prompt(forms_.dialogs(), this);
  forms_.session().LoadBookmarks(forms_.session().profileDirectory(), tree_, prompt,
                                 BookmarkLoadUi{[this](std::string_view text) { SetStatus(text); },
                                                [this](bool busy) { busy ? setCursor(Qt::WaitCursor) : unsetCursor(); },
                                                [this] { treeModel_->BeginReplace(); }, [this] { ShowLoadedTree(); },
                                                [this] { File1->Refresh(); }});
}

// Every node a made-visible node lies under is expanded, and the view scrolls to the last one:
// the view stores the expansions and lays the tree out once, when it scrolls.
void IEWindow::ShowLoadedTree() {
  treeModel_->EndReplace();
  for (BookmarkTree::NodeId id = 0; id < static_cast<BookmarkTree::NodeId>(tree_.size()); ++id) {
    if (tree_.expanded(id)) tvwMyTree->expand(treeModel_->IndexOf(id));
  }
  if (tree_.lastMadeVisible() != BookmarkTree::kNone) tvwMyTree->scrollTo(treeModel_->IndexOf(tree_.lastMadeVisible()));
}

void IEWindow::ShowFailure(const Status& failure) { forms_.dialogs().Ok(this, FailureMessage(failure)); }

void IEWindow::tvwMyTree_NodeClick(BookmarkTree::NodeId node) {
  const std::optional<std::string_view> address = tree_.address(node);
  if (!address || address->empty()) {
    forms_.dialogs().Ok(this, std::string(kNotAnAddressMessage));
    return;
  }
  const std::string title(tree_.text(node));
  if (!Check1->isChecked()) {
    SetStatus(kPassedToBrowserStatus);
    forms_.Launch(AddressInCodePage(*address));  // the tree's texts are UTF-8
    return;
  }
  std::string written;
  const Status status = forms_.session().CopyBookmarkToFavorite(title, *address, written);
  if (!status.ok()) {
    ShowFailure(status);
    return;
  }
  Label2[1]->hide();
  PlayAnimation(Image1, Label3, QString::fromStdString(ShownText(title)),
                BookmarkToFavoriteSteps());  // as the tree shows it
}

void IEWindow::File1_DblClick() {
  const std::string file = File1->FileName();
  if (file.empty()) return;
  std::optional<std::string> address;
  const Status read = forms_.session().ReadFavoriteAddress(File1->Path(), file, address);
  if (!read.ok()) {
    ShowFailure(read);
    return;
  }
  SetStatus(kSearchingStatus);
  if (!address) {
    forms_.dialogs().Ok(this, std::string(kCorruptedFavoriteMessage));
    SetStatus(kCorruptedFavoriteStatus);
    return;
  }
  if (!Check1->isChecked()) {
    SetStatus(kPassedToBrowserStatus);
    repaint();
    forms_.Launch(AddressInCodePage(*address));
    return;
  }
  AddFavoriteToBookmarks(file, *address);
}

// bookmark.htm of the main window's profile, copied through "tempfile" with the new line after
// the heading, replaces the old one; then the favorite flies to the tree. The tree is not
// reloaded.
void IEWindow::AddFavoriteToBookmarks(const std::string& file, const std::string& address) {
  BookmarkCopy copy;
  bool headingHidden = false;
  const Status status = forms_.session().AddFavoriteToBookmarks(
      file, address, false,
      [this, &headingHidden] {
        Label2[1]->hide();
        headingHidden = true;
      },
      copy);
  if (!status.ok()) {
    if (headingHidden) Label2[1]->show();
    ShowFailure(status);
    return;
  }
  PlayAnimation(Image2, Label4, QString::fromStdString(file), FavoriteToBookmarkSteps());
}

// The picture and its label travel step by step, each step painted at once, then hide; the
// tree's heading shows again. They stay where the last step put them.
void IEWindow::PlayAnimation(QWidget* image, QLabel* label, const QString& caption,
                             const std::vector<AnimationStep>& steps) {
  label->setText(caption);
  label->show();
  image->show();
  for (const AnimationStep& step : steps) {
    image->move(TwipsToPixels(step.imageLeft), TwipsToPixels(step.imageTop));
    label->move(TwipsToPixels(step.labelLeft), TwipsToPixels(step.labelTop));
    repaint();
  }
  label->hide();
  image->hide();
  Label2[1]->show();
}

void IEWindow::Form_MouseMove() { Label1->setText(FromAnsi(std::string(kReadyStatus))); }

void IEWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!childAt(event->position().toPoint())) Form_MouseMove();  // the background, not a control
  QWidget::mouseMoveEvent(event);
}

// Back to the main window, shown normal and focused even when a launch had minimized it.
void IEWindow::Command1_Click() {
  hide();
  forms_.ShowMain();
}

void IEWindow::Form_QueryUnload() { forms_.CloseProgram(); }

void IEWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!forms_.Ended()) Form_QueryUnload();
}

}  // namespace varnel

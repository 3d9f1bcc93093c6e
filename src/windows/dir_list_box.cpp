#include "windows/dir_list_box.h"

#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

#include "windows/ansi_text.h"
#include "windows/twips.h"
#include "winenv/code_page.h"
#include "winenv/drive_map.h"  // the Windows path helpers

namespace varnel {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
const int kIndentPixels = TwipsToPixels(120);

// Draws each row shifted right by its depth.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem shifted(option);
    shifted.rect.setLeft(option.rect.left() + Indent(index));
    QStyledItemDelegate::paint(painter, shifted, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
  }

 private:
  static int Indent(const QModelIndex& index) { return index.data(kDepthRole).toInt() * kIndentPixels; }
};

std::string LastComponent(const std::string& path) {
  const auto slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

DirListBox::DirListBox(const FolderListing& drives, QWidget* parent) : ClassicListBase(parent), drives_(drives) {
  setItemDelegate(new IndentDelegate(this));
  connect(this, &ClassicListBase::DblClick, this, &DirListBox::OpenSelected);
  SetPath("c:\\");
}

void DirListBox::SetPath(const std::string& windowsPath) {
  const std::string path = ExistingDirectory(windowsPath);
  if (path.empty()) return;
  const bool changed = !EqualNoCaseAnsi(path, path_);
  path_ = path;
  Rebuild();
  if (changed) emit PathChanged();
}

void DirListBox::Refresh() { SetPath(path_); }

void DirListBox::SetDrive(const std::string& drive) {
  if (drive.size() < 2 || EqualNoCaseAnsi(path_.substr(0, 2), drive.substr(0, 2))) return;
  SetPath(drive.substr(0, 2) + "\\");
}

std::string DirListBox::SelectedPath() const {
  const QListWidgetItem* it = item(SelectedRow());
  return it ? it->data(kPathRole).toByteArray().toStdString() : std::string();
}

std::string DirListBox::ExistingDirectory(const std::string& windowsPath) const {
  std::string path = NormalizeWindowsPath(windowsPath);
  if (path.size() < 2 || path[1] != ':') return "";
  if (path.size() == 2 && path[1] == ':') path += '\\';
  const std::vector<std::string> ancestors = WindowsAncestors(path);
  if (ancestors.empty()) return "";
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
    if (drives_.IsDirectory(*it)) return *it;
  }
  return "";  // not on a drive of this prefix: the list stays where it is
}

void DirListBox::Rebuild() {
  Quiet quiet(*this);
  clear();
  const std::vector<std::string> ancestors = WindowsAncestors(path_);
  const int depth = static_cast<int>(ancestors.size()) - 1;
  for (int i = 0; i <= depth; ++i) AddRow(ancestors[i], AncestorName(ancestors[i], i), i, true);
  for (const std::string& name : drives_.SubDirectories(path_)) {
    AddRow(WindowsChild(path_, name), name, depth + 1, false);
  }
  SelectRow(depth);
}

namespace {

// The classic yellow folder, drawn once: an open one for the current directory and its
// ancestors, a closed one for the sub-directories. Drawing it costs far less than looking up
// the desktop's icon theme at start-up. It is drawn for the screen's plain and double pixel
// density, so a scaled desktop shows it sharp.
QPixmap DrawFolder(bool opened, int scale) {
  QPixmap pixmap(16 * scale, 16 * scale);
  pixmap.setDevicePixelRatio(scale);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QColor(128, 96, 0));
  p.setBrush(QColor(255, 214, 90));
  p.drawRect(1, 4, 13, 10);
  p.drawRect(1, 2, 5, 2);
  if (opened) {
    p.setBrush(QColor(255, 236, 150));
    p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 14), QPoint(1, 14)}));
  }
  return pixmap;
}

QIcon FolderIcon(bool open) {
  auto draw = [](bool opened) {
    QIcon icon;
    for (int scale : {1, 2}) icon.addPixmap(DrawFolder(opened, scale));
    return icon;
  };
  static const QIcon openFolder = draw(true);
  static const QIcon closedFolder = draw(false);
  return open ? openFolder : closedFolder;
}

}  // namespace

void DirListBox::AddRow(const std::string& path, const std::string& name, int depth, bool open) {
  auto* row = new QListWidgetItem(FolderIcon(open), ShownText(FromAnsi(name)), this);  // the path is kept whole
  row->setData(kPathRole, QByteArray::fromStdString(path));
  row->setData(kDepthRole, depth);
}

std::string DirListBox::AncestorName(const std::string& path, int depth) const {
  if (depth == 0) return LowerAnsi(path.substr(0, 2)) + "\\";
  const std::string actual = drives_.ActualName(path);
  return actual.empty() ? LastComponent(path) : actual;
}

void DirListBox::OpenSelected() {
  const std::string path = SelectedPath();
  if (!path.empty()) SetPath(path);
}

}  // namespace varnel

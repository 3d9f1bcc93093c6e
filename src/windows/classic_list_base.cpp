#include "windows/classic_list_base.h"

#include <algorithm>
#include <utility>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "windows/ansi_text.h"
#include "windows/focus_frame.h"

namespace varnel {
namespace {

// Where a row keeps its text when it shows it otherwise.
constexpr int kRealTextRole = Qt::UserRole + 64;

bool IsControl(QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0); }

}  // namespace

QString ClassicListBase::ShownText(const QString& text) {
  QString shown;
  for (const QChar c : text) {
    shown += IsControl(c) ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
  }
  return shown;
}

void ClassicListBase::AddShownRow(const QString& text) {
  if (std::none_of(text.begin(), text.end(), IsControl)) {
    addItem(text);
    return;
  }
  auto* row = new QListWidgetItem(ShownText(text));
  row->setData(kRealTextRole, text);
  addItem(row);
}

QString ClassicListBase::RealText(const QListWidgetItem* row) {
  const QVariant real = row->data(kRealTextRole);
  return real.isValid() ? real.toString() : row->text();
}

ClassicListBase::ClassicListBase(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSortingEnabled(false);
  setContextMenuPolicy(Qt::PreventContextMenu);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // classic lists scroll up and down only
  connect(this, &QListWidget::itemSelectionChanged, this, &ClassicListBase::OnSelectionChanged);
}

int ClassicListBase::SelectedRow() const {
  const QList<QListWidgetItem*> items = selectedItems();
  return items.isEmpty() ? -1 : row(items.front());
}

void ClassicListBase::SelectRow(int row) {
  if (row < 0) {
    clearSelection();
  } else if (row < count()) {
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  }
}

std::string ClassicListBase::RowText(int row) const {
  const QListWidgetItem* it = item(row);
  return it ? ToAnsi(RealText(it)) : std::string();
}

void ClassicListBase::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) PressLeft(event);
  emit MouseDown(event->button());
}

void ClassicListBase::PressLeft(QMouseEvent* event) {
  const int before = SelectedRow();
  QListWidget::mousePressEvent(event);
  // A changed selection has reported Click already.
  if (SelectedRow() == before && itemAt(event->position().toPoint())) emit Click();
}

void ClassicListBase::mouseReleaseEvent(QMouseEvent* event) {
  // The release that ends a double click belongs to it: a handler may have rebuilt the rows
  // meanwhile (the directory list opens a folder), so it must not select a row of its own.
  if (std::exchange(releaseEndsDoubleClick_, false)) return;
  if (event->button() == Qt::LeftButton) QListWidget::mouseReleaseEvent(event);
}

void ClassicListBase::mouseMoveEvent(QMouseEvent* event) {
  const bool otherButtonsOnly = event->buttons() != Qt::NoButton && !(event->buttons() & Qt::LeftButton);
  if (!otherButtonsOnly) QListWidget::mouseMoveEvent(event);
}

void ClassicListBase::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    emit MouseDown(event->button());
    return;
  }
  // The second press selects like the first, then the double click is reported.
  QMouseEvent press(QEvent::MouseButtonPress, event->position(), event->scenePosition(), event->globalPosition(),
                    event->button(), event->buttons(), event->modifiers(), event->pointingDevice());
  QListWidget::mousePressEvent(&press);
  releaseEndsDoubleClick_ = true;
  emit DblClick();
}

// Enter opens the selected row as a double click does. Without a selected row, the row the focus
// stands on (the view puts it on the first row when the list takes the focus) is what the keys
// act on: the first arrow key selects it rather than moving past it, and Enter selects and opens
// it. A list without a row to stand on does nothing.
void ClassicListBase::keyPressEvent(QKeyEvent* event) {
  emit KeyDown(event->key());
  const int key = event->key();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  const bool arrow = key == Qt::Key_Down || key == Qt::Key_Up;
  if (SelectedRow() < 0 && ((enter && currentRow() >= 0) || (arrow && count() > 0))) {
    SelectRow(std::max(currentRow(), 0));
    event->accept();
    if (arrow) return;
  }
  if (!enter) {
    QListWidget::keyPressEvent(event);
    return;
  }
  event->accept();
  if (!event->isAutoRepeat() && SelectedRow() >= 0) emit DblClick();
}

// Without a current row the view draws no focus at all: the frame shows where the keys go.
void ClassicListBase::paintEvent(QPaintEvent* event) {
  QListWidget::paintEvent(event);
  if (!hasFocus() || currentIndex().isValid()) return;
  QPainter painter(viewport());
  DrawFocusFrame(painter, viewport()->rect(), palette());
}

QItemSelectionModel::SelectionFlags ClassicListBase::selectionCommand(const QModelIndex& index,
                                                                      const QEvent* event) const {
  const auto command = QListWidget::selectionCommand(index, event);
  // A classic list keeps its selection on Ctrl+click.
  if (command.testFlag(QItemSelectionModel::Deselect)) return QItemSelectionModel::NoUpdate;
  return command;
}

void ClassicListBase::OnSelectionChanged() {
  if (quiet_ == 0) emit Click();
}

}  // namespace varnel

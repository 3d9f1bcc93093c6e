#pragma once
// The mouse and selection behaviour shared by the classic list controls:
// - a left press selects as usual; any other button reports MouseDown and leaves the selection
//   alone (no context menu either, the window shows its own on MouseDown);
// - Click follows every selection change (mouse, keys or code) and a left press on the already
//   selected row; changes made while rebuilding the rows (Quiet) stay silent;
// - DblClick on a left double click; its second press does not report MouseDown;
// - from the keyboard: the arrows select as usual, Enter (or Return) on a selected row reports
//   DblClick, and KeyDown(key) reports every key pressed on the list before it acts on it;
//   with no row selected, the first arrow key (and Enter) takes the row the focus stands on;
// - a list with the focus and no row to stand on (an empty one) shows a focus frame.
#include <QListWidget>
#include <string>

namespace varnel {

class ClassicListBase : public QListWidget {
  Q_OBJECT

 public:
  explicit ClassicListBase(QWidget* parent = nullptr);

 signals:
  void MouseDown(Qt::MouseButton button);
  void Click();
  void DblClick();
  void KeyDown(int key);

 protected:
  // Silences Click while the rows are rebuilt.
  class Quiet {
   public:
    explicit Quiet(ClassicListBase& list) : list_(list) { ++list_.quiet_; }
    ~Quiet() { --list_.quiet_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

   private:
    ClassicListBase& list_;
  };

  // A row whose text holds control characters shows each as \xHH, as the command line does (a
  // view draws them as boxes); RowText and RealText give the text itself.
  void AddShownRow(const QString& text);
  static QString RealText(const QListWidgetItem* row);
  // The text with its control characters as \xHH.
  static QString ShownText(const QString& text);

  int RowCount() const { return count(); }
  int SelectedRow() const;             // -1 when nothing is selected
  void SelectRow(int row);             // -1 clears; out of range is ignored
  std::string RowText(int row) const;  // "" out of range

  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;

 private:
  void PressLeft(QMouseEvent* event);
  void OnSelectionChanged();

  int quiet_ = 0;
  bool releaseEndsDoubleClick_ = false;
};

}  // namespace varnel

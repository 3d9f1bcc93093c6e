#include "windows/keyboard.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>

namespace varnel {
namespace {

class EnterClicks : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if (!key->isAutoRepeat()) static_cast<QAbstractButton*>(watched)->click();
    return true;
  }
};

}  // namespace

void ClickOnEnter(QAbstractButton* button) { button->installEventFilter(new EnterClicks(button)); }

void SetTabOrder(std::initializer_list<QWidget*> controls) {
  QWidget* previous = nullptr;
  for (QWidget* control : controls) {
    if (previous) QWidget::setTabOrder(previous, control);
    previous = control;
  }
}

}  // namespace varnel

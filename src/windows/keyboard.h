#pragma once
// Keyboard use of the windows: Enter presses a focused button (Qt's buttons take only Space
// outside dialogs), and Tab follows an order given by the window.
#include <initializer_list>

class QAbstractButton;
class QWidget;

namespace varnel {

// Enter and Return on the focused button click it, as Space does.
void ClickOnEnter(QAbstractButton* button);

// Tab moves through the controls in the order given (Shift+Tab back); hidden and disabled
// controls are passed over.
void SetTabOrder(std::initializer_list<QWidget*> controls);

}  // namespace varnel

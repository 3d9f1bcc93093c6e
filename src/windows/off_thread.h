#pragma once
// Work that waits on another program (Wine's, a second or more) without freezing the windows:
// it runs on a thread of its own while the window thread goes on painting and running its
// timers. Keyboard and mouse input and closing a window are dropped meanwhile, and the session
// manager's and signals' sockets wait until it is done, so no handler starts another operation.
#include <functional>
#include <string>

#include "winenv/status.h"

class QWidget;

namespace varnel {

// Runs `work` on another thread and returns its result once it is done. Meanwhile the window
// shows `doing` after its caption, and the hourglass.
[[nodiscard]] Status RunOffWindowThread(QWidget* window, const std::string& doing, const std::function<Status()>& work);

}  // namespace varnel

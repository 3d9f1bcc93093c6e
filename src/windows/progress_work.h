#pragma once
// Long work of the windows (reading thousands of favorites or bookmarks): off the window thread
// as RunOffWindowThread runs it, with a progress bar over the window once it takes a moment.
#include <cstddef>
#include <functional>
#include <string>

#include "winenv/status.h"

class QWidget;

namespace varnel {

// Called by the work now and then, from its own thread: how far it is (total 0: not known).
using WorkProgress = std::function<void(std::size_t done, std::size_t total)>;

[[nodiscard]] Status RunWithProgressBar(QWidget* window, const std::string& doing,
                                        const std::function<Status(const WorkProgress& progress)>& work);

}  // namespace varnel

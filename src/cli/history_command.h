#pragma once
#include "cli/commands.h"

namespace varnel {

// history [--profile WINPATH]: lists the Netscape history of a profile's prefs.js (the profile
// defaults to NetLAU) and Internet Explorer's typed addresses. Only reads: no working copy
// test.js is made.
int HistoryCommand(CommandContext& context);

}  // namespace varnel

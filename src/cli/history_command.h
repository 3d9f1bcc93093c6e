#pragma once
#include "cli/commands.h"

namespace varnel {

// history [--profile WINPATH]: lists the Netscape history of a profile's prefs.js (the profile
// defaults to NetLAU) and Internet Explorer's typed addresses. Only reads: no working copy
// test.js is made.
// history remove netscape|ie ADDRESS... and history clear netscape|ie|both (with --profile
// WINPATH and --dry-run): take entries out as the main window's right mouse button does and save
// as its save button does (EditHistories), and print what was removed. A Netscape ADDRESS is the
// bare address of an item (without its quotation marks, ")" and ";"), an Internet Explorer one
// the typed address itself.
int HistoryCommand(CommandContext& context);

}  // namespace varnel

#include <ostream>

#include "cli/commands.h"
#include "settings/launch_address.h"
#include "winenv/code_page.h"

namespace varnel {

// How long the command line waits for the opener to hand the address over: a Wine that starts
// its server first takes a while.
constexpr int kOpenerSeconds = 60;

// open ADDRESS: hands the address to the system's opener, as the windows do, and, unlike the
// windows, tells when the opener failed (exit 1).
int OpenCommand(CommandContext& c) {
  if (c.args.size() != 1) {
    c.err << "varnel: open takes one address\n";
    return 2;
  }
  SystemAddressOpener opener(c.session.prefix());
  const Status opened = opener.OpenAndWait(AnsiFromUtf8(c.args[0]), kOpenerSeconds);
  if (opened.ok()) return 0;
  c.err << "varnel: " << ForErr(c, opened.message) << "\n";
  return 1;
}

}  // namespace varnel

#include <ostream>

#include "cli/commands.h"
#include "settings/launch_address.h"

namespace varnel {

// open ADDRESS: hands the address to the system's opener, exactly as the windows do.
int OpenCommand(CommandContext& c) {
  if (c.args.size() != 1) {
    c.err << "varnel: open takes one address\n";
    return 2;
  }
  SystemAddressOpener opener(c.session.drives().prefix());
  LaunchAddress(opener, {}, FromTerminal(c.args[0]));
  return 0;
}

}  // namespace varnel

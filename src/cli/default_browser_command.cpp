#include <ostream>

#include "cli/commands.h"
#include "defaultbrowser/default_browser.h"
#include "session/journalled_writes.h"

namespace varnel {

namespace {

const char* NameOf(Browser b) { return b == Browser::Netscape ? "netscape" : "ie"; }

}  // namespace

// default-browser             print which browser is the default ("ie" or "netscape")
// default-browser ie|netscape make it the default, as the main window's icons do
int DefaultBrowserCommand(CommandContext& c) {
  if (c.args.empty()) {
    Browser current = c.session.DetectDefaultBrowser();
    OutputWriter w = Output(c);
    if (c.json) {
      w.Raw("{\"default\": \"").Raw(NameOf(current)).Raw("\", \"caption\": ");
      w.Json(DefaultBrowserCaption(current)).Raw("}\n");
    } else {
      w.Raw(NameOf(current)).Raw("\n");
    }
    return 0;
  }
  if (c.args.size() > 1 || (c.args[0] != "ie" && c.args[0] != "netscape")) {
    c.err << "varnel: default-browser takes 'ie' or 'netscape'\n";
    return 2;
  }
  Browser target = c.args[0] == "ie" ? Browser::InternetExplorer : Browser::Netscape;
  Status switched = c.session.MakeDefault(target);
  if (!switched.ok()) {
    c.err << "varnel: " << ForErr(c, switched.message) << "\n";
    return 1;
  }
  SayIfWrittenThroughWine(c);
  return 0;
}

}  // namespace varnel

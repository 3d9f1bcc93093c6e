#include <ostream>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/output_writer.h"
#include "session/prefix_survey.h"

namespace varnel {

namespace {

const char* BrowserName(Browser browser) { return browser == Browser::Netscape ? "netscape" : "ie"; }

std::string JsonFolder(const std::string& windowsPath) { return windowsPath.empty() ? "null" : JsonText(windowsPath); }

void PrintJson(std::ostream& out, const std::vector<SurveyedPrefix>& surveyed, const PrefixDecision& decision) {
  out << "{\"prefixes\": [";
  for (std::size_t i = 0; i < surveyed.size(); ++i) {
    const SurveyedPrefix& p = surveyed[i];
    out << (i ? ", " : "") << "{\"path\": " << JsonUtf8Text(p.found.path) << ", \"layout\": \"" << p.found.layout
        << "\", \"usable\": " << (p.usable() ? "true" : "false");
    if (p.usable()) {
      out << ", \"problem\": null, \"netscape\": " << JsonFolder(p.netscape) << ", \"ie\": " << JsonFolder(p.ie)
          << ", \"default\": \"" << BrowserName(p.defaultBrowser) << "\"";
    } else {
      out << ", \"problem\": " << JsonUtf8Text(p.found.problem.message)
          << ", \"netscape\": null, \"ie\": null, \"default\": null";
    }
    out << ", \"chosen\": " << (p.found.path == decision.path ? "true" : "false") << "}";
  }
  out << "], \"chosen\": " << (decision.path.empty() ? "null" : JsonUtf8Text(decision.path))
      << ", \"reason\": " << JsonUtf8Text(DescribeSource(decision.source)) << "}\n";
}

void PrintText(std::ostream& out, const std::vector<SurveyedPrefix>& surveyed, const PrefixDecision& decision,
               bool outIsTerminal) {
  if (surveyed.empty()) out << "No Wine prefix was found.\n";
  for (const SurveyedPrefix& p : surveyed) {
    out << (p.found.path == decision.path ? "* " : "  ") << p.found.path << " (" << p.found.layout
        << "): " << TerminalText(BrowsersText(p), outIsTerminal) << "\n";
  }
  if (decision.path.empty()) {
    out << "The other commands use none: " << DescribeSource(decision.source) << "; name one with --prefix DIR.\n";
  } else {
    out << "The other commands use " << decision.path << " (" << DescribeSource(decision.source) << ").\n";
  }
}

}  // namespace

// prefixes [--json]   every Wine prefix found in the home's usual places, what it holds, and
//                     the one the other commands would use now (marked *)
int PrefixesCommand(const CommandLine& commandLine, const EnvLookup& env, std::ostream& out, std::ostream& err,
                    Terminals terminals) {
  bool json = false;
  for (std::size_t i = 1; i < commandLine.words.size(); ++i) {
    if (commandLine.words[i] != "--json") {
      err << "varnel: prefixes takes only --json\n";
      return 2;
    }
    json = true;
  }
  const std::vector<SurveyedPrefix> surveyed = SurveyPrefixes(env);
  const PrefixDecision decision = DecidePrefix(commandLine.prefix, env, surveyed);
  if (json)
    PrintJson(out, surveyed, decision);
  else
    PrintText(out, surveyed, decision, terminals.out);
  return 0;
}

}  // namespace varnel

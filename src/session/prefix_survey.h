#pragma once
// What each Wine prefix on the machine holds (the browsers, the default browser), and the prefix
// the commands and the windows work on when none is named.
#include <optional>
#include <string>
#include <vector>

#include "defaultbrowser/default_browser.h"
#include "winenv/prefix.h"
#include "winenv/prefix_discovery.h"
#include "winenv/registry.h"
#include "winenv/wine_server.h"

namespace varnel {

struct SurveyedPrefix {
  FoundPrefix found;
  // The program folders (Windows paths) of the browsers installed there, "" when none: the
  // folder the setting names when it exists, else the standard folder when it exists.
  std::string netscape;
  std::string ie;
  Browser defaultBrowser = Browser::InternetExplorer;

  bool usable() const { return found.problem.ok(); }
  bool HoldsBrowser() const { return usable() && (!netscape.empty() || !ie.empty()); }
};

// "Netscape in c:\program files\netscape, Internet Explorer not found, default browser ie", or
// "cannot be used: <why>": what `varnel prefixes` and the windows' prefix chooser say of it.
std::string BrowsersText(const SurveyedPrefix& prefix);

// Looks into one found prefix. A machine hive that cannot be read makes it unusable, with why.
// Only the keys the listing shows are looked up and checked in the hive (hive_lookup.h), and
// only what it shows is kept: a home with thousands of prefixes holds one hive file's text in
// memory at a time, and a problem elsewhere in a hive shows when that prefix is opened.
// With a running Wine among `servers` serving the prefix, the values are asked of that Wine, as
// the commands do (its files may be behind).
SurveyedPrefix SurveyPrefix(FoundPrefix found, const WineServers& servers);
// Every prefix FindPrefixes finds, surveyed.
std::vector<SurveyedPrefix> SurveyPrefixes(const EnvLookup& env);

// Where the prefix the commands would use comes from.
enum class PrefixSource { CommandLine, Environment, DotWine, OnlyOneWithBrowser, SeveralWithBrowser, Own };

struct PrefixDecision {
  PrefixSource source = PrefixSource::Own;
  std::string path;                  // "" when several found prefixes hold a browser
  std::vector<std::string> choices;  // those prefixes, when several
};

// --prefix, $WINEPREFIX, ~/.wine when it exists; else the only found prefix holding a browser;
// else, with several, no choice (the user picks); else Varnel's own prefix. `surveyed` is only
// looked at in the last three cases: the caller may survey only when `NeedsSurvey` says so.
bool NeedsSurvey(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env);
PrefixDecision DecidePrefix(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env,
                            const std::vector<SurveyedPrefix>& surveyed);

// "the only Wine prefix found that holds a browser" and the like, for the user.
std::string DescribeSource(PrefixSource source);

}  // namespace varnel

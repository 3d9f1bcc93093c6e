#include "session/prefix_survey.h"

#include <utility>

#include "settings/registry_access.h"
#include "settings/settings.h"
#include "winenv/code_page.h"
#include "winenv/drive_map.h"
#include "winenv/hive_lookup.h"
#include "winenv/wine_server.h"

namespace varnel {
namespace {

// The folder the setting names when it exists there, else the standard folder when it exists.
std::string InstalledFolder(const std::string& set, const DriveMap& drives, const char* standard) {
  if (!set.empty() && drives.IsDirectory(set)) return set;
  return drives.IsDirectory(standard) ? standard : "";
}

bool NonEmpty(const std::optional<std::string>& value) { return value && !value->empty(); }

// What the listing shows of a prefix's machine hive: the two settings and the default browser.
const std::vector<HiveValueName>& SurveyedValues() {
  static const std::vector<HiveValueName> values = {
      {KeyInHive(Hive::LocalMachine, SettingKey(Setting::NetPath)), u""},
      {KeyInHive(Hive::LocalMachine, SettingKey(Setting::IEPath)), u""},
      {KeyInHive(Hive::ClassesRoot, kDefaultBrowserKey), u""},
  };
  return values;
}

// A running Wine holds the registry, and its files may be behind: the values are asked of it,
// those it does not answer taken from the files (`values` holds them).
void AskRunningWine(const std::string& prefix, std::vector<std::optional<RegValue>>& values) {
  Registry registry(prefix);
  std::vector<RegistryLocation> asked;
  for (const HiveValueName& value : SurveyedValues()) asked.push_back({Hive::LocalMachine, value.keyPath, value.name});
  if (!registry.wine().ReadLatest(asked).ok()) return;
  for (std::size_t i = 0; i < asked.size(); ++i) {
    const std::string key = AnsiFromUtf16(asked[i].key);
    const std::string name = AnsiFromUtf16(asked[i].name);
    if (registry.wine().WasRead(Hive::LocalMachine, key, name)) {
      values[i] = registry.QueryValue(Hive::LocalMachine, key, name);
    }
  }
  registry.wine().EndProgram();
}

}  // namespace

SurveyedPrefix SurveyPrefix(FoundPrefix found, const WineServers& servers) {
  SurveyedPrefix surveyed{std::move(found), "", "", Browser::InternetExplorer};
  if (!surveyed.usable()) return surveyed;
  // The settings and the associations live in the machine's hive: the user's is never read here.
  std::vector<std::optional<RegValue>> values;
  const Status hive = LookUpHiveValues(surveyed.found.path + "/system.reg", SurveyedValues(), values);
  if (!hive.ok()) {
    surveyed.found.problem = hive;
    return surveyed;
  }
  if (servers.Serving(surveyed.found.path)) AskRunningWine(surveyed.found.path, values);
  const DriveMap drives(surveyed.found.path);
  surveyed.netscape = InstalledFolder(StringOfValue(values[0], ""), drives, kNetscapeStandardDirectory);
  surveyed.ie = InstalledFolder(StringOfValue(values[1], ""), drives, kIEStandardDirectory);
  surveyed.defaultBrowser = BrowserOfDdeApplication(StringOfValue(values[2], ""));
  return surveyed;
}

std::vector<SurveyedPrefix> SurveyPrefixes(const EnvLookup& env) {
  std::vector<SurveyedPrefix> surveyed;
  const WineServers servers = WineServers::Running();
  for (FoundPrefix& found : FindPrefixes(env)) surveyed.push_back(SurveyPrefix(std::move(found), servers));
  return surveyed;
}

bool NeedsSurvey(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env) {
  return ChoosePrefix(commandLinePrefix, env).own;
}

PrefixDecision DecidePrefix(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env,
                            const std::vector<SurveyedPrefix>& surveyed) {
  const PrefixLocation named = ChoosePrefix(commandLinePrefix, env);
  if (!named.own) {
    if (NonEmpty(commandLinePrefix)) return {PrefixSource::CommandLine, named.path, {}};
    if (NonEmpty(env("WINEPREFIX"))) return {PrefixSource::Environment, named.path, {}};
    return {PrefixSource::DotWine, named.path, {}};
  }
  std::vector<std::string> holding;
  for (const SurveyedPrefix& prefix : surveyed) {
    if (prefix.HoldsBrowser()) holding.push_back(prefix.found.path);
  }
  if (holding.size() > 1) return {PrefixSource::SeveralWithBrowser, "", holding};
  // The own prefix holding the only browser is still the own prefix, laid out as ever.
  if (holding.size() == 1 && holding.front() != named.path) {
    return {PrefixSource::OnlyOneWithBrowser, holding.front(), {}};
  }
  return {PrefixSource::Own, named.path, {}};
}

std::string BrowsersText(const SurveyedPrefix& prefix) {
  if (!prefix.usable()) return "cannot be used: " + prefix.found.problem.message;
  const auto installed = [](const char* browser, const std::string& folder) {
    return std::string(browser) + (folder.empty() ? " not found" : " in " + folder);
  };
  return installed("Netscape", prefix.netscape) + ", " + installed("Internet Explorer", prefix.ie) +
         ", default browser " + (prefix.defaultBrowser == Browser::Netscape ? "netscape" : "ie");
}

std::string DescribeSource(PrefixSource source) {
  switch (source) {
    case PrefixSource::CommandLine: return "named with --prefix";
    case PrefixSource::Environment: return "named by $WINEPREFIX";
    case PrefixSource::DotWine: return "~/.wine exists";
    case PrefixSource::OnlyOneWithBrowser: return "the only Wine prefix found that holds a browser";
    case PrefixSource::SeveralWithBrowser: return "several Wine prefixes found hold a browser";
    case PrefixSource::Own: return "Varnel's own prefix, as no other applies";
  }
  return "";
}

}  // namespace varnel

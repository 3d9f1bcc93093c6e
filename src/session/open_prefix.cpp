#include "session/open_prefix.h"

#include <filesystem>

#include "session/prefix_survey.h"

namespace varnel {
namespace {

// A folder that is empty, or missing inside a folder that exists: a prefix not made yet.
bool NotMadeYet(const std::string& path) {
  std::error_code error;
  const std::filesystem::path folder(path);
  if (!std::filesystem::exists(folder, error)) {
    return !error && std::filesystem::is_directory(folder.parent_path(), error);
  }
  return std::filesystem::is_directory(folder, error) && std::filesystem::is_empty(folder, error) && !error;
}

}  // namespace

Status OpenChoice(OpenedPrefix& opened, const std::string& path) {
  opened.choices.clear();
  opened.location = {path, false};
  Status usable = CheckPrefixDirectory(path);
  if (!usable.ok()) return usable;
  opened.registry = std::make_unique<Registry>(path);
  return Status::Ok();
}

std::string OwnPrefixMadeMessage(const std::string& path) {
  return "No Wine prefix holding a browser was found, so Varnel made its own Windows environment in " + path +
         ".  Install Netscape and Internet Explorer into it (WINEPREFIX=" + path +
         " wine <the browser's setup program>), or start Varnel with --prefix DIR naming the Wine prefix that holds "
         "them.  Until then Setup cannot find them.";
}

std::string SeveralPrefixesMessage(const std::vector<std::string>& choices) {
  std::string message = "several Wine prefixes hold a browser:";
  for (std::size_t i = 0; i < choices.size(); ++i) message += (i ? ", " : " ") + choices[i];
  return message + "; name one with --prefix DIR (see varnel prefixes)";
}

Status OpenPrefix(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env, OpenedPrefix& opened) {
  std::vector<SurveyedPrefix> surveyed;
  if (NeedsSurvey(commandLinePrefix, env)) surveyed = SurveyPrefixes(env);
  const PrefixDecision decision = DecidePrefix(commandLinePrefix, env, surveyed);
  if (decision.source == PrefixSource::SeveralWithBrowser) {
    opened.choices = decision.choices;
    for (const std::string& choice : decision.choices) {
      for (const SurveyedPrefix& p : surveyed) {
        if (p.found.path == choice) opened.choiceBrowsers.push_back(BrowsersText(p));
      }
    }
    return Status::Error(errc::kInvalidArgument, SeveralPrefixesMessage(decision.choices));
  }
  opened.location = {decision.path, decision.source == PrefixSource::Own};
  opened.onlyFound = decision.source == PrefixSource::OnlyOneWithBrowser;
  if (opened.onlyFound) {
    opened.registry = std::make_unique<Registry>(decision.path);
    return CheckPrefixDirectory(decision.path);
  }
  const std::string& path = opened.location.path;
  opened.laidOut = !opened.location.own && NotMadeYet(path);
  opened.ownMadeNow = opened.location.own && !std::filesystem::exists(SystemHivePath(path));
  if (opened.location.own || opened.laidOut) {
    Status created = CreatePrefixLayout(path);
    if (!created.ok()) return created;
  }
  Status usable = CheckPrefixDirectory(path);
  if (!usable.ok()) return usable;
  opened.registry = std::make_unique<Registry>(path);
  return Status::Ok();
}

}  // namespace varnel

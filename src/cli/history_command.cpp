#include "cli/history_command.h"

#include <ostream>

#include "history/history_edit.h"
#include "history/history_lists.h"
#include "history/netscape_history.h"
#include "history/typed_urls.h"
#include "settings/settings.h"

namespace varnel {
namespace {

constexpr std::string_view kIeHeading = "Internet Explorer (TypedURLs)";

struct HistoryListing {
  std::string profile;
  std::vector<std::string> netscape;
  std::vector<std::string> ie;
  Status netscapeRead;
};

void PrintJsonArray(OutputWriter& w, const std::vector<std::string>& items) {
  w.Raw("[");
  const char* separator = "";
  for (const std::string& item : items) {
    w.Raw(separator).Json(item);
    separator = ", ";
  }
  w.Raw("]");
}

// "Netscape (PROFILE\prefs.js):" and the items under it, two blanks in.
void PrintNetscapeList(OutputWriter& w, std::string_view heading, const std::string& profile,
                       const std::vector<std::string>& items) {
  w.Raw(heading).Raw("Netscape (").Text(PrefsFileName(profile)).Raw("):\n");
  for (const std::string& item : items) w.Raw("  ").Text(item).Raw("\n");
}

void PrintIeList(OutputWriter& w, std::string_view heading, const std::vector<std::string>& items) {
  w.Raw(heading).Raw(kIeHeading).Raw(":\n");
  for (const std::string& item : items) w.Raw("  ").Text(item).Raw("\n");
}

void PrintListing(CommandContext& c, const HistoryListing& listing) {
  OutputWriter w = Output(c);
  if (c.json) {
    w.Raw("{\"profile\": ").Json(listing.profile).Raw(", \"netscape\": ");
    PrintJsonArray(w, listing.netscape);
    w.Raw(", \"ie\": ");
    PrintJsonArray(w, listing.ie);
    w.Raw("}\n");
    return;
  }
  PrintNetscapeList(w, "", listing.profile, listing.netscape);
  PrintIeList(w, "", listing.ie);
}

void ReportNetscapeFailure(CommandContext& c, const std::string& profile, const Status& failure) {
  c.err << "varnel: ";
  if (failure.code == errc::kFileNotFound) {
    c.err << history_text::kPrefsNotFound << ": " << ForErr(c, profile) << "\n";
  } else {
    c.err << "cannot read " << ForErr(c, PrefsFileName(profile)) << " (error number " << failure.code
          << "): " << ForErr(c, failure.message) << "\n";
  }
}

// Prints whatever can be read: when prefs.js fails part-way the items read so far and the
// whole Internet Explorer list are still printed, the failure goes to stderr and the exit
// code is 1.
int ListHistories(CommandContext& c) {
  HistoryListing listing;
  if (!ParseOptions(c, {{"--profile", &listing.profile}})) return 2;
  if (!ResolveProfile(c, listing.profile)) return 1;
  listing.netscapeRead = c.session.ReadNetscapeHistory(
      listing.profile, [&](const std::string& item) { listing.netscape.push_back(item); });
  c.session.ReadTypedAddresses([&](const std::string& item) { listing.ie.push_back(item); });
  PrintListing(c, listing);
  if (listing.netscapeRead.ok()) return 0;
  ReportNetscapeFailure(c, listing.profile, listing.netscapeRead);
  return 1;
}

std::optional<HistoryChoice> ChoiceByName(const std::string& name, bool bothAllowed) {
  if (name == "netscape") return HistoryChoice::Netscape;
  if (name == "ie") return HistoryChoice::InternetExplorer;
  if (name == "both" && bothAllowed) return HistoryChoice::Both;
  return std::nullopt;
}

bool EditsNetscape(const HistoryEditRequest& request) { return request.histories != HistoryChoice::InternetExplorer; }
bool EditsIe(const HistoryEditRequest& request) { return request.histories != HistoryChoice::Netscape; }

void PrintRemoved(CommandContext& c, const HistoryEditRequest& request, const HistoryEditResult& result) {
  OutputWriter w = Output(c);
  if (c.json) {
    w.Raw("{\"profile\": ");
    if (EditsNetscape(request))
      w.Json(request.profileDirectory);
    else
      w.Raw("null");
    w.Raw(", \"dry_run\": ").Raw(request.dryRun ? "true" : "false").Raw(", \"removed\": {");
    if (EditsNetscape(request)) PrintJsonArray(w.Raw("\"netscape\": "), result.netscapeRemoved);
    if (EditsNetscape(request) && EditsIe(request)) w.Raw(", ");
    if (EditsIe(request)) PrintJsonArray(w.Raw("\"ie\": "), result.ieRemoved);
    w.Raw("}}\n");
    return;
  }
  const std::string_view heading = request.dryRun ? "Would remove from " : "Removed from ";
  if (EditsNetscape(request)) PrintNetscapeList(w, heading, request.profileDirectory, result.netscapeRemoved);
  if (EditsIe(request)) PrintIeList(w, heading, result.ieRemoved);
}

std::string HistoryName(const CommandContext& c, const HistoryEditRequest& request) {
  if (request.histories == HistoryChoice::Netscape) {
    return "the Netscape history of " + ForErr(c, PrefsFileName(request.profileDirectory));
  }
  return "Internet Explorer's typed addresses";
}

void ReportEditFailure(CommandContext& c, const HistoryEditRequest& request, const HistoryEditResult& result) {
  switch (result.failedAt) {
    case HistoryEditStep::NetscapeRead:
      ReportNetscapeFailure(c, request.profileDirectory, result.status);
      c.err << "varnel: nothing was changed\n";
      return;
    case HistoryEditStep::AddressesNotFound:
      for (const std::string& address : result.notFound) {
        c.err << "varnel: not in " << HistoryName(c, request) << ": " << ForErr(c, address) << "\n";
      }
      c.err << "varnel: nothing was changed\n";
      return;
    case HistoryEditStep::Save: c.err << "varnel: " << ForErr(c, HistorySaveFailureText(result.save)) << "\n"; return;
    case HistoryEditStep::Done: return;
  }
}

// history remove netscape|ie ADDRESS... and history clear netscape|ie|both, with
// [--profile WINPATH] [--dry-run]: the window's delete and save, asking nothing.
int EditHistoriesCommand(CommandContext& c) {
  const bool clear = c.args.front() == "clear";
  c.args.erase(c.args.begin());
  HistoryEditRequest request;
  request.clear = clear;
  std::vector<std::string> words;
  if (!ParseOptions(c, {{"--profile", &request.profileDirectory}, {"--dry-run", nullptr, &request.dryRun}}, &words,
                    clear ? 1 : 2, clear ? OperandCount::Exactly : OperandCount::AtLeast)) {
    return 2;
  }
  const std::optional<HistoryChoice> choice = ChoiceByName(words.front(), clear);
  if (!choice) {
    c.err << "varnel: history " << (clear ? "clear takes netscape, ie or both" : "remove takes netscape or ie")
          << " (see varnel --help)\n";
    return 2;
  }
  request.histories = *choice;
  request.addresses.assign(words.begin() + 1, words.end());
  if (EditsNetscape(request) && !ResolveProfile(c, request.profileDirectory)) return 1;

  const HistoryEditResult result = c.session.EditHistories(request);
  if (!result.ok()) {
    ReportEditFailure(c, request, result);
    return 1;
  }
  PrintRemoved(c, request, result);
  SayIfWrittenThroughWine(c);
  return 0;
}

}  // namespace

int HistoryCommand(CommandContext& c) {
  if (!c.args.empty() && (c.args.front() == "remove" || c.args.front() == "clear")) return EditHistoriesCommand(c);
  return ListHistories(c);
}

}  // namespace varnel

#include "cli/history_command.h"

#include <ostream>

#include "history/history_lists.h"
#include "history/netscape_history.h"
#include "history/typed_urls.h"
#include "settings/settings.h"

namespace varnel {
namespace {

struct HistoryListing {
  std::string profile;
  std::vector<std::string> netscape;
  std::vector<std::string> ie;
  Status netscapeRead;
};

void PrintJsonArray(std::ostream& out, const std::vector<std::string>& items) {
  out << "[";
  const char* separator = "";
  for (const std::string& item : items) {
    out << separator << JsonString(item);
    separator = ", ";
  }
  out << "]";
}

void PrintJson(CommandContext& c, const HistoryListing& listing) {
  c.out << "{\"profile\": " << JsonString(listing.profile) << ", \"netscape\": ";
  PrintJsonArray(c.out, listing.netscape);
  c.out << ", \"ie\": ";
  PrintJsonArray(c.out, listing.ie);
  c.out << "}\n";
}

void PrintText(CommandContext& c, const HistoryListing& listing) {
  c.out << "Netscape (" << ForTerminal(PrefsFileName(listing.profile)) << "):\n";
  for (const std::string& item : listing.netscape) c.out << "  " << ForTerminal(item) << "\n";
  c.out << "Internet Explorer (TypedURLs):\n";
  for (const std::string& item : listing.ie) c.out << "  " << ForTerminal(item) << "\n";
}

void ReportNetscapeFailure(CommandContext& c, const HistoryListing& listing) {
  const Status& failure = listing.netscapeRead;
  c.err << "varnel: ";
  if (failure.code == errc::kFileNotFound) {
    c.err << history_text::kPrefsNotFound << ": " << ForTerminal(listing.profile) << "\n";
  } else {
    c.err << "cannot read " << ForTerminal(PrefsFileName(listing.profile)) << " (error number " << failure.code
          << "): " << ForTerminal(failure.message) << "\n";
  }
}

}  // namespace

// Prints whatever can be read: when prefs.js fails part-way the items read so far and the
// whole Internet Explorer list are still printed, the failure goes to stderr and the exit
// code is 1.
int HistoryCommand(CommandContext& c) {
  HistoryListing listing;
  if (!ParseOptions(c, {{"--profile", &listing.profile}})) return 2;
  if (!ResolveProfile(c, listing.profile)) return 1;
  listing.netscapeRead = ListNetscapeHistory(c.drives, listing.profile,
                                             [&](const std::string& item) { listing.netscape.push_back(item); });
  ReadTypedUrls(c.registry, [&](const std::string& item) { listing.ie.push_back(item); });
  if (c.json) {
    PrintJson(c, listing);
  } else {
    PrintText(c, listing);
  }
  if (listing.netscapeRead.ok()) return 0;
  ReportNetscapeFailure(c, listing);
  return 1;
}

}  // namespace varnel

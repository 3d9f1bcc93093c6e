#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <ostream>

#include "bookmarks/bookmark_load.h"
#include "bookmarks/collections.h"
#include "bookmarks/transfers.h"
#include "cli/commands.h"
#include "cli/output_writer.h"

namespace varnel {
namespace {

// From this many entries on, a terminal sees how far the reading is.
constexpr std::size_t kProgressFrom = 1000;

// Takes a flag without a value out of the subcommand's words; true when it was there.
bool TakeFlag(CommandContext& c, std::string_view flag) {
  const auto found = std::find(c.args.begin(), c.args.end(), flag);
  if (found == c.args.end()) return false;
  c.args.erase(found);
  return true;
}

// A progress line on stderr, rewritten in place, only when stderr is a terminal.
class ProgressLine {
 public:
  ProgressLine(CommandContext& c, std::string what)
      : what_(std::move(what)), shown_(&c.err == &std::cerr && isatty(2)) {}
  ~ProgressLine() {
    if (drawn_) std::cerr << "\n";
  }
  CollectionProgress callback() {
    if (!shown_) return nullptr;
    return [this](std::size_t done, std::size_t total) {
      if (done < kProgressFrom && (total == 0 || total < kProgressFrom)) return;
      if (done % 256 != 0 && done != total) return;
      std::cerr << "\rvarnel: " << done << (total ? " of " + std::to_string(total) : std::string()) << " " << what_
                << std::flush;
      drawn_ = true;
    };
  }

 private:
  std::string what_;
  bool shown_;
  bool drawn_ = false;
};

void JsonList(CommandContext& c, const char* name, const std::vector<std::string>& items) {
  c.out << ", \"" << name << "\": [";
  for (std::size_t i = 0; i < items.size(); ++i) c.out << (i ? ", " : "") << JsonText(items[i]);
  c.out << "]";
}

void PrintJson(CommandContext& c, const CollectionSummary& s, bool dryRun) {
  c.out << "{\"dry_run\": " << (dryRun ? "true" : "false")
        << ", \"changed\": " << (!dryRun && s.changes() ? "true" : "false");
  JsonList(c, "added", s.added);
  JsonList(c, "folders_added", s.foldersAdded);
  JsonList(c, "already_there", s.alreadyThere);
  JsonList(c, "cut_to_fit", s.cut);
  c.out << ", \"refused\": [";
  for (std::size_t i = 0; i < s.refused.size(); ++i) {
    c.out << (i ? ", " : "") << "{\"entry\": " << JsonText(s.refused[i].entry)
          << ", \"reason\": " << JsonText(s.refused[i].reason) << "}";
  }
  c.out << "]}\n";
}

// "12 added (3 new folders), 4 already there, 1 refused", then one line per refusal; a dry run
// lists what it would add.
void PrintText(CommandContext& c, const CollectionSummary& s, bool dryRun, const std::string& into) {
  if (dryRun) {
    for (const std::string& folder : s.foldersAdded)
      c.out << "would add folder " << TerminalText(folder, c.outIsTerminal) << "\n";
    for (const std::string& entry : s.added) c.out << "would add " << TerminalText(entry, c.outIsTerminal) << "\n";
  }
  for (const RefusedEntry& r : s.refused) {
    c.out << "refused " << TerminalText(r.entry, c.outIsTerminal) << ": " << TerminalText(r.reason, c.outIsTerminal)
          << "\n";
  }
  for (const std::string& entry : s.cut) {
    c.out << "name cut to fit the file system: " << TerminalText(entry, c.outIsTerminal) << "\n";
  }
  if (!s.changes()) {
    c.out << "nothing to add: " << s.alreadyThere.size() << " already there, " << s.refused.size() << " refused; "
          << TerminalText(into, c.outIsTerminal) << " left as it was\n";
    return;
  }
  c.out << (dryRun ? "dry run, nothing written: would add " : "added ") << s.added.size() << " ("
        << s.foldersAdded.size() << " new folders) to " << TerminalText(into, c.outIsTerminal) << ", "
        << s.alreadyThere.size() << " already there, " << s.refused.size() << " refused\n";
}

// 0 done, 3 done but some entries were refused, 1 failed (nothing changed).
int Finish(CommandContext& c, const Status& status, const CollectionSummary& summary, bool dryRun,
           const std::string& into) {
  if (!status.ok()) {
    c.err << "varnel: " << ForErr(c, FailureMessage(status)) << "\n";
    return 1;
  }
  if (c.json) {
    PrintJson(c, summary, dryRun);
  } else {
    PrintText(c, summary, dryRun, into);
  }
  return summary.refused.empty() ? 0 : 3;
}

}  // namespace

// import-favorites: every favorite under the favorites directory into the profile's bookmark.htm.
int ImportFavoritesCommand(CommandContext& c) {
  const bool dryRun = TakeFlag(c, "--dry-run");
  std::string directory, profile;
  if (!ParseOptions(c, {{"--dir", &directory}, {"--profile", &profile}})) return 2;
  if (!ResolveProfile(c, profile) || !ResolveFavoritesDirectory(c, directory)) return 1;
  ImportPlan plan;
  Status status;
  {
    ProgressLine progress(c, "favorites read");
    status = c.session.PlanImportFavorites(progress.callback(), plan);
  }
  if (status.ok() && !dryRun) status = c.session.ImportFavorites(plan);
  return Finish(c, status, plan.summary, dryRun, BookmarkFileName(profile));
}

// export-bookmarks: every bookmark of the profile's bookmark.htm into the favorites directory.
int ExportBookmarksCommand(CommandContext& c) {
  const bool dryRun = TakeFlag(c, "--dry-run");
  std::string profile, directory;
  if (!ParseOptions(c, {{"--profile", &profile}, {"--dir", &directory}})) return 2;
  if (!ResolveProfile(c, profile) || !ResolveFavoritesDirectory(c, directory)) return 1;
  ExportPlan plan;
  Status status;
  {
    ProgressLine progress(c, "bookmarks read");
    status = c.session.PlanExportBookmarks(progress.callback(), plan);
  }
  if (status.ok() && !dryRun) status = c.session.ExportBookmarks(plan);
  return Finish(c, status, plan.summary, dryRun, directory);
}

}  // namespace varnel

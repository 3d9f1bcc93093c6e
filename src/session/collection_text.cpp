#include "session/collection_text.h"

#include "bookmarks/transfers.h"

namespace varnel {
namespace {

// The refusals named in a message; the rest are counted.
constexpr std::size_t kRefusalsNamed = 10;

const char* EntryNoun(CollectionWork work) { return work == CollectionWork::ImportFavorites ? "bookmark" : "favorite"; }

std::string Counted(std::size_t count, const std::string& noun) {
  return CountText(count) + " " + noun + (count == 1 ? "" : "s");
}

// "1,204 bookmarks in 37 new folders; 12 already there; 2 refused: a (why); b (why)"
std::string Counts(CollectionWork work, const CollectionSummary& s) {
  std::string text = Counted(s.added.size(), EntryNoun(work));
  if (!s.foldersAdded.empty()) text += " in " + Counted(s.foldersAdded.size(), "new folder");
  text += "; " + CountText(s.alreadyThere.size()) + " already there; " + CountText(s.refused.size()) + " refused";
  for (std::size_t i = 0; i < s.refused.size() && i < kRefusalsNamed; ++i) {
    text += (i == 0 ? ": " : "; ") + s.refused[i].entry + " (" + s.refused[i].reason + ")";
  }
  if (s.refused.size() > kRefusalsNamed) text += "; and " + CountText(s.refused.size() - kRefusalsNamed) + " more";
  if (!s.cut.empty()) text += "; " + CountText(s.cut.size()) + " named shorter to fit the file system";
  return text;
}

}  // namespace

std::string CountText(std::size_t count) {
  std::string digits = std::to_string(count);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string CollectionPlanQuestion(CollectionWork work, const CollectionSummary& plan, const std::string& from,
                                   const std::string& into) {
  const std::string what =
      work == CollectionWork::ImportFavorites ? "Import all favorites of " : "Export all bookmarks of ";
  return what + from + " into " + into + ": adds " + Counts(work, plan) + ".  Go ahead?";
}

std::string CollectionReport(CollectionWork work, const CollectionSummary& summary, const Status& status,
                             const std::string& into) {
  const std::string done = work == CollectionWork::ImportFavorites ? "Import" : "Export";
  if (!status.ok()) return done + " failed, nothing was changed: " + FailureMessage(status);
  if (!summary.changes()) {
    return "Nothing to add: " + CountText(summary.alreadyThere.size()) + " already there, " +
           CountText(summary.refused.size()) + " refused; " + into + " was left as it was.";
  }
  return done + " done, into " + into + ": added " + Counts(work, summary) + ".  Ctrl+Z undoes it.";
}

}  // namespace varnel

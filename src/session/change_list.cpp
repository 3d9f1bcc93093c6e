#include "session/change_list.h"

#include <ctime>

namespace varnel {

std::string ChangeTimeText(std::int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&time, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string ChangeLine(const JournalEntry& entry) {
  const std::string number = std::to_string(entry.number);
  if (!entry.damage.empty()) return number + "  damaged record";
  return number + "  " + ChangeTimeText(entry.record.time) + "  " + entry.record.what + "  (" + entry.record.where +
         ")" + (entry.after ? "" : "  unfinished");
}

std::string UndoPlanQuestion(const UndoPlan& plan) {
  if (plan.changes.empty()) return "";
  if (plan.changes.size() == 1 && !plan.from) return UndoQuestion(plan.changes.front());
  const JournalEntry& chosen = plan.changes.back();  // newest first: the chosen one is the oldest
  const std::size_t later = plan.changes.size() - 1;
  std::string text = "Undo change " + std::to_string(chosen.number) + ", " + chosen.record.what;
  if (later == 1) text += ", and the change after it";
  if (later > 1) text += ", and the " + std::to_string(later) + " changes after it, newest first";
  return text + "?";
}

std::string UndoOverwriteQuestion(const UndoPlan& plan) {
  return MovedOnText(plan) +
         ".  Undoing it now puts the old state back over those later changes, which are then "
         "lost.  Undo it anyway?";
}

}  // namespace varnel

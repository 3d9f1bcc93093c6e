#include <ostream>

#include "cli/commands.h"
#include "cli/output_writer.h"
#include "journal/undo.h"
#include "session/change_list.h"

namespace varnel {

namespace {

void PrintJson(CommandContext& c, const std::vector<JournalEntry>& entries) {
  c.out << "[";
  const char* separator = "";
  for (const JournalEntry& e : entries) {
    c.out << separator << "{\"number\": " << e.number;
    if (e.damage.empty()) {
      c.out << ", \"time\": " << JsonText(ChangeTimeText(e.record.time)) << ", \"what\": " << JsonText(e.record.what)
            << ", \"where\": " << JsonText(e.record.where) << ", \"unfinished\": " << (e.after ? "false" : "true");
    } else {
      c.out << ", \"damaged\": " << JsonText(e.damage);
    }
    c.out << "}";
    separator = ", ";
  }
  c.out << "]\n";
}

}  // namespace

// changes: the recorded changes, newest first: number, local time, what, where, and whether
// the write was interrupted before it finished.
int ChangesCommand(CommandContext& c) {
  if (!c.args.empty()) {
    c.err << "varnel: changes takes no arguments\n";
    return 2;
  }
  std::vector<JournalEntry> entries;
  const Status listed = c.session.ListChanges(entries);
  if (!listed.ok()) {
    c.err << "varnel: " << ForErr(c, listed.message) << "\n";
    return 1;
  }
  for (const JournalEntry& e : entries) {
    if (!e.damage.empty())
      c.err << "varnel: change " << e.number << " in " << c.session.changesFolder() << " is damaged: " << e.damage
            << "\n";
  }
  if (c.json) {
    PrintJson(c, entries);
    return 0;
  }
  for (const JournalEntry& e : entries) c.out << TerminalText(ChangeLine(e), c.outIsTerminal) << "\n";
  return 0;
}

// undo [N] [--dry-run] [--force]: undoes the newest change, or change N and every later one,
// newest first, each recorded as a change of its own.
int UndoCommand(CommandContext& c) {
  bool dryRun = false, force = false;
  std::optional<int> from;
  for (const std::string& arg : c.args) {
    if (arg == "--dry-run")
      dryRun = true;
    else if (arg == "--force")
      force = true;
    else if (!from && !arg.empty() && arg.size() < 10 && arg.find_first_not_of("0123456789") == std::string::npos)
      from = std::stoi(arg);
    else {
      c.err << "varnel: undo takes a change number, --dry-run and --force\n";
      return 2;
    }
  }
  UndoPlan plan;
  Status status = c.session.PlanUndo(from, plan);
  if (!status.ok()) {
    c.err << "varnel: " << ForErr(c, status.message) << "\n";
    return 1;
  }
  for (const std::string& unchecked : plan.unchecked) {
    c.err << "varnel: " << ForErr(c, unchecked)
          << " never finished (its run was interrupted): it is undone only where everything is as it found it or as "
             "it would have left it\n";
  }
  if (dryRun) {
    for (const JournalEntry& e : plan.changes)
      c.out << "would undo change " << e.number << ": " << TerminalText(e.record.what, c.outIsTerminal) << "\n";
    for (const std::string& moved : plan.moved)
      c.out << "changed since: " << TerminalText(moved, c.outIsTerminal) << "\n";
    // Exits as the undo itself would: refused while something moved on, unless forced.
    return plan.moved.empty() || force ? 0 : 1;
  }
  status = c.session.Undo(plan, force);
  if (!status.ok()) {
    c.err << "varnel: " << ForErr(c, status.message)
          << (plan.moved.empty() || force ? "" : " (--force undoes it anyway)") << "\n";
    return 1;
  }
  for (const JournalEntry& e : plan.changes)
    c.out << "undone: change " << e.number << ": " << TerminalText(e.record.what, c.outIsTerminal) << "\n";
  SayIfWrittenThroughWine(c);
  return 0;
}

}  // namespace varnel

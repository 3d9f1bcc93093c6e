#pragma once
// Removing entries from the two typed-address histories, or clearing them, without the window
// (the command line): the edit the right mouse button makes in a list and the save Command2
// makes (SaveHistories), with no questions asked. An edit reads the histories, decides what goes,
// and saves only when every address asked for was found; a history that loses nothing is not
// written at all.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/history_lists.h"
#include "history/netscape_history.h"
#include "winenv/drive_map.h"
#include "winenv/registry.h"
#include "winenv/status.h"

namespace varnel {

enum class HistoryChoice { Netscape, InternetExplorer, Both };

struct HistoryEditRequest {
  HistoryChoice histories = HistoryChoice::Both;
  std::string profileDirectory;        // Netscape's profile directory (a Windows path)
  bool clear = false;                  // every entry goes; else the entries of `addresses`
  std::vector<std::string> addresses;  // matched by EntryAddress, exactly (letter case counts)
  bool dryRun = false;                 // decide and report only: nothing is written, not even test.js
};

enum class HistoryEditStep { Done, NetscapeRead, AddressesNotFound, Save };

struct HistoryEditResult {
  HistoryEditStep failedAt = HistoryEditStep::Done;
  Status status;           // the failure of that step
  HistorySaveResult save;  // for a failed save: which half, and why
  // The items taken out of each list (or that would be, on a dry run), in list order. The
  // Internet Explorer list also loses whatever stands beyond the 20 typed addresses a save keeps.
  std::vector<std::string> netscapeRemoved;
  std::vector<std::string> ieRemoved;
  std::vector<std::string> notFound;  // the addresses that are in none of the lists edited
  bool ok() const { return failedAt == HistoryEditStep::Done; }
};

// What an address given for removal is compared with: the bare address of a Netscape item (the
// item without its quotation marks, ")" and ";", as a double click launches it; none for an item
// too short to hold one), an Internet Explorer item as it stands.
std::optional<std::string> EntryAddress(HistoryList list, std::string_view item);

// Reads the chosen histories, takes out the entries asked for and saves what is left as the
// window's save does. Nothing is written when prefs.js cannot be read, when an address is in
// none of the lists, on a dry run, or when nothing is to be removed. A save is recorded in the
// journal, when there is one.
HistoryEditResult EditHistories(NetscapeWorkingCopy& workingCopy, const DriveMap& drives, Registry& registry,
                                Journal* journal, const HistoryEditRequest& request);

}  // namespace varnel

#include "history/history_edit.h"

#include <algorithm>

#include "history/typed_urls.h"
#include "winenv/atomic_file.h"

namespace varnel {
namespace {

struct ListEdit {
  std::vector<std::string> kept;
  std::vector<std::string> removed;
};

bool Wants(HistoryChoice choice, HistoryList list) {
  if (choice == HistoryChoice::Both) return true;
  return (choice == HistoryChoice::Netscape) == (list == HistoryList::Netscape);
}

bool IsAskedFor(HistoryList list, const std::string& item, const HistoryEditRequest& request) {
  if (request.clear) return true;
  const std::optional<std::string> address = EntryAddress(list, item);
  return address && std::find(request.addresses.begin(), request.addresses.end(), *address) != request.addresses.end();
}

ListEdit Plan(HistoryList list, const std::vector<std::string>& items, const HistoryEditRequest& request) {
  ListEdit edit;
  for (const std::string& item : items) (IsAskedFor(list, item, request) ? edit.removed : edit.kept).push_back(item);
  if (list == HistoryList::InternetExplorer && edit.kept.size() > kMaxTypedUrls) {
    edit.removed.insert(edit.removed.end(), edit.kept.begin() + kMaxTypedUrls, edit.kept.end());
    edit.kept.resize(kMaxTypedUrls);
  }
  return edit;
}

bool HoldsAddress(HistoryList list, const std::vector<std::string>& items, const std::string& address) {
  return std::any_of(items.begin(), items.end(),
                     [&](const std::string& item) { return EntryAddress(list, item) == address; });
}

// The addresses that no entry of the edited lists has (each named once).
std::vector<std::string> MissingAddresses(const HistoryEditRequest& request, const std::vector<std::string>& netscape,
                                          const std::vector<std::string>& ie) {
  std::vector<std::string> missing;
  for (const std::string& address : request.addresses) {
    const bool inNetscape =
        Wants(request.histories, HistoryList::Netscape) && HoldsAddress(HistoryList::Netscape, netscape, address);
    const bool inIe = Wants(request.histories, HistoryList::InternetExplorer) &&
                      HoldsAddress(HistoryList::InternetExplorer, ie, address);
    const bool found = inNetscape || inIe;
    if (!found && std::find(missing.begin(), missing.end(), address) == missing.end()) missing.push_back(address);
  }
  return missing;
}

HistoryEditResult Failed(HistoryEditResult result, HistoryEditStep step, Status status) {
  result.failedAt = step;
  result.status = std::move(status);
  return result;
}

HistoryEditResult NotFound(HistoryEditResult result, std::vector<std::string> missing) {
  result.notFound = std::move(missing);
  return Failed(std::move(result), HistoryEditStep::AddressesNotFound,
                Status::Error(errc::kInvalidArgument, "An address to remove is not in the history"));
}

HistoryItemSink AppendTo(std::vector<std::string>& items) {
  return [&items](const std::string& item) { items.push_back(item); };
}

// The working copy for a save of Netscape's list, opened as the window opens it, and the edit
// decided again on what that read gave (it is that list the save writes). A read-only prefs.js
// would refuse the save at its end, so it is refused before test.js is made.
HistoryEditResult OpenWorkingCopy(HistoryEditResult result, NetscapeWorkingCopy& workingCopy, const DriveMap& drives,
                                  const HistoryEditRequest& request, const std::vector<std::string>& ieItems,
                                  ListEdit& netscapeEdit) {
  const Status writable = CheckReplaceable(drives.ToNative(PrefsFileName(request.profileDirectory)));
  if (!writable.ok()) {
    result.save = {writable, HistoryList::Netscape};
    return Failed(std::move(result), HistoryEditStep::Save, writable);
  }
  std::vector<std::string> items;
  const Status read = ReadNetscapeHistory(workingCopy, drives, request.profileDirectory, AppendTo(items));
  if (!read.ok()) {
    workingCopy.CloseAll();
    return Failed(std::move(result), HistoryEditStep::NetscapeRead, read);
  }
  netscapeEdit = Plan(HistoryList::Netscape, items, request);
  result.netscapeRemoved = netscapeEdit.removed;
  std::vector<std::string> missing = MissingAddresses(request, items, ieItems);
  if (missing.empty()) return result;
  workingCopy.CloseAll();
  return NotFound(std::move(result), std::move(missing));
}

}  // namespace

std::optional<std::string> EntryAddress(HistoryList list, std::string_view item) {
  if (list == HistoryList::Netscape) return NetscapeItemAddress(item);
  return std::string(item);
}

// Netscape's list is first only looked at (no working copy), so that a dry run or an address
// that is not there leaves the profile untouched; a save then opens the working copy.
HistoryEditResult EditHistories(NetscapeWorkingCopy& workingCopy, const DriveMap& drives, Registry& registry,
                                Journal* journal, const HistoryEditRequest& request) {
  HistoryEditResult result;
  const bool netscape = Wants(request.histories, HistoryList::Netscape);
  const bool ie = Wants(request.histories, HistoryList::InternetExplorer);
  std::vector<std::string> netscapeItems, ieItems;
  if (netscape) {
    const Status read = ListNetscapeHistory(drives, request.profileDirectory, AppendTo(netscapeItems));
    if (!read.ok()) return Failed(std::move(result), HistoryEditStep::NetscapeRead, read);
  }
  if (ie) ReadTypedUrls(registry, AppendTo(ieItems));

  ListEdit netscapeEdit = Plan(HistoryList::Netscape, netscapeItems, request);
  const ListEdit ieEdit = Plan(HistoryList::InternetExplorer, ieItems, request);
  result.netscapeRemoved = netscapeEdit.removed;
  result.ieRemoved = ieEdit.removed;
  std::vector<std::string> missing = MissingAddresses(request, netscapeItems, ieItems);
  if (!missing.empty()) return NotFound(std::move(result), std::move(missing));
  if (request.dryRun) return result;

  const bool saveNetscape = !netscapeEdit.removed.empty();
  if (saveNetscape) {
    result = OpenWorkingCopy(std::move(result), workingCopy, drives, request, ieItems, netscapeEdit);
    if (!result.ok()) return result;
  }
  HistoriesToSave lists;
  if (saveNetscape) lists.netscape = &netscapeEdit.kept;
  if (!ieEdit.removed.empty()) lists.ie = &ieEdit.kept;
  if (!lists.netscape && !lists.ie) return result;
  result.save = SaveHistories(workingCopy, registry, lists, journal, request.profileDirectory);
  if (!result.save.status.ok()) return Failed(std::move(result), HistoryEditStep::Save, result.save.status);
  return result;
}

}  // namespace varnel

#include "history/history_lists.h"

#include <algorithm>

#include "history/typed_urls.h"
#include "journal/change_scope.h"

namespace varnel {
namespace {

// The quotation mark before the address, and the quotation mark, ")" and ";" after it.
constexpr std::size_t kCharactersAroundAddress = 4;

std::string SaveFailureText(std::string_view what, const Status& failure) {
  return std::string(what) + "  Error number " + std::to_string(failure.code) + ": " + failure.message;
}

}  // namespace

std::string OpenFailureText(const Status& failure) {
  if (failure.code == errc::kFileNotFound) return std::string(history_text::kPrefsNotFound);
  return std::string(history_text::kOpenError) + std::to_string(failure.code);
}

std::string NetscapeSaveFailureText(const Status& failure) {
  return SaveFailureText("MRU not saved, prefs.js and IE's typed addresses were left as they were.", failure);
}

std::string IeSaveFailureText(const Status& failure) {
  return SaveFailureText("IE MRU not saved, TypedURLs was left as it was.", failure);
}

std::optional<std::string> NetscapeItemAddress(std::string_view item) {
  if (item.size() < kCharactersAroundAddress) return std::nullopt;
  return std::string(item.substr(1, item.size() - kCharactersAroundAddress));
}

namespace {

// Where a save writes: the profile for Netscape's list, the TypedURLs key for Internet Explorer's.
std::string HistorySaveWhere(const HistoriesToSave& lists, std::string_view profileDirectory) {
  std::string where = lists.netscape ? std::string(profileDirectory) : "";
  if (lists.ie) {
    where += (where.empty() ? "" : "; ") + RegistryPathText(Hive::CurrentUser, kTypedUrlsKey, "", false);
  }
  return where;
}

}  // namespace

HistorySaveResult SaveHistories(NetscapeWorkingCopy& workingCopy, Registry& registry, const HistoriesToSave& lists,
                                Journal* journal, std::string_view profileDirectory) {
  const bool cleared = (!lists.netscape || lists.netscape->empty()) && (!lists.ie || lists.ie->empty());
  ChangeScope change(journal, registry, cleared ? "MRU cleared" : "MRU saved",
                     HistorySaveWhere(lists, profileDirectory));
  if (lists.netscape && !workingCopy.prefsPath().empty()) {
    change.AddFile(workingCopy.prefsPath(), PrefsFileName(profileDirectory));
  }
  if (lists.ie) change.AddKey(Hive::CurrentUser, std::string(kTypedUrlsKey));
  HistorySaveResult result{Status::Ok(), HistoryList::Netscape};
  // A failure of Internet Explorer's half leaves Netscape's written: that half is the change.
  (void)change.Run([&] {
    if (lists.netscape) result.status = WriteNetscapeHistory(workingCopy, *lists.netscape);
    if (!result.status.ok()) return result.status;
    if (lists.ie) result = {WriteTypedUrls(registry, *lists.ie), HistoryList::InternetExplorer};
    return lists.netscape ? Status::Ok() : result.status;
  });
  return result;
}

std::string HistorySaveFailureText(const HistorySaveResult& result) {
  return result.failed == HistoryList::Netscape ? NetscapeSaveFailureText(result.status)
                                                : IeSaveFailureText(result.status);
}

HistoryLists::HistoryLists(const DriveMap& drives, Registry& registry, Prompt& prompt, HistoryWindow window)
    : drives_(drives), registry_(registry), prompt_(&prompt), window_(std::move(window)) {}

void HistoryLists::Clear(ListState& state) {
  state.items.clear();
  state.selection = -1;
}

bool HistoryLists::Open(std::string_view profileDirectory) {
  openedFrom_ = std::string(profileDirectory);
  Clear(netscape_);
  Status read = ReadNetscapeHistory(workingCopy_, drives_, profileDirectory,
                                    [this](const std::string& item) { netscape_.items.push_back(item); });
  if (!read.ok()) {
    if (window_.showLists) window_.showLists();
    prompt_->Tell(OpenFailureText(read));
    return false;
  }
  Clear(ie_);
  ReadTypedUrls(registry_, [this](const std::string& item) { ie_.items.push_back(item); });
  caption_ = history_text::kSave;
  ie_.selection = -1;
  return true;
}

void HistoryLists::ReadAgain() {
  if (!openedFrom_) return;
  const std::string directory = *openedFrom_;
  if (Open(directory) && window_.showLists) window_.showLists();  // a failed open has shown them already
}

// Clearing a history asks first; a save of two filled lists only reminds the user to close the
// browsers, which would overwrite the data when they close.
bool HistoryLists::ConfirmSave() {
  if (netscape_.items.empty() || ie_.items.empty()) return prompt_->Ask(std::string(history_text::kClearQuestion));
  prompt_->Tell(std::string(history_text::kCloseBrowsersWarning));
  return true;
}

// Netscape's half first, then Internet Explorer's; a failure stops the save there, so nothing
// after it is written. The lists are read again in any case and show what is on disk.
SaveOutcome HistoryLists::Save(std::string_view profileDirectory) {
  if (!ConfirmSave()) return SaveOutcome::Declined;
  const HistorySaveResult saved =
      SaveHistories(workingCopy_, registry_, {&netscape_.items, &ie_.items}, journal_, profileDirectory);
  if (!saved.status.ok()) prompt_->Tell(HistorySaveFailureText(saved));
  Open(profileDirectory);
  return saved.status.ok() ? SaveOutcome::Saved : SaveOutcome::Failed;
}

bool HistoryLists::RemoveSelected(ListState& state) {
  if (state.selection < 0 || state.selection >= static_cast<int>(state.items.size())) return false;
  state.items.erase(state.items.begin() + state.selection);
  // The entry after it is selected (the one before, at the end), so Delete again removes that.
  state.selection = std::min(state.selection, static_cast<int>(state.items.size()) - 1);
  return true;
}

void HistoryLists::UpdateCaptionAfterMouse(HistoryList list) {
  const HistoryList other = list == HistoryList::Netscape ? HistoryList::InternetExplorer : HistoryList::Netscape;
  if (!State(list).items.empty()) return;
  if (State(other).items.empty()) {
    caption_ = history_text::kClearBoth;
  } else {
    caption_ = list == HistoryList::Netscape ? history_text::kClearNet : history_text::kClearIe;
  }
}

void HistoryLists::MouseDown(HistoryList list, unsigned buttons) {
  if (buttons == kRightButton) RemoveSelected(State(list));
  UpdateCaptionAfterMouse(list);
}

void HistoryLists::DoubleClick(HistoryList list) {
  const std::string selected = text(list);
  if (list == HistoryList::InternetExplorer) {
    if (window_.launch) window_.launch(selected);
    return;
  }
  if (selected.empty() || netscape_.selection < 0) return;
  std::optional<std::string> address = NetscapeItemAddress(selected);
  if (address && window_.launch) window_.launch(*address);
}

void HistoryLists::Select(HistoryList list, int index) {
  ListState& state = State(list);
  state.selection = index >= 0 && index < static_cast<int>(state.items.size()) ? index : -1;
}

std::string HistoryLists::text(HistoryList list) const {
  const ListState& state = State(list);
  if (state.selection < 0) return "";
  return state.items[static_cast<std::size_t>(state.selection)];
}

}  // namespace varnel

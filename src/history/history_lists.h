#pragma once
// The two history lists of the main window and what their buttons do, without the window:
// List1 holds the Netscape history items of a profile's prefs.js, List2 Internet Explorer's
// typed addresses. "Open Netscape MRU" fills both, the right mouse button deletes the selected
// entry, a double click launches it, and Command2 saves both lists back and reads them again.
// Command2's caption tells the user what a save will do; it is the only state besides the lists.
//
// The window keeps its controls in step with this model: it reports selections, mouse buttons
// and double clicks, and shows items(), selection() and caption() afterwards. Questions and
// messages go to the window's prompt, the address launcher and the lists' refresh are callbacks.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/netscape_history.h"
#include "journal/journal.h"
#include "winenv/drive_map.h"
#include "winenv/prompt.h"
#include "winenv/registry.h"
#include "winenv/status.h"

namespace varnel {

enum class HistoryList { Netscape, InternetExplorer };  // List1, List2

// Mouse buttons as flags, the way the list reports the buttons held at a press.
inline constexpr unsigned kLeftButton = 1;
inline constexpr unsigned kRightButton = 2;
inline constexpr unsigned kMiddleButton = 4;

// The texts the user sees, letter for letter.
namespace history_text {
inline constexpr std::string_view kOpenButton = "Open Netscape MRU";
inline constexpr std::string_view kClearBoth = "Clear both MRU";
inline constexpr std::string_view kSave = "Save MRU";
inline constexpr std::string_view kClearNet = "Clear Net MRU";
inline constexpr std::string_view kClearIe = "Clear IE MRU";
inline constexpr std::string_view kNetscapeListTip = "Delete or launch one of Netscape's  MRU addresses";
inline constexpr std::string_view kIeListTip = "Delete or launch one of IE's MRU addresses";
inline constexpr std::string_view kPrefsNotFound = "Netscape preference file not found in this directory";
inline constexpr std::string_view kOpenError = "Error occured in Open MRU error number ";
inline constexpr std::string_view kClearQuestion =
    "You are about to clear all MRU in either one or both browsers, are you sure you want to do this.  Also be "
    "advised that you must have your browsers not is use for this feature to work.";
inline constexpr std::string_view kCloseBrowsersWarning =
    "Please, be advised that any changes you make will be overwritten by browser if browser is in use, the browser "
    "writes this data when closed.  So close your browsers if open.";
}  // namespace history_text

// The message for a failed open: the missing prefs.js has its own text, other failures show
// their code.
std::string OpenFailureText(const Status& failure);
// The messages for a failed save of either half, naming the failure.
std::string NetscapeSaveFailureText(const Status& failure);
std::string IeSaveFailureText(const Status& failure);
// The address in a Netscape item: without its first character and its last three (the
// quotation marks, ")" and ";" around it). An item shorter than four characters holds none.
std::optional<std::string> NetscapeItemAddress(std::string_view item);

// What a save writes: each list given is written, a list left out (nullptr) stays as it is on disk.
struct HistoriesToSave {
  const std::vector<std::string>* netscape = nullptr;  // through the open working copy into prefs.js
  const std::vector<std::string>* ie = nullptr;        // into TypedURLs, replaced whole
};
struct HistorySaveResult {
  Status status;
  HistoryList failed = HistoryList::Netscape;  // which half failed, when status is a failure
};
// The save behind Command2, without its questions: Netscape's list first (WriteNetscapeHistory,
// which needs the working copy of an open), then Internet Explorer's (WriteTypedUrls, through
// Wine when Wine holds the registry). A Netscape failure stops the save before TypedURLs is
// touched, so what was not yet written stays as it was.
// The save is recorded in the journal, when there is one, as one change of prefs.js and the
// whole TypedURLs key.
HistorySaveResult SaveHistories(NetscapeWorkingCopy& workingCopy, Registry& registry, const HistoriesToSave& lists,
                                Journal* journal, std::string_view profileDirectory);
// NetscapeSaveFailureText or IeSaveFailureText, for the half that failed.
std::string HistorySaveFailureText(const HistorySaveResult& result);

// What the lists need of the window besides its prompt.
struct HistoryWindow {
  std::function<void(const std::string& address)> launch;  // the address launcher
  // The lists changed under the window, which shows them now: a failed open's message is up
  // over what the open left in them (the items read so far).
  std::function<void()> showLists;
};

enum class SaveOutcome { Declined, Saved, Failed };

class HistoryLists {
 public:
  HistoryLists(const DriveMap& drives, Registry& registry, Prompt& prompt, HistoryWindow window = {});

  // Command1: reads both histories into the lists; the profile directory is Dir1's path.
  // A failure is shown and ends the open, leaving what was done so far.
  bool Open(std::string_view profileDirectory);
  // Command2: asks or warns, writes both lists back, then opens again from profileDirectory
  // (Dir1's path now). A failure is shown and leaves what was not yet written as it was: when
  // prefs.js cannot be saved, the typed addresses are not touched either.
  SaveOutcome Save(std::string_view profileDirectory);
  // After an undo: lists opened before are read again from the profile directory they were
  // opened from, so they show what is on disk now and the next save writes over that, then the
  // window is told to show them. Lists never opened stay empty. Edits not yet saved are dropped.
  void ReadAgain();
  // A mouse button pressed on a list: the right button alone deletes the selected item and
  // selects the one after it (the one before, at the end); every press then updates the caption.
  void MouseDown(HistoryList list, unsigned buttons);
  // A double click on a list launches its selected address.
  void DoubleClick(HistoryList list);
  // The selection the list shows (-1 for none; out of range counts as none).
  void Select(HistoryList list, int index);
  // Where a save is recorded for undo ("MRU saved": prefs.js and the TypedURLs key); none by default.
  void SetJournal(Journal* journal) { journal_ = journal; }
  // The window that shows the lists hands in its prompt, launcher and refresh.
  void SetUi(Prompt& prompt, HistoryWindow window) {
    prompt_ = &prompt;
    window_ = std::move(window);
  }
  // Program end: closes the working copy without saving.
  void CloseAll() {
    workingCopy_.CloseAll();
    openedFrom_.reset();
  }

  const std::vector<std::string>& items(HistoryList list) const { return State(list).items; }
  int selection(HistoryList list) const { return State(list).selection; }
  // The selected item's text, "" when nothing is selected.
  std::string text(HistoryList list) const;
  const std::string& caption() const { return caption_; }
  const NetscapeWorkingCopy& workingCopy() const { return workingCopy_; }

 private:
  struct ListState {
    std::vector<std::string> items;
    int selection = -1;
  };
  ListState& State(HistoryList list) { return list == HistoryList::Netscape ? netscape_ : ie_; }
  const ListState& State(HistoryList list) const { return list == HistoryList::Netscape ? netscape_ : ie_; }
  static void Clear(ListState& state);
  bool ConfirmSave();
  bool RemoveSelected(ListState& state);
  void UpdateCaptionAfterMouse(HistoryList list);

  const DriveMap& drives_;
  Registry& registry_;
  Prompt* prompt_;
  HistoryWindow window_;
  Journal* journal_ = nullptr;
  NetscapeWorkingCopy workingCopy_;
  std::optional<std::string> openedFrom_;  // the profile directory of the last open
  ListState netscape_;
  ListState ie_;
  std::string caption_{history_text::kClearBoth};
};

}  // namespace varnel

#pragma once
// The one way the program opens a web address: handed to the system, which starts (or reuses)
// whatever program is associated with it, so the current default browser receives it. The main
// window shows the hourglass, is minimized, and gets its normal pointer back, also when opening
// failed; the windows never examine the result (the command line does, OpenAndWait).
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "winenv/status.h"

namespace varnel {

// Starts the system's opener for an address, detached; the address is one argument, unchanged.
class AddressOpener {
 public:
  virtual ~AddressOpener() = default;
  virtual void Open(const std::string& address) = 0;
};

// Starts a program detached from this process (its own session, standard streams on /dev/null),
// without a shell. False when it could not be started.
[[nodiscard]] bool SpawnDetached(const std::vector<std::string>& argv,
                                 const std::vector<std::string>& extraEnvironment);
// Runs a program in a session of its own (so that what it starts outlives a closed terminal),
// without a shell, its input and output on /dev/null and its error output on ours, and waits up
// to `seconds` for it to end: its exit status (128 + the signal when one ended it), -1 when it
// could not be started, or kStillRunning when it is still running then (it is left to run).
inline constexpr int kStillRunning = -2;
int RunInOwnSession(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
                    int seconds);
// Whether a program of that name is on PATH.
bool ProgramOnPath(const std::string& name);

// Where Wine is installed: "wine start /min "" <address>" with WINEPREFIX set (the prefix's only), so the prefix's own
// associations choose the browser, which opens minimized as the Windows shell is asked to.
// Otherwise the desktop's "xdg-open <address>" (an address beginning with "-", a file in the
// working folder, given as "./-...", so that it cannot be read as one of xdg-open's options).
class SystemAddressOpener : public AddressOpener {
 public:
  explicit SystemAddressOpener(std::string prefix, bool useWine = ProgramOnPath("wine"))
      : prefix_(std::move(prefix)), useWine_(useWine) {}
  void Open(const std::string& address) override;
  // For the command line: opens the address as Open does but waits (at most `seconds`) for the
  // opener to hand it over, and fails when the opener did (wine start and xdg-open end with a
  // non-zero status when nothing takes the address; their own message goes to stderr). An
  // opener still running at the end of the wait counts as having opened it.
  Status OpenAndWait(const std::string& address, int seconds);

  // The program and arguments that would open the address (for tests and the command line);
  // empty when nothing is to be started. Wine's start reads an argument that begins with "/" as
  // one of its own options (some of which run programs), so such an address is not handed to
  // it: on Windows the shell finds no such document and opens nothing either.
  std::vector<std::string> CommandFor(const std::string& address) const;

 private:
  std::vector<std::string> Environment() const;

  std::string prefix_;
  bool useWine_;
};

// What the launch does to the main window.
struct MainWindowHooks {
  std::function<void()> showHourglass;
  std::function<void()> minimize;
  std::function<void()> restorePointer;
};

// Hourglass, open the address, minimize the main window, normal pointer again. The command line
// passes no hooks.
void LaunchAddress(AddressOpener& opener, const MainWindowHooks& hooks, const std::string& address);

}  // namespace varnel

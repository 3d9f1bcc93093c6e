#pragma once
// The one way the program opens a web address: handed to the system, which starts (or reuses)
// whatever program is associated with it, so the current default browser receives it. The main
// window shows the hourglass, is minimized, and gets its normal pointer back, also when opening
// failed; the result is never examined.
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace varnel {

// Starts the system's opener for an address, detached; the address is one argument, unchanged.
class AddressOpener {
 public:
  virtual ~AddressOpener() = default;
  virtual void Open(const std::string& address) = 0;
};

// Starts a program detached from this process (its own session, standard streams on /dev/null),
// without a shell. False when it could not be started.
[[nodiscard]] bool SpawnDetached(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment);
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

  // The program and arguments that would open the address (for tests and the command line);
  // empty when nothing is to be started. Wine's start reads an argument that begins with "/" as
  // one of its own options (some of which run programs), so such an address is not handed to
  // it: on Windows the shell finds no such document and opens nothing either.
  std::vector<std::string> CommandFor(const std::string& address) const;

 private:
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

#pragma once
// The program's three windows and their lifecycle: each is created on first use, its Form_Load
// runs once then, afterwards it is only shown and hidden. Reading a control of a window that does
// not exist yet creates and loads it. Ending the program unloads every window and quits the loop.
#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "journal/journal.h"
#include "settings/launch_address.h"
#include "widgets/dialogs.h"
#include "widgets/help.h"
#include "winenv/drive_map.h"
#include "winenv/registry.h"

namespace varnel {

class MainScreen;
class IEWindow;
class SetupWindow;

// What the windows use of the world outside them: the program passes the real ones, the window
// tests their doubles.
struct WindowServices {
  AddressOpener& opener;
  Dialogs& dialogs;
  Help& help;
};

class Forms : public QObject {
  Q_OBJECT

 public:
  Forms(Registry& registry, const DriveMap& drives, WindowServices services, bool anotherCopyRunning);
  ~Forms() override;

  MainScreen& Main();
  IEWindow& IE();
  bool IELoaded() const { return ie_ != nullptr; }
  SetupWindow& Setup();

  // NetLAU from the main window's profile list, IEfav from the bookmarks window's favorites
  // list; a bookmarks window that was never opened has none, and IEfav stays as stored.
  void StoreRememberedDirectories();
  // Unloads every window and quits the event loop (or keeps it from starting).
  void EndProgram();
  bool Ended() const { return ended_; }

  // Opens an address as every window does: the main window shows the hourglass and is
  // minimized (created first if it is not yet).
  void Launch(const std::string& address);
  Dialogs& dialogs() { return services_.dialogs; }
  Help& help() { return services_.help; }

  // Where the windows' changes are recorded for undo; none (the window tests) records nothing.
  void SetJournal(Journal* journal) { journal_ = journal; }
  Journal* journal() { return journal_; }
  // Ctrl+Z in a window: asks whether to undo the newest change, naming it, and undoes it; a
  // change made over since is undone only after a second question.
  void UndoNewestChange(QWidget* window);

  Registry& registry() { return registry_; }
  const DriveMap& drives() const { return drives_; }
  bool anotherCopyRunning() const { return anotherCopyRunning_; }

 private:
  Registry& registry_;
  const DriveMap& drives_;
  WindowServices services_;
  bool anotherCopyRunning_;
  bool ended_ = false;
  Journal* journal_ = nullptr;
  void InstallUndoKey(QWidget& window);
  std::unique_ptr<MainScreen> main_;
  std::unique_ptr<IEWindow> ie_;
  std::unique_ptr<SetupWindow> setup_;
};

// Opens the prefix and starts the windows on it; runs until the program ends. Returns the exit
// code (1 when the prefix cannot be used).
int RunWindows(int argc, char** argv, const std::optional<std::string>& commandLinePrefix);

}  // namespace varnel

#pragma once
// The program's three windows and their lifecycle: each is created on first use, its Form_Load
// runs once then, afterwards it is only shown and hidden. Reading a control of a window that does
// not exist yet creates and loads it. Ending the program unloads every window and quits the loop.
#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "session/session.h"
#include "settings/launch_address.h"
#include "windows/dialogs.h"
#include "windows/help.h"

namespace varnel {

class MainScreen;
class IEWindow;
class SetupWindow;
class ChangesWindow;

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
  Forms(Session& session, WindowServices services, bool anotherCopyRunning);
  ~Forms() override;

  MainScreen& Main();
  IEWindow& IE();
  SetupWindow& Setup();

  // Going from window to window: the bookmarks window, captioned with the default browser, in
  // place of the main window; the main window shown normal and in front; the setup window.
  void ShowBookmarks();
  void ShowMain();
  void ShowSetup();
  // Moves the main window's profile list to the drive (when given) and then the path.
  void ShowProfileDirectory(const std::string& drive, const std::string& path);

  // The closing step of the main and the bookmarks window: the session's end (the remembered
  // directories stored), told when it failed, then every window unloaded.
  void CloseProgram();
  // Unloads every window and quits the event loop (or keeps it from starting).
  void EndProgram();
  bool Ended() const { return ended_; }

  // Opens an address as every window does: the main window shows the hourglass and is
  // minimized (created first if it is not yet).
  void Launch(const std::string& address);
  Dialogs& dialogs() { return services_.dialogs; }
  Help& help() { return services_.help; }

  // Ctrl+Z in a window: asks whether to undo the newest change, naming it, and undoes it; a
  // change made over since is undone only after a second question, whose default is No.
  void UndoNewestChange(QWidget* window);
  // The same for change `from` and every later one (the Changes dialog's Undo). True when the
  // undo was made; every window then shows the state as it is now.
  bool UndoChanges(QWidget* window, std::optional<int> from);
  // Ctrl+Shift+Z, and "Changes..." on the context menus: the Changes dialog.
  ChangesWindow& Changes();
  void ShowChanges();

  Session& session() { return session_; }
  bool anotherCopyRunning() const { return anotherCopyRunning_; }

 private:
  void InstallUndoKey(QWidget& window);
  void ShowStateAfterUndo();

  Session& session_;
  WindowServices services_;
  bool anotherCopyRunning_;
  bool ended_ = false;
  std::unique_ptr<MainScreen> main_;
  std::unique_ptr<IEWindow> ie_;
  std::unique_ptr<SetupWindow> setup_;
  std::unique_ptr<ChangesWindow> changes_;
};

// Opens the prefix and starts the windows on it; runs until the program ends. Returns the exit
// code (1 when the prefix cannot be used).
int RunWindows(int argc, char** argv, const std::optional<std::string>& commandLinePrefix);

}  // namespace varnel

#include "windows/forms_ui.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QShortcut>
#include <QTimer>

#include <cstdio>
#include <thread>

#include "journal/undo.h"
#include "session/change_list.h"
#include "session/journalled_writes.h"
#include "session/open_session.h"
#include "session/single_instance.h"
#include "session/startup.h"
#include "settings/settings.h"
#include "windows/changes_window.h"
#include "windows/classic_font.h"
#include "windows/ie_window.h"
#include "windows/main_screen_window.h"
#include "windows/off_thread.h"
#include "windows/prefix_chooser_window.h"
#include "windows/session_end_ui.h"
#include "windows/setup_window.h"

namespace varnel {

Forms::Forms(Session& session, WindowServices services, bool anotherCopyRunning)
    : session_(session), services_(services), anotherCopyRunning_(anotherCopyRunning) {
  services_.help.InstallKey();
  // A write through a running Wine waits seconds for Wine's programs: the windows keep painting.
  session_.SetWineWait([](const std::function<Status()>& write) {
    return RunOffWindowThread(QApplication::activeWindow(), "writing through Wine, which runs in this prefix", write);
  });
}

Forms::~Forms() { session_.SetWineWait(nullptr); }

MainScreen& Forms::Main() {
  if (!main_) {
    main_ = std::make_unique<MainScreen>(*this);
    InstallUndoKey(*main_);
    main_->Form_Load();
  }
  return *main_;
}

void Forms::Launch(const std::string& address) {
  MainScreen& window = Main();
  LaunchAddress(services_.opener,
                {[&window] { window.setCursor(Qt::WaitCursor); },
                 [&window] { window.setWindowState(window.windowState() | Qt::WindowMinimized); },
                 [&window] { window.unsetCursor(); }},
                address);
}

IEWindow& Forms::IE() {
  if (!ie_) {
    ie_ = std::make_unique<IEWindow>(*this);
    InstallUndoKey(*ie_);
    ie_->Form_Load();
  }
  return *ie_;
}

SetupWindow& Forms::Setup() {
  if (!setup_) {
    setup_ = std::make_unique<SetupWindow>(*this);
    InstallUndoKey(*setup_);
    setup_->Form_Load();
  }
  return *setup_;
}

void Forms::ShowBookmarks() {
  IEWindow& bookmarks = IE();
  const bool ie = session_.defaultBrowser() == Browser::InternetExplorer;
  bookmarks.setWindowTitle(QString::fromLatin1(ie ? kBookmarksCaptionIE : kBookmarksCaptionNetscape));
  bookmarks.show();
  Main().hide();
}

void Forms::ShowMain() { Main().ShowRestored(); }

void Forms::ShowSetup() { Setup().show(); }

void Forms::ShowProfileDirectory(const std::string& drive, const std::string& path) {
  Main().ShowProfileDirectory(drive, path);
}

void Forms::CloseProgram() {
  const Status stored = session_.End();
  if (!stored.ok()) dialogs().Ok(nullptr, "The remembered directories were not stored: " + stored.message);
  EndProgram();
}

// Ctrl+Z and Ctrl+Shift+Z in every window, and in the Changes dialog.
void Forms::InstallUndoKey(QWidget& window) {
  auto* undo = new QShortcut(QKeySequence::Undo, &window);
  undo->setContext(Qt::WindowShortcut);
  connect(undo, &QShortcut::activated, &window, [this, &window] { UndoNewestChange(&window); });
  auto* changes = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &window);
  changes->setContext(Qt::WindowShortcut);
  connect(changes, &QShortcut::activated, &window, [this] { ShowChanges(); });
}

void Forms::UndoNewestChange(QWidget* window) {
  if (UndoChanges(window, std::nullopt) && changes_ && changes_->isVisible()) changes_->Refill();
}

bool Forms::UndoChanges(QWidget* window, std::optional<int> from) {
  UndoPlan plan;
  Status status = session_.PlanUndo(from, plan);
  if (!status.ok()) {
    dialogs().Ok(window, "Nothing to undo: " + status.message);
    return false;
  }
  if (!dialogs().YesNo(window, UndoPlanQuestion(plan))) return false;
  const bool force = !plan.moved.empty();
  // Yes here overwrites what was changed since: Enter must not give it.
  if (force && !dialogs().YesNo(window, UndoOverwriteQuestion(plan), Dialogs::Answer::No)) return false;
  status = session_.Undo(plan, force);
  if (!status.ok()) dialogs().Ok(window, status.message);
  ShowStateAfterUndo();  // a failed undo may have restored part of it
  return status.ok();
}

// Every window made so far shows what the undo left; the session has read the open history
// lists again, which the main window shows through the lists' own callback.
void Forms::ShowStateAfterUndo() {
  if (main_) main_->ShowAfterUndo();
  if (ie_) ie_->ShowAfterUndo();
  if (setup_) setup_->ShowAfterUndo();
}

ChangesWindow& Forms::Changes() {
  if (!changes_) {
    changes_ = std::make_unique<ChangesWindow>(*this);
    InstallUndoKey(*changes_);
  }
  return *changes_;
}

void Forms::ShowChanges() { Changes().ShowChanges(); }

void Forms::EndProgram() {
  if (ended_) return;
  ended_ = true;
  for (QWidget* w : {static_cast<QWidget*>(changes_.get()), static_cast<QWidget*>(setup_.get()),
                     static_cast<QWidget*>(ie_.get()), static_cast<QWidget*>(main_.get())}) {
    if (w) w->hide();
  }
  QCoreApplication::quit();
}

namespace {

// The windows use both hive files, so both are checked at start.
const std::vector<Hive> kBothHives = {Hive::LocalMachine, Hive::CurrentUser};

// The start routine's steps on the windows.
StartupWindows StartupSteps(Forms& forms) {
  return {[&forms](const std::string& fileName) { forms.help().SetFileName(fileName); },
          [&forms](const std::string& path) {
            forms.Main();
            if (forms.Ended()) return false;
            forms.ShowProfileDirectory("", path);
            return true;
          },
          [](const Status& failure) {
            std::fprintf(stderr, "varnel: a standard browser directory was not stored: %s\n", failure.message.c_str());
          },
          [&forms] { forms.Setup().ShowModalAtStart(); },
          [&forms] {
            MainScreen& main = forms.Main();
            if (forms.Ended()) return false;
            main.ShowRestored();
            return true;
          }};
}

}  // namespace

int RunWindows(int argc, char** argv, const std::optional<std::string>& commandLinePrefix) {
  // The hive files are read and parsed on a second thread while Qt starts up: both take about
  // as long, and the machine has cores to spare. The windows wait for it before they start.
  OpenedPrefix opened;
  Status status;
  std::thread opening([&] {
    // Qt's start waits on the X server, which needs the CPU meanwhile: this thread gives way.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    status = OpenPrefixChecked(commandLinePrefix, ProcessEnvironment(), kBothHives, opened);
  });
  QApplication app(argc, argv);
  opening.join();
  QtDialogs dialogs;
  Help help;
  help.InstallKey();  // F1 opens the help from the prefix chooser on
  if (!opened.choices.empty()) {
    // Several found prefixes hold a browser and none is named: the user picks one.
    QApplication::setFont(ClassicDialogFont());
    const std::optional<std::string> picked = ChoosePrefixAtStart(opened.choices, opened.choiceBrowsers);
    if (!picked) return 0;
    status = OpenChoiceChecked(opened, *picked, kBothHives);
  }
  const PrefixLocation& location = opened.location;
  for (const std::string& note : PrefixNotes(opened)) std::fprintf(stderr, "varnel: %s\n", note.c_str());
  if (!status.ok()) {
    const std::string message = "Varnel cannot use the Windows environment " + location.path + ": " + status.message;
    std::fprintf(stderr, "varnel: %s\n", message.c_str());
    if (!isatty(STDERR_FILENO)) dialogs.Ok(nullptr, message);  // started from a menu: no terminal
    return 1;
  }
  std::string latestNote;
  const std::unique_ptr<Session> ownedSession = OpenSession(opened, ProcessEnvironment(), true, latestNote);
  Session& session = *ownedSession;
  if (!latestNote.empty()) std::fprintf(stderr, "varnel: %s\n", latestNote.c_str());
  session.EndWineSession();  // the windows' writes come later, each its own Wine program
  const std::string& prefix = session.prefix();
  QApplication::setApplicationName("Varnel");
  // The icon is drawn at every size the window system asks for: done once the window is up.
  QTimer::singleShot(0, &app, [] { QApplication::setWindowIcon(QIcon(":/icons/globe.svg")); });
  QApplication::setFont(ClassicDialogFont());  // the designed twips geometry fits it
  // Before the start's own messages that the browsers are not found: where they must go.
  if (opened.ownMadeNow) dialogs.Ok(nullptr, OwnPrefixMadeMessage(prefix));

  SystemAddressOpener opener(prefix);
  SingleInstance instance(prefix);
  Forms forms(session, {opener, dialogs, help}, instance.AnotherCopyRunning());
  session.SetChangeReporter([&dialogs](const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    dialogs.Ok(QApplication::activeWindow(), text);
  });
  SessionEndWatcher sessionEnd([&forms] { forms.Main().close(); });
  DialogsPrompt startupPrompt(dialogs, nullptr);
  if (!session.RunStartup(StartupSteps(forms), startupPrompt)) return 0;
  return forms.Ended() ? 0 : app.exec();
}

}  // namespace varnel

#include "settings/launch_address.h"

#include <cstdio>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "winenv/code_page.h"
#include "winenv/process.h"
#include "winenv/wine_server.h"

extern char** environ;

namespace varnel {

namespace {

void Call(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

bool ProgramOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool SpawnDetached(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment) {
  if (argv.empty()) return false;
  const ExecVectors program(argv, extraEnvironment);

  pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    ::setsid();
    if (::fork() != 0) ::_exit(0);  // the grandchild is adopted by init: no zombie, no waiting
    int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
      if (null > 2) ::close(null);
    }
    program.Exec();
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

namespace {

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// "scheme:" of two or more letters (a drive letter is one): a web address, not a path.
bool HasUrlScheme(std::string_view address) {
  const std::size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  return std::all_of(address.begin(), address.begin() + colon, [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
  });
}

// Wine's shell replaces %NAME% in what it opens by the variable NAME. In a web address a "%"
// that does not start a %XX escape stands for itself, so it is written %25: the browser gets the
// same address and nothing is expanded.
std::string ProtectPercents(std::string_view address) {
  if (!HasUrlScheme(address)) return std::string(address);
  std::string result;
  for (std::size_t i = 0; i < address.size(); ++i) {
    const bool escape = i + 2 < address.size() && IsHexDigit(address[i + 1]) && IsHexDigit(address[i + 2]);
    result += address[i];
    if (address[i] == '%' && !escape) result += "25";
  }
  return result;
}

// xdg-open takes an argument that begins with "-" for one of its options (--help, --version)
// and knows no "--" to end them. No web address begins so (its scheme begins with a letter): it
// is the name of a file in the working folder, which "./" names just as well, and never as an
// option.
std::string NeverAnOption(const std::string& address) { return address.starts_with('-') ? "./" + address : address; }

}  // namespace

std::vector<std::string> SystemAddressOpener::CommandFor(const std::string& address) const {
  std::string utf8 = Utf8FromAnsi(address);
  if (!useWine_) return {"xdg-open", NeverAnOption(utf8)};
  if (!utf8.empty() && utf8.front() == '/') return {};
  utf8 = ProtectPercents(utf8);
  // start takes its first argument that begins with a double quote as a window title: an empty
  // title given first keeps an address that begins with one the document to open.
  return {"wine", "start", "/min", "\"\"", utf8};
}

int RunInOwnSession(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
                    int seconds) {
  if (argv.empty()) return -1;
  const ExecVectors program(argv, extraEnvironment);
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    ::setsid();
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
      if (null > 1) ::close(null);
    }
    program.Exec();
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (int status = 0;;) {
    const pid_t ended = ::waitpid(child, &status, WNOHANG);
    if (ended == child) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (ended < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() > deadline) return kStillRunning;  // left to run: init reaps it
    ::usleep(10000);
  }
}

// A Wine already serving the prefix is reached through its own TMPDIR, so no second server starts.
std::vector<std::string> SystemAddressOpener::Environment() const {
  const std::optional<WineServer> server = useWine_ ? FindWineServer(prefix_) : std::nullopt;
  return server ? server->Environment(prefix_) : std::vector<std::string>{"WINEPREFIX=" + prefix_};
}

Status SystemAddressOpener::OpenAndWait(const std::string& address, int seconds) {
  const std::vector<std::string> command = CommandFor(address);
  if (command.empty()) {
    return Status::Error(
        errc::kInvalidArgument,
        "nothing was opened: Wine's start takes an address beginning with \"/\" for one of its options");
  }
  const std::string opener = useWine_ ? "wine start" : command.front();
  const int code = RunInOwnSession(command, Environment(), seconds);
  if (code == 0 || code == kStillRunning) return Status::Ok();
  if (code < 0)
    return Status::Error(errc::kFileNotFound, command.front() + " could not be started to open the address");
  return Status::Error(errc::kPathFileAccess,
                       opener + " could not open the address (it ended with status " + std::to_string(code) + ")");
}

void SystemAddressOpener::Open(const std::string& address) {
  const std::vector<std::string> command = CommandFor(address);
  if (command.empty()) return;  // an address Wine's start would take for one of its options
  // The windows tell nothing of a shell failure; whoever looks at the terminal learns of it.
  if (!SpawnDetached(command, Environment())) {
    std::fprintf(stderr, "varnel: %s could not be started to open the address\n", command.front().c_str());
  }
}

void LaunchAddress(AddressOpener& opener, const MainWindowHooks& hooks, const std::string& address) {
  Call(hooks.showHourglass);
  opener.Open(address);
  Call(hooks.minimize);
  Call(hooks.restorePointer);
}

}  // namespace varnel

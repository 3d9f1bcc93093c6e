#include "settings/launch_address.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "winenv/code_page.h"

extern char** environ;

namespace varnel {

namespace {

AddressOpener* gOpener = nullptr;
MainWindowHooks gHooks;

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
  // Everything the child needs is prepared before fork: between fork and exec only
  // async-signal-safe calls are made.
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env;
  for (const std::string& e : extraEnvironment) env.push_back(const_cast<char*>(e.c_str()));
  for (char** e = environ; *e; ++e) env.push_back(*e);
  env.push_back(nullptr);

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
    ::execvpe(args[0], args.data(), env.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

std::vector<std::string> SystemAddressOpener::CommandFor(const std::string& address) const {
  std::string utf8 = Utf8FromAnsi(address);
  if (!useWine_) return {"xdg-open", utf8};
  if (!utf8.empty() && utf8.front() == '/') return {};
  return {"wine", "start", "/min", utf8};
}

void SystemAddressOpener::Open(const std::string& address) {
  SpawnDetached(CommandFor(address), {"WINEPREFIX=" + prefix_});
}

void SetAddressLauncher(AddressOpener* opener, MainWindowHooks hooks) {
  gOpener = opener;
  gHooks = std::move(hooks);
}

void LaunchAddress(const std::string& address) {
  Call(gHooks.showHourglass);
  if (gOpener) gOpener->Open(address);
  Call(gHooks.minimize);
  Call(gHooks.restorePointer);
}

}  // namespace varnel

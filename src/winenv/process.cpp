#include "winenv/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string_view>

extern char** environ;

namespace varnel {

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& settings, char** inherited) {
  std::vector<std::string> result = settings;
  const auto setHere = [&settings](std::string_view entry) {
    const std::string_view name = entry.substr(0, entry.find('='));
    return std::any_of(settings.begin(), settings.end(), [name](const std::string& s) {
      return s.size() > name.size() && s.compare(0, name.size(), name) == 0 && s[name.size()] == '=';
    });
  };
  for (char** e = inherited; e && *e; ++e) {
    if (!setHere(*e)) result.emplace_back(*e);
  }
  return result;
}

namespace {

std::vector<char*> Pointers(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (const std::string& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ExecVectors::ExecVectors(const std::vector<std::string>& argv, const std::vector<std::string>& settings)
    : arguments_(argv), environment_(ChildEnvironment(settings, environ)) {
  argv_ = Pointers(arguments_);
  envp_ = Pointers(environment_);
}

void ExecVectors::Exec() const {
  execvpe(argv_[0], argv_.data(), envp_.data());
  _exit(127);
}

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& settings,
                      int timeoutSeconds) {
  ProgramRun run;
  if (argv.empty()) return run;
  const ExecVectors program(argv, settings);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return run;
  const pid_t child = fork();
  if (child < 0) {
    close(out[0]);
    close(out[1]);
    return run;
  }
  if (child == 0) {
    setpgid(0, 0);  // its own group, so that a timeout ends whatever it started too
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(out[1], 1);
    dup2(null, 2);
    program.Exec();
  }
  close(out[1]);
  run.started = true;
  // Output is collected until the program has exited (a server it started may keep the pipe open).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  fcntl(out[0], F_SETFL, O_NONBLOCK);
  char buffer[4096];
  int status = 0;
  bool exited = false;
  while (!exited) {
    pollfd wait{out[0], POLLIN, 0};
    poll(&wait, 1, 50);
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, static_cast<std::size_t>(n));
    exited = waitpid(child, &status, WNOHANG) == child;
    if (!exited && std::chrono::steady_clock::now() > deadline) {
      run.timedOut = true;
      kill(-child, SIGKILL);
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
  }
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  if (!run.timedOut && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  return run;
}

}  // namespace varnel

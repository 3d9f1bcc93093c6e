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

ChildProgram::~ChildProgram() {
  if (pid_ > 0 && !exited_ && !abandoned_) {
    kill(-pid_, SIGKILL);
    while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
  }
  if (out_ >= 0) close(out_);
}

void ChildProgram::Abandon() { abandoned_ = true; }

bool ChildProgram::Start(const std::vector<std::string>& argv, const std::vector<std::string>& settings) {
  if (argv.empty()) return false;
  const ExecVectors program(argv, settings);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(out[0]);
    close(out[1]);
    return false;
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
  fcntl(out[0], F_SETFL, O_NONBLOCK);
  pid_ = child;
  out_ = out[0];
  return true;
}

void ChildProgram::Drain() {
  char buffer[4096];
  for (ssize_t n; (n = read(out_, buffer, sizeof buffer)) > 0;) output_.append(buffer, static_cast<std::size_t>(n));
}

// Output is collected until the program has exited (a server it started may keep the pipe open).
bool ChildProgram::ReadUntil(const std::function<bool(const std::string& output)>& done, Deadline deadline) {
  while (!exited_) {
    Drain();
    if (done && done(output_)) return true;
    exited_ = waitpid(pid_, &status_, WNOHANG) == pid_;
    if (exited_ || std::chrono::steady_clock::now() > deadline) break;
    pollfd wait{out_, POLLIN, 0};
    poll(&wait, 1, 50);
  }
  Drain();
  return done && done(output_);
}

ProgramRun ChildProgram::Finish(Deadline deadline) {
  ProgramRun run;
  run.started = pid_ > 0;
  if (!run.started) return run;
  ReadUntil(nullptr, deadline);
  if (!exited_) {
    run.timedOut = true;
    kill(-pid_, SIGKILL);
    while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
    exited_ = true;
    Drain();
  }
  if (!run.timedOut && WIFEXITED(status_)) run.exitCode = WEXITSTATUS(status_);
  run.output = output_;
  return run;
}

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& settings,
                      int timeoutSeconds) {
  ChildProgram program;
  if (!program.Start(argv, settings)) return {};
  return program.Finish(std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds));
}

}  // namespace varnel

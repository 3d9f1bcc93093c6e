// Every file Varnel reads, replaced by what a hostile or broken system may put there: each
// command fails at once with a message naming the file, exits non-zero, and changes nothing.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "cli/cli.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

struct BadFile {
  const char* name;
  std::function<void(const std::string& path)> make;
};

const std::vector<BadFile>& BadFiles() {
  static const std::vector<BadFile> kinds = {
      {"FIFO", [](const std::string& p) { mkfifo(p.c_str(), 0600); }},
      {"device", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }},
      {"directory", [](const std::string& p) { fs::create_directory(p); }},
      {"link loop",
       [](const std::string& p) {
         fs::create_symlink(fs::path(p).filename().string() + ".2", p);
         fs::create_symlink(fs::path(p).filename().string(), p + ".2");
       }},
      {"unreadable file",
       [](const std::string& p) {
         test::WriteFile(p, "x\r\n");
         chmod(p.c_str(), 0);
       }},
      {"link into a folder that may not be searched",
       [](const std::string& p) {
         fs::create_directory(p + ".locked");
         test::WriteFile(p + ".locked/file", "x\r\n");
         chmod((p + ".locked").c_str(), 0);
         fs::create_symlink(fs::path(p).filename().string() + ".locked/file", p);
       }},
  };
  return kinds;
}

struct Result {
  int code = -1;
  std::string err;
};

// Runs the command in a child process that holds the files' modes like any user: the tests may
// run as root, who would otherwise read and search everything.
Result RunAsAnyUser(std::vector<std::string> words) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {};
  const test::TempDir state;  // the journal of the command's changes
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2] = {};
    syscall(SYS_capset, &header, none);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    std::ostringstream out, err;
    const int code = RunCommand(ParseCommandLine(static_cast<int>(argv.size()), argv.data()),
                                test::StateHomeIn(state.path()), out, err);
    const std::string message = err.str();
    (void)!write(pipeEnds[1], message.data(), message.size());
    _exit(code);
  }
  close(pipeEnds[1]);
  Result result;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) result.err.append(buffer, n);
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// The bytes of every file below a folder, links and special files by their kind only.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path& p = it->path();
    if (fs::is_symlink(fs::symlink_status(p)))
      files[p] = "link " + fs::read_symlink(p).string();
    else if (fs::is_regular_file(fs::symlink_status(p)))
      files[p] = test::ReadFile(p);
    else
      files[p] = "special";
  }
  return files;
}

struct Case {
  std::string file;  // relative to the prefix
  std::vector<std::string> command;
};

TEST(BadFiles, EveryReadFileThatCannotBeReadFailsClearlyAndChangesNothing) {
  const std::string profile = "drive_c/Program Files/Netscape/Users/default";
  const std::vector<Case> cases = {
      {"system.reg", {"settings"}},
      {"user.reg", {"history", "--profile", "c:\\program files\\netscape\\users\\default"}},
      {profile + "/prefs.js", {"history", "--profile", "c:\\program files\\netscape\\users\\default"}},
      {profile + "/bookmark.htm", {"bookmarks", "--profile", "c:\\program files\\netscape\\users\\default"}},
      {"drive_c/windows/Favorites/Site.url",
       {"favorite-to-bookmark", "Site.url", "--dir", "c:\\windows\\favorites", "--profile",
        "c:\\program files\\netscape\\users\\default"}},
  };
  for (const Case& c : cases) {
    for (const BadFile& bad : BadFiles()) {
      SCOPED_TRACE(c.file + " as " + bad.name);
      test::TempPrefix prefix;
      prefix.MakeDriveCDirectory("Program Files/Netscape/Users/default");
      prefix.MakeDriveCDirectory("windows/Favorites");
      test::WriteFile(prefix.native(profile + "/bookmark.htm"), "<H1>B</H1>\r\n");
      const std::string path = prefix.native(c.file);
      fs::remove(path);
      bad.make(path);
      const auto before = Snapshot(prefix.path());
      std::vector<std::string> words = {"varnel", "--prefix", prefix.path()};
      words.insert(words.end(), c.command.begin(), c.command.end());
      const Result result = RunAsAnyUser(words);
      EXPECT_GT(result.code, 0);
      EXPECT_NE(result.err.find(fs::path(c.file).filename().string()), std::string::npos) << result.err;
      EXPECT_EQ(Snapshot(prefix.path()), before);
    }
  }
}

// A registry file that is binary, holds NULs or a 100-megabyte line of nonsense is not Wine's:
// refused with its name, and the switch that would write it writes nothing.
TEST(BadFiles, ARegistryFileThatIsNotWinesIsRefusedAndLeftAlone) {
  const std::string header = "WINE REGISTRY Version 2\n;; All keys relative to \\Machine\n\n";
  const std::vector<std::pair<const char*, std::string>> contents = {
      {"binary", std::string("\x7f"
                             "ELF\x02\x01\x01\0\0\0",
                             10) +
                     std::string(4096, '\xff')},
      {"NULs in a key", header + std::string("[Software\\Cl\0asses] 1\n", 22)},
      {"a 100-megabyte line", header + "[Software] 1\n" + std::string(100 << 20, 'x') + "\n"},
  };
  for (const auto& [kind, content] : contents) {
    for (const char* command : {"default-browser", "netscape"}) {
      SCOPED_TRACE(std::string(kind) + ", " + command);
      test::TempPrefix prefix;
      test::WriteFile(prefix.native("system.reg"), content);
      std::vector<std::string> words = {"varnel", "--prefix", prefix.path(), "default-browser"};
      if (std::string(command) == "netscape") words.push_back("netscape");
      const Result result = RunAsAnyUser(words);
      EXPECT_GT(result.code, 0);
      EXPECT_NE(result.err.find("system.reg"), std::string::npos) << result.err.substr(0, 200);
      EXPECT_TRUE(test::ReadFile(prefix.native("system.reg")) == content);
    }
  }
}

// A history edit on a profile the user may not write, as any user: a read-only prefs.js, a folder
// where no working copy can be made. A message naming the file, and nothing changed anywhere.
TEST(BadFiles, AHistoryEditThatCannotBeSavedChangesNothing) {
  const std::string profile = "drive_c/Program Files/Netscape/Users/default";
  const std::vector<std::pair<std::string, std::string>> cases = {{profile + "/prefs.js", "prefs.js"},
                                                                  {profile, "test.js"}};
  for (const auto& [readOnly, named] : cases) {
    for (const std::vector<std::string>& edit :
         std::vector<std::vector<std::string>>{{"clear", "both"}, {"remove", "netscape", "http://a/"}}) {
      SCOPED_TRACE(readOnly + ", " + edit.front());
      test::TempPrefix prefix;
      prefix.MakeDriveCDirectory("Program Files/Netscape/Users/default");
      test::WriteFile(prefix.native(profile + "/prefs.js"),
                      "user_pref(\"browser.url_history.URL_1\", \"http://a/\");\r\n");
      std::vector<std::string> words = {"varnel",   "--prefix", prefix.path(),
                                        "settings", "NetLAU",   "c:\\program files\\netscape\\users\\default"};
      ASSERT_EQ(RunAsAnyUser(words).code, 0);
      chmod(prefix.native(readOnly).c_str(), readOnly == profile ? 0555 : 0444);
      const auto before = Snapshot(prefix.path());
      words = {"varnel", "--prefix", prefix.path(), "history"};
      words.insert(words.end(), edit.begin(), edit.end());
      const Result result = RunAsAnyUser(words);
      EXPECT_EQ(result.code, 1);
      EXPECT_NE(result.err.find(named), std::string::npos) << result.err;
      EXPECT_EQ(Snapshot(prefix.path()), before);
      chmod(prefix.native(readOnly).c_str(), 0755);
    }
  }
}

}  // namespace
}  // namespace varnel

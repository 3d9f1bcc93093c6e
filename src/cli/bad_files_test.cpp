// Every file Varnel reads, replaced by what a hostile or broken system may put there: each
// command fails at once with a message naming the file, exits non-zero, and changes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
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
      {"link loop", [](const std::string& p) { fs::create_symlink(fs::path(p).filename().string() + ".2", p);
                                               fs::create_symlink(fs::path(p).filename().string(), p + ".2"); }},
  };
  return kinds;
}

// The bytes of every file below a folder, links and special files by their kind only.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path& p = it->path();
    if (fs::is_symlink(fs::symlink_status(p))) files[p] = "link " + fs::read_symlink(p).string();
    else if (fs::is_regular_file(fs::symlink_status(p))) files[p] = test::ReadFile(p);
    else files[p] = "special";
  }
  return files;
}

struct Case {
  std::string file;  // relative to the prefix
  std::vector<std::string> command;
};

TEST(BadFiles, EveryReadFileThatIsNoRegularFileFailsClearlyAndChangesNothing) {
  const std::string profile = "drive_c/Program Files/Netscape/Users/default";
  const std::vector<Case> cases = {
      {"system.reg", {"settings"}},
      {"user.reg", {"history", "--profile", "c:\\program files\\netscape\\users\\default"}},
      {profile + "/prefs.js", {"history", "--profile", "c:\\program files\\netscape\\users\\default"}},
      {profile + "/bookmark.htm", {"bookmarks", "--profile", "c:\\program files\\netscape\\users\\default"}},
      {"drive_c/windows/Favorites/Site.url", {"favorite-to-bookmark", "Site.url", "--dir", "c:\\windows\\favorites",
                                              "--profile", "c:\\program files\\netscape\\users\\default"}},
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
      std::vector<char*> argv;
      for (std::string& w : words) argv.push_back(w.data());
      std::ostringstream out, err;
      const int code = RunCommand(ParseCommandLine(static_cast<int>(argv.size()), argv.data()),
                                  [](const char*) { return std::optional<std::string>(); }, out, err);
      EXPECT_NE(code, 0);
      EXPECT_NE(err.str().find(fs::path(c.file).filename().string()), std::string::npos) << err.str();
      EXPECT_EQ(Snapshot(prefix.path()), before);
    }
  }
}

}  // namespace
}  // namespace varnel

#include "winenv/prefix_discovery.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

// A fake home folder; what FindPrefixes lists of it, as "path relative to home" -> problem ("" ok).
class FakeHome {
 public:
  FakeHome() {
    // Another user (see AsAnotherUser) must be able to walk into it.
    fs::permissions(dir_.path(), fs::perms::all, fs::perm_options::add);
  }
  std::string operator/(const std::string& relative) const { return dir_ / relative; }
  void Prefix(const std::string& relative) const { ASSERT_TRUE(CreatePrefixLayout(*this / relative).ok()); }
  void Folder(const std::string& relative) const { fs::create_directories(*this / relative); }
  void File(const std::string& relative) const { test::WriteFile(*this / relative, "x"); }
  void Link(const std::string& target, const std::string& relative) const {
    fs::create_directories(fs::path(*this / relative).parent_path());
    fs::create_symlink(target, *this / relative);
  }
  EnvLookup env() const {
    return [home = dir_.path()](const char* name) -> std::optional<std::string> {
      if (std::string(name) == "HOME") return home;
      return std::nullopt;
    };
  }
  std::map<std::string, std::string> List() const { return Describe(FindPrefixes(env())); }
  std::map<std::string, std::string> Describe(const std::vector<FoundPrefix>& found) const {
    std::map<std::string, std::string> listed;
    for (const FoundPrefix& p : found) {
      const std::string relative = p.path.substr(dir_.path().size() + 1);
      EXPECT_EQ(listed.count(relative), 0u) << relative << " listed twice";
      listed[relative] = p.layout + (p.problem.ok() ? "" : ": " + p.problem.message);
    }
    return listed;
  }

 private:
  test::TempDir dir_;
};

// Folders of mode 000 stop only other users, so as root the list is made by a child process
// that has given up root; its lines come back through a pipe.
std::map<std::string, std::string> ListAsAnotherUser(const FakeHome& home) {
  if (geteuid() != 0) return home.List();
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    std::string text;
    for (const auto& [path, what] : home.List()) text += path + "\t" + what + "\n";
    const bool written = write(pipeEnds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
    _exit(written ? 0 : 1);
  }
  close(pipeEnds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::map<std::string, std::string> listed;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    listed[line.substr(0, line.find('\t'))] = line.substr(line.find('\t') + 1);
  return listed;
}

TEST(PrefixDiscovery, FindsThePrefixesOfEveryLayout) {
  FakeHome home;
  home.Prefix(".wine");
  home.Prefix(".local/share/wineprefixes/office");
  home.Prefix(".local/share/bottles/bottles/Browsers");
  home.Prefix(".var/app/com.usebottles.bottles/data/bottles/bottles/Flat");
  home.Prefix(".PlayOnLinux/wineprefix/ie6");
  home.Prefix("Games/old-game");
  home.Folder("Games/native-game/bin");  // a game that is no prefix
  home.File("Games/notes.txt");
  home.Prefix(".local/share/Steam/steamapps/compatdata/220/pfx");
  home.Folder(".local/share/Steam/steamapps/compatdata/0");  // Steam's own, no prefix inside
  home.File(".local/share/Steam/steamapps/compatdata/220/version");
  home.Link(home / ".local/share/Steam", ".steam/steam");  // the same folder by its second name
  home.Prefix(".local/share/varnel/prefix");

  EXPECT_EQ(home.List(), (std::map<std::string, std::string>{
                             {".wine", "wine"},
                             {".local/share/wineprefixes/office", "winetricks"},
                             {".local/share/bottles/bottles/Browsers", "bottles"},
                             {".var/app/com.usebottles.bottles/data/bottles/bottles/Flat", "bottles-flatpak"},
                             {".PlayOnLinux/wineprefix/ie6", "playonlinux"},
                             {"Games/old-game", "lutris"},
                             {".local/share/Steam/steamapps/compatdata/220/pfx", "steam"},
                             {".local/share/varnel/prefix", "varnel"},
                         }));
}

// Steam's further libraries are where its libraryfolders.vdf says; its own folder is listed
// there too and counts once. A list that is no regular file, or is huge, is not read.
TEST(PrefixDiscovery, FindsTheSteamLibrariesSteamNames) {
  FakeHome home;
  home.Prefix(".local/share/Steam/steamapps/compatdata/1/pfx");
  home.Prefix("disk/Steam Library/steamapps/compatdata/2/pfx");
  test::WriteFile(home / ".local/share/Steam/steamapps/libraryfolders.vdf",
                  "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + (home / ".local/share/Steam") +
                      "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + (home / "disk/Steam Library") +
                      "\"\n\t\t\"label\"\t\t\"\"\n\t}\n\t\"2\"\n\t{\n\t\t\"path\"\t\t\"relative/ignored\"\n\t}\n}\n");
  home.Folder(".steam/steam/steamapps");  // Steam's second folder, here not a link: its list is a FIFO
  ASSERT_EQ(mkfifo((home / ".steam/steam/steamapps/libraryfolders.vdf").c_str(), 0600), 0);
  EXPECT_EQ(home.List(), (std::map<std::string, std::string>{
                             {".local/share/Steam/steamapps/compatdata/1/pfx", "steam"},
                             {"disk/Steam Library/steamapps/compatdata/2/pfx", "steam"},
                         }));

  std::string huge = "\"path\" \"" + (home / "disk/Steam Library") + "\"\n";
  huge.resize(2 << 20, ' ');
  test::WriteFile(home / ".local/share/Steam/steamapps/libraryfolders.vdf", huge);
  EXPECT_EQ(home.List().count("disk/Steam Library/steamapps/compatdata/2/pfx"), 0u);
}

// A list naming one library thousands of times, and Steam's own folder under its second name
// (a link), costs one look at each folder.
TEST(PrefixDiscovery, EachSteamLibraryIsLookedAtOnce) {
  FakeHome home;
  home.Prefix(".local/share/Steam/steamapps/compatdata/1/pfx");
  home.Prefix("disk/lib/steamapps/compatdata/2/pfx");
  home.Folder(".steam");
  fs::create_directory_symlink(home / ".local/share/Steam", home / ".steam/steam");
  std::string list = "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + (home / ".steam/steam") + "\"\n\t}\n";
  for (int i = 0; i < 3000; ++i) list += "\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + (home / "disk/lib") + "\"\n\t}\n";
  test::WriteFile(home / ".local/share/Steam/steamapps/libraryfolders.vdf", list + "}\n");
  EXPECT_EQ(SteamLibraries(home.env()), (std::vector<std::string>{home / ".steam/steam", home / "disk/lib"}));
  EXPECT_EQ(home.List(), (std::map<std::string, std::string>{
                             {".local/share/Steam/steamapps/compatdata/1/pfx", "steam"},
                             {"disk/lib/steamapps/compatdata/2/pfx", "steam"},
                         }));
  // Distinct libraries beyond the bound are not looked at.
  list.clear();
  for (std::size_t i = 0; i < kMaxSteamLibraries + 5; ++i) list += "\"path\" \"/nowhere/" + std::to_string(i) + "\"\n";
  test::WriteFile(home / ".local/share/Steam/steamapps/libraryfolders.vdf", list);
  EXPECT_EQ(SteamLibraries(home.env()).size(), kMaxSteamLibraries);
}

TEST(PrefixDiscovery, AnEmptyHomeHasNone) {
  FakeHome home;
  EXPECT_TRUE(home.List().empty());
  home.File("Games");  // a file where the folder of games is expected: nothing to list in it
  EXPECT_EQ(home.List(), (std::map<std::string, std::string>{{"Games", "lutris: it is not a folder"}}));
}

TEST(PrefixDiscovery, BrokenPrefixesAreListedWithWhy) {
  FakeHome home;
  const std::string tricks = ".local/share/wineprefixes/";
  home.Link(home / "nowhere", tricks + "dangling");
  home.Link(home / (tricks + "loop-b"), tricks + "loop-a");
  home.Link(home / (tricks + "loop-a"), tricks + "loop-b");
  home.File(tricks + "a-file");
  home.Folder(tricks + "empty");
  home.Prefix(tricks + "no-drive");
  fs::remove_all(home / (tricks + "no-drive/drive_c"));
  home.Prefix(tricks + "drive-is-a-file");
  fs::remove_all(home / (tricks + "drive-is-a-file/drive_c"));
  home.File(tricks + "drive-is-a-file/drive_c");
  home.Prefix(tricks + "no-hive");
  fs::remove(home / (tricks + "no-hive/system.reg"));
  home.Prefix(tricks + "fifo-hive");
  fs::remove(home / (tricks + "fifo-hive/system.reg"));
  ASSERT_EQ(mkfifo((home / (tricks + "fifo-hive/system.reg")).c_str(), 0600), 0);
  home.Prefix(tricks + "hive-is-a-folder");
  fs::remove(home / (tricks + "hive-is-a-folder/system.reg"));
  home.Folder(tricks + "hive-is-a-folder/system.reg");

  EXPECT_EQ(home.List(), (std::map<std::string, std::string>{
                             {tricks + "a-file", "winetricks: it is not a folder"},
                             {tricks + "dangling", "winetricks: it is a link to something that does not exist"},
                             {tricks + "drive-is-a-file", "winetricks: its drive_c is not a folder"},
                             {tricks + "empty",
                              "winetricks: it holds neither system.reg nor drive_c (not made "
                              "yet, or not a prefix)"},
                             {tricks + "fifo-hive", "winetricks: its system.reg is not a regular file"},
                             {tricks + "hive-is-a-folder", "winetricks: its system.reg is not a regular file"},
                             {tricks + "loop-a", "winetricks: it is a link that leads round in a loop"},
                             {tricks + "loop-b", "winetricks: it is a link that leads round in a loop"},
                             {tricks + "no-drive", "winetricks: it has no drive_c folder (half made)"},
                             {tricks + "no-hive", "winetricks: it has no system.reg (half made)"},
                         }));
}

TEST(PrefixDiscovery, FoldersThatMayNotBeReadAreListedWithWhy) {
  FakeHome home;
  home.Prefix(".local/share/wineprefixes/locked");
  home.Prefix(".local/share/wineprefixes/fine");
  home.Prefix(".PlayOnLinux/wineprefix/hidden-inside");
  home.Prefix("Games/locked-game");
  home.Folder("Games/readable-game");
  home.Prefix(".local/share/Steam/steamapps/compatdata/70/pfx");
  for (const char* locked : {".local/share/wineprefixes/locked", ".PlayOnLinux/wineprefix", "Games/locked-game",
                             ".local/share/Steam/steamapps/compatdata/70"}) {
    fs::permissions(home / locked, fs::perms::none);
  }
  EXPECT_EQ(
      ListAsAnotherUser(home),
      (std::map<std::string, std::string>{
          {".local/share/wineprefixes/locked", "winetricks: Varnel may not read it"},
          {".local/share/wineprefixes/fine", "winetricks"},
          {".PlayOnLinux/wineprefix", "playonlinux: Varnel may not read it"},
          {"Games/locked-game", "lutris: Varnel may not read it"},
          {".local/share/Steam/steamapps/compatdata/70/pfx", "steam: Varnel may not look into the folder above it"},
      }));
}

TEST(PrefixDiscovery, ADanglingDotWineIsListedAndTheOwnPrefixFollowsXdg) {
  FakeHome home;
  home.Link(home / "gone", ".wine");
  home.Prefix("data/varnel/prefix");
  const std::string data = home / "data";
  const EnvLookup env = [&](const char* name) -> std::optional<std::string> {
    if (std::string(name) == "XDG_DATA_HOME") return data;
    return home.env()(name);
  };
  EXPECT_EQ(home.Describe(FindPrefixes(env)),
            (std::map<std::string, std::string>{{".wine", "wine: it is a link to something that does not exist"},
                                                {"data/varnel/prefix", "varnel"}}));
}

}  // namespace
}  // namespace varnel

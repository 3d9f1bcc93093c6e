#include "winenv/drive_map.h"

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

std::string Backslashed(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

class DriveMapTest : public ::testing::Test {
 protected:
  test::TempPrefix prefix_;
  DriveMap map_{prefix_.path()};

  std::string driveC(const std::string& relative) const { return prefix_.native("drive_c/" + relative); }
};

TEST_F(DriveMapTest, ResolvesComponentsWithoutCase) {
  prefix_.MakeDriveCDirectory("Program Files/Netscape/Users");
  EXPECT_EQ(map_.ToNative("c:\\PROGRAM FILES\\netscape"), driveC("Program Files/Netscape"));
  EXPECT_EQ(map_.ToNative("C:\\program files\\NETSCAPE\\users\\"), driveC("Program Files/Netscape/Users"));
  EXPECT_EQ(map_.ToNative("c:"), prefix_.native("drive_c"));
  EXPECT_EQ(map_.ToNative("c:\\"), prefix_.native("drive_c"));
  EXPECT_EQ(map_.ActualName("c:\\program files\\NETSCAPE"), "Netscape");
  EXPECT_EQ(map_.ActualName("c:\\"), "");
}

TEST_F(DriveMapTest, KeepsMissingComponentsAsWritten) {
  prefix_.MakeDriveCDirectory("Windows");
  EXPECT_EQ(map_.ToNative("c:\\WINDOWS\\New Folder\\File.TXT"), driveC("Windows/New Folder/File.TXT"));
  EXPECT_FALSE(map_.Exists("c:\\windows\\new folder"));
  EXPECT_EQ(map_.ActualName("c:\\windows\\new folder"), "");
}

TEST_F(DriveMapTest, PrefersTheExactSpelling) {
  prefix_.MakeDriveCDirectory("data");
  prefix_.MakeDriveCDirectory("DATA");
  prefix_.MakeDriveCDirectory("Data");
  EXPECT_EQ(map_.ToNative("c:\\DATA"), driveC("DATA"));
  EXPECT_EQ(map_.ToNative("c:\\Data"), driveC("Data"));
  EXPECT_EQ(map_.ToNative("c:\\data"), driveC("data"));
  // With no exact match any of the three will do.
  const std::string chosen = map_.ToNative("c:\\dATA");
  EXPECT_TRUE(chosen == driveC("data") || chosen == driveC("DATA") || chosen == driveC("Data")) << chosen;
  EXPECT_TRUE(map_.IsDirectory("c:\\dATA"));
}

TEST_F(DriveMapTest, ConvertsNamesBetween1252AndUtf8) {
  prefix_.MakeDriveCDirectory("Caf\xC3\xA9");                      // UTF-8 on disk
  EXPECT_EQ(map_.ToNative("c:\\CAF\xC9"), driveC("Caf\xC3\xA9"));  // 1252 in the Windows path
  EXPECT_EQ(map_.ActualName("c:\\caf\xE9"), "Caf\xE9");
  EXPECT_EQ(map_.SubDirectories("c:\\"), Names{"Caf\xE9"});
  EXPECT_EQ(map_.ToWindows(driveC("Caf\xC3\xA9")), "c:\\Caf\xE9");
}

TEST_F(DriveMapTest, ExistsForFoldersAndPlainFiles) {
  test::WriteFile(driveC("Windows/win.ini"), "");
  EXPECT_TRUE(map_.Exists("c:\\"));
  EXPECT_TRUE(map_.Exists("c:\\WINDOWS\\WIN.INI"));
  EXPECT_FALSE(map_.IsDirectory("c:\\windows\\win.ini"));
  EXPECT_TRUE(map_.IsDirectory("c:\\windows"));
  EXPECT_EQ(map_.ActualName("c:\\windows\\WIN.INI"), "win.ini");
  EXPECT_FALSE(map_.Exists("c:\\windows\\system.ini"));
  EXPECT_FALSE(map_.Exists("q:\\"));
  EXPECT_EQ(map_.ToNative("q:\\x"), "");
  EXPECT_EQ(map_.ToNative("\\windows"), "");
  EXPECT_EQ(map_.ToNative("windows"), "");
}

TEST_F(DriveMapTest, ForwardSlashIsNotASeparator) {
  test::WriteFile(driveC("a/b"), "");
  EXPECT_TRUE(map_.Exists("c:\\a\\b"));
  EXPECT_FALSE(map_.Exists("c:\\a/b"));
  EXPECT_FALSE(map_.Exists("c:/a/b"));
}

TEST_F(DriveMapTest, DriveZIsTheFileSystemRoot) {
  EXPECT_EQ(map_.ToNative("z:\\"), "/");
  EXPECT_EQ(map_.ToNative("Z:\\TMP"), fs::exists("/TMP") ? "/TMP" : "/tmp");
  EXPECT_TRUE(map_.IsDirectory("z:\\"));
  EXPECT_EQ(map_.Drives(), (std::vector<char>{'c', 'z'}));
}

TEST_F(DriveMapTest, ToWindowsPrefersTheLongestDriveTarget) {
  prefix_.MakeDriveCDirectory("windows");
  // drive_c lies under "/" too, but C: holds it more closely than Z:.
  EXPECT_EQ(map_.ToWindows(driveC("windows")), "c:\\windows");
  EXPECT_EQ(map_.ToWindows(driveC("windows/not yet/made.txt")), "c:\\windows\\not yet\\made.txt");
  EXPECT_EQ(map_.ToWindows(prefix_.native("drive_c")), "c:\\");
  EXPECT_EQ(map_.ToWindows(prefix_.native("system.reg")),
            "z:" + Backslashed(fs::canonical(prefix_.native("system.reg"))));
  // Through a link into drive_c the real location counts.
  fs::create_directory_symlink(driveC("windows"), prefix_.native("win-link"));
  EXPECT_EQ(map_.ToWindows(prefix_.native("win-link")), "c:\\windows");
}

TEST_F(DriveMapTest, ToWindowsWithoutADrive) {
  fs::remove(prefix_.native("dosdevices/z:"));
  EXPECT_EQ(map_.ToWindows("/etc"), std::nullopt);
  EXPECT_EQ(map_.Drives(), std::vector<char>{'c'});
}

TEST_F(DriveMapTest, ListsSubDirectoriesSortedWithoutCase) {
  for (const char* name : {"beta", "Alpha", ".hidden", "gamma"})
    prefix_.MakeDriveCDirectory(std::string("list/") + name);
  test::WriteFile(driveC("list/file.txt"), "");
  fs::create_directory_symlink(driveC("list/beta"), driveC("list/Linked"));
  fs::create_symlink(driveC("list/file.txt"), driveC("list/file-link"));
  EXPECT_EQ(map_.SubDirectories("C:\\LIST"), (Names{".hidden", "Alpha", "beta", "gamma", "Linked"}));
  EXPECT_EQ(map_.SubDirectories("c:\\missing"), Names{});
}

TEST_F(DriveMapTest, FilesMatchPatternsWithoutCase) {
  for (const char* name : {"News.URL", "home.url", "a.url.txt", "README", "x.ur"})
    test::WriteFile(driveC("fav/") + name, "");
  prefix_.MakeDriveCDirectory("fav/folder.url");
  EXPECT_EQ(map_.Files("c:\\FAV", "*.url"), (Names{"home.url", "News.URL"}));
  EXPECT_EQ(map_.Files("c:\\fav", "?.UR*"), (Names{"a.url.txt", "x.ur"}));
  EXPECT_EQ(map_.Files("c:\\fav", "*e*"), (Names{"home.url", "News.URL", "README"}));
  EXPECT_EQ(map_.Files("c:\\fav", "*.*"), (Names{"a.url.txt", "home.url", "News.URL", "README", "x.ur"}));
  EXPECT_EQ(map_.Files("c:\\fav", "readme"), Names{"README"});
}

TEST(WindowsPathText, ParentChildNormalizeAncestors) {
  EXPECT_EQ(WindowsParent("c:\\a\\b"), "c:\\a");
  EXPECT_EQ(WindowsParent("c:\\a\\b\\"), "c:\\a");
  EXPECT_EQ(WindowsParent("c:\\a"), "c:\\");
  EXPECT_EQ(WindowsParent("c:\\"), "c:\\");
  EXPECT_EQ(WindowsParent("c:"), "c:\\");

  EXPECT_EQ(WindowsChild("c:\\", "x"), "c:\\x");
  EXPECT_EQ(WindowsChild("c:", "x"), "c:\\x");
  EXPECT_EQ(WindowsChild("c:\\a\\", "x"), "c:\\a\\x");

  EXPECT_EQ(NormalizeWindowsPath("c:\\a\\\\b\\"), "c:\\a\\b");
  EXPECT_EQ(NormalizeWindowsPath("C:"), "C:\\");
  EXPECT_EQ(NormalizeWindowsPath("c:\\\\"), "c:\\");

  EXPECT_EQ(WindowsAncestors("c:\\a\\b"), (Names{"c:\\", "c:\\a", "c:\\a\\b"}));
  EXPECT_EQ(WindowsAncestors("c:\\"), Names{"c:\\"});
}

}  // namespace
}  // namespace varnel

#include "winenv/prefix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

EnvLookup FakeEnvironment(std::map<std::string, std::string> values) {
  return [values](const char* name) -> std::optional<std::string> {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
  };
}

TEST(Prefix, ChoosesInTheDocumentedOrder) {
  test::TempDir home;
  const std::string homeDir = home.path();
  auto env = FakeEnvironment({{"HOME", homeDir}, {"WINEPREFIX", "/wp"}, {"XDG_DATA_HOME", "/xdg"}});

  PrefixLocation chosen = ChoosePrefix(std::string("/given"), env);
  EXPECT_EQ(chosen.path, "/given");
  EXPECT_FALSE(chosen.own);

  EXPECT_EQ(ChoosePrefix(std::nullopt, env).path, "/wp");

  // An empty WINEPREFIX counts as unset; without ~/.wine the own prefix under XDG is used.
  env = FakeEnvironment({{"HOME", homeDir}, {"WINEPREFIX", ""}, {"XDG_DATA_HOME", "/xdg"}});
  chosen = ChoosePrefix(std::nullopt, env);
  EXPECT_EQ(chosen.path, "/xdg/varnel/prefix");
  EXPECT_TRUE(chosen.own);

  env = FakeEnvironment({{"HOME", homeDir}});
  EXPECT_EQ(ChoosePrefix(std::nullopt, env).path, homeDir + "/.local/share/varnel/prefix");

  fs::create_directory(home / ".wine");
  chosen = ChoosePrefix(std::nullopt, FakeEnvironment({{"HOME", homeDir}, {"XDG_DATA_HOME", "/xdg"}}));
  EXPECT_EQ(chosen.path, homeDir + "/.wine");
  EXPECT_FALSE(chosen.own);
}

TEST(Prefix, CreatesTheLayout) {
  test::TempDir dir;
  const std::string prefix = dir / "a/b/prefix";
  ASSERT_TRUE(CreatePrefixLayout(prefix).ok());
  EXPECT_EQ(test::ReadFile(SystemHivePath(prefix)),
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\Registry\\\\Machine\n");
  EXPECT_EQ(test::ReadFile(UserHivePath(prefix)),
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\Registry\\\\User\\\\S-1-5-21-0-0-0-1000\n");
  EXPECT_TRUE(fs::is_directory(prefix + "/drive_c"));
  EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/c:"), "../drive_c");
  EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/z:"), "/");
  EXPECT_TRUE(CheckPrefixDirectory(prefix).ok());
}

TEST(Prefix, LayoutKeepsWhatExists) {
  test::TempDir dir;
  const std::string prefix = dir.path();
  test::WriteFile(prefix + "/system.reg", "mine");
  fs::create_directories(prefix + "/dosdevices");
  fs::create_symlink("/somewhere/else", prefix + "/dosdevices/c:");  // dangling, but ours
  ASSERT_TRUE(CreatePrefixLayout(prefix).ok());
  test::WriteFile(prefix + "/user.reg", "edited");
  ASSERT_TRUE(CreatePrefixLayout(prefix).ok());

  EXPECT_EQ(test::ReadFile(prefix + "/system.reg"), "mine");
  EXPECT_EQ(test::ReadFile(prefix + "/user.reg"), "edited");
  EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/c:"), "/somewhere/else");
  EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/z:"), "/");
}

TEST(Prefix, LayoutFailsWhereAFileBlocksTheFolder) {
  test::TempDir dir;
  test::WriteFile(dir / "blocker", "x");
  EXPECT_FALSE(CreatePrefixLayout(dir / "blocker").ok());
  EXPECT_FALSE(CreatePrefixLayout(dir / "blocker/prefix").ok());
}

TEST(Prefix, CheckNamesWhatIsWrong) {
  test::TempDir dir;
  Status missing = CheckPrefixDirectory(dir / "nothing");
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.message.find("does not exist"), std::string::npos);

  test::WriteFile(dir / "file", "x");
  Status notFolder = CheckPrefixDirectory(dir / "file");
  EXPECT_FALSE(notFolder.ok());
  EXPECT_NE(notFolder.message.find("not a folder"), std::string::npos);

  if (geteuid() != 0) {  // root may use any folder
    fs::create_directory(dir / "readonly");
    chmod((dir / "readonly").c_str(), 0500);
    EXPECT_TRUE(CheckPrefixDirectory(dir / "readonly").ok());  // reads need no more
    fs::create_directory(dir / "locked");
    chmod((dir / "locked").c_str(), 0000);
    EXPECT_EQ(CheckPrefixDirectory(dir / "locked").code, errc::kPermissionDenied);
  }
}

}  // namespace
}  // namespace varnel

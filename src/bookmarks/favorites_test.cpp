#include "bookmarks/favorites.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

TEST(FavoriteFile, TheLastLineBeginningWithUrlInAnyCaseGivesTheAddress) {
  const struct {
    const char* name;
    std::string bytes;
    std::optional<std::string> address;
  } cases[] = {
      {"as this program writes it", "[InternetShortcut]\r\r\nURL=http://a/ b \r\r\n", "http://a/ b "},
      {"as the browser writes it",
       "[DEFAULT]\r\nBASEURL=http://base/\r\n[InternetShortcut]\r\nURL=http://real/"
       "\r\nIconFile=x.ico\r\nIconIndex=1\r\n",
       "http://real/"},
      {"last one wins, any section", "url=first\r\n[Other]\r\nUrL=second", "second"},
      {"LF line ends", "[InternetShortcut]\nURL=http://lf/\nIconIndex=0\n", "http://lf/"},
      {"CR only", "[InternetShortcut]\rURL=http://cr/\r", "http://cr/"},
      {"a key that only ends in URL", "[DEFAULT]\r\nBASEURL=http://base/\r\n", std::nullopt},
      {"indented is not an address line", " URL=x\r\n", std::nullopt},
      {"empty address", "URL=\r\n", ""},
      {"empty file", "", std::nullopt},
      {"the code page's letters come back as UTF-8", "URL=http://caf\xE9/\r\n", "http://caf\xC3\xA9/"},
      // The writer's code page in the plain sections, UTF-7 in the wide one: that one is exact.
      {"the wide section's UTF-7 address wins",
       "[InternetShortcut]\r\nURL=http://\xF0\xE5\xF8\xE5\xED\xEE.\xF0\xF4/node/241\r\n[InternetShortcut.A]\r\n"
       "URL=http://\xF0\xE5\xF8\xE5\xED\xEE.\xF0\xF4/node/241\r\n[InternetShortcut.W]\r\n"
       "URL=http://+BEAENQRIBDUEPQQ+-.+BEAERA-/node/241\r\n[Other]\r\nURL=later/\r\n",
       "http://\xD1\x80\xD0\xB5\xD1\x88\xD0\xB5\xD0\xBD\xD0\xBE.\xD1\x80\xD1\x84/node/241"},
      {"UTF-7 escapes of plain characters", "[InternetShortcut.W]\nURL=http://a/lpg+AF8-dynamic?a=1+-2\n",
       "http://a/lpg_dynamic?a=1+2"},
      {"a character beyond 16 bits", "[internetshortcut.w]\nURL=x+2D3eAA-\n", "x\xF0\x9F\x98\x80"},
  };
  test::TempPrefix prefix;
  DriveMap drives(prefix.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteFile(prefix.native("drive_c/fav/Site.url"), c.bytes);
    std::optional<std::string> address = "stale";
    ASSERT_TRUE(ReadFavoriteAddress(drives, "c:\\FAV", "site.URL", address).ok());
    EXPECT_EQ(address, c.address);
  }
  std::optional<std::string> address;
  const Status gone = ReadFavoriteAddress(drives, "c:\\fav", "gone.url", address);
  EXPECT_EQ(gone.code, errc::kFileNotFound);
  // Named as the user knows it (an undo may have removed it from under the list).
  EXPECT_NE(gone.message.find("c:\\fav\\gone.url"), std::string::npos) << gone.message;
  EXPECT_EQ(gone.message.find(prefix.path()), std::string::npos) << gone.message;
  EXPECT_EQ(ReadFavoriteAddress(drives, "q:\\", "x.url", address).code, errc::kPathNotFound);
}

TEST(FavoriteFile, AnAddressIsGivenToTheCodePageWithItsOtherCharactersEscaped) {
  EXPECT_EQ(AddressInCodePage("http://caf\xC3\xA9/\xD1\x80?q=1"), "http://caf\xE9/%D1%80?q=1");
  EXPECT_EQ(AddressInCodePage("plain"), "plain");
}

// Real favorites (testdata/favorites, see its README) listed by their real names, each with the
// address a browser opens.
TEST(FavoriteFile, RealFavoritesAreListedByTheirRealNamesWithTheirAddresses) {
  test::TempPrefix prefix;
  prefix.MakeDriveCDirectory("fav");
  std::string expected;
  for (const auto& entry : std::filesystem::directory_iterator(test::CorpusPath("favorites"))) {
    if (entry.path().extension() != ".url") continue;
    std::filesystem::copy_file(entry.path(), prefix.native("drive_c/fav/" + entry.path().filename().string()));
  }
  const DriveMap drives(prefix.path());
  std::map<std::string, std::string> shown;
  for (const std::string& name : drives.RealFileNames("c:\\fav", kFavoritePattern)) {
    std::optional<std::string> address;
    ASSERT_TRUE(ReadFavoriteAddress(drives, "c:\\fav", name, address).ok()) << name;
    shown[name] = address.value_or("(none)");
  }
  std::map<std::string, std::string> truth;
  for (const std::string& line : SplitLines(test::ReadFile(test::CorpusPath("favorites/EXPECTED.txt")))) {
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) truth[line.substr(0, tab)] = line.substr(tab + 1);
  }
  EXPECT_EQ(shown, truth);
  EXPECT_GE(shown.size(), 10u);
}

TEST(FavoriteFile, TitleIsTheNameWithoutItsExtension) {
  EXPECT_EQ(FavoriteTitle("Weather 5day forecast.url"), "Weather 5day forecast");
  EXPECT_EQ(FavoriteTitle(".url"), "");
  EXPECT_EQ(FavoriteTitle("ab"), "");
}

TEST(FavoritesDirectory, RememberedElseStandardEachOnlyWhenADirectory) {
  test::TempPrefix prefix;
  DriveMap drives(prefix.path());
  const auto choose = [&](const std::string& remembered) { return ChooseFavoritesDirectory(remembered, drives); };

  // Nothing there: the message for the standard directory.
  EXPECT_EQ(choose("").directory, std::nullopt);
  EXPECT_EQ(choose("").message, std::string(kNoStandardFavoritesDirectory));

  prefix.MakeDriveCDirectory("Windows/Favorites");
  EXPECT_EQ(choose("").directory, "c:\\windows\\favorites");
  EXPECT_EQ(choose("").message, std::nullopt);

  // A remembered directory that is gone is not replaced by the standard one.
  EXPECT_EQ(choose("c:\\mine").directory, std::nullopt);
  EXPECT_EQ(choose("c:\\mine").message, std::string(kFavoritesDirectoryGone));
  prefix.MakeDriveCDirectory("Mine");
  EXPECT_EQ(choose("c:\\mine").directory, "c:\\mine");

  // A plain file of the remembered name counts as no directory.
  test::WriteFile(prefix.native("drive_c/plain"), "x");
  EXPECT_EQ(choose("c:\\plain").message, std::string(kFavoritesDirectoryGone));
}

}  // namespace
}  // namespace varnel

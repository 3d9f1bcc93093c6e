#include "bookmarks/favorites.h"

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

TEST(FavoriteFile, TheLastLineBeginningWithUrlInAnyCaseGivesTheAddress) {
  const struct {
    const char* name;
    std::string bytes;
    std::optional<std::string> address;
  } cases[] = {
      {"as this program writes it", "[InternetShortcut]\r\r\nURL=http://a/ b \r\r\n", "http://a/ b "},
      {"as the browser writes it",
       "[DEFAULT]\r\nBASEURL=http://base/\r\n[InternetShortcut]\r\nURL=http://real/\r\nIconFile=x.ico\r\nIconIndex=1\r\n",
       "http://real/"},
      {"last one wins, any section", "url=first\r\n[Other]\r\nUrL=second", "second"},
      {"LF line ends", "[InternetShortcut]\nURL=http://lf/\nIconIndex=0\n", "http://lf/"},
      {"CR only", "[InternetShortcut]\rURL=http://cr/\r", "http://cr/"},
      {"a key that only ends in URL", "[DEFAULT]\r\nBASEURL=http://base/\r\n", std::nullopt},
      {"indented is not an address line", " URL=x\r\n", std::nullopt},
      {"empty address", "URL=\r\n", ""},
      {"empty file", "", std::nullopt},
  };
  test::TempPrefix prefix;
  DriveMap drives(prefix.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteFile(prefix.native("drive_c/fav/Site.url"), c.bytes);
    std::optional<std::string> address = "stale";
    ASSERT_TRUE(ReadFavoriteAddress(drives, "c:\\FAV\\site.URL", address).ok());
    EXPECT_EQ(address, c.address);
  }
  std::optional<std::string> address;
  EXPECT_EQ(ReadFavoriteAddress(drives, "c:\\fav\\gone.url", address).code, errc::kFileNotFound);
  EXPECT_EQ(ReadFavoriteAddress(drives, "q:\\x.url", address).code, errc::kPathNotFound);
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

#include <ostream>

#include "bookmarks/favorites.h"
#include "cli/commands.h"

namespace varnel {
namespace {

struct Favorite {
  std::string file;
  std::optional<std::string> address;
};

void PrintJson(CommandContext& c, const std::string& dir, const std::vector<Favorite>& favorites) {
  c.out << "{\"dir\": " << JsonString(dir) << ", \"favorites\": [";
  const char* separator = "";
  for (const Favorite& f : favorites) {
    c.out << separator << "{\"file\": " << JsonString(f.file) << ", \"title\": " << JsonString(FavoriteTitle(f.file))
          << ", \"address\": " << (f.address ? JsonString(*f.address) : "null") << "}";
    separator = ", ";
  }
  c.out << "]}\n";
}

void PrintText(CommandContext& c, const std::vector<Favorite>& favorites) {
  for (const Favorite& f : favorites) {
    c.out << ForTerminal(FavoriteTitle(f.file));
    if (f.address) {
      c.out << " <" << ForTerminal(*f.address) << ">\n";
    } else {
      c.out << " (no address)\n";
    }
  }
}

}  // namespace

// Lists the favorite files of a directory (default IEfav, else the standard directory) in the
// favorites list's order, each with its address. Exit 1 when the directory is not there or a
// favorite could not be read (the others are still listed).
int FavoritesCommand(CommandContext& c) {
  std::string dir;
  if (!ParseOptions(c, {{"--dir", &dir}})) return 2;
  if (!ResolveFavoritesDirectory(c, dir)) return 1;
  std::vector<Favorite> favorites;
  int exitCode = 0;
  for (const std::string& file : c.drives.Files(dir, kFavoritePattern)) {
    Favorite& favorite = favorites.emplace_back(Favorite{file, std::nullopt});
    const Status read = ReadFavoriteAddress(c.drives, WindowsChild(dir, file), favorite.address);
    if (!read.ok()) {
      c.err << "varnel: cannot read " << ForTerminal(file) << " (error number " << read.code
            << "): " << ForTerminal(read.message) << "\n";
      exitCode = 1;
    }
  }
  if (c.json) {
    PrintJson(c, dir, favorites);
  } else {
    PrintText(c, favorites);
  }
  return exitCode;
}

}  // namespace varnel

#include <ostream>

#include "bookmarks/favorites.h"
#include "cli/commands.h"

namespace varnel {
namespace {

struct Favorite {
  std::string file;
  std::optional<std::string> address;
};

void PrintJson(OutputWriter& w, const std::string& dir, const std::vector<Favorite>& favorites) {
  w.Raw("{\"dir\": ").Json(dir).Raw(", \"favorites\": [");
  const char* separator = "";
  for (const Favorite& f : favorites) {
    w.Raw(separator).Raw("{\"file\": ").Utf8Json(f.file).Raw(", \"title\": ").Utf8Json(FavoriteTitle(f.file));
    w.Raw(", \"address\": ");
    if (f.address)
      w.Utf8Json(*f.address);
    else
      w.Raw("null");
    w.Raw("}");
    separator = ", ";
  }
  w.Raw("]}\n");
}

void PrintText(OutputWriter& w, const std::vector<Favorite>& favorites) {
  for (const Favorite& f : favorites) {
    w.Utf8Text(FavoriteTitle(f.file));
    if (f.address) {
      w.Raw(" <").Utf8Text(*f.address).Raw(">\n");
    } else {
      w.Raw(" (no address)\n");
    }
  }
}

}  // namespace

// Lists the favorite files of a directory (default IEfav, else the standard directory) in the
// favorites list's order, by their real names, each with its address (all UTF-8). Exit 1 when the directory is not
// there or a favorite could not be read (the others are still listed).
int FavoritesCommand(CommandContext& c) {
  std::string dir;
  if (!ParseOptions(c, {{"--dir", &dir}})) return 2;
  if (!ResolveFavoritesDirectory(c, dir)) return 1;
  std::vector<Favorite> favorites;
  int exitCode = 0;
  for (const std::string& file : c.session.FavoriteNames(dir)) {
    Favorite& favorite = favorites.emplace_back(Favorite{file, std::nullopt});
    const Status read = c.session.ReadFavoriteAddress(dir, file, favorite.address);
    if (!read.ok()) {
      c.err << "varnel: cannot read " << TerminalUtf8Text(file, c.errIsTerminal) << " (error number " << read.code
            << "): " << ForErr(c, read.message) << "\n";
      exitCode = 1;
    }
  }
  OutputWriter w = Output(c);
  if (c.json) {
    PrintJson(w, dir, favorites);
  } else {
    PrintText(w, favorites);
  }
  return exitCode;
}

}  // namespace varnel

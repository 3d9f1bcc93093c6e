#include <ostream>

#include "bookmarks/favorites.h"
#include "bookmarks/transfers.h"
#include "cli/bookmark_reading.h"

namespace varnel {

// bookmark-to-favorite TITLE: writes the bookmark of that title (titles are the tree's keys) into
// the favorites directory as the bookmarks window does, and prints the Windows path written.
int BookmarkToFavoriteCommand(CommandContext& c) {
  std::string profile, directory;
  std::vector<std::string> titles;
  if (!ParseOptions(c, {{"--profile", &profile}, {"--dir", &directory}}, &titles, 1)) return 2;
  if (!ResolveProfile(c, profile) || !ResolveFavoritesDirectory(c, directory)) return 1;
  BookmarkTree tree;
  BookmarkFileReading reading;
  if (!ReadBookmarksFor(c, profile, tree, reading)) return 1;
  const std::string& title = titles.front();
  const std::optional<BookmarkTree::NodeId> node = tree.Find(title);
  if (!node) {
    c.err << "varnel: no bookmark titled " << ForErr(c, title) << " in " << ForErr(c, BookmarkFileName(profile));
    if (reading.stoppedAtLine) c.err << " (read up to line " << *reading.stoppedAtLine << ", which could not be read)";
    c.err << "\n";
    return 1;
  }
  const std::optional<std::string_view> address = tree.address(*node);
  if (!address || address->empty()) {
    c.err << "varnel: " << ForErr(c, title) << ": " << kNotAnAddressMessage << "\n";
    return 1;
  }
  std::string written;
  const Status status = c.session.CopyBookmarkToFavorite(tree.text(*node), *address, written);
  if (!status.ok()) {
    c.err << "varnel: " << ForErr(c, FailureMessage(status)) << "\n";
    return 1;
  }
  Output(c).Text(written).Raw("\n");
  return 0;
}

// favorite-to-bookmark FILE: adds the favorite FILE of the favorites directory to the profile's
// bookmark.htm as the bookmarks window does (through "tempfile" in the working directory), and
// prints the line inserted. bookmark.htm is replaced whole or not at all, and not at all when it
// has no heading to add the line after.
int FavoriteToBookmarkCommand(CommandContext& c) {
  std::string profile, directory;
  std::vector<std::string> files;
  if (!ParseOptions(c, {{"--dir", &directory}, {"--profile", &profile}}, &files, 1)) return 2;
  if (!ResolveProfile(c, profile) || !ResolveFavoritesDirectory(c, directory)) return 1;
  const std::string& file = files.front();
  std::optional<std::string> address;
  Status status = ReadFavoriteAddress(c.session.drives(), directory + "\\" + file, address);
  if (status.ok() && !address) {
    c.err << "varnel: " << ForErr(c, file) << ": " << kCorruptedFavoriteMessage << "\n";
    return 1;
  }
  BookmarkCopy copy;
  if (status.ok()) status = c.session.AddFavoriteToBookmarks(file, *address, true, nullptr, copy);
  if (!status.ok()) {
    c.err << "varnel: " << ForErr(c, FailureMessage(status)) << "\n";
    return 1;
  }
  Output(c).Text(copy.insertedLine).Raw("\n");
  return 0;
}

}  // namespace varnel

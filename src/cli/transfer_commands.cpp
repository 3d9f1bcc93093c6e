#include <algorithm>
#include <ostream>

#include "bookmarks/favorites.h"
#include "bookmarks/transfers.h"
#include "cli/bookmark_reading.h"

namespace varnel {

namespace {

// The one bookmark of that title (in the folder named by --folder, when given). None, with the
// reason on stderr, when there is none or several: `exit` is then 1 or 2.
std::optional<BookmarkTree::NodeId> ChosenBookmark(CommandContext& c, const BookmarkTree& tree,
                                                   const std::string& title, const std::optional<std::string>& folder,
                                                   int& exit) {
  std::vector<BookmarkTree::NodeId> found = BookmarksTitled(tree, title);
  if (folder) std::erase_if(found, [&](BookmarkTree::NodeId id) { return FolderPath(tree, id) != *folder; });
  const std::string shownTitle = TerminalUtf8Text(title, c.errIsTerminal);
  if (found.empty()) {
    c.err << "varnel: no bookmark titled " << shownTitle;
    if (folder) c.err << " in the folder " << TerminalUtf8Text(*folder, c.errIsTerminal);
    exit = 1;
    return std::nullopt;
  }
  if (found.size() == 1) return found.front();
  c.err << "varnel: " << found.size() << " bookmarks are titled " << shownTitle
        << (folder ? " in that folder:\n" : "; name its folder with --folder PATH:\n");
  for (const BookmarkTree::NodeId id : found) {
    c.err << "  " << TerminalUtf8Text(FolderPath(tree, id), c.errIsTerminal) << "  <"
          << TerminalUtf8Text(tree.address(id).value_or(""), c.errIsTerminal) << ">\n";
  }
  exit = 2;
  return std::nullopt;
}

}  // namespace

// bookmark-to-favorite TITLE [--folder PATH]: writes the bookmark of that title (in that folder)
// into the favorites directory as the bookmarks window does, and prints the Windows path written.
int BookmarkToFavoriteCommand(CommandContext& c) {
  std::string profile, directory, folderPath;
  std::vector<std::string> titles;
  if (!ParseOptions(
          c, {{"--profile", &profile}, {"--dir", &directory}, {"--folder", &folderPath, nullptr, ArgumentText::Utf8}},
          &titles, 1, OperandCount::Exactly, ArgumentText::Utf8)) {
    return 2;
  }
  const bool folderGiven = std::any_of(
      c.args.begin(), c.args.end(), [](const std::string& a) { return a == "--folder" || a.starts_with("--folder="); });
  if (!ResolveProfile(c, profile) || !ResolveFavoritesDirectory(c, directory)) return 1;
  BookmarkTree tree;
  BookmarkFileReading reading;
  if (!ReadBookmarksFor(c, profile, tree, reading)) return 1;
  int exit = 0;
  const std::optional<BookmarkTree::NodeId> node =
      ChosenBookmark(c, tree, titles.front(), folderGiven ? std::optional(folderPath) : std::nullopt, exit);
  if (!node) {
    if (exit == 1 && !reading.unreadableLines.empty()) {
      c.err << " (" << reading.unreadableLines.size() << " entries of the file could not be read)";
    }
    if (exit == 1) c.err << "\n";
    return exit;
  }
  const std::optional<std::string_view> address = tree.address(*node);
  if (!address || address->empty()) {
    c.err << "varnel: " << TerminalUtf8Text(titles.front(), c.errIsTerminal) << ": " << kNotAnAddressMessage << "\n";
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
  std::vector<std::string> files;  // the favorite's real name, UTF-8
  if (!ParseOptions(c, {{"--dir", &directory}, {"--profile", &profile}}, &files, 1, OperandCount::Exactly,
                    ArgumentText::Utf8)) {
    return 2;
  }
  if (!ResolveProfile(c, profile) || !ResolveFavoritesDirectory(c, directory)) return 1;
  const std::string& file = files.front();
  std::optional<std::string> address;
  Status status = c.session.ReadFavoriteAddress(directory, file, address);
  if (status.ok() && !address) {
    c.err << "varnel: " << TerminalUtf8Text(file, c.errIsTerminal) << ": " << kCorruptedFavoriteMessage << "\n";
    return 1;
  }
  BookmarkCopy copy;
  if (status.ok()) status = c.session.AddFavoriteToBookmarks(file, *address, true, nullptr, copy);
  if (!status.ok()) {
    c.err << "varnel: " << ForErr(c, FailureMessage(status)) << "\n";
    return 1;
  }
  // The line as written: UTF-8 in a UTF-8 file, else the code page (references for the rest).
  if (copy.charset == BookmarkCharset::Utf8) {
    Output(c).Utf8Text(copy.insertedLine).Raw("\n");
  } else {
    Output(c).Text(copy.insertedLine).Raw("\n");
  }
  return 0;
}

}  // namespace varnel

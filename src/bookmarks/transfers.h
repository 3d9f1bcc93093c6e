#pragma once
// Copying entries between the two collections: a bookmark into the favorites directory as an
// Internet Shortcut file, and a favorite into bookmark.htm as a new bookmark line after the
// page heading. Also the failure form both windows' handlers show, and the paths of the two
// travelling pictures.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/bookmark_markup.h"
#include "winenv/drive_map.h"
#include "winenv/file_identity.h"
#include "winenv/guarded_replace.h"
#include "winenv/status.h"

namespace varnel {

inline constexpr std::string_view kNotAnAddressMessage = "Not a valid address, may be a folder";
inline constexpr std::string_view kPassedToBrowserStatus = "STATUS: Address has been passed to your default brower";
inline constexpr std::string_view kSearchingStatus = "STATUS: Searching for bookmark";
inline constexpr std::string_view kCorruptedFavoriteMessage =
    "Unable to locate the proper data to execute command, could be a corrupted favorite file";
inline constexpr std::string_view kCorruptedFavoriteStatus =
    "STATUS: A problem was encoutered trying to access that address from your favorites";
// The working file of a favorite-to-bookmark transfer, in the working directory; it stays there.
inline constexpr std::string_view kTempFileName = "tempfile";

// A failure as the bookmarks window shows it: the error's number, a blank, its description.
std::string FailureMessage(const Status& status);

// Bookmark to favorite ------------------------------------------------------------------------

// The file name made of a bookmark title: codes 33 to 47, 58 to 64 and "|" dropped, all else kept.
std::string takeOutSpecialChars(std::string_view text);

// The name a whole collection gives a title (UTF-8), for a favorite file (before its ".url") or a
// folder: every character Windows holds in a name is kept; \ / : * ? " < > | and control
// characters are dropped, trailing dots and blanks trimmed, and a device name (CON, PRN, AUX,
// NUL, COM1 to COM9, LPT1 to LPT9, with any extension) is given a "_" after it.
std::string CollectionName(std::string_view title);
// Cuts a UTF-8 name to at most `bytes` bytes, at a character's boundary; true when it was cut.
bool CutToBytes(std::string& name, std::size_t bytes);

// The favorite file's name for a bookmark title: takeOutSpecialChars(title) + ".url".
std::string FavoriteFileName(std::string_view title);
// Whether Windows refuses a name (a control character or "|").
bool WindowsRefuses(std::string_view name);

// "[InternetShortcut]" CR CR LF "URL=" address CR CR LF.
std::string FavoriteFileBytes(std::string_view address);

// Writes the favorite for a bookmark into the favorites directory, named
// takeOutSpecialChars(title) + ".url", replacing a file of that name without a question; the
// new file is complete before it takes the name, under the folder's replacement lock (a file
// another program writes there meanwhile is kept: code 75). A name Windows refuses (a control
// character or "|") fails with code 52. `writtenPath` receives the Windows path; a failure's
// message names the file by it.
// The title (UTF-8) is the bookmark's; the address is in the code page.
Status WriteFavorite(const DriveMap& drives, const std::string& favoritesDirectory, std::string_view title,
                     std::string_view address, std::string& writtenPath);
// Where that favorite goes: its Windows path as messages show it (the code page) and its native
// path, by its real name when the code page cannot spell it.
Status FavoritePath(const DriveMap& drives, const std::string& favoritesDirectory, std::string_view title,
                    std::string& windowsPath, std::string& native);

// Favorite to bookmark ------------------------------------------------------------------------

// The local date and time as seconds from 1970, with no time-zone correction (a clock one hour
// ahead of UTC gives 3600 more than the UTC count). 64 bits: no end in 2038.
std::int64_t LocalClockSeconds();

// The inserted line, without its line end: a tab, <DT><A HREF="address" ADD_DATE="t"
// LAST_VISIT="t" LAST_MODIFIED="t">title</A>, the three times read from the clock one after
// another. Address and title are UTF-8, written for the file's charset so that they read back
// as themselves (EncodeBookmarkText): "&" as &amp;, in the address '"', "<" and ">" as %22, %3C
// and %3E, in the title as references; a character a code-page file cannot hold as a numeric
// reference.
std::string BookmarkLine(std::string_view address, std::string_view title, BookmarkCharset charset,
                         const std::function<std::int64_t()>& clock);

// Whether the favorite's line reads back as that one bookmark: a name or address holding CR or
// LF would split it into several lines. Refused with code 52 (the name) or 5 (the address) and a
// message naming the favorite.
Status CheckFavoriteForBookmarkLine(std::string_view address, std::string_view title);

// A new bookmark folder's lines, without their line ends, in Netscape's form and indented like
// the inserted bookmark line: the header (a tab, <DT><H3 ADD_DATE="t">name</H3>, the time read
// from the clock, the name written as BookmarkLine writes a title), then the lines that open and
// close the folder's list.
std::string FolderHeaderLine(std::string_view name, BookmarkCharset charset,
                             const std::function<std::int64_t()>& clock);
inline constexpr std::string_view kFolderListStartLine = "\t<DL><p>";
inline constexpr std::string_view kFolderListEndLine = "\t</DL><p>";

// The profile's bookmark.htm copied through "tempfile" with the new line after every line that
// holds "</H1>"; every line ends in CR LF. Address and title are the favorite's (UTF-8).
// Nothing of bookmark.htm is changed yet. A favorite CheckFavoriteForBookmarkLine refuses fails
// before anything is written. The copy is read under
// bookmark.htm's replacement lock, which it holds until ReplaceBookmarks (or its end): two
// transfers at once each add their line, one after the other.
struct BookmarkCopy {
  std::string bookmarkNative;
  ReplaceGuard guard;
  FileIdentity readIdentity;  // the bookmark.htm the copy was made from
  std::string bytes;          // the complete new bookmark.htm, as "tempfile" holds it
  std::string insertedLine;
  BookmarkCharset charset = BookmarkCharset::CodePage;  // what the line is written in
  std::size_t insertions = 0;
};
Status CopyBookmarksWithFavorite(const DriveMap& drives, const std::string& profileDirectory, std::string_view address,
                                 std::string_view title, const std::function<std::int64_t()>& clock,
                                 const std::string& tempNative, BookmarkCopy& copy);

// Replaces bookmark.htm by the complete copy at once (through a link, keeping its permission
// bits, refusing a read-only file), then gives up the lock. Nothing is replaced when bookmark.htm
// changed since the copy was read, up to the moment of the rename (a browser wrote it
// meanwhile): code 75.
Status ReplaceBookmarks(BookmarkCopy& copy);

// The animations ------------------------------------------------------------------------------

// One position of a travelling picture and its label, in twips.
struct AnimationStep {
  int imageLeft, imageTop, labelLeft, labelTop;
  bool operator==(const AnimationStep&) const = default;
};
// The bookmark flying to the favorites list: right along the tree's heading, then up.
std::vector<AnimationStep> BookmarkToFavoriteSteps();
// The favorite flying to the tree: left along the status line, then down.
std::vector<AnimationStep> FavoriteToBookmarkSteps();

}  // namespace varnel

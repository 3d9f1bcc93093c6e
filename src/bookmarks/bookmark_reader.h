#pragma once
// The reader of Netscape's bookmark.htm. It does not parse HTML: it looks for four fixed markers
// anywhere in a line (case-sensitive) and moves through four reading states, knowing one level
// of folders. What it reads becomes an ordered series of actions, "add a node" and "make the
// node just added visible", which a tree model applies (bookmark_tree.h).
//
//   "<DT><H3"   a folder header          "<DD>"      a description
//   "<DT><A"    a bookmark               "</DL><p>"  the end of a folder's list
//
// Fields are cut from a line at fixed offsets, exactly as Netscape's own lines are laid out:
// a bookmark's address starts 13 characters after its marker and ends at the next double quote;
// its title runs from after the first ">" behind the marker to four characters before the line's
// end (the "</A>"); a folder name likewise, five before the end (the "</H3>"); a description is
// the line without its first four characters. A line whose fields cannot be cut that way stops
// the reading at that line.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

// The four markers a line is searched for.
inline constexpr std::string_view kFolderMarker = "<DT><H3";
inline constexpr std::string_view kBookmarkMarker = "<DT><A";
inline constexpr std::string_view kDescriptionMarker = "<DD>";
inline constexpr std::string_view kListEndMarker = "</DL><p>";

// The name of a folder header whose marker stands at `marker`; nothing when it cannot be cut.
std::optional<std::string_view> CutFolderHeader(std::string_view line, std::size_t marker);
// The address and title of a bookmark line whose marker stands at `marker`; nothing when the
// line cannot be cut.
struct BookmarkLineFields {
  std::string_view address;
  std::string_view title;
};
std::optional<BookmarkLineFields> CutBookmarkLine(std::string_view line, std::size_t marker);

enum class BookmarkPicture { Bookmark = 1, Folder = 2 };

inline constexpr std::string_view kRootKey = "NoFolder";
inline constexpr std::string_view kRootText = "Bookmarks not In folders";

// One "add a node" action; the views are valid during the call only.
struct BookmarkNodeToAdd {
  std::optional<std::string_view> parentKey;  // none: top level
  std::string_view key;
  std::string_view text;
  BookmarkPicture picture;
  std::optional<std::string_view> address;  // bookmarks only
};

// Receives the actions in reading order.
class BookmarkActions {
 public:
  virtual ~BookmarkActions() = default;
  virtual void AddNode(const BookmarkNodeToAdd& node) = 0;
  // Make the node just added visible (when it was refused, nothing happens).
  virtual void MakeVisible() = 0;
};

class BookmarkReader {
 public:
  explicit BookmarkReader(BookmarkActions& actions) : actions_(actions) {}

  // Adds the root for loose bookmarks; call once, before the first line.
  void Begin();
  // Reads one line. False when the line cannot be cut: the reading must stop there.
  bool Line(std::string_view line);
  // The end of the file: the states still open end, each outer one retesting the last line
  // (which must still be valid: End reads it again). False when that retest meets a line that
  // cannot be cut.
  bool End();
  // Lines given so far (the number of the line that stopped the reading).
  std::size_t lineNumber() const { return lineNumber_; }

 private:
  enum class State { TopLevel, Folder, FirstDescription, SecondDescription };
  // The first position of each cut marker in a line (npos: absent), and whether the others occur.
  struct Markers {
    std::size_t folder = std::string_view::npos;
    std::size_t bookmark = std::string_view::npos;
    bool description = false;
    bool listEnd = false;
  };

  static Markers FindMarkers(std::string_view line);
  bool TopLevelLine(const Markers& m);
  bool FolderOrFirstDescriptionLine(const Markers& m);
  bool SecondDescriptionLine(const Markers& m);
  bool LeaveState();
  bool FolderHeader(std::size_t marker);
  void Description(bool second);
  bool AddBookmark(std::string_view parentKey, std::size_t marker);
  State state() const { return states_.back(); }

  BookmarkActions& actions_;
  std::vector<State> states_{State::TopLevel};
  std::string_view L_;  // the line being read, or the text last taken from it
  std::size_t folders_ = 0;  // n
  std::string folderKey_;    // K
  std::string secondKey_;    // S
  std::string scratch_;
  std::size_t lineNumber_ = 0;
};

// All actions of a whole file's lines, for callers that want them as values.
struct BookmarkAction {
  enum class Kind { AddNode, MakeVisible } kind;
  std::optional<std::string> parentKey;
  std::string key;
  std::string text;
  BookmarkPicture picture = BookmarkPicture::Folder;
  std::optional<std::string> address;
  bool operator==(const BookmarkAction&) const = default;
};

struct BookmarkReading {
  std::vector<BookmarkAction> actions;
  std::optional<std::size_t> stoppedAtLine;
};

BookmarkReading ReadBookmarkLines(const std::vector<std::string>& lines);

}  // namespace varnel

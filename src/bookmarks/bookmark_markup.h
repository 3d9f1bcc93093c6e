#pragma once
// bookmark.htm read by its tags, as the browsers read it. The file is fed line by line; what it
// holds comes out as entries in file order: a folder header (its name), the start and end of a
// list (<DL>, </DL>), a bookmark (its address and title), a description (<DD> and its text), the
// end of the page heading (</H1>), and an entry that cannot be read at all.
//
// Tags are found wherever they stand: any letter case, several on one line or one over several
// lines, attributes in any order, with blanks around "=" and values in double, single or no
// quotes. A "<" that is not followed by a letter, "/" or "!" is text. A quoted value must end
// on its own line: one that does not makes its tag unreadable (reported with its line), and the
// reading goes on with the next line. Comments (<!-- ... -->) are skipped.
//
// A title runs from its <A> tag to the next tag (normally </A>); a folder name likewise from <H3>
// (normally to </H3>); a description from <DD> to the next tag other than <BR>. A text continued
// on a further line is joined with one blank, and a text that its own end tag does not close
// loses its trailing blanks.
//
// Texts come out as UTF-8 with their character references decoded (&amp; &lt; &gt; &quot; &apos;
// &nbsp;, &#233;, &#x263A;; &#128; to &#159; as the code page's characters, as browsers read
// them; an unknown or unfinished reference stays as it is). The bytes are read in the code page,
// or as UTF-8 from a byte order mark at the file's start or a <META> tag whose charset is UTF-8;
// a byte that is not part of a valid UTF-8 sequence is then read in the code page.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

enum class BookmarkCharset { CodePage, Utf8 };

struct MarkupEntry {
  enum class Kind { FolderHeader, ListStart, ListEnd, Bookmark, Description, HeadingEnd, Unreadable };
  Kind kind;
  std::string_view text;     // the folder name, title or description
  std::string_view address;  // a bookmark's address
  std::size_t line = 0;      // the line (from 1) on which the entry starts
};

class MarkupEntries {
 public:
  virtual ~MarkupEntries() = default;
  // The views are valid during the call only.
  virtual void Entry(const MarkupEntry& entry) = 0;
};

class BookmarkMarkup {
 public:
  // A line in the shape browsers write a bookmark in (blanks, <DT><A HREF="address" and further
  // attributes NAME="value", ">", a title without "<", and "</A>" ending the line) is read in one
  // step when nothing is open from the lines before. It gives the entries the general reading
  // gives, which the tests check by reading with the shortcut off.
  enum class Shortcut { On, Off };

  explicit BookmarkMarkup(MarkupEntries& entries, BookmarkCharset charset = BookmarkCharset::CodePage,
                          Shortcut shortcut = Shortcut::On)
      : entries_(entries), charset_(charset), shortcut_(shortcut) {}

  // The next line of the file, without its line end.
  void Line(std::string_view line);
  // The end of the file: a text still open ends, a tag still open is unreadable.
  void End();
  BookmarkCharset charset() const { return charset_; }

 private:
  enum class Open { Nothing, Title, FolderName, Description };

  // Reads a line in the written shape of a bookmark; false (and nothing read) for any other.
  bool ReadWrittenBookmark(std::string_view line);
  void Text(std::string_view text);
  // Where the tag read from `from` on ends (its ">"), npos when the line ends first; sets
  // quote_ when the line ends inside a quoted value.
  std::size_t TagEnd(std::string_view line, std::size_t from);
  void Tag(std::string_view inside);
  void StartText(Open what);
  std::string_view TextSoFar() const { return textHeld_ ? std::string_view(text_) : lineText_; }
  // Copies what still points into the line (or the held tag) into the reading's own storage.
  void HoldText();
  void HoldAddress();
  void CloseText(bool closedByItsTag);
  void Emit(MarkupEntry::Kind kind, std::string_view text, std::string_view address, std::size_t line);

  MarkupEntries& entries_;
  BookmarkCharset charset_;
  Shortcut shortcut_;
  std::size_t lineNumber_ = 0;
  bool inComment_ = false;
  bool inTag_ = false;  // a tag continues from an earlier line (held in tag_)
  std::size_t tagLine_ = 0;
  char quote_ = 0;            // the quote a tag's value is open in (0: none)
  bool afterEquals_ = false;  // the last thing in the tag was "=" (a quote then opens a value)
  std::string tag_;
  Open open_ = Open::Nothing;
  std::size_t openLine_ = 0;
  bool textBroken_ = false;  // a line ended since the open text's last piece
  // The open text as read: a view into the current line while it lies in one piece there (the
  // common case, read without a copy), else held in text_.
  std::string_view lineText_;
  bool textHeld_ = false;
  std::string text_;
  // The open bookmark's address, decoded: a view into the tag, or into addressHeld_.
  std::string_view address_;
  std::string addressHeld_;
  std::string decoded_;
};

// The entries of a few lines read on their own, as values: what a writer made, read back.
struct ReadBackEntry {
  MarkupEntry::Kind kind;
  std::string text;
  std::string address;
};
std::vector<ReadBackEntry> ReadBack(std::string_view line, BookmarkCharset charset);

// Decodes a text of bookmark.htm into UTF-8 (references included), as the entries carry it.
void DecodeBookmarkText(std::string_view raw, BookmarkCharset charset, std::string& out);
// A text written into bookmark.htm so that it reads back as itself: "&", "<", ">" and '"' as
// references (in an address "<", ">" and '"' as %3C, %3E and %22, which the browser reads as the
// same address), and in a code-page file every character the code page lacks as a numeric
// reference (but for the C1 controls U+0080 to U+009F, which no reference carries: browsers read
// &#128; to &#159; as the code page's characters). `utf8` is UTF-8.
enum class BookmarkField { Text, Address };
std::string EncodeBookmarkText(std::string_view utf8, BookmarkCharset charset, BookmarkField field);
// Whether a line of bookmark.htm makes the file UTF-8 (a byte order mark at its start, or a
// <META> tag naming the charset UTF-8), as the reading decides.
bool LineDeclaresUtf8(std::string_view line, bool firstLine);

}  // namespace varnel

namespace varnel {

// Which folder each list belongs to, as the entries nest them. Folders are numbered by the
// caller; 0 is the top level. A folder header opens its folder at once (a header whose <DL> has
// not come yet takes what follows, and a second header then closes the first as an empty
// folder); its <DL> is then its own list, and that list's </DL> returns to the enclosing folder.
// A <DL> that follows no header only groups lines within the current folder. A </DL> with no
// list open is ignored. The lists are kept on the heap: any depth.
class FolderNesting {
 public:
  static constexpr std::size_t kTopLevel = 0;

  // The folder a header read now stands in (call before Header).
  std::size_t ParentOfHeader();
  void Header(std::size_t folder) { lists_.push_back({folder, true, true}); }
  void ListStart();
  // The folder whose own list (or whose header's reach) ends; none for a grouping list or when
  // no list is open.
  std::optional<std::size_t> ListEnd();
  std::size_t Current() const { return lists_.empty() ? kTopLevel : lists_.back().folder; }

 private:
  struct List {
    std::size_t folder;
    bool own;  // the folder's own list, or its header's reach before the list started
    bool awaitingList = false;
  };
  std::vector<List> lists_;
};

}  // namespace varnel

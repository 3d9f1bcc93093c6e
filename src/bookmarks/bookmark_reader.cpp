#include "bookmarks/bookmark_reader.h"

namespace varnel {
namespace {

// The characters between a bookmark marker and its address: a blank, HREF, "=" and the quote.
constexpr std::size_t kAddressOffset = 13;
// What follows the name: "</A>" after a title, "</H3>" after a folder name.
constexpr std::size_t kTitleTail = 4;
constexpr std::size_t kFolderTail = 5;

constexpr std::size_t kNowhere = std::string_view::npos;

// The name that follows the first ">" found from the 8th character after the marker's start,
// up to `tail` characters before the line's end; without such a ">", from the line's start.
// Nothing when fewer than `tail` characters follow that ">".
std::optional<std::string_view> CutName(std::string_view line, std::size_t marker, std::size_t tail) {
  const std::size_t gt = line.find('>', marker + 7);
  const std::size_t start = gt == std::string_view::npos ? 0 : gt + 1;
  if (line.size() < start + tail) return std::nullopt;
  return line.substr(start, line.size() - start - tail);
}

}  // namespace

std::optional<std::string_view> CutFolderHeader(std::string_view line, std::size_t marker) {
  return CutName(line, marker, kFolderTail);
}

std::optional<BookmarkLineFields> CutBookmarkLine(std::string_view line, std::size_t marker) {
  const std::size_t start = marker + kAddressOffset;
  const std::size_t quote = line.find('"', start);
  if (quote == std::string_view::npos) return std::nullopt;
  const std::optional<std::string_view> title = CutName(line, marker, kTitleTail);
  if (!title) return std::nullopt;
  return BookmarkLineFields{line.substr(start, quote - start), *title};
}

// Where the markers stand in a line, found in one pass over its "<" characters (every marker
// begins with one).
BookmarkReader::Markers BookmarkReader::FindMarkers(std::string_view line) {
  Markers found;
  for (std::size_t at = line.find('<'); at != kNowhere; at = line.find('<', at + 1)) {
    const std::string_view rest = line.substr(at);
    if (found.folder == kNowhere && rest.starts_with(kFolderMarker)) found.folder = at;
    if (found.bookmark == kNowhere && rest.starts_with(kBookmarkMarker)) found.bookmark = at;
    found.description = found.description || rest.starts_with(kDescriptionMarker);
    found.listEnd = found.listEnd || rest.starts_with(kListEndMarker);
  }
  return found;
}

void BookmarkReader::Begin() {
  actions_.AddNode({std::nullopt, kRootKey, kRootText, BookmarkPicture::Folder, std::nullopt});
}

bool BookmarkReader::Line(std::string_view line) {
  ++lineNumber_;
  L_ = line;
  const Markers markers = FindMarkers(line);
  bool cut = true;
  switch (state()) {
    case State::TopLevel: cut = TopLevelLine(markers); break;
    case State::Folder:
    case State::FirstDescription: cut = FolderOrFirstDescriptionLine(markers); break;
    case State::SecondDescription: cut = SecondDescriptionLine(markers); break;
  }
  return cut;
}

bool BookmarkReader::End() {
  while (states_.size() > 1) {
    if (!LeaveState()) return false;
  }
  return true;
}

bool BookmarkReader::TopLevelLine(const Markers& m) {
  if (m.folder != kNowhere) return FolderHeader(m.folder);
  if (m.bookmark != kNowhere) return AddBookmark(kRootKey, m.bookmark);
  return true;  // descriptions and list ends are ignored here
}

// The folder and first-description states share their rules; a description read in the
// first-description state is the folder's second.
bool BookmarkReader::FolderOrFirstDescriptionLine(const Markers& m) {
  if (m.listEnd) return LeaveState();
  if (m.description) {
    Description(state() == State::FirstDescription);
    return true;
  }
  if (m.bookmark != kNowhere) return AddBookmark(folderKey_, m.bookmark);
  return true;
}

bool BookmarkReader::SecondDescriptionLine(const Markers& m) {
  if (m.listEnd) return LeaveState();
  if (m.bookmark != kNowhere) return AddBookmark(secondKey_, m.bookmark);
  return true;  // a third description is ignored
}

// Ends the current state. The folder and first-description states, when the state they entered
// ends, try their bookmark rule once more on L.
bool BookmarkReader::LeaveState() {
  states_.pop_back();
  const bool retest = state() == State::Folder || state() == State::FirstDescription;
  const std::size_t marker = retest ? L_.find(kBookmarkMarker) : kNowhere;
  if (marker != kNowhere) return AddBookmark(folderKey_, marker);
  return true;
}

bool BookmarkReader::FolderHeader(std::size_t marker) {
  ++folders_;
  const std::optional<std::string_view> name = CutFolderHeader(L_, marker);
  if (!name) return false;
  L_ = *name;
  folderKey_.assign(*name).append(" ").append(std::to_string(folders_));
  actions_.AddNode({std::nullopt, folderKey_, *name, BookmarkPicture::Folder, std::nullopt});
  states_.push_back(State::Folder);
  return true;
}

void BookmarkReader::Description(bool second) {
  L_ = L_.substr(kDescriptionMarker.size());
  scratch_.assign(folderKey_).append(L_);
  actions_.AddNode({folderKey_, scratch_, L_, BookmarkPicture::Folder, std::nullopt});
  if (second) secondKey_ = scratch_;
  actions_.MakeVisible();
  states_.push_back(second ? State::SecondDescription : State::FirstDescription);
}

bool BookmarkReader::AddBookmark(std::string_view parentKey, std::size_t marker) {
  const std::optional<BookmarkLineFields> fields = CutBookmarkLine(L_, marker);
  if (!fields) return false;
  L_ = fields->title;
  actions_.AddNode({parentKey, fields->title, fields->title, BookmarkPicture::Bookmark, fields->address});
  actions_.MakeVisible();
  return true;
}

namespace {

class CollectedActions : public BookmarkActions {
 public:
  void AddNode(const BookmarkNodeToAdd& node) override {
    BookmarkAction action{BookmarkAction::Kind::AddNode, std::nullopt, std::string(node.key), std::string(node.text),
                          node.picture, std::nullopt};
    if (node.parentKey) action.parentKey = std::string(*node.parentKey);
    if (node.address) action.address = std::string(*node.address);
    actions.push_back(std::move(action));
  }
  void MakeVisible() override { actions.push_back({BookmarkAction::Kind::MakeVisible, {}, {}, {}, {}, {}}); }
  std::vector<BookmarkAction> actions;
};

}  // namespace

BookmarkReading ReadBookmarkLines(const std::vector<std::string>& lines) {
  CollectedActions collected;
  BookmarkReader reader(collected);
  BookmarkReading reading;
  reader.Begin();
  bool whole = true;
  for (const std::string& line : lines) {
    whole = reader.Line(line);
    if (!whole) break;
  }
  if (whole) whole = reader.End();
  if (!whole) reading.stoppedAtLine = reader.lineNumber();
  reading.actions = std::move(collected.actions);
  return reading;
}

}  // namespace varnel

#pragma once
// One input of the bookmark fuzz target, shared with the test that replays every input kept in
// testdata/fuzz/bookmarks: the bytes are read as a bookmark.htm (through the same line scanner
// as a real file) into a tree, and every line is also tried as a favorite file's line. The
// tree's promises are checked; a broken one aborts.
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/bookmark_markup.h"
#include "bookmarks/bookmark_reader.h"
#include "bookmarks/bookmark_tree.h"
#include "bookmarks/favorites.h"
#include "fuzz/memory_file.h"
#include "winenv/code_page.h"
#include "winenv/line_scanner.h"

namespace varnel::fuzz {

inline void CheckTree(const BookmarkTree& tree) {
  for (BookmarkTree::NodeId id = 0; id < static_cast<BookmarkTree::NodeId>(tree.size()); ++id) {
    Require(tree.Find(tree.key(id)) == id);
    const BookmarkTree::NodeId parent = tree.parent(id);
    Require(parent < id);
    Require(tree.children(parent).at(tree.row(id)) == id);
    Require(tree.address(id).has_value() == (tree.picture(id) == BookmarkPicture::Bookmark));
    // Every text is valid UTF-8, and writes back as itself: into a UTF-8 file always, into a
    // code-page file unless it holds a C1 control (U+0080 to U+009F), which no reference carries.
    for (const std::string_view text : {tree.text(id), tree.address(id).value_or("")}) {
      bool c1 = false;
      for (std::size_t at = 0; at < text.size();) {
        const char32_t c = NextUtf8(text, at);
        Require(c != kNoCodePoint);
        c1 = c1 || (c >= 0x80 && c < 0xA0);
      }
      for (const BookmarkCharset charset : {BookmarkCharset::Utf8, BookmarkCharset::CodePage}) {
        if (c1 && charset == BookmarkCharset::CodePage) continue;
        std::string back;
        DecodeBookmarkText(EncodeBookmarkText(text, charset, BookmarkField::Text), charset, back);
        Require(back == text);
      }
    }
  }
  if (tree.lastMadeVisible() != BookmarkTree::kNone) {
    for (BookmarkTree::NodeId up = tree.parent(tree.lastMadeVisible()); up != BookmarkTree::kNone;
         up = tree.parent(up)) {
      Require(tree.expanded(up));
    }
  }
}

// The markup's entries, each as one string.
struct RecordedEntries : MarkupEntries {
  void Entry(const MarkupEntry& e) override {
    entries.push_back(std::to_string(static_cast<int>(e.kind)) + ":" + std::to_string(e.line) + ":" +
                      std::to_string(e.text.size()) + ":" + std::string(e.text) + std::string(e.address));
  }
  std::vector<std::string> entries;
};

inline void ReadBookmarkInput(std::string_view bytes) {
  const MemoryFile file(bytes);
  LineScanner scanner;
  Require(scanner.Open(file.path()).ok());
  BookmarkTree tree;
  BookmarkReader reader(tree);
  reader.Begin();
  // A line in the shape browsers write a bookmark in is read in one step: as the general reading reads it.
  RecordedEntries quick, general;
  BookmarkMarkup quickMarkup(quick), generalMarkup(general, BookmarkCharset::CodePage, BookmarkMarkup::Shortcut::Off);
  std::string_view line;
  while (scanner.Next(line)) {
    if (const auto address = FavoriteAddressOfLine(line)) Require(address->size() + 4 == line.size());
    reader.Line(line);
    quickMarkup.Line(line);
    generalMarkup.Line(line);
  }
  reader.End();
  quickMarkup.End();
  generalMarkup.End();
  Require(scanner.status().ok());
  Require(quick.entries == general.entries);
  CheckTree(tree);
}

}  // namespace varnel::fuzz

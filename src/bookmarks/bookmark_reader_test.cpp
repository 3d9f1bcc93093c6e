#include "bookmarks/bookmark_reader.h"

#include <gtest/gtest.h>

#include "bookmarks/bookmark_tree.h"

namespace varnel {
namespace {

using Lines = std::vector<std::string>;
using Kind = BookmarkAction::Kind;

// The tree a file's lines give, one node a line in tree order: two blanks a level, the key, and
// "=" with the address on bookmarks; "+" marks an expanded node.
struct Shown {
  Lines nodes;
  std::optional<std::size_t> stoppedAtLine;
  std::string lastVisible;
};

void Render(const BookmarkTree& tree, BookmarkTree::NodeId parent, int depth, Lines& out) {
  for (BookmarkTree::NodeId id : tree.children(parent)) {
    std::string line = std::string(2 * depth, ' ') + std::string(tree.key(id));
    if (tree.expanded(id)) line += " +";
    if (auto address = tree.address(id)) line += " =" + std::string(*address);
    out.push_back(line);
    Render(tree, id, depth + 1, out);
  }
}

Shown Read(const Lines& lines) {
  BookmarkTree tree;
  BookmarkReader reader(tree);
  reader.Begin();
  Shown shown;
  bool whole = true;
  for (const std::string& line : lines) {
    if (!(whole = reader.Line(line))) break;
  }
  if (whole && !reader.End()) whole = false;
  if (!whole) shown.stoppedAtLine = reader.lineNumber();
  Render(tree, BookmarkTree::kNone, 0, shown.nodes);
  if (tree.lastMadeVisible() != BookmarkTree::kNone) shown.lastVisible = tree.key(tree.lastMadeVisible());
  return shown;
}

std::string A(const std::string& address, const std::string& title) {
  return "    <DT><A HREF=\"" + address + "\" ADD_DATE=\"874687648\" LAST_VISIT=\"0\">" + title + "</A>";
}
std::string H3(const std::string& name) { return "    <DT><H3 FOLDED ADD_DATE=\"874687649\">" + name + "</H3>"; }
const std::string kOpen = "    <DL><p>";
const std::string kClose = "    </DL><p>";

TEST(BookmarkReader, CutsFieldsAtNetscapesOffsets) {
  // The address runs from 13 characters after the marker to the next quote; the title from
  // after the first ">" behind the marker to four before the end; a folder name to five before.
  const BookmarkReading r = ReadBookmarkLines({
      "  <DT><A HREF=\"page1.htm\" ADD_DATE=\"1\">Page one</A>",
      "<DT><H3 FOLDED ADD_DATE=\"2\">Work</H3>",
      "<DD>Daily reading",
      "<DT><A HREF=\"x\">no end tag",   // still loses four characters
      "<DT><A HREF=\"y\" no angle",     // no ">" after the marker: cut from the line's start
      "<DT><A HREF=\"\">Empty address</A>",
  });
  ASSERT_FALSE(r.stoppedAtLine);
  std::vector<BookmarkAction> added;
  for (const BookmarkAction& a : r.actions) {
    if (a.kind == Kind::AddNode) added.push_back(a);
  }
  ASSERT_EQ(added.size(), 7u);
  EXPECT_EQ(added[0], (BookmarkAction{Kind::AddNode, std::nullopt, "NoFolder", "Bookmarks not In folders",
                                      BookmarkPicture::Folder, std::nullopt}));
  EXPECT_EQ(added[1], (BookmarkAction{Kind::AddNode, "NoFolder", "Page one", "Page one", BookmarkPicture::Bookmark,
                                      "page1.htm"}));
  EXPECT_EQ(added[2], (BookmarkAction{Kind::AddNode, std::nullopt, "Work 1", "Work", BookmarkPicture::Folder,
                                      std::nullopt}));
  EXPECT_EQ(added[3], (BookmarkAction{Kind::AddNode, "Work 1", "Work 1Daily reading", "Daily reading",
                                      BookmarkPicture::Folder, std::nullopt}));
  EXPECT_EQ(added[4].text, "no end");
  EXPECT_EQ(added[4].address, "x");
  EXPECT_EQ(added[5].text, "<DT><A HREF=\"y\" no a");
  EXPECT_EQ(added[6].address, "");
  // Each description and bookmark is made visible right after it is added; folders are not.
  std::vector<Kind> kinds;
  for (const BookmarkAction& a : r.actions) kinds.push_back(a.kind);
  EXPECT_EQ(kinds, (std::vector<Kind>{Kind::AddNode, Kind::AddNode, Kind::MakeVisible, Kind::AddNode, Kind::AddNode,
                                      Kind::MakeVisible, Kind::AddNode, Kind::MakeVisible, Kind::AddNode,
                                      Kind::MakeVisible, Kind::AddNode, Kind::MakeVisible}));
}

TEST(BookmarkReader, ALineThatCannotBeCutStopsTheReadingThere) {
  const struct {
    const char* name;
    std::string line;
  } cases[] = {
      {"no quote after the address", "<DT><A HREF=\"http://x ADD_DATE=1>T</A>"},
      {"quote only before the address start", "<DT><A \"HREF>T</A>"},
      {"fewer than four after the title's >", "<DT><A HREF=\"a\">abc"},
      {"fewer than five after the folder's >", "<DT><H3 X>abcd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Shown shown = Read({A("a", "First"), H3("F"), kOpen, A("b", "Second"), kClose, c.line, A("c", "Never")});
    EXPECT_EQ(shown.stoppedAtLine, 6u);
    const Lines kept = {"NoFolder +", "  First =a", "F 1 +", "  Second =b"};
    EXPECT_EQ(shown.nodes, kept);
  }
}

TEST(BookmarkReader, TopLevelAndFolders) {
  // An empty file gives the root alone.
  EXPECT_EQ(Read({}).nodes, Lines{"NoFolder"});
  // Loose bookmarks (those inserted after the heading too) go under the root in file order; a
  // description at top level is ignored; a line with both markers is a folder header; markers
  // in other letter cases mean nothing; two folders of one name are told apart by their number.
  const Shown shown = Read({
      "<H1>Bookmarks</H1>", A("n", "New one"), "<DL><p>", A("l", "Loose"), "<DD>top description",
      "<DT><H3>Both</H3><DT><A HREF=\"z\">x</A>", A("in", "Inside both"), kClose,
      "<dt><a HREF=\"q\">lower</a>", H3("Same"), kOpen, A("s1", "One"), kClose, H3("Same"), kOpen, A("s2", "Two"),
      kClose, "</DL><p>"});
  EXPECT_EQ(shown.nodes, (Lines{"NoFolder +", "  New one =n", "  Loose =l",
                                "Both</H3><DT><A HREF=\"z\"> 1 +", "  Inside both =in",
                                "Same 2 +", "  One =s1", "Same 3 +", "  Two =s2"}));
  EXPECT_EQ(shown.lastVisible, "Two");
}

TEST(BookmarkReader, ANestedFolderIsFlattenedAndItsEndEndsTheOuterFolder) {
  const Shown shown = Read({H3("Outer"), kOpen, A("o1", "O1"), H3("Inner"), kOpen, A("i1", "I1"), kClose,
                            A("o2", "O2"), kClose});
  EXPECT_EQ(shown.nodes, (Lines{"NoFolder +", "  O2 =o2", "Outer 1 +", "  O1 =o1", "  I1 =i1"}));
}

TEST(BookmarkReader, DescriptionsOpenStatesThatOutliveTheFoldersEnd) {
  // After a description the folder's own end only ends the description's state: the folder
  // keeps its bookmarks (and ignores headers) until the next end.
  EXPECT_EQ(Read({H3("F"), kOpen, "<DD>first", A("a", "A"), kClose, A("b", "B"), H3("Ignored"), A("c", "C"), kClose,
                  A("d", "Loose")})
                .nodes,
            (Lines{"NoFolder +", "  Loose =d", "F 1 +", "  F 1first", "  A =a", "  B =b", "  C =c"}));
  // Bookmarks after a second description go under it (a node of the folder, as the first);
  // a third description is ignored.
  const Shown shown = Read({H3("G"), kOpen, "<DD>one", "<DD>two", A("x", "X"), "<DD>three", A("y", "Y"), kClose,
                            A("z", "Z"), kClose, kClose, A("w", "W")});
  EXPECT_EQ(shown.nodes, (Lines{"NoFolder +", "  W =w", "G 1 +", "  G 1one", "  G 1two +", "    X =x", "    Y =y",
                                "  Z =z"}));
  EXPECT_EQ(shown.lastVisible, "W");
}

TEST(BookmarkReader, AnInnerStatesEndIsRetestedForABookmark) {
  // The line that ends an inner state is tried once more as a bookmark of the folder.
  EXPECT_EQ(Read({H3("F"), kOpen, "<DD>d", "</DL><p><DT><A HREF=\"r\">Retested</A>", kClose}).nodes,
            (Lines{"NoFolder", "F 1 +", "  F 1d", "  Retested =r"}));
  // At the end of the file every open state ends and each outer one retests the last text:
  // here the description text itself holds a bookmark.
  EXPECT_EQ(Read({H3("F"), kOpen, "<DD><DT><A HREF=\"u\">From text</A>"}).nodes,
            (Lines{"NoFolder", "F 1 +", "  F 1<DT><A HREF=\"u\">From text</A>", "  From text =u"}));
  // A second description at the end: retested by the first-description state, then the
  // folder's, which sees the title taken by the first retest (no marker: nothing more).
  EXPECT_EQ(Read({H3("F"), kOpen, "<DD>one", "<DD><DT><A HREF=\"v\">T</A>"}).nodes,
            (Lines{"NoFolder", "F 1 +", "  F 1one", "  F 1<DT><A HREF=\"v\">T</A>", "  T =v"}));
  // A retest can meet a line that cannot be cut: the reading stops at the last line.
  EXPECT_EQ(Read({H3("F"), kOpen, "<DD><DT><A HREF=no quote"}).stoppedAtLine, 3u);
}

TEST(BookmarkReader, UsedKeysAreRefusedAndNothingElseChanges) {
  // The first of two equal titles stays with its address; an empty title is a key like any
  // other; "NoFolder" and folder keys are taken; keys are compared with letter case.
  EXPECT_EQ(Read({A("1", "Twice"), A("2", "Twice"), A("e1", ""), A("e2", ""), A("r", "NoFolder"), H3("News"),
                  kOpen, kClose, A("n", "News 1"), A("c", "twice")})
                .nodes,
            (Lines{"NoFolder +", "  Twice =1", "   =e1", "  twice =c", "News 1"}));
  // A refused folder still becomes the current folder: its bookmarks join the node of that key,
  // even a bookmark's. A refused bookmark is not made visible.
  const Shown shown = Read({A("x", "Dup 1"), H3("Dup"), kOpen, A("y", "Child"), A("z", "Child"), kClose});
  EXPECT_EQ(shown.nodes, (Lines{"NoFolder +", "  Dup 1 + =x", "    Child =y"}));
  EXPECT_EQ(shown.lastVisible, "Child");
  // A refused second description still collects the bookmarks after it, under the node of its key.
  EXPECT_EQ(Read({H3("F"), kOpen, "<DD>d", "<DD>d", A("b", "Under"), kClose, kClose}).nodes,
            (Lines{"NoFolder", "F 1 +", "  F 1d +", "    Under =b"}));
}

TEST(BookmarkReader, NoSixteenBitLimits) {
  // A bookmark with a picture of megabytes embedded, and folder numbers past 32,767.
  const std::string icon(3 * 1024 * 1024, 'Q');
  Lines lines = {"<DT><A HREF=\"http://big\" ICON=\"data:image/png;base64," + icon + "\">Big</A>"};
  for (int i = 0; i < 40000; ++i) {
    lines.push_back("<DT><H3>F</H3>");
    lines.push_back("</DL><p>");
  }
  const Shown shown = Read(lines);
  EXPECT_FALSE(shown.stoppedAtLine);
  ASSERT_EQ(shown.nodes.size(), 40002u);
  EXPECT_EQ(shown.nodes[1], "  Big =http://big");
  EXPECT_EQ(shown.nodes.back(), "F 40000");
}

}  // namespace
}  // namespace varnel
